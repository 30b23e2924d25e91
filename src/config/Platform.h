// The Windows API the product calls, as the platform library picks it, and what the
// product adds to it.
#pragma once

#include "platform/Windows.h"

#ifdef _WIN32
// winerror.h names the severity bit of an HRESULT SEVERITY_ERROR (1); the extension's
// severity levels (diagnostics/IException.h) use that name for level 2. Nothing of
// ours uses the HRESULT macro (FAILED and HRESULT_SEVERITY do that job).
#undef SEVERITY_ERROR
// The .def file names the DLL's exports.
#define PELLACORM_EXPORT
#else
#define PELLACORM_EXPORT __attribute__((visibility("default")))
#endif
