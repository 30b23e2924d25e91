#include "action/ActionSettings.h"

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

// atoi of at most `count` characters from `pos`, stopping at the field's end (the
// caller has checked that the characters exist): leading white space, an optional sign,
// then digits up to the first other character. Parsed in place, without a copy.
int ReadNumber(const std::string& text, std::size_t pos, std::size_t count) {
  const std::size_t end = pos + count < text.size() ? pos + count : text.size();
  std::size_t at = pos;
  while (at < end && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) {
    ++at;
  }
  bool negative = false;
  if (at < end && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  int value = 0;
  for (; at < end && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
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

}  // namespace

ActionSettings::ActionSettings(const std::string& command) {
  DecodeCommand(command);
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
  const std::size_t topicDigits = DigitCount(m_topic.size(), 3);
  std::size_t bodyLength = 0;
  if (m_assignPriority) {
    bodyLength += 2 + priorityDigits;
  }
  if (hasTopic) {
    bodyLength += 2 + topicDigits + m_topic.size();
  }
  const unsigned long long total = bodyLength + kPrefixLength;
  const std::size_t totalDigits = DigitCount(total, 3);

  std::string text(totalDigits + bodyLength, '\0');
  char* out = &text[0];
  WriteNumber(out, total, totalDigits);
  if (m_assignPriority) {
    *out++ = 'P';
    *out++ = priority < 0 ? '-' : '+';
    WriteNumber(out, priorityMagnitude, priorityDigits);
  }
  if (hasTopic) {
    const int options = (m_fileImmediately ? 1 : 0) | (m_overwriteTopic ? 2 : 0);
    *out++ = 'T';
    *out++ = static_cast<char>('0' + options);
    WriteNumber(out, m_topic.size(), topicDigits);
    m_topic.copy(out, m_topic.size());
  }
  return text;
}

void ActionSettings::DecodeCommand(const std::string& command) {
  if (command.size() <= kPrefixLength) {
    return;
  }
  const int declared = ReadNumber(command, 0, kPrefixLength);
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
      m_assignPriority = true;
      m_priority = ReadNumber(command, pos + 1, 2);
      pos += kPriorityLength;
    } else if (command[pos] == 'T') {
      if (left < kTopicHeaderLength) {
        return;
      }
      const int length = ReadNumber(command, pos + 2, 3);
      if (length < 1 || left < static_cast<std::size_t>(length) + kTopicHeaderLength) {
        return;
      }
      m_assignTopic = true;
      const char option = command[pos + 1];
      if (option == kOptionFile || option == kOptionBoth) {
        m_fileImmediately = true;
      }
      if (option == kOptionOverwrite || option == kOptionBoth) {
        m_overwriteTopic = true;
      }
      m_topic.assign(command, pos + kTopicHeaderLength, static_cast<std::size_t>(length));
      pos += kTopicHeaderLength + static_cast<std::size_t>(length);
    } else {
      return;
    }
  }
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

std::string ActionSettings::GetDisplayName() const {
  std::string text;
  // Room for the fixed words, a priority name and the options: one allocation.
  text.reserve(64 + m_topic.size());
  if (m_assignPriority) {
    text += "Priority: ";
    if (m_priority >= -2 && m_priority <= 2) {
      text += LoadResString(static_cast<UINT>(IDS_PRIORITY_NORMAL + m_priority));
    }
  }
  if (m_assignTopic && !m_topic.empty()) {
    if (!text.empty()) {
      text += ", ";
    }
    text += "Topic: ";
    text += m_topic;
    if (m_fileImmediately || m_overwriteTopic) {
      text += " (";
    }
    if (m_fileImmediately) {
      text += "File";
      if (m_overwriteTopic) {
        text += ",";
      }
    }
    if (m_overwriteTopic) {
      text += "Overwrite";
    }
    if (m_fileImmediately || m_overwriteTopic) {
      text += ") ";
    }
  }
  return text;
}

}  // namespace pellacorm
