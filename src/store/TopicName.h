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

}  // namespace pellacorm
