#include "engine/host_type.h"

#include <array>

namespace korval::engine {

namespace {
constexpr std::array<std::string_view, LastHostType - FirstHostType + 1> hostTypeNames = {
    "Automatic detect",
    "Chameleon",
    "FTP PC/TCP",
    "IBM PC TCP/IP",
    "IBM VM",
    "KA9Q/NOS",
    "NCSA/CUTCP",
    "SI NT FTPD",
    "Super TCP",
    "Unisys 5000 (EXOS)",
    "UNIX (standard)",
    "VMS MultiNet",
    "VMS UCX",
    "QVT/Net 2/3",
    "MAC NCSA",
    "MAC Peter Server",
    "Microsoft NT",
    "IBM AS/400",
    "IBM MVS",
    "PDP11 RSX11M",
    "Sun Solaris",
    "OS/9",
    "Marrowby",
    "BULL GCOS",
    "IBM MVS/KNET",
    "Amiga",
    "CDC Cyber",
    "IBM R1000",
    "BULL CP6",
    "IBM Spartacus KNET",
    "Tandem",
    "Stratus VOS",
    "HP/3000",
    "Serv-U",
    "WFTPD",
    "NetWare v4",
    "PCNFS-Pro",
    "TGV MultiNet",
    "FTP PC/TCP 3.0",
    "QVT/Net 4.0",
    "MAC VersaTerm",
};
}  // namespace

std::string_view HostTypeName(std::uint32_t hostType) {
  if (hostType < FirstHostType || hostType > LastHostType) return {};
  return hostTypeNames[hostType - FirstHostType];
}

}  // namespace korval::engine
