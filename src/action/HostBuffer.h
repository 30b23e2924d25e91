// Handing a text to the client in a buffer the client owns.
#pragma once

#include <cstring>
#include <string>

#include "config/Platform.h"

namespace pellacorm {

// Copies `text` with its terminator into the client's buffer of `size` bytes
// (terminator included), cut to its first size - 1 bytes when it does not fit. The cut
// counts bytes, so it may split a double-byte character. A size of 0 leaves the buffer
// untouched: there is no room even for the terminator.
inline void FitToHostBuffer(const std::string& text, LPSTR buffer, ULONG size) {
  if (buffer == nullptr || size == 0) {
    return;
  }
  const std::size_t length = text.size() + 1 > size ? size - 1 : text.size();
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

}  // namespace pellacorm
