// MAPIAllocateBuffer, MAPIAllocateMore and MAPIFreeBuffer.
//
// A buffer from MAPIAllocateBuffer owns every buffer later linked to it with
// MAPIAllocateMore; MAPIFreeBuffer of the first frees them all. Each block carries a
// header in front of the caller's bytes: a signature, the next linked block, and
// padding that keeps the caller's bytes aligned for any MAPI structure.
#include "mapi32/Diagnostics.h"
#include "mapi32/Mapi.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr ULONG kRootSignature = 0x4D415049;  // 'MAPI'
constexpr ULONG kMoreSignature = 0x4D4F5245;  // 'MORE'

struct alignas(16) BlockHeader {
  ULONG signature;
  BlockHeader* next;  // the chain of MAPIAllocateMore blocks of a root block
};

std::atomic<ULONG> g_liveBuffers{0};
std::atomic<ULONG> g_failCountdown{0};

BlockHeader* HeaderOf(LPVOID buffer) {
  return reinterpret_cast<BlockHeader*>(static_cast<BYTE*>(buffer) - sizeof(BlockHeader));
}

bool TakeInjectedFailure() {
  ULONG pending = g_failCountdown.load();
  while (pending != 0) {
    if (g_failCountdown.compare_exchange_weak(pending, pending - 1)) {
      return pending == 1;
    }
  }
  return false;
}

BlockHeader* NewBlock(ULONG cbSize, ULONG signature) {
  if (TakeInjectedFailure()) {
    return nullptr;
  }
  void* raw = std::malloc(sizeof(BlockHeader) + cbSize);
  if (raw == nullptr) {
    return nullptr;
  }
  auto* header = new (raw) BlockHeader{signature, nullptr};
  return header;
}

}  // namespace

extern "C" SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
  if (lppBuffer == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *lppBuffer = nullptr;
  BlockHeader* header = NewBlock(cbSize, kRootSignature);
  if (header == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  ++g_liveBuffers;
  *lppBuffer = header + 1;
  return S_OK;
}

extern "C" SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) {
  if (lppBuffer == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *lppBuffer = nullptr;
  if (lpObject == nullptr) {
    return MAPIAllocateBuffer(cbSize, lppBuffer);
  }
  BlockHeader* root = HeaderOf(lpObject);
  if (root->signature != kRootSignature) {
    return MAPI_E_INVALID_PARAMETER;
  }
  BlockHeader* header = NewBlock(cbSize, kMoreSignature);
  if (header == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  header->next = root->next;
  root->next = header;
  *lppBuffer = header + 1;
  return S_OK;
}

extern "C" ULONG MAPIFreeBuffer(LPVOID lpBuffer) {
  if (lpBuffer == nullptr) {
    return S_OK;
  }
  BlockHeader* root = HeaderOf(lpBuffer);
  if (root->signature != kRootSignature) {
    // Freeing a linked block or a foreign pointer: the real allocator ignores it
    // (or worse); we refuse rather than corrupt the chain.
    return static_cast<ULONG>(MAPI_E_INVALID_PARAMETER);
  }
  BlockHeader* block = root->next;
  while (block != nullptr) {
    BlockHeader* next = block->next;
    block->signature = 0;
    std::free(block);
    block = next;
  }
  root->signature = 0;
  std::free(root);
  --g_liveBuffers;
  return S_OK;
}

extern "C" ULONG Mapi32LiveBufferCount() {
  return g_liveBuffers.load();
}

extern "C" void Mapi32FailAllocation(ULONG nth) {
  g_failCountdown.store(nth);
}
