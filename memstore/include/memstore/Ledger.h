// The ledger of what memstore has handed out and not yet had back: every COM object
// (session, store, folder, message, table) from its creation to its last Release, and,
// through MAPI32, the count of live MAPI buffers. A test takes a mark at its start and
// asks at its end whether anything created since is still live.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Mapi.h"

namespace memstore {

enum class ObjectKind { Session, Store, Folder, Message, Table };

// "session", "store", "folder", "message", "table".
const char* KindName(ObjectKind kind);

struct LiveObject {
  ObjectKind kind;
  std::string name;  // as the object names itself now, e.g. "Mailbox/Inbox#associated"
  ULONG references;
};

class Ledger {
 public:
  // A point in time to count from.
  struct Mark {
    std::uint64_t serial = 0;  // objects created after this one are counted
    ULONG buffers = 0;         // live MAPI buffers at the mark
  };

  static Mark Now();

  // Objects created after `since` and not yet released, oldest first.
  static std::vector<LiveObject> LiveObjectsSince(const Mark& since);
  // Every live object.
  static std::vector<LiveObject> LiveObjects();

  // Live MAPI buffers in the process (MAPI32's count). On Windows the count comes from
  // the Mapi32LiveBufferCount export of a loaded mapi32.dll that has one, else 0.
  static ULONG LiveBuffers();

  // Empty when nothing created since `since` is live and no more MAPI buffers are live
  // than at the mark; otherwise one line per live object and one for the buffers:
  //   2 memstore objects still live:
  //     folder "Mailbox/Inbox" (1 reference)
  //     table "Mailbox/Inbox#associated" (1 reference)
  //   3 MAPI buffers still live (1 at the start)
  static std::string ReportSince(const Mark& since);

  // Replaces where LiveBuffers reads its count (nullptr restores the default), for a
  // host that links its own MAPI32.
  using BufferCounter = ULONG (*)();
  static void SetBufferCounter(BufferCounter counter);

  // How many times an object has built its name in this process. A folder's name is its
  // path from the store, so building it costs as much as the folder is deep; a test
  // counts them to see that a walk down a deep tree builds none it does not need.
  static std::uint64_t NamesBuilt();
};

}  // namespace memstore
