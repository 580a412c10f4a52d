#pragma once
// The remote-side commands, each with its fallback for older servers: the
// X-forms (XCWD, XPWD, XMKD, XRMD, XPSV), CDUP for the parent directory, the
// bracketed subdirectory form of VMS UCX servers, and the account prompt when
// changing directory asks for one. Every operation returns the class of the
// last reply (LastReplyCode / 100: 1..5, 0 when none was seen), so a
// fallback's class replaces the first command's.
//
// The X-form rule: the X-form is sent only after a reply of exactly 500
// (command not recognised); 501, 502, 550... are final.

#include <cstddef>
#include <string>
#include <string_view>

#include "config/prompts.h"

namespace korval::engine {

// The prompt dialogs hand back at most this many characters.
using config::PromptAnswerCapacity;
// Help topics of the logon's and the commands' prompts.
constexpr int PasswordHelpContext = 80;
constexpr int FirewallPasswordHelpContext = 82;
constexpr int AccountHelpContext = 85;

int ChangeRemoteDir(int socket, std::string_view path);
// The directory text is in ReplyLine.
int PrintRemoteDir(int socket);
// The address of the 227 reply is in ReplyLine.
int EnterPassiveMode(int socket);
int MakeRemoteDir(int socket, std::string_view name);
int RemoveRemoteDir(int socket, std::string_view name);
int DeleteRemoteFile(int socket, std::string_view name);
// Whether a typed command is a listing: LIST or NLST (upper case) with or
// without arguments.
bool IsListingCommand(std::string_view text);
// A command typed by the user: a listing runs as a listing transfer into
// `listingPath` (a file of its own, never the pane's cached listing),
// anything else is sent as it stands.
int SendUserCommand(int socket, std::string_view text, const std::string& listingPath);
// LIST or NLST with its arguments, received in ASCII into the listing file
// without sounds, progress dialog or automatic mode choice. The receive's
// result; 4 when another command exchange is active.
int DoDirList(int socket, std::string_view text);
// The same into the file at `path`.
int DoDirListInto(int socket, std::string_view text, const std::string& path);

}  // namespace korval::engine
