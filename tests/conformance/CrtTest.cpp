// The C runtime as the log uses it: strftime's "%c" is MM/DD/YY HH:MM:SS, as the Windows
// runtime writes it in the C locale; localtime_s; the low-level calls that append an
// entry (_sopen, _write, _close).
#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "ConformanceSupport.h"
#include "testing/CalendarTime.h"

namespace {

using testsupport::CalendarTime;

TEST(CrtStrftimeTest, RendersAsTheWindowsRuntime) {
  struct Case {
    std::tm time;
    const char* format;
    const char* text;
  } const cases[] = {
      {CalendarTime(2026, 12, 6, 21, 10, 45), "%c", "12/06/26 21:10:45"},
      {CalendarTime(2003, 1, 2, 4, 5, 6), "%c", "01/02/03 04:05:06"},
      {CalendarTime(2026, 12, 6, 0, 0, 0), "[%c] %%c %Y", "[12/06/26 00:00:00] %c 2026"},
      {CalendarTime(2026, 12, 6, 0, 0, 0), "%x %X", "12/06/26 00:00:00"},
  };
  for (const Case& c : cases) {
    char buffer[64];
    EXPECT_EQ(crt_strftime(buffer, sizeof buffer, c.format, &c.time), std::string(c.text).size()) << c.format;
    EXPECT_STREQ(buffer, c.text) << c.format;
  }
  const std::tm when = CalendarTime(2026, 12, 6, 21, 10, 45);
  char small[17];
  EXPECT_EQ(crt_strftime(small, sizeof small, "%c", &when), 0u) << "17 characters and the zero do not fit";
#ifndef _WIN32
  // The real runtime stops the program on a null format; ours answers 0.
  EXPECT_EQ(crt_strftime(small, sizeof small, nullptr, &when), 0u);
#endif
}

TEST(CrtLocaltimeTest, ConvertsTheTimesTheRuntimeTakes) {
  const conformance::QuietInvalidParameters quiet;
  std::tm local{};
  // 2025-12-06 05:46:40 UTC: the 5th or the 6th of December wherever the machine is.
  ASSERT_TRUE(crt_localtime(1765000000, &local));
  EXPECT_EQ(local.tm_year, 125);
  EXPECT_EQ(local.tm_mon, 11);
  EXPECT_TRUE(local.tm_mday == 5 || local.tm_mday == 6) << local.tm_mday;
  EXPECT_EQ(local.tm_sec, 40);
  EXPECT_TRUE(crt_localtime(0, &local)) << "1970 begins the runtime's range";
  EXPECT_FALSE(crt_localtime(-1, &local)) << "before 1970";
  if (sizeof(std::time_t) > 4) {             // the 32-bit runtime's time_t ends in 2038
    const long long lastTime = 32535215999;  // 3000-12-31 23:59:59 UTC
    EXPECT_FALSE(crt_localtime(static_cast<std::time_t>(lastTime + 2 * 86400), &local))
        << "after the year 3000";
  }
}

// ---- _sopen, _write, _close ----------------------------------------------------

constexpr int kCreateFlags = _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY;
constexpr int kAppendFlags = _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY;
constexpr int kReadWrite = _S_IREAD | _S_IWRITE;

class CrtLowLevelTest : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return m_folder.Path(name); }
  std::string Read(const char* name) const { return m_folder.Read(name); }

  conformance::TempWindowsFolder m_folder;
};

TEST_F(CrtLowLevelTest, WriteStoresTheBytesOfItsMode) {
  const char kBinary[] = "nul \0 and Ctrl-Z \x1a end";
  struct Case {
    int mode;
    std::string written;
    std::string stored;
  } const cases[] = {
      {_O_BINARY, "one\ntwo\r\n", "one\ntwo\r\n"},
      {_O_BINARY, std::string(kBinary, sizeof kBinary - 1), std::string(kBinary, sizeof kBinary - 1)},
      {_O_BINARY, "", ""},
#ifdef _WIN32
      // Text mode, which our layer refuses: the log's bytes are those of binary mode
      // with "\r\n" written for each "\n".
      {_O_TEXT, "one\ntwo\r\n", "one\r\ntwo\r\r\n"},
#endif
  };
  for (const Case& c : cases) {
    const int fd =
        _sopen(Path("bytes.txt").c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | c.mode, _SH_DENYNO, kReadWrite);
    ASSERT_GE(fd, 0) << c.stored;
    EXPECT_EQ(_write(fd, c.written.data(), static_cast<unsigned>(c.written.size())),
              static_cast<int>(c.written.size()))
        << "the count is of the bytes given, whatever was stored";
    EXPECT_EQ(_close(fd), 0);
    EXPECT_EQ(Read("bytes.txt"), c.stored);
  }
}

TEST_F(CrtLowLevelTest, AppendingHandlesEachWriteAtTheEnd) {
  const int first = _sopen(Path("log.txt").c_str(), kAppendFlags, _SH_DENYNO, kReadWrite);
  const int second = _sopen(Path("log.txt").c_str(), kAppendFlags, _SH_DENYNO, kReadWrite);
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0) << "no sharing restriction: a second handle opens meanwhile";
  EXPECT_EQ(_write(first, "a1;", 3), 3);
  EXPECT_EQ(_write(second, "b1;", 3), 3);
  EXPECT_EQ(_write(first, "a2;", 3), 3);
  EXPECT_EQ(_close(first), 0);
  EXPECT_EQ(_close(second), 0);
  EXPECT_EQ(Read("log.txt"), "a1;b1;a2;");

  const int again = _sopen(Path("log.txt").c_str(), kAppendFlags, _SH_DENYNO, kReadWrite);
  ASSERT_GE(again, 0);
  EXPECT_EQ(_write(again, "c;", 2), 2);
  EXPECT_EQ(_close(again), 0);
  EXPECT_EQ(Read("log.txt"), "a1;b1;a2;c;") << "_O_CREAT keeps what an existing file holds";

  const int overwrite = _sopen(Path("log.txt").c_str(), _O_WRONLY | _O_BINARY, _SH_DENYNO);
  ASSERT_GE(overwrite, 0);
  EXPECT_EQ(_write(overwrite, "XY", 2), 2);
  EXPECT_EQ(_close(overwrite), 0);
  EXPECT_EQ(Read("log.txt"), "XY;b1;a2;c;") << "without _O_APPEND the write starts at the beginning";
}

TEST_F(CrtLowLevelTest, EveryShareFlagOpensAFileNobodyHolds) {
  for (const int share : {_SH_DENYNO, _SH_DENYRD, _SH_DENYWR, _SH_DENYRW}) {
    const int fd = _sopen(Path("shared.txt").c_str(), kAppendFlags, share, kReadWrite);
    EXPECT_GE(fd, 0) << share;
    EXPECT_EQ(_close(fd), 0) << share;
  }
}

TEST_F(CrtLowLevelTest, FailuresAnswerMinusOneAndTheirError) {
  const int made = _sopen(Path("exists.txt").c_str(), kCreateFlags, _SH_DENYNO, kReadWrite);
  ASSERT_GE(made, 0);
  EXPECT_EQ(_close(made), 0);
  const conformance::QuietInvalidParameters quiet;
  struct Case {
    const char* what;
    std::string path;
    int flags;
    int error;
  } const cases[] = {
      {"a missing folder", Path("missing\\x.log"), kAppendFlags, ENOENT},
      {"a missing file, not created", Path("missing.txt"), _O_RDONLY | _O_BINARY, ENOENT},
      {"_O_EXCL on a file that exists", Path("exists.txt"), kCreateFlags | _O_EXCL, EEXIST},
      {"a folder, for writing", m_folder.Path(), _O_WRONLY | _O_BINARY, EACCES},
      {"a folder, for reading", m_folder.Path(), _O_RDONLY | _O_BINARY, EACCES},
  };
  for (const Case& c : cases) {
    errno = 0;
    EXPECT_EQ(_sopen(c.path.c_str(), c.flags, _SH_DENYNO, kReadWrite), -1) << c.what;
    EXPECT_EQ(errno, c.error) << c.what;
  }
  errno = 0;
  EXPECT_EQ(_sopen(nullptr, kAppendFlags, _SH_DENYNO, kReadWrite), -1);
  EXPECT_EQ(errno, EINVAL) << "a null name";
  for (const int share : {0, 0x50}) {
    // The runtime sets errno to EINVAL; Wine leaves it.
    EXPECT_EQ(_sopen(Path("x.txt").c_str(), kAppendFlags, share, kReadWrite), -1) << "share flag " << share;
  }

  const int reader = _sopen(Path("exists.txt").c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO);
  ASSERT_GE(reader, 0);
  errno = 0;
  EXPECT_EQ(_write(reader, "x", 1), -1);
  EXPECT_EQ(errno, EBADF) << "a handle opened for reading";
  const int writer = _sopen(Path("exists.txt").c_str(), _O_WRONLY | _O_BINARY, _SH_DENYNO);
  ASSERT_GE(writer, 0);
  errno = 0;
  EXPECT_EQ(_write(writer, nullptr, 1), -1);
  EXPECT_EQ(errno, EINVAL) << "a null buffer";
  EXPECT_EQ(_write(writer, nullptr, 0), 0) << "nothing to write";
  EXPECT_EQ(_close(reader), 0);
  EXPECT_EQ(_close(writer), 0);
  errno = 0;
  EXPECT_EQ(_write(writer, "x", 1), -1);
  EXPECT_EQ(errno, EBADF) << "a closed handle";
  errno = 0;
  EXPECT_EQ(_close(writer), -1);
  EXPECT_EQ(errno, EBADF) << "a handle closed already";
  errno = 0;
  EXPECT_EQ(_close(-1), -1);
  EXPECT_EQ(errno, EBADF) << "-1";
  EXPECT_EQ(Read("exists.txt"), "");
}

}  // namespace
