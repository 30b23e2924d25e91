// What every memstore COM object shares: the reference count, its place in the ledger,
// the fault check at the top of each method, and the GetLastError record of its last
// failure.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Model.h"
#include "memstore/Faults.h"
#include "memstore/Guids.h"
#include "memstore/Ledger.h"
#include "platform/Mapi.h"

namespace memstore {

class ObjectCore {
 public:
  ObjectCore(std::shared_ptr<World> world, ObjectKind kind, std::function<std::string()> name);
  virtual ~ObjectCore();
  ObjectCore(const ObjectCore&) = delete;
  ObjectCore& operator=(const ObjectCore&) = delete;

  ObjectKind Kind() const { return m_kind; }
  std::string Name() const;

 protected:
  // Counts the call against the fault rules. Returns the failure of a rule that fires,
  // recorded as the object's last error, else S_OK; a firing rule with a successful
  // result (a SetProps problem array) comes back through `fired`.
  HRESULT Enter(const char* operation, const Fault** fired = nullptr);
  // Records a failure of `operation` and returns `hr`.
  HRESULT Fail(const char* operation, HRESULT hr, const std::string& detail);
  // MAPI_E_NO_SUPPORT, for the methods nothing calls.
  HRESULT Unsupported(const char* operation);
  // IMAPIProp::GetLastError and its siblings.
  HRESULT LastErrorRecord(ULONG flags, LPMAPIERROR* out) const;

  const std::shared_ptr<World>& TheWorld() const { return m_world; }

  std::atomic<ULONG> m_refs{1};

 private:
  std::shared_ptr<World> m_world;
  ObjectKind m_kind;
  std::function<std::string()> m_name;
  std::uint64_t m_serial;
  std::optional<std::string> m_lastError;
};

template <typename Interface>
class ComObject : public Interface, public ObjectCore {
 public:
  using ObjectCore::ObjectCore;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) {
      return E_POINTER;
    }
    *ppv = nullptr;
    if (!SameIid(riid, IID_IUnknown) && !Answers(riid)) {
      return E_NOINTERFACE;
    }
    AddRef();
    *ppv = static_cast<Interface*>(this);
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --m_refs;
    if (left == 0) {
      delete this;
    }
    return left;
  }
  STDMETHODIMP GetLastError(HRESULT /*hResult*/, ULONG ulFlags, LPMAPIERROR* lppMAPIError) override {
    return LastErrorRecord(ulFlags, lppMAPIError);
  }

  // Whether QueryInterface hands out the object for `riid` (IUnknown always).
  virtual bool Answers(REFIID riid) const = 0;
};

// Checks the interface a caller asked of OpenEntry, CreateMessage and the like: null
// asks for the object's own.
template <typename Interface>
bool AnswersInterface(const ComObject<Interface>& object, LPCIID requested) {
  return requested == nullptr || SameIid(*requested, IID_IUnknown) || object.Answers(*requested);
}

}  // namespace memstore
