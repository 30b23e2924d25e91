// Exports of our own MAPI32 beyond the SDK's, for tests: a count of live buffers and a
// way to make an allocation fail. Built into the Linux layer and into the mapi32.dll
// that the Windows tests load.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "win32/Types.h"
#endif

extern "C" {
// Number of buffers from MAPIAllocateBuffer not yet given to MAPIFreeBuffer.
ULONG Mapi32LiveBufferCount();
// Makes the nth MAPIAllocateBuffer or MAPIAllocateMore call from now (1 = the next)
// fail with MAPI_E_NOT_ENOUGH_MEMORY; 0 cancels a pending failure.
void Mapi32FailAllocation(ULONG nth);
}
