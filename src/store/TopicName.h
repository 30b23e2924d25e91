// Topic names: the paths of the folders below the topics folder, kept in UTF-16 and
// handed to the dialog as ANSI text of the thread's code page.
#pragma once

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

}  // namespace pellacorm
