// Texts of the library's string table.
#pragma once

#include <string>
#include <string_view>

#include "config/Platform.h"

namespace pellacorm {

// The handle of the module this code is linked into (the extension library).
HINSTANCE ModuleInstance();

// The string `id` of the module's string table as ANSI text in the process's code page
// (CP_ACP); "###" when the table has no such entry or the entry is empty. Throws only
// std::bad_alloc.
std::string LoadResString(UINT id);

// The same text, read from the table once and kept while the module is loaded: the
// view stays valid until then.
std::string_view ResStringView(UINT id);

}  // namespace pellacorm
