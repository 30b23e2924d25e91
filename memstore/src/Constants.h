// MAPI values memstore uses that not every header set defines, under names of our own
// so that they never collide with the SDK's macros.
#pragma once

#include "platform/Mapi.h"

namespace memstore {

constexpr ULONG kPrDisplayNameW = PROP_TAG(PT_UNICODE, 0x3001);
constexpr ULONG kPrCommentA = PROP_TAG(PT_STRING8, 0x3004);
constexpr ULONG kPrDepth = PROP_TAG(PT_LONG, 0x3005);
constexpr ULONG kPrProviderDisplayA = PROP_TAG(PT_STRING8, 0x3006);
constexpr ULONG kPrResourceFlags = PROP_TAG(PT_LONG, 0x3009);
constexpr ULONG kPrMdbProvider = PROP_TAG(PT_BINARY, 0x3414);
constexpr ULONG kPrStoreRecordKey = PROP_TAG(PT_BINARY, 0x0FFA);

// Message flags.
constexpr LONG kMsgFlagRead = 0x00000001;
constexpr LONG kMsgFlagUnsent = 0x00000008;
constexpr LONG kMsgFlagAssociated = 0x00000040;
// Stores table resource flags.
constexpr LONG kStatusDefaultStore = 0x00000002;

// IMAPIFolder flags.
constexpr ULONG kDelMessages = 0x00000001;
constexpr ULONG kDelFolders = 0x00000004;
constexpr ULONG kDelAssociated = 0x00000008;
constexpr ULONG kFolderMove = 0x00000001;
constexpr ULONG kOpenIfExists = 0x00000001;

// IMAPITable flags and values.
constexpr ULONG kTblNoAdvance = 0x00000001;
constexpr ULONG kTblAllColumns = 0x00000001;
constexpr ULONG kDirBackward = 0x00000001;
constexpr ULONG kConvenientDepth = 0x00000001;
constexpr ULONG kTblStatComplete = 0;
constexpr ULONG kTblTypeDynamic = 2;
constexpr ULONG kTableSortDescend = 0x00000001;
constexpr ULONG kFlSubstring = 0x00000001;
constexpr ULONG kFlPrefix = 0x00000002;
constexpr ULONG kFlIgnoreCase = 0x00010000;
constexpr ULONG kBmrEqz = 0;

constexpr HRESULT kMapiWPartialCompletion = static_cast<HRESULT>(0x00040680);

}  // namespace memstore
