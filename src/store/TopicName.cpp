#include "store/TopicName.h"

namespace pellacorm {

void AppendNarrowedTopic(std::string& text, const WCHAR* units, std::size_t count) {
  if (count == 0) {
    return;
  }
  const int length = static_cast<int>(count);
  const int bytes = WideCharToMultiByte(CP_ACP, 0, units, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) {
    return;
  }
  const std::size_t start = text.size();
  text.resize(start + static_cast<std::size_t>(bytes));
  WideCharToMultiByte(CP_ACP, 0, units, length, &text[start], bytes, nullptr, nullptr);
}

void AppendWidenedTopic(TopicName& name, const char* text, std::size_t length) {
  if (length == 0) {
    return;
  }
  const int count = static_cast<int>(length);
  const std::size_t start = name.size();
  // A byte of ANSI text gives at most one UTF-16 unit, so one call does; the size is
  // asked for only if a code page ever proves otherwise.
  name.resize(start + length);
  int units = MultiByteToWideChar(CP_ACP, 0, text, count, &name[start], count);
  if (units <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    units = MultiByteToWideChar(CP_ACP, 0, text, count, nullptr, 0);
    name.resize(start + static_cast<std::size_t>(units > 0 ? units : 0));
    if (units > 0) {
      MultiByteToWideChar(CP_ACP, 0, text, count, &name[start], units);
    }
  }
  name.resize(start + static_cast<std::size_t>(units > 0 ? units : 0));
}

void NarrowTopicTexts::Add(const std::string& text) {
  m_text += text;
  m_ends.push_back(m_text.size());
}

void NarrowTopicTexts::AddBelow(std::size_t parent, const WCHAR* units, std::size_t count) {
  // Room first, so that the parent's text does not move while it is copied.
  const std::size_t from = Begin(parent);
  const std::size_t length = Length(parent);
  m_text.reserve(m_text.size() + length + 1 + count);
  m_text.append(m_text.data() + from, length);
  m_text += '/';
  AppendNarrowedTopic(m_text, units, count);
  m_ends.push_back(m_text.size());
}

std::string NarrowTopic(const TopicName& name) {
  std::string text;
  AppendNarrowedTopic(text, name.data(), name.size());
  return text;
}

TopicName WidenTopic(const std::string& text) {
  TopicName name;
  AppendWidenedTopic(name, text.data(), text.size());
  return name;
}

}  // namespace pellacorm
