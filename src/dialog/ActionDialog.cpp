#include "dialog/ActionDialog.h"

#include <type_traits>
#include <utility>

#include "config/ResourceString.h"

namespace pellacorm {
namespace {

constexpr const char* kTooLongText = "The topic you have entered is too long for Outlook to accept";
constexpr const char* kTooLongCaption = "Pellacorm";

// The command string format writes its lengths with three digits: a string of 1000
// bytes or more could not be read back.
constexpr std::size_t kCommandFormatLimit = 1000;

// The priority list's items: no priority, then -2 to +2.
constexpr UINT kPriorityItems[] = {IDS_PRIORITY_DEFAULT, IDS_PRIORITY_VERY_LOW, IDS_PRIORITY_LOW,
                                   IDS_PRIORITY_NORMAL,  IDS_PRIORITY_HIGH,     IDS_PRIORITY_VERY_HIGH};
constexpr int kPriorityOffset = 3;  // item k stands for the priority k - 3

// OK keeps the user's choice by moving it into the record, which must not fail halfway.
static_assert(std::is_nothrow_move_assignable_v<ActionSettings>);

bool IsChecked(HWND box) {
  return SendMessageA(box, BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

}  // namespace

const MessageMapEntry<CActionDialog> CActionDialog::kMessageMap[7] = {
    {WM_INITDIALOG, 0, 0, &CActionDialog::OnInitDialog},
    {WM_COMMAND, IDOK, BN_CLICKED, &CActionDialog::OnOK},
    {WM_COMMAND, IDCANCEL, BN_CLICKED, &CActionDialog::OnCancel},
    {WM_COMMAND, IDC_TOPIC, CBN_SELCHANGE, &CActionDialog::OnTopicSelChange},
    {WM_COMMAND, IDC_TOPIC, CBN_EDITCHANGE, &CActionDialog::OnTopicEditChange},
    {WM_COMMAND, IDC_PRIORITY, CBN_SELCHANGE, nullptr},
    {WM_DESTROY, 0, 0, nullptr},
};

CActionDialog::CActionDialog(ActionSettings& settings, ULONG cchCommand, ULONG /*cchDisplayName*/,
                             TopicList topics)
    : m_topics(std::move(topics)), m_settings(settings), m_cchCommand(cchCommand) {}

INT_PTR CActionDialog::OnInitDialog() {
  m_topicCombo = GetDlgItem(IDC_TOPIC);
  m_priorityCombo = GetDlgItem(IDC_PRIORITY);
  m_fileCheck = GetDlgItem(IDC_FILE);
  m_overwriteCheck = GetDlgItem(IDC_OVERWRITE);

  FillTopicList();

  if (m_settings.m_assignTopic) {
    EnableTopicOptions(true);
    SendMessageA(m_fileCheck, BM_SETCHECK, m_settings.m_fileImmediately ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(m_overwriteCheck, BM_SETCHECK, m_settings.m_overwriteTopic ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(m_topicCombo, CB_SETCURSEL, static_cast<WPARAM>(SelectOwnTopic()), 0);
  } else {
    EnableTopicOptions(false);
  }

  for (const UINT id : kPriorityItems) {
    const std::string text = LoadResString(id);
    SendMessageA(m_priorityCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  const int priorityItem = m_settings.m_assignPriority ? m_settings.m_priority + kPriorityOffset : 0;
  SendMessageA(m_priorityCombo, CB_SETCURSEL, static_cast<WPARAM>(priorityItem), 0);
  return TRUE;
}

void CActionDialog::FillTopicList() {
  m_topics.insert(m_topics.begin(), WidenTopic(LoadResString(IDS_DO_NOT_ASSIGN)));
  // The list sets aside room for all the names at once and does not repaint after each
  // one; it is repainted whole once they are in. The room is a hint: a list that cannot
  // set it aside still takes the names one by one.
  const std::size_t averageText = TOPIC_DISPLAY_MAX / 2;
  SendMessageA(m_topicCombo, CB_INITSTORAGE, m_topics.size(),
               static_cast<LPARAM>(m_topics.size() * averageText));
  SendMessageA(m_topicCombo, WM_SETREDRAW, FALSE, 0);
  for (const TopicName& topic : m_topics) {
    const std::string shown = CExchRuleExt::AbbreviateFolderPath(NarrowTopic(topic), TOPIC_DISPLAY_MAX);
    SendMessageA(m_topicCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  }
  SendMessageA(m_topicCombo, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(m_topicCombo, nullptr, TRUE);
  SendMessageA(m_topicCombo, CB_SETCURSEL, 0, 0);
}

int CActionDialog::SelectOwnTopic() {
  // The own topic is looked up by its full name, not by the shortened text the list
  // shows: two long names can shorten alike, and OK must keep the action's topic. As
  // in the list's own search, the lookup ignores case, starts below item 0 and comes
  // round to item 0 last.
  const std::size_t count = m_topics.size();
  for (std::size_t step = 1; step <= count; ++step) {
    const std::size_t index = step % count;
    if (lstrcmpiA(NarrowTopic(m_topics[index]).c_str(), m_settings.m_topic.c_str()) == 0) {
      return static_cast<int>(index);
    }
  }
  m_topics.insert(m_topics.begin() + 1, WidenTopic(m_settings.m_topic));
  const std::string shown = CExchRuleExt::AbbreviateFolderPath(m_settings.m_topic, TOPIC_DISPLAY_MAX);
  SendMessageA(m_topicCombo, CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>(shown.c_str()));
  return 1;
}

void CActionDialog::EnableTopicOptions(bool enable) {
  EnableWindow(m_fileCheck, enable ? TRUE : FALSE);
  EnableWindow(m_overwriteCheck, enable ? TRUE : FALSE);
}

std::string CActionDialog::TopicText() const {
  const int length = GetWindowTextLengthA(m_topicCombo);
  if (length <= 0) {
    return {};
  }
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(m_topicCombo, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

INT_PTR CActionDialog::OnTopicSelChange() {
  EnableTopicOptions(SendMessageA(m_topicCombo, CB_GETCURSEL, 0, 0) != 0);
  return TRUE;
}

INT_PTR CActionDialog::OnTopicEditChange() {
  const std::string text = TopicText();
  EnableTopicOptions(!text.empty() && text != LoadResString(IDS_DO_NOT_ASSIGN));
  return TRUE;
}

INT_PTR CActionDialog::OnOK() {
  // The choice is made on a copy: a refused choice, or a failure on the way, leaves the
  // record as it was, and a later Cancel returns the action unchanged.
  ActionSettings chosen = m_settings;

  const LRESULT selection = SendMessageA(m_topicCombo, CB_GETCURSEL, 0, 0);
  const bool file = IsChecked(m_fileCheck);
  const bool overwrite = IsChecked(m_overwriteCheck);
  if (selection == CB_ERR) {
    chosen.SetTopic(TopicText(), file, overwrite);
  } else if (selection == 0) {
    chosen.ClearTopic();
  } else if (static_cast<std::size_t>(selection) < m_topics.size()) {
    chosen.SetTopic(NarrowTopic(m_topics[static_cast<std::size_t>(selection)]), file, overwrite);
  }

  // A stored priority outside the list selects no item; the priority then stays as it was.
  const LRESULT priority = SendMessageA(m_priorityCombo, CB_GETCURSEL, 0, 0);
  if (priority == 0) {
    chosen.ClearPriority();
  } else if (priority > 0) {
    chosen.SetPriority(static_cast<int>(priority) - kPriorityOffset);
  }

  const std::size_t length = chosen.EncodeCommand().size();
  if (length + 1 > m_cchCommand || length >= kCommandFormatLimit) {
    MessageBoxA(m_hWnd, kTooLongText, kTooLongCaption, MB_OK | MB_ICONWARNING);
    return TRUE;
  }
  m_settings = std::move(chosen);
  EndDialog(IDOK);
  return TRUE;
}

INT_PTR CActionDialog::OnCancel() {
  EndDialog(IDCANCEL);
  return TRUE;
}

}  // namespace pellacorm
