// Property values as memstore keeps them: deep copies with value semantics, which are
// written out into MAPI memory (one MAPIAllocateBuffer block, strings and binaries in
// MAPIAllocateMore blocks linked to it) when a caller asks for them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Mapi.h"

namespace memstore {

// Property types memstore names itself because not every header set defines them.
constexpr ULONG kPtMvLong = MV_FLAG | PT_LONG;
constexpr ULONG kPtMvString8 = MV_FLAG | PT_STRING8;
constexpr ULONG kPtMvUnicode = MV_FLAG | PT_UNICODE;
constexpr ULONG kPtMvBinary = MV_FLAG | PT_BINARY;

class PropValue {
 public:
  PropValue();  // PR_NULL

  // A string of the tag's type: PT_STRING8 keeps the bytes, PT_UNICODE widens each byte.
  static PropValue String(ULONG tag, std::string_view text);
  static PropValue Long(ULONG tag, LONG value);
  static PropValue Bool(ULONG tag, bool value);
  static PropValue Binary(ULONG tag, std::vector<BYTE> bytes);
  // The tag's type becomes PT_ERROR.
  static PropValue Error(ULONG tag, SCODE error);

  // Copies a caller's value. Returns S_OK, MAPI_E_INVALID_TYPE for a type memstore does
  // not store (PT_OBJECT, PT_UNSPECIFIED, unknown types, most multi-valued types),
  // MAPI_E_BAD_VALUE for a null pointer where data is due, and MAPI_E_INVALID_PARAMETER
  // for an empty multi-valued property.
  static SCODE FromMapi(const SPropValue& in, PropValue* out);

  // Writes the value into `out`; strings, binaries and arrays go into MAPIAllocateMore
  // blocks linked to `root`. Returns MAPI_E_NOT_ENOUGH_MEMORY when an allocation fails;
  // the caller frees `root`, and with it whatever was linked so far.
  HRESULT ToMapi(SPropValue* out, void* root) const;

  // The value as the type of `tag` asks: the same value when the types agree or the
  // type asked is PT_UNSPECIFIED; a string converted between PT_STRING8 and PT_UNICODE;
  // nothing otherwise. The result carries `tag`'s property identifier and type.
  std::optional<PropValue> As(ULONG tag) const;

  ULONG Tag() const { return m_tag; }
  ULONG Type() const { return PROP_TYPE(m_tag); }
  ULONG Id() const { return PROP_ID(m_tag); }
  bool IsError() const { return Type() == PT_ERROR; }

  // Readers; each answers a neutral value (0, false, "", {}) for another type.
  LONG AsLong() const;
  LONGLONG AsI8() const;
  bool AsBool() const;
  SCODE AsError() const;
  double AsDouble() const;
  std::string AsString() const;  // PT_STRING8, or PT_UNICODE narrowed ('?' beyond one byte)
  std::vector<BYTE> AsBinary() const;
  std::vector<std::string> AsStrings() const;  // multi-valued strings
  std::vector<LONG> AsLongs() const;
  std::vector<std::vector<BYTE>> AsBinaries() const;

  // Orders two values the way a table restriction compares them: numbers by value,
  // strings by their bytes (ASCII letters folded when `ignoreCase`), binaries byte by
  // byte and then by length. Nothing when the two cannot be compared.
  std::optional<int> Compare(const PropValue& other, bool ignoreCase) const;

  // "0x3001001E \"Inbox\"", for diagnostics.
  std::string Describe() const;

  bool operator==(const PropValue& other) const;
  bool operator!=(const PropValue& other) const { return !(*this == other); }

 private:
  ULONG m_tag;
  SPropValue m_scalar;  // fixed-size types: the value as given
  // PT_STRING8 (with its terminator), PT_UNICODE (WCHAR units with the terminator),
  // PT_BINARY, PT_CLSID, and the LONG array of PT_MV_LONG.
  std::vector<BYTE> m_data;
  std::vector<std::vector<BYTE>> m_items;  // elements of the other multi-valued types
};

// The properties of one object, one value per property identifier.
class PropSet {
 public:
  PropSet() = default;
  PropSet(std::initializer_list<PropValue> values);

  // Replaces a value with the same property identifier, whatever its type.
  void Set(PropValue value);
  // Removes the property with `tag`'s identifier; false when there was none.
  bool Erase(ULONG tag);
  // The value stored under `tag`'s identifier, as it is stored.
  const PropValue* Find(ULONG tag) const;
  // The value under `tag`'s identifier in `tag`'s type (see PropValue::As).
  std::optional<PropValue> Get(ULONG tag) const;
  bool Has(ULONG tag) const { return Find(tag) != nullptr; }

  const std::vector<PropValue>& Values() const { return m_values; }
  std::size_t Size() const { return m_values.size(); }

 private:
  std::vector<PropValue> m_values;
};

}  // namespace memstore
