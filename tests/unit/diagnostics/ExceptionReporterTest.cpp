#include "diagnostics/ExceptionReporter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "diagnostics/Exceptions.h"
#include "testing/MapiErrorFakes.h"
#include "testing/RegistryHelper.h"
#include "testing/TempFiles.h"

namespace pellacorm {
namespace {

using testsupport::kSettingsKey;

// 6 December 2026, 21:10:45 local time.
std::time_t FixedTime() {
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 11;
  when.tm_mday = 6;
  when.tm_hour = 21;
  when.tm_min = 10;
  when.tm_sec = 45;
  when.tm_isdst = -1;
  return std::mktime(&when);
}

class ExceptionReporterTest : public ::testing::Test {
 protected:
  std::string Log() const { return testsupport::ReadWindowsFile(m_reporter.LogPath().c_str()); }
  // A reporter set up from the registry as the library's start-up does it.
  static ExceptionReporter& Loaded(ExceptionReporter& reporter) {
    reporter.LoadSettings();
    return reporter;
  }

  testsupport::TempRegistry m_registry;
  testsupport::TempDrives m_drives;
  ExceptionReporter m_reporter;
};

// ---- The entry, byte for byte ---------------------------------------------------

TEST_F(ExceptionReporterTest, FailedMapiCallIsLoggedAsSixCrLfLines) {
  testsupport::FakeMapiTable table;
  const MAPIException e(E_FAIL, &table, "GetDefaultDatastoreEID:GetMSgStoresTable failed", SEVERITY_ERROR,
                        ".\\ExchRuleExt", 409);
  m_reporter.Report(e, FixedTime());
  EXPECT_EQ(Log(),
            "12/06/26 21:10:45\r\n"
            "ERROR: (MAPI, .\\ExchRuleExt, 409)\r\n"
            "GetDefaultDatastoreEID:GetMSgStoresTable failed\r\n"
            "MAPIError: (component: error text LowError=0 Context=0)\r\n"
            "HRESULT = 80004005\r\n"
            "\r\n");
}

TEST_F(ExceptionReporterTest, ProgramExceptionHasNoDetailsAndNoResultLine) {
  m_reporter.Report(ProgramException("BindToHost:no default store", nullptr, 2, ".\\ExchRuleExt", 438),
                    FixedTime());
  m_reporter.Report(ProgramException("BindToHost:no default store", nullptr, 2, ".\\ExchRuleExt", 438),
                    FixedTime());
  const std::string entry =
      "12/06/26 21:10:45\r\n"
      "ERROR: (PROGRAM, .\\ExchRuleExt, 438)\r\n"
      "BindToHost:no default store\r\n"
      "\r\n";
  EXPECT_EQ(Log(), entry + entry) << "repeated entries are written whole, never merged";
}

TEST_F(ExceptionReporterTest, EachEntryHasItsOwnTime) {
  // The text of a second is kept for the entries that follow in it; an entry of
  // another second, later or earlier, gets its own.
  const ProgramException e("d", nullptr, SEVERITY_ERROR, "f", 1);
  const std::time_t times[] = {FixedTime(), FixedTime(), FixedTime() + 1, FixedTime() - 86400, FixedTime()};
  for (const std::time_t when : times) {
    m_reporter.Report(e, when);
  }
  const std::string rest = "ERROR: (PROGRAM, f, 1)\r\nd\r\n\r\n";
  EXPECT_EQ(Log(), "12/06/26 21:10:45\r\n" + rest + "12/06/26 21:10:45\r\n" + rest + "12/06/26 21:10:46\r\n" +
                       rest + "12/05/26 21:10:45\r\n" + rest + "12/06/26 21:10:45\r\n" + rest);
}

TEST_F(ExceptionReporterTest, DetailsWithLineFeedsAreWrittenUnchanged) {
  const MAPIException e(MAPI_E_NOT_FOUND, nullptr, "a\nb", SEVERITY_SEVERE_ERROR, nullptr, 0);
  m_reporter.Report(e, FixedTime());
  EXPECT_EQ(Log(),
            "12/06/26 21:10:45\r\n"
            "SEVERE_ERROR: (MAPI, file not specified, line # not specified)\r\n"
            "a\r\nb\r\n"
            "HRESULT = 8004010f\r\n"
            "\r\n");
}

TEST(ExceptionReporterHeaderTest, LabelsFileAndLine) {
  struct Case {
    LONG severity;
    LONG line;
    const char* file;
    const char* header;
  } const cases[] = {
      {0, 1, "a.cpp", "INFO: (PROGRAM, a.cpp, 1)\n"},
      {1, 1, "a.cpp", "WARNING: (PROGRAM, a.cpp, 1)\n"},
      {2, 1, "a.cpp", "ERROR: (PROGRAM, a.cpp, 1)\n"},
      {3, 1, "a.cpp", "SEVERE_ERROR: (PROGRAM, a.cpp, 1)\n"},
      {7, 1, "a.cpp", "ERROR: (PROGRAM, a.cpp, 1)\n"},
      {-1, 1, "a.cpp", "ERROR: (PROGRAM, a.cpp, 1)\n"},
      {2, 0, nullptr, "ERROR: (PROGRAM, file not specified, line # not specified)\n"},
      {2, -5, "", "ERROR: (PROGRAM, file not specified, -5)\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExceptionReporter::BuildHeader(ProgramException("d", nullptr, c.severity, c.file, c.line)),
              c.header);
  }
}

TEST(ExceptionReporterHeaderTest, ResultLineOnlyForNonZeroResults) {
  const std::time_t now = FixedTime();
  EXPECT_EQ(ExceptionReporter::BuildEntry(OutlookException(0, nullptr, nullptr, 2, "f", 1), now),
            "12/06/26 21:10:45\nERROR: (OUTLOOK, f, 1)\n\n");
  EXPECT_EQ(ExceptionReporter::BuildEntry(OutlookException(1, nullptr, nullptr, 2, "f", 1), now),
            "12/06/26 21:10:45\nERROR: (OUTLOOK, f, 1)\nHRESULT = 1\n\n");
}

TEST(ExceptionReporterHeaderTest, FormatTimeGivesNothingWithoutAFormat) {
  EXPECT_EQ(ExceptionReporter::FormatTime(FixedTime(), "%c"), "12/06/26 21:10:45");
  EXPECT_EQ(ExceptionReporter::FormatTime(FixedTime(), nullptr), "");
  EXPECT_EQ(ExceptionReporter::FormatTime(FixedTime(), ""), "");
}

// ---- Settings -------------------------------------------------------------------

TEST_F(ExceptionReporterTest, StoredThresholdsMapOntoSeverities) {
  const LONG expected[] = {0, 1, 2, 2, 3, 2, 2, 2, 2, 2};
  for (DWORD stored = 0; stored < 10; ++stored) {
    testsupport::SetRegDword(kSettingsKey, "ExceptionLogThreshold", stored);
    testsupport::SetRegDword(kSettingsKey, "ExceptionNotifyThreshold", stored);
    ExceptionReporter reporter;
    Loaded(reporter);
    EXPECT_EQ(reporter.LogThreshold(), expected[stored]) << "stored " << stored;
    EXPECT_EQ(reporter.NotifyThreshold(), expected[stored]) << "stored " << stored;
  }
  EXPECT_EQ(ExceptionReporter::SeverityFromStored(0xFFFFFFFF), SEVERITY_ERROR);
}

TEST_F(ExceptionReporterTest, ThresholdsOfAnotherTypeOrSizeAreIgnored) {
  const BYTE four[] = {0, 0, 0, 0};
  const BYTE eight[] = {0, 0, 0, 0, 0, 0, 0, 0};
  struct Case {
    const char* name;
    const BYTE* data;
    DWORD type;
    DWORD size;
  } const cases[] = {
      {"text", reinterpret_cast<const BYTE*>("0"), REG_SZ, 2},
      {"big-endian number", four, REG_DWORD_BIG_ENDIAN, 4},
      {"binary", four, REG_BINARY, 4},
      {"eight bytes", eight, REG_DWORD, 8},
      {"two bytes", four, REG_DWORD, 2},
  };
  for (const Case& c : cases) {
    testsupport::SetRegValue(kSettingsKey, "ExceptionLogThreshold", c.type, c.data, c.size);
    testsupport::SetRegValue(kSettingsKey, "ExceptionNotifyThreshold", c.type, c.data, c.size);
    ExceptionReporter reporter;
    Loaded(reporter);
    EXPECT_EQ(reporter.LogThreshold(), SEVERITY_WARNING) << c.name;
    EXPECT_EQ(reporter.NotifyThreshold(), SEVERITY_ERROR) << c.name;
  }
}

TEST_F(ExceptionReporterTest, HomeDirDecidesTheLogPath) {
  const std::string longHome = "C:\\" + std::string(297, 'h');
  struct Case {
    const char* name;
    DWORD type;
    std::string text;
    std::string logPath;
  } const cases[] = {
      {"plain", REG_SZ, "D:\\Pellacorm", "D:\\Pellacorm/Logs/Pellacorm.log"},
      {"empty", REG_SZ, "", "/Logs/Pellacorm.log"},
      {"300 characters", REG_SZ, longHome, longHome + "/Logs/Pellacorm.log"},
      {"trailing backslash", REG_SZ, "D:\\Home\\", "D:\\Home\\/Logs/Pellacorm.log"},
      {"expandable text", REG_EXPAND_SZ, "%HOME%", "C:/Pellacorm.log"},
  };
  for (const Case& c : cases) {
    testsupport::SetRegString(kSettingsKey, "HomeDir", c.text, c.type);
    ExceptionReporter reporter;
    reporter.SetHomeDir("E:\\earlier");  // the set-up starts again from the initial path
    EXPECT_EQ(Loaded(reporter).LogPath(), c.logPath) << c.name;
  }
}

TEST_F(ExceptionReporterTest, MissingKeyKeepsEveryInitialValue) {
  Loaded(m_reporter);
  EXPECT_EQ(m_reporter.LogPath(), "C:/Pellacorm.log");
  EXPECT_EQ(m_reporter.LogThreshold(), SEVERITY_WARNING);
  EXPECT_EQ(m_reporter.NotifyThreshold(), SEVERITY_ERROR);
  m_reporter.SetHomeDir(nullptr);
  EXPECT_EQ(m_reporter.LogPath(), "/Logs/Pellacorm.log");
}

// ---- Which severities are handled ---------------------------------------------

TEST_F(ExceptionReporterTest, LogThresholdDecidesWhatIsWritten) {
  struct Case {
    int stored;  // -1: no value
    LONG severity;
    bool written;
  } const cases[] = {
      {-1, 0, false}, {-1, 1, true}, {-1, 2, true}, {4, 2, false},  {4, 3, true},
      {3, 1, false},  {3, 2, true},  {0, 0, true},  {0, -1, false},
  };
  for (const Case& c : cases) {
    testsupport::TempRegistry registry;
    if (c.stored >= 0) {
      testsupport::SetRegDword(kSettingsKey, "ExceptionLogThreshold", static_cast<DWORD>(c.stored));
    }
    ExceptionReporter reporter;
    Loaded(reporter).Report(ProgramException("d", nullptr, c.severity, "f", 1), FixedTime());
    const std::string log = testsupport::ReadWindowsFile("C:/Pellacorm.log");
    EXPECT_EQ(!log.empty(), c.written) << "stored " << c.stored << ", severity " << c.severity;
    std::remove(win32::HostPath("C:/Pellacorm.log").c_str());
  }
}

TEST_F(ExceptionReporterTest, NotificationStepCountsRepeatsAndWritesNothingOfItsOwn) {
  testsupport::SetRegDword(kSettingsKey, "ExceptionLogThreshold", 4);  // log only severity 3
  Loaded(m_reporter);
  const ProgramException first("d", nullptr, SEVERITY_ERROR, "f", 1);
  const ProgramException other("d", nullptr, SEVERITY_ERROR, "f", 2);
  m_reporter.Report(first);
  m_reporter.Report(first);
  EXPECT_EQ(m_reporter.LastNotifiedHeader(), "ERROR: (PROGRAM, f, 1)\n");
  EXPECT_EQ(m_reporter.RepeatCount(), 1u);
  m_reporter.Report(other);
  EXPECT_EQ(m_reporter.LastNotifiedHeader(), "ERROR: (PROGRAM, f, 2)\n");
  EXPECT_EQ(m_reporter.RepeatCount(), 0u);
  m_reporter.Report(ProgramException("d", nullptr, SEVERITY_WARNING, "f", 3));
  EXPECT_EQ(m_reporter.LastNotifiedHeader(), "ERROR: (PROGRAM, f, 2)\n") << "below the notify threshold";
  EXPECT_EQ(Log(), "");
}

TEST(ExceptionReporterNoticeTest, ChangedObjectGetsItsOwnText) {
  const MAPIException changed(MAPI_E_OBJECT_CHANGED, nullptr, "save", SEVERITY_ERROR, "f", 1);
  EXPECT_EQ(ExceptionReporter::NotificationText(changed, "entry"),
            "Pellacorm was unable to save changes to the current\nitem because another operation has changed "
            "it.\n\nPlease unselect or close the current item and try your\noperation again.\n\n");
  const MAPIException other(E_FAIL, nullptr, "save", SEVERITY_ERROR, "f", 1);
  EXPECT_EQ(ExceptionReporter::NotificationText(other, "entry"), "entry");
}

TEST_F(ExceptionReporterTest, NotifiedHeaderIsTheWholeHeaderLine) {
  const ProgramException e("d", nullptr, SEVERITY_ERROR, "two\nlines", 4);
  m_reporter.Report(e, FixedTime());
  EXPECT_EQ(m_reporter.LastNotifiedHeader(), ExceptionReporter::BuildHeader(e));
  EXPECT_EQ(Log(), "12/06/26 21:10:45\r\nERROR: (PROGRAM, two\r\nlines, 4)\r\nd\r\n\r\n");
}

// ---- The file -------------------------------------------------------------------

TEST_F(ExceptionReporterTest, LogInAMissingFolderIsLostInSilence) {
  m_reporter.SetHomeDir("C:\\Pellacorm");
  m_reporter.Report(ProgramException("d", nullptr, SEVERITY_ERROR, "f", 1));
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(testsupport::ReadWindowsFile("C:/Pellacorm.log"), "");
  struct stat info {};
  EXPECT_NE(stat(win32::HostPath("C:/Pellacorm/Logs").c_str(), &info), 0) << "the folder is not created";
}

TEST_F(ExceptionReporterTest, TwoProcessesAppendingAtOnceLeaveWholeEntries) {
  constexpr int kEntriesEach = 1000;
  int gate[2];  // both writers start when the gate's write end closes
  ASSERT_EQ(pipe(gate), 0);
  std::vector<pid_t> writers;
  for (const char* name : {"first", "second"}) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(gate[1]);
      char ignored;
      while (read(gate[0], &ignored, 1) > 0) {
      }
      for (int i = 0; i < kEntriesEach; ++i) {
        m_reporter.Report(MAPIException(E_FAIL, name, "some details", SEVERITY_ERROR, "writer", i + 1));
      }
      _exit(0);
    }
    writers.push_back(pid);
  }
  close(gate[0]);
  close(gate[1]);
  for (pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  // Every entry ends with an empty line; each must be the six lines of one report.
  const std::string log = Log();
  std::map<std::string, int> entriesBy;
  std::size_t start = 0;
  for (std::size_t end; (end = log.find("\r\n\r\n", start)) != std::string::npos; start = end + 4) {
    const std::string entry = log.substr(start, end + 4 - start);
    const std::size_t header = entry.find("\r\nERROR: (MAPI, writer, ");
    const std::size_t description = entry.find(")\r\n", header);
    ASSERT_NE(header, std::string::npos) << entry;
    ASSERT_NE(description, std::string::npos) << entry;
    const std::string writer =
        entry.substr(description + 3, entry.find("\r\n", description + 3) - description - 3);
    EXPECT_EQ(entry.substr(entry.find("\r\n", description + 3)),
              "\r\nsome details\r\nHRESULT = 80004005\r\n\r\n");
    ++entriesBy[writer];
  }
  EXPECT_EQ(start, log.size()) << "the log ends inside an entry";
  EXPECT_EQ(entriesBy["first"], kEntriesEach);
  EXPECT_EQ(entriesBy["second"], kEntriesEach);
}

TEST(ExceptionReporterInstanceTest, OneReporterPerProcess) {
  EXPECT_EQ(&ExceptionReporter::Instance(), &ExceptionReporter::Instance());
}

}  // namespace
}  // namespace pellacorm
