// Module handles and resources. A module's resources are the .res image that the
// resource compiler makes from its .rc file; the module registers it when it is loaded.
#pragma once

#include "win32/Types.h"

#define MAKEINTRESOURCEA(i) reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i)))
#define IS_INTRESOURCE(r) ((reinterpret_cast<ULONG_PTR>(r) >> 16) == 0)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_VERSION MAKEINTRESOURCEA(16)

#define MAKELANGID(primary, sub) \
  static_cast<WORD>((static_cast<WORD>(sub) << 10) | static_cast<WORD>(primary))
#define PRIMARYLANGID(lang) static_cast<WORD>((lang)&0x3ff)
#define SUBLANGID(lang) static_cast<WORD>(static_cast<WORD>(lang) >> 10)
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_SYS_DEFAULT 0x02
#define SUBLANG_ENGLISH_US 0x01

#define ERROR_MOD_NOT_FOUND 126L

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

namespace win32 {

// One resource of a module, as the resource compiler lays it out.
struct ResourceEntry {
  WORD type;      // numeric type (RT_STRING, RT_DIALOG, ...)
  WORD id;        // numeric name
  WORD language;  // LANGID
  const BYTE* data;
  DWORD size;
};

// Makes the resources of the module that contains `addressInModule` findable
// through its module handle. The entries must stay valid until the module is
// unregistered. Registering twice for one module adds to its resources.
void RegisterModuleResources(const void* addressInModule, const ResourceEntry* entries, std::size_t count);
// Makes the resources of a .res image, as the resource compiler writes it, findable
// through the handle of the module that contains `addressInModule`; the module calls
// this when it loads. The image is served in place and must stay valid, DWORD-aligned,
// until the module is unregistered. A malformed image registers nothing: false, with
// ERROR_INVALID_DATA. Records with a named type or name are skipped.
bool RegisterModuleResourceImage(const void* addressInModule, const BYTE* image, std::size_t size);
// Forgets every resource registered for the module that contains `addressInModule`.
void UnregisterModuleResources(const void* addressInModule);

}  // namespace win32
