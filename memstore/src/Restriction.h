// Table restrictions, copied from the caller's SRestriction tree and evaluated against a
// row's properties (all of the object's properties, not only the table's columns).
#pragma once

#include <optional>
#include <vector>

#include "memstore/PropValue.h"
#include "platform/Mapi.h"

namespace memstore {

class Restriction {
 public:
  // Copies `in`. Returns MAPI_E_TOO_COMPLEX for restriction types memstore does not
  // evaluate (sub-object restrictions) or a tree nested deeper than it walks, and
  // MAPI_E_INVALID_PARAMETER for a malformed one.
  static HRESULT FromMapi(const SRestriction& in, Restriction* out);

  bool Matches(const PropSet& row) const;

 private:
  static HRESULT Copy(const SRestriction& in, int depth, Restriction* out);

  ULONG m_type = RES_AND;
  ULONG m_relop = 0;  // relational operator, bitmask operator or fuzzy level
  ULONG m_tag = 0;
  ULONG m_tag2 = 0;
  ULONG m_extra = 0;  // the mask of RES_BITMASK, the size of RES_SIZE
  std::optional<PropValue> m_value;
  std::vector<Restriction> m_children;
};

}  // namespace memstore
