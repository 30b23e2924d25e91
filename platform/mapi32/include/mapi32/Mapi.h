// The Extended MAPI declarations the product and the in-memory store use, for builds
// that are not Windows: the SDK's names, structures and interface method order, with
// Windows type widths. On Windows the SDK's own <mapix.h> and <mapiutil.h> serve.
#pragma once

#include "win32/Types.h"

#define MAPI_DIM 1
#define MAPIMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define MAPIMETHOD_(type, method) virtual type STDMETHODCALLTYPE method

// ---- Result codes --------------------------------------------------------------
#define MAKE_MAPI_SCODE(sev, fac, code)                                                  \
  static_cast<SCODE>((static_cast<ULONG>(sev) << 31) | (static_cast<ULONG>(fac) << 16) | \
                     static_cast<ULONG>(code))
#define FACILITY_ITF 4
#define MAKE_MAPI_E(err) MAKE_MAPI_SCODE(1, FACILITY_ITF, err)
#define MAKE_MAPI_S(warn) MAKE_MAPI_SCODE(0, FACILITY_ITF, warn)
#define SUCCESS_SUCCESS 0L
#define HR_SUCCEEDED(hr) SUCCEEDED(static_cast<SCODE>(hr))
#define HR_FAILED(hr) FAILED(static_cast<SCODE>(hr))

#define MAPI_E_CALL_FAILED E_FAIL
#define MAPI_E_NOT_ENOUGH_MEMORY E_OUTOFMEMORY
#define MAPI_E_INVALID_PARAMETER E_INVALIDARG
#define MAPI_E_INTERFACE_NOT_SUPPORTED E_NOINTERFACE
#define MAPI_E_NO_ACCESS static_cast<SCODE>(0x80070005L)
#define MAPI_E_NO_SUPPORT MAKE_MAPI_E(0x102)
#define MAPI_E_BAD_CHARWIDTH MAKE_MAPI_E(0x103)
#define MAPI_E_STRING_TOO_LONG MAKE_MAPI_E(0x105)
#define MAPI_E_UNKNOWN_FLAGS MAKE_MAPI_E(0x106)
#define MAPI_E_INVALID_ENTRYID MAKE_MAPI_E(0x107)
#define MAPI_E_INVALID_OBJECT MAKE_MAPI_E(0x108)
#define MAPI_E_OBJECT_CHANGED MAKE_MAPI_E(0x109)
#define MAPI_E_OBJECT_DELETED MAKE_MAPI_E(0x10A)
#define MAPI_E_BUSY MAKE_MAPI_E(0x10B)
#define MAPI_E_NOT_ENOUGH_DISK MAKE_MAPI_E(0x10D)
#define MAPI_E_NOT_ENOUGH_RESOURCES MAKE_MAPI_E(0x10E)
#define MAPI_E_NOT_FOUND MAKE_MAPI_E(0x10F)
#define MAPI_E_VERSION MAKE_MAPI_E(0x110)
#define MAPI_E_LOGON_FAILED MAKE_MAPI_E(0x111)
#define MAPI_E_NETWORK_ERROR MAKE_MAPI_E(0x115)
#define MAPI_E_DISK_ERROR MAKE_MAPI_E(0x116)
#define MAPI_E_TOO_COMPLEX MAKE_MAPI_E(0x117)
#define MAPI_E_BAD_COLUMN MAKE_MAPI_E(0x118)
#define MAPI_E_EXTENDED_ERROR MAKE_MAPI_E(0x119)
#define MAPI_E_COMPUTED MAKE_MAPI_E(0x11A)
#define MAPI_E_CORRUPT_DATA MAKE_MAPI_E(0x11B)
#define MAPI_E_UNCONFIGURED MAKE_MAPI_E(0x11C)
#define MAPI_E_FAILONEPROVIDER MAKE_MAPI_E(0x11D)
#define MAPI_E_END_OF_SESSION MAKE_MAPI_E(0x200)
#define MAPI_E_UNKNOWN_ENTRYID MAKE_MAPI_E(0x201)
#define MAPI_E_MISSING_REQUIRED_COLUMN MAKE_MAPI_E(0x202)
#define MAPI_W_NO_SERVICE MAKE_MAPI_S(0x203)
#define MAPI_E_BAD_VALUE MAKE_MAPI_E(0x301)
#define MAPI_E_INVALID_TYPE MAKE_MAPI_E(0x302)
#define MAPI_E_TYPE_NO_SUPPORT MAKE_MAPI_E(0x303)
#define MAPI_E_UNEXPECTED_TYPE MAKE_MAPI_E(0x304)
#define MAPI_E_TOO_BIG MAKE_MAPI_E(0x305)
#define MAPI_E_DECLINE_COPY MAKE_MAPI_E(0x306)
#define MAPI_E_UNEXPECTED_ID MAKE_MAPI_E(0x307)
#define MAPI_W_ERRORS_RETURNED MAKE_MAPI_S(0x380)
#define MAPI_E_UNABLE_TO_COMPLETE MAKE_MAPI_E(0x400)
#define MAPI_E_TIMEOUT MAKE_MAPI_E(0x401)
#define MAPI_E_TABLE_EMPTY MAKE_MAPI_E(0x402)
#define MAPI_E_TABLE_TOO_BIG MAKE_MAPI_E(0x403)
#define MAPI_E_INVALID_BOOKMARK MAKE_MAPI_E(0x405)
#define MAPI_W_POSITION_CHANGED MAKE_MAPI_S(0x481)
#define MAPI_W_APPROX_COUNT MAKE_MAPI_S(0x482)
#define MAPI_E_COLLISION MAKE_MAPI_E(0x604)
#define MAPI_E_NOT_INITIALIZED MAKE_MAPI_E(0x605)
#define MAPI_E_NON_STANDARD MAKE_MAPI_E(0x606)
#define MAPI_E_NO_RECIPIENTS MAKE_MAPI_E(0x607)
#define MAPI_E_SUBMITTED MAKE_MAPI_E(0x608)
#define MAPI_E_HAS_FOLDERS MAKE_MAPI_E(0x609)
#define MAPI_E_HAS_MESSAGES MAKE_MAPI_E(0x60A)
#define MAPI_E_FOLDER_CYCLE MAKE_MAPI_E(0x60B)
#define MAPI_E_AMBIGUOUS_RECIP MAKE_MAPI_E(0x700)

// ---- Flags ---------------------------------------------------------------------
#define MAPI_MODIFY 0x00000001
#define MAPI_ACCESS_MODIFY 0x00000001
#define MAPI_UNICODE 0x80000000
#define MAPI_DEFERRED_ERRORS 0x00000008
#define MAPI_ASSOCIATED 0x00000040
#define MAPI_BEST_ACCESS 0x00000010
#define MDB_NO_DIALOG 0x00000001
#define MDB_WRITE 0x00000004
#define MDB_TEMPORARY 0x00000020
#define MDB_NO_MAIL 0x00000080
#define KEEP_OPEN_READONLY 0x00000001
#define KEEP_OPEN_READWRITE 0x00000002
#define FORCE_SAVE 0x00000004
#define OPEN_IF_EXISTS 0x00000001
#define TBL_BATCH 0x00000002
#define TBL_NOWAIT 0x00000001
#define FOLDER_ROOT 0x00000000
#define FOLDER_GENERIC 1
#define FOLDER_SEARCH 2

#define MAPI_STORE 0x00000001
#define MAPI_ADDRBOOK 0x00000002
#define MAPI_FOLDER 0x00000003
#define MAPI_ABCONT 0x00000004
#define MAPI_MESSAGE 0x00000005

// ---- Property types and tags ---------------------------------------------------
#define PT_UNSPECIFIED 0x0000
#define PT_NULL 0x0001
#define PT_I2 0x0002
#define PT_LONG 0x0003
#define PT_R4 0x0004
#define PT_DOUBLE 0x0005
#define PT_CURRENCY 0x0006
#define PT_APPTIME 0x0007
#define PT_ERROR 0x000A
#define PT_BOOLEAN 0x000B
#define PT_OBJECT 0x000D
#define PT_I8 0x0014
#define PT_STRING8 0x001E
#define PT_UNICODE 0x001F
#define PT_SYSTIME 0x0040
#define PT_CLSID 0x0048
#define PT_BINARY 0x0102
#define MV_FLAG 0x1000
#define PT_MV_BINARY (MV_FLAG | PT_BINARY)

#define PROP_TYPE_MASK 0x0000FFFFu
#define PROP_TYPE(tag) (static_cast<ULONG>(tag) & PROP_TYPE_MASK)
#define PROP_ID(tag) (static_cast<ULONG>(tag) >> 16)
#define PROP_TAG(type, id) ((static_cast<ULONG>(id) << 16) | static_cast<ULONG>(type))
#define CHANGE_PROP_TYPE(tag, type) ((static_cast<ULONG>(0xFFFF0000u) & (tag)) | (type))
#define PROP_ID_NULL 0

#define PR_NULL PROP_TAG(PT_NULL, PROP_ID_NULL)
#define PR_MESSAGE_CLASS_A PROP_TAG(PT_STRING8, 0x001A)
#define PR_MESSAGE_CLASS PR_MESSAGE_CLASS_A
#define PR_SUBJECT_A PROP_TAG(PT_STRING8, 0x0037)
#define PR_SUBJECT PR_SUBJECT_A
#define PR_MESSAGE_FLAGS PROP_TAG(PT_LONG, 0x0E07)
#define PR_ENTRYID PROP_TAG(PT_BINARY, 0x0FFF)
#define PR_OBJECT_TYPE PROP_TAG(PT_LONG, 0x0FFE)
#define PR_RECORD_KEY PROP_TAG(PT_BINARY, 0x0FF9)
#define PR_INSTANCE_KEY PROP_TAG(PT_BINARY, 0x0FF6)
#define PR_DISPLAY_NAME_A PROP_TAG(PT_STRING8, 0x3001)
#define PR_DISPLAY_NAME PR_DISPLAY_NAME_A
#define PR_PARENT_ENTRYID PROP_TAG(PT_BINARY, 0x0E09)
#define PR_STORE_ENTRYID PROP_TAG(PT_BINARY, 0x0FFB)
#define PR_FOLDER_TYPE PROP_TAG(PT_LONG, 0x3601)
#define PR_CONTENT_COUNT PROP_TAG(PT_LONG, 0x3602)
#define PR_ASSOC_CONTENT_COUNT PROP_TAG(PT_LONG, 0x3617)
#define PR_SUBFOLDERS PROP_TAG(PT_BOOLEAN, 0x360A)
#define PR_DEFAULT_STORE PROP_TAG(PT_BOOLEAN, 0x3400)
#define PR_IPM_SUBTREE_ENTRYID PROP_TAG(PT_BINARY, 0x35E0)
#define PR_ORIGINAL_ENTRYID PROP_TAG(PT_BINARY, 0x3A12)

// ---- Structures ----------------------------------------------------------------
struct ENTRYID {
  BYTE abFlags[4];
  BYTE ab[MAPI_DIM];
};
using LPENTRYID = ENTRYID*;

struct MAPIUID {
  BYTE ab[16];
};
using LPMAPIUID = MAPIUID*;

using LPCIID = const IID*;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

union CY {
  struct {
    ULONG Lo;
    LONG Hi;
  } s;
  LONGLONG int64;
};
using CURRENCY = CY;

struct SBinary {
  ULONG cb;
  LPBYTE lpb;
};
using LPSBinary = SBinary*;

struct SShortArray {
  ULONG cValues;
  short* lpi;
};
struct SLongArray {
  ULONG cValues;
  LONG* lpl;
};
struct SRealArray {
  ULONG cValues;
  float* lpflt;
};
struct SDoubleArray {
  ULONG cValues;
  double* lpdbl;
};
struct SCurrencyArray {
  ULONG cValues;
  CURRENCY* lpcur;
};
struct SAppTimeArray {
  ULONG cValues;
  double* lpat;
};
struct SDateTimeArray {
  ULONG cValues;
  FILETIME* lpft;
};
struct SBinaryArray {
  ULONG cValues;
  SBinary* lpbin;
};
struct SLPSTRArray {
  ULONG cValues;
  LPSTR* lppszA;
};
struct SWStringArray {
  ULONG cValues;
  LPWSTR* lppszW;
};
struct SGuidArray {
  ULONG cValues;
  GUID* lpguid;
};
struct SLargeIntegerArray {
  ULONG cValues;
  LARGE_INTEGER* lpli;
};
using ENTRYLIST = SBinaryArray;
using LPENTRYLIST = ENTRYLIST*;

union _PV {
  short i;
  LONG l;
  ULONG ul;
  float flt;
  double dbl;
  unsigned short b;
  CURRENCY cur;
  double at;
  FILETIME ft;
  LPSTR lpszA;
  SBinary bin;
  LPWSTR lpszW;
  LPGUID lpguid;
  LARGE_INTEGER li;
  SShortArray MVi;
  SLongArray MVl;
  SRealArray MVflt;
  SDoubleArray MVdbl;
  SCurrencyArray MVcur;
  SAppTimeArray MVat;
  SDateTimeArray MVft;
  SBinaryArray MVbin;
  SLPSTRArray MVszA;
  SWStringArray MVszW;
  SGuidArray MVguid;
  SLargeIntegerArray MVli;
  SCODE err;
  LONG x;
};

struct SPropValue {
  ULONG ulPropTag;
  ULONG dwAlignPad;
  union _PV Value;
};
using LPSPropValue = SPropValue*;

struct SPropTagArray {
  ULONG cValues;
  ULONG aulPropTag[MAPI_DIM];
};
using LPSPropTagArray = SPropTagArray*;
#define CbNewSPropTagArray(c) (offsetof(SPropTagArray, aulPropTag) + (c) * sizeof(ULONG))
#define SizedSPropTagArray(c, name) \
  struct _SPropTagArray_##name {    \
    ULONG cValues;                  \
    ULONG aulPropTag[c];            \
  } name

struct SPropProblem {
  ULONG ulIndex;
  ULONG ulPropTag;
  SCODE scode;
};
using LPSPropProblem = SPropProblem*;

struct SPropProblemArray {
  ULONG cProblem;
  SPropProblem aProblem[MAPI_DIM];
};
using LPSPropProblemArray = SPropProblemArray*;
#define CbNewSPropProblemArray(c) (offsetof(SPropProblemArray, aProblem) + (c) * sizeof(SPropProblem))

struct SRow {
  ULONG ulAdrEntryPad;
  ULONG cValues;
  LPSPropValue lpProps;
};
using LPSRow = SRow*;

struct SRowSet {
  ULONG cRows;
  SRow aRow[MAPI_DIM];
};
using LPSRowSet = SRowSet*;
#define CbNewSRowSet(c) (offsetof(SRowSet, aRow) + (c) * sizeof(SRow))

struct ADRENTRY {
  ULONG ulReserved1;
  ULONG cValues;
  LPSPropValue rgPropVals;
};
struct ADRLIST {
  ULONG cEntries;
  ADRENTRY aEntries[MAPI_DIM];
};
using LPADRLIST = ADRLIST*;

struct SSortOrder {
  ULONG ulPropTag;
  ULONG ulOrder;
};
struct SSortOrderSet {
  ULONG cSorts;
  ULONG cCategories;
  ULONG cExpanded;
  SSortOrder aSort[MAPI_DIM];
};
using LPSSortOrderSet = SSortOrderSet*;

struct MAPIERROR {
  ULONG ulVersion;
  LPTSTR lpszError;
  LPTSTR lpszComponent;
  ULONG ulLowLevelError;
  ULONG ulContext;
};
using LPMAPIERROR = MAPIERROR*;
#define MAPI_ERROR_VERSION 0x00000000L

struct MAPINAMEID;
using LPMAPINAMEID = MAPINAMEID*;
struct NOTIFICATION;
using LPNOTIFICATION = NOTIFICATION*;

// Restrictions.
#define RES_AND 0x00000000
#define RES_OR 0x00000001
#define RES_NOT 0x00000002
#define RES_CONTENT 0x00000003
#define RES_PROPERTY 0x00000004
#define RES_COMPAREPROPS 0x00000005
#define RES_BITMASK 0x00000006
#define RES_SIZE 0x00000007
#define RES_EXIST 0x00000008
#define RES_SUBRESTRICTION 0x00000009
#define RES_COMMENT 0x0000000A

#define RELOP_LT 0
#define RELOP_LE 1
#define RELOP_GT 2
#define RELOP_GE 3
#define RELOP_EQ 4
#define RELOP_NE 5
#define RELOP_RE 6

struct SRestriction;
using LPSRestriction = SRestriction*;

struct SAndRestriction {
  ULONG cRes;
  LPSRestriction lpRes;
};
struct SOrRestriction {
  ULONG cRes;
  LPSRestriction lpRes;
};
struct SNotRestriction {
  ULONG ulReserved;
  LPSRestriction lpRes;
};
struct SContentRestriction {
  ULONG ulFuzzyLevel;
  ULONG ulPropTag;
  LPSPropValue lpProp;
};
struct SPropertyRestriction {
  ULONG relop;
  ULONG ulPropTag;
  LPSPropValue lpProp;
};
struct SComparePropsRestriction {
  ULONG relop;
  ULONG ulPropTag1;
  ULONG ulPropTag2;
};
struct SBitMaskRestriction {
  ULONG relBMR;
  ULONG ulPropTag;
  ULONG ulMask;
};
struct SSizeRestriction {
  ULONG relop;
  ULONG ulPropTag;
  ULONG cb;
};
struct SExistRestriction {
  ULONG ulReserved1;
  ULONG ulPropTag;
  ULONG ulReserved2;
};
struct SSubRestriction {
  ULONG ulSubObject;
  LPSRestriction lpRes;
};
struct SCommentRestriction {
  ULONG cValues;
  LPSRestriction lpRes;
  LPSPropValue lpProp;
};

struct SRestriction {
  ULONG rt;
  union {
    SComparePropsRestriction resCompareProps;
    SAndRestriction resAnd;
    SOrRestriction resOr;
    SNotRestriction resNot;
    SContentRestriction resContent;
    SPropertyRestriction resProperty;
    SBitMaskRestriction resBitMask;
    SSizeRestriction resSize;
    SExistRestriction resExist;
    SSubRestriction resSub;
    SCommentRestriction resComment;
  } res;
};

using BOOKMARK = ULONG;
#define BOOKMARK_BEGINNING static_cast<BOOKMARK>(0)
#define BOOKMARK_CURRENT static_cast<BOOKMARK>(1)
#define BOOKMARK_END static_cast<BOOKMARK>(2)

// ---- Interfaces ----------------------------------------------------------------
struct IMAPIAdviseSink;
using LPMAPIADVISESINK = IMAPIAdviseSink*;
struct IMAPIProgress;
using LPMAPIPROGRESS = IMAPIProgress*;
struct IAttach;
using LPATTACH = IAttach*;
struct IAddrBook;
using LPADRBOOK = IAddrBook*;
struct IProfSect;
using LPPROFSECT = IProfSect*;
struct IMsgServiceAdmin;
using LPSERVICEADMIN = IMsgServiceAdmin*;
struct IMessage;
using LPMESSAGE = IMessage*;
struct IMAPITable;
using LPMAPITABLE = IMAPITable*;
struct IMAPIFolder;
using LPMAPIFOLDER = IMAPIFolder*;
struct IMsgStore;
using LPMDB = IMsgStore*;

struct IMAPIProp : public IUnknown {
  MAPIMETHOD(GetLastError)(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) PURE;
  MAPIMETHOD(SaveChanges)(ULONG ulFlags) PURE;
  MAPIMETHOD(GetProps)
  (LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues, LPSPropValue* lppPropArray) PURE;
  MAPIMETHOD(GetPropList)(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) PURE;
  MAPIMETHOD(OpenProperty)
  (ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags, LPUNKNOWN* lppUnk) PURE;
  MAPIMETHOD(SetProps)(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) PURE;
  MAPIMETHOD(DeleteProps)(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) PURE;
  MAPIMETHOD(CopyTo)
  (ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps, ULONG ulUIParam,
   LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags,
   LPSPropProblemArray* lppProblems) PURE;
  MAPIMETHOD(CopyProps)
  (LPSPropTagArray lpIncludeProps, ULONG ulUIParam, LPMAPIPROGRESS lpProgress, LPCIID lpInterface,
   LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray* lppProblems) PURE;
  MAPIMETHOD(GetNamesFromIDs)
  (LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags, ULONG* lpcPropNames,
   LPMAPINAMEID** lpppPropNames) PURE;
  MAPIMETHOD(GetIDsFromNames)
  (ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags, LPSPropTagArray* lppPropTags) PURE;
};
using LPMAPIPROP = IMAPIProp*;

struct IMAPITable : public IUnknown {
  MAPIMETHOD(GetLastError)(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) PURE;
  MAPIMETHOD(Advise)(ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) PURE;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) PURE;
  MAPIMETHOD(GetStatus)(ULONG* lpulTableStatus, ULONG* lpulTableType) PURE;
  MAPIMETHOD(SetColumns)(LPSPropTagArray lpPropTagArray, ULONG ulFlags) PURE;
  MAPIMETHOD(QueryColumns)(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) PURE;
  MAPIMETHOD(GetRowCount)(ULONG ulFlags, ULONG* lpulCount) PURE;
  MAPIMETHOD(SeekRow)(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) PURE;
  MAPIMETHOD(SeekRowApprox)(ULONG ulNumerator, ULONG ulDenominator) PURE;
  MAPIMETHOD(QueryPosition)(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator) PURE;
  MAPIMETHOD(FindRow)(LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags) PURE;
  MAPIMETHOD(Restrict)(LPSRestriction lpRestriction, ULONG ulFlags) PURE;
  MAPIMETHOD(CreateBookmark)(BOOKMARK* lpbkPosition) PURE;
  MAPIMETHOD(FreeBookmark)(BOOKMARK bkPosition) PURE;
  MAPIMETHOD(SortTable)(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) PURE;
  MAPIMETHOD(QuerySortOrder)(LPSSortOrderSet* lppSortCriteria) PURE;
  MAPIMETHOD(QueryRows)(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) PURE;
  MAPIMETHOD(Abort)() PURE;
  MAPIMETHOD(ExpandRow)
  (ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulRowCount, ULONG ulFlags, LPSRowSet* lppRows,
   ULONG* lpulMoreRows) PURE;
  MAPIMETHOD(CollapseRow)(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulFlags, ULONG* lpulRowCount) PURE;
  MAPIMETHOD(WaitForCompletion)(ULONG ulFlags, ULONG ulTimeout, ULONG* lpulTableStatus) PURE;
  MAPIMETHOD(GetCollapseState)
  (ULONG ulFlags, ULONG cbInstanceKey, LPBYTE lpbInstanceKey, ULONG* lpcbCollapseState,
   LPBYTE* lppbCollapseState) PURE;
  MAPIMETHOD(SetCollapseState)
  (ULONG ulFlags, ULONG cbCollapseState, LPBYTE pbCollapseState, BOOKMARK* lpbkLocation) PURE;
};

struct IMAPIContainer : public IMAPIProp {
  MAPIMETHOD(GetContentsTable)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  MAPIMETHOD(GetHierarchyTable)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  MAPIMETHOD(OpenEntry)
  (ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
   LPUNKNOWN* lppUnk) PURE;
  MAPIMETHOD(SetSearchCriteria)
  (LPSRestriction lpRestriction, LPENTRYLIST lpContainerList, ULONG ulSearchFlags) PURE;
  MAPIMETHOD(GetSearchCriteria)
  (ULONG ulFlags, LPSRestriction* lppRestriction, LPENTRYLIST* lppContainerList, ULONG* lpulSearchState) PURE;
};
using LPMAPICONTAINER = IMAPIContainer*;

struct IMAPIFolder : public IMAPIContainer {
  MAPIMETHOD(CreateMessage)(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) PURE;
  MAPIMETHOD(CopyMessages)
  (LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
   ULONG ulFlags) PURE;
  MAPIMETHOD(DeleteMessages)
  (LPENTRYLIST lpMsgList, ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) PURE;
  MAPIMETHOD(CreateFolder)
  (ULONG ulFolderType, LPTSTR lpszFolderName, LPTSTR lpszFolderComment, LPCIID lpInterface, ULONG ulFlags,
   LPMAPIFOLDER* lppFolder) PURE;
  MAPIMETHOD(CopyFolder)
  (ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, LPVOID lpDestFolder, LPTSTR lpszNewFolderName,
   ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) PURE;
  MAPIMETHOD(DeleteFolder)
  (ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) PURE;
  MAPIMETHOD(SetReadFlags)
  (LPENTRYLIST lpMsgList, ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) PURE;
  MAPIMETHOD(GetMessageStatus)
  (ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags, ULONG* lpulMessageStatus) PURE;
  MAPIMETHOD(SetMessageStatus)
  (ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulNewStatus, ULONG ulNewStatusMask, ULONG* lpulOldStatus) PURE;
  MAPIMETHOD(SaveContentsSort)(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) PURE;
  MAPIMETHOD(EmptyFolder)(ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) PURE;
};

struct IMsgStore : public IMAPIProp {
  MAPIMETHOD(Advise)
  (ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
   ULONG* lpulConnection) PURE;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) PURE;
  MAPIMETHOD(CompareEntryIDs)
  (ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2, ULONG ulFlags,
   ULONG* lpulResult) PURE;
  MAPIMETHOD(OpenEntry)
  (ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
   LPUNKNOWN* lppUnk) PURE;
  MAPIMETHOD(SetReceiveFolder)
  (LPTSTR lpszMessageClass, ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) PURE;
  MAPIMETHOD(GetReceiveFolder)
  (LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID, LPENTRYID* lppEntryID,
   LPTSTR* lppszExplicitClass) PURE;
  MAPIMETHOD(GetReceiveFolderTable)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  MAPIMETHOD(StoreLogoff)(ULONG* lpulFlags) PURE;
  MAPIMETHOD(AbortSubmit)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags) PURE;
  MAPIMETHOD(GetOutgoingQueue)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  MAPIMETHOD(SetLockState)(LPMESSAGE lpMessage, ULONG ulLockState) PURE;
  MAPIMETHOD(FinishedMsg)(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) PURE;
  MAPIMETHOD(NotifyNewMail)(LPNOTIFICATION lpNotification) PURE;
};

struct IMessage : public IMAPIProp {
  MAPIMETHOD(GetAttachmentTable)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  MAPIMETHOD(OpenAttach)(ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags, LPATTACH* lppAttach) PURE;
  MAPIMETHOD(CreateAttach)
  (LPCIID lpInterface, ULONG ulFlags, ULONG* lpulAttachmentNum, LPATTACH* lppAttach) PURE;
  MAPIMETHOD(DeleteAttach)
  (ULONG ulAttachmentNum, ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) PURE;
  MAPIMETHOD(GetRecipientTable)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  MAPIMETHOD(ModifyRecipients)(ULONG ulFlags, LPADRLIST lpMods) PURE;
  MAPIMETHOD(SubmitMessage)(ULONG ulFlags) PURE;
  MAPIMETHOD(SetReadFlag)(ULONG ulFlags) PURE;
};

struct IMAPISession : public IUnknown {
  MAPIMETHOD(GetLastError)(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) PURE;
  MAPIMETHOD(GetMsgStoresTable)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  MAPIMETHOD(OpenMsgStore)
  (ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
   LPMDB* lppMDB) PURE;
  MAPIMETHOD(OpenAddressBook)
  (ULONG_PTR ulUIParam, LPCIID lpInterface, ULONG ulFlags, LPADRBOOK* lppAdrBook) PURE;
  MAPIMETHOD(OpenProfileSection)
  (LPMAPIUID lpUID, LPCIID lpInterface, ULONG ulFlags, LPPROFSECT* lppProfSect) PURE;
  MAPIMETHOD(GetStatusTable)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  MAPIMETHOD(OpenEntry)
  (ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
   LPUNKNOWN* lppUnk) PURE;
  MAPIMETHOD(CompareEntryIDs)
  (ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2, ULONG ulFlags,
   ULONG* lpulResult) PURE;
  MAPIMETHOD(Advise)
  (ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
   ULONG* lpulConnection) PURE;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) PURE;
  MAPIMETHOD(MessageOptions)
  (ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszAdrType, LPMESSAGE lpMessage) PURE;
  MAPIMETHOD(QueryDefaultMessageOpt)
  (LPTSTR lpszAdrType, ULONG ulFlags, ULONG* lpcValues, LPSPropValue* lppOptions) PURE;
  MAPIMETHOD(EnumAdrTypes)(ULONG ulFlags, ULONG* lpcAdrTypes, LPTSTR** lpppszAdrTypes) PURE;
  MAPIMETHOD(QueryIdentity)(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) PURE;
  MAPIMETHOD(Logoff)(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) PURE;
  MAPIMETHOD(SetDefaultStore)(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) PURE;
  MAPIMETHOD(AdminServices)(ULONG ulFlags, LPSERVICEADMIN* lppServiceAdmin) PURE;
  MAPIMETHOD(ShowForm)
  (ULONG_PTR ulUIParam, LPMDB lpMsgStore, LPMAPIFOLDER lpParentFolder, LPCIID lpInterface,
   ULONG ulMessageToken, LPMESSAGE lpMessageSent, ULONG ulFlags, ULONG ulMessageStatus, ULONG ulMessageFlags,
   ULONG ulAccess, LPSTR lpszMessageClass) PURE;
  MAPIMETHOD(PrepareForm)(LPCIID lpInterface, LPMESSAGE lpMessage, ULONG* lpulMessageToken) PURE;
};
using LPMAPISESSION = IMAPISession*;

// ---- MAPI32 library ------------------------------------------------------------
using ALLOCATEBUFFER = SCODE(ULONG cbSize, LPVOID* lppBuffer);
using ALLOCATEMORE = SCODE(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
using FREEBUFFER = ULONG(LPVOID lpBuffer);

extern "C" {
SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
ULONG MAPIFreeBuffer(LPVOID lpBuffer);
HRESULT HrQueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags, LPSRestriction lpRestriction,
                       LPSSortOrderSet lpSortOrderSet, LONG crowsMax, LPSRowSet* lppRows);
void FreeProws(LPSRowSet lpRows);
HRESULT HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp);
}
