// The failure injection of the MAPI allocator the tests run on: the Linux layer's
// mapi32, or under Windows the mapi32.dll of our own that is loaded beside the test
// program (a test checks it is ours).
#pragma once

#include "platform/Mapi.h"

namespace testsupport {

// Makes the nth MAPI allocation from now on fail with MAPI_E_NOT_ENOUGH_MEMORY; 0 turns
// the injection off. False when the loaded mapi32 has no injection (not ours).
bool FailMapiAllocation(ULONG nth);

}  // namespace testsupport
