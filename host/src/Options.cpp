#include "Options.h"

#include <set>

#include "Dialog.h"
#include "HostError.h"
#include "HostText.h"
#include "Os.h"

namespace rulehost {
namespace {

// The most messages fire makes in one run.
constexpr unsigned long kMaxCount = 10000;

const std::set<std::string> kCommands = {"bind", "topics", "compose", "name", "fire", "demo", "mailbox"};

// The options that belong to one command, and the commands they belong to.
struct CommandOption {
  const char* name;
  const char* command;
  bool takesValue;
};
const CommandOption kCommandOptions[] = {
    {"--current", "compose", true},
    {"--topic", "compose", true},
    {"--topic-index", "compose", true},
    {"--type", "compose", true},
    {"--no-topic", "compose", false},
    {"--file", "compose", false},
    {"--no-file", "compose", false},
    {"--overwrite", "compose", false},
    {"--no-overwrite", "compose", false},
    {"--priority", "compose", true},
    {"--ok", "compose", false},
    {"--cancel", "compose", false},
    {"--command-size", "compose", true},
    {"-i", "compose", false},
    {"--interactive", "compose", false},
    {"--name-size", "compose name", true},
    {"--count", "fire", true},
};
const char* const kGlobalWithValue[] = {"--library",   "--mailbox",    "--registry", "--drive-root", "--set",
                                        "--set-dword", "--set-binary", "--fault",    "--context"};

bool IsGlobalWithValue(const std::string& name) {
  for (const char* option : kGlobalWithValue) {
    if (name == option) {
      return true;
    }
  }
  return false;
}

const CommandOption* FindCommandOption(const std::string& name) {
  for (const CommandOption& option : kCommandOptions) {
    if (name == option.name) {
      return &option;
    }
  }
  return nullptr;
}

[[noreturn]] void Usage(const std::string& message) {
  throw HostError(kExitUsage, message);
}

ULONG Size(const std::string& option, const std::string& value, unsigned long maximum,
           unsigned long minimum = 0) {
  const auto number = ParseNumber(value);
  if (!number || *number > maximum || *number < minimum) {
    Usage(option + " wants a number from " + std::to_string(minimum) + " to " + std::to_string(maximum) +
          ", not " + Quoted(value));
  }
  return static_cast<ULONG>(*number);
}

int PriorityItem(const std::string& value) {
  static const char* const kNames[] = {"default", "very-low", "low", "normal", "high", "very-high"};
  std::string wanted = Lower(value);
  for (char& c : wanted) {
    c = c == ' ' || c == '_' ? '-' : c;
  }
  for (int i = 0; i < 6; ++i) {
    if (wanted == kNames[i]) {
      return i;
    }
  }
  Usage("--priority wants very-low, low, normal, high, very-high or default, not " + Quoted(value));
}

// Refuses an option of another command.
void CheckOwner(const std::string& option, const std::string& command) {
  const std::string owners = FindCommandOption(option)->command;
  if ((" " + owners + " ").find(" " + command + " ") == std::string::npos) {
    Usage(option + " belongs to " + owners + ", not to " + command);
  }
}

void SetTopic(Options& options, ComposeRequest::Topic topic, const std::string& option) {
  if (options.compose.topic != ComposeRequest::Topic::Keep) {
    Usage(option + ": choose the topic once (--topic, --topic-index, --type or --no-topic)");
  }
  options.compose.topic = topic;
}

}  // namespace

Options ParseOptions(int argc, char** argv) {
  Options options;
  std::vector<std::string> positional;
  std::vector<std::string> commandOptions;
  bool okGiven = false;
  bool cancelGiven = false;
  bool onlyPositional = false;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (onlyPositional || argument.empty() || argument[0] != '-' || argument == "-") {
      positional.push_back(argument);
      continue;
    }
    if (argument == "--") {
      onlyPositional = true;
      continue;
    }
    if (argument == "-h" || argument == "--help") {
      options.help = true;
      continue;
    }
    // --name=value
    std::optional<std::string> inlineValue;
    const std::size_t equals = argument.find('=');
    if (argument.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      inlineValue = argument.substr(equals + 1);
      argument = argument.substr(0, equals);
    }
    const CommandOption* commandOption = FindCommandOption(argument);
    const bool global = IsGlobalWithValue(argument) || argument == "--keep";
    if (commandOption == nullptr && !global) {
      Usage("unknown option " + argument + " (rulehost --help lists them)");
    }
    const bool takesValue = commandOption != nullptr ? commandOption->takesValue : argument != "--keep";
    std::string value;
    if (takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        Usage(argument + " wants a value");
      }
    } else if (inlineValue) {
      Usage(argument + " takes no value");
    }
    if (commandOption != nullptr) {
      commandOptions.push_back(argument);
    }

    if (argument == "--library") {
      options.library = value;
    } else if (argument == "--mailbox") {
      options.mailboxFile = value;
    } else if (argument == "--registry") {
      options.registryFile = value;
    } else if (argument == "--drive-root") {
      options.driveRoot = value;
    } else if (argument == "--set" || argument == "--set-dword" || argument == "--set-binary") {
      options.settings.emplace_back(argument, value);
    } else if (argument == "--fault") {
      options.faults.push_back(value);
    } else if (argument == "--context") {
      options.context = Size(argument, value, 0xFFFFFFFFUL);
    } else if (argument == "--keep") {
      options.keep = true;
    } else if (argument == "--current") {
      options.current = value;
    } else if (argument == "--topic") {
      SetTopic(options, ComposeRequest::Topic::ByName, argument);
      options.compose.topicText = value;
    } else if (argument == "--topic-index") {
      SetTopic(options, ComposeRequest::Topic::ByIndex, argument);
      options.compose.topicIndex = static_cast<int>(Size(argument, value, 100000));
    } else if (argument == "--type") {
      SetTopic(options, ComposeRequest::Topic::Typed, argument);
      if (const auto control = FindControlCharacter(value)) {
        Usage("--type " + Quoted(value) + ": the text holds a control character (" + *control +
              "), which the topic field cannot hold");
      }
      options.compose.topicText = value;
    } else if (argument == "--no-topic") {
      SetTopic(options, ComposeRequest::Topic::DoNotAssign, argument);
    } else if (argument == "--file" || argument == "--no-file") {
      options.compose.file = argument == "--file";
    } else if (argument == "--overwrite" || argument == "--no-overwrite") {
      options.compose.overwrite = argument == "--overwrite";
    } else if (argument == "--priority") {
      options.compose.priorityItem = PriorityItem(value);
    } else if (argument == "--ok") {
      okGiven = true;
    } else if (argument == "--cancel") {
      cancelGiven = true;
    } else if (argument == "--command-size") {
      options.commandSize = Size(argument, value, 65536);
    } else if (argument == "--name-size") {
      options.nameSize = Size(argument, value, 65536);
    } else if (argument == "--count") {
      options.count = Size(argument, value, kMaxCount, 1);
    } else if (argument == "-i" || argument == "--interactive") {
      options.interactive = true;
    }
  }

  if (options.help) {
    return options;
  }
  if (positional.empty()) {
    Usage("no command given: bind, topics, compose, name, fire, demo or mailbox (rulehost --help)");
  }
  options.command = positional.front();
  positional.erase(positional.begin());
  if (options.command == "help") {
    options.help = true;
    return options;
  }
  if (kCommands.count(options.command) == 0) {
    Usage("unknown command " + Quoted(options.command) +
          " (bind, topics, compose, name, fire, demo or mailbox)");
  }
  for (const std::string& name : commandOptions) {
    CheckOwner(name, options.command);
  }
  if (okGiven && cancelGiven) {
    Usage("--ok and --cancel exclude each other");
  }
  options.compose.ok = !cancelGiven;
  if (options.interactive &&
      (okGiven || cancelGiven || options.compose.topic != ComposeRequest::Topic::Keep ||
       options.compose.file || options.compose.overwrite || options.compose.priorityItem)) {
    Usage(
        "--interactive leaves the dialog to you: it takes no --topic, --type, --file, --priority, --ok or "
        "--cancel");
  }
  if (options.command == "name" || options.command == "fire") {
    if (positional.empty()) {
      Usage(options.command + " wants the command string (e.g. rulehost " + options.command +
            " 017P+1T1006Budget; \"\" for the empty one)");
    }
    options.commandString = positional.front();
    positional.erase(positional.begin());
  }
  if (!positional.empty()) {
    Usage("unexpected argument " + Quoted(positional.front()) + " after " + options.command);
  }
  if (options.command == "compose" && options.commandSize > 0 &&
      options.current.size() >= options.commandSize) {
    Usage("--current does not fit a command buffer of " + std::to_string(options.commandSize) + " bytes");
  }
  if (options.command == "compose" && options.commandSize == 0 && !options.current.empty()) {
    Usage("--current does not fit a command buffer of 0 bytes");
  }
  return options;
}

std::string UsageText() {
  return "usage: rulehost [OPTIONS] COMMAND [COMMAND OPTIONS]\n"
         "\n"
         "Stands in for the mail client: loads the rule-extension library by file name, calls\n"
         "its ExchEntryPoint and drives the object it returns through IExchangeRuleExt, on an\n"
         "in-memory mailbox (memstore). Every command runs ExchEntryPoint, Install, the\n"
         "command's own calls, QueryRelease and Release, then shows the log entries the\n"
         "extension wrote during the run and what it left live in the mailbox.\n"
         "\n"
         "Commands:\n"
         "  demo                 the whole road on the embedded mailbox: binding, topics, a\n"
         "                       composed command, its display name, the fired rule's action\n"
         "                       request message and the log\n"
         "  bind                 Install: the settings the extension read, what it keeps open\n"
         "  topics               the topic list of the dialog (a user looks and cancels)\n"
         "  compose              GetCommand with the dialog driven by the options below\n"
         "  name CMD             QueryCommandDisplayName of a stored command string\n"
         "  fire CMD             Command for new Inbox messages, then the action request\n"
         "                       messages in the Inbox's associated contents\n"
         "  mailbox              print the mailbox in the mailbox file format\n"
         "\n"
         "Options for every command:\n"
         "  --library FILE       the extension library, default\n"
         "                       " +
         os::DefaultLibrary() +
         "\n"
         "  --mailbox FILE       the mailbox to run on, in the format that `rulehost mailbox`\n"
         "                       prints (docs/mailbox-format.md; default: the embedded mailbox)\n"
         "  --registry FILE      the registry file of the platform layer (Linux; default: a\n"
         "                       temporary file of this run). Without it HomeDir is set to a\n"
         "                       folder of this run that has a Logs subfolder. A file that is\n"
         "                       not a registry export (REGEDIT4) is left alone (exit 6)\n"
         "  --drive-root DIR     where drive letters live (Linux; default: a folder of this run)\n"
         "  --set NAME=TEXT      write a REG_SZ setting, e.g. --set TopicFolderLocation=Projects\n"
         "  --set-dword NAME=N   write a REG_DWORD setting, e.g. --set-dword ExceptionLogThreshold=4\n"
         "  --set-binary NAME=HEX|store:STORE\n"
         "                       write a REG_BINARY setting, e.g. --set-binary AppDatastore=store:Archive\n"
         "  --fault OP[@OBJECT][#N[+]][=HRESULT]\n"
         "                       make the Nth call (N from 1, default 1; N+ for every call\n"
         "                       from the Nth) of a memstore operation on objects matching\n"
         "                       OBJECT fail with HRESULT (a failure code: a name such as\n"
         "                       MAPI_E_NOT_ENOUGH_DISK or a number; default E_FAIL). OP is\n"
         "                       the method's name, as written: OpenMsgStore,\n"
         "                       GetReceiveFolder, OpenEntry, GetHierarchyTable, QueryRows,\n"
         "                       CreateMessage, SetProps, SaveChanges, ... (a wrong name lists\n"
         "                       them all); GetSession makes the client's callback fail.\n"
         "                       OBJECT is a name as the memstore ledger shows it, '*' for any\n"
         "                       run of characters (default *): Mailbox/Inbox is the Inbox\n"
         "                       folder, */associated#* every hidden message. A '#' with a\n"
         "                       number after it ends OBJECT and counts calls.\n"
         "                       Examples: --fault SaveChanges=MAPI_E_NOT_ENOUGH_DISK\n"
         "                                 --fault CreateMessage@Mailbox/Inbox#2\n"
         "                                 --fault SetProps@*/associated#*=MAPI_E_NO_ACCESS\n"
         "  --context N          the context value passed to Install (default 0)\n"
         "  --keep               keep this run's folder (registry, drives, log) and print it\n"
         "  -h, --help           this text\n"
         "\n"
         "Options of compose:\n"
         "  --current CMD        the command string the rule holds (default: empty, a new action)\n"
         "  --topic NAME         choose the topic NAME in the list (a shortened item counts)\n"
         "  --topic-index N      choose item N of the topic list (0 is <Do Not Assign>)\n"
         "  --type TEXT          type TEXT as the topic instead of choosing one\n"
         "  --no-topic           choose <Do Not Assign>\n"
         "  --file, --no-file    check or clear \"File immediately\"\n"
         "  --overwrite, --no-overwrite\n"
         "                       check or clear \"Overwrite existing topic\" (after choosing a\n"
         "                       topic, a box that is not named is cleared)\n"
         "  --priority P         very-low, low, normal, high, very-high or default\n"
         "  --ok, --cancel       how to leave the dialog (default --ok)\n"
         "  --command-size N     the client's command buffer in bytes (default 256)\n"
         "  --name-size N        the client's display-name buffer in bytes (default 256; also\n"
         "                       for name)\n"
         "  -i, --interactive    you act in the dialog: " +
         std::string(DialogIsOnScreen()
                         ? "the real dialog on the screen\n"
                         : "it is drawn in the terminal and you\n"
                           "                       type what to do; the lines come from stdin, so\n"
                           "                       they can be piped; the end of input presses Cancel\n") +
         "  Without -i, " +
         std::string(DialogIsOnScreen() ? "a scripted user works the real dialog's controls with the\n"
                                          "  clicks and keys a person would use.\n"
                                        : "a scripted user works the platform layer's headless dialog.\n") +
         "\n"
         "Options of fire:\n"
         "  --count N            fire for N new messages, 1 to " +
         std::to_string(kMaxCount) +
         " (default 1)\n"
         "\n"
         "  --                   every argument after it is a command or its argument, even one\n"
         "                       that starts with '-' (rulehost name -- -x)\n"
         "\n"
         "Exit codes:\n"
         "  0  everything went as asked\n"
         "  1  an operation answered a failure, the extension wrote outside a buffer, or\n"
         "     ExchEntryPoint gave no object\n"
         "  2  bad arguments\n"
         "  3  the library cannot be loaded\n"
         "  4  the library has no ExchEntryPoint\n"
         "  5  the mailbox file cannot be read or is not well formed\n"
         "  6  the registry cannot be prepared or a setting cannot be written\n"
         "  7  the dialog did not go as the options asked (no such topic, a disabled check\n"
         "     box, a warning instead of OK, no dialog at all)\n";
}

}  // namespace rulehost
