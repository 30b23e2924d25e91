// _fsopen and _sopen of the Win32 layer: Windows paths on the drive folders, text mode,
// and what the layer alone does (names matched ignoring case, drive C: made on demand,
// the flags it refuses); crt_strftime's own rendering of "%c".
#include "win32/Crt.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "testing/CalendarTime.h"
#include "testing/TempFiles.h"

namespace {

class CrtFileTest : public ::testing::Test {
 protected:
  std::string Drive(const std::string& rest) const { return m_drives.Root() + rest; }
  testsupport::TempDrives m_drives;
};

TEST_F(CrtFileTest, WindowsPathsNameFilesBelowTheDriveFolders) {
  ASSERT_EQ(mkdir(Drive("/c").c_str(), 0777), 0);
  ASSERT_EQ(mkdir(Drive("/c/Logs").c_str(), 0777), 0);
  struct Case {
    const char* windows;
    std::string host;
  } const cases[] = {
      {"C:/Logs/a.log", Drive("/c/Logs/a.log")},
      {"c:\\LOGS\\a.log", Drive("/c/Logs/a.log")},
      {"/logs/x", Drive("/c/Logs/x")},
      {"\\x\\y", Drive("/c/x/y")},
      {"D:\\Data\\..\\f", Drive("/d/f")},
      {"C:/../../etc", Drive("/c/etc")},
      {"C:", Drive("/c")},
      {"C:/./Logs/./b/..", Drive("/c/Logs")},
      {"rel\\dir/f", "rel/dir/f"},
      {"a\\..\\..\\b", "../b"},
      {"..\\../x/..", "../.."},
      {"a/..", "."},
      {"\\\\server\\share\\f", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(win32::HostPath(c.windows), c.host) << c.windows;
  }
  EXPECT_EQ(std::string(win32::DriveRoot()), Drive("/c"));
}

TEST_F(CrtFileTest, TextModeWritesAndReadsCrLf) {
  FILE* out = _fsopen("C:\\t.txt", "wt", _SH_DENYNO);
  ASSERT_NE(out, nullptr) << "drive C: is made when a file on it is written";
  std::fputs("one\ntwo\r\n", out);
  std::fclose(out);
  EXPECT_EQ(testsupport::ReadHostFile(Drive("/c/t.txt")), "one\r\ntwo\r\r\n");

  FILE* append = _fsopen("C:/t.txt", "a", _SH_DENYWR);
  ASSERT_NE(append, nullptr);
  std::fputs("three\n", append);
  std::fclose(append);
  FILE* binary = _fsopen("C:/t.txt", "ab", _SH_DENYNO);
  ASSERT_NE(binary, nullptr);
  std::fputs(
      "four\n\x1a"
      "five",
      binary);
  std::fclose(binary);
  EXPECT_EQ(testsupport::ReadHostFile(Drive("/c/t.txt")),
            "one\r\ntwo\r\r\nthree\r\nfour\n\x1a"
            "five");

  FILE* in = _fsopen("c:/T.TXT", "rt", _SH_DENYNO);
  ASSERT_NE(in, nullptr);
  std::string text;
  for (int c; (c = std::fgetc(in)) != EOF;) {
    text += static_cast<char>(c);
  }
  std::fclose(in);
  EXPECT_EQ(text, "one\ntwo\r\nthree\nfour\n") << "CR LF reads as LF; Ctrl-Z ends the text";
}

TEST_F(CrtFileTest, BadArgumentsAndMissingFoldersFail) {
  errno = 0;
  EXPECT_EQ(_fsopen("C:/x", "at", 0), nullptr);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(_fsopen("C:/x", "q", _SH_DENYNO), nullptr);
  EXPECT_EQ(_fsopen(nullptr, "r", _SH_DENYNO), nullptr);
  errno = 0;
  EXPECT_EQ(_fsopen("C:/Missing/x.log", "at", _SH_DENYNO), nullptr);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(_fsopen("E:/x.log", "at", _SH_DENYNO), nullptr) << "only drive C: is made on demand";
}

// ---- _sopen, _write, _close --------------------------------------------------------

constexpr int kAppend = _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY;
constexpr int kReadWrite = _S_IREAD | _S_IWRITE;

// Appends `bytes` to the file at `windowsPath` as the log does; false when it cannot be
// opened.
bool Append(const char* windowsPath, const std::string& bytes) {
  const int fd = _sopen(windowsPath, kAppend, _SH_DENYNO, kReadWrite);
  if (fd < 0) {
    return false;
  }
  const int written = _write(fd, bytes.data(), static_cast<unsigned>(bytes.size()));
  return _close(fd) == 0 && written == static_cast<int>(bytes.size());
}

TEST_F(CrtFileTest, SopenMatchesNamesIgnoringCaseWhenTheyAreNotThereAsWritten) {
  ASSERT_EQ(mkdir(Drive("/c").c_str(), 0777), 0);
  ASSERT_EQ(mkdir(Drive("/c/Logs").c_str(), 0777), 0);
  ASSERT_TRUE(testsupport::WriteHostFile(Drive("/c/Logs/a.log"), "0;"));
  struct Case {
    const char* windows;
    const char* bytes;
  } const cases[] = {
      {"C:/Logs/a.log", "1;"},
      {"c:\\LOGS\\A.LOG", "2;"},  // not a second file A.LOG beside a.log
      {"C:/Logs/A.log", "3;"},    // nor when only the file's name differs
      {"C:/logs/./b.log", "4;"},  // made in the folder Logs
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Append(c.windows, c.bytes)) << c.windows;
  }
  EXPECT_EQ(testsupport::ReadHostFile(Drive("/c/Logs/a.log")), "0;1;2;3;");
  EXPECT_EQ(testsupport::ReadHostFile(Drive("/c/Logs/b.log")), "4;");
  struct stat info {};
  EXPECT_NE(stat(Drive("/c/Logs/A.LOG").c_str(), &info), 0);
  EXPECT_NE(stat(Drive("/c/Logs/A.log").c_str(), &info), 0);
  EXPECT_NE(stat(Drive("/c/logs").c_str(), &info), 0);
}

TEST_F(CrtFileTest, SopenMakesDriveCOnlyToCreateAFileThere) {
  errno = 0;
  EXPECT_EQ(_sopen("C:\\x.log", _O_WRONLY | _O_APPEND | _O_BINARY, _SH_DENYNO), -1);
  EXPECT_EQ(errno, ENOENT) << "opening an existing file makes nothing";
  struct stat info {};
  EXPECT_NE(stat(Drive("/c").c_str(), &info), 0);
  EXPECT_TRUE(Append("\\x.log", "c;")) << "a path from the root is on drive C:";
  EXPECT_EQ(testsupport::ReadHostFile(Drive("/c/x.log")), "c;");
  errno = 0;
  EXPECT_FALSE(Append("E:/x.log", "e;"));
  EXPECT_EQ(errno, ENOENT) << "only drive C: is made on demand";
  errno = 0;
  EXPECT_FALSE(Append("C:/Missing/x.log", "m;"));
  EXPECT_EQ(errno, ENOENT) << "nor any folder below it";
  errno = 0;
  EXPECT_FALSE(Append("\\\\server\\share\\x.log", "n;"));
  EXPECT_EQ(errno, ENOENT) << "no network shares";
}

TEST_F(CrtFileTest, SopenRefusesWhatTheLayerDoesNotImplement) {
  struct Case {
    const char* what;
    int flags;
    int share;
  } const cases[] = {
      {"text mode", _O_WRONLY | _O_CREAT | _O_TEXT, _SH_DENYNO},
      {"no mode (the runtime's default is text)", _O_WRONLY | _O_CREAT, _SH_DENYNO},
      {"text and binary", _O_WRONLY | _O_CREAT | _O_TEXT | _O_BINARY, _SH_DENYNO},
      {"two access modes", _O_WRONLY | _O_RDWR | _O_BINARY, _SH_DENYNO},
      {"_O_SEQUENTIAL", _O_WRONLY | _O_BINARY | 0x0020, _SH_DENYNO},
      {"_O_TEMPORARY", _O_WRONLY | _O_BINARY | 0x0040, _SH_DENYNO},
      {"a wide text mode", _O_WRONLY | _O_BINARY | 0x10000, _SH_DENYNO},
      {"no share flag", kAppend, 0},
      {"an unknown share flag", kAppend, 0x50},
  };
  for (const Case& c : cases) {
    errno = 0;
    EXPECT_EQ(_sopen("C:/refused.log", c.flags, c.share, kReadWrite), -1) << c.what;
    EXPECT_EQ(errno, EINVAL) << c.what;
  }
  struct stat info {};
  EXPECT_NE(stat(Drive("/c").c_str(), &info), 0) << "a refused call makes nothing";
}

TEST_F(CrtFileTest, SopenHandsPermissionAndInheritanceToTheHost) {
  const int inherited = _sopen("C:/rw.log", kAppend, _SH_DENYNO, kReadWrite);
  const int uninherited = _sopen("C:/ro.log", kAppend | _O_NOINHERIT, _SH_DENYNO, _S_IREAD);
  ASSERT_GE(inherited, 0);
  ASSERT_GE(uninherited, 0);
  EXPECT_EQ(fcntl(inherited, F_GETFD) & FD_CLOEXEC, 0);
  EXPECT_NE(fcntl(uninherited, F_GETFD) & FD_CLOEXEC, 0) << "_O_NOINHERIT: not passed to child processes";
  EXPECT_EQ(_write(uninherited, "r", 1), 1) << "the handle that made a read-only file still writes";
  EXPECT_EQ(_close(inherited), 0);
  EXPECT_EQ(_close(uninherited), 0);
  struct stat info {};
  ASSERT_EQ(stat(Drive("/c/rw.log").c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IWUSR, 0u);
  ASSERT_EQ(stat(Drive("/c/ro.log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u) << "made without _S_IWRITE: read-only";
  EXPECT_EQ(testsupport::ReadHostFile(Drive("/c/ro.log")), "r");

  errno = 0;
  const std::string tooLong = "C:/" + std::string(PATH_MAX, 'x');
  EXPECT_EQ(_sopen(tooLong.c_str(), kAppend, _SH_DENYNO, kReadWrite), -1);
  EXPECT_EQ(errno, ENAMETOOLONG);
}

// crt_strftime renders formats of text and "%c" itself; they must read as the C
// library's rendering of the expansion, out-of-range fields included.
TEST(CrtStrftimeLayerTest, OwnRenderingOfPercentCAgreesWithTheCLibrary) {
  const auto time = testsupport::CalendarTime;
  const std::tm times[] = {
      time(2026, 12, 6, 21, 10, 45), time(2000, 1, 1, 0, 0, 0),    time(1999, 9, 9, 9, 9, 60),
      time(2026, 13, 6, 21, 10, 45), time(2026, 0, 0, 24, 60, 61), time(2026, 1, 100, 1, 5, 5),
      time(2026, 1, 1, -1, 5, 5),    time(-5, 1, 1, 0, 0, 0),      time(12345, 1, 1, 0, 0, 0),
  };
  const char* const formats[] = {"%c", "[%c] %%c %c", "%%", "no conversion", "%c%"};
  const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  ASSERT_NE(cLocale, static_cast<locale_t>(nullptr));
  for (const std::tm& when : times) {
    for (const char* format : formats) {
      std::string expanded;
      for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 'c') {
          expanded += "%m/%d/%y %H:%M:%S";
          ++p;
        } else {
          expanded += *p;
          if (p[0] == '%' && p[1] != '\0') {
            expanded += *++p;
          }
        }
      }
      char expected[128];
      char rendered[128];
      const std::size_t expectedLength =
          strftime_l(expected, sizeof expected, expanded.c_str(), &when, cLocale);
      ASSERT_EQ(crt_strftime(rendered, sizeof rendered, format, &when), expectedLength)
          << format << " " << when.tm_year << "/" << when.tm_mon << "/" << when.tm_mday;
      EXPECT_EQ(std::string(rendered, expectedLength), std::string(expected, expectedLength)) << format;
    }
  }
  freelocale(cLocale);
  const std::tm when = time(2026, 12, 6, 21, 10, 45);
  char exact[18];
  EXPECT_EQ(crt_strftime(exact, sizeof exact, "%c", &when), 17u) << "17 characters and the zero fit";
  char small[4];
  EXPECT_EQ(crt_strftime(small, sizeof small, "a%cb", &when), 0u);
  EXPECT_STREQ(small, "") << "a text that does not fit leaves an empty one";
}

}  // namespace
