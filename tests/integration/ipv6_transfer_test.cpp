// IPv6 on ::1 against vsftpd (listen_ipv6) and pyftpdlib: passive transfers
// by EPSV, active ones by EPRT, listings, and the program itself given a
// bracketed URL. Where ::1 cannot be bound the tests say so and skip.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "config/program_settings.h"
#include "engine/file_transfer.h"
#include "engine/ftp_commands.h"
#include "engine/listing_file.h"
#include "engine/session.h"
#include "tests/support/local_sockets.h"
#include "tests/support/logged_on_session.h"
#include "tests/support/program_run.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using testing::LoggedOnSession;
using testing::RealFtpServer;
using testing::ServerFamily;
using testing::ServerKind;
using testing::ServerTls;
using ::testing::HasSubstr;

class Ipv6TransferTest : public ::testing::TestWithParam<ServerKind> {
 protected:
  void SetUp() override {
    if (!testing::Ipv6LoopbackUsable()) GTEST_SKIP() << "::1 cannot be bound on this machine: IPv6 not tested";
    config::Settings().Verbose = 1;  // the "[" lines show the data connections
    server_ = std::make_unique<RealFtpServer>(GetParam(), ServerTls::None, ServerFamily::Ipv6);
    ASSERT_TRUE(server_->Start()) << server_->Error();
  }
  RealFtpServer& Server() { return *server_; }
  testing::LogonTarget Target(bool passive) {
    return {Server().Host(), Server().Port(), Server().User(), Server().Password(), passive};
  }
  std::string Local(std::string_view name) { return local_.FilePath(name).string(); }
  // The log from line `mark_` on.
  std::vector<std::string> LogSinceMark() {
    std::vector<std::string> lines = host_.LogWindowLines();
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(mark_, lines.size())));
    return lines;
  }
  void Mark() { mark_ = host_.LogWindowLines().size(); }
  bool LoggedStartingWith(std::string_view start) {
    const std::vector<std::string> lines = LogSinceMark();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
  }
  bool LoggedContaining(std::string_view part) {
    const std::vector<std::string> lines = LogSinceMark();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
  }
  bool Logged(std::string_view wanted) {
    const std::vector<std::string> lines = LogSinceMark();
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
  }
  std::size_t mark_ = 0;

  testing::EngineState state_;
  testing::ScriptedHost host_;
  testing::ScopedHost installed_{host_};
  testing::TemporaryDirectory local_;
  std::unique_ptr<RealFtpServer> server_;
};

struct ModeCase {
  bool passive;
  const char* command;  // what opens the data connections
  const char* reply;    // its positive reply's code
};

TEST_P(Ipv6TransferTest, FilesAndListingsMoveInBothModes) {
  const std::string content = testing::PatternBytes(7, 3 * 1024 * 1024 + 11);
  ASSERT_TRUE(Server().WriteFile("big.bin", content));
  for (const ModeCase& c : {ModeCase{true, "EPSV", "229 "}, ModeCase{false, "EPRT |2|::1|", "200 "}}) {
    SCOPED_TRACE(c.command);
    Mark();
    LoggedOnSession session(Target(c.passive));
    ASSERT_TRUE(session.Ok());
    EXPECT_TRUE(TheSession().ServerAddress.IsIpv6());
    EXPECT_TRUE(Logged("connecting to ::1 ..."));

    std::filesystem::remove(Local("got.bin"));
    EXPECT_EQ(ReceiveFile(session.Socket(), "RETR big.bin", Local("got.bin"), 'I'), 2);
    EXPECT_EQ(local_.ReadFile("got.bin"), content);
    const std::string back = c.passive ? "back-passive.bin" : "back-active.bin";
    EXPECT_EQ(SendFile(session.Socket(), "STOR " + back, Local("got.bin"), 'I'), 2);
    EXPECT_EQ(Server().ReadFile(back), content);

    engine::SetListingFile(Local("DIR0001.TMP"));
    EXPECT_EQ(DoDirList(session.Socket(), "LIST"), 2);
    std::optional<std::string> listing = local_.ReadFile("DIR0001.TMP");
    ASSERT_TRUE(listing.has_value());
    EXPECT_THAT(*listing, HasSubstr("big.bin"));
    EXPECT_THAT(*listing, HasSubstr(back));

    EXPECT_TRUE(LoggedStartingWith(c.command));
    EXPECT_TRUE(LoggedStartingWith(c.reply));
    EXPECT_FALSE(LoggedStartingWith("PASV"));
    EXPECT_FALSE(LoggedStartingWith("PORT "));
    // Data connections only with the server's own address.
    if (c.passive) {
      EXPECT_TRUE(LoggedStartingWith("connecting to [::1]:"));
    } else {
      EXPECT_TRUE(LoggedContaining("] accept from ::1 port "));
      EXPECT_FALSE(LoggedStartingWith("[x] data connection from"));
    }
  }
}

TEST_P(Ipv6TransferTest, TheProgramTakesABracketedUrl) {
  const std::string content = testing::PatternBytes(3, 200000);
  ASSERT_TRUE(Server().WriteFile("data.bin", content));
  ASSERT_TRUE(local_.CreateDirectory("config"));
  ASSERT_TRUE(local_.WriteFile("test.ini", "[_config_]\nBELL=0\n"));
  const std::string url = "ftp://" + Server().User() + ":" + Server().Password() + "@[::1]:" +
                          std::to_string(Server().Port()) + "/data.bin";
  testing::ProgramRun run{testing::KorvalProgramPath(),
                          {"-i", Local("test.ini"), url, "local:got.bin"},
                          local_.Path().string(),
                          {"HOME=" + local_.Path().string(), "XDG_CONFIG_HOME=" + Local("config")}};

  testing::ProgramResult result = testing::RunProgram(run);

  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(local_.ReadFile("got.bin"), content);
}

INSTANTIATE_TEST_SUITE_P(, Ipv6TransferTest, ::testing::Values(ServerKind::Vsftpd, ServerKind::Pyftpdlib),
                         testing::RealServerParamName);

}  // namespace
}  // namespace korval::engine
