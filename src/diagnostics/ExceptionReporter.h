// The process-wide reporter: turns every caught exception into an entry of the log file.
//
// One reporter is built by the library's start-up code, so its settings (home folder
// and thresholds, under the settings key) are read when the library is loaded; it lives
// until the library is unloaded. Report never raises and never reports its own
// failures: a log that cannot be written loses the entry in silence.
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

  const std::string& LogPath() const noexcept { return m_logPath; }
  LONG LogThreshold() const noexcept { return m_logThreshold; }
  LONG NotifyThreshold() const noexcept { return m_notifyThreshold; }
  // The header of the last entry that reached the notification step, and how many
  // entries in a row after it had the same header.
  const std::string& LastNotifiedHeader() const noexcept { return m_lastHeader; }
  ULONG RepeatCount() const noexcept { return m_repeatCount; }

 private:
  static constexpr std::size_t kTimeTextSize = 128;
  struct LoadAtStartUp {};
  explicit ExceptionReporter(LoadAtStartUp) noexcept;
  // The reporter of Instance(): a static object, built by the start-up code.
  static ExceptionReporter s_instance;

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
  // The "%c" text of `now`. The last one is kept: the entries of one second share it,
  // and the runtime reads the time zone once, so a second always renders the same.
  std::string_view TimeText(std::time_t now) noexcept;

  void AppendToLog(const std::string& entry) noexcept;
  void Notify(const IException& exception, std::string_view header, const std::string& entry);

  std::string m_logPath;
  LONG m_logThreshold;
  LONG m_notifyThreshold;
  std::string m_lastHeader;
  ULONG m_repeatCount = 0;
  // Report's buffers for the entry and the bytes of the log: kept, so that a report
  // does not allocate them anew.
  std::string m_entry;
  std::string m_logBytes;
  // TimeText's last rendering.
  bool m_haveTime = false;
  std::time_t m_timeOf = 0;
  std::size_t m_timeLength = 0;
  char m_timeText[kTimeTextSize] = {};
};

}  // namespace pellacorm
