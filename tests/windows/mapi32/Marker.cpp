// Built into our own mapi32.dll for the Windows tests: tells a test that the mapi32.dll
// in its process is ours and not the system's.
#include <windows.h>

// The value Mapi32Marker answers: "MP32" as bytes.
extern "C" ULONG Mapi32Marker() {
  return 0x3233504DUL;
}
