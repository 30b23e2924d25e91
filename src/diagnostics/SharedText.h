// An immutable text whose copies share one counted block. Copying and destroying never
// fail, so an exception that holds texts can be thrown and caught safely; making one
// never raises either: when there is no memory the text is empty.
#pragma once

#include <atomic>
#include <cstddef>

namespace pellacorm {

class SharedText {
 public:
  SharedText() noexcept = default;
  // Copies `text`; null or "" gives an empty text.
  explicit SharedText(const char* text) noexcept;
  SharedText(const char* text, std::size_t length) noexcept;
  SharedText(const SharedText& other) noexcept;
  SharedText(SharedText&& other) noexcept;
  SharedText& operator=(SharedText other) noexcept;
  ~SharedText();

  // The text, or null when it is empty.
  const char* Get() const noexcept;
  bool IsEmpty() const noexcept { return m_block == nullptr; }

 private:
  struct Block {
    std::atomic<long> references;
    // the characters and their terminating zero follow
  };
  Block* m_block = nullptr;
};

}  // namespace pellacorm
