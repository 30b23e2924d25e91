// On Windows the SDK's own headers declare what our mapi32.dll defines; the sources
// include "mapi32/Mapi.h" on every platform.
#pragma once

#include <windows.h>

#include <mapix.h>
#include <mapiutil.h>
