#pragma once
// Batch mode in the terminal: the one transfer the command line names, run
// to its end with an exit status a script can trust (0 done, 1 logon or
// transfer failed, 2 command line not understood).

#include <string_view>

#include "platform/console_host.h"

namespace korval::app {

constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitNotUnderstood = 2;

// Runs the transfer of `rest`, the command line after its options (the
// source and destination may also come from -s and -d), with `host` as the
// terminal. A remote directory as the source is listed on standard output.
int RunTerminalBatch(platform::ConsoleHost& host, std::string_view rest);

}  // namespace korval::app
