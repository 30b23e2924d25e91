// Every MAPI call of binding, action execution and the topic listing, made to fail: the
// result the host sees, the log entries (two where a lookup and its caller both
// report) with the time, the failed call's result and the failing object's own error
// text, no request left in the Inbox, and nothing left live afterwards (checked by the
// fixture after QueryRelease and Release). Then every MAPI allocation of binding and of
// one fired rule, made to fail in turn.
#include <gtest/gtest.h>

#include "memstore/Memstore.h"
#include "scenarios/ScenarioTest.h"
#include "testing/ActionRequest.h"
#include "testing/MapiAllocator.h"
#include "testing/MatchedMessageId.h"

namespace scenario {
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

class FaultMatrixTest : public DialogScenarioTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultMatrixTest, FailureIsReportedAndContained) {
  const FaultCase& c = GetParam();
  m_topics.AddFolder("alpha/inner");
  m_topics.AddFolder("beta");
  const memstore::EntryIdBytes archive = m_archive.EntryId();
  SetBinary("AppDatastore", std::vector<BYTE>(archive.begin(), archive.end()));
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
    // The dialog opens whatever the topic list could be read; the user cancels it.
    user::PressEscape();
    EXPECT_EQ(Compose("017P+1T1006Budget").first, "017P+1T1006Budget");
  }

  EXPECT_EQ(LogHeadlines(), c.entries);
  for (const LogEntry& entry : LogEntries()) {
    EXPECT_TRUE(testsupport::IsLogTime(entry.time)) << "\"" << entry.time << "\" is not MM/DD/YY HH:MM:SS";
    if (entry.header.find("(MAPI,") != std::string::npos) {
      EXPECT_TRUE(entry.HasDetail("HRESULT = 80070005"))
          << entry.header << ": the failed call's result is logged";
      EXPECT_TRUE(entry.HasDetail("MAPIError: (")) << entry.header << ": the failing object's own error text";
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
     {ErrorHeadline(logged::kStoresTable), ErrorHeadline(logged::kNoActiveDatastore),
      ErrorHeadline(logged::kInvalidEntryId), ErrorHeadline(logged::kNoInbox)}},
    {"StoresTableRows",
     Stage::Install,
     "QueryRows",
     "session#stores",
     1,
     S_OK,
     {ErrorHeadline(logged::kStoresRows), ErrorHeadline(logged::kNoActiveDatastore),
      ErrorHeadline(logged::kInvalidEntryId), ErrorHeadline(logged::kNoInbox)}},
    {"DefaultStore",
     Stage::Install,
     "OpenMsgStore",
     "session",
     1,
     S_OK,
     {ErrorHeadline(logged::kOpenMsgStore), ErrorHeadline(logged::kInvalidEntryId),
      ErrorHeadline(logged::kNoInbox)}},
    {"AppStoreFallsBackSilently", Stage::Install, "OpenMsgStore", "session", 2, S_OK, {}},
    {"ReceiveFolder",
     Stage::Install,
     "GetReceiveFolder",
     "Mailbox",
     1,
     S_OK,
     {ErrorHeadline(logged::kGetReceiveFolder), ErrorHeadline(logged::kInvalidEntryId),
      ErrorHeadline(logged::kNoInbox)}},
    // Action execution.
    {"OpenInbox",
     Stage::Command,
     "OpenEntry",
     "Mailbox",
     1,
     S_OK,
     {ErrorHeadline(logged::kOpenFolder), ErrorHeadline(logged::kNoInbox)}},
    {"CreateMessage",
     Stage::Command,
     "CreateMessage",
     "Mailbox/Inbox",
     1,
     kFault,
     {ErrorHeadline(logged::kCreateMessage)}},
    {"SetProps",
     Stage::Command,
     "SetProps",
     "Mailbox/Inbox/*",
     1,
     kFault,
     {ErrorHeadline(logged::kSetProps)}},
    {"SaveChanges",
     Stage::Command,
     "SaveChanges",
     "Mailbox/Inbox/*",
     1,
     kFault,
     {ErrorHeadline(logged::kSaveChanges)}},
    // The topics folder and its names.
    {"IpmSubtree", Stage::Topics, "GetProps", "Mailbox", 1, S_OK, {ErrorHeadline(logged::kSubtreeEntryId)}},
    {"TopFolder", Stage::Topics, "OpenEntry", "Mailbox", 1, S_OK, {ErrorHeadline(logged::kOpenTopFolder)}},
    {"PathHierarchy",
     Stage::Topics,
     "GetHierarchyTable",
     "Mailbox/Top of Information Store",
     1,
     S_OK,
     {ErrorHeadline(logged::kPathHierarchyTable)}},
    {"PathRows",
     Stage::Topics,
     "QueryRows",
     "Mailbox/Top of Information Store#hierarchy",
     1,
     S_OK,
     {ErrorHeadline(logged::kPathRows)}},
    {"PathOpen",
     Stage::Topics,
     "OpenEntry",
     "Mailbox/Top of Information Store",
     1,
     S_OK,
     {ErrorHeadline(logged::kPathOpenFolder)}},
    {"TopicsFolderId",
     Stage::Topics,
     "GetProps",
     "Mailbox/Inbox/Pellacorm Topics",
     1,
     S_OK,
     {ErrorHeadline(logged::kAppFolderEntryId)}},
    {"TopicsHierarchy",
     Stage::Topics,
     "GetHierarchyTable",
     "Mailbox/Inbox/Pellacorm Topics",
     1,
     S_OK,
     {ErrorHeadline(logged::kTopicsHierarchyTable)}},
    {"TopicsRows",
     Stage::Topics,
     "QueryRows",
     "Mailbox/Inbox/Pellacorm Topics#hierarchy",
     1,
     S_OK,
     {ErrorHeadline(logged::kTopicsRows)}},
    {"TopicOpen", Stage::Topics, "OpenEntry", "Mailbox", 3, S_OK, {ErrorHeadline(logged::kTopicsOpenEntry)}},
};

INSTANTIATE_TEST_SUITE_P(EveryCallSite, FaultMatrixTest, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                           return std::string(info.param.name);
                         });

using AllocationFaultTest = ScenarioTest;

// Each MAPI allocation of binding, then of one fired rule, made to fail in turn (the
// injection of our mapi32): no crash, no request lost without a word in the log, a
// request written whole or not at all, and no buffer left live.
TEST_F(AllocationFaultTest, EveryAllocationFailureIsContained) {
  const std::vector<BYTE> matched = testsupport::MatchedMessageId(24);
  for (const bool duringInstall : {true, false}) {
    bool completed = false;
    int failedRuns = 0;
    for (ULONG nth = 1; nth <= 200 && !completed; ++nth) {
      SCOPED_TRACE(::testing::Message()
                   << (duringInstall ? "Install" : "Command") << ", allocation " << nth << " fails");
      DeleteLog();
      const ULONG buffersBefore = memstore::Ledger::LiveBuffers();
      const std::size_t requestsBefore = m_inbox.AssociatedMessages().size();
      if (duringInstall) {
        ASSERT_TRUE(testsupport::FailMapiAllocation(nth)) << "the loaded mapi32 is not ours";
        Install();
        testsupport::FailMapiAllocation(0);
      } else {
        Install();
        ASSERT_TRUE(testsupport::FailMapiAllocation(nth)) << "the loaded mapi32 is not ours";
      }
      const HRESULT hr = Fire("017P+1T1006Budget", matched);
      testsupport::FailMapiAllocation(0);
      const auto requests = m_inbox.AssociatedMessages();
      const bool written = requests.size() == requestsBefore + 1;
      ASSERT_TRUE(written || requests.size() == requestsBefore) << "at most one request per fired rule";
      if (written) {
        EXPECT_EQ(hr, S_OK);
        testsupport::ExpectActionRequest(requests.back().Props(), "017P+1T1006Budget", matched);
        completed = LogText().empty();
      } else {
        ++failedRuns;
        EXPECT_FALSE(LogText().empty()) << "a request lost without an entry in the log";
      }
      ReleaseExtension();
      EXPECT_EQ(memstore::Ledger::LiveBuffers(), buffersBefore) << "MAPI buffers left live";
    }
    EXPECT_TRUE(completed) << (duringInstall ? "Install" : "Command") << " never got past the failures";
    EXPECT_GT(failedRuns, 0) << "no injected failure reached " << (duringInstall ? "Install" : "Command");
  }
}

}  // namespace
}  // namespace scenario
