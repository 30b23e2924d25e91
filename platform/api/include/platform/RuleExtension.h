// The mail client's rule-extension interfaces, as the client publishes them: the
// object an extension hands out (IExchangeRuleExt) and the callback the client passes
// to it (IRuleExtCallback). Every string that crosses them is narrow ANSI text.
#pragma once

#include "platform/Mapi.h"

// The client's callback object. An extension uses only GetSession, the sixth slot.
struct IRuleExtCallback : public IUnknown {
  STDMETHOD(GetVersion)(ULONG* version, ULONG flags) PURE;
  STDMETHOD(GetWindow)(HWND* window) PURE;
  STDMETHOD(GetSession)(LPMAPISESSION* session) PURE;
};

struct IExchangeRuleExt : public IUnknown {
  STDMETHOD(Install)(IRuleExtCallback* callback, ULONG context) PURE;
  STDMETHOD(QueryRelease)() PURE;
  STDMETHOD(GetCommand)
  (IRuleExtCallback* callback, LPSTR command, ULONG cbCommand, LPSTR displayName, ULONG cbDisplayName) PURE;
  STDMETHOD(QueryCommandDisplayName)
  (IRuleExtCallback* callback, LPCSTR command, LPSTR displayName, ULONG cbDisplayName) PURE;
  STDMETHOD(Command)(IRuleExtCallback* callback, LPCSTR command, ULONG cbEntryId, LPENTRYID entryId) PURE;
};

// {00020E11-0000-0000-C000-000000000046}
inline const IID IID_IExchangeRuleExt = {
    0x00020E11, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The one export of an extension library, found by its ordinal or its name.
using ExchEntryPointFn = IExchangeRuleExt*(WINAPI*)();
