// Memory running out inside the dialog: every allocation that the dialog procedure makes
// (itself or through the window API it calls) fails in turn, once. No exception may
// unwind into the dialog manager (the platform layer ends the process if one does); the
// dialog ends as Cancel would, and GetCommand gives back the stored action.
//
// This program replaces the global operator new so that an armed allocation fails, and
// stands in for DialogBoxParamA so that only the dialog procedure's allocations are armed.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <set>

#include "resources/resource.h"
#include "scenarios/ScenarioTest.h"

namespace {

// How many more allocations inside the dialog procedure succeed before one fails; -1
// when none is to fail.
std::atomic<long> g_allocationsLeft{-1};
// Whether the current thread runs the dialog procedure, and the message it handles.
thread_local bool t_inDialogProcedure = false;
thread_local UINT t_message = 0;
// The message during which the armed allocation failed, or 0.
std::atomic<UINT> g_failedDuring{0};

bool FailThisAllocation() {
  if (!t_inDialogProcedure) {
    return false;
  }
  long left = g_allocationsLeft.load();
  while (left >= 0) {
    if (g_allocationsLeft.compare_exchange_weak(left, left - 1)) {
      if (left == 0) {
        g_failedDuring = t_message;
        return true;
      }
      return false;
    }
  }
  return false;
}

DLGPROC g_productProcedure = nullptr;

INT_PTR CALLBACK ArmedProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool outer = !t_inDialogProcedure;
  const UINT outerMessage = t_message;
  t_inDialogProcedure = true;
  t_message = message;
  const INT_PTR result = g_productProcedure(window, message, wParam, lParam);
  t_message = outerMessage;
  t_inDialogProcedure = !outer;
  return result;
}

}  // namespace

void* operator new(std::size_t size) {
  if (FailThisAllocation()) {
    throw std::bad_alloc();
  }
  if (void* block = std::malloc(size != 0 ? size : 1)) {
    return block;
  }
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return FailThisAllocation() ? nullptr : std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}

// The product's DialogBoxParamA: the same dialog, from the same template, through the
// indirect form, with the product's procedure called through the armed one.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                        LPARAM initParam) {
  const HRSRC found = FindResourceA(instance, templateName, RT_DIALOG);
  const HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
  if (loaded == nullptr) {
    return -1;
  }
  g_productProcedure = dialogProc;
  return DialogBoxIndirectParamA(instance, static_cast<LPCDLGTEMPLATEA>(LockResource(loaded)), owner,
                                 &ArmedProcedure, initParam);
}

namespace scenario {
namespace {

class DialogAllocationTest : public DialogScenarioTest {
 protected:
  void SetUp() override {
    DialogScenarioTest::SetUp();
    m_topics.AddChild("Budget");
    m_topics.AddChild("Travel");
    Install();
  }
  void TearDown() override {
    g_allocationsLeft = -1;
    DialogScenarioTest::TearDown();
  }
};

TEST_F(DialogAllocationTest, AFailureAnywhereInTheDialogEndsItAsCancelWould) {
  const std::string stored = "017P+1T1006Budget";
  const std::string storedName = "Priority: High, Topic: Budget (File) ";
  std::set<UINT> failedDuring;
  bool completed = false;
  for (long allowed = 0; allowed < 100000 && !completed; ++allowed) {
    // A dialog that ended early leaves the rest of its script unperformed.
    NewUser();
    user::SelectItemText(IDC_TOPIC, "Travel");
    user::SelectItem(IDC_PRIORITY, 5);
    user::Click(IDOK);
    g_failedDuring = 0;
    g_allocationsLeft = allowed;
    const auto [command, name] = Compose(stored);
    g_allocationsLeft = -1;
    EXPECT_EQ(user::LiveWindowCount(), 1u) << "after failing allocation " << allowed;
    if (g_failedDuring == 0) {
      completed = true;
      EXPECT_EQ(command, "017P+2T1006Travel");
      EXPECT_EQ(name, "Priority: Very High, Topic: Travel (File) ");
      continue;
    }
    failedDuring.insert(g_failedDuring);
    EXPECT_EQ(command, stored) << "after failing allocation " << allowed;
    EXPECT_EQ(name, storedName) << "after failing allocation " << allowed;
  }
  EXPECT_TRUE(completed);
  // The sweep reached both the dialog's initialisation and its OK.
  EXPECT_EQ(failedDuring.count(WM_INITDIALOG), 1u);
  EXPECT_EQ(failedDuring.count(WM_COMMAND), 1u);
  NewUser();
}

}  // namespace
}  // namespace scenario
