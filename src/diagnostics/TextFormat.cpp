#include "diagnostics/TextFormat.h"

#include <cstdarg>
#include <cstdio>
#include <new>

namespace pellacorm {

namespace {

// Makes room for `length` more characters at the end of `out`; false when there is no
// memory (then `out` is unchanged).
bool Grow(std::string& out, int length) noexcept {
  if (length < 0) {
    return false;
  }
  try {
    out.resize(out.size() + static_cast<std::size_t>(length));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

// Each function runs the arguments twice: once to measure the text, once to write it
// into the room made for it (vsnprintf's terminating zero lands on the string's own).

bool FormatText(std::string& out, const char* format, ...) noexcept {
  if (format == nullptr) {
    return false;
  }
  va_list args;
  va_start(args, format);
  const int length = vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text;
  if (!Grow(text, length)) {
    return false;
  }
  va_start(args, format);
  vsnprintf(&text[0], text.size() + 1, format, args);
  va_end(args);
  out.swap(text);
  return true;
}

bool AppendFormat(std::string& out, const char* format, ...) noexcept {
  if (format == nullptr) {
    return false;
  }
  va_list args;
  va_start(args, format);
  const int length = vsnprintf(nullptr, 0, format, args);
  va_end(args);
  const std::size_t before = out.size();
  if (!Grow(out, length)) {
    return false;
  }
  va_start(args, format);
  vsnprintf(&out[before], out.size() - before + 1, format, args);
  va_end(args);
  return true;
}

}  // namespace pellacorm
