#include "action/ActionSettings.h"

#include <cstdio>
#include <cstdlib>

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

// atoi of `count` characters from `pos`, read from a bounded copy so that the read
// stops at the field's end (the caller has checked that the characters exist).
int ReadNumber(const std::string& text, std::size_t pos, std::size_t count) {
  const std::string field = text.substr(pos, count);
  return std::atoi(field.c_str());
}

// printf of one integer with the command string's formats, whatever its width.
std::string Format(const char* format, long long value) {
  char buffer[32];
  const int length = std::snprintf(buffer, sizeof buffer, format, value);
  return std::string(buffer, static_cast<std::size_t>(length));
}

}  // namespace

ActionSettings::ActionSettings(const std::string& command) {
  DecodeCommand(command);
}

std::string ActionSettings::EncodeCommand() const {
  // The formats are "P%+01.1d", "T%d%03.3d%s" and "%03.3d%s", with the numbers widened
  // so that no length can overflow on its way to the text.
  std::string body;
  if (m_assignPriority) {
    body = Format("P%+01.1lld", m_priority);
  }
  if (m_assignTopic && !m_topic.empty()) {
    const int options = (m_fileImmediately ? 1 : 0) | (m_overwriteTopic ? 2 : 0);
    body += 'T';
    body += Format("%lld", options);
    body += Format("%03.3lld", static_cast<long long>(m_topic.size()));
    body += m_topic;
  }
  if (body.empty()) {
    return body;
  }
  const auto total = static_cast<long long>(body.size()) + static_cast<long long>(kPrefixLength);
  return Format("%03.3lld", total) + body;
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
  const std::string body = command.substr(kPrefixLength, static_cast<std::size_t>(declared) - kPrefixLength);
  std::size_t pos = 0;
  while (pos < body.size()) {
    const std::size_t left = body.size() - pos;
    if (body[pos] == 'P') {
      if (left < kPriorityLength) {
        return;
      }
      m_assignPriority = true;
      m_priority = ReadNumber(body, pos + 1, 2);
      pos += kPriorityLength;
    } else if (body[pos] == 'T') {
      if (left < kTopicHeaderLength) {
        return;
      }
      const int length = ReadNumber(body, pos + 2, 3);
      if (length < 1 || left < static_cast<std::size_t>(length) + kTopicHeaderLength) {
        return;
      }
      m_assignTopic = true;
      const char option = body[pos + 1];
      if (option == kOptionFile || option == kOptionBoth) {
        m_fileImmediately = true;
      }
      if (option == kOptionOverwrite || option == kOptionBoth) {
        m_overwriteTopic = true;
      }
      m_topic = body.substr(pos + kTopicHeaderLength, static_cast<std::size_t>(length));
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
