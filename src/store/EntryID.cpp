#include "store/EntryID.h"

#include <cstring>
#include <utility>

namespace pellacorm {

EntryID::EntryID(const EntryID& other) {
  *this = other;
}

EntryID::EntryID(EntryID&& other) noexcept
    : m_cb(std::exchange(other.m_cb, 0)), m_lpb(std::exchange(other.m_lpb, nullptr)) {}

EntryID& EntryID::operator=(const EntryID& other) {
  if (this != &other) {
    Assign(other.m_cb, other.m_lpb);
  }
  return *this;
}

EntryID& EntryID::operator=(EntryID&& other) noexcept {
  if (this != &other) {
    Free();
    m_cb = std::exchange(other.m_cb, 0);
    m_lpb = std::exchange(other.m_lpb, nullptr);
  }
  return *this;
}

EntryID& EntryID::operator=(const SBinary& bin) {
  Assign(bin.cb, bin.lpb);
  return *this;
}

EntryID::~EntryID() {
  Free();
}

void EntryID::Assign(ULONG count, const BYTE* bytes) {
  if (count != 0 && bytes == nullptr) {
    count = 0;
  }
  if (!Resize(count)) {
    return;
  }
  if (count != 0) {
    std::memcpy(m_lpb, bytes, count);
  }
}

bool EntryID::Resize(ULONG n) {
  if (n == m_cb) {
    return true;
  }
  Free();
  LPVOID buffer = nullptr;
  if (FAILED(MAPIAllocateBuffer(n, &buffer)) || buffer == nullptr) {
    // Nothing is copied into a buffer that is not there: the record stays empty.
    return false;
  }
  m_lpb = static_cast<LPBYTE>(buffer);
  m_cb = n;
  return true;
}

void EntryID::Free() {
  if (m_lpb != nullptr) {
    MAPIFreeBuffer(m_lpb);
  }
  m_lpb = nullptr;
  m_cb = 0;
}

bool EntryID::operator==(const EntryID& other) const {
  return m_cb == other.m_cb && (m_cb == 0 || std::memcmp(m_lpb, other.m_lpb, m_cb) == 0);
}

}  // namespace pellacorm
