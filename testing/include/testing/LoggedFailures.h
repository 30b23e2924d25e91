// The failures the extension logs, as support and administrators know them: category,
// line number and description. The numbers are part of the log's format and must never
// change; this list is written out by hand, apart from the product's own table, so that
// a number changed there fails the tests. Header only: shared by the Linux suites and
// the Windows tests under Wine.
#pragma once

#include <string>

namespace testsupport {

struct LoggedFailure {
  const char* category;
  int line;
  const char* description;
};

namespace logged {

inline constexpr LoggedFailure kNoActiveSession{"PROGRAM", 269, "Unable to obtain active session"};
inline constexpr LoggedFailure kNoActiveDatastore{"PROGRAM", 276, "Unable to obtain active datastore"};
inline constexpr LoggedFailure kOpenMsgStore{"MAPI", 286, "OpenMsgStore failed"};
inline constexpr LoggedFailure kGetReceiveFolder{"MAPI", 321, "GetReceiveFolder failed"};
inline constexpr LoggedFailure kNoInbox{"PROGRAM", 173, "Couldn't get Inbox Folder"};
inline constexpr LoggedFailure kCreateMessage{"MAPI", 180, "CreateMessage failed"};
inline constexpr LoggedFailure kSetProps{"MAPI", 199, "Failed SetProps"};
inline constexpr LoggedFailure kSaveChanges{"MAPI", 205, "SaveChanges failed"};
inline constexpr LoggedFailure kStoresTable{"MAPI", 409, "GetDefaultDatastoreEID:GetMSgStoresTable failed"};
inline constexpr LoggedFailure kStoresRows{"MAPI", 428,
                                           "GetDefaultDatastoreEID:HrQueryAllRows failed on stores table"};
inline constexpr LoggedFailure kNoDefaultStore{"PROGRAM", 438,
                                               "GetDefaultDatastoreEID:Default store not found"};
inline constexpr LoggedFailure kSubtreeEntryId{"MAPI", 473,
                                               "InitAppFolder: couldn't get prop PR_IPM_SUBTREE_ENTRYID"};
inline constexpr LoggedFailure kOpenTopFolder{"MAPI", 485, "InitAppFolder: failed opening top folder"};
inline constexpr LoggedFailure kAppFolderEntryId{"MAPI", 519,
                                                 "InitAppFolder: couldn't get PR_ENTRYID of app folder"};
inline constexpr LoggedFailure kInvalidEntryId{"PROGRAM", 674, "GetFolder received invalid entry id"};
inline constexpr LoggedFailure kOpenFolder{"MAPI", 691, "Could not open folder"};
inline constexpr LoggedFailure kPathHierarchyTable{"MAPI", 575, "GetFolder: GetHierarchyTable failed"};
inline constexpr LoggedFailure kPathRows{"MAPI", 586, "GetFolder: HrQueryAllRows failed"};
inline constexpr LoggedFailure kPathOpenFolder{"MAPI", 612, "GetFolder: Unable to open folder"};
inline constexpr LoggedFailure kTopicsHierarchyTable{"MAPI", 755,
                                                     "GetTopicNames: getHierarchyTable appFolder failed"};
inline constexpr LoggedFailure kTopicsRows{"MAPI", 766, "GetTopicNames: HrQueryAllRows for appFolder failed"};
inline constexpr LoggedFailure kTopicsOpenEntry{"MAPI", 798, "GetTopicNames: OpenEntry failed"};

// Every one of them, in the order above.
inline constexpr LoggedFailure kAll[] = {
    kNoActiveSession, kNoActiveDatastore,  kOpenMsgStore,  kGetReceiveFolder, kNoInbox,
    kCreateMessage,   kSetProps,           kSaveChanges,   kStoresTable,      kStoresRows,
    kNoDefaultStore,  kSubtreeEntryId,     kOpenTopFolder, kAppFolderEntryId, kInvalidEntryId,
    kOpenFolder,      kPathHierarchyTable, kPathRows,      kPathOpenFolder,   kTopicsHierarchyTable,
    kTopicsRows,      kTopicsOpenEntry,
};

}  // namespace logged

// "ERROR: (<category>, .\ExchRuleExt, <line>) | <description>": an entry's header and
// description, as LogHeadlines gives them.
inline std::string ErrorHeadline(const LoggedFailure& failure) {
  return std::string("ERROR: (") + failure.category + ", .\\ExchRuleExt, " + std::to_string(failure.line) +
         ") | " + failure.description;
}

}  // namespace testsupport
