// The exit codes of rulehost and the error that carries one up to main().
#pragma once

#include <stdexcept>
#include <string>

namespace rulehost {

enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,        // an operation answered a failure, or wrote outside a buffer
  kExitUsage = 2,         // bad arguments
  kExitLibrary = 3,       // the extension library cannot be loaded
  kExitNoEntryPoint = 4,  // the library has no ExchEntryPoint
  kExitMailbox = 5,       // the mailbox file cannot be read or is not well formed
  kExitRegistry = 6,      // the registry cannot be prepared or a value cannot be written
  kExitDialog = 7,        // the dialog did not go as the options asked
};

// A failure that ends the run with `code`; main() prints the message.
class HostError : public std::runtime_error {
 public:
  HostError(int code, const std::string& message) : std::runtime_error(message), m_code(code) {}
  int Code() const { return m_code; }

 private:
  int m_code;
};

}  // namespace rulehost
