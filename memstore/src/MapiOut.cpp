// Values handed to callers in MAPI memory.
#include "MapiOut.h"

#include <cstring>
#include <memory>

namespace memstore {
namespace {

struct BufferFree {
  void operator()(void* buffer) const { MAPIFreeBuffer(buffer); }
};
using Buffer = std::unique_ptr<void, BufferFree>;

Buffer Allocate(std::size_t size) {
  void* block = nullptr;
  if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(size), &block))) {
    return nullptr;
  }
  std::memset(block, 0, size);
  return Buffer(block);
}

ULONG StringTypeFor(ULONG type, bool unicode) {
  if (type == PT_STRING8 || type == PT_UNICODE) {
    return unicode ? PT_UNICODE : PT_STRING8;
  }
  if (type == kPtMvString8 || type == kPtMvUnicode) {
    return unicode ? kPtMvUnicode : kPtMvString8;
  }
  return type;
}

}  // namespace

HRESULT ExportValues(const std::vector<PropValue>& values, LPSPropValue* out) {
  *out = nullptr;
  Buffer block = Allocate(sizeof(SPropValue) * (values.empty() ? 1 : values.size()));
  if (!block) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  auto* array = static_cast<LPSPropValue>(block.get());
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (FAILED(values[i].ToMapi(&array[i], block.get()))) {
      return MAPI_E_NOT_ENOUGH_MEMORY;
    }
  }
  *out = static_cast<LPSPropValue>(block.release());
  return S_OK;
}

HRESULT ExportEntryId(const EntryIdBytes& id, ULONG* cb, LPENTRYID* out) {
  *out = nullptr;
  *cb = 0;
  Buffer block = Allocate(id.size());
  if (!block) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  std::memcpy(block.get(), id.data(), id.size());
  *cb = static_cast<ULONG>(id.size());
  *out = static_cast<LPENTRYID>(block.release());
  return S_OK;
}

HRESULT ExportString(const std::string& text, bool unicode, void* root, LPTSTR* out) {
  *out = nullptr;
  const std::size_t units = text.size() + 1;
  const auto size = static_cast<ULONG>(units * (unicode ? sizeof(WCHAR) : 1));
  void* block = nullptr;
  const SCODE sc = root != nullptr ? MAPIAllocateMore(size, root, &block) : MAPIAllocateBuffer(size, &block);
  if (FAILED(sc)) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  if (unicode) {
    auto* wide = static_cast<WCHAR*>(block);
    for (std::size_t i = 0; i < text.size(); ++i) {
      wide[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
    }
    wide[text.size()] = 0;
  } else {
    std::memcpy(block, text.c_str(), units);
  }
  *out = static_cast<LPTSTR>(block);
  return S_OK;
}

HRESULT ExportTags(const std::vector<ULONG>& tags, LPSPropTagArray* out) {
  *out = nullptr;
  Buffer block = Allocate(CbNewSPropTagArray(tags.size()));
  if (!block) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  auto* array = static_cast<LPSPropTagArray>(block.get());
  array->cValues = static_cast<ULONG>(tags.size());
  for (std::size_t i = 0; i < tags.size(); ++i) {
    array->aulPropTag[i] = tags[i];
  }
  *out = static_cast<LPSPropTagArray>(block.release());
  return S_OK;
}

HRESULT ExportProblems(const std::vector<SPropProblem>& problems, LPSPropProblemArray* out) {
  *out = nullptr;
  Buffer block = Allocate(CbNewSPropProblemArray(problems.size()));
  if (!block) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  auto* array = static_cast<LPSPropProblemArray>(block.get());
  array->cProblem = static_cast<ULONG>(problems.size());
  for (std::size_t i = 0; i < problems.size(); ++i) {
    array->aProblem[i] = problems[i];
  }
  *out = static_cast<LPSPropProblemArray>(block.release());
  return S_OK;
}

std::vector<PropValue> SelectValues(const PropSet& props, const std::vector<ULONG>& tags, bool* missing) {
  std::vector<PropValue> values;
  values.reserve(tags.size());
  for (ULONG tag : tags) {
    if (std::optional<PropValue> value = props.Get(tag)) {
      values.push_back(std::move(*value));
    } else {
      values.push_back(PropValue::Error(tag, MAPI_E_NOT_FOUND));
      *missing = true;
    }
  }
  return values;
}

std::vector<PropValue> AllValues(const PropSet& props, bool unicode) {
  std::vector<PropValue> values;
  for (const PropValue& value : props.Values()) {
    const ULONG tag = CHANGE_PROP_TYPE(value.Tag(), StringTypeFor(value.Type(), unicode));
    values.push_back(value.As(tag).value_or(value));
  }
  return values;
}

std::vector<ULONG> AllTags(const PropSet& props, bool unicode) {
  std::vector<ULONG> tags;
  for (const PropValue& value : props.Values()) {
    tags.push_back(CHANGE_PROP_TYPE(value.Tag(), StringTypeFor(value.Type(), unicode)));
  }
  return tags;
}

std::vector<ULONG> TagsOf(const SPropTagArray& tags) {
  return {tags.aulPropTag, tags.aulPropTag + tags.cValues};
}

std::string ArgumentString(const void* text, ULONG flags) {
  if (text == nullptr) {
    return {};
  }
  if ((flags & MAPI_UNICODE) == 0) {
    return static_cast<const char*>(text);
  }
  SPropValue wide{};
  wide.ulPropTag = PROP_TAG(PT_UNICODE, 1);
  wide.Value.lpszW = static_cast<LPWSTR>(const_cast<void*>(text));
  PropValue value;
  PropValue::FromMapi(wide, &value);
  return value.AsString();
}

}  // namespace memstore
