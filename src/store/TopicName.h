// Topic names: the paths of the folders below the topics folder, kept in UTF-16 and
// handed to the dialog as ANSI text of the thread's code page.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "config/Platform.h"

namespace pellacorm {

using TopicName = std::basic_string<WCHAR>;
using TopicList = std::vector<TopicName>;

// The ANSI text of a topic name (characters the code page lacks become its default).
std::string NarrowTopic(const TopicName& name);

// The topic name of an ANSI text.
TopicName WidenTopic(const std::string& text);

// Appends NarrowTopic of `count` units of a name to `text`, without a copy of the units.
void AppendNarrowedTopic(std::string& text, const WCHAR* units, std::size_t count);

// Appends WidenTopic of `length` bytes of ANSI text to `name`.
void AppendWidenedTopic(TopicName& name, const char* text, std::size_t length);

// The ANSI texts of a list of topic names, one after the other in one string: no
// allocation per name, and the texts side by side in memory for a sort.
class NarrowTopicTexts {
 public:
  std::size_t Count() const { return m_ends.size(); }
  const char* Data(std::size_t i) const { return m_text.data() + Begin(i); }
  std::size_t Length(std::size_t i) const { return m_ends[i] - Begin(i); }

  // Adds a text as it is.
  void Add(const std::string& text);
  // Adds the text of a name below name `parent` (already added): the parent's text, a
  // slash and NarrowTopic of the `count` units of the name's own part.
  void AddBelow(std::size_t parent, const WCHAR* units, std::size_t count);

 private:
  std::size_t Begin(std::size_t i) const { return i == 0 ? 0 : m_ends[i - 1]; }

  std::string m_text;
  std::vector<std::size_t> m_ends;  // where each name's text ends
};

}  // namespace pellacorm
