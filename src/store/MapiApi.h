// The MAPI names the product calls: the SDK's headers on Windows, our own declaration
// of the same names elsewhere.
#pragma once

#include "config/Platform.h"

#ifdef _WIN32
#include <mapix.h>
#include <mapiutil.h>
#else
#include "mapi32/Mapi.h"
#endif
