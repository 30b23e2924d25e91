#include "config/ResourceString.h"

namespace pellacorm {

namespace {

// What a caller gets for a string the table does not hold.
const char kMissing[] = "###";

// Strings are kept in blocks of sixteen; each entry is a count of UTF-16 units and
// then the units, without a terminator.
constexpr UINT kStringsPerBlock = 16;

HMODULE FindModuleInstance() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&FindModuleInstance), &module)) {
    return nullptr;
  }
  return module;
}

}  // namespace

HINSTANCE ModuleInstance() {
  // The module holding this code cannot change while the code runs: it is looked up
  // once (a lookup by address walks the loaded modules).
  static const HMODULE module = FindModuleInstance();
  return module;
}

std::string LoadResString(UINT id) {
  const HMODULE module = ModuleInstance();
  // Numeric resource names and types are integers in a pointer's clothing.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  const HRSRC block = FindResourceA(module, MAKEINTRESOURCEA(id / kStringsPerBlock + 1), RT_STRING);
  if (block == nullptr) {
    return kMissing;
  }
  const HGLOBAL loaded = LoadResource(module, block);
  const auto* units = static_cast<const WCHAR*>(LockResource(loaded));
  if (units == nullptr) {
    return kMissing;
  }
  // Walk to the entry, never past the block's end.
  const std::size_t blockUnits = SizeofResource(module, block) / sizeof(WCHAR);
  std::size_t at = 0;
  for (UINT entry = 0; entry < id % kStringsPerBlock; ++entry) {
    if (at >= blockUnits) {
      return kMissing;
    }
    at += 1 + static_cast<std::size_t>(units[at]);
  }
  if (at >= blockUnits) {
    return kMissing;
  }
  const std::size_t count = units[at];
  if (count == 0 || count > blockUnits - at - 1) {
    return kMissing;
  }
  const LPCWSTR text = units + at + 1;
  const int needed =
      WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(count), nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    return kMissing;
  }
  std::string converted(static_cast<std::size_t>(needed), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(count), &converted[0], needed, nullptr,
                          nullptr) != needed) {
    return kMissing;
  }
  return converted;
}

}  // namespace pellacorm
