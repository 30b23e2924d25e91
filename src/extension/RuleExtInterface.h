// The mail client's rule-extension interfaces, as the client publishes them: the
// object an extension hands out (IExchangeRuleExt) and the callback the client passes
// to it (IRuleExtCallback). Every string that crosses them is narrow ANSI text.
#pragma once

#include "store/MapiApi.h"

namespace pellacorm {

// The client's callback object. The extension uses only GetSession, the sixth slot.
struct IRuleExtCallback : public IUnknown {
  STDMETHOD(GetVersion)(ULONG* version, ULONG flags) PURE;
  STDMETHOD(GetWindow)(HWND* window) PURE;
  STDMETHOD(GetSession)(LPMAPISESSION* session) PURE;
};

// {00020E11-0000-0000-C000-000000000046}
struct IExchangeRuleExt : public IUnknown {
  STDMETHOD(Install)(IRuleExtCallback* callback, ULONG context) PURE;
  STDMETHOD(QueryRelease)() PURE;
  STDMETHOD(GetCommand)
  (IRuleExtCallback* callback, LPSTR command, ULONG cbCommand, LPSTR displayName, ULONG cbDisplayName) PURE;
  STDMETHOD(QueryCommandDisplayName)
  (IRuleExtCallback* callback, LPCSTR command, LPSTR displayName, ULONG cbDisplayName) PURE;
  STDMETHOD(Command)(IRuleExtCallback* callback, LPCSTR command, ULONG cbEntryId, LPENTRYID entryId) PURE;
};

extern const IID IID_IExchangeRuleExt;

// The one export of the library.
using ExchEntryPointFn = IExchangeRuleExt*(WINAPI*)();

}  // namespace pellacorm
