// show_dialog.exe: the real action dialog on a screen, for scripts/screenshot.sh, and a
// check of the dialog as it opens over a stored action.
//
//   show_dialog.exe [READY_FILE GO_FILE]
//
// GetCommand runs on a memstore profile with a few topics and edits a stored action: a
// topic with both of its options and the priority High. The scripted user of the Windows
// tests (win32/ScriptedUser.h) reads what the dialog's controls show. For a picture it
// then makes the dialog the foreground window and paints it; at its next turn, once the
// dialog's thread has waited for messages and so handed the picture to the display, it
// writes READY_FILE ("x y width height": the dialog's place on the screen); then it
// looks for GO_FILE at each turn and presses Cancel once it is there. Without the two
// files (under ctest, with no display) it cancels as soon as it has read the dialog.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "WindowsTestSupport.h"
#include "resources/resource.h"
#include "win32/ScriptedUser.h"

namespace {

std::string g_readyFile;
std::string g_goFile;

constexpr const char* kTopics[] = {
    "Budget",
    "Clients/Harbor Lane",
    "Clients/Harbor Lane/Contracts",
    "Clients/Meridian Foods",
    "Hiring",
    "Projects/Spring Launch",
    "Projects/Website Refresh",
    "Travel",
    "Vendors/Office Supplies",
};
// Priority High (+1); the topic "Projects/Spring Launch" with File immediately and
// Overwrite existing topic (options 1 | 2).
constexpr char kStoredCommand[] = "033P+1T3022Projects/Spring Launch";
constexpr DWORD kGoWaitMs = 120000;

namespace user = win32::headless;

// What the dialog showed as it opened.
struct Seen {
  bool opened = false;
  std::string topic;
  std::string priority;
  bool fileImmediately = false;
  bool overwriteTopic = false;
};

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Written under another name first, so that the script never reads half of it.
bool WriteReadyFile(const RECT& rect) {
  const std::string text = std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
                           std::to_string(rect.right - rect.left) + " " +
                           std::to_string(rect.bottom - rect.top) + "\n";
  const std::string partial = g_readyFile + ".partial";
  HANDLE file =
      CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && MoveFileExA(partial.c_str(), g_readyFile.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// At each turn of the user until GO_FILE is there (or two minutes have passed), then
// Cancel.
void CancelOnGo(DWORD since, std::string* failure) {
  user::Inspect([since, failure](const user::DialogView&) {
    if (Exists(g_goFile)) {
      user::Click(IDCANCEL);
    } else if (GetTickCount() - since >= kGoWaitMs) {
      *failure = "no " + g_goFile + " within two minutes";
      user::Click(IDCANCEL);
    } else {
      CancelOnGo(since, failure);
    }
  });
}

// Reads the dialog; for a picture, shows it painted and active, and hands its place to
// the script at the next turn.
void ReadThenShow(Seen* seen, std::string* failure) {
  user::Inspect([seen, failure](const user::DialogView& dialog) {
    seen->opened = dialog.caption == "Pellacorm Action";
    if (const user::ControlView* topic = dialog.Find(IDC_TOPIC)) {
      seen->topic = topic->text;
    }
    if (const user::ControlView* priority = dialog.Find(IDC_PRIORITY)) {
      if (priority->selection >= 0 && priority->selection < static_cast<int>(priority->items.size())) {
        seen->priority = priority->items[static_cast<std::size_t>(priority->selection)];
      }
    }
    const user::ControlView* file = dialog.Find(IDC_FILE);
    const user::ControlView* overwrite = dialog.Find(IDC_OVERWRITE);
    seen->fileImmediately = file != nullptr && file->check == BST_CHECKED;
    seen->overwriteTopic = overwrite != nullptr && overwrite->check == BST_CHECKED;
    if (g_readyFile.empty()) {
      user::Click(IDCANCEL);
      return;
    }
    // Drawn as the active window, as a user who has just opened it sees it. Under Wine
    // with no window manager no window of the process is the foreground one when the
    // dialog opens, so it is drawn inactive; made the foreground window now (it is
    // already the active one), it is told so as a dialog opened in the foreground is.
    SetForegroundWindow(dialog.window);
    SendMessageA(dialog.window, WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(dialog.window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    user::Inspect([failure](const user::DialogView& painted) {
      RECT rect = {};
      GetWindowRect(painted.window, &rect);
      if (!WriteReadyFile(rect)) {
        *failure = "could not write " + g_readyFile;
        user::Click(IDCANCEL);
        return;
      }
      CancelOnGo(GetTickCount(), failure);
    });
  });
}

class ShowDialog : public wintest::MailboxTest {};

TEST_F(ShowDialog, StoredActionWithTopicOptionsAndPriority) {
  for (const char* topic : kTopics) {
    m_mailbox.AddFolder(std::string("Inbox/Pellacorm Topics/") + topic);
  }
  Install();
  char command[256] = {};
  char name[256] = {};
  std::copy(std::begin(kStoredCommand), std::end(kStoredCommand), command);

  Seen seen;
  std::string failure;
  user::Reset();
  ReadThenShow(&seen, &failure);
  const HRESULT result = m_ext->GetCommand(m_callback, command, sizeof command, name, sizeof name);

  EXPECT_TRUE(seen.opened) << "the dialog \"Pellacorm Action\" did not open";
  EXPECT_EQ(failure, "");
  EXPECT_EQ(user::EscapesForEmptyScript(), 0);
  EXPECT_EQ(user::RefusedActions(), std::vector<std::string>{});
  EXPECT_EQ(seen.topic, "Projects/Spring Launch");
  EXPECT_EQ(seen.priority, "High");
  EXPECT_TRUE(seen.fileImmediately);
  EXPECT_TRUE(seen.overwriteTopic);
  // Cancel keeps the stored action.
  EXPECT_EQ(result, S_OK);
  EXPECT_STREQ(command, kStoredCommand);
  EXPECT_NE(std::string(name).find("Projects/Spring Launch"), std::string::npos) << name;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc == 3) {
    g_readyFile = argv[1];
    g_goFile = argv[2];
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: show_dialog.exe [READY_FILE GO_FILE]\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
