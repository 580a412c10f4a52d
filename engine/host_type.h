#pragma once
// The remote host types: the server kinds whose listings and command variants
// the client knows. The number is what profiles store (key TYPE) and what all
// code compares against; 6000 asks the client to recognise the server itself.

#include <cstdint>
#include <string_view>

namespace korval::engine {

enum class HostType : std::uint32_t {
  AutomaticDetect = 6000,  // "Automatic detect"
  Chameleon = 6001,  // "Chameleon"
  FtpPcTcp = 6002,  // "FTP PC/TCP"
  IbmPcTcpIp = 6003,  // "IBM PC TCP/IP"
  IbmVm = 6004,  // "IBM VM"
  Ka9qNos = 6005,  // "KA9Q/NOS"
  NcsaCutcp = 6006,  // "NCSA/CUTCP"
  SiNtFtpd = 6007,  // "SI NT FTPD"
  SuperTcp = 6008,  // "Super TCP"
  Unisys5000 = 6009,  // "Unisys 5000 (EXOS)"
  Unix = 6010,  // "UNIX (standard)"
  VmsMultiNet = 6011,  // "VMS MultiNet"
  VmsUcx = 6012,  // "VMS UCX"
  QvtNet23 = 6013,  // "QVT/Net 2/3"
  MacNcsa = 6014,  // "MAC NCSA"
  MacPeterServer = 6015,  // "MAC Peter Server"
  MicrosoftNt = 6016,  // "Microsoft NT"
  IbmAs400 = 6017,  // "IBM AS/400"
  IbmMvs = 6018,  // "IBM MVS"
  Pdp11Rsx11m = 6019,  // "PDP11 RSX11M"
  SunSolaris = 6020,  // "Sun Solaris"
  Os9 = 6021,  // "OS/9"
  Marrowby = 6022,  // "Marrowby"
  BullGcos = 6023,  // "BULL GCOS"
  IbmMvsKnet = 6024,  // "IBM MVS/KNET"
  Amiga = 6025,  // "Amiga"
  CdcCyber = 6026,  // "CDC Cyber"
  IbmR1000 = 6027,  // "IBM R1000"
  BullCp6 = 6028,  // "BULL CP6"
  IbmSpartacusKnet = 6029,  // "IBM Spartacus KNET"
  Tandem = 6030,  // "Tandem"
  StratusVos = 6031,  // "Stratus VOS"
  Hp3000 = 6032,  // "HP/3000"
  ServU = 6033,  // "Serv-U"
  Wftpd = 6034,  // "WFTPD"
  NetWare4 = 6035,  // "NetWare v4"
  PcnfsPro = 6036,  // "PCNFS-Pro"
  TgvMultiNet = 6037,  // "TGV MultiNet"
  FtpPcTcp30 = 6038,  // "FTP PC/TCP 3.0"
  QvtNet40 = 6039,  // "QVT/Net 4.0"
  MacVersaTerm = 6040,  // "MAC VersaTerm"
};

constexpr std::uint32_t FirstHostType = 6000;
constexpr std::uint32_t LastHostType = 6040;

// The display name of a host type number ("Automatic detect", ...); an
// unknown number has none (empty).
std::string_view HostTypeName(std::uint32_t hostType);
inline std::string_view HostTypeName(HostType hostType) { return HostTypeName(static_cast<std::uint32_t>(hostType)); }

constexpr std::uint32_t HostTypeNumber(HostType hostType) { return static_cast<std::uint32_t>(hostType); }

}  // namespace korval::engine
