// A client buffer with guard bytes on both sides, for the tests that hand the extension
// a buffer and check that nothing is written outside it. Header only: the Linux suites
// and the Windows tests under Wine share it.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace testsupport {

class GuardedBuffer {
 public:
  static constexpr char kGuard = '\xCD';
  static constexpr std::size_t kGuardBytes = 16;

  // `size` bytes, all of them still the guard value.
  explicit GuardedBuffer(std::size_t size) : m_size(size), m_bytes(size + 2 * kGuardBytes, kGuard) {}
  // `size` bytes holding `initial`, cut to the buffer (its terminator too if it fits).
  GuardedBuffer(std::size_t size, const std::string& initial) : GuardedBuffer(size) {
    const std::size_t copied = initial.size() + 1 < size ? initial.size() + 1 : size;
    if (copied != 0) {
      std::memcpy(m_bytes.data() + kGuardBytes, initial.c_str(), copied);
    }
  }
  char* Data() { return m_bytes.data() + kGuardBytes; }
  unsigned long Size() const { return static_cast<unsigned long>(m_size); }
  // The buffer's bytes up to its first terminator; all of them when there is none.
  std::string Text() const {
    const char* begin = m_bytes.data() + kGuardBytes;
    std::size_t length = 0;
    while (length < m_size && begin[length] != '\0') {
      ++length;
    }
    return std::string(begin, length);
  }
  bool Terminated() const { return Text().size() < m_size; }
  // Whether any byte outside the buffer, or inside it past `used` bytes, changed.
  bool WrittenOutside(std::size_t used) const {
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
      const bool inside = i >= kGuardBytes && i < kGuardBytes + used;
      if (!inside && m_bytes[i] != kGuard) {
        return true;
      }
    }
    return false;
  }
  // Whether the guard bytes on both sides are as they were.
  bool GuardsIntact() const { return !WrittenOutside(m_size); }

 private:
  std::size_t m_size;
  std::vector<char> m_bytes;
};

}  // namespace testsupport
