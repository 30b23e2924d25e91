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

void ExceptionReporter::LoadSettings() noexcept {
  try {
    m_logPath = kDefaultLogPath;
  } catch (const std::bad_alloc&) {
    // Keeps the path it had.
  }
  m_logThreshold = SEVERITY_WARNING;
  m_notifyThreshold = SEVERITY_ERROR;

  const RegKey key = OpenSettingsKey(kSettingsReadAccess);
  if (!key) {
    return;
  }
  std::string home;
  if (QueryRegString(key.Get(), kHomeDirValue, home) == 0) {
    SetHomeDir(home.c_str());
  }
  DWORD stored = 0;
  if (QueryRegDword(key.Get(), kExceptionLogThresholdValue, stored)) {
    m_logThreshold = SeverityFromStored(stored);
  }
  if (QueryRegDword(key.Get(), kExceptionNotifyThresholdValue, stored)) {
    m_notifyThreshold = SeverityFromStored(stored);
  }
}

void ExceptionReporter::SetHomeDir(const char* home) noexcept {
  try {
    std::string path = home != nullptr ? home : "";
    path += kLogFileBelowHome;
    m_logPath.swap(path);
  } catch (const std::bad_alloc&) {
    // The log stays where it was.
  }
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

std::string_view ExceptionReporter::TimeText(std::time_t now) noexcept {
  if (!m_haveTime || now != m_timeOf) {
    m_timeLength = RenderTime(now, "%c", m_timeText, sizeof m_timeText);
    m_timeOf = now;
    m_haveTime = true;
  }
  return std::string_view(m_timeText, m_timeLength);
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
  if (severity < m_logThreshold && severity < m_notifyThreshold) {
    return;
  }
  try {
    // The entry is built in the reporter's own buffer, which keeps its memory from one
    // report to the next.
    std::string& entry = m_entry;
    entry.clear();
    entry.reserve(kEntryCapacity);
    const Span header = AppendEntry(entry, exception, TimeText(now));
    if (severity >= m_logThreshold) {
      AppendToLog(entry);
    }
    if (severity >= m_notifyThreshold) {
      Notify(exception, std::string_view(entry).substr(header.start, header.length), entry);
    }
  } catch (const std::bad_alloc&) {
    // No memory for the entry: it is lost, as a log that cannot be opened loses it.
  }
}

// One open, one write of the whole entry, one close: no sharing restriction, so other
// processes may read or append meanwhile, and the file is never held between entries.
// The file is written in binary mode with the line ends a text-mode file stores, "\r\n"
// for each "\n": so the whole entry reaches the system in one write, where the runtime's
// text mode passes a long entry on in several, one per buffer of translated text.
void ExceptionReporter::AppendToLog(const std::string& entry) noexcept {
  if (entry.size() > static_cast<std::size_t>(INT_MAX) / 2) {
    return;  // more than one write can surely take
  }
  std::string& bytes = m_logBytes;
  try {
    bytes.resize(entry.size() * 2);  // room for a "\r" before every character
  } catch (const std::bad_alloc&) {
    return;  // lost, as when the log cannot be opened
  }
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
void ExceptionReporter::Notify(const IException& exception, std::string_view header,
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
