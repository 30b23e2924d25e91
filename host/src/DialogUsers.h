// The users the host puts in front of the extension's dialog: one who only looks, one who
// carries out the options of `compose`, and a person at the terminal.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "Dialog.h"

namespace rulehost {

// Looks at the dialog as it opens, then presses Cancel.
class LookingUser final : public DialogUser {
 public:
  DialogStep Next(const DialogSnapshot& dialog) override;
  const std::optional<DialogSnapshot>& Seen() const { return m_seen; }

 private:
  std::optional<DialogSnapshot> m_seen;
};

// What the options of `compose` ask of the dialog.
struct ComposeRequest {
  enum class Topic { Keep, ByName, ByIndex, Typed, DoNotAssign };
  Topic topic = Topic::Keep;
  std::string topicText;  // ByName, Typed
  int topicIndex = 0;     // ByIndex
  // The check boxes; unset leaves a box as it is, except that choosing a topic (by name,
  // index or a typed name) clears the boxes that are not asked for.
  std::optional<bool> file;
  std::optional<bool> overwrite;
  std::optional<int> priorityItem;  // 0 "<Default>", 1..5 "Very Low".."Very High"
  bool ok = true;
};

// The item of the topic list that shows `name`: the item with that text, else the one
// item whose shortened text ("Clients/.../Escalations/Open") stands for it, else an item
// equal but for case. Fills `problem` and answers nothing when there is none or several.
std::optional<int> FindTopicItem(const std::vector<std::string>& items, const std::string& name,
                                 std::string* problem);

// Carries out a ComposeRequest: topic, check boxes, priority, then OK or Cancel. When the
// dialog warns or refuses a step, it closes the warning and cancels.
class ScriptedUser final : public DialogUser {
 public:
  explicit ScriptedUser(ComposeRequest request) : m_request(std::move(request)) {}
  DialogStep Next(const DialogSnapshot& dialog) override;

  // The dialog as it opened.
  const std::optional<DialogSnapshot>& Opened() const { return m_opened; }
  // What the user did and saw, one line each.
  const std::vector<std::string>& Transcript() const { return m_transcript; }
  // Why the request could not be carried out ("" when it was).
  const std::string& Failure() const { return m_failure; }

 private:
  enum class Stage { Topic, File, Overwrite, Priority, Finish, AfterFinish };
  DialogStep Do(const DialogSnapshot& dialog, DialogStep step);
  DialogStep GiveUp(const DialogSnapshot& dialog, const std::string& why);
  std::optional<DialogStep> CheckBox(const DialogSnapshot& dialog, int id, std::optional<bool> asked,
                                     bool topicChosen);

  ComposeRequest m_request;
  Stage m_stage = Stage::Topic;
  std::optional<DialogSnapshot> m_opened;
  std::vector<std::string> m_transcript;
  std::string m_failure;
};

// A person at the terminal: sees the dialog drawn as text and types what to do.
class TerminalUser final : public DialogUser {
 public:
  TerminalUser(std::istream& in, std::ostream& out, bool echo) : m_in(in), m_out(out), m_echo(echo) {}
  DialogStep Next(const DialogSnapshot& dialog) override;
  const std::vector<std::string>& Transcript() const { return m_transcript; }

 private:
  std::optional<DialogStep> Parse(const DialogSnapshot& dialog, const std::string& line);
  DialogStep Done(const DialogSnapshot& dialog, DialogStep step);

  std::istream& m_in;
  std::ostream& m_out;
  bool m_echo;  // repeat each line read, when it does not come from a terminal
  bool m_drawn = false;
  std::vector<std::string> m_transcript;
};

}  // namespace rulehost
