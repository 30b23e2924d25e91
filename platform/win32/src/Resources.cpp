// Module handles and module resources.
//
// A module handle here is the address at which the dynamic loader mapped the module's
// ELF image (dladdr's dli_fbase), so every address inside one module yields the same
// handle, as on Windows. A module's resources are the .res image that the resource
// compiler made from its .rc file, which the module embeds and registers when it loads
// (or entries lent one by one). Registering an image walks its records once, refusing
// a malformed one, and indexes them; an HRSRC is the address of one index entry and
// the HGLOBAL of LoadResource the address of the record's data inside the image.
#include "win32/Resources.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Registration {
  HMODULE module;
  const win32::ResourceEntry* entries;
  std::size_t count;
  // The index of a registered image, which `entries` points into. Moving a vector
  // keeps its elements where they are, so handles stay valid as registrations move.
  std::vector<win32::ResourceEntry> owned;
};

struct ResourceRegistry {
  std::mutex lock;
  std::vector<Registration> registrations;
};

// Never destroyed: modules unregister from their own static destructors, which may
// run after this library's.
ResourceRegistry& Registry() {
  static auto* registry = new ResourceRegistry();
  return *registry;
}

HMODULE ModuleOfAddress(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fbase == nullptr) {
    return nullptr;
  }
  return static_cast<HMODULE>(info.dli_fbase);
}

// The dynamic loader lists the main program first.
int TakeFirstModule(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  *static_cast<HMODULE*>(data) = ModuleOfAddress(info->dlpi_phdr);
  return 1;
}

HMODULE MainProgram() {
  HMODULE program = nullptr;
  dl_iterate_phdr(TakeFirstModule, &program);
  return program;
}

// "libfoo.so.1" -> "libfoo"; "Foo.dll" -> "Foo".
std::string Stem(const char* path) {
  const char* base = std::strrchr(path, '/');
  base = base == nullptr ? path : base + 1;
  const char* backslash = std::strrchr(base, '\\');
  base = backslash == nullptr ? base : backslash + 1;
  std::string stem(base);
  const std::size_t dot = stem.find('.');
  return dot == std::string::npos ? stem : stem.substr(0, dot);
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

struct NameSearch {
  std::string stem;
  HMODULE found = nullptr;
};

int MatchModuleName(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  auto* search = static_cast<NameSearch*>(data);
  if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0' || info->dlpi_phnum == 0) {
    return 0;
  }
  if (!SameTextIgnoringCase(Stem(info->dlpi_name), search->stem)) {
    return 0;
  }
  search->found = ModuleOfAddress(info->dlpi_phdr);
  return search->found != nullptr ? 1 : 0;
}

// A resource type or name: a number below 0x10000, or a text; "#123" is the number 123.
struct ResourceKey {
  bool numeric;
  WORD id;
};

ResourceKey KeyOf(LPCSTR nameOrId) {
  if (IS_INTRESOURCE(nameOrId)) {
    return {true, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(nameOrId))};
  }
  if (nameOrId[0] == '#') {
    return {true, static_cast<WORD>(std::strtoul(nameOrId + 1, nullptr, 10))};
  }
  return {false, 0};
}

// The languages tried, in order, when the caller asks for none in particular: neutral,
// then the user's language (English, United States, for the user this layer stands
// for), then English of any region; then whichever language the resource has.
const WORD kNeutralSearchOrder[] = {
    MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
    MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL),
};

// The records of a .res image. Each is a header, then its data padded to a DWORD:
//   DWORD DataSize, DWORD HeaderSize, TYPE, NAME, padding to a DWORD,
//   DWORD DataVersion, WORD MemoryFlags, WORD LanguageId, DWORD Version,
//   DWORD Characteristics
// where TYPE and NAME are each 0xFFFF and a WORD id, or a zero-terminated UTF-16 text.
// The first record is an empty one that marks the file as a 32-bit .res.
constexpr std::size_t kRecordPrefix = 8;    // DataSize, HeaderSize
constexpr std::size_t kRecordTrailer = 16;  // DataVersion to Characteristics
constexpr std::size_t kLanguageInTrailer = 6;

WORD WordAt(const BYTE* p) {
  return static_cast<WORD>(p[0] | (p[1] << 8));
}

DWORD DwordAt(const BYTE* p) {
  return static_cast<DWORD>(WordAt(p)) | (static_cast<DWORD>(WordAt(p + 2)) << 16);
}

// Reads the TYPE or NAME field at `pos`, which stays below `end`, and moves `pos` past
// it. False when the field runs past `end`.
bool ReadRecordKey(const BYTE* image, std::size_t& pos, std::size_t end, ResourceKey& key) {
  if (end - pos < 2) {
    return false;
  }
  if (WordAt(image + pos) == 0xFFFF) {
    if (end - pos < 4) {
      return false;
    }
    key = {true, WordAt(image + pos + 2)};
    pos += 4;
    return true;
  }
  key = {false, 0};
  for (; end - pos >= 2; pos += 2) {
    if (WordAt(image + pos) == 0) {
      pos += 2;
      return true;
    }
  }
  return false;
}

// Walks every record of a .res image into `index`, skipping the first, empty one and
// those with a named type or name. Every size is checked against the end of the image
// before anything behind it is read; false for a malformed image.
bool IndexResImage(const BYTE* image, std::size_t size, std::vector<win32::ResourceEntry>& index) {
  if (image == nullptr || size == 0 || reinterpret_cast<std::uintptr_t>(image) % 4 != 0) {
    return false;
  }
  bool first = true;
  std::size_t pos = 0;  // DWORD-aligned at every record
  while (pos < size) {
    if (size - pos < kRecordPrefix) {
      return false;
    }
    const DWORD dataSize = DwordAt(image + pos);
    const DWORD headerSize = DwordAt(image + pos + 4);
    if (headerSize % 4 != 0 || headerSize < kRecordPrefix || headerSize > size - pos) {
      return false;
    }
    const std::size_t headerEnd = pos + headerSize;
    std::size_t field = pos + kRecordPrefix;
    ResourceKey type{};
    ResourceKey name{};
    if (!ReadRecordKey(image, field, headerEnd, type) || !ReadRecordKey(image, field, headerEnd, name)) {
      return false;
    }
    field = (field + 3) & ~std::size_t{3};  // stays within the aligned headerEnd
    if (headerEnd - field != kRecordTrailer || dataSize > size - headerEnd) {
      return false;
    }
    if (first) {
      if (!type.numeric || type.id != 0 || !name.numeric || name.id != 0 || dataSize != 0) {
        return false;
      }
      first = false;
    } else if (type.numeric && name.numeric) {
      index.push_back(
          {type.id, name.id, WordAt(image + field + kLanguageInTrailer), image + headerEnd, dataSize});
    }
    const std::size_t dataEnd = headerEnd + dataSize;
    const std::size_t padding = (4 - dataEnd % 4) % 4;
    if (dataEnd != size && padding > size - dataEnd) {
      return false;
    }
    pos = dataEnd == size ? size : dataEnd + padding;
  }
  return true;
}

HRSRC ToHandle(const win32::ResourceEntry* entry) {
  return reinterpret_cast<HRSRC>(const_cast<win32::ResourceEntry*>(entry));
}

HRSRC Find(HMODULE module, LPCSTR type, LPCSTR name, WORD language, bool anyLanguage) {
  if (module == nullptr) {
    module = MainProgram();
  }
  const ResourceKey typeKey = KeyOf(type);
  const ResourceKey nameKey = KeyOf(name);

  ResourceRegistry& registry = Registry();
  const std::lock_guard<std::mutex> guard(registry.lock);
  std::vector<const win32::ResourceEntry*> candidates;
  bool moduleHasResources = false;
  bool typeFound = false;
  for (const Registration& r : registry.registrations) {
    if (r.module != module) {
      continue;
    }
    moduleHasResources = true;
    for (std::size_t i = 0; i < r.count; ++i) {
      const win32::ResourceEntry& e = r.entries[i];
      if (!typeKey.numeric || e.type != typeKey.id) {
        continue;
      }
      typeFound = true;
      if (nameKey.numeric && e.id == nameKey.id) {
        candidates.push_back(&e);
      }
    }
  }
  if (!moduleHasResources) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  if (!typeFound) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  if (candidates.empty()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  auto withLanguage = [&candidates](WORD wanted) -> const win32::ResourceEntry* {
    for (const win32::ResourceEntry* e : candidates) {
      if (e->language == wanted) {
        return e;
      }
    }
    return nullptr;
  };
  if (anyLanguage) {
    for (WORD wanted : kNeutralSearchOrder) {
      if (const win32::ResourceEntry* e = withLanguage(wanted)) {
        return ToHandle(e);
      }
    }
    return ToHandle(candidates.front());
  }
  if (const win32::ResourceEntry* e = withLanguage(language)) {
    return ToHandle(e);
  }
  if (const win32::ResourceEntry* e = withLanguage(MAKELANGID(PRIMARYLANGID(language), SUBLANG_NEUTRAL))) {
    return ToHandle(e);
  }
  SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
  return nullptr;
}

// The registered entry behind a handle, or null when the handle names none.
const win32::ResourceEntry* EntryOf(HRSRC resource) {
  if (resource == nullptr) {
    return nullptr;
  }
  const auto* wanted = reinterpret_cast<const win32::ResourceEntry*>(resource);
  ResourceRegistry& registry = Registry();
  const std::lock_guard<std::mutex> guard(registry.lock);
  for (const Registration& r : registry.registrations) {
    if (wanted >= r.entries && wanted < r.entries + r.count) {
      return wanted;
    }
  }
  return nullptr;
}

}  // namespace

/***********************************************************************
 *           GetModuleHandleExA
 *
 * Retrieves the handle of a loaded module.
 *
 * PARAMS
 *  flags      [I] GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS: moduleName is an address
 *                 inside the module; GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT and
 *                 GET_MODULE_HANDLE_EX_FLAG_PIN as on Windows (see NOTES).
 *  moduleName [I] NULL for the main program, a module name ("Foo", "Foo.dll" or the
 *                 file name of the shared object), or an address (FROM_ADDRESS).
 *  module     [O] receives the handle; NULL on failure.
 *
 * RETURNS
 *  Success: TRUE.
 *  Failure: FALSE. GetLastError() is ERROR_INVALID_PARAMETER for a NULL module
 *           pointer, unknown flags or PIN together with UNCHANGED_REFCOUNT, and
 *           ERROR_MOD_NOT_FOUND when no loaded module matches.
 *
 * NOTES
 *  The handle is the base address of the module's image, the same for every address
 *  inside it. Module reference counts are not kept: the dynamic loader owns the
 *  lifetime of shared objects, so the counted form and PIN behave like
 *  UNCHANGED_REFCOUNT. A name matches a module whose file name has the same stem,
 *  ignoring case ("PellacormRuleExt.dll" finds PellacormRuleExt.so).
 */
BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module) {
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  const DWORD known = GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT |
                      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
  if ((flags & ~known) != 0 || ((flags & GET_MODULE_HANDLE_EX_FLAG_PIN) != 0 &&
                                (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HMODULE found = nullptr;
  if ((flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) != 0) {
    found = ModuleOfAddress(moduleName);
  } else if (moduleName == nullptr) {
    found = MainProgram();
  } else {
    NameSearch search{Stem(moduleName)};
    dl_iterate_phdr(MatchModuleName, &search);
    found = search.found;
  }
  if (found == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  *module = found;
  return TRUE;
}

/***********************************************************************
 *           FindResourceExA
 *
 * Finds a resource of a module in a given language.
 *
 * PARAMS
 *  module   [I] module handle; NULL for the main program.
 *  type     [I] resource type: MAKEINTRESOURCEA(n), "#n", or a type name.
 *  name     [I] resource name: MAKEINTRESOURCEA(n), "#n", or a name.
 *  language [I] LANGID; MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL) takes any language
 *               in the order FindResourceA uses.
 *
 * RETURNS
 *  Success: the resource's handle, for LoadResource and SizeofResource.
 *  Failure: NULL. GetLastError() is ERROR_RESOURCE_DATA_NOT_FOUND when the module has
 *           no resources, ERROR_RESOURCE_TYPE_NOT_FOUND when it has none of the type,
 *           ERROR_RESOURCE_NAME_NOT_FOUND when none of the type has the name, and
 *           ERROR_RESOURCE_LANG_NOT_FOUND when the name exists in other languages only.
 *
 * NOTES
 *  Registered resources have numeric types and names only, so a type or name given
 *  as a text other than "#n" is never found. A specific language that is missing falls
 *  back to the same primary language with SUBLANG_NEUTRAL.
 */
HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language) {
  if (type == nullptr || name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Find(module, type, name, language, language == MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
}

/***********************************************************************
 *           FindResourceA
 *
 * Finds a resource of a module in any language.
 *
 * PARAMS
 *  module [I] module handle; NULL for the main program.
 *  name   [I] resource name: MAKEINTRESOURCEA(n), "#n", or a name.
 *  type   [I] resource type: MAKEINTRESOURCEA(n), "#n", or a type name.
 *
 * RETURNS
 *  Success: the resource's handle.
 *  Failure: NULL, with the last-error values of FindResourceExA.
 *
 * NOTES
 *  Note the order of the arguments: name before type, the reverse of FindResourceExA.
 *  Of several languages the neutral one is taken first, then English (United States),
 *  then English of any region, then the first registered.
 */
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  return FindResourceExA(module, type, name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
}

/***********************************************************************
 *           LoadResource
 *
 * Gives access to the data of a found resource.
 *
 * PARAMS
 *  module   [I] the module the resource was found in (not needed here).
 *  resource [I] handle from FindResourceA or FindResourceExA.
 *
 * RETURNS
 *  Success: a handle for LockResource.
 *  Failure: NULL; GetLastError() is ERROR_INVALID_HANDLE when the handle names no
 *           registered resource.
 *
 * NOTES
 *  Nothing is loaded or copied: the data stays where the module keeps it, and the
 *  handle is its address, as on 32-bit and 64-bit Windows.
 */
HGLOBAL LoadResource(HMODULE /*module*/, HRSRC resource) {
  const win32::ResourceEntry* entry = EntryOf(resource);
  if (entry == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return const_cast<BYTE*>(entry->data);
}

/***********************************************************************
 *           LockResource
 *
 * PARAMS
 *  data [I] handle from LoadResource.
 *
 * RETURNS
 *  The address of the resource's first byte; NULL for a NULL handle. The data is
 *  read-only and needs no unlocking.
 */
LPVOID LockResource(HGLOBAL data) {
  return data;
}

/***********************************************************************
 *           SizeofResource
 *
 * PARAMS
 *  module   [I] the module the resource was found in (not needed here).
 *  resource [I] handle from FindResourceA or FindResourceExA.
 *
 * RETURNS
 *  Success: the size of the resource's data in bytes.
 *  Failure: 0; GetLastError() is ERROR_INVALID_HANDLE when the handle names no
 *           registered resource.
 */
DWORD SizeofResource(HMODULE /*module*/, HRSRC resource) {
  const win32::ResourceEntry* entry = EntryOf(resource);
  if (entry == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return entry->size;
}

namespace win32 {

void RegisterModuleResources(const void* addressInModule, const ResourceEntry* entries, std::size_t count) {
  const HMODULE module = ModuleOfAddress(addressInModule);
  if (module == nullptr || entries == nullptr || count == 0) {
    return;
  }
  ResourceRegistry& registry = Registry();
  const std::lock_guard<std::mutex> guard(registry.lock);
  registry.registrations.push_back({module, entries, count, {}});
}

bool RegisterModuleResourceImage(const void* addressInModule, const BYTE* image, std::size_t size) {
  const HMODULE module = ModuleOfAddress(addressInModule);
  std::vector<ResourceEntry> index;
  if (module == nullptr || !IndexResImage(image, size, index)) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  if (index.empty()) {
    return true;
  }
  Registration registration{module, index.data(), index.size(), std::move(index)};
  ResourceRegistry& registry = Registry();
  const std::lock_guard<std::mutex> guard(registry.lock);
  registry.registrations.push_back(std::move(registration));
  return true;
}

void UnregisterModuleResources(const void* addressInModule) {
  const HMODULE module = ModuleOfAddress(addressInModule);
  ResourceRegistry& registry = Registry();
  const std::lock_guard<std::mutex> guard(registry.lock);
  auto& all = registry.registrations;
  all.erase(
      std::remove_if(all.begin(), all.end(), [module](const Registration& r) { return r.module == module; }),
      all.end());
}

}  // namespace win32
