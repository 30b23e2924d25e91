#include "store/FolderPathText.h"

#include "config/Platform.h"

namespace pellacorm {
namespace {

// Byte length of the character that starts at `i`: 2 for a lead byte followed by a
// trail byte, 1 otherwise (a lead byte at the very end stands alone).
std::size_t CharLength(const std::string& text, std::size_t i) {
  const auto byte = static_cast<BYTE>(text[i]);
  return (IsDBCSLeadByte(byte) != FALSE && i + 1 < text.size()) ? 2 : 1;
}

bool IsBlankOrSeparator(char c) {
  return c == ' ' || IsFolderSeparator(c);
}

// Calls visit(start, length) for every character of `text`, front to back.
template <typename Visit>
void ForEachChar(const std::string& text, std::size_t from, Visit visit) {
  for (std::size_t i = from; i < text.size();) {
    const std::size_t length = CharLength(text, i);
    if (!visit(i, length)) {
      return;
    }
    i += length;
  }
}

}  // namespace

bool IsFolderSeparator(char c) {
  return c == '/' || c == '\\';
}

std::string TrimFolderPath(const std::string& path) {
  // The end of the last character that is neither a blank nor a separator, and the
  // start of the first: both found in one forward scan, as only a forward scan knows
  // where double-byte characters begin.
  std::size_t first = std::string::npos;
  std::size_t end = 0;
  ForEachChar(path, 0, [&](std::size_t i, std::size_t length) {
    if (length == 2 || !IsBlankOrSeparator(path[i])) {
      if (first == std::string::npos) {
        first = i;
      }
      end = i + length;
    }
    return true;
  });
  if (first == std::string::npos) {
    return {};
  }
  return path.substr(first, end - first);
}

std::size_t FindFolderSeparator(const std::string& path, std::size_t from) {
  std::size_t found = std::string::npos;
  ForEachChar(path, from, [&](std::size_t i, std::size_t length) {
    if (length == 1 && IsFolderSeparator(path[i])) {
      found = i;
      return false;
    }
    return true;
  });
  return found;
}

std::vector<std::string> SplitFolderPath(const std::string& path) {
  const std::string trimmed = TrimFolderPath(path);
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start <= trimmed.size()) {
    std::size_t separator = FindFolderSeparator(trimmed, start);
    if (separator == std::string::npos) {
      separator = trimmed.size();
    }
    if (separator > start) {
      pieces.push_back(trimmed.substr(start, separator - start));
    }
    start = separator + 1;
  }
  return pieces;
}

std::vector<std::string> SplitAtSlashes(const std::string& path) {
  std::vector<std::string> pieces;
  std::string piece;
  ForEachChar(path, 0, [&](std::size_t i, std::size_t length) {
    if (length == 1 && path[i] == '/') {
      if (!piece.empty()) {
        pieces.push_back(std::move(piece));
      }
      piece.clear();
    } else {
      piece.append(path, i, length);
    }
    return true;
  });
  if (!piece.empty()) {
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

}  // namespace pellacorm
