// The extension's log read back: entries are blocks of CR LF lines closed by an empty
// line (the time, the header, then the description and the details as far as they are
// present). Header only: the Linux suites and the Windows tests under Wine share it.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "testing/LoggedFailures.h"

namespace testsupport {

struct LogEntry {
  std::string time;
  std::string header;
  std::string description;
  std::vector<std::string> details;

  // Whether a detail line starts with `prefix`.
  bool HasDetail(const std::string& prefix) const {
    for (const std::string& line : details) {
      if (line.compare(0, prefix.size(), prefix) == 0) {
        return true;
      }
    }
    return false;
  }
};

// The entries of a log's text; a line not ended by CR LF, a bare LF or an entry not
// closed by its empty line fails the test.
inline std::vector<LogEntry> ParseLog(const std::string& text) {
  std::vector<LogEntry> entries;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the log does not end with CR LF:\n" << text;
      break;
    }
    const std::string line = text.substr(start, end - start);
    EXPECT_EQ(line.find('\n'), std::string::npos) << "a bare LF in the log: " << line;
    start = end + 2;
    if (!line.empty()) {
      lines.push_back(line);
      continue;
    }
    LogEntry entry;
    entry.time = lines.size() > 0 ? lines[0] : std::string();
    entry.header = lines.size() > 1 ? lines[1] : std::string();
    entry.description = lines.size() > 2 ? lines[2] : std::string();
    for (std::size_t i = 3; i < lines.size(); ++i) {
      entry.details.push_back(lines[i]);
    }
    entries.push_back(entry);
    lines.clear();
  }
  EXPECT_TRUE(lines.empty()) << "the last log entry is not closed by an empty line";
  return entries;
}

// "header | description" of each entry.
inline std::vector<std::string> Headlines(const std::vector<LogEntry>& entries) {
  std::vector<std::string> headlines;
  for (const LogEntry& entry : entries) {
    headlines.push_back(entry.header + " | " + entry.description);
  }
  return headlines;
}

// "MM/DD/YY HH:MM:SS", as the C runtime's %c writes the time in the C locale.
inline bool IsLogTime(const std::string& line) {
  const std::string pattern = "99/99/99 99:99:99";
  if (line.size() != pattern.size()) {
    return false;
  }
  for (std::size_t i = 0; i < line.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(line[i])) != 0;
    if (pattern[i] == '9' ? !digit : line[i] != pattern[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace testsupport
