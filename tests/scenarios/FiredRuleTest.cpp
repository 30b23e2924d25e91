// One fired rule through Command: the hidden request it leaves in the Inbox, and what
// the arguments and stored command strings make of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memstore/Memstore.h"
#include "scenarios/ScenarioTest.h"
#include "testing/ActionRequest.h"
#include "testing/MatchedMessageId.h"

namespace scenario {
namespace {

using testsupport::MatchedMessageId;

using FiredRuleTest = ScenarioTest;

TEST_F(FiredRuleTest, AFiredRuleLeavesOneHiddenRequestInTheInbox) {
  Install();
  EXPECT_EQ(m_callback->calls, 1) << "Install asks the client for the session once";
  const std::vector<BYTE> matched = MatchedMessageId(70);
  ASSERT_EQ(Fire("017P+1T1006BudgetXYZ", matched), S_OK);

  const auto requests = m_inbox.AssociatedMessages();
  ASSERT_EQ(requests.size(), 1u);
  testsupport::ExpectActionRequest(requests[0].Props(), "017P+1T1006Budget", matched);
  EXPECT_TRUE(m_inbox.Messages().empty()) << "the request is hidden: not in the normal contents";
  EXPECT_EQ(LogText(), "") << "a fired rule on a healthy profile logs nothing";
}

TEST_F(FiredRuleTest, AfterQueryReleaseNothingIsWrittenAndTheMissingInboxIsReported) {
  Install();
  ASSERT_EQ(Iface()->QueryRelease(), S_OK);
  EXPECT_EQ(Fire("006P+0", MatchedMessageId(8)), S_OK);
  EXPECT_TRUE(m_inbox.AssociatedMessages().empty());
  EXPECT_EQ(LogHeadlines(), std::vector<std::string>{ErrorHeadline(logged::kNoInbox)});
}

TEST_F(FiredRuleTest, ArgumentsAndCommandStrings) {
  struct Case {
    const char* command;
    std::size_t idSize;
    bool nullId;
    HRESULT result;
    const char* subject;  // null: nothing written
  };
  const Case cases[] = {
      {nullptr, 16, false, E_INVALIDARG, nullptr},
      {"006P+0", 0, false, E_INVALIDARG, nullptr},
      {"006P+0", 16, true, E_INVALIDARG, nullptr},
      {"", 16, false, S_OK, nullptr},
      {"003", 16, false, S_OK, nullptr},
      {"garbage", 16, false, S_OK, nullptr},
      {"006P+0", 16, false, S_OK, "006P+0"},
      {"099P+1", 16, false, S_OK, "006P+1"},
      {"011T3003A/B", 1, false, S_OK, "011T3003A/B"},
      {"012P+2T0001X", 16, false, S_OK, "012P+2T0001X"},
  };
  Install();
  for (const Case& c : cases) {
    const std::size_t before = m_inbox.AssociatedMessages().size();
    const std::vector<BYTE> id = MatchedMessageId(c.idSize);
    const HRESULT hr =
        Iface()->Command(m_callback, c.command, static_cast<ULONG>(id.size()),
                         c.nullId ? nullptr : reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.data())));
    const std::string what = std::string(c.command == nullptr ? "(null)" : c.command) + " size " +
                             std::to_string(c.idSize) + (c.nullId ? " null id" : "");
    EXPECT_EQ(hr, c.result) << what;
    const auto requests = m_inbox.AssociatedMessages();
    if (c.subject == nullptr) {
      EXPECT_EQ(requests.size(), before) << what;
      continue;
    }
    ASSERT_EQ(requests.size(), before + 1) << what;
    EXPECT_EQ(requests.back().Props().Get(PR_SUBJECT_A)->AsString(), c.subject) << what;
    EXPECT_EQ(requests.back().Props().Get(PR_ORIGINAL_ENTRYID)->AsBinary(), id) << what;
  }
  EXPECT_EQ(LogText(), "");
}

}  // namespace
}  // namespace scenario
