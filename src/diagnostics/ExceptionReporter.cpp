#include "diagnostics/ExceptionReporter.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>

#include "config/RegistryValues.h"
#include "config/Settings.h"
#include "store/MapiApi.h"

namespace pellacorm {

namespace {

// Room for a typical entry, so that building one allocates once.
constexpr std::size_t kEntryCapacity = 256;

const char* SeverityLabel(LONG severity) {
  switch (severity) {
    case SEVERITY_INFO:
      return "INFO: (";
    case SEVERITY_WARNING:
      return "WARNING: (";
    case SEVERITY_SEVERE_ERROR:
      return "SEVERE_ERROR: (";
    default:
      return "ERROR: (";
  }
}

bool IsEmpty(const char* text) {
  return text == nullptr || text[0] == '\0';
}

// `value` in `base`, as printf's "%d" (base 10) or "%x" (base 16) writes it.
template <typename Integer>
void AppendNumber(std::string& out, Integer value, int base) {
  char digits[std::numeric_limits<Integer>::digits + 2];
  const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value, base);
  out.append(digits, result.ptr);
}

}  // namespace

// Built when the library is loaded, before the host calls the entry point.
ExceptionReporter ExceptionReporter::s_instance{ExceptionReporter::LoadAtStartUp{}};

ExceptionReporter::ExceptionReporter() noexcept
    : m_logPath(kDefaultLogPath), m_logThreshold(SEVERITY_WARNING), m_notifyThreshold(SEVERITY_ERROR) {}

ExceptionReporter::ExceptionReporter(LoadAtStartUp) noexcept : ExceptionReporter() {
  LoadSettings();
}

ExceptionReporter& ExceptionReporter::Instance() noexcept {
  return s_instance;
}

class ExceptionReporter::Guard {
 public:
  explicit Guard(SRWLOCK& lock) noexcept : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
  ~Guard() { ReleaseSRWLockExclusive(&m_lock); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  SRWLOCK& m_lock;
};

void ExceptionReporter::LoadSettings() noexcept {
  // The registry is read first and the fields set after, in one step, so that a report
  // on another thread sees either the old settings or the new ones.
  bool haveHome = false;
  std::string home;
  LONG logThreshold = SEVERITY_WARNING;
  LONG notifyThreshold = SEVERITY_ERROR;
  const RegKey key = OpenSettingsKey(kSettingsReadAccess);
  if (key) {
    haveHome = QueryRegString(key.Get(), kHomeDirValue, home) == 0;
    DWORD stored = 0;
    if (QueryRegDword(key.Get(), kExceptionLogThresholdValue, stored)) {
      logThreshold = SeverityFromStored(stored);
    }
    if (QueryRegDword(key.Get(), kExceptionNotifyThresholdValue, stored)) {
      notifyThreshold = SeverityFromStored(stored);
    }
  }

  const Guard guard(m_lock);
  try {
    m_logPath = kDefaultLogPath;
  } catch (const std::bad_alloc&) {
    // Keeps the path it had.
  }
  if (haveHome) {
    SetHomeDirLocked(home.c_str());
  }
  m_logThreshold = logThreshold;
  m_notifyThreshold = notifyThreshold;
}

void ExceptionReporter::SetHomeDir(const char* home) noexcept {
  const Guard guard(m_lock);
  SetHomeDirLocked(home);
}

void ExceptionReporter::SetHomeDirLocked(const char* home) noexcept {
  try {
    std::string path = home != nullptr ? home : "";
    path += kLogFileBelowHome;
    m_logPath.swap(path);
  } catch (const std::bad_alloc&) {
    // The log stays where it was.
  }
}

std::string ExceptionReporter::LogPath() const {
  const Guard guard(m_lock);
  return m_logPath;
}

LONG ExceptionReporter::LogThreshold() const noexcept {
  const Guard guard(m_lock);
  return m_logThreshold;
}

LONG ExceptionReporter::NotifyThreshold() const noexcept {
  const Guard guard(m_lock);
  return m_notifyThreshold;
}

std::string ExceptionReporter::LastNotifiedHeader() const {
  const Guard guard(m_lock);
  return m_lastHeader;
}

ULONG ExceptionReporter::RepeatCount() const noexcept {
  const Guard guard(m_lock);
  return m_repeatCount;
}

LONG ExceptionReporter::SeverityFromStored(DWORD stored) noexcept {
  switch (stored) {
    case 0:
      return SEVERITY_INFO;
    case 1:
      return SEVERITY_WARNING;
    case 4:
      return SEVERITY_SEVERE_ERROR;
    default:
      return SEVERITY_ERROR;
  }
}

std::size_t ExceptionReporter::RenderTime(std::time_t time, const char* format, char* buffer,
                                          std::size_t size) noexcept {
  std::tm local{};
  if (format == nullptr || !crt_localtime(time, &local)) {
    return 0;
  }
  return crt_strftime(buffer, size, format, &local);
}

std::string ExceptionReporter::FormatTime(std::time_t time, const char* format) noexcept {
  char buffer[kTimeTextSize];
  const std::size_t length = RenderTime(time, format, buffer, sizeof buffer);
  try {
    return std::string(buffer, length);
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

void ExceptionReporter::AppendHeader(std::string& out, const IException& exception) {
  const char* category = exception.GetCategory();
  const char* file = exception.GetFile();
  out += SeverityLabel(exception.GetSeverity());
  out += category != nullptr ? category : "";
  out += ", ";
  out += IsEmpty(file) ? "file not specified" : file;
  out += ", ";
  if (exception.GetLine() == 0) {
    out += "line # not specified";
  } else {
    AppendNumber(out, static_cast<int>(exception.GetLine()), 10);
  }
  out += ")\n";
}

std::string ExceptionReporter::BuildHeader(const IException& exception) {
  std::string header;
  AppendHeader(header, exception);
  return header;
}

ExceptionReporter::Span ExceptionReporter::AppendEntry(std::string& entry, const IException& exception,
                                                       std::string_view timeText) {
  entry += timeText;
  entry += '\n';
  Span header;
  header.start = entry.size();
  AppendHeader(entry, exception);
  header.length = entry.size() - header.start;
  const char* description = exception.GetDescription();
  if (!IsEmpty(description)) {
    entry += description;
    entry += '\n';
  }
  const char* details = exception.GetDetails();
  if (!IsEmpty(details)) {
    entry += details;
    entry += '\n';
  }
  if (exception.GetHResult() != 0) {
    entry += "HRESULT = ";
    AppendNumber(entry, static_cast<unsigned>(exception.GetHResult()), 16);
    entry += '\n';
  }
  entry += '\n';
  return header;
}

std::string ExceptionReporter::BuildEntry(const IException& exception, std::time_t now) {
  std::string entry;
  AppendEntry(entry, exception, FormatTime(now, "%c"));
  return entry;
}

std::string ExceptionReporter::NotificationText(const IException& exception, const std::string& entry) {
  if (exception.GetHResult() == MAPI_E_OBJECT_CHANGED) {
    return std::string("Pellacorm was unable to save changes to the current\n") +
           "item because another operation has changed it.\n\n" +
           "Please unselect or close the current item and try your\n" + "operation again.\n\n";
  }
  return entry;
}

void ExceptionReporter::Report(const IException& exception) noexcept {
  Report(exception, std::time(nullptr));
}

void ExceptionReporter::Report(const IException& exception, std::time_t now) noexcept {
  const LONG severity = exception.GetSeverity();
  bool log = false;
  bool notify = false;
  {
    const Guard guard(m_lock);
    log = severity >= m_logThreshold;
    notify = severity >= m_notifyThreshold;
  }
  if (!log && !notify) {
    return;
  }
  try {
    // The entry and its bytes are built in this thread's own strings, outside the lock.
    char timeText[kTimeTextSize];
    const std::size_t timeLength = RenderTime(now, "%c", timeText, sizeof timeText);
    std::string entry;
    entry.reserve(kEntryCapacity);
    const Span header = AppendEntry(entry, exception, std::string_view(timeText, timeLength));
    // More than one write can surely take is not logged.
    log = log && entry.size() <= static_cast<std::size_t>(INT_MAX) / 2;
    const std::string bytes = log ? LogBytes(entry) : std::string();

    // The append runs under the lock: the runtime's append mode finds the end of the
    // file and then writes, and two threads doing that at once would write over each
    // other's entries.
    const Guard guard(m_lock);
    if (log) {
      AppendToLogLocked(bytes);
    }
    if (notify) {
      NotifyLocked(exception, std::string_view(entry).substr(header.start, header.length), entry);
    }
  } catch (...) {
    // No memory for the entry: it is lost, as a log that cannot be opened loses it.
  }
}

std::string ExceptionReporter::LogBytes(const std::string& entry) {
  std::string bytes(entry.size() * 2, '\0');  // room for a "\r" before every character
  char* const start = &bytes[0];
  char* out = start;
  const char* in = entry.data();
  const char* const end = in + entry.size();
  while (in != end) {
    const auto* lineEnd = static_cast<const char*>(std::memchr(in, '\n', static_cast<std::size_t>(end - in)));
    const char* const stop = lineEnd != nullptr ? lineEnd : end;
    std::memcpy(out, in, static_cast<std::size_t>(stop - in));
    out += stop - in;
    in = stop;
    if (lineEnd != nullptr) {
      *out++ = '\r';
      *out++ = '\n';
      ++in;
    }
  }
  bytes.resize(static_cast<std::size_t>(out - start));
  return bytes;
}

// One open, one write of the whole entry, one close: no sharing restriction, so other
// processes may read or append meanwhile, and the file is never held between entries.
// The file is written in binary mode with the line ends a text-mode file stores, "\r\n"
// for each "\n": so the whole entry reaches the system in one write, where the runtime's
// text mode passes a long entry on in several, one per buffer of translated text.
void ExceptionReporter::AppendToLogLocked(const std::string& bytes) const noexcept {
  const int fd = _sopen(m_logPath.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                        _SH_DENYNO, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    return;
  }
  _write(fd, bytes.data(), static_cast<unsigned int>(bytes.size()));
  _close(fd);
}

// Nothing is shown: the step keeps the header and counts repeats of it, prepares the
// text a user would read, and drops it.
void ExceptionReporter::NotifyLocked(const IException& exception, std::string_view header,
                                     const std::string& entry) {
  if (header == m_lastHeader) {
    ++m_repeatCount;
  } else {
    m_lastHeader.assign(header);
    m_repeatCount = 0;
  }
  static_cast<void>(NotificationText(exception, entry));
}

}  // namespace pellacorm
