// How memstore's objects enter and leave the ledger.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "memstore/Ledger.h"

namespace memstore {

struct TrackedObject {
  ObjectKind kind;
  std::function<std::string()> name;  // reads the model only, never the object
  const std::atomic<ULONG>* references;
};

// Returns the object's serial number, which Untrack takes back.
std::uint64_t Track(TrackedObject object);
void Untrack(std::uint64_t serial);
// Counts one name an object built for itself (Ledger::NamesBuilt).
void CountNameBuilt();

}  // namespace memstore
