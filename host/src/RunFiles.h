// The files of one run: the run's own folder, and the extension's log as it grows.
#pragma once

#include <cstdint>
#include <string>

namespace rulehost {

// A new folder of this run's own below the system's temporary folder; throws HostError.
std::string MakeRunFolder();

// The log file's growth during the run.
class LogWatch {
 public:
  // Notes the size of the log named by the Windows path `windowsPath`.
  explicit LogWatch(std::string windowsPath);
  const std::string& WindowsPath() const { return m_windowsPath; }
  // Where the log is on this machine; empty when it is on no drive of this machine.
  const std::string& HostPath() const { return m_hostPath; }
  // The text appended since the start, without the carriage returns of its line ends.
  std::string NewText() const;

 private:
  std::uintmax_t Size() const;

  std::string m_windowsPath;
  std::string m_hostPath;
  std::uintmax_t m_start = 0;
};

}  // namespace rulehost
