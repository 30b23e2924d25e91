// GUID comparison, interlocked counters, the thread's last-error value and slim locks.
#include "win32/Types.h"

#include "win32/Synch.h"

#include <cstring>

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool IsEqualGUID(REFGUID a, REFGUID b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

// Windows performs these as one locked instruction on an aligned 32-bit value;
// std::atomic_ref is not in C++17, so the value is accessed through the atomic
// builtins that the compiler lowers to the same instruction.
LONG InterlockedIncrement(LONG volatile* addend) {
  return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedDecrement(LONG volatile* addend) {
  return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

namespace {
thread_local DWORD t_lastError = 0;
}

DWORD GetLastError() {
  return t_lastError;
}

void SetLastError(DWORD error) {
  t_lastError = error;
}

void InitializeSRWLock(PSRWLOCK lock) {
  *lock = SRWLOCK_INIT;
}

void AcquireSRWLockExclusive(PSRWLOCK lock) {
  pthread_mutex_lock(&lock->Mutex);
}

void ReleaseSRWLockExclusive(PSRWLOCK lock) {
  pthread_mutex_unlock(&lock->Mutex);
}

BOOLEAN TryAcquireSRWLockExclusive(PSRWLOCK lock) {
  return pthread_mutex_trylock(&lock->Mutex) == 0 ? TRUE : FALSE;
}
