// What this platform layer provides of the Windows API.
#pragma once

#include "win32/Types.h"
#include "win32/Crt.h"
#include "win32/Registry.h"
#include "win32/Resources.h"
#include "win32/Synch.h"
#include "win32/Text.h"
#include "win32/User32.h"
