// The process-wide reporter: turns every caught exception into an entry of the log file.
//
// One reporter is built by the library's start-up code, so its settings (home folder
// and thresholds, under the settings key) are read when the library is loaded; it lives
// until the library is unloaded. Report never raises and never reports its own
// failures: a log that cannot be written loses the entry in silence. Every member may
// be called on any thread at once: one lock guards the settings and the repeat state,
// and entries reach the file whole, one after the other.
//
// An entry is these lines, each ending in "\n" (the file stores "\r\n", as text mode would):
//   the local time ("%c": 12/06/26 21:10:45), empty when it cannot be rendered
//   label + category + ", " + file + ", " + line + ")"   e.g. ERROR: (MAPI, .\ExchRuleExt, 409)
//   the description, when there is one
//   the details, when there are any (they may hold line feeds of their own)
//   "HRESULT = %x", when the result is not 0
//   an empty line
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "config/Platform.h"
#include "diagnostics/IException.h"

namespace pellacorm {

class ExceptionReporter {
 public:
  static constexpr const char* kDefaultLogPath = "C:/Pellacorm.log";
  static constexpr const char* kLogFileBelowHome = "/Logs/Pellacorm.log";

  // The initial values: log at "C:/Pellacorm.log", log threshold SEVERITY_WARNING,
  // notify threshold SEVERITY_ERROR. Reads nothing.
  ExceptionReporter() noexcept;
  ExceptionReporter(const ExceptionReporter&) = delete;
  ExceptionReporter& operator=(const ExceptionReporter&) = delete;

  // The one reporter of the process, built (and its settings read) at load.
  static ExceptionReporter& Instance() noexcept;

  // The set-up: back to the initial values, then the settings key (KEY_READ): "HomeDir"
  // (REG_SZ) through SetHomeDir, even when empty; "ExceptionLogThreshold" and
  // "ExceptionNotifyThreshold" (4-byte REG_DWORD) through SeverityFromStored. A missing
  // key or value, or one of another type, keeps the initial value.
  void LoadSettings() noexcept;

  // The log becomes `home` + "/Logs/Pellacorm.log", nothing added or removed between
  // them; a null `home` counts as empty.
  void SetHomeDir(const char* home) noexcept;

  // Writes the entry of `exception` when its severity reaches the log threshold, and
  // passes it to the notification step when it reaches the notify threshold. The
  // second form renders `now` instead of the present time.
  void Report(const IException& exception) noexcept;
  void Report(const IException& exception, std::time_t now) noexcept;

  // The entry's header line, with its line feed.
  static std::string BuildHeader(const IException& exception);
  // The whole entry for `exception` reported at `now`.
  static std::string BuildEntry(const IException& exception, std::time_t now);
  // The local time `time` rendered with `format` through a 128-byte buffer; empty when
  // `format` is null or the time cannot be rendered.
  static std::string FormatTime(std::time_t time, const char* format) noexcept;
  // The severity of a stored threshold: 0 -> 0, 1 -> 1, 4 -> 3, any other -> 2.
  static LONG SeverityFromStored(DWORD stored) noexcept;
  // The text the notification step prepares for the user (and drops).
  static std::string NotificationText(const IException& exception, const std::string& entry);

  // Copies taken under the lock: another thread may change them at any time.
  std::string LogPath() const;
  LONG LogThreshold() const noexcept;
  LONG NotifyThreshold() const noexcept;
  // The header of the last entry that reached the notification step, and how many
  // entries in a row after it had the same header.
  std::string LastNotifiedHeader() const;
  ULONG RepeatCount() const noexcept;

 private:
  static constexpr std::size_t kTimeTextSize = 128;
  struct LoadAtStartUp {};
  explicit ExceptionReporter(LoadAtStartUp) noexcept;
  // The reporter of Instance(): a static object, built by the start-up code.
  static ExceptionReporter s_instance;

  // Holds the reporter's lock for its lifetime.
  class Guard;

  // The local time `time` rendered with `format` into `buffer`; its length, 0 when the
  // time cannot be rendered.
  static std::size_t RenderTime(std::time_t time, const char* format, char* buffer,
                                std::size_t size) noexcept;
  // Appends the header line of `exception` to `out`.
  static void AppendHeader(std::string& out, const IException& exception);
  // A part of a string: where it starts, and its length.
  struct Span {
    std::size_t start = 0;
    std::size_t length = 0;
  };
  // Appends the entry of BuildEntry, with its time already rendered as `timeText`, to
  // `entry`; where its header is in `entry`.
  static Span AppendEntry(std::string& entry, const IException& exception, std::string_view timeText);
  // The bytes the log stores for `entry`: "\r\n" for every "\n", as text mode would.
  static std::string LogBytes(const std::string& entry);

  // Called with the lock held.
  void SetHomeDirLocked(const char* home) noexcept;
  void AppendToLogLocked(const std::string& bytes) const noexcept;
  void NotifyLocked(const IException& exception, std::string_view header, const std::string& entry);

  // The client may report from one thread while another binds an object (which moves
  // the log) or reports too: this lock guards every field below.
  mutable SRWLOCK m_lock = SRWLOCK_INIT;
  std::string m_logPath;
  LONG m_logThreshold;
  LONG m_notifyThreshold;
  std::string m_lastHeader;
  ULONG m_repeatCount = 0;
};

}  // namespace pellacorm
