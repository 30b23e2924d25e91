#include "config/RegistryValues.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace pellacorm {

namespace {

constexpr DWORD kFirstReadSize = 256;

// Reads a value into `buffer`: once at the buffer's size and, when the registry asks for
// more room, once more at the size it reports. `size` receives the data's size.
LSTATUS ReadValue(HKEY key, LPCSTR name, std::vector<BYTE>& buffer, DWORD& type, DWORD& size) {
  size = static_cast<DWORD>(buffer.size());
  LSTATUS result = RegQueryValueExA(key, name, nullptr, &type, buffer.data(), &size);
  if (result == ERROR_MORE_DATA) {
    buffer.resize(size);
    size = static_cast<DWORD>(buffer.size());
    result = RegQueryValueExA(key, name, nullptr, &type, buffer.data(), &size);
  }
  return result;
}

// The result of a read: ERROR_INVALID_DATA for a value of another type, E_FAIL when it
// could not be read.
LONG ReadResult(LSTATUS read, DWORD type, DWORD expected) {
  if ((read == ERROR_SUCCESS || read == ERROR_MORE_DATA) && type != expected) {
    return ERROR_INVALID_DATA;
  }
  return read == ERROR_SUCCESS ? 0 : static_cast<LONG>(E_FAIL);
}

}  // namespace

LONG QueryRegString(HKEY key, LPCSTR name, std::string& value) noexcept {
  value.clear();
  try {
    std::vector<BYTE> buffer(kFirstReadSize);
    DWORD type = REG_NONE;
    DWORD size = 0;
    const LSTATUS read = ReadValue(key, name, buffer, type, size);
    const LONG result = ReadResult(read, type, REG_SZ);
    if (result != 0) {
      return result;
    }
    // The registry's size counts what it stored, which need not end in a zero byte.
    const std::size_t limit = size < buffer.size() ? size : buffer.size();
    const auto* text = reinterpret_cast<const char*>(buffer.data());
    const void* zero = std::memchr(text, 0, limit);
    value.assign(text, zero != nullptr ? static_cast<const char*>(zero) - text : limit);
    return 0;
  } catch (const std::bad_alloc&) {
    value.clear();
    return E_FAIL;
  }
}

LONG QueryRegBinary(HKEY key, LPCSTR name, std::vector<BYTE>& value) noexcept {
  try {
    std::vector<BYTE> buffer(kFirstReadSize);
    DWORD type = REG_NONE;
    DWORD size = 0;
    const LSTATUS read = ReadValue(key, name, buffer, type, size);
    const LONG result = ReadResult(read, type, REG_BINARY);
    if (result != 0) {
      return result;
    }
    buffer.resize(size < buffer.size() ? size : buffer.size());
    value.swap(buffer);
    return 0;
  } catch (const std::bad_alloc&) {
    return E_FAIL;
  }
}

bool QueryRegDword(HKEY key, LPCSTR name, DWORD& value) noexcept {
  BYTE bytes[4] = {};
  DWORD type = REG_NONE;
  DWORD size = sizeof bytes;
  if (RegQueryValueExA(key, name, nullptr, &type, bytes, &size) != ERROR_SUCCESS || type != REG_DWORD ||
      size != sizeof bytes) {
    return false;
  }
  value = bytes[0] | (static_cast<DWORD>(bytes[1]) << 8) | (static_cast<DWORD>(bytes[2]) << 16) |
          (static_cast<DWORD>(bytes[3]) << 24);
  return true;
}

}  // namespace pellacorm
