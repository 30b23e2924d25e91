// The MAPI names: the SDK's headers on Windows, the platform layer's declaration of the
// same names elsewhere.
#pragma once

#include "platform/Windows.h"

#ifdef _WIN32
#include <mapix.h>
#include <mapiutil.h>
#else
#include "mapi32/Mapi.h"
#endif
