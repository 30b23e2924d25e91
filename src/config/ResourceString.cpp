#include "config/ResourceString.h"

#include <atomic>
#include <utility>

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

// Texts already read from the string table and converted. A loaded module's string
// table never changes, so each text is read once for each ANSI code page it is asked
// in (one in a Windows process; tests of the Linux build switch it). The kept texts
// form a list that only grows, so readers need no lock: a text is never freed or
// changed while the module is loaded, and two threads that read the same text at once
// both keep it, harmlessly.
struct KeptText {
  UINT id;
  UINT codePage;
  std::string text;
  const KeptText* next;
};

class KeptTexts {
 public:
  constexpr KeptTexts() = default;
  KeptTexts(const KeptTexts&) = delete;
  KeptTexts& operator=(const KeptTexts&) = delete;
  ~KeptTexts() {
    const KeptText* kept = m_first.load(std::memory_order_acquire);
    while (kept != nullptr) {
      const KeptText* next = kept->next;
      delete kept;
      kept = next;
    }
  }

  const KeptText* Find(UINT id, UINT codePage) const {
    for (const KeptText* kept = m_first.load(std::memory_order_acquire); kept != nullptr; kept = kept->next) {
      if (kept->id == id && kept->codePage == codePage) {
        return kept;
      }
    }
    return nullptr;
  }

  // Throws std::bad_alloc, keeping nothing.
  const KeptText& Keep(UINT id, UINT codePage, std::string text) {
    auto* kept = new KeptText{id, codePage, std::move(text), m_first.load(std::memory_order_relaxed)};
    while (!m_first.compare_exchange_weak(kept->next, kept, std::memory_order_release,
                                          std::memory_order_relaxed)) {
    }
    return *kept;
  }

 private:
  std::atomic<const KeptText*> m_first{nullptr};
};

KeptTexts g_keptTexts;

// Reads the string `id` of the module's string table into `text` as ANSI text;
// false when the table has no such entry or the entry is empty.
bool ReadFromStringTable(UINT id, std::string& text) {
  const HMODULE module = ModuleInstance();
  // Numeric resource names and types are integers in a pointer's clothing.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  const HRSRC block = FindResourceA(module, MAKEINTRESOURCEA(id / kStringsPerBlock + 1), RT_STRING);
  if (block == nullptr) {
    return false;
  }
  const HGLOBAL loaded = LoadResource(module, block);
  const auto* units = static_cast<const WCHAR*>(LockResource(loaded));
  if (units == nullptr) {
    return false;
  }
  // Walk to the entry, never past the block's end.
  const std::size_t blockUnits = SizeofResource(module, block) / sizeof(WCHAR);
  std::size_t at = 0;
  for (UINT entry = 0; entry < id % kStringsPerBlock; ++entry) {
    if (at >= blockUnits) {
      return false;
    }
    at += 1 + static_cast<std::size_t>(units[at]);
  }
  if (at >= blockUnits) {
    return false;
  }
  const std::size_t count = units[at];
  if (count == 0 || count > blockUnits - at - 1) {
    return false;
  }
  const LPCWSTR source = units + at + 1;
  const int needed =
      WideCharToMultiByte(CP_ACP, 0, source, static_cast<int>(count), nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    return false;
  }
  text.assign(static_cast<std::size_t>(needed), '\0');
  return WideCharToMultiByte(CP_ACP, 0, source, static_cast<int>(count), &text[0], needed, nullptr,
                             nullptr) == needed;
}

}  // namespace

HINSTANCE ModuleInstance() {
  // The module holding this code cannot change while the code runs: it is looked up
  // once (a lookup by address walks the loaded modules).
  static const HMODULE module = FindModuleInstance();
  return module;
}

std::string_view ResStringView(UINT id) {
  const UINT codePage = GetACP();
  if (const KeptText* kept = g_keptTexts.Find(id, codePage)) {
    return kept->text;
  }
  std::string text;
  if (!ReadFromStringTable(id, text)) {
    return kMissing;
  }
  return g_keptTexts.Keep(id, codePage, std::move(text)).text;
}

std::string LoadResString(UINT id) {
  return std::string(ResStringView(id));
}

}  // namespace pellacorm
