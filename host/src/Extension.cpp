#include "Extension.h"

#include <cstring>
#include <filesystem>

#include "Dialog.h"
#include "HostError.h"
#include "memstore/Guids.h"

namespace rulehost {

ExtensionLibrary::ExtensionLibrary(const std::string& path) {
  // A name with a folder must name a file; a bare name is left to the system's search.
  std::error_code error;
  if (path.find_first_of("/\\") != std::string::npos && !std::filesystem::exists(path, error)) {
    throw HostError(kExitLibrary, "cannot load the extension library " + path + ": there is no such file");
  }
  std::string reason;
  m_library = os::LoadLibraryFile(path, &reason);
  if (m_library == nullptr) {
    throw HostError(kExitLibrary, "cannot load the extension library " + path + ": " + reason);
  }
  void* entry = os::FindExport(m_library, "ExchEntryPoint");
  if (entry == nullptr) {
    os::UnloadLibrary(m_library);
    throw HostError(kExitNoEntryPoint, "the library " + path +
                                           " does not export ExchEntryPoint, so it is no "
                                           "rule extension");
  }
  m_entryPoint = reinterpret_cast<ExchEntryPointFn>(entry);
}

ExtensionLibrary::~ExtensionLibrary() {
  os::UnloadLibrary(m_library);
}

STDMETHODIMP HostCallback::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) {
    return E_INVALIDARG;
  }
  *object = nullptr;
  if (!memstore::SameIid(riid, memstore::IID_IUnknown)) {
    return E_NOINTERFACE;
  }
  *object = static_cast<IUnknown*>(this);
  AddRef();
  return S_OK;
}

// The host owns the object; the counts only show whether the extension keeps references.
STDMETHODIMP_(ULONG) HostCallback::AddRef() {
  return ++m_references;
}
STDMETHODIMP_(ULONG) HostCallback::Release() {
  return --m_references;
}

STDMETHODIMP HostCallback::GetVersion(ULONG* version, ULONG /*flags*/) {
  if (version == nullptr) {
    return E_INVALIDARG;
  }
  *version = 0x01000000;
  return S_OK;
}

STDMETHODIMP HostCallback::GetWindow(HWND* window) {
  if (window == nullptr) {
    return E_INVALIDARG;
  }
  *window = HostWindow();
  return S_OK;
}

STDMETHODIMP HostCallback::GetSession(LPMAPISESSION* session) {
  ++m_getSessionCalls;
  if (session == nullptr) {
    return E_INVALIDARG;
  }
  *session = nullptr;
  if (m_failAt != 0 && (m_getSessionCalls == m_failAt || (m_failRepeat && m_getSessionCalls > m_failAt))) {
    return m_failResult;
  }
  m_session->AddRef();
  *session = m_session;
  return S_OK;
}

void HostCallback::FailGetSession(ULONG nth, bool repeat, HRESULT hr) {
  m_failAt = m_getSessionCalls + nth;
  m_failRepeat = repeat;
  m_failResult = hr;
}

ClientBuffer::ClientBuffer(ULONG size, const std::string& content)
    : m_size(size), m_bytes(size + 2 * kGuard, kGuardByte) {
  if (size > 0) {
    const std::size_t length = content.size() < size ? content.size() : size - 1;
    std::memcpy(Data(), content.data(), length);
    Data()[length] = '\0';
  }
}

std::string ClientBuffer::Text() const {
  const char* begin = m_bytes.data() + kGuard;
  std::size_t length = 0;
  while (length < m_size && begin[length] != '\0') {
    ++length;
  }
  return std::string(begin, length);
}

bool ClientBuffer::Terminated() const {
  return Text().size() < m_size;
}

bool ClientBuffer::WrittenOutside() const {
  for (std::size_t i = 0; i < m_bytes.size(); ++i) {
    if ((i < kGuard || i >= kGuard + m_size) && m_bytes[i] != kGuardByte) {
      return true;
    }
  }
  return false;
}

}  // namespace rulehost
