#include "store/TopicName.h"

namespace pellacorm {

namespace {

// Appends what `convert(buffer, size)` writes (a conversion call's way: the units
// written, or 0 and ERROR_INSUFFICIENT_BUFFER) to `out`: one call into `room` units
// that are always enough for the code pages in use, and the size asked for only if a
// code page ever proves otherwise.
template <typename Text, typename Convert>
void AppendConverted(Text& out, std::size_t room, Convert convert) {
  const std::size_t start = out.size();
  out.resize(start + room);
  int written = convert(&out[start], static_cast<int>(room));
  if (written <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    written = convert(nullptr, 0);
    out.resize(start + static_cast<std::size_t>(written > 0 ? written : 0));
    if (written > 0) {
      convert(&out[start], written);
    }
  }
  out.resize(start + static_cast<std::size_t>(written > 0 ? written : 0));
}

}  // namespace

void AppendNarrowedTopic(std::string& text, const WCHAR* units, std::size_t count) {
  if (count == 0) {
    return;
  }
  // A UTF-16 unit gives at most two bytes of an ANSI code page.
  const int length = static_cast<int>(count);
  AppendConverted(text, 2 * count, [units, length](char* buffer, int size) {
    return WideCharToMultiByte(CP_ACP, 0, units, length, buffer, size, nullptr, nullptr);
  });
}

void AppendWidenedTopic(TopicName& name, const char* text, std::size_t length) {
  if (length == 0) {
    return;
  }
  // A byte of ANSI text gives at most one UTF-16 unit.
  const int count = static_cast<int>(length);
  AppendConverted(name, length, [text, count](WCHAR* buffer, int size) {
    return MultiByteToWideChar(CP_ACP, 0, text, count, buffer, size);
  });
}

void NarrowTopicTexts::Add(const std::string& text) {
  m_text += text;
  m_ends.push_back(m_text.size());
}

void NarrowTopicTexts::AddBelow(std::size_t parent, const WCHAR* units, std::size_t count) {
  // Room first, so that the parent's text does not move while it is copied.
  const std::size_t from = Begin(parent);
  const std::size_t length = Length(parent);
  m_text.reserve(m_text.size() + length + 1 + 2 * count);
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
