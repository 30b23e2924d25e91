#include "DialogUsers.h"

#include <istream>
#include <ostream>

#include "HostText.h"
#include "resources/resource.h"

namespace rulehost {
namespace {

// Whether `name` reads as `shown`, where every "..." of `shown` stands for any text.
bool StandsFor(const std::string& shown, const std::string& name) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t dots = shown.find("..."); dots != std::string::npos; dots = shown.find("...", start)) {
    pieces.push_back(shown.substr(start, dots - start));
    start = dots + 3;
  }
  pieces.push_back(shown.substr(start));
  if (pieces.size() == 1) {
    return false;  // nothing was left out
  }
  // A separator next to "..." may stand for none: a long last level is shown as
  // ".../...end of the name" although nothing but its own beginning was left out.
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0 && !pieces[i].empty() && (pieces[i].front() == '/' || pieces[i].front() == '\\')) {
      pieces[i].erase(0, 1);
    }
    if (i + 1 < pieces.size() && !pieces[i].empty() &&
        (pieces[i].back() == '/' || pieces[i].back() == '\\')) {
      pieces[i].pop_back();
    }
  }
  const std::string& first = pieces.front();
  const std::string& last = pieces.back();
  if (name.size() < first.size() + last.size() || name.compare(0, first.size(), first) != 0 ||
      name.compare(name.size() - last.size(), last.size(), last) != 0) {
    return false;
  }
  std::size_t at = first.size();
  const std::size_t end = name.size() - last.size();
  for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
    const std::size_t found = name.find(pieces[i], at);
    if (found == std::string::npos || found + pieces[i].size() > end) {
      return false;
    }
    at = found + pieces[i].size();
  }
  return true;
}

const ControlState* Control(const DialogSnapshot& dialog, int id) {
  return dialog.Find(id);
}

}  // namespace

std::optional<int> FindTopicItem(const std::vector<std::string>& items, const std::string& name,
                                 std::string* problem) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] == name) {
      return static_cast<int>(i);
    }
  }
  std::vector<std::size_t> shortened;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (StandsFor(items[i], name)) {
      shortened.push_back(i);
    }
  }
  if (shortened.size() == 1) {
    return static_cast<int>(shortened.front());
  }
  if (shortened.size() > 1) {
    *problem =
        "the topic list shows " + Quoted(name) + " shortened, and more than one item could stand for it:";
    for (std::size_t i : shortened) {
      *problem += " " + std::to_string(i) + " " + Quoted(items[i]) + ";";
    }
    *problem += " choose one with --topic-index";
    return std::nullopt;
  }
  const std::string lower = Lower(name);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (Lower(items[i]) == lower) {
      return static_cast<int>(i);
    }
  }
  *problem = "the topic list has no item " + Quoted(name);
  return std::nullopt;
}

// --- LookingUser -------------------------------------------------------------------------

DialogStep LookingUser::Next(const DialogSnapshot& dialog) {
  if (!m_seen) {
    m_seen = dialog;
  }
  return dialog.messageBox ? DialogStep::CloseBox() : DialogStep::PressCancel();
}

// --- ScriptedUser ------------------------------------------------------------------------

DialogStep ScriptedUser::Do(const DialogSnapshot& dialog, DialogStep step) {
  m_transcript.push_back("the user: " + step.Describe(dialog));
  return step;
}

DialogStep ScriptedUser::GiveUp(const DialogSnapshot& dialog, const std::string& why) {
  if (m_failure.empty()) {
    m_failure = why;
  }
  m_stage = Stage::AfterFinish;
  return Do(dialog, DialogStep::PressCancel());
}

std::optional<DialogStep> ScriptedUser::CheckBox(const DialogSnapshot& dialog, int id,
                                                 std::optional<bool> asked, bool topicChosen) {
  // Choosing a topic clears the boxes that were not asked for.
  const std::optional<bool> wanted = asked ? asked : topicChosen ? std::optional<bool>(false) : std::nullopt;
  const ControlState* box = Control(dialog, id);
  if (!wanted || box == nullptr || box->checked == *wanted) {
    return std::nullopt;
  }
  if (!box->enabled) {
    if (!asked) {
      return std::nullopt;  // a box nobody asked about may stay as it is
    }
    return GiveUp(dialog, "cannot " + std::string(*wanted ? "check " : "clear ") + Quoted(box->text) +
                              ": the check box is disabled (a topic must be chosen first)");
  }
  return Do(dialog, DialogStep::ClickOn(id));
}

DialogStep ScriptedUser::Next(const DialogSnapshot& dialog) {
  if (!m_opened) {
    m_opened = dialog;
  }
  if (dialog.messageBox) {
    m_transcript.push_back("the dialog: message box " + Quoted(dialog.messageBox->caption) + ": " +
                           Quoted(dialog.messageBox->text));
    if (m_failure.empty()) {
      m_failure = "the dialog refused the choice with a warning: " + Quoted(dialog.messageBox->text);
    }
    m_stage = Stage::AfterFinish;
    return Do(dialog, DialogStep::CloseBox());
  }
  if (!dialog.refusals.empty()) {
    std::string why = "the dialog did not take the last step:";
    for (const std::string& refusal : dialog.refusals) {
      why += " " + refusal + ";";
    }
    return GiveUp(dialog, why);
  }
  // An emptied topic field chooses nothing: the action keeps its topic.
  const bool topicChosen = m_request.topic == ComposeRequest::Topic::ByName ||
                           m_request.topic == ComposeRequest::Topic::ByIndex ||
                           (m_request.topic == ComposeRequest::Topic::Typed && !m_request.topicText.empty());
  for (;;) {
    switch (m_stage) {
      case Stage::Topic: {
        m_stage = Stage::File;
        const ControlState* combo = Control(dialog, IDC_TOPIC);
        if (m_request.topic == ComposeRequest::Topic::Keep) {
          break;
        }
        if (combo == nullptr) {
          return GiveUp(dialog, "the dialog has no topic list");
        }
        if (m_request.topic == ComposeRequest::Topic::Typed) {
          return Do(dialog, DialogStep::Type(IDC_TOPIC, m_request.topicText));
        }
        int index = 0;
        if (m_request.topic == ComposeRequest::Topic::ByName) {
          std::string problem;
          const auto found = FindTopicItem(combo->items, m_request.topicText, &problem);
          if (!found) {
            return GiveUp(dialog, problem);
          }
          index = *found;
        } else if (m_request.topic == ComposeRequest::Topic::ByIndex) {
          index = m_request.topicIndex;
          if (index < 0 || index >= static_cast<int>(combo->items.size())) {
            return GiveUp(dialog, "the topic list has no item " + std::to_string(index) + " (it has " +
                                      std::to_string(combo->items.size()) + ")");
          }
        }
        return Do(dialog, DialogStep::Select(IDC_TOPIC, index));
      }
      case Stage::File:
        m_stage = Stage::Overwrite;
        if (auto step = CheckBox(dialog, IDC_FILE, m_request.file, topicChosen)) {
          return *step;
        }
        break;
      case Stage::Overwrite:
        m_stage = Stage::Priority;
        if (auto step = CheckBox(dialog, IDC_OVERWRITE, m_request.overwrite, topicChosen)) {
          return *step;
        }
        break;
      case Stage::Priority: {
        m_stage = Stage::Finish;
        if (!m_request.priorityItem) {
          break;
        }
        const ControlState* combo = Control(dialog, IDC_PRIORITY);
        if (combo == nullptr || *m_request.priorityItem >= static_cast<int>(combo->items.size())) {
          return GiveUp(dialog, "the priority list has no item " + std::to_string(*m_request.priorityItem));
        }
        return Do(dialog, DialogStep::Select(IDC_PRIORITY, *m_request.priorityItem));
      }
      case Stage::Finish:
        m_stage = Stage::AfterFinish;
        return Do(dialog, m_request.ok ? DialogStep::PressOk() : DialogStep::PressCancel());
      case Stage::AfterFinish:
        // Still open after OK without a warning: the dialog did not accept the choice.
        if (m_failure.empty()) {
          m_failure = "the dialog stayed open after OK";
        }
        return Do(dialog, DialogStep::PressCancel());
    }
  }
}

// --- TerminalUser ------------------------------------------------------------------------

namespace {

const char kTerminalHelp[] =
    "  t N | t NAME    choose topic item N, or the item that shows NAME\n"
    "  type TEXT       type TEXT into the topic field (\"type\" alone empties it)\n"
    "  f               click \"File immediately\"\n"
    "  o               click \"Overwrite existing topic\"\n"
    "  p N | p NAME    choose priority item N, or the item named NAME (\"high\")\n"
    "  l               draw the whole dialog again\n"
    "  ok              press OK\n"
    "  c               press Cancel (so does the end of input)\n";

}  // namespace

DialogStep TerminalUser::Done(const DialogSnapshot& dialog, DialogStep step) {
  m_transcript.push_back("the user: " + step.Describe(dialog));
  return step;
}

std::optional<DialogStep> TerminalUser::Parse(const DialogSnapshot& dialog, const std::string& line) {
  // A person types into an edit field, which holds no NUL or other control character.
  std::string_view typed(line);
  if (!typed.empty() && typed.back() == '\r') {
    typed.remove_suffix(1);
  }
  if (const auto control = FindControlCharacter(typed)) {
    m_out << "  not done: the line holds a control character (" << *control
          << "); the dialog's fields cannot hold one\n";
    return std::nullopt;
  }
  const std::string_view text = Trim(typed);
  const std::size_t blank = text.find(' ');
  const std::string word = Lower(text.substr(0, blank));
  const std::string argument(blank == std::string_view::npos ? std::string_view()
                                                             : Trim(text.substr(blank + 1)));
  if (word == "ok") {
    return DialogStep::PressOk();
  }
  if (word == "c" || word == "cancel" || word == "q" || word == "quit") {
    return DialogStep::PressCancel();
  }
  if (word == "f" || word == "file") {
    return DialogStep::ClickOn(IDC_FILE);
  }
  if (word == "o" || word == "overwrite") {
    return DialogStep::ClickOn(IDC_OVERWRITE);
  }
  if (word == "type") {
    return DialogStep::Type(IDC_TOPIC, argument);
  }
  if ((word == "t" || word == "topic" || word == "p" || word == "priority") && !argument.empty()) {
    const bool topic = word[0] == 't';
    const ControlState* combo = dialog.Find(topic ? IDC_TOPIC : IDC_PRIORITY);
    if (combo == nullptr) {
      m_out << "  the dialog has no such list\n";
      return std::nullopt;
    }
    if (const auto number = ParseNumber(argument)) {
      return DialogStep::Select(combo->id, static_cast<int>(*number));
    }
    std::string problem;
    std::string name = argument;
    if (!topic) {
      // "very-high" for "Very High"
      for (char& c : name) {
        c = c == '-' ? ' ' : c;
      }
    }
    if (const auto item = FindTopicItem(combo->items, name, &problem)) {
      return DialogStep::Select(combo->id, *item);
    }
    m_out << "  " << problem << "\n";
    return std::nullopt;
  }
  if (word == "l" || word == "list") {
    for (const std::string& drawn : RenderDialog(dialog)) {
      m_out << drawn << "\n";
    }
    return std::nullopt;
  }
  if (!word.empty()) {
    m_out << "  what the dialog understands:\n" << kTerminalHelp;
  }
  return std::nullopt;
}

DialogStep TerminalUser::Next(const DialogSnapshot& dialog) {
  for (const std::string& refusal : dialog.refusals) {
    m_out << "  (not done: " << refusal << ")\n";
  }
  if (dialog.messageBox) {
    m_out << "  ! message box " << Quoted(dialog.messageBox->caption) << ": " << dialog.messageBox->text
          << "\n"
          << "  press Enter to close it\n";
    std::string line;
    std::getline(m_in, line);
    m_transcript.push_back("the dialog: message box " + Quoted(dialog.messageBox->caption) + ": " +
                           Quoted(dialog.messageBox->text));
    return Done(dialog, DialogStep::CloseBox());
  }
  if (!m_drawn) {
    m_drawn = true;
    for (const std::string& line : RenderDialog(dialog)) {
      m_out << line << "\n";
    }
    m_out << "type h for help\n";
  } else {
    for (const std::string& line : SummarizeDialog(dialog)) {
      m_out << "  " << line << "\n";
    }
  }
  for (;;) {
    m_out << "dialog> " << std::flush;
    std::string line;
    if (!std::getline(m_in, line)) {
      m_out << "(end of input)\n";
      return Done(dialog, DialogStep::PressCancel());
    }
    if (m_echo) {
      m_out << line << "\n";
    }
    if (auto step = Parse(dialog, line)) {
      return Done(dialog, *step);
    }
  }
}

}  // namespace rulehost
