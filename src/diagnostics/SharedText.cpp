#include "diagnostics/SharedText.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace pellacorm {

SharedText::SharedText(const char* text) noexcept
    : SharedText(text, text != nullptr ? std::strlen(text) : 0) {}

SharedText::SharedText(const char* text, std::size_t length) noexcept {
  if (text == nullptr || length == 0) {
    return;
  }
  void* raw = std::malloc(sizeof(Block) + length + 1);
  if (raw == nullptr) {
    return;
  }
  m_block = new (raw) Block{{1}};
  char* chars = reinterpret_cast<char*>(m_block + 1);
  std::memcpy(chars, text, length);
  chars[length] = '\0';
}

SharedText::SharedText(const SharedText& other) noexcept : m_block(other.m_block) {
  if (m_block != nullptr) {
    m_block->references.fetch_add(1, std::memory_order_relaxed);
  }
}

SharedText::SharedText(SharedText&& other) noexcept : m_block(std::exchange(other.m_block, nullptr)) {}

SharedText& SharedText::operator=(SharedText other) noexcept {
  std::swap(m_block, other.m_block);
  return *this;
}

SharedText::~SharedText() {
  if (m_block != nullptr && m_block->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    m_block->~Block();
    std::free(m_block);
  }
}

const char* SharedText::Get() const noexcept {
  return m_block != nullptr ? reinterpret_cast<const char*>(m_block + 1) : nullptr;
}

}  // namespace pellacorm
