// An owner for an open registry key: closes it when it goes, so no reading leaves a
// key open on any path.
#pragma once

#include <utility>

#include "platform/Windows.h"

namespace platform {

class RegKey {
 public:
  RegKey() = default;
  // Takes over a key the caller opened.
  explicit RegKey(HKEY key) noexcept : m_key(key) {}
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) {
      Reset(std::exchange(other.m_key, nullptr));
    }
    return *this;
  }
  ~RegKey() { Reset(); }

  HKEY Get() const noexcept { return m_key; }
  explicit operator bool() const noexcept { return m_key != nullptr; }
  // Closes what is held and gives the address for an out argument.
  HKEY* Put() noexcept {
    Reset();
    return &m_key;
  }
  void Reset(HKEY key = nullptr) noexcept {
    HKEY old = std::exchange(m_key, key);
    if (old != nullptr) {
      RegCloseKey(old);
    }
  }

 private:
  HKEY m_key = nullptr;
};

}  // namespace platform
