#pragma once
// Server types. The number is what a profile's TYPE key stores and what the
// session's HostType holds; it selects the listing rules and a few command
// variants. 6000 asks for automatic detection.

#include <cstdint>
#include <string_view>

namespace korval::listing {

enum class HostType : std::uint32_t {
  AutomaticDetect = 6000,
  Chameleon = 6001,
  FtpPcTcp = 6002,
  IbmPcTcpIp = 6003,
  IbmVm = 6004,
  Ka9qNos = 6005,
  NcsaCutcp = 6006,
  SiNtFtpd = 6007,
  SuperTcp = 6008,
  Unisys5000Exos = 6009,
  UnixStandard = 6010,
  VmsMultiNet = 6011,
  VmsUcx = 6012,
  QvtNet23 = 6013,
  MacNcsa = 6014,
  MacPeterServer = 6015,
  MicrosoftNt = 6016,
  IbmAs400 = 6017,
  IbmMvs = 6018,
  Pdp11Rsx11m = 6019,
  SunSolaris = 6020,
  Os9 = 6021,
  Marrowby = 6022,
  BullGcos = 6023,
  IbmMvsKnet = 6024,
  Amiga = 6025,
  CdcCyber = 6026,
  IbmR1000 = 6027,
  BullCp6 = 6028,
  IbmSpartacusKnet = 6029,
  Tandem = 6030,
  StratusVos = 6031,
  Hp3000 = 6032,
  ServU = 6033,
  Wftpd = 6034,
  NetWareV4 = 6035,
  PcnfsPro = 6036,
  TgvMultiNet = 6037,
  FtpPcTcp30 = 6038,
  QvtNet40 = 6039,
  MacVersaTerm = 6040,
};

constexpr std::uint32_t FirstHostType = 6000;
constexpr std::uint32_t LastHostType = 6040;
constexpr int HostTypeCount = 41;

constexpr std::uint32_t ToNumber(HostType type) { return static_cast<std::uint32_t>(type); }
constexpr bool IsKnownHostType(std::uint32_t value) { return value >= FirstHostType && value <= LastHostType; }

// The display name of a type: "Automatic detect", "Chameleon", ... An unknown
// number (a hand-edited TYPE) has no name: the result is empty.
std::string_view HostTypeName(std::uint32_t value);
inline std::string_view HostTypeName(HostType type) { return HostTypeName(ToNumber(type)); }

}  // namespace korval::listing
