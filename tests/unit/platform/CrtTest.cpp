// _fsopen of the Win32 layer: Windows paths on the drive folders, text mode.
#include "win32/Crt.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "support/TempFiles.h"

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
      {"rel\\dir/f", "rel/dir/f"},
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

}  // namespace
