// show_dialog.exe: the real action dialog on a screen, for scripts/screenshot.sh, and a
// check of the dialog as it opens over a stored action.
//
//   show_dialog.exe [READY_FILE GO_FILE]
//
// GetCommand runs on a memstore profile with a few topics and edits a stored action: a
// topic with both of its options and the priority High. A second thread waits for the
// dialog, checks what its controls show, and once the dialog is painted writes
// READY_FILE ("x y width height": the dialog's place on the screen); then it waits for
// GO_FILE and closes the dialog with Cancel. Without the two files (under ctest, with no
// display) it cancels as soon as it has checked the dialog.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "WindowsTestSupport.h"
#include "resources/resource.h"

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
constexpr DWORD kDialogWaitMs = 30000;
constexpr DWORD kGoWaitMs = 120000;

struct Watch {
  DWORD thread = 0;  // the thread in GetCommand
  std::string failure;
  std::string topic;
  std::string priority;
  bool fileImmediately = false;
  bool overwriteTopic = false;
};

std::string TextOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

BOOL CALLBACK FindActionDialog(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) == "#32770" && TextOf(window) == "Pellacorm Action" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

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

DWORD WINAPI WatchDialog(void* param) {
  auto* watch = static_cast<Watch*>(param);
  HWND dialog = nullptr;
  for (DWORD waited = 0; dialog == nullptr && waited < kDialogWaitMs; waited += 20) {
    EnumThreadWindows(watch->thread, FindActionDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) {
      Sleep(20);
    }
  }
  if (dialog == nullptr) {
    watch->failure = "the dialog \"Pellacorm Action\" did not open";
    return 0;
  }
  watch->topic = TextOf(GetDlgItem(dialog, IDC_TOPIC));
  HWND priority = GetDlgItem(dialog, IDC_PRIORITY);
  const LRESULT item = SendMessageA(priority, CB_GETCURSEL, 0, 0);
  char itemText[64] = {};
  if (item >= 0 && SendMessageA(priority, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0) < 64) {
    SendMessageA(priority, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(itemText));
  }
  watch->priority = itemText;
  watch->fileImmediately = SendDlgItemMessageA(dialog, IDC_FILE, BM_GETCHECK, 0, 0) == BST_CHECKED;
  watch->overwriteTopic = SendDlgItemMessageA(dialog, IDC_OVERWRITE, BM_GETCHECK, 0, 0) == BST_CHECKED;

  if (!g_readyFile.empty()) {
    // Drawn as the active window, as a user who has just opened it sees it. Under Wine
    // with no window manager no window of the process is the foreground one when the
    // dialog opens, so it is drawn inactive; made the foreground window now (it is
    // already the active one), it is told so as a dialog opened in the foreground is.
    SetForegroundWindow(dialog);
    SendMessageA(dialog, WM_NCACTIVATE, TRUE, 0);
    // Painted now, in the dialog's thread; the two round trips after it return only once
    // that thread has gone back to waiting for messages, where the picture reaches the
    // display.
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR unused = 0;
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &unused);
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &unused);
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    if (!WriteReadyFile(rect)) {
      watch->failure = "could not write " + g_readyFile;
    } else {
      DWORD waited = 0;
      for (; !Exists(g_goFile) && waited < kGoWaitMs; waited += 50) {
        Sleep(50);
      }
      if (waited >= kGoWaitMs) {
        watch->failure = "no " + g_goFile + " within two minutes";
      }
    }
  }
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  return 0;
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

  Watch watch;
  watch.thread = GetCurrentThreadId();
  HANDLE watcher = CreateThread(nullptr, 0, WatchDialog, &watch, 0, nullptr);
  ASSERT_NE(watcher, nullptr);
  const HRESULT result = m_ext->GetCommand(m_callback, command, sizeof command, name, sizeof name);
  WaitForSingleObject(watcher, INFINITE);
  CloseHandle(watcher);

  EXPECT_EQ(watch.failure, "");
  EXPECT_EQ(watch.topic, "Projects/Spring Launch");
  EXPECT_EQ(watch.priority, "High");
  EXPECT_TRUE(watch.fileImmediately);
  EXPECT_TRUE(watch.overwriteTopic);
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
