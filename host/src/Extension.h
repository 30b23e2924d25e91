// The extension as the client sees it: a library loaded by file name, its one export,
// the object that export hands out, the callback object the client passes to it, and
// the client's text buffers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Os.h"
#include "platform/RuleExtension.h"
#include "platform/Mapi.h"

namespace rulehost {

// The extension library, loaded for the object's life.
class ExtensionLibrary {
 public:
  // Loads the library; throws HostError(kExitLibrary) when it cannot be loaded and
  // HostError(kExitNoEntryPoint) when it does not export ExchEntryPoint.
  explicit ExtensionLibrary(const std::string& path);
  ExtensionLibrary(const ExtensionLibrary&) = delete;
  ExtensionLibrary& operator=(const ExtensionLibrary&) = delete;
  ~ExtensionLibrary();

  ExchEntryPointFn EntryPoint() const { return m_entryPoint; }

 private:
  os::LibraryHandle m_library = nullptr;
  ExchEntryPointFn m_entryPoint = nullptr;
};

// The client's callback object. GetSession hands out a reference to the session (or
// fails as a --fault GetSession asked); GetWindow answers the host's main window
// (HostWindow of Dialog.h).
class HostCallback final : public IRuleExtCallback {
 public:
  explicit HostCallback(IMAPISession* session) : m_session(session) {}
  HostCallback(const HostCallback&) = delete;
  HostCallback& operator=(const HostCallback&) = delete;
  virtual ~HostCallback() = default;

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetVersion(ULONG* version, ULONG flags) override;
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP GetSession(LPMAPISESSION* session) override;

  // Makes the nth GetSession from now on (or every one from the nth, with `repeat`) fail.
  void FailGetSession(ULONG nth, bool repeat, HRESULT hr);

  ULONG GetSessionCalls() const { return m_getSessionCalls; }
  ULONG References() const { return m_references; }

 private:
  IMAPISession* m_session;
  ULONG m_references = 1;
  ULONG m_getSessionCalls = 0;
  ULONG m_failAt = 0;
  bool m_failRepeat = false;
  HRESULT m_failResult = S_OK;
};

// One of the client's text buffers, with guard bytes on both sides so that a write past
// its end shows.
class ClientBuffer {
 public:
  ClientBuffer(ULONG size, const std::string& content);
  LPSTR Data() { return m_bytes.data() + kGuard; }
  ULONG Size() const { return m_size; }
  // The text up to the first terminator (all of the buffer when there is none).
  std::string Text() const;
  bool Terminated() const;
  // Whether a byte outside the buffer changed.
  bool WrittenOutside() const;

 private:
  static constexpr std::size_t kGuard = 16;
  static constexpr char kGuardByte = '\xCD';
  ULONG m_size;
  std::vector<char> m_bytes;
};

}  // namespace rulehost
