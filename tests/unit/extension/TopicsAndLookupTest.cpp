// The topics folder and its names, and the lookups they stand on.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <string>

#include "memstore/Memstore.h"
#include "unit/extension/RuleExtTestSupport.h"

namespace ruleext {
namespace {

using Access = pellacorm::CExchRuleExtTestAccess;
using pellacorm::CExchRuleExt;
using pellacorm::TopicList;

class TopicsTest : public RuleExtTest {};

TEST_F(TopicsTest, NamesArePathsBelowTheTopicsFolderSortedIgnoringCase) {
  m_topics.AddFolder("Beta");
  m_topics.AddFolder("alpha/Zed");
  Install();
  EXPECT_EQ(Ext().LoadTopicNames(), (TopicList{u"alpha", u"alpha/Zed", u"Beta"}));
  EXPECT_EQ(LogText(), "");
}

TEST_F(TopicsTest, CaseTwinsAreBothListedInTableOrder) {
  m_topics.AddChild("Budget");
  m_topics.AddChild("BUDGET");
  m_topics.AddChild("apple");
  Install();
  EXPECT_EQ(Ext().LoadTopicNames(), (TopicList{u"apple", u"Budget", u"BUDGET"}));
}

// The listing sorted as CompareTopicNames sorts whole names, stably, whatever the code
// page: the ANSI forms the sort uses are made part by part as the walk goes.
TEST_F(TopicsTest, TheOrderIsThatOfCompareTopicNamesInEitherCodePage) {
  for (const char* name : {"Budget", "budget-2", "Budget 2", "R\xE9sum\xE9", "resume", "\x82\xA0", "a\x81",
                           "\x95\x5C", "BUDGET"}) {
    auto folder = m_topics.AddChild(name);
    folder.AddChild("co-op").AddChild("Z");
    folder.AddChild("Coop");
    folder.AddChild(name);
  }
  Install();
  for (const UINT codePage : {1252u, 932u}) {
    const UINT previous = win32::SetAnsiCodePage(codePage);
    TopicList expected;
    ASSERT_EQ(Ext().GetTopicNames(Ext().GetAppFolder(false), expected, nullptr), S_OK);
    ASSERT_EQ(expected.size(), 45u);
    std::stable_sort(expected.begin(), expected.end(), CExchRuleExt::CompareTopicNames);
    EXPECT_EQ(Ext().LoadTopicNames(), expected) << "code page " << codePage;
    win32::SetAnsiCodePage(previous);
  }
  EXPECT_EQ(LogText(), "");
}

// Names whose sort keys outgrow the room first guessed for them (every 1252 letter that
// weighs as two, and apostrophes at places beyond one byte), and an empty name, sort as
// the rest do.
TEST_F(TopicsTest, LongKeysAndAnEmptyNameSortAsCompareTopicNames) {
  const std::string twoLetters(60, '\xE6');
  for (const std::string& name :
       {twoLetters, std::string(120, 'a'), std::string(60, 'A') + "E", std::string(),
        twoLetters + "'" + twoLetters, "ae'" + twoLetters, std::string("B")}) {
    m_topics.AddChild(name);
  }
  Install();
  TopicList expected;
  ASSERT_EQ(Ext().GetTopicNames(Ext().GetAppFolder(false), expected, nullptr), S_OK);
  ASSERT_EQ(expected.size(), 7u);
  std::stable_sort(expected.begin(), expected.end(), CExchRuleExt::CompareTopicNames);
  EXPECT_EQ(Ext().LoadTopicNames(), expected);
  EXPECT_EQ(Ext().LoadTopicNames().front(), u"");
}

TEST_F(TopicsTest, NamesGoBelowTheCallersPrefixEvenWhenTheListHoldsIt) {
  for (int i = 0; i < 20; ++i) {
    m_topics.AddFolder("t" + std::to_string(i) + "/inner");
  }
  Install();
  TopicList list{u"base"};
  // The list grows and moves its names while the walk still goes below list[0].
  ASSERT_EQ(Ext().GetTopicNames(Ext().GetAppFolder(false), list, &list[0]), S_OK);
  ASSERT_EQ(list.size(), 41u);
  EXPECT_EQ(list[1], u"base/t0");
  EXPECT_EQ(list[2], u"base/t0/inner");
  EXPECT_EQ(list[40], u"base/t19/inner");
}

TEST_F(TopicsTest, AnUnopenableSubfolderIsListedWithoutItsChildrenAndReportedOnce) {
  m_topics.AddFolder("alpha/inner");
  m_topics.AddFolder("beta/inner");
  m_topics.AddFolder("gamma");
  Install();
  ASSERT_EQ(Ext().LoadTopicNames().size(), 5u);  // the topics folder is found and remembered
  // The next listing opens the topics folder, then alpha, alpha/inner, beta: beta fails.
  profile.Faults().Add(memstore::Fault("OpenEntry").On("Mailbox").AtCall(4).Returning(MAPI_E_NO_ACCESS));
  EXPECT_EQ(Ext().LoadTopicNames(), (TopicList{u"alpha", u"alpha/inner", u"beta", u"gamma"}));
  EXPECT_EQ(LogHeadlines(), std::vector<std::string>{ErrorHeadline(logged::kTopicsOpenEntry)});
}

TEST_F(TopicsTest, ARowWithoutADisplayNameIsSkippedWithEverythingBelowIt) {
  auto unnamed = m_topics.AddUnnamedChild();
  unnamed.AddChild("hidden");
  m_topics.AddChild("shown");
  Install();
  EXPECT_EQ(Ext().LoadTopicNames(), TopicList{u"shown"});
}

TEST_F(TopicsTest, TheFolderFoundOnceIsFollowedWhenRenamedOrMovedAndGoneWhenDeleted) {
  m_topics.AddChild("Budget");
  Install();
  ASSERT_EQ(Ext().LoadTopicNames(), TopicList{u"Budget"});

  m_topics.Rename("Old Topics");
  EXPECT_EQ(Ext().LoadTopicNames(), TopicList{u"Budget"});
  m_topics.MoveTo(m_mailbox.IpmSubtree());
  EXPECT_EQ(Ext().LoadTopicNames(), TopicList{u"Budget"});
  EXPECT_EQ(LogText(), "");

  m_topics.Delete();
  EXPECT_TRUE(Ext().LoadTopicNames().empty());
  EXPECT_TRUE(Ext().LoadTopicNames().empty());
  EXPECT_EQ(LogHeadlines(), (std::vector<std::string>{
                                ErrorHeadline(logged::kOpenFolder),
                                ErrorHeadline(logged::kOpenFolder),
                            }));
}

TEST_F(TopicsTest, AMissingTopicsFolderIsNotCreatedAndIsFoundOnceItExists) {
  m_topics.Delete();
  Install();
  EXPECT_TRUE(Ext().LoadTopicNames().empty());
  EXPECT_TRUE(Access::TopicFolderEid(Ext()).IsEmpty());
  EXPECT_FALSE(m_mailbox.FindFolder("Inbox/Pellacorm Topics").has_value()) << "nothing is created";
  EXPECT_EQ(LogText(), "") << "a missing folder is no failure";

  m_mailbox.AddFolder("Inbox/Pellacorm Topics/Later");
  EXPECT_EQ(Ext().LoadTopicNames(), TopicList{u"Later"});
}

TEST_F(TopicsTest, AnInboxShownUnderAnotherNameHoldsNoTopics) {
  m_inbox.Rename("Posteingang");
  Install();
  EXPECT_TRUE(Ext().LoadTopicNames().empty());
}

TEST_F(TopicsTest, ADeepTreeIsListedOnASmallStack) {
  // A listing whose depth followed the tree's would need far more than this stack.
  constexpr int kDepth = 800;
  constexpr std::size_t kStackBytes = 128 * 1024;
  auto folder = m_topics;
  pellacorm::TopicName deepest;
  for (int level = 0; level < kDepth; ++level) {
    folder = folder.AddChild("d");
    deepest += level == 0 ? u"d" : u"/d";
  }
  Install();
  struct Job {
    CExchRuleExt* ext;
    TopicList names;
  } job{&Ext(), {}};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, kStackBytes);
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attributes,
                [](void* arg) -> void* {
                  auto* j = static_cast<Job*>(arg);
                  j->names = j->ext->LoadTopicNames();
                  return nullptr;
                },
                &job),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  ASSERT_EQ(job.names.size(), static_cast<std::size_t>(kDepth));
  EXPECT_EQ(job.names.front(), u"d");
  EXPECT_EQ(job.names.back(), deepest);
}

TEST_F(TopicsTest, WithoutABoundStoreThereAreNoTopics) {
  Install(MAPI_E_LOGON_FAILED);
  const std::string before = LogText();
  EXPECT_TRUE(Ext().LoadTopicNames().empty());
  EXPECT_EQ(LogText(), before);
}

class LookupTest : public RuleExtTest {
 protected:
  std::string FolderNameOf(const char* path) {
    auto store = OpenStore(m_session.Get(), m_mailbox);
    auto top = OpenFolder(store.Get(), m_mailbox.IpmSubtree());
    auto found = CExchRuleExt::GetFolder(top, path);
    if (!found) {
      return "(none)";
    }
    LPSPropValue value = nullptr;
    EXPECT_EQ(HrGetOneProp(found.Get(), PR_DISPLAY_NAME_A, &value), S_OK);
    std::string name = value->Value.lpszA;
    MAPIFreeBuffer(value);
    return name;
  }
};

TEST_F(LookupTest, FolderByPath) {
  m_inbox.AddChild("Inbox ");  // a name that ends in a blank, below the Inbox
  m_mailbox.AddFolder("Twins/case");
  m_mailbox.Folder("Twins").AddChild("CASE");
  struct Case {
    const char* path;
    const char* found;
  };
  const Case cases[] = {
      {"inbox", "Inbox"},
      {" /Inbox/", "Inbox"},
      {"Inbox//Pellacorm Topics", "Pellacorm Topics"},
      {"Inbox\\Pellacorm Topics", "Pellacorm Topics"},
      {"Inbox /Pellacorm Topics", "(none)"},
      {"Inbox/Inbox /", "(none)"},  // blanks at the end of the whole path are ignored
      {"Twins/CASE", "case"},
      {"Nowhere/Inbox", "(none)"},
      {"", "(none)"},
      {" / \\ ", "(none)"},
  };
  Install();
  for (const Case& c : cases) {
    EXPECT_EQ(FolderNameOf(c.path), c.found) << "path \"" << c.path << "\"";
  }
  EXPECT_EQ(LogText(), "") << "a missing component is no failure";
}

TEST_F(LookupTest, NoDefaultStoreIsReportedAndLeavesTheObjectUnbound) {
  m_mailbox.SetDefault(false);
  Install();
  EXPECT_TRUE(Access::DefaultStoreEid(Ext()).IsEmpty());
  EXPECT_EQ(LogHeadlines(), (std::vector<std::string>{
                                ErrorHeadline(logged::kNoDefaultStore),
                                ErrorHeadline(logged::kNoActiveDatastore),
                            }));
}

TEST_F(LookupTest, TheDefaultStoreIsTheFirstRowThatClaimsIt) {
  struct Case {
    const char* what;
    bool mailboxDefault;
    bool archiveDefault;
    const memstore::StoreRef* found;  // null: none, and the lookup reports it
  };
  const Case cases[] = {
      {"one default store", true, false, &m_mailbox},
      {"several: the first row wins", true, true, &m_mailbox},
      {"only the second store", false, true, &m_archive},
      {"none", false, false, nullptr},
  };
  Install();  // the reporter writes to the test's log from here on
  for (const Case& c : cases) {
    m_mailbox.SetDefault(c.mailboxDefault);
    m_archive.SetDefault(c.archiveDefault);
    const std::string before = LogText();
    const std::size_t entriesBefore = LogHeadlines().size();
    const pellacorm::EntryID found = CExchRuleExt::GetDefaultDatastoreEID(m_session.Get());
    if (c.found != nullptr) {
      EXPECT_EQ(Bytes(found), Bytes(c.found->EntryId())) << c.what;
      EXPECT_EQ(LogText(), before) << c.what;
    } else {
      EXPECT_TRUE(found.IsEmpty()) << c.what;
      ASSERT_EQ(LogHeadlines().size(), entriesBefore + 1) << c.what << ": one entry";
      EXPECT_EQ(LogHeadlines().back(), ErrorHeadline(logged::kNoDefaultStore)) << c.what;
    }
  }
  EXPECT_TRUE(CExchRuleExt::GetDefaultDatastoreEID(nullptr).IsEmpty()) << "without a session";
}

TEST_F(LookupTest, AnEmptyEntryIdentifierIsReportedWithoutCallingTheStore) {
  Install();
  auto store = OpenStore(m_session.Get(), m_mailbox);
  const auto mark = memstore::Ledger::Now();
  EXPECT_FALSE(CExchRuleExt::GetFolder(store, pellacorm::EntryID(), true));
  EXPECT_EQ(LogHeadlines(), std::vector<std::string>{ErrorHeadline(logged::kInvalidEntryId)});
  EXPECT_EQ(memstore::Ledger::ReportSince(mark), "");
}

}  // namespace
}  // namespace ruleext
