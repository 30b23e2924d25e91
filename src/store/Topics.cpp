// The topics folder and the names of the folders below it, which the dialog offers as
// topics. Nothing here writes to a store.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "diagnostics/ExceptionReporter.h"
#include "diagnostics/Exceptions.h"
#include "extension/ExchRuleExt.h"
#include "store/FolderPathText.h"

namespace pellacorm {
namespace {

// A hierarchy table's columns for listing topics (the reverse of the lookup's order).
enum TopicColumn : ULONG { kTopicEntryId, kTopicDisplayName, kTopicColumnCount };
const SizedSPropTagArray(kTopicColumnCount, kTopicColumns) = {kTopicColumnCount,
                                                              {PR_ENTRYID, PR_DISPLAY_NAME_A}};

bool SortsBefore(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
}

// The sort keys of the texts of a walk, one after another in one buffer, and the
// order they put the texts in.
class SortKeys {
 public:
  explicit SortKeys(const NarrowTopicTexts& texts) {
    const std::size_t count = texts.Count();
    m_ends.reserve(count);
    // Room for the usual keys, a byte a character and a few more, in one allocation.
    if (count != 0) {
      const std::size_t textBytes =
          static_cast<std::size_t>(texts.Data(count - 1) - texts.Data(0)) + texts.Length(count - 1);
      Reserve(textBytes + 8 * count);
    }
    for (std::size_t i = 0; i < count; ++i) {
      Append(texts.Data(i), texts.Length(i));
    }
  }

  // The texts' indices in the order of their keys, compared as bytes (the first
  // differing byte, else the shorter key first); equal keys keep the order of their
  // indices, as a stable sort keeps them. Each entry carries the first bytes of its key,
  // which decide most comparisons without reading the keys, scattered over the buffer,
  // themselves.
  std::vector<std::size_t> Order() const {
    std::vector<Entry> entries(m_ends.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      Entry& e = entries[i];
      e.index = i;
      const std::size_t begin = Begin(i);
      const std::size_t length = m_ends[i] - begin;
      for (std::size_t byte = 0; byte < kHeadBytes; ++byte) {
        const unsigned value = byte < length ? static_cast<unsigned char>(m_keys[begin + byte]) : 0u;
        e.head[byte / 8] = (e.head[byte / 8] << 8) | value;
      }
    }
    std::sort(entries.begin(), entries.end(), [this](const Entry& a, const Entry& b) {
      for (std::size_t word = 0; word < kHeadWords; ++word) {
        if (a.head[word] != b.head[word]) {
          return a.head[word] < b.head[word];
        }
      }
      const int order = Compare(a.index, b.index);
      return order != 0 ? order < 0 : a.index < b.index;
    });
    std::vector<std::size_t> order;
    order.reserve(entries.size());
    for (const Entry& e : entries) {
      order.push_back(e.index);
    }
    return order;
  }

 private:
  static constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;

  // The first bytes of a key, zero after its end, as numbers that compare as the bytes
  // do, and the text's index.
  static constexpr std::size_t kHeadWords = 3;
  static constexpr std::size_t kHeadBytes = 8 * kHeadWords;
  struct Entry {
    std::uint64_t head[kHeadWords] = {};
    std::size_t index = 0;
  };

  std::size_t Begin(std::size_t i) const { return i == 0 ? 0 : m_ends[i - 1]; }

  int Compare(std::size_t a, std::size_t b) const {
    const std::size_t aLength = m_ends[a] - Begin(a);
    const std::size_t bLength = m_ends[b] - Begin(b);
    const int order =
        std::memcmp(m_keys.data() + Begin(a), m_keys.data() + Begin(b), std::min(aLength, bLength));
    return order != 0 ? order : aLength < bLength ? -1 : aLength > bLength ? 1 : 0;
  }

  // The key of an empty text is that of "" (a count of 0 is refused). A key is made in
  // the room left in the buffer, which grows when less is left than a key usually
  // takes, or when the call says it needs more; a text with no key at all (which the
  // call gives only for invalid arguments) sorts first.
  void Append(const char* text, std::size_t length) {
    const char* source = length != 0 ? text : "";
    const int count = length != 0 ? static_cast<int>(length) : -1;
    const std::size_t at = m_ends.empty() ? 0 : m_ends.back();
    Reserve(at + 2 * length + 16);
    int written = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, source, count, &m_keys[at], Room(at));
    if (written == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
      const int needed = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, source, count, nullptr, 0);
      Reserve(at + static_cast<std::size_t>(needed));
      written =
          needed > 0 ? LCMapStringA(LOCALE_USER_DEFAULT, kFlags, source, count, &m_keys[at], Room(at)) : 0;
    }
    m_ends.push_back(at + static_cast<std::size_t>(written));
  }

  void Reserve(std::size_t size) {
    if (m_keys.size() < size) {
      m_keys.resize(std::max(size, 2 * m_keys.size()));
    }
  }

  int Room(std::size_t at) const {
    return static_cast<int>(std::min<std::size_t>(m_keys.size() - at, INT32_MAX));
  }

  std::vector<char> m_keys;         // the keys, one after another, then room for more
  std::vector<std::size_t> m_ends;  // where each key ends
};

bool IsTopicRow(const SRow& row) {
  return row.cValues == kTopicColumnCount && row.lpProps[kTopicEntryId].ulPropTag == PR_ENTRYID &&
         row.lpProps[kTopicDisplayName].ulPropTag == PR_DISPLAY_NAME_A &&
         row.lpProps[kTopicDisplayName].Value.lpszA != nullptr;
}

// One folder of the depth-first walk: its subfolders and how far the walk has got. The
// names of a level go below the name of its folder, which the walk has already listed:
// the level keeps where, not a copy.
struct TopicLevel {
  RowSetPtr rows;
  ULONG next = 0;
  std::size_t parent = kNoParent;  // the folder's place in the walk's names
  static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);
};

}  // namespace

HRESULT CExchRuleExt::InitAppFolder() {
  if (!m_appStore) {
    return S_OK;
  }
  try {
    MapiBuffer<SPropValue> subtree;
    HRESULT hr =
        HrGetOneProp(m_appStore.Get(), PR_IPM_SUBTREE_ENTRYID, OutArg<MapiBuffer<SPropValue>>(subtree));
    if (FAILED(hr)) {
      throw MAPIException(hr, m_appStore.Get(), raise::kSubtreeEntryId);
    }
    ComPtr<IMAPIFolder> folder;
    ULONG objectType = 0;
    hr = m_appStore->OpenEntry(subtree->Value.bin.cb, reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb),
                               nullptr, MAPI_MODIFY, &objectType, reinterpret_cast<LPUNKNOWN*>(folder.Put()));
    subtree.reset();
    if (FAILED(hr)) {
      folder.Detach();
      throw MAPIException(hr, m_appStore.Get(), raise::kOpenTopFolder);
    }

    for (const std::string& piece : SplitAtSlashes(m_topicFolderPath)) {
      folder = GetFolder(std::move(folder), piece);
      if (!folder) {
        return S_OK;  // the topics folder is not there (yet)
      }
    }

    MapiBuffer<SPropValue> entryId;
    hr = HrGetOneProp(folder.Get(), PR_ENTRYID, OutArg<MapiBuffer<SPropValue>>(entryId));
    if (FAILED(hr)) {
      throw MAPIException(hr, static_cast<LPMAPIPROP>(folder.Get()), raise::kAppFolderEntryId);
    }
    m_topicFolderEid = entryId->Value.bin;
  } catch (const BaseException& e) {
    ExceptionReporter::Instance().Report(e);
  }
  return S_OK;
}

ComPtr<IMAPIFolder> CExchRuleExt::GetAppFolder(bool modify) {
  if (m_topicFolderEid.IsEmpty()) {
    InitAppFolder();
    if (m_topicFolderEid.IsEmpty()) {
      return nullptr;
    }
  }
  return GetFolder(m_appStore, m_topicFolderEid, modify);
}

HRESULT CExchRuleExt::GetTopicNames(ComPtr<IMAPIFolder> folder, TopicList& list, const TopicName* prefix) {
  return WalkTopics(std::move(folder), list, prefix, nullptr);
}

HRESULT CExchRuleExt::WalkTopics(ComPtr<IMAPIFolder> folder, TopicList& list, const TopicName* prefix,
                                 NarrowTopicTexts* narrow) {
  if (!folder) {
    return E_FAIL;
  }
  // Depth first, parents before their children and siblings in table order, as a
  // recursion over the folders would list them; the walk keeps its own stack so that a
  // deep tree cannot exhaust the thread's.
  std::vector<TopicLevel> stack;
  HRESULT topLevelResult = S_OK;
  // The names of this walk start here in `list` (and at 0 in `narrow`).
  const std::size_t first = list.size();
  // The caller's prefix is copied: it may be one of the names in `list`, which moves as
  // the list grows.
  const TopicName topPrefix = prefix != nullptr ? *prefix : TopicName();
  const std::string narrowPrefix = narrow != nullptr ? NarrowTopic(topPrefix) : std::string();

  // Reads the subfolders of `parent` and makes them the level the walk goes on with.
  // A failure is reported and ends that level before it starts.
  auto descend = [&](IMAPIFolder* parent, std::size_t parentName) -> HRESULT {
    try {
      ComPtr<IMAPITable> table;
      HRESULT hr = parent->GetHierarchyTable(0, table.Put());
      if (FAILED(hr)) {
        table.Detach();
        throw MAPIException(hr, static_cast<LPMAPIPROP>(parent), raise::kTopicsHierarchyTable);
      }
      TopicLevel level;
      hr = HrQueryAllRows(table.Get(),
                          const_cast<LPSPropTagArray>(reinterpret_cast<const SPropTagArray*>(&kTopicColumns)),
                          nullptr, nullptr, 0, OutArg<RowSetPtr>(level.rows));
      if (FAILED(hr)) {
        throw MAPIException(hr, table.Get(), raise::kTopicsRows);
      }
      level.parent = parentName;
      stack.push_back(std::move(level));
      return hr;
    } catch (const BaseException& e) {
      ExceptionReporter::Instance().Report(e);
      return e.GetHResult();
    }
  };

  topLevelResult = descend(folder.Get(), TopicLevel::kNoParent);
  folder.Reset();

  while (!stack.empty()) {
    TopicLevel& level = stack.back();
    if (level.next >= level.rows->cRows) {
      stack.pop_back();
      continue;
    }
    const SRow& row = level.rows->aRow[level.next++];
    if (!IsTopicRow(row)) {
      continue;
    }
    // The name is the folder's name below its parent's ("parent/name"), or below the
    // caller's prefix at the top.
    const bool atTopLevel = stack.size() == 1;
    const TopicName* parentName = !atTopLevel         ? &list[level.parent]
                                  : prefix != nullptr ? &topPrefix
                                                      : nullptr;
    const LPCSTR displayName = row.lpProps[kTopicDisplayName].Value.lpszA;
    const std::size_t displayLength = std::strlen(displayName);
    TopicName name;
    if (parentName != nullptr) {
      name.reserve(parentName->size() + 1 + displayLength);
      name = *parentName;
      name += static_cast<WCHAR>('/');
    } else {
      name.reserve(displayLength);
    }
    const std::size_t own = name.size();
    AppendWidenedTopic(name, displayName, displayLength);
    if (narrow != nullptr) {
      // The ANSI text of the whole name is that of its parent and that of its own part:
      // the conversion goes unit by unit.
      if (atTopLevel) {
        std::string text = prefix != nullptr ? narrowPrefix + '/' : std::string();
        AppendNarrowedTopic(text, name.data() + own, name.size() - own);
        narrow->Add(text);
      } else {
        narrow->AddBelow(level.parent - first, name.data() + own, name.size() - own);
      }
    }
    const std::size_t index = list.size();
    list.push_back(std::move(name));
    if (!m_appStore) {
      continue;  // nothing to open the subfolders through
    }

    ComPtr<IMAPIFolder> child;
    try {
      ULONG objectType = 0;
      const SBinary& id = row.lpProps[kTopicEntryId].Value.bin;
      const HRESULT hr = m_appStore->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0,
                                               &objectType, reinterpret_cast<LPUNKNOWN*>(child.Put()));
      if (atTopLevel) {
        topLevelResult = hr;
      }
      if (FAILED(hr)) {
        child.Detach();
        throw MAPIException(hr, m_appStore.Get(), raise::kTopicsOpenEntry);
      }
    } catch (const MAPIException& e) {
      ExceptionReporter::Instance().Report(e);
      continue;
    }
    // `level` may move when the stack grows; nothing of it is used past this point.
    descend(child.Get(), index);
  }
  return topLevelResult;
}

TopicList CExchRuleExt::LoadTopicNames() {
  // Each name is converted once, as the walk makes it, and given one sort key; the
  // sort compares keys as bytes, which orders the names as CompareStringA with the
  // same flags does, without weighing a name again at every comparison. Names whose
  // keys are equal keep their listing order.
  TopicList names;
  NarrowTopicTexts narrow;
  WalkTopics(GetAppFolder(false), names, nullptr, &narrow);

  // The names move into their places in the list itself, one cycle of the order at a
  // time: place i takes the name at order[i]. A place that is done says so in `order`.
  std::vector<std::size_t> order = SortKeys(narrow).Order();
  for (std::size_t start = 0; start < order.size(); ++start) {
    if (order[start] == start) {
      continue;
    }
    TopicName first = std::move(names[start]);
    std::size_t at = start;
    while (order[at] != start) {
      const std::size_t from = order[at];
      names[at] = std::move(names[from]);
      order[at] = at;
      at = from;
    }
    names[at] = std::move(first);
    order[at] = at;
  }
  return names;
}

bool CExchRuleExt::CompareTopicNames(const TopicName& a, const TopicName& b) {
  return SortsBefore(NarrowTopic(a), NarrowTopic(b));
}

}  // namespace pellacorm
