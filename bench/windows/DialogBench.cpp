// dialog_bench.exe: how long the user waits for the action dialog over many topics.
//
//   dialog_bench.exe [TOPICS...]        (default: 1000 10000 50000)
//
// Run under Wine by scripts/bench-windows.sh. For each count a memstore profile holds
// that many folders below the topics folder, in topics of 100 (a folder and 99
// subfolders). The product's time runs from GetCommand to the dialog's first idle
// moment with the dialog visible: the owner's first WM_ENTERIDLE, when the dialog has
// been created, filled and painted; the benchmark then cancels it. The floor is the
// least work that shows the same: a walk of the same hierarchy tables that only counts
// rows, then the same dialog template filled with the same texts, already sorted and
// shortened, as the product fills its list (room set aside, painting off during the
// adds). Product and floor alternate round by round (which
// goes first alternates too); the table gives their medians and the ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/RuleExtension.h"
#include "memstore/Memstore.h"
#include "resources/resource.h"
#include "testing/FakeCallback.h"
#include "testing/UserProfile.h"

namespace {

constexpr int kPerTopic = 100;
constexpr double kTarget = 1.25;
constexpr const char* kOwnerClass = "PellacormBenchOwner";

// What the owner saw of the modal dialog that ran last.
struct Idle {
  bool seen = false;
  LARGE_INTEGER at = {};
  bool readTopics = false;  // keep the topic list's texts
  std::vector<std::string> topics;
};
Idle g_idle;

std::vector<std::string> ItemsOf(HWND combo) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::string text(static_cast<std::size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
    text.resize(
        static_cast<std::size_t>(SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]))));
    items.push_back(text);
  }
  return items;
}

// The first idle moment of a visible dialog ends the timing; the dialog is cancelled as
// a user would, with its Cancel button.
LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && !g_idle.seen) {
    HWND dialog = reinterpret_cast<HWND>(lParam);
    if (IsWindowVisible(dialog)) {
      QueryPerformanceCounter(&g_idle.at);
      g_idle.seen = true;
      if (g_idle.readTopics) {
        g_idle.topics = ItemsOf(GetDlgItem(dialog, IDC_TOPIC));
      }
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeOwner() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = OwnerProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kOwnerClass;
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, kOwnerClass, "Rules", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

// The bare dialog: the product's template, its topic list filled with the given texts
// in the product's way, so that the ratio shows only what the product adds.
INT_PTR CALLBACK FloorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    HWND combo = GetDlgItem(dialog, IDC_TOPIC);
    const auto& texts = *reinterpret_cast<const std::vector<std::string>*>(lParam);
    SendMessageA(combo, CB_INITSTORAGE, texts.size(), static_cast<LPARAM>(texts.size() * 32));
    SendMessageA(combo, WM_SETREDRAW, FALSE, 0);
    for (const std::string& text : texts) {
      SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageA(combo, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(combo, nullptr, TRUE);
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

// The folders of the hierarchy below `folder`, read as the product reads them.
ULONG CountRowsBelow(IMsgStore* store, IMAPIFolder* folder) {
  enum : ULONG { kEntryId, kName, kCount };
  const SizedSPropTagArray(kCount, columns) = {kCount, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
  IMAPITable* table = nullptr;
  if (FAILED(folder->GetHierarchyTable(0, &table))) {
    return 0;
  }
  LPSRowSet rows = nullptr;
  const HRESULT hr =
      HrQueryAllRows(table, const_cast<LPSPropTagArray>(reinterpret_cast<const SPropTagArray*>(&columns)),
                     nullptr, nullptr, 0, &rows);
  table->Release();
  if (FAILED(hr)) {
    return 0;
  }
  ULONG count = rows->cRows;
  for (ULONG i = 0; i < rows->cRows; ++i) {
    const SBinary& id = rows->aRow[i].lpProps[kEntryId].Value.bin;
    IMAPIFolder* child = nullptr;
    ULONG type = 0;
    if (SUCCEEDED(store->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0, &type,
                                   reinterpret_cast<LPUNKNOWN*>(&child)))) {
      count += CountRowsBelow(store, child);
      child->Release();
    }
  }
  FreeProws(rows);
  return count;
}

std::string TopicWord(unsigned seed) {
  static const char* const kWords[] = {"Budget", "Plans",  "Reports", "Team",  "Archive",
                                       "Review", "Travel", "Minutes", "Legal", "Hiring"};
  const unsigned x = seed * 2654435761u;
  return std::string(kWords[x % 10]) + " " + std::to_string(x % 100000);
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Result {
  int topics = 0;
  double product = 0;
  double floor = 0;
  int rounds = 0;
};

bool Measure(HMODULE module, ExchEntryPointFn entryPoint, HWND owner, int topics, Result& result) {
  memstore::Profile profile;
  const testsupport::UserMailbox user(profile);
  memstore::FolderRef topicsFolder = user.topics;
  for (int t = 0; t < topics / kPerTopic; ++t) {
    memstore::FolderRef topic = topicsFolder.AddChild(TopicWord(static_cast<unsigned>(t)));
    for (int c = 1; c < kPerTopic; ++c) {
      topic.AddChild(TopicWord(static_cast<unsigned>(t * kPerTopic + c)));
    }
  }
  platform::ComPtr<IMAPISession> session = profile.Logon();
  testsupport::FakeCallback callback(session.Get());
  IExchangeRuleExt* ext = entryPoint();
  if (ext == nullptr || ext->Install(&callback, 0) != S_OK) {
    std::fprintf(stderr, "dialog_bench: Install failed\n");
    return false;
  }
  // The floor opens the store once, as the product does in Install.
  const memstore::EntryIdBytes storeId = user.mailbox.EntryId();
  const memstore::EntryIdBytes topicsId = topicsFolder.EntryId();
  IMsgStore* store = nullptr;
  if (FAILED(session->OpenMsgStore(0, static_cast<ULONG>(storeId.size()),
                                   reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(storeId.data())), nullptr,
                                   MDB_WRITE, &store))) {
    std::fprintf(stderr, "dialog_bench: OpenMsgStore failed\n");
    return false;
  }

  std::vector<std::string> shown;  // the product's list, read in its first round
  auto product = [&]() -> double {
    char command[1024] = "";
    char name[256] = "";
    SetActiveWindow(owner);
    g_idle.seen = false;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    ext->GetCommand(&callback, command, sizeof command, name, sizeof name);
    return g_idle.seen ? Milliseconds(start, g_idle.at) : -1;
  };
  auto floor = [&]() -> double {
    SetActiveWindow(owner);
    g_idle.seen = false;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    IMAPIFolder* top = nullptr;
    ULONG type = 0;
    ULONG rows = 0;
    if (SUCCEEDED(store->OpenEntry(static_cast<ULONG>(topicsId.size()),
                                   reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(topicsId.data())), nullptr,
                                   0, &type, reinterpret_cast<LPUNKNOWN*>(&top)))) {
      rows = CountRowsBelow(store, top);
      top->Release();
    }
    DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_ACTION), owner, FloorProc, reinterpret_cast<LPARAM>(&shown));
    if (rows != static_cast<ULONG>(topics)) {
      std::fprintf(stderr, "dialog_bench: the bare walk saw %lu folders of %d\n",
                   static_cast<unsigned long>(rows), topics);
      return -1;
    }
    return g_idle.seen ? Milliseconds(start, g_idle.at) : -1;
  };

  g_idle.readTopics = true;
  const double warm = product();
  g_idle.readTopics = false;
  shown = g_idle.topics;
  if (warm < 0 || shown.size() != static_cast<std::size_t>(topics) + 1) {
    std::fprintf(stderr, "dialog_bench: the dialog listed %zu topics of %d\n", shown.size(), topics);
    return false;
  }
  floor();

  result.topics = topics;
  result.rounds = topics <= 1000 ? 31 : topics <= 10000 ? 15 : 7;
  std::vector<double> products;
  std::vector<double> floors;
  bool ok = true;
  for (int round = 0; round < result.rounds; ++round) {
    const bool productFirst = round % 2 == 0;
    const double a = productFirst ? product() : floor();
    const double b = productFirst ? floor() : product();
    const double p = productFirst ? a : b;
    const double f = productFirst ? b : a;
    ok = ok && p >= 0 && f >= 0;
    products.push_back(p);
    floors.push_back(f);
  }
  store->Release();
  ext->QueryRelease();
  ext->Release();
  result.product = Median(products);
  result.floor = Median(floors);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    sizes.push_back(std::atoi(argv[i]));
  }
  if (sizes.empty()) {
    sizes = {1000, 10000, 50000};
  }
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  folder.resize(folder.find_last_of("\\/") + 1);
  HMODULE module = LoadLibraryA((folder + "PellacormRuleExt.dll").c_str());
  FARPROC proc = module != nullptr ? GetProcAddress(module, "ExchEntryPoint") : nullptr;
  if (proc == nullptr) {
    std::fprintf(stderr, "dialog_bench: no PellacormRuleExt.dll with ExchEntryPoint beside the program\n");
    return 2;
  }
  const auto entryPoint = reinterpret_cast<ExchEntryPointFn>(reinterpret_cast<void*>(proc));
  // The product's dialog is owned by the active window, which hears its WM_ENTERIDLE.
  HWND owner = MakeOwner();
  SetActiveWindow(owner);
  if (owner == nullptr || GetActiveWindow() != owner) {
    std::fprintf(stderr, "dialog_bench: the owner window is not the active window\n");
    return 2;
  }

  std::printf("%-8s  %-24s  %-12s  %-7s  %s\n", "topics", "GetCommand to idle (ms)", "floor (ms)", "ratio",
              "target");
  bool allMet = true;
  for (const int topics : sizes) {
    Result r;
    if (!Measure(module, entryPoint, owner, topics, r)) {
      std::printf("%-8d  error\n", topics);
      allMet = false;
      continue;
    }
    const double ratio = r.product / r.floor;
    const bool met = ratio <= kTarget;
    allMet = allMet && met;
    std::printf("%-8d  %-24.1f  %-12.1f  %-7s  <= %.2fx %s\n", topics, r.product, r.floor,
                (std::to_string(ratio).substr(0, 4) + "x").c_str(), kTarget, met ? "PASS" : "FAIL");
    std::fflush(stdout);
  }
  DestroyWindow(owner);
  return allMet ? 0 : 1;
}
