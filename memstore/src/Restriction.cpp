// Evaluating table restrictions.
//
// Behaviour chosen to agree with the stores clients meet: a property restriction on a
// property the row lacks is false whatever the operator (so RELOP_NE does not select
// rows without the property); string comparisons in property restrictions ignore ASCII
// case; values of types that cannot be compared never match.
#include "Restriction.h"

#include <algorithm>
#include <cctype>

#include "Constants.h"

namespace memstore {
namespace {

constexpr int kMaxDepth = 64;

bool Relate(ULONG relop, int order) {
  switch (relop) {
    case RELOP_LT:
      return order < 0;
    case RELOP_LE:
      return order <= 0;
    case RELOP_GT:
      return order > 0;
    case RELOP_GE:
      return order >= 0;
    case RELOP_EQ:
      return order == 0;
    case RELOP_NE:
      return order != 0;
    default:
      return false;
  }
}

std::string Folded(std::string text, bool ignoreCase) {
  if (ignoreCase) {
    for (char& c : text) {
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return text;
}

bool ContentMatches(const PropValue& value, const PropValue& pattern, ULONG fuzzy) {
  const bool ignoreCase = (fuzzy & kFlIgnoreCase) != 0;
  if (value.Type() == PT_BINARY) {
    const std::vector<BYTE> haystack = value.AsBinary();
    const std::vector<BYTE> needle = pattern.AsBinary();
    switch (fuzzy & 0xFFFF) {
      case kFlSubstring:
        return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
      case kFlPrefix:
        return haystack.size() >= needle.size() && std::equal(needle.begin(), needle.end(), haystack.begin());
      default:
        return haystack == needle;
    }
  }
  const std::string haystack = Folded(value.AsString(), ignoreCase);
  const std::string needle = Folded(pattern.AsString(), ignoreCase);
  switch (fuzzy & 0xFFFF) {
    case kFlSubstring:
      return haystack.find(needle) != std::string::npos;
    case kFlPrefix:
      return haystack.compare(0, needle.size(), needle) == 0;
    default:
      return haystack == needle;
  }
}

}  // namespace

HRESULT Restriction::FromMapi(const SRestriction& in, Restriction* out) {
  return Copy(in, 0, out);
}

HRESULT Restriction::Copy(const SRestriction& in, int depth, Restriction* out) {
  if (depth > kMaxDepth) {
    return MAPI_E_TOO_COMPLEX;
  }
  Restriction r;
  r.m_type = in.rt;
  auto copyChildren = [&](ULONG count, const SRestriction* children) -> HRESULT {
    if (count != 0 && children == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    for (ULONG i = 0; i < count; ++i) {
      Restriction child;
      if (const HRESULT hr = Copy(children[i], depth + 1, &child); FAILED(hr)) {
        return hr;
      }
      r.m_children.push_back(std::move(child));
    }
    return S_OK;
  };
  auto copyValue = [&](const SPropValue* value) -> HRESULT {
    if (value == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    PropValue copy;
    if (FAILED(PropValue::FromMapi(*value, &copy))) {
      return MAPI_E_INVALID_PARAMETER;
    }
    r.m_value = std::move(copy);
    return S_OK;
  };
  HRESULT hr = S_OK;
  switch (in.rt) {
    case RES_AND:
      hr = copyChildren(in.res.resAnd.cRes, in.res.resAnd.lpRes);
      break;
    case RES_OR:
      hr = copyChildren(in.res.resOr.cRes, in.res.resOr.lpRes);
      break;
    case RES_NOT:
      hr = in.res.resNot.lpRes == nullptr ? MAPI_E_INVALID_PARAMETER : copyChildren(1, in.res.resNot.lpRes);
      break;
    case RES_COMMENT:
      hr = in.res.resComment.lpRes == nullptr ? MAPI_E_INVALID_PARAMETER
                                              : copyChildren(1, in.res.resComment.lpRes);
      break;
    case RES_CONTENT:
      r.m_relop = in.res.resContent.ulFuzzyLevel;
      r.m_tag = in.res.resContent.ulPropTag;
      hr = copyValue(in.res.resContent.lpProp);
      break;
    case RES_PROPERTY:
      r.m_relop = in.res.resProperty.relop;
      r.m_tag = in.res.resProperty.ulPropTag;
      hr = copyValue(in.res.resProperty.lpProp);
      break;
    case RES_COMPAREPROPS:
      r.m_relop = in.res.resCompareProps.relop;
      r.m_tag = in.res.resCompareProps.ulPropTag1;
      r.m_tag2 = in.res.resCompareProps.ulPropTag2;
      break;
    case RES_BITMASK:
      r.m_relop = in.res.resBitMask.relBMR;
      r.m_tag = in.res.resBitMask.ulPropTag;
      r.m_extra = in.res.resBitMask.ulMask;
      break;
    case RES_EXIST:
      r.m_tag = in.res.resExist.ulPropTag;
      break;
    case RES_SIZE:
      r.m_relop = in.res.resSize.relop;
      r.m_tag = in.res.resSize.ulPropTag;
      r.m_extra = in.res.resSize.cb;
      break;
    default:
      return MAPI_E_TOO_COMPLEX;
  }
  if (FAILED(hr)) {
    return hr;
  }
  *out = std::move(r);
  return S_OK;
}

bool Restriction::Matches(const PropSet& row) const {
  switch (m_type) {
    case RES_AND:
      return std::all_of(m_children.begin(), m_children.end(),
                         [&](const Restriction& r) { return r.Matches(row); });
    case RES_OR:
      return std::any_of(m_children.begin(), m_children.end(),
                         [&](const Restriction& r) { return r.Matches(row); });
    case RES_NOT:
      return !m_children.front().Matches(row);
    case RES_COMMENT:
      return m_children.front().Matches(row);
    case RES_EXIST:
      return row.Has(m_tag);
    case RES_PROPERTY: {
      const std::optional<PropValue> value = row.Get(m_tag);
      if (!value || value->IsError()) {
        return false;
      }
      const std::optional<int> order = value->Compare(*m_value, /*ignoreCase=*/true);
      return order && Relate(m_relop, *order);
    }
    case RES_CONTENT: {
      const std::optional<PropValue> value = row.Get(m_tag);
      return value && !value->IsError() && ContentMatches(*value, *m_value, m_relop);
    }
    case RES_COMPAREPROPS: {
      const std::optional<PropValue> a = row.Get(m_tag);
      const std::optional<PropValue> b = row.Get(m_tag2);
      if (!a || !b) {
        return false;
      }
      const std::optional<int> order = a->Compare(*b, /*ignoreCase=*/true);
      return order && Relate(m_relop, *order);
    }
    case RES_BITMASK: {
      const std::optional<PropValue> value = row.Get(m_tag);
      if (!value || value->IsError()) {
        return false;
      }
      const bool zero = (static_cast<ULONG>(value->AsLong()) & m_extra) == 0;
      return m_relop == kBmrEqz ? zero : !zero;
    }
    case RES_SIZE: {
      const PropValue* value = row.Find(m_tag);
      if (value == nullptr) {
        return false;
      }
      std::size_t size = value->AsBinary().size();
      if (value->Type() == PT_STRING8) {
        size = value->AsString().size() + 1;
      }
      const int order = size < m_extra ? -1 : (size > m_extra ? 1 : 0);
      return Relate(m_relop, order);
    }
    default:
      return false;
  }
}

}  // namespace memstore
