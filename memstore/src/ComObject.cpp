// The shared part of memstore's COM objects.
#include "ComObject.h"

#include <utility>

#include "MapiOut.h"
#include "Tracking.h"
#include "memstore/HResult.h"

namespace memstore {
namespace {
constexpr const char* kComponent = "memstore";
}

ObjectCore::ObjectCore(std::shared_ptr<World> world, ObjectKind kind, std::function<std::string()> name)
    : m_world(std::move(world)), m_kind(kind), m_name(std::move(name)) {
  m_serial = Track({m_kind, m_name, &m_refs});
}

std::string ObjectCore::Name() const {
  CountNameBuilt();
  return m_name();
}

ObjectCore::~ObjectCore() {
  Untrack(m_serial);
}

HRESULT ObjectCore::Enter(const char* operation, const Fault** fired) {
  if (fired != nullptr) {
    *fired = nullptr;
  }
  ULONG ordinal = 0;
  const Fault* fault = m_world->faults.Check(
      operation, m_kind, [this] { return Name(); }, &ordinal);
  if (fault == nullptr) {
    return S_OK;
  }
  if (SUCCEEDED(fault->Result())) {
    if (fired != nullptr) {
      *fired = fault;
    }
    return S_OK;
  }
  return Fail(operation, fault->Result(), "injected fault (matching call " + std::to_string(ordinal) + ")");
}

HRESULT ObjectCore::Fail(const char* operation, HRESULT hr, const std::string& detail) {
  m_lastError = std::string(operation) + " on " + KindName(m_kind) + " \"" + Name() + "\" failed with " +
                HResultText(hr) + ": " + detail;
  return hr;
}

HRESULT ObjectCore::Unsupported(const char* operation) {
  return Fail(operation, MAPI_E_NO_SUPPORT, "memstore does not implement it");
}

HRESULT ObjectCore::LastErrorRecord(ULONG flags, LPMAPIERROR* out) const {
  if (out == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *out = nullptr;
  if (!m_lastError) {
    return S_OK;
  }
  void* block = nullptr;
  if (FAILED(MAPIAllocateBuffer(sizeof(MAPIERROR), &block))) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  auto* record = static_cast<LPMAPIERROR>(block);
  *record = MAPIERROR{};
  record->ulVersion = MAPI_ERROR_VERSION;
  const bool unicode = (flags & MAPI_UNICODE) != 0;
  if (FAILED(ExportString(*m_lastError, unicode, block, &record->lpszError)) ||
      FAILED(ExportString(kComponent, unicode, block, &record->lpszComponent))) {
    MAPIFreeBuffer(block);
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  *out = record;
  return S_OK;
}

}  // namespace memstore
