// Deep copies of property values and their way back into MAPI memory.
#include "memstore/PropValue.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "memstore/HResult.h"

namespace memstore {
namespace {

bool IsScalar(ULONG type) {
  switch (type) {
    case PT_NULL:
    case PT_I2:
    case PT_LONG:
    case PT_R4:
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_ERROR:
    case PT_BOOLEAN:
    case PT_I8:
    case PT_SYSTIME:
      return true;
    default:
      return false;
  }
}

bool IsString(ULONG type) {
  return type == PT_STRING8 || type == PT_UNICODE;
}

std::vector<BYTE> NarrowBytes(const char* text, std::size_t length) {
  std::vector<BYTE> bytes(text, text + length);
  bytes.push_back(0);
  return bytes;
}

std::vector<BYTE> WideBytes(const WCHAR* text, std::size_t length) {
  std::vector<BYTE> bytes((length + 1) * sizeof(WCHAR), 0);
  std::memcpy(bytes.data(), text, length * sizeof(WCHAR));
  return bytes;
}

std::vector<BYTE> WidenToBytes(std::string_view text) {
  std::vector<WCHAR> wide;
  for (char c : text) {
    wide.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
  }
  return WideBytes(wide.data(), wide.size());
}

std::size_t WideLength(const WCHAR* text) {
  std::size_t n = 0;
  while (text[n] != 0) {
    ++n;
  }
  return n;
}

std::string NarrowFromWideBytes(const std::vector<BYTE>& bytes) {
  std::string text;
  for (std::size_t i = 0; i + sizeof(WCHAR) <= bytes.size(); i += sizeof(WCHAR)) {
    WCHAR unit{};
    std::memcpy(&unit, bytes.data() + i, sizeof unit);
    if (unit == 0) {
      break;
    }
    text.push_back(static_cast<unsigned>(unit) < 0x100 ? static_cast<char>(unit) : '?');
  }
  return text;
}

std::string TextOf(ULONG type, const std::vector<BYTE>& bytes) {
  if (type == PT_UNICODE) {
    return NarrowFromWideBytes(bytes);
  }
  return bytes.empty() ? std::string() : std::string(bytes.begin(), bytes.end() - 1);
}

// Copies `n` bytes into a block linked to `root`.
HRESULT CopyMore(const void* source, std::size_t n, void* root, void** out) {
  *out = nullptr;
  const SCODE sc = MAPIAllocateMore(static_cast<ULONG>(n), root, out);
  if (FAILED(sc)) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  if (source != nullptr && n != 0) {
    std::memcpy(*out, source, n);
  }
  return S_OK;
}

int CompareBytes(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  if (const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n); c != 0) {
    return c < 0 ? -1 : 1;
  }
  if (a.size() == b.size()) {
    return 0;
  }
  return a.size() < b.size() ? -1 : 1;
}

int CompareText(std::string a, std::string b, bool ignoreCase) {
  if (ignoreCase) {
    auto fold = [](std::string& s) {
      for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      }
    };
    fold(a);
    fold(b);
  }
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

template <typename T>
int Order(T a, T b) {
  if (a < b) {
    return -1;
  }
  return b < a ? 1 : 0;
}

}  // namespace

PropValue::PropValue() : m_tag(PR_NULL), m_scalar{} {
  m_scalar.ulPropTag = PR_NULL;
}

PropValue PropValue::String(ULONG tag, std::string_view text) {
  PropValue v;
  v.m_tag = tag;
  v.m_scalar.ulPropTag = tag;
  v.m_data = PROP_TYPE(tag) == PT_UNICODE ? WidenToBytes(text) : NarrowBytes(text.data(), text.size());
  if (!IsString(PROP_TYPE(tag))) {
    v.m_tag = CHANGE_PROP_TYPE(tag, PT_STRING8);
  }
  return v;
}

PropValue PropValue::Long(ULONG tag, LONG value) {
  PropValue v;
  v.m_tag = CHANGE_PROP_TYPE(tag, PT_LONG);
  v.m_scalar.ulPropTag = v.m_tag;
  v.m_scalar.Value.l = value;
  return v;
}

PropValue PropValue::Bool(ULONG tag, bool value) {
  PropValue v;
  v.m_tag = CHANGE_PROP_TYPE(tag, PT_BOOLEAN);
  v.m_scalar.ulPropTag = v.m_tag;
  v.m_scalar.Value.b = value ? 1 : 0;
  return v;
}

PropValue PropValue::Binary(ULONG tag, std::vector<BYTE> bytes) {
  PropValue v;
  v.m_tag = CHANGE_PROP_TYPE(tag, PT_BINARY);
  v.m_scalar.ulPropTag = v.m_tag;
  v.m_data = std::move(bytes);
  return v;
}

PropValue PropValue::Error(ULONG tag, SCODE error) {
  PropValue v;
  v.m_tag = CHANGE_PROP_TYPE(tag, PT_ERROR);
  v.m_scalar.ulPropTag = v.m_tag;
  v.m_scalar.Value.err = error;
  return v;
}

SCODE PropValue::FromMapi(const SPropValue& in, PropValue* out) {
  PropValue v;
  v.m_tag = in.ulPropTag;
  v.m_scalar.ulPropTag = in.ulPropTag;
  const ULONG type = PROP_TYPE(in.ulPropTag);
  if (IsScalar(type)) {
    v.m_scalar = in;
    v.m_scalar.dwAlignPad = 0;
    *out = v;
    return S_OK;
  }
  switch (type) {
    case PT_STRING8:
      if (in.Value.lpszA == nullptr) {
        return MAPI_E_BAD_VALUE;
      }
      v.m_data = NarrowBytes(in.Value.lpszA, std::strlen(in.Value.lpszA));
      break;
    case PT_UNICODE:
      if (in.Value.lpszW == nullptr) {
        return MAPI_E_BAD_VALUE;
      }
      v.m_data = WideBytes(in.Value.lpszW, WideLength(in.Value.lpszW));
      break;
    case PT_BINARY:
      if (in.Value.bin.cb != 0 && in.Value.bin.lpb == nullptr) {
        return MAPI_E_BAD_VALUE;
      }
      if (in.Value.bin.cb != 0) {
        v.m_data.assign(in.Value.bin.lpb, in.Value.bin.lpb + in.Value.bin.cb);
      }
      break;
    case PT_CLSID:
      if (in.Value.lpguid == nullptr) {
        return MAPI_E_BAD_VALUE;
      }
      v.m_data.resize(sizeof(GUID));
      std::memcpy(v.m_data.data(), in.Value.lpguid, sizeof(GUID));
      break;
    case kPtMvLong:
      if (in.Value.MVl.cValues == 0) {
        return MAPI_E_INVALID_PARAMETER;
      }
      if (in.Value.MVl.lpl == nullptr) {
        return MAPI_E_BAD_VALUE;
      }
      v.m_data.resize(in.Value.MVl.cValues * sizeof(LONG));
      std::memcpy(v.m_data.data(), in.Value.MVl.lpl, v.m_data.size());
      break;
    case kPtMvString8:
      if (in.Value.MVszA.cValues == 0) {
        return MAPI_E_INVALID_PARAMETER;
      }
      if (in.Value.MVszA.lppszA == nullptr) {
        return MAPI_E_BAD_VALUE;
      }
      for (ULONG i = 0; i < in.Value.MVszA.cValues; ++i) {
        const char* item = in.Value.MVszA.lppszA[i];
        if (item == nullptr) {
          return MAPI_E_BAD_VALUE;
        }
        v.m_items.push_back(NarrowBytes(item, std::strlen(item)));
      }
      break;
    case kPtMvUnicode:
      if (in.Value.MVszW.cValues == 0) {
        return MAPI_E_INVALID_PARAMETER;
      }
      if (in.Value.MVszW.lppszW == nullptr) {
        return MAPI_E_BAD_VALUE;
      }
      for (ULONG i = 0; i < in.Value.MVszW.cValues; ++i) {
        const WCHAR* item = in.Value.MVszW.lppszW[i];
        if (item == nullptr) {
          return MAPI_E_BAD_VALUE;
        }
        v.m_items.push_back(WideBytes(item, WideLength(item)));
      }
      break;
    case kPtMvBinary:
      if (in.Value.MVbin.cValues == 0) {
        return MAPI_E_INVALID_PARAMETER;
      }
      if (in.Value.MVbin.lpbin == nullptr) {
        return MAPI_E_BAD_VALUE;
      }
      for (ULONG i = 0; i < in.Value.MVbin.cValues; ++i) {
        const SBinary& item = in.Value.MVbin.lpbin[i];
        if (item.cb != 0 && item.lpb == nullptr) {
          return MAPI_E_BAD_VALUE;
        }
        v.m_items.emplace_back(item.lpb, item.lpb + item.cb);
      }
      break;
    default:
      return MAPI_E_INVALID_TYPE;
  }
  *out = std::move(v);
  return S_OK;
}

HRESULT PropValue::ToMapi(SPropValue* out, void* root) const {
  *out = m_scalar;
  out->ulPropTag = m_tag;
  out->dwAlignPad = 0;
  const ULONG type = Type();
  if (IsScalar(type)) {
    return S_OK;
  }
  void* block = nullptr;
  HRESULT hr = S_OK;
  switch (type) {
    case PT_STRING8:
      hr = CopyMore(m_data.data(), m_data.size(), root, &block);
      out->Value.lpszA = static_cast<LPSTR>(block);
      return hr;
    case PT_UNICODE:
      hr = CopyMore(m_data.data(), m_data.size(), root, &block);
      out->Value.lpszW = static_cast<LPWSTR>(block);
      return hr;
    case PT_BINARY:
      out->Value.bin.cb = static_cast<ULONG>(m_data.size());
      out->Value.bin.lpb = nullptr;
      if (m_data.empty()) {
        return S_OK;
      }
      hr = CopyMore(m_data.data(), m_data.size(), root, &block);
      out->Value.bin.lpb = static_cast<LPBYTE>(block);
      return hr;
    case PT_CLSID:
      hr = CopyMore(m_data.data(), m_data.size(), root, &block);
      out->Value.lpguid = static_cast<LPGUID>(block);
      return hr;
    case kPtMvLong:
      out->Value.MVl.cValues = static_cast<ULONG>(m_data.size() / sizeof(LONG));
      hr = CopyMore(m_data.data(), m_data.size(), root, &block);
      out->Value.MVl.lpl = static_cast<LONG*>(block);
      return hr;
    case kPtMvBinary: {
      out->Value.MVbin.cValues = static_cast<ULONG>(m_items.size());
      if (FAILED(hr = CopyMore(nullptr, m_items.size() * sizeof(SBinary), root, &block))) {
        return hr;
      }
      auto* items = static_cast<SBinary*>(block);
      out->Value.MVbin.lpbin = items;
      for (std::size_t i = 0; i < m_items.size(); ++i) {
        items[i].cb = static_cast<ULONG>(m_items[i].size());
        items[i].lpb = nullptr;
        if (!m_items[i].empty()) {
          if (FAILED(hr = CopyMore(m_items[i].data(), m_items[i].size(), root, &block))) {
            return hr;
          }
          items[i].lpb = static_cast<LPBYTE>(block);
        }
      }
      return S_OK;
    }
    case kPtMvString8:
    case kPtMvUnicode: {
      out->Value.MVszA.cValues = static_cast<ULONG>(m_items.size());
      if (FAILED(hr = CopyMore(nullptr, m_items.size() * sizeof(void*), root, &block))) {
        return hr;
      }
      auto* items = static_cast<void**>(block);
      for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (FAILED(hr = CopyMore(m_items[i].data(), m_items[i].size(), root, &items[i]))) {
          return hr;
        }
      }
      if (type == kPtMvString8) {
        out->Value.MVszA.lppszA = reinterpret_cast<LPSTR*>(items);
      } else {
        out->Value.MVszW.lppszW = reinterpret_cast<LPWSTR*>(items);
      }
      return S_OK;
    }
    default:
      return MAPI_E_INVALID_TYPE;
  }
}

std::optional<PropValue> PropValue::As(ULONG tag) const {
  const ULONG wanted = PROP_TYPE(tag);
  if (wanted == PT_UNSPECIFIED || wanted == Type()) {
    PropValue v = *this;
    v.m_tag = CHANGE_PROP_TYPE(tag, Type());
    v.m_scalar.ulPropTag = v.m_tag;
    return v;
  }
  if (IsString(wanted) && IsString(Type())) {
    return String(tag, AsString());
  }
  return std::nullopt;
}

LONG PropValue::AsLong() const {
  switch (Type()) {
    case PT_LONG:
      return m_scalar.Value.l;
    case PT_I2:
      return m_scalar.Value.i;
    case PT_BOOLEAN:
      return m_scalar.Value.b != 0 ? 1 : 0;
    default:
      return 0;
  }
}

LONGLONG PropValue::AsI8() const {
  switch (Type()) {
    case PT_I8:
      return m_scalar.Value.li.QuadPart;
    case PT_CURRENCY:
      return m_scalar.Value.cur.int64;
    case PT_SYSTIME:
      return static_cast<LONGLONG>((static_cast<ULONGLONG>(m_scalar.Value.ft.dwHighDateTime) << 32) |
                                   m_scalar.Value.ft.dwLowDateTime);
    case PT_ERROR:
      return m_scalar.Value.err;
    default:
      return AsLong();
  }
}

bool PropValue::AsBool() const {
  return Type() == PT_BOOLEAN ? m_scalar.Value.b != 0 : AsI8() != 0;
}

SCODE PropValue::AsError() const {
  return IsError() ? m_scalar.Value.err : S_OK;
}

double PropValue::AsDouble() const {
  switch (Type()) {
    case PT_R4:
      return m_scalar.Value.flt;
    case PT_DOUBLE:
      return m_scalar.Value.dbl;
    case PT_APPTIME:
      return m_scalar.Value.at;
    default:
      return static_cast<double>(AsI8());
  }
}

std::string PropValue::AsString() const {
  return IsString(Type()) ? TextOf(Type(), m_data) : std::string();
}

std::vector<BYTE> PropValue::AsBinary() const {
  return Type() == PT_BINARY || Type() == PT_CLSID ? m_data : std::vector<BYTE>();
}

std::vector<std::string> PropValue::AsStrings() const {
  std::vector<std::string> strings;
  if (Type() == kPtMvString8 || Type() == kPtMvUnicode) {
    for (const auto& item : m_items) {
      strings.push_back(TextOf(Type() == kPtMvUnicode ? PT_UNICODE : PT_STRING8, item));
    }
  }
  return strings;
}

std::vector<LONG> PropValue::AsLongs() const {
  std::vector<LONG> values;
  if (Type() == kPtMvLong) {
    values.resize(m_data.size() / sizeof(LONG));
    std::memcpy(values.data(), m_data.data(), values.size() * sizeof(LONG));
  }
  return values;
}

std::vector<std::vector<BYTE>> PropValue::AsBinaries() const {
  return Type() == kPtMvBinary ? m_items : std::vector<std::vector<BYTE>>();
}

std::optional<int> PropValue::Compare(const PropValue& other, bool ignoreCase) const {
  const ULONG a = Type();
  const ULONG b = other.Type();
  auto integral = [](ULONG t) {
    return t == PT_I2 || t == PT_LONG || t == PT_I8 || t == PT_BOOLEAN || t == PT_CURRENCY ||
           t == PT_SYSTIME || t == PT_ERROR;
  };
  auto floating = [](ULONG t) { return t == PT_R4 || t == PT_DOUBLE || t == PT_APPTIME; };
  if (integral(a) && integral(b)) {
    if (a == PT_BOOLEAN || b == PT_BOOLEAN) {
      return Order(AsBool(), other.AsBool());
    }
    return Order(AsI8(), other.AsI8());
  }
  if ((integral(a) || floating(a)) && (integral(b) || floating(b))) {
    return Order(AsDouble(), other.AsDouble());
  }
  if (IsString(a) && IsString(b)) {
    return CompareText(AsString(), other.AsString(), ignoreCase);
  }
  if ((a == PT_BINARY || a == PT_CLSID) && a == b) {
    return CompareBytes(m_data, other.m_data);
  }
  return std::nullopt;
}

std::string PropValue::Describe() const {
  char tag[16];
  std::snprintf(tag, sizeof tag, "0x%08X", static_cast<unsigned>(m_tag));
  std::string text = tag;
  switch (Type()) {
    case PT_STRING8:
    case PT_UNICODE:
      return text + " \"" + AsString() + "\"";
    case PT_BINARY: {
      text += " [";
      for (std::size_t i = 0; i < m_data.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(m_data[i]));
        text += hex;
      }
      return text + "]";
    }
    case PT_ERROR:
      return text + " error " + HResultText(AsError());
    case PT_BOOLEAN:
      return text + (AsBool() ? " true" : " false");
    case PT_R4:
    case PT_DOUBLE:
    case PT_APPTIME:
      return text + " " + std::to_string(AsDouble());
    default:
      if (IsScalar(Type())) {
        return text + " " + std::to_string(AsI8());
      }
      return text + " (" + std::to_string(m_items.empty() ? m_data.size() : m_items.size()) + " values)";
  }
}

bool PropValue::operator==(const PropValue& other) const {
  if (m_tag != other.m_tag || m_data != other.m_data || m_items != other.m_items) {
    return false;
  }
  switch (Type()) {
    case PT_NULL:
      return true;
    case PT_R4:
    case PT_DOUBLE:
    case PT_APPTIME:
      return AsDouble() == other.AsDouble();
    default:
      return !IsScalar(Type()) || AsI8() == other.AsI8();
  }
}

// ---- PropSet ---------------------------------------------------------------------
PropSet::PropSet(std::initializer_list<PropValue> values) {
  for (const PropValue& value : values) {
    Set(value);
  }
}

void PropSet::Set(PropValue value) {
  for (PropValue& existing : m_values) {
    if (existing.Id() == value.Id()) {
      existing = std::move(value);
      return;
    }
  }
  m_values.push_back(std::move(value));
}

bool PropSet::Erase(ULONG tag) {
  const auto it = std::find_if(m_values.begin(), m_values.end(),
                               [&](const PropValue& v) { return v.Id() == PROP_ID(tag); });
  if (it == m_values.end()) {
    return false;
  }
  m_values.erase(it);
  return true;
}

const PropValue* PropSet::Find(ULONG tag) const {
  for (const PropValue& value : m_values) {
    if (value.Id() == PROP_ID(tag)) {
      return &value;
    }
  }
  return nullptr;
}

std::optional<PropValue> PropSet::Get(ULONG tag) const {
  const PropValue* value = Find(tag);
  if (value == nullptr) {
    return std::nullopt;
  }
  return value->As(tag);
}

}  // namespace memstore
