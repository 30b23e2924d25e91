// ActionSettings: what one rule action does to a matched message (a topic with its two
// options, a priority), and its stored text form, the action command string.
#pragma once

#include <string>
#include <string_view>

#include "config/Platform.h"

namespace pellacorm {

class ActionSettings {
 public:
  // Nothing assigned.
  ActionSettings() = default;
  // The settings a stored command string holds (see DecodeCommand).
  explicit ActionSettings(std::string_view command);

  // The command string of these settings: a three-digit total length, then "P%+d" when
  // a priority is assigned, then "T<options><three-digit length><topic>" when a topic
  // with a name is assigned; the empty string when neither is. The client stores these
  // strings in its rules, so the format never changes. Lengths of 1000 or more are
  // written with four digits and do not read back; the dialog keeps commands shorter.
  std::string EncodeCommand() const;
  // Reads a command string into these settings. It only ever sets fields: what the
  // text does not name keeps its value (decode into a default record, as the
  // constructor does, to read a command alone). A malformed or truncated text yields
  // whatever was read before the first fault, without any report.
  void DecodeCommand(std::string_view command);

  // Assigns the topic `name` with its options; an empty name changes nothing.
  void SetTopic(const std::string& name, bool fileImmediately, bool overwriteTopic);
  // Removes the topic, its name and its options.
  void ClearTopic();
  void SetPriority(int priority);
  // Removes the priority from the settings; m_priority keeps its value.
  void ClearPriority();

  // The readable name of the action, such as "Priority: High, Topic: Budget (File) ";
  // priority names come from the string table.
  std::string GetDisplayName() const;

  bool m_assignPriority = false;
  int m_priority = 0;  // -2 (Very Low) .. +2 (Very High), when m_assignPriority
  bool m_assignTopic = false;
  bool m_fileImmediately = false;  // options of the topic, when m_assignTopic
  bool m_overwriteTopic = false;
  std::string m_topic;  // ANSI; "/" or "\" separate folder levels
};

// A command string read in place: the fields ActionSettings would read from it, with
// the topic's name a view of the text. For showing a stored command without copying
// any of it; valid while the text is.
class CommandView {
 public:
  explicit CommandView(std::string_view command);

  // Copies the display name ActionSettings would give into the client's buffer of
  // `size` bytes as FitToHostBuffer does, without building it first. Throws only
  // std::bad_alloc, and then before writing anything.
  void CopyDisplayName(LPSTR buffer, ULONG size) const;

  bool m_assignPriority = false;
  int m_priority = 0;
  bool m_assignTopic = false;
  bool m_fileImmediately = false;
  bool m_overwriteTopic = false;
  std::string_view m_topic;
};

// CommandView(command).CopyDisplayName(buffer, size), as one call: the client asks for
// display names often, and one function that both reads and writes spares it a call.
void CopyCommandDisplayName(std::string_view command, LPSTR buffer, ULONG size);

}  // namespace pellacorm
