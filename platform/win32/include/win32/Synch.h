// Slim reader/writer locks, exclusive mode: what the product needs to guard state that
// every thread of the process shares. As on Windows, a lock is a plain object that
// SRWLOCK_INIT (or InitializeSRWLock) makes ready, needs no clean-up, and is not
// recursive: a thread that holds it must not acquire it again.
#pragma once

#include <pthread.h>

#include "win32/Types.h"

// Windows keeps the lock in one pointer-sized word; here it wraps a mutex of the
// system's own, which the thread sanitizer understands. Its zero state is the unlocked
// one on both.
typedef struct _RTL_SRWLOCK {
  pthread_mutex_t Mutex;
} RTL_SRWLOCK, SRWLOCK, *PSRWLOCK;

#define SRWLOCK_INIT \
  { PTHREAD_MUTEX_INITIALIZER }

void InitializeSRWLock(PSRWLOCK lock);
void AcquireSRWLockExclusive(PSRWLOCK lock);
void ReleaseSRWLockExclusive(PSRWLOCK lock);
BOOLEAN TryAcquireSRWLockExclusive(PSRWLOCK lock);
