// The object's identity, lifetime and release of its session and stores.
#include "extension/ExchRuleExt.h"

namespace pellacorm {

// {00000000-0000-0000-C000-000000000046}
static const IID kIIDUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

STDMETHODIMP CExchRuleExt::QueryInterface(REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) {
    return E_INVALIDARG;
  }
  *ppvObject = nullptr;
  if (!IsEqualIID(riid, kIIDUnknown) && !IsEqualIID(riid, IID_IExchangeRuleExt)) {
    return E_NOINTERFACE;
  }
  *ppvObject = static_cast<IExchangeRuleExt*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CExchRuleExt::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

STDMETHODIMP_(ULONG) CExchRuleExt::Release() {
  const LONG count = InterlockedDecrement(&m_refCount);
  if (count == 0) {
    delete this;
  }
  return static_cast<ULONG>(count);
}

STDMETHODIMP CExchRuleExt::QueryRelease() {
  // Each field is null before its Release runs; a field already null is skipped.
  m_defaultStore.Reset();
  m_appStore.Reset();
  m_session.Reset();
  return S_OK;
}

}  // namespace pellacorm
