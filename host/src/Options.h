// The command line of rulehost.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "DialogUsers.h"
#include "platform/Mapi.h"

namespace rulehost {

struct Options {
  std::string command;  // bind, topics, compose, name, fire, demo, mailbox; "" with --help
  bool help = false;

  std::string library;  // empty: the default library
  std::string mailboxFile;
  std::string registryFile;
  std::string driveRoot;
  std::vector<std::pair<std::string, std::string>> settings;  // option, NAME=VALUE
  std::vector<std::string> faults;
  bool keep = false;
  ULONG context = 0;

  // compose
  std::string current;
  ComposeRequest compose;
  ULONG commandSize = 256;
  ULONG nameSize = 256;
  bool interactive = false;

  // name, fire
  std::optional<std::string> commandString;
  ULONG count = 1;
};

// Reads the arguments; throws HostError(kExitUsage) with the reason.
Options ParseOptions(int argc, char** argv);

// The text of --help.
std::string UsageText();

}  // namespace rulehost
