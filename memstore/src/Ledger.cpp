// The ledger of live memstore objects and the count of live MAPI buffers.
#include "memstore/Ledger.h"

#include <cstring>
#include <atomic>
#include <map>

#include "Tracking.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "mapi32/Diagnostics.h"
#endif

namespace memstore {
namespace {

// A lock that needs no thread library: this MinGW-w64 runtime has no std::mutex.
// Contention is rare (objects come and go on one thread at a time), so spinning is fine.
class SpinLock {
 public:
  void lock() {
    while (m_flag.test_and_set(std::memory_order_acquire)) {
    }
  }
  void unlock() { m_flag.clear(std::memory_order_release); }

 private:
  std::atomic_flag m_flag = ATOMIC_FLAG_INIT;
};

class Guard {
 public:
  explicit Guard(SpinLock& lock) : m_lock(lock) { m_lock.lock(); }
  ~Guard() { m_lock.unlock(); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  SpinLock& m_lock;
};

struct Registry {
  SpinLock mutex;
  std::uint64_t nextSerial = 1;
  std::map<std::uint64_t, TrackedObject> objects;
  Ledger::BufferCounter counter = nullptr;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // outlives every static object that may release
  return *registry;
}

ULONG DefaultBufferCount() {
#ifdef _WIN32
  // Our own mapi32.dll exports the count; the system's does not.
  HMODULE module = GetModuleHandleA("mapi32.dll");
  if (module == nullptr) {
    return 0;
  }
  FARPROC proc = GetProcAddress(module, "Mapi32LiveBufferCount");
  if (proc == nullptr) {
    return 0;
  }
  ULONG (*count)() = nullptr;
  static_assert(sizeof count == sizeof proc, "function pointers of one size");
  std::memcpy(&count, &proc, sizeof count);
  return count();
#else
  return Mapi32LiveBufferCount();
#endif
}

std::vector<LiveObject> Collect(std::uint64_t after) {
  Registry& registry = TheRegistry();
  Guard lock(registry.mutex);
  std::vector<LiveObject> live;
  for (auto it = registry.objects.upper_bound(after); it != registry.objects.end(); ++it) {
    live.push_back({it->second.kind, it->second.name(), it->second.references->load()});
  }
  return live;
}

}  // namespace

const char* KindName(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::Session:
      return "session";
    case ObjectKind::Store:
      return "store";
    case ObjectKind::Folder:
      return "folder";
    case ObjectKind::Message:
      return "message";
    case ObjectKind::Table:
      return "table";
  }
  return "object";
}

std::uint64_t Track(TrackedObject object) {
  Registry& registry = TheRegistry();
  Guard lock(registry.mutex);
  const std::uint64_t serial = registry.nextSerial++;
  registry.objects.emplace(serial, std::move(object));
  return serial;
}

std::atomic<std::uint64_t> g_namesBuilt{0};

void CountNameBuilt() {
  ++g_namesBuilt;
}

std::uint64_t Ledger::NamesBuilt() {
  return g_namesBuilt.load();
}

void Untrack(std::uint64_t serial) {
  Registry& registry = TheRegistry();
  Guard lock(registry.mutex);
  registry.objects.erase(serial);
}

Ledger::Mark Ledger::Now() {
  Registry& registry = TheRegistry();
  Mark mark;
  {
    Guard lock(registry.mutex);
    mark.serial = registry.nextSerial - 1;
  }
  mark.buffers = LiveBuffers();
  return mark;
}

std::vector<LiveObject> Ledger::LiveObjectsSince(const Mark& since) {
  return Collect(since.serial);
}

std::vector<LiveObject> Ledger::LiveObjects() {
  return Collect(0);
}

ULONG Ledger::LiveBuffers() {
  BufferCounter counter = nullptr;
  {
    Registry& registry = TheRegistry();
    Guard lock(registry.mutex);
    counter = registry.counter;
  }
  return counter != nullptr ? counter() : DefaultBufferCount();
}

void Ledger::SetBufferCounter(BufferCounter counter) {
  Registry& registry = TheRegistry();
  Guard lock(registry.mutex);
  registry.counter = counter;
}

std::string Ledger::ReportSince(const Mark& since) {
  const std::vector<LiveObject> live = LiveObjectsSince(since);
  const ULONG buffers = LiveBuffers();
  std::string report;
  if (!live.empty()) {
    report += std::to_string(live.size()) + (live.size() == 1 ? " memstore object" : " memstore objects") +
              " still live:\n";
    for (const LiveObject& object : live) {
      report += std::string("  ") + KindName(object.kind) + " \"" + object.name + "\" (" +
                std::to_string(object.references) +
                (object.references == 1 ? " reference)\n" : " references)\n");
    }
  }
  if (buffers > since.buffers) {
    report += std::to_string(buffers) + " MAPI buffers still live (" + std::to_string(since.buffers) +
              " at the start)\n";
  }
  return report;
}

}  // namespace memstore
