#include "listing/host_type.h"

#include <array>

namespace korval::listing {

namespace {
// Entry N is the name of type 6000 + N.
constexpr std::array<std::string_view, HostTypeCount> hostTypeNames = {
    "Automatic detect",   "Chameleon",        "FTP PC/TCP",         "IBM PC TCP/IP",
    "IBM VM",             "KA9Q/NOS",         "NCSA/CUTCP",         "SI NT FTPD",
    "Super TCP",          "Unisys 5000 (EXOS)", "UNIX (standard)",  "VMS MultiNet",
    "VMS UCX",            "QVT/Net 2/3",      "MAC NCSA",           "MAC Peter Server",
    "Microsoft NT",       "IBM AS/400",       "IBM MVS",            "PDP11 RSX11M",
    "Sun Solaris",        "OS/9",             "Marrowby",           "BULL GCOS",
    "IBM MVS/KNET",       "Amiga",            "CDC Cyber",          "IBM R1000",
    "BULL CP6",           "IBM Spartacus KNET", "Tandem",           "Stratus VOS",
    "HP/3000",            "Serv-U",           "WFTPD",              "NetWare v4",
    "PCNFS-Pro",          "TGV MultiNet",     "FTP PC/TCP 3.0",     "QVT/Net 4.0",
    "MAC VersaTerm",
};
}  // namespace

std::string_view HostTypeName(std::uint32_t value) {
  if (!IsKnownHostType(value)) return {};
  return hostTypeNames[value - FirstHostType];
}

}  // namespace korval::listing
