// Texts of the library's string table.
#pragma once

#include <string>

#include "config/Platform.h"

namespace pellacorm {

// The handle of the module this code is linked into (the extension library).
HINSTANCE ModuleInstance();

// The string `id` of the module's string table as ANSI text in the thread's code page;
// "###" when the table has no such entry or the entry is empty. Never fails.
std::string LoadResString(UINT id);

}  // namespace pellacorm
