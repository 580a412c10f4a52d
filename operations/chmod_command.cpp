#include "operations/chmod_command.h"

#include <algorithm>
#include <string>
#include <vector>

#include "config/prompts.h"
#include "engine/command_engine.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "listing/selection.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::operations {

namespace {

// "SITE " and the chmod text must fit on one command line.
constexpr std::size_t ChmodTextCapacity =
    std::min<std::size_t>(config::PromptTextCapacity, engine::CommandCapacity - 5);

constexpr const char* ChmodFailed = "Chmod failed. It may not be supported on remote host.";

// Success first, then the classes in the order they hurt more; nothing valid
// read (a lost connection) is the worst.
int Severity(int replyClass) {
  switch (replyClass) {
    case 2: return 0;
    case 1: return 1;
    case 3: return 2;
    case 4: return 3;
    case 5: return 4;
    default: return 5;
  }
}

int Worse(int left, int right) { return Severity(right) > Severity(left) ? right : left; }

// A name the command line cannot hold counts as refused, as a server would.
constexpr int NameDoesNotFit = 5;

}  // namespace

int ChmodCommand(const listing::PaneList& remoteList) {
  platform::Host& host = platform::CurrentHost();
  host.SetPromptHelpContext(config::ChmodHelpContext);
  // Only what the nine boxes can express is taken from the dialog.
  const int bits =
      config::ChmodBitsFromBoxes(config::ChmodBoxesFromBits(host.RunChmodDialog(config::ChmodBits())));
  host.SetPromptHelpContext(0);
  if (bits == 0) return 0;
  config::ChmodBits() = bits;

  const std::string prefix = platform::FormatTruncated(ChmodTextCapacity, "chmod %u ", static_cast<unsigned>(bits));
  const int socket = engine::TheSession().ControlSocket;
  const std::vector<listing::PaneItem> selected = listing::ReadSelectedEntries(remoteList);
  if (selected.empty()) {
    config::PromptHelpContext() = config::ChmodHelpContext;
    std::string answer = prefix;
    if (config::AskText(&answer, "Enter CHMOD string:") == 0) return 0;
    const int result = engine::SendCommand(socket, "SITE %s", answer.c_str());
    if (result != 2) engine::LogMessage(ChmodFailed);
    return result;
  }

  // One command a name: servers read every word after the bits as one path.
  int worst = 2;
  for (const listing::PaneItem& item : selected) {
    if (prefix.size() + item.Name.size() > ChmodTextCapacity) {
      engine::LogPrintf("Chmod skipped, the name does not fit on the command line: %s", item.Name.c_str());
      worst = Worse(worst, NameDoesNotFit);
      continue;
    }
    const int result = engine::SendCommand(socket, "SITE %s%s", prefix.c_str(), item.Name.c_str());
    worst = Worse(worst, result);
    if (result != 2) engine::LogPrintf("%s (%s)", ChmodFailed, item.Name.c_str());
    // A lost connection answers no further name.
    if (result == 0 || engine::TheSession().LastReplyCode == 421 || engine::TheSession().ControlSocket == -1) break;
  }
  return worst;
}

}  // namespace korval::operations
