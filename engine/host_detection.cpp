#include "engine/host_detection.h"

#include <string>

#include "engine/command_engine.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::engine {

namespace {

struct PatternRow {
  std::string_view pattern;
  HostType type;
};

// First matching row wins; every test is a case-sensitive substring search.
constexpr PatternRow greetingTable[] = {
    {"Spartacus KNET", HostType::IbmSpartacusKnet},
    {"NetWare v4", HostType::NetWare4},
    {"Serv-U FTP", HostType::ServU},
    {" WFTPD ", HostType::Wftpd},
    {"Novell LAN W", HostType::SuperTcp},
    {"(EXOS", HostType::Unisys5000},
    {"VersaTerm ", HostType::MacVersaTerm},
    {"KNET/MVS", HostType::IbmMvsKnet},
    {"RSX", HostType::Pdp11Rsx11m},
    {"N1BEE", HostType::Ka9qNos},
    {"IBM OS/2 TCP/IP", HostType::IbmPcTcpIp},
    {" hobbes ", HostType::QvtNet23},
    {" OS-9 ", HostType::Os9},
    {"GCOS", HostType::BullGcos},
    {"BULL", HostType::BullGcos},
    {"Amiga ", HostType::Amiga},
    {"JNOS", HostType::Ka9qNos},
    {"Rational FTP", HostType::IbmR1000},
    {"CP-6 FTP", HostType::BullCp6},
    {"DOS FTP Server 3.", HostType::FtpPcTcp30},
};

// Patterns in lower case, tested against the lower-cased SYST line. The
// "vms" row is resolved in code: MultiNet or UCX.
constexpr PatternRow systTable[] = {
    {"windows_nt", HostType::MicrosoftNt},
    {"netware v4", HostType::NetWare4},
    {" pc ", HostType::Marrowby},
    {"versaterm ", HostType::MacVersaTerm},
    {"macos peter", HostType::MacPeterServer},
    {"os/2 operating", HostType::IbmPcTcpIp},
    {"ultrix", HostType::Unix},
    {"unix", HostType::Unix},
    {"mvs", HostType::IbmMvs},
    {"qvt/net 4", HostType::QvtNet40},
    {"qvt", HostType::QvtNet23},
    {"ncsa", HostType::NcsaCutcp},
    {"chameleon", HostType::Chameleon},
    {"netmanage", HostType::Chameleon},
    {"windows [multinet", HostType::TgvMultiNet},
    {"vms", HostType::VmsUcx},
    {"os/400", HostType::IbmAs400},
    {" mts sys", HostType::IbmPcTcpIp},
    {" vm is ", HostType::IbmVm},
    {"vos", HostType::StratusVos},
    {"tandem", HostType::Tandem},
    {"dos ftp server 3.", HostType::FtpPcTcp30},
};

bool Contains(std::string_view text, std::string_view pattern) { return text.find(pattern) != std::string_view::npos; }

const char* NameOf(std::uint32_t type) {
  const std::string_view name = HostTypeName(type);
  return name.empty() ? "unknown" : name.data();  // the names are literals, so terminated
}

void SetAllCapabilities(engine::Session& session, bool value) {
  session.CanMkd = session.CanRmd = session.CanRename = session.CanDelete = value;
}

// Sends HELP and reads its reply line by line: the first line names the type,
// the lines up to the final one name the commands the server knows. Returns
// false when HELP could not be sent at all.
bool ProbeWithHelp(int controlSocket) {
  engine::Session& session = engine::TheSession();
  if (session.CommandActive.exchange(true)) return false;  // another exchange owns the connection
  engine::LogMessage("HELP");
  if (engine::SendLine(controlSocket, "HELP") == -1) {
    session.CommandActive = false;
    return false;
  }
  int code = engine::ReadReplyLine(controlSocket);
  engine::LogMessage(session.ReplyLine);
  session.LastReplyCode = (code >= 100 && code <= 599) ? code : session.LastReplyCode;

  HostType type = HostTypeFromHelpLine(session.ReplyLine);
  session.HostType = HostTypeNumber(type);
  engine::LogPrintf("Host type (3): %s", NameOf(session.HostType));

  // Until the final line of the reply (a 2xx code without '-'), or until the
  // reader fails or times out (421).
  while (code != 421 && ((code < 200 || code > 299) || (session.ReplyLine.size() > 3 && session.ReplyLine[3] == '-'))) {
    const std::string& line = session.ReplyLine;
    if (Contains(line, "MKD")) session.CanMkd = true;
    if (Contains(line, "RMD")) session.CanRmd = true;
    if (Contains(line, "RNFR")) session.CanRename = true;
    if (Contains(line, "DELE")) session.CanDelete = true;
    code = engine::ReadReplyLine(controlSocket);
    engine::LogMessage(session.ReplyLine);
  }
  if (code == 421) session.LastReplyCode = 421;
  session.CommandActive = false;
  return true;
}

}  // namespace

HostType HostTypeFromGreeting(std::string_view line) {
  for (const PatternRow& row : greetingTable)
    if (Contains(line, row.pattern)) return row.type;
  return HostType::AutomaticDetect;
}

HostType HostTypeFromSystReply(std::string_view line) {
  const std::string lower = platform::ToLowerAscii(line);
  for (const PatternRow& row : systTable) {
    if (!Contains(lower, row.pattern)) continue;
    if (row.type == HostType::VmsUcx && Contains(lower, "multinet")) return HostType::VmsMultiNet;
    return row.type;
  }
  return HostType::AutomaticDetect;
}

HostType HostTypeFromHelpLine(std::string_view firstLine) {
  if (Contains(firstLine, "NCSA") || Contains(firstLine, "CUTCP")) return HostType::NcsaCutcp;
  if (Contains(firstLine, "MACB")) return HostType::MacNcsa;
  if (firstLine.substr(0, 17) == "214-PC FTP server" || Contains(firstLine, "QVT")) return HostType::QvtNet23;
  return HostType::Unix;
}

HostType DetectHostFromGreeting(std::string_view line) {
  engine::Session& session = engine::TheSession();
  if (session.HostType == HostTypeNumber(HostType::AutomaticDetect)) {
    HostType found = HostTypeFromGreeting(line);
    if (found != HostType::AutomaticDetect) {
      session.HostType = HostTypeNumber(found);
      engine::LogPrintf("Host type (1): %s", NameOf(session.HostType));
    }
  }
  return static_cast<HostType>(session.HostType);
}

void GreetingLineSeen(std::string_view line) { DetectHostFromGreeting(line); }

void DetectHostType(int controlSocket) {
  engine::Session& session = engine::TheSession();
  constexpr std::uint32_t automatic = HostTypeNumber(HostType::AutomaticDetect);
  SetAllCapabilities(session, false);
  session.UseCdup = true;

  const bool automaticOnEntry = session.HostType == automatic;
  bool systAnswered = false;
  if (automaticOnEntry && engine::SendCommand(controlSocket, "SYST") == 2) {
    systAnswered = true;
    // Tested on the line as received: "rsx" in lower case is not RSX-11M.
    if (Contains(session.ReplyLine, "RSX")) {
      // Ends here, unsettled: the next listing runs detection again with the
      // type already known, and only then are the buttons updated.
      session.HostType = HostTypeNumber(HostType::Pdp11Rsx11m);
      session.CanDelete = true;
      return;
    }
    HostType found = HostTypeFromSystReply(session.ReplyLine);
    if (found != HostType::AutomaticDetect) {
      session.HostType = HostTypeNumber(found);
      engine::LogPrintf("Host type (2): %s", NameOf(session.HostType));
    }
  }
  if (!automaticOnEntry || !systAnswered) engine::LogPrintf("Host type (I): %s", NameOf(session.HostType));

  switch (static_cast<HostType>(session.HostType)) {
    case HostType::Ka9qNos:
      session.CanMkd = session.CanRmd = session.CanDelete = true;
      session.UseCdup = false;
      break;
    case HostType::CdcCyber:
      session.CanDelete = true;
      session.UseCdup = false;
      break;
    case HostType::IbmR1000:
    case HostType::BullCp6:
      session.CanDelete = true;
      break;
    case HostType::AutomaticDetect:
      // HELP decides the type and the flags; a HELP that cannot even be sent
      // leaves the type automatic and assumes every command.
      if (!ProbeWithHelp(controlSocket)) SetAllCapabilities(session, true);
      break;
    default:
      SetAllCapabilities(session, true);
      break;
  }
  if (session.HostType == HostTypeNumber(HostType::IbmVm)) session.CanDelete = session.CanRename = true;

  platform::Host& host = platform::CurrentHost();
  host.EnableControl(RemoteMkDirButton, session.CanMkd);
  host.EnableControl(RemoteRenameButton, session.CanRename);
  host.EnableControl(RemoteDeleteButton, session.CanDelete);
  session.HostTypeSettled = true;
}

}  // namespace korval::engine
