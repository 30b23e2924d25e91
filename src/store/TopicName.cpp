#include "store/TopicName.h"

namespace pellacorm {

std::string NarrowTopic(const TopicName& name) {
  if (name.empty()) {
    return {};
  }
  const int count = static_cast<int>(name.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, name.data(), count, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) {
    return {};
  }
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, name.data(), count, text.data(), bytes, nullptr, nullptr);
  return text;
}

TopicName WidenTopic(const std::string& text) {
  if (text.empty()) {
    return {};
  }
  const int count = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), count, nullptr, 0);
  if (units <= 0) {
    return {};
  }
  TopicName name(static_cast<std::size_t>(units), WCHAR());
  MultiByteToWideChar(CP_ACP, 0, text.data(), count, name.data(), units);
  return name;
}

}  // namespace pellacorm
