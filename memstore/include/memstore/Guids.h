// The interface identifiers memstore's objects answer, with the SDK's values. Defined
// here, in memstore's namespace, so that nothing needs the SDK's GUID library.
#pragma once

#include "platform/Mapi.h"

namespace memstore {

extern const IID IID_IUnknown;
extern const IID IID_IMAPISession;    // {00020300-0000-0000-C000-000000000046}
extern const IID IID_IMAPITable;      // {00020301-...}
extern const IID IID_IMAPIProp;       // {00020303-...}
extern const IID IID_IMsgStore;       // {00020306-...}
extern const IID IID_IMessage;        // {00020307-...}
extern const IID IID_IMAPIContainer;  // {0002030B-...}
extern const IID IID_IMAPIFolder;     // {0002030C-...}

// Compares two interface identifiers byte for byte.
bool SameIid(const IID& a, const IID& b);

}  // namespace memstore
