// One run of rulehost: prepares the registry, the drives and the mailbox, loads the
// extension, drives it as the client would for the chosen command and reports.
#pragma once

#include "Options.h"

namespace rulehost {

// Runs the command of `options` and answers the exit code. Throws HostError for the
// failures that end a run early (bad mailbox, library not loadable, ...).
int RunHost(const Options& options);

}  // namespace rulehost
