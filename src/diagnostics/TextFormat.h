// printf-style formatting into a std::string, replacing its content or appending to it.
// The conversions are the C runtime's. Neither raises: when memory runs out the string
// keeps what it held before the call and the result is false.
#pragma once

#include <string>

namespace pellacorm {

bool FormatText(std::string& out, const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));
bool AppendFormat(std::string& out, const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));

}  // namespace pellacorm
