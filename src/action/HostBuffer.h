// Handing a text to the client in a buffer the client owns.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "config/Platform.h"

namespace pellacorm {

// Writes texts one after the other into the client's buffer of `size` bytes
// (terminator included), cut to their first size - 1 bytes when they do not fit, and
// ends them with a terminator on Finish. The cut counts bytes, so it may split a
// double-byte character. A size of 0 leaves the buffer untouched: there is no room
// even for the terminator.
class HostBufferWriter {
 public:
  HostBufferWriter(LPSTR buffer, ULONG size)
      : m_out(size == 0 ? nullptr : buffer), m_room(m_out == nullptr ? 0 : size - 1) {}

  void Append(std::string_view text) {
    if (m_out == nullptr || text.empty()) {
      return;
    }
    // A whole text is copied with the length it has, which for a literal lets the
    // compiler copy it in place of calling memcpy.
    if (text.size() <= m_room) {
      std::memcpy(m_out, text.data(), text.size());
      m_out += text.size();
      m_room -= text.size();
      return;
    }
    std::memcpy(m_out, text.data(), m_room);
    m_out += m_room;
    m_room = 0;
  }

  void Finish() {
    if (m_out != nullptr) {
      *m_out = '\0';
    }
  }

 private:
  LPSTR m_out;
  std::size_t m_room;
};

// Copies `text` with its terminator into the client's buffer of `size` bytes, cut as
// HostBufferWriter cuts it.
inline void FitToHostBuffer(std::string_view text, LPSTR buffer, ULONG size) {
  HostBufferWriter writer(buffer, size);
  writer.Append(text);
  writer.Finish();
}

}  // namespace pellacorm
