// An owning record of one MAPI entry identifier: a byte count and bytes in memory from
// MAPI's allocator. Every copy allocates its own buffer.
#pragma once

#include "store/MapiApi.h"

namespace pellacorm {

class EntryID {
 public:
  EntryID() = default;
  EntryID(const EntryID& other);
  EntryID(EntryID&& other) noexcept;
  EntryID& operator=(const EntryID& other);
  EntryID& operator=(EntryID&& other) noexcept;
  EntryID& operator=(const SBinary& bin);
  ~EntryID();

  // Copies `count` bytes from `bytes`; an empty source empties the record.
  void Assign(ULONG count, const BYTE* bytes);

  bool IsEmpty() const { return m_cb == 0; }
  ULONG Size() const { return m_cb; }
  const BYTE* Bytes() const { return m_lpb; }
  // The pair MAPI calls take as an entry identifier, without copying.
  ULONG cb() const { return m_cb; }
  LPENTRYID lpEntryID() const { return reinterpret_cast<LPENTRYID>(m_lpb); }

  bool operator==(const EntryID& other) const;
  bool operator!=(const EntryID& other) const { return !(*this == other); }

 private:
  // Makes room for n bytes: keeps the buffer when n is the present size, otherwise
  // frees it and allocates n bytes. Returns false, leaving the record empty, when the
  // allocation fails.
  bool Resize(ULONG n);
  void Free();

  ULONG m_cb = 0;
  LPBYTE m_lpb = nullptr;
};

}  // namespace pellacorm
