// CActionDialog: the modal dialog in which the user composes or edits one rule action.
#pragma once

#include "action/ActionSettings.h"
#include "dialog/DialogBase.h"
#include "extension/ExchRuleExt.h"
#include "resources/resource.h"

namespace pellacorm {

// Topic names longer than this many characters are shown shortened in the topic list.
constexpr ULONG TOPIC_DISPLAY_MAX = 35;

class CActionDialog final : public CDialogImpl<CActionDialog> {
 public:
  enum { IDD = IDD_ACTION };

  // `cchCommand` is the size in bytes, terminator included, of the host's command
  // buffer; the display-name buffer's size is accepted and not used.
  CActionDialog(ActionSettings& settings, ULONG cchCommand, ULONG cchDisplayName, TopicList topics);

  static const MessageMapEntry<CActionDialog> kMessageMap[7];

  INT_PTR OnInitDialog();
  INT_PTR OnTopicSelChange();
  INT_PTR OnTopicEditChange();
  INT_PTR OnOK();
  INT_PTR OnCancel();

 private:
  void FillTopicList();
  // The topic list item that shows the action's own topic, added below
  // "<Do Not Assign>" when the topics folder does not list it.
  int SelectOwnTopic();
  void EnableTopicOptions(bool enable);
  std::string TopicText() const;

  HWND m_topicCombo = nullptr;
  HWND m_priorityCombo = nullptr;
  HWND m_fileCheck = nullptr;
  HWND m_overwriteCheck = nullptr;
  TopicList m_topics;
  ActionSettings& m_settings;
  ULONG m_cchCommand;
};

}  // namespace pellacorm
