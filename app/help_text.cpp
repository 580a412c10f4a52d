#include "app/help_text.h"

namespace korval::app {

const char* const HelpText =
    "Usage: korval [options] host:full_path [local:full_path]   receive a file\n"
    "       korval [options] local:full_path host:full_path     send a file\n"
    "       korval [options] ftp://[user[:password]@]host[:port]/path [local:path]\n"
    "       korval [options] -ask                               ask for the line\n"
    "\n"
    "Options:\n"
    "  -i inifile      use this configuration file instead of KORVAL.INI\n"
    "  -p profile      log on with this session profile of KORVAL.INI\n"
    "  -u userid       log on as this user\n"
    "  -w password     with this password\n"
    "  -c account      with this account (sent by ACCT when the server asks)\n"
    "  -s source       the source, as an option\n"
    "  -d destination  the destination, as an option\n"
    "  -ascii          transfer as text, converting line ends\n"
    "  -binary         transfer the bytes unchanged\n"
    "  -quiet          no failure messages and no progress meter\n"
    "  -v              show the FTP dialogue on standard error as it happens\n"
    "  -ask            ask for the command line\n"
    "  --help          show this text\n"
    "\n"
    "The local name of a receive defaults to the remote one, in the current\n"
    "directory. A host that names a profile section of KORVAL.INI (one with a\n"
    "HOST key) logs on with that profile's host, user, password, port and\n"
    "firewall switch; any other host is logged on to anonymously unless -u, -w\n"
    "or the URL say otherwise. A remote directory as the source is listed on\n"
    "standard output.\n"
    "\n"
    "Exit status: 0 success, 1 logon or transfer failed, 2 command line not\n"
    "understood.\n"
    "\n"
    "See korval(1) for the files korval reads and writes, and examples.\n";

}  // namespace korval::app
