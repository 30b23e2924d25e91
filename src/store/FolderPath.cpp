// The folder path syntax: its normal form, the check of the configured topics-folder
// location, and the shortened form the dialog shows for long topic names.

#include "extension/ExchRuleExt.h"
#include "store/FolderPathText.h"

namespace pellacorm {
namespace {

constexpr const char* kDefaultTopicFolderPath = "/Inbox/Pellacorm Topics";

// Standard mail folders that must never serve as the topics folder.
constexpr const char* kReservedFolderNames[] = {
    "Calendar", "Contacts", "Deleted Items", "Drafts", "Journal", "Notes", "Outbox", "Sent Items", "Tasks",
};

constexpr const char* kEllipsis = "...";

bool IsReservedFolderName(const std::string& name) {
  for (const char* reserved : kReservedFolderNames) {
    if (_mbsicmp(reinterpret_cast<const unsigned char*>(name.c_str()),
                 reinterpret_cast<const unsigned char*>(reserved)) == 0) {
      return true;
    }
  }
  return false;
}

// Length of the text in UTF-16 code units, as the dialog's controls count it.
std::size_t Utf16Length(const std::string& text) {
  const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  return units > 0 ? static_cast<std::size_t>(units) : text.size();
}

}  // namespace

std::string CExchRuleExt::NormalizeFolderPath(const std::string& path) {
  std::string normal;
  for (const std::string& piece : SplitFolderPath(path)) {
    if (!normal.empty()) {
      normal += '/';
    }
    normal += piece;
  }
  return normal;
}

std::string CExchRuleExt::ValidateTopicFolderPath(const std::string& location) {
  const std::string normal = NormalizeFolderPath(location);
  if (normal.size() <= 1 || IsReservedFolderName(normal)) {
    return kDefaultTopicFolderPath;
  }
  return "/" + normal;
}

std::string CExchRuleExt::AbbreviateFolderPath(const std::string& path, ULONG limit) {
  if (path.empty() || Utf16Length(path) <= limit) {
    return path;
  }
  const std::vector<std::string> components = SplitFolderPath(path);

  // Room for the "..." in the middle. Limits below 7 leave no room for a shortened
  // component; the arithmetic is kept from going below zero.
  const std::size_t budget = limit > 3 ? limit - 3 : 0;
  const std::size_t tailKeep = budget > 4 ? budget - 4 : 0;
  std::size_t used = 0;
  bool stop = false;
  // The components not yet taken are [first, last): the head takes them from the
  // front, the tail from the back, so each step costs the same however deep the path.
  std::size_t first = 0;
  std::size_t last = components.size();
  std::vector<const std::string*> head;
  std::vector<std::string> tail;  // back first

  while (first < last) {
    const std::string& back = components[last - 1];
    if (used == 0 && back.size() + 1 > budget) {
      const std::size_t keep = back.size() < tailKeep ? back.size() : tailKeep;
      tail.push_back(kEllipsis + back.substr(back.size() - keep));
    } else if (back.size() + used + 1 > budget) {
      stop = true;
    } else {
      used += back.size() + 1;
      tail.push_back(back);
      --last;
    }

    if (first < last && components[first].size() + used + 1 <= budget) {
      used += components[first].size() + 1;
      head.push_back(&components[first]);
      ++first;
      if (stop) {
        first = last;
      }
    } else {
      stop = true;
      first = last;
    }
  }

  std::string result;
  for (const std::string* component : head) {
    result += *component;
    result += '/';
  }
  result += kEllipsis;
  for (auto component = tail.rbegin(); component != tail.rend(); ++component) {
    result += '/';
    result += *component;
  }
  return result;
}

}  // namespace pellacorm
