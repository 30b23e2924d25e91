// The product's version, in one place: the DLL's version information (ExchRuleExt.rc),
// the Windows Installer packages and their file names (CMakeLists.txt reads these three
// lines) all take it from here. Windows Installer compares the first three fields of a
// version only, so the DLL's fourth field stays 0.
#pragma once

#define PELLACORM_VERSION_MAJOR 1
#define PELLACORM_VERSION_MINOR 0
#define PELLACORM_VERSION_PATCH 0
