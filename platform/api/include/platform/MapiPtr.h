// Owners for what MAPI hands out, so that no routine releases by hand and an early
// return or an exception cannot leak: a counted interface holder, a MAPI buffer owner
// and a row-set owner.
#pragma once

#include <memory>
#include <utility>

#include "platform/Mapi.h"

namespace platform {

// Holds one counted reference to a COM interface and releases it when it goes.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}  // NOLINT(google-explicit-constructor)
  // Takes over a reference the caller already owns.
  static ComPtr Attach(T* raw) {
    ComPtr p;
    p.m_ptr = raw;
    return p;
  }
  // Takes a reference of its own.
  static ComPtr AddRef(T* raw) {
    if (raw != nullptr) {
      raw->AddRef();
    }
    return Attach(raw);
  }
  ComPtr(const ComPtr& other) : m_ptr(other.m_ptr) {
    if (m_ptr != nullptr) {
      m_ptr->AddRef();
    }
  }
  ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(m_ptr, other.m_ptr);
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* Get() const { return m_ptr; }
  T* operator->() const { return m_ptr; }
  explicit operator bool() const { return m_ptr != nullptr; }
  // Releases what is held and gives the address for an out argument.
  T** Put() {
    Reset();
    return &m_ptr;
  }
  // Gives up the reference to the caller without releasing it.
  T* Detach() { return std::exchange(m_ptr, nullptr); }
  // Drops the reference; the field is null before Release runs.
  void Reset() {
    T* old = std::exchange(m_ptr, nullptr);
    if (old != nullptr) {
      old->Release();
    }
  }

 private:
  T* m_ptr = nullptr;
};

struct MapiBufferDeleter {
  void operator()(void* buffer) const { MAPIFreeBuffer(buffer); }
};

// Memory from MAPIAllocateBuffer (or handed out by a MAPI call), freed with MAPIFreeBuffer.
template <typename T>
using MapiBuffer = std::unique_ptr<T, MapiBufferDeleter>;

struct RowSetDeleter {
  void operator()(LPSRowSet rows) const { FreeProws(rows); }
};

// A row set from HrQueryAllRows or QueryRows, freed with FreeProws.
using RowSetPtr = std::unique_ptr<SRowSet, RowSetDeleter>;

// Adapts a unique_ptr owner to a MAPI out argument: `Call(OutArg(owner))`.
template <typename Owner>
class OutArg {
 public:
  using Pointer = typename Owner::pointer;
  explicit OutArg(Owner& owner) : m_owner(owner) {}
  OutArg(const OutArg&) = delete;
  OutArg& operator=(const OutArg&) = delete;
  ~OutArg() { m_owner.reset(m_raw); }
  operator Pointer*() { return &m_raw; }  // NOLINT(google-explicit-constructor)
  template <typename U>
  explicit operator U**() {
    return reinterpret_cast<U**>(&m_raw);
  }

 private:
  Owner& m_owner;
  Pointer m_raw = nullptr;
};

}  // namespace platform
