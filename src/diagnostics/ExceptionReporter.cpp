#include "diagnostics/ExceptionReporter.h"

#include <climits>
#include <new>

#include "config/RegistryValues.h"
#include "config/Settings.h"
#include "diagnostics/TextFormat.h"
#include "store/MapiApi.h"

namespace pellacorm {

namespace {

constexpr std::size_t kTimeBufferSize = 128;

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

std::string ExceptionReporter::FormatTime(std::time_t time, const char* format) noexcept {
  if (format == nullptr) {
    return std::string();
  }
  std::tm local{};
  if (!crt_localtime(time, &local)) {
    return std::string();
  }
  char buffer[kTimeBufferSize];
  const std::size_t length = crt_strftime(buffer, sizeof buffer, format, &local);
  try {
    return std::string(buffer, length);
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

std::string ExceptionReporter::BuildHeader(const IException& exception) {
  const char* category = exception.GetCategory();
  const char* file = exception.GetFile();
  std::string header = SeverityLabel(exception.GetSeverity());
  header += category != nullptr ? category : "";
  header += ", ";
  header += IsEmpty(file) ? "file not specified" : file;
  header += ", ";
  if (exception.GetLine() == 0) {
    header += "line # not specified";
  } else {
    AppendFormat(header, "%d", static_cast<int>(exception.GetLine()));
  }
  header += ")\n";
  return header;
}

std::string ExceptionReporter::BuildEntry(const IException& exception, std::time_t now) {
  std::string entry = FormatTime(now, "%c");
  entry += '\n';
  entry += BuildHeader(exception);
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
    AppendFormat(entry, "HRESULT = %x\n", static_cast<unsigned>(exception.GetHResult()));
  }
  entry += '\n';
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
  if (severity < m_logThreshold && severity < m_notifyThreshold) {
    return;
  }
  try {
    const std::string header = BuildHeader(exception);
    const std::string entry = BuildEntry(exception, now);
    if (severity >= m_logThreshold) {
      AppendToLog(entry);
    }
    if (severity >= m_notifyThreshold) {
      Notify(exception, header, entry);
    }
  } catch (const std::bad_alloc&) {
    // No memory for the entry: it is lost, as a log that cannot be opened loses it.
  }
}

// One open, one write of the whole entry, one close: no sharing restriction, so other
// processes may read or append meanwhile, and the file is never held between entries.
// The file is written in binary mode with the line ends a text-mode file stores, "\r\n"
// for each "\n": so the whole entry reaches the system in one write, where the runtime's
// text mode hands a long entry over in pieces of about a kilobyte.
void ExceptionReporter::AppendToLog(const std::string& entry) const noexcept {
  std::string bytes;
  try {
    bytes.reserve(entry.size() + entry.size() / 8 + 16);
    for (const char c : entry) {
      if (c == '\n') {
        bytes += '\r';
      }
      bytes += c;
    }
  } catch (const std::bad_alloc&) {
    return;  // lost, as when the log cannot be opened
  }
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
    return;  // more than one write can take
  }
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
void ExceptionReporter::Notify(const IException& exception, const std::string& header,
                               const std::string& entry) {
  if (header == m_lastHeader) {
    ++m_repeatCount;
  } else {
    m_lastHeader = header;
    m_repeatCount = 0;
  }
  static_cast<void>(NotificationText(exception, entry));
}

}  // namespace pellacorm
