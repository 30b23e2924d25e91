#include "diagnostics/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "mapi32/Diagnostics.h"
#include "testing/MapiErrorFakes.h"

namespace pellacorm {
namespace {

using testsupport::FakeMapiProp;
using testsupport::FakeMapiSession;
using testsupport::FakeMapiTable;
using testsupport::FakeMsgStore;

std::string Text(const char* text) {
  return text != nullptr ? text : "<null>";
}

TEST(ExceptionTest, ProgramExceptionAnswersWhatItWasGiven) {
  const ProgramException e("GetFolder:no store", nullptr, SEVERITY_ERROR, "StoreLookup", 10);
  EXPECT_STREQ(e.GetCategory(), "PROGRAM");
  EXPECT_EQ(e.GetHResult(), 0);
  EXPECT_EQ(e.GetSeverity(), SEVERITY_ERROR);
  EXPECT_EQ(e.GetLine(), 10);
  EXPECT_STREQ(e.GetFile(), "StoreLookup");
  EXPECT_STREQ(e.GetDescription(), "GetFolder:no store");
  EXPECT_EQ(e.GetDetails(), nullptr);
}

TEST(ExceptionTest, EmptyTextsAnswerNullLikeNullTexts) {
  const OutlookException e(E_FAIL, "", "", SEVERITY_WARNING, "", 0);
  EXPECT_EQ(e.GetDescription(), nullptr);
  EXPECT_EQ(e.GetDetails(), nullptr);
  EXPECT_EQ(e.GetFile(), nullptr);
  EXPECT_STREQ(e.GetCategory(), "OUTLOOK");
  EXPECT_EQ(e.GetHResult(), E_FAIL);
}

TEST(ExceptionTest, RururizEdudiviExceptionHasItsFixedFields) {
  const RururizEdudiviException e("lost");
  EXPECT_STREQ(e.GetCategory(), "RURURIZEDUDIVI");
  EXPECT_STREQ(e.GetFile(), "RururizEdudivi");
  EXPECT_EQ(e.GetSeverity(), SEVERITY_ERROR);
  EXPECT_EQ(e.GetLine(), 0);
  EXPECT_EQ(e.GetHResult(), 0);
  EXPECT_STREQ(e.GetDescription(), "lost");
}

TEST(ExceptionTest, ThrownCopyKeepsItsTextsAfterTheRaiseSiteIsGone) {
  try {
    std::string description = "OpenInbox:OpenEntry failed";
    const MAPIException raised(MAPI_E_NOT_FOUND, description.c_str(), "details", SEVERITY_ERROR,
                               ".\\ExchRuleExt", 77);
    description.assign(description.size(), 'x');  // the exception holds its own copy
    throw raised;
  } catch (const BaseException& caught) {
    EXPECT_STREQ(caught.GetCategory(), "MAPI");
    EXPECT_STREQ(caught.GetDescription(), "OpenInbox:OpenEntry failed");
    EXPECT_STREQ(caught.GetDetails(), "details");
    EXPECT_STREQ(caught.GetFile(), ".\\ExchRuleExt");
    EXPECT_EQ(caught.GetHResult(), MAPI_E_NOT_FOUND);
  }
}

// The reporter reads exceptions through the interface's table, in this slot order.
TEST(ExceptionTest, InterfaceSlotsAreInTheirOrder) {
  const MAPIException e(E_FAIL, "desc", "details", 3, "file", 42);
  const IException& base = e;
  void* const* table = *reinterpret_cast<void* const* const*>(&base);
  using TextSlot = const char* (*)(const IException*);
  using NumberSlot = LONG (*)(const IException*);
  EXPECT_STREQ(reinterpret_cast<TextSlot>(table[0])(&base), "MAPI");
  EXPECT_EQ(reinterpret_cast<NumberSlot>(table[1])(&base), 3);
  EXPECT_EQ(reinterpret_cast<NumberSlot>(table[2])(&base), 42);
  EXPECT_STREQ(reinterpret_cast<TextSlot>(table[3])(&base), "file");
  EXPECT_STREQ(reinterpret_cast<TextSlot>(table[4])(&base), "desc");
  EXPECT_STREQ(reinterpret_cast<TextSlot>(table[5])(&base), "details");
  EXPECT_EQ(reinterpret_cast<NumberSlot>(table[6])(&base), E_FAIL);
}

// ---- MAPI error text ------------------------------------------------------------

class MapiErrorTextTest : public ::testing::Test {
 protected:
  void SetUp() override { m_liveAtStart = Mapi32LiveBufferCount(); }
  void TearDown() override {
    EXPECT_EQ(Mapi32LiveBufferCount(), m_liveAtStart) << "an error record was not freed";
  }
  ULONG m_liveAtStart = 0;
};

struct ProblemList {
  ULONG cProblem;
  SPropProblem aProblem[2];
};

const ProblemList kTwoProblems = {
    2, {{0, PR_SUBJECT, MAPI_E_NOT_FOUND}, {2, PR_ORIGINAL_ENTRYID, MAPI_E_NO_ACCESS}}};
const ProblemList kNoProblems = {0, {}};

const SPropProblemArray* AsArray(const ProblemList& list) {
  return reinterpret_cast<const SPropProblemArray*>(&list);
}

struct DetailsCase {
  const char* name;
  std::function<void(testsupport::ErrorRecordSource&)> arrange;
  const SPropProblemArray* problems;
  const char* expected;  // null: no details
};

TEST_F(MapiErrorTextTest, PropertyObjectFormBuildsDetailsFromRecordAndProblems) {
  const auto record = [](testsupport::ErrorRecordSource&) {};
  const auto noRecord = [](testsupport::ErrorRecordSource& s) { s.failWith = MAPI_E_NO_SUPPORT; };
  const DetailsCase cases[] = {
      {"record only", record, nullptr, "MAPIError: (component: error text LowError=0 Context=0)"},
      {"record and two problems", record, AsArray(kTwoProblems),
       "MAPIError: (component: error text LowError=0 Context=0)\nPropProblemArray: "
       "\n\tNDX=0 PROPTAG=37001e SCODE=8004010f\n\tNDX=2 PROPTAG=3a120102 SCODE=80070005"},
      {"no record, two problems", noRecord, AsArray(kTwoProblems),
       "\nPropProblemArray: \n\tNDX=0 PROPTAG=37001e SCODE=8004010f\n\tNDX=2 PROPTAG=3a120102 "
       "SCODE=80070005"},
      {"record, empty problem array", record, AsArray(kNoProblems),
       "MAPIError: (component: error text LowError=0 Context=0)\nPropProblemArray: "},
      {"no record, no problems", noRecord, nullptr, nullptr},
      {"numbers in hex",
       [](testsupport::ErrorRecordSource& s) { s.lowLevelError = 5, s.context = 0x8004010F; }, nullptr,
       "MAPIError: (component: error text LowError=5 Context=8004010f)"},
      {"record with null texts",
       [](testsupport::ErrorRecordSource& s) { s.component = nullptr, s.error = nullptr; }, nullptr,
       "MAPIError: (:  LowError=0 Context=0)"},
  };
  for (const DetailsCase& c : cases) {
    FakeMapiProp folder;
    c.arrange(folder.source);
    const MAPIException e(MAPI_E_CALL_FAILED, &folder, "SetProps failed", c.problems, SEVERITY_ERROR, "f", 1);
    EXPECT_EQ(Text(e.GetDetails()), Text(c.expected)) << c.name;
    EXPECT_EQ(folder.source.calls, 1) << c.name;
    EXPECT_EQ(folder.source.askedResult, MAPI_E_CALL_FAILED) << c.name;
    EXPECT_EQ(folder.source.askedFlags, 0u) << c.name << ": the record's texts must be 8-bit";
  }
}

TEST_F(MapiErrorTextTest, EveryObjectFormAsksItsObject) {
  const char* const expected = "MAPIError: (store: no such folder LowError=ffffffff Context=3)";
  const auto arrange = [](testsupport::ErrorRecordSource& s) {
    s.component = "store", s.error = "no such folder", s.lowLevelError = 0xFFFFFFFF, s.context = 3;
  };
  FakeMapiTable table;
  FakeMapiSession session;
  FakeMsgStore store;
  arrange(table.source);
  arrange(session.source);
  arrange(store.source);
  EXPECT_EQ(Text(MAPIException(E_FAIL, &table, "d", SEVERITY_ERROR, "f", 1).GetDetails()), expected);
  EXPECT_EQ(Text(MAPIException(E_FAIL, &session, "d", SEVERITY_ERROR, "f", 1).GetDetails()), expected);
  EXPECT_EQ(Text(MAPIException(E_FAIL, &store, "d", SEVERITY_ERROR, "f", 1).GetDetails()), expected);
  EXPECT_EQ(table.references, 1u);
}

TEST_F(MapiErrorTextTest, NullObjectLeavesDetailsEmptyEvenWithProblems) {
  const MAPIException withProblems(E_FAIL, static_cast<IMAPIProp*>(nullptr), "d", AsArray(kTwoProblems),
                                   SEVERITY_ERROR, "f", 1);
  EXPECT_EQ(withProblems.GetDetails(), nullptr);
  const MAPIException noObject(E_FAIL, nullptr, "d", SEVERITY_ERROR, "f", 1);
  EXPECT_EQ(noObject.GetDetails(), nullptr);
  EXPECT_EQ(noObject.GetHResult(), E_FAIL);
}

TEST_F(MapiErrorTextTest, AppendMAPIErrorReplacesWithTheRecordAndAppendsProblems) {
  MAPIException e(E_FAIL, "d", "earlier", SEVERITY_ERROR, "f", 1);
  e.AppendMAPIError(nullptr, AsArray(kNoProblems));
  EXPECT_STREQ(e.GetDetails(), "earlier\nPropProblemArray: ");
  MAPIERROR record = {MAPI_ERROR_VERSION, const_cast<LPTSTR>("busy"), const_cast<LPTSTR>("provider"), 7, 0};
  e.AppendMAPIError(&record, nullptr);
  EXPECT_STREQ(e.GetDetails(), "MAPIError: (provider: busy LowError=7 Context=0)");
}

}  // namespace
}  // namespace pellacorm
