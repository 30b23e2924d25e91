// rulehost: a stand-in for the mail client that loads the rule-extension library and
// drives it through ExchEntryPoint. `rulehost --help` says how.
#include <exception>
#include <iostream>

#include "HostError.h"
#include "HostRun.h"
#include "Options.h"

int main(int argc, char** argv) {
  using namespace rulehost;
  try {
    const Options options = ParseOptions(argc, argv);
    if (options.help) {
      std::cout << UsageText();
      return kExitOk;
    }
    return RunHost(options);
  } catch (const HostError& error) {
    std::cout.flush();
    std::cerr << "rulehost: " << error.what() << "\n";
    if (error.Code() == kExitUsage) {
      std::cerr << "(rulehost --help shows the usage)\n";
    }
    return error.Code();
  } catch (const std::exception& error) {
    std::cout.flush();
    std::cerr << "rulehost: " << error.what() << "\n";
    return kExitFailed;
  }
}
