// Every place where the extension raises a failure, as its log names it: the source
// file text, the line number and the description of the entry's header and first line.
// Support notes and administrators' scripts match log entries by ".\ExchRuleExt, 409",
// so the numbers are constants of the log format, not __LINE__: they stay what they are
// whatever moves in the code. Every throw names its entry here.
#pragma once

#include "config/Platform.h"

namespace pellacorm {

struct RaiseSite {
  const char* file;
  LONG line;
  const char* description;
};

// The source file text every entry of the extension names.
inline constexpr const char* kSourceFile = ".\\ExchRuleExt";

namespace raise {

// Binding to the host.
inline constexpr RaiseSite kNoActiveSession{kSourceFile, 269, "Unable to obtain active session"};
inline constexpr RaiseSite kNoActiveDatastore{kSourceFile, 276, "Unable to obtain active datastore"};
inline constexpr RaiseSite kOpenMsgStore{kSourceFile, 286, "OpenMsgStore failed"};
inline constexpr RaiseSite kGetReceiveFolder{kSourceFile, 321, "GetReceiveFolder failed"};
// Posting the action request.
inline constexpr RaiseSite kNoInbox{kSourceFile, 173, "Couldn't get Inbox Folder"};
inline constexpr RaiseSite kCreateMessage{kSourceFile, 180, "CreateMessage failed"};
inline constexpr RaiseSite kSetProps{kSourceFile, 199, "Failed SetProps"};
inline constexpr RaiseSite kSaveChanges{kSourceFile, 205, "SaveChanges failed"};
// Finding the default store.
inline constexpr RaiseSite kStoresTable{kSourceFile, 409, "GetDefaultDatastoreEID:GetMSgStoresTable failed"};
inline constexpr RaiseSite kStoresRows{kSourceFile, 428,
                                       "GetDefaultDatastoreEID:HrQueryAllRows failed on stores table"};
inline constexpr RaiseSite kNoDefaultStore{kSourceFile, 438,
                                           "GetDefaultDatastoreEID:Default store not found"};
// The topics folder.
inline constexpr RaiseSite kSubtreeEntryId{kSourceFile, 473,
                                           "InitAppFolder: couldn't get prop PR_IPM_SUBTREE_ENTRYID"};
inline constexpr RaiseSite kOpenTopFolder{kSourceFile, 485, "InitAppFolder: failed opening top folder"};
inline constexpr RaiseSite kAppFolderEntryId{kSourceFile, 519,
                                             "InitAppFolder: couldn't get PR_ENTRYID of app folder"};
// Opening folders by entry identifier and by path.
inline constexpr RaiseSite kInvalidEntryId{kSourceFile, 674, "GetFolder received invalid entry id"};
inline constexpr RaiseSite kOpenFolder{kSourceFile, 691, "Could not open folder"};
inline constexpr RaiseSite kPathHierarchyTable{kSourceFile, 575, "GetFolder: GetHierarchyTable failed"};
inline constexpr RaiseSite kPathRows{kSourceFile, 586, "GetFolder: HrQueryAllRows failed"};
inline constexpr RaiseSite kPathOpenFolder{kSourceFile, 612, "GetFolder: Unable to open folder"};
// Listing the topics.
inline constexpr RaiseSite kTopicsHierarchyTable{kSourceFile, 755,
                                                 "GetTopicNames: getHierarchyTable appFolder failed"};
inline constexpr RaiseSite kTopicsRows{kSourceFile, 766,
                                       "GetTopicNames: HrQueryAllRows for appFolder failed"};
inline constexpr RaiseSite kTopicsOpenEntry{kSourceFile, 798, "GetTopicNames: OpenEntry failed"};

// The whole table, in the order above.
inline constexpr const RaiseSite* kAll[] = {
    &kNoActiveSession, &kNoActiveDatastore,  &kOpenMsgStore,  &kGetReceiveFolder, &kNoInbox,
    &kCreateMessage,   &kSetProps,           &kSaveChanges,   &kStoresTable,      &kStoresRows,
    &kNoDefaultStore,  &kSubtreeEntryId,     &kOpenTopFolder, &kAppFolderEntryId, &kInvalidEntryId,
    &kOpenFolder,      &kPathHierarchyTable, &kPathRows,      &kPathOpenFolder,   &kTopicsHierarchyTable,
    &kTopicsRows,      &kTopicsOpenEntry,
};

}  // namespace raise
}  // namespace pellacorm
