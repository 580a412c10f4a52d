#pragma once
// The "FTP Commands" menu: CWD, HELP, SYST, SITE, LIST, MKD, NLST, PWD,
// QUOTE, RETR, RMD and STOR as the user asks for them.
//
// Every entry sends on the control connection, so none runs while that
// connection is not the GUI thread's to use (a selection worker or the edit
// job owns it, or a command of this thread still waits for its reply): it is
// refused with "command in process, ignored" before any prompt, and nothing
// goes out. A typed LIST or NLST is received into a "DSP" file of its own and
// shown in the viewer; the remote pane's cached listing stays as it was. A
// directory change the server accepts (CWD, or a QUOTE of CWD, CDUP, XCWD
// or XCUP) lists the remote pane again, so the pane always shows the
// directory the next command acts in.

namespace korval::operations {

constexpr int FtpCwdCommand = 1301;
constexpr int FtpHelpCommand = 1303;
constexpr int FtpSystCommand = 1304;
constexpr int FtpSiteCommand = 1305;
constexpr int FtpListCommand = 1306;
constexpr int FtpMkdCommand = 1307;
constexpr int FtpNlstCommand = 1308;
constexpr int FtpPwdCommand = 1309;
constexpr int FtpQuoteCommand = 1310;
constexpr int FtpRetrCommand = 1311;
constexpr int FtpRmdCommand = 1312;
constexpr int FtpStorCommand = 1314;

// Help topics of the menu's prompts.
constexpr int SiteHelpContext = 700;
constexpr int QuoteHelpContext = 710;

// Whether the GUI thread may use the control connection now; when not,
// "command in process, ignored" is logged.
bool ConnectionFreeForCommand();

// Runs the menu entry `commandId` (unknown ids do nothing).
void RunFtpCommand(int commandId);

}  // namespace korval::operations
