// Handing values to callers in MAPI memory: property arrays (one MAPIAllocateBuffer
// block, data in MAPIAllocateMore blocks linked to it), entry identifiers, strings, tag
// and problem arrays. Each function leaves its out argument null on failure and frees
// what it had allocated.
#pragma once

#include <string>
#include <vector>

#include "Model.h"
#include "memstore/PropValue.h"
#include "platform/Mapi.h"

namespace memstore {

HRESULT ExportValues(const std::vector<PropValue>& values, LPSPropValue* out);
HRESULT ExportEntryId(const EntryIdBytes& id, ULONG* cb, LPENTRYID* out);
// A string, wide when `unicode` (each byte widened), in a buffer of its own or, when
// `root` is given, in a MAPIAllocateMore block linked to it.
HRESULT ExportString(const std::string& text, bool unicode, void* root, LPTSTR* out);
HRESULT ExportTags(const std::vector<ULONG>& tags, LPSPropTagArray* out);
HRESULT ExportProblems(const std::vector<SPropProblem>& problems, LPSPropProblemArray* out);

// The values of `tags` from `props`, each in the type its tag asks; a property the
// object lacks becomes PT_ERROR / MAPI_E_NOT_FOUND and sets *missing.
std::vector<PropValue> SelectValues(const PropSet& props, const std::vector<ULONG>& tags, bool* missing);
// Every value of `props`, strings as PT_UNICODE when `unicode`, else as PT_STRING8.
std::vector<PropValue> AllValues(const PropSet& props, bool unicode);
std::vector<ULONG> AllTags(const PropSet& props, bool unicode);
std::vector<ULONG> TagsOf(const SPropTagArray& tags);

// A caller's string argument: wide when MAPI_UNICODE is in `flags`.
std::string ArgumentString(const void* text, ULONG flags);

}  // namespace memstore
