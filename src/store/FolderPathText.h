// Scanning folder paths: names separated by '/' or '\', with spaces and separators at
// either end ignored. Every scan steps over double-byte characters of the ANSI code
// page, so the trail byte of a character such as 0x95 0x5C never counts as a '\'.
#pragma once

#include <string>
#include <vector>

namespace pellacorm {

// True for '/' and '\'.
bool IsFolderSeparator(char c);

// The path without the spaces and separators at its end, then at its start.
std::string TrimFolderPath(const std::string& path);

// Byte offset of the first '/' or '\' at or after `from` that is a character of its own,
// or std::string::npos.
std::size_t FindFolderSeparator(const std::string& path, std::size_t from = 0);

// The non-empty pieces between separators of the trimmed path, in order.
std::vector<std::string> SplitFolderPath(const std::string& path);

// The pieces of `path` between '/' characters, empty pieces skipped; each piece keeps
// its spaces and any '\'.
std::vector<std::string> SplitAtSlashes(const std::string& path);

}  // namespace pellacorm
