// Every MAPI call of binding, action execution and the topic listing, made to fail: the
// result the host sees, the log entries (two where a lookup and its caller both
// report), no request left in the Inbox, and nothing left live afterwards (checked by
// the fixture after QueryRelease and Release).
#include <gtest/gtest.h>

#include "memstore/Memstore.h"
#include "unit/extension/RuleExtTestSupport.h"

namespace ruleext {
namespace {

constexpr HRESULT kFault = MAPI_E_NO_ACCESS;  // 0x80070005

enum class Stage { Install, Command, Topics };

struct FaultCase {
  const char* name;
  Stage stage;
  const char* operation;
  const char* object;
  ULONG nth;
  HRESULT commandResult;  // for Stage::Command
  std::vector<std::string> entries;
};

// GoogleTest names a case by its name; without this it would print the struct's raw
// bytes, padding included, which memcheck rightly reports as uninitialised.
void PrintTo(const FaultCase& c, std::ostream* out) {
  *out << c.name;
}

std::string Entry(const char* category, int line, const char* description) {
  return std::string("ERROR: (") + category + ", .\\ExchRuleExt, " + std::to_string(line) + ") | " +
         description;
}

class FaultMatrixTest : public RuleExtTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultMatrixTest, FailureIsReportedAndContained) {
  const FaultCase& c = GetParam();
  m_topics.AddFolder("alpha/inner");
  m_topics.AddFolder("beta");
  SetBinary("AppDatastore", Bytes(m_archive.EntryId()));
  m_archive.AddFolder("Inbox/Pellacorm Topics/archived");

  auto fault = memstore::Fault(c.operation).On(c.object).AtCall(c.nth).Returning(kFault);
  if (c.stage == Stage::Install) {
    profile.Faults().Add(fault);
    Install();
  } else {
    SetBinary("AppDatastore", {});
    Install();
    profile.Faults().Add(fault);
  }

  if (c.stage != Stage::Topics) {
    const std::vector<BYTE> matched(20, 0x11);
    const HRESULT hr = Iface()->Command(m_callback, "017P+1T1006Budget", static_cast<ULONG>(matched.size()),
                                        reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(matched.data())));
    EXPECT_EQ(hr, c.commandResult);
  }
  if (c.stage == Stage::Command) {
    EXPECT_TRUE(m_inbox.AssociatedMessages().empty()) << "a failed request leaves nothing in the Inbox";
  }
  if (c.stage == Stage::Topics) {
    Ext().LoadTopicNames();
  }

  std::vector<std::string> headlines = LogHeadlines();
  EXPECT_EQ(headlines, c.entries);
  for (const LogEntry& entry : LogEntries()) {
    if (entry.header.find("(MAPI,") != std::string::npos) {
      EXPECT_NE(entry.details.find("HRESULT = 80070005\n"), std::string::npos) << entry.header;
      EXPECT_NE(entry.details.find("MAPIError: ("), std::string::npos)
          << "the failing object's own error text is logged: " << entry.details;
    }
  }
}

const FaultCase kFaultCases[] = {
    // Binding.
    {"StoresTable",
     Stage::Install,
     "GetMsgStoresTable",
     "session",
     1,
     S_OK,
     {Entry("MAPI", 409, "GetDefaultDatastoreEID:GetMSgStoresTable failed"),
      Entry("PROGRAM", 276, "Unable to obtain active datastore"),
      Entry("PROGRAM", 674, "GetFolder received invalid entry id"),
      Entry("PROGRAM", 173, "Couldn't get Inbox Folder")}},
    {"StoresTableRows",
     Stage::Install,
     "QueryRows",
     "session#stores",
     1,
     S_OK,
     {Entry("MAPI", 428, "GetDefaultDatastoreEID:HrQueryAllRows failed on stores table"),
      Entry("PROGRAM", 276, "Unable to obtain active datastore"),
      Entry("PROGRAM", 674, "GetFolder received invalid entry id"),
      Entry("PROGRAM", 173, "Couldn't get Inbox Folder")}},
    {"DefaultStore",
     Stage::Install,
     "OpenMsgStore",
     "session",
     1,
     S_OK,
     {Entry("MAPI", 286, "OpenMsgStore failed"), Entry("PROGRAM", 674, "GetFolder received invalid entry id"),
      Entry("PROGRAM", 173, "Couldn't get Inbox Folder")}},
    {"AppStoreFallsBackSilently", Stage::Install, "OpenMsgStore", "session", 2, S_OK, {}},
    {"ReceiveFolder",
     Stage::Install,
     "GetReceiveFolder",
     "Mailbox",
     1,
     S_OK,
     {Entry("MAPI", 321, "GetReceiveFolder failed"),
      Entry("PROGRAM", 674, "GetFolder received invalid entry id"),
      Entry("PROGRAM", 173, "Couldn't get Inbox Folder")}},
    // Action execution.
    {"OpenInbox",
     Stage::Command,
     "OpenEntry",
     "Mailbox",
     1,
     S_OK,
     {Entry("MAPI", 691, "Could not open folder"), Entry("PROGRAM", 173, "Couldn't get Inbox Folder")}},
    {"CreateMessage",
     Stage::Command,
     "CreateMessage",
     "Mailbox/Inbox",
     1,
     kFault,
     {Entry("MAPI", 180, "CreateMessage failed")}},
    {"SetProps",
     Stage::Command,
     "SetProps",
     "Mailbox/Inbox/*",
     1,
     kFault,
     {Entry("MAPI", 199, "Failed SetProps")}},
    {"SaveChanges",
     Stage::Command,
     "SaveChanges",
     "Mailbox/Inbox/*",
     1,
     kFault,
     {Entry("MAPI", 205, "SaveChanges failed")}},
    // The topics folder and its names.
    {"IpmSubtree",
     Stage::Topics,
     "GetProps",
     "Mailbox",
     1,
     S_OK,
     {Entry("MAPI", 473, "InitAppFolder: couldn't get prop PR_IPM_SUBTREE_ENTRYID")}},
    {"TopFolder",
     Stage::Topics,
     "OpenEntry",
     "Mailbox",
     1,
     S_OK,
     {Entry("MAPI", 485, "InitAppFolder: failed opening top folder")}},
    {"PathHierarchy",
     Stage::Topics,
     "GetHierarchyTable",
     "Mailbox/Top of Information Store",
     1,
     S_OK,
     {Entry("MAPI", 575, "GetFolder: GetHierarchyTable failed")}},
    {"PathRows",
     Stage::Topics,
     "QueryRows",
     "Mailbox/Top of Information Store#hierarchy",
     1,
     S_OK,
     {Entry("MAPI", 586, "GetFolder: HrQueryAllRows failed")}},
    {"PathOpen",
     Stage::Topics,
     "OpenEntry",
     "Mailbox/Top of Information Store",
     1,
     S_OK,
     {Entry("MAPI", 612, "GetFolder: Unable to open folder")}},
    {"TopicsFolderId",
     Stage::Topics,
     "GetProps",
     "Mailbox/Inbox/Pellacorm Topics",
     1,
     S_OK,
     {Entry("MAPI", 519, "InitAppFolder: couldn't get PR_ENTRYID of app folder")}},
    {"TopicsHierarchy",
     Stage::Topics,
     "GetHierarchyTable",
     "Mailbox/Inbox/Pellacorm Topics",
     1,
     S_OK,
     {Entry("MAPI", 755, "GetTopicNames: getHierarchyTable appFolder failed")}},
    {"TopicsRows",
     Stage::Topics,
     "QueryRows",
     "Mailbox/Inbox/Pellacorm Topics#hierarchy",
     1,
     S_OK,
     {Entry("MAPI", 766, "GetTopicNames: HrQueryAllRows for appFolder failed")}},
    {"TopicOpen",
     Stage::Topics,
     "OpenEntry",
     "Mailbox",
     3,
     S_OK,
     {Entry("MAPI", 798, "GetTopicNames: OpenEntry failed")}},
};

INSTANTIATE_TEST_SUITE_P(EveryCallSite, FaultMatrixTest, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace ruleext
