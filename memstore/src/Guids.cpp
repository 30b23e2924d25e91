// The SDK's interface identifiers for the interfaces memstore implements.
#include "memstore/Guids.h"

#include <cstring>

namespace memstore {
namespace {
// The SDK's MAPI interfaces are OLE GUIDs: {xxxxxxxx-0000-0000-C000-000000000046}.
constexpr IID OleGuid(DWORD first) {
  return {first, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}
}  // namespace

const IID IID_IUnknown = OleGuid(0x00000000);
const IID IID_IMAPISession = OleGuid(0x00020300);
const IID IID_IMAPITable = OleGuid(0x00020301);
const IID IID_IMAPIProp = OleGuid(0x00020303);
const IID IID_IMsgStore = OleGuid(0x00020306);
const IID IID_IMessage = OleGuid(0x00020307);
const IID IID_IMAPIContainer = OleGuid(0x0002030B);
const IID IID_IMAPIFolder = OleGuid(0x0002030C);

bool SameIid(const IID& a, const IID& b) {
  return std::memcmp(&a, &b, sizeof(IID)) == 0;
}

}  // namespace memstore
