// GoogleTest's hook for platform customisation, used for the MinGW-w64 build of the
// Windows tests. Debian's MinGW-w64 uses the win32 thread model, which has no
// std::mutex or std::condition_variable; GoogleTest's own Notification needs both.
// It is used only to start GoogleTest's internal threads, which these tests never
// create, so a flag waited on by spinning serves.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : notified_(false) {}
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true); }
  void WaitForNotification() {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_;
};

}  // namespace internal
}  // namespace testing
