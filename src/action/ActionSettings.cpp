#include "action/ActionSettings.h"

#include <algorithm>
#include <cstring>

#include "action/HostBuffer.h"
#include "config/ResourceString.h"
#include "resources/resource.h"

namespace pellacorm {

namespace {

// The fields of the command string.
constexpr std::size_t kPrefixLength = 3;       // "%03.3d" total length
constexpr std::size_t kPriorityLength = 3;     // 'P', sign, digit
constexpr std::size_t kTopicHeaderLength = 5;  // 'T', option digit, "%03.3d" name length

// The option digit of the topic field: bit 0 file immediately, bit 1 overwrite.
constexpr char kOptionFile = '1';
constexpr char kOptionOverwrite = '2';
constexpr char kOptionBoth = '3';

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// atoi of the `count` characters at `field` (the caller has checked that they exist):
// leading white space, an optional sign, then digits up to the first other character.
// Parsed in place, without a copy; the usual field, plain digits only, in one step.
int ReadNumber(const char* field, std::size_t count) {
  if (count == 3 && IsDigit(field[0]) && IsDigit(field[1]) && IsDigit(field[2])) {
    return (field[0] - '0') * 100 + (field[1] - '0') * 10 + (field[2] - '0');
  }
  const char* at = field;
  const char* const end = field + count;
  while (at < end && (*at == ' ' || (*at >= '\t' && *at <= '\r'))) {
    ++at;
  }
  bool negative = false;
  if (at < end && (*at == '+' || *at == '-')) {
    negative = *at == '-';
    ++at;
  }
  int value = 0;
  for (; at < end && IsDigit(*at); ++at) {
    value = value * 10 + (*at - '0');
  }
  return negative ? -value : value;
}

// The number of decimal digits of `value`, at least `minDigits`.
std::size_t DigitCount(unsigned long long value, std::size_t minDigits) {
  std::size_t digits = 1;
  for (; value >= 10; value /= 10) {
    ++digits;
  }
  return digits > minDigits ? digits : minDigits;
}

// Writes `value` in decimal with `digits` digits (DigitCount's answer), zeros in front,
// at `out`, and moves `out` past them: printf's "%0N.Nlld" for a value that is not
// negative.
void WriteNumber(char*& out, unsigned long long value, std::size_t digits) {
  for (std::size_t at = digits; at > 0; --at) {
    out[at - 1] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  out += digits;
}

// Puts the `length` bytes at `text` into a record's topic name: a view refers to them,
// a string copies them.
inline void SetTopicText(std::string_view& topic, const char* text, std::size_t length) {
  topic = std::string_view(text, length);
}
inline void SetTopicText(std::string& topic, const char* text, std::size_t length) {
  topic.assign(text, length);
}

// Sets the options of `record`'s topic that the option digit `option` names; any other
// character names none.
template <typename Record>
void ReadTopicOptions(char option, Record& record) {
  if (option == kOptionFile || option == kOptionBoth) {
    record.m_fileImmediately = true;
  }
  if (option == kOptionOverwrite || option == kOptionBoth) {
    record.m_overwriteTopic = true;
  }
}

// Reads `command` into `record`, an ActionSettings or a CommandView (see
// ActionSettings::DecodeCommand).
template <typename Record>
void Decode(std::string_view command, Record& record) {
  if (command.size() <= kPrefixLength) {
    return;
  }
  const int declared = ReadNumber(command.data(), kPrefixLength);
  if (declared < static_cast<int>(kPrefixLength)) {
    return;
  }
  // The declared length bounds the body; a declared length past the end takes the rest.
  // The fields are read in place: `pos` runs from the body's start to `end`.
  const std::size_t end = static_cast<std::size_t>(declared) < command.size()
                              ? static_cast<std::size_t>(declared)
                              : command.size();
  std::size_t pos = kPrefixLength;
  while (pos < end) {
    const std::size_t left = end - pos;
    if (command[pos] == 'P') {
      if (left < kPriorityLength) {
        return;
      }
      // Read as atoi reads it, as stored rules have always been read: two digits
      // without a sign give a value the one-digit field cannot write back.
      record.m_assignPriority = true;
      record.m_priority = ReadNumber(command.data() + pos + 1, 2);
      pos += kPriorityLength;
    } else if (command[pos] == 'T') {
      if (left < kTopicHeaderLength) {
        return;
      }
      const int length = ReadNumber(command.data() + pos + 2, 3);
      if (length < 1 || left < static_cast<std::size_t>(length) + kTopicHeaderLength) {
        return;
      }
      record.m_assignTopic = true;
      ReadTopicOptions(command[pos + 1], record);
      SetTopicText(record.m_topic, command.data() + pos + kTopicHeaderLength,
                   static_cast<std::size_t>(length));
      pos += kTopicHeaderLength + static_cast<std::size_t>(length);
    } else {
      return;
    }
  }
}

}  // namespace

ActionSettings::ActionSettings(std::string_view command) {
  DecodeCommand(command);
}

void ActionSettings::DecodeCommand(std::string_view command) {
  Decode(command, *this);
}

CommandView::CommandView(std::string_view command) {
  Decode(command, *this);
}

std::string ActionSettings::EncodeCommand() const {
  // The formats are "P%+01.1d", "T%d%03.3d%s" and "%03.3d%s", written digit by digit
  // into one buffer sized beforehand; the numbers are widened so that no length can
  // overflow on its way to the text.
  const bool hasTopic = m_assignTopic && !m_topic.empty();
  if (!m_assignPriority && !hasTopic) {
    return {};
  }
  const long long priority = m_priority;
  const unsigned long long priorityMagnitude = priority < 0 ? 0ULL - static_cast<unsigned long long>(priority)
                                                            : static_cast<unsigned long long>(priority);
  const std::size_t priorityDigits = DigitCount(priorityMagnitude, 1);
  const std::size_t topicLengthDigits = DigitCount(m_topic.size(), 3);
  std::size_t bodyLength = 0;
  if (m_assignPriority) {
    bodyLength += 2 + priorityDigits;
  }
  if (hasTopic) {
    bodyLength += 2 + topicLengthDigits + m_topic.size();
  }
  const std::size_t totalDigits = DigitCount(bodyLength + kPrefixLength, kPrefixLength);

  std::string text(totalDigits + bodyLength, '\0');
  char* out = &text[0];
  WriteNumber(out, bodyLength + kPrefixLength, totalDigits);  // "%03.3d" of the body's length + 3
  if (m_assignPriority) {
    *out++ = 'P';
    *out++ = m_priority < 0 ? '-' : '+';
    WriteNumber(out, priorityMagnitude, priorityDigits);
  }
  if (hasTopic) {
    const int options = (m_fileImmediately ? 1 : 0) | (m_overwriteTopic ? 2 : 0);
    *out++ = 'T';
    *out++ = static_cast<char>('0' + options);
    WriteNumber(out, m_topic.size(), topicLengthDigits);
    std::copy_n(m_topic.data(), m_topic.size(), out);
  }
  return text;
}

void ActionSettings::SetTopic(const std::string& name, bool fileImmediately, bool overwriteTopic) {
  if (name.empty()) {
    return;
  }
  m_topic = name;
  m_assignTopic = true;
  m_fileImmediately = fileImmediately;
  m_overwriteTopic = overwriteTopic;
}

void ActionSettings::ClearTopic() {
  m_topic.clear();
  m_assignTopic = false;
  m_fileImmediately = false;
  m_overwriteTopic = false;
}

void ActionSettings::SetPriority(int priority) {
  m_assignPriority = true;
  m_priority = priority;
}

void ActionSettings::ClearPriority() {
  m_assignPriority = false;
}

namespace {

// Calls `visit` with the texts the display name of `settings` (an ActionSettings or a
// CommandView) is made of, in order. The priority's name is looked up before the
// first call, so a lookup that fails has handed out nothing.
template <typename Record, typename Visit>
void VisitDisplayName(const Record& settings, Visit visit) {
  std::string_view priorityName;
  if (settings.m_assignPriority && settings.m_priority >= -2 && settings.m_priority <= 2) {
    priorityName = ResStringView(static_cast<UINT>(IDS_PRIORITY_NORMAL + settings.m_priority));
  }
  if (settings.m_assignPriority) {
    visit("Priority: ");
    visit(priorityName);
  }
  if (settings.m_assignTopic && !settings.m_topic.empty()) {
    visit(settings.m_assignPriority ? ", Topic: " : "Topic: ");
    visit(settings.m_topic);
    if (settings.m_fileImmediately && settings.m_overwriteTopic) {
      visit(" (File,Overwrite) ");
    } else if (settings.m_fileImmediately) {
      visit(" (File) ");
    } else if (settings.m_overwriteTopic) {
      visit(" (Overwrite) ");
    }
  }
}

}  // namespace

std::string ActionSettings::GetDisplayName() const {
  std::size_t length = 0;
  VisitDisplayName(*this, [&length](std::string_view part) { length += part.size(); });
  std::string text;
  text.reserve(length);
  VisitDisplayName(*this, [&text](std::string_view part) { text += part; });
  return text;
}

void CommandView::CopyDisplayName(LPSTR buffer, ULONG size) const {
  HostBufferWriter writer(buffer, size);
  VisitDisplayName(*this, [&writer](std::string_view part) { writer.Append(part); });
  writer.Finish();
}

void CopyCommandDisplayName(std::string_view command, LPSTR buffer, ULONG size) {
  const CommandView view(command);
  view.CopyDisplayName(buffer, size);
}

}  // namespace pellacorm
