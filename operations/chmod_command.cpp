#include "operations/chmod_command.h"

#include <algorithm>
#include <string>

#include "config/prompts.h"
#include "engine/command_engine.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "listing/selection.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::operations {

namespace {

// "SITE " and the chmod text must fit on one command line; names that would
// overflow it are left out, as names beyond the text's own limit are.
constexpr std::size_t ChmodTextCapacity =
    std::min<std::size_t>(config::PromptTextCapacity, engine::CommandCapacity - 5);

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

  std::string text = platform::FormatTruncated(ChmodTextCapacity, "chmod %u ", static_cast<unsigned>(bits));
  const int socket = engine::TheSession().ControlSocket;
  int result = 0;
  if (listing::JoinSelectedNames(remoteList, text, ChmodTextCapacity) > 0) {
    result = engine::SendCommand(socket, "SITE %s", text.c_str());
  } else {
    config::PromptHelpContext() = config::ChmodHelpContext;
    std::string answer = text;
    if (config::AskText(&answer, "Enter CHMOD string:") == 0) return 0;
    result = engine::SendCommand(socket, "SITE %s", answer.c_str());
  }
  if (result != 2) engine::LogMessage("Chmod failed. It may not be supported on remote host.");
  return result;
}

}  // namespace korval::operations
