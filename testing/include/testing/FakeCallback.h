// The client's callback as the tests play it: hands out the session it was given (or
// null), or fails with the result it was given, and counts the requests. Header only:
// the Linux suites and the Windows tests under Wine share it.
#pragma once

#include "platform/RuleExtension.h"

namespace testsupport {

class FakeCallback final : public IRuleExtCallback {
 public:
  explicit FakeCallback(IMAPISession* session, HRESULT result = S_OK)
      : m_session(session), m_result(result) {}
  STDMETHOD(QueryInterface)(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(GetVersion)(ULONG*, ULONG) override { return E_NOTIMPL; }
  STDMETHOD(GetWindow)(HWND* window) override {
    *window = nullptr;
    return S_OK;
  }
  STDMETHOD(GetSession)(LPMAPISESSION* session) override {
    ++calls;
    if (FAILED(m_result)) {
      *session = nullptr;
      return m_result;
    }
    if (m_session != nullptr) {
      m_session->AddRef();
    }
    *session = m_session;
    return m_result;
  }
  int calls = 0;

 private:
  IMAPISession* m_session;
  HRESULT m_result;
};

}  // namespace testsupport
