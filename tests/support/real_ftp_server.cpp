#include "tests/support/real_ftp_server.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/plain_ftp_client.h"

extern char** environ;

namespace korval::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* VsftpdPath = "/usr/sbin/vsftpd";
constexpr const char* PythonPath = "/usr/bin/python3";
constexpr const char* UnsharePath = "/usr/bin/unshare";
constexpr const char* SetprivPath = "/usr/bin/setpriv";
constexpr const char* TiniPath = "/usr/bin/tini";
constexpr const char* PyftpdlibScript = KORVAL_SOURCE_DIR "/tests/support/pyftpdlib_server.py";

constexpr const char* VsftpdUser = "korvaltest";
constexpr const char* VsftpdPassword = "korval-Test-8";
constexpr const char* PyftpdlibUser = "anna";
constexpr const char* PyftpdlibPassword = "secret-7";

// Ports 20000..31999 lie below Linux's ephemeral range (32768..60999), so
// neither the client's data listeners nor outgoing connections take them.
constexpr int PortRangeStart = 20000;
constexpr int PortBlockSize = 16;  // the control port and 15 passive ports
constexpr int PortBlockCount = 750;

constexpr auto StartTimeout = 10s;

// A lock shared by every process on the machine: an abstract Unix socket
// name can be bound by one socket at a time and is released when its holder
// closes it or dies, so no lock file is left behind.
UniqueFd TryNamedLock(const std::string& name) {
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return UniqueFd();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string full = "korval-test-" + name;
  std::memcpy(address.sun_path + 1, full.data(), std::min(full.size(), sizeof address.sun_path - 2));
  const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + full.size());
  if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0) return UniqueFd();
  return fd;
}

UniqueFd NamedLock(const std::string& name, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    UniqueFd lock = TryNamedLock(name);
    if (lock.Valid() || Clock::now() >= deadline) return lock;
    std::this_thread::sleep_for(20ms);
  }
}

bool PortIsFree(int port) {
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return false;
  int one = 1;
  ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

std::string ReadTail(const fs::path& path, std::size_t limit = 4000) {
  std::optional<std::string> content = ReadWholeFile(path);
  if (!content) return {};
  if (content->size() > limit) return "..." + content->substr(content->size() - limit);
  return *content;
}

// Runs a program (no shell) with `input` on its standard input; its exit
// status (-1 when it could not run), with stdout and stderr in `output`.
int RunProgram(const std::vector<std::string>& arguments, const std::string& input, std::string* output) {
  int inPipe[2], outPipe[2];
  if (::pipe2(inPipe, O_CLOEXEC) != 0) return -1;
  if (::pipe2(outPipe, O_CLOEXEC) != 0) {
    ::close(inPipe[0]);
    ::close(inPipe[1]);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 2);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawnError = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(inPipe[0]);
  ::close(outPipe[1]);
  if (spawnError == 0) {
    [[maybe_unused]] ssize_t written = ::write(inPipe[1], input.data(), input.size());
  }
  ::close(inPipe[1]);
  char buffer[1024];
  ssize_t got;
  while ((got = ::read(outPipe[0], buffer, sizeof buffer)) > 0) {
    if (output) output->append(buffer, static_cast<std::size_t>(got));
  }
  ::close(outPipe[0]);
  if (spawnError != 0) {
    if (output) *output += arguments[0] + ": " + std::strerror(spawnError);
    return -1;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool FileListsWord(const char* path, std::string_view word) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line == word) return true;
  }
  return false;
}

// Makes sure the system user vsftpd logs in exists with a known password, a
// login shell PAM accepts and an existing home directory.
bool EnsureVsftpdUser(uid_t* uid, gid_t* gid, std::string* error) {
  UniqueFd lock = NamedLock("user", 20s);
  if (!lock.Valid()) {
    *error = "timed out waiting for the lock on the test user's set-up";
    return false;
  }
  const bool root = ::geteuid() == 0;
  std::string output;
  passwd* entry = ::getpwnam(VsftpdUser);
  if (entry == nullptr) {
    if (!root) {
      *error = std::string("vsftpd logs in system users: the user \"") + VsftpdUser +
               "\" is missing and only root can create it (run the tests as root, as CI does)";
      return false;
    }
    if (RunProgram({"/usr/sbin/useradd", "--create-home", "--shell", "/bin/bash", VsftpdUser}, "", &output) != 0 &&
        ::getpwnam(VsftpdUser) == nullptr) {
      *error = "useradd " + std::string(VsftpdUser) + " failed: " + output;
      return false;
    }
    entry = ::getpwnam(VsftpdUser);
    if (entry == nullptr) {
      *error = "the user " + std::string(VsftpdUser) + " is still missing after useradd";
      return false;
    }
  }
  if (!root) {
    *error = "vsftpd must be started as root (it switches to the logged-in user); this test runs as uid " +
             std::to_string(::geteuid());
    return false;
  }
  // PAM's pam_shells wants a shell listed in /etc/shells; vsftpd changes to
  // the home directory before the chroot.
  if (!FileListsWord("/etc/shells", entry->pw_shell)) {
    output.clear();
    if (RunProgram({"/usr/sbin/usermod", "--shell", "/bin/bash", VsftpdUser}, "", &output) != 0) {
      *error = "usermod --shell /bin/bash failed: " + output;
      return false;
    }
    entry = ::getpwnam(VsftpdUser);
  }
  std::error_code ignored;
  if (!fs::is_directory(entry->pw_dir, ignored)) {
    const std::string home = "/home/" + std::string(VsftpdUser);
    if (std::string_view(entry->pw_dir) != home) {
      output.clear();
      if (RunProgram({"/usr/sbin/usermod", "--home", home, VsftpdUser}, "", &output) != 0) {
        *error = "usermod --home failed: " + output;
        return false;
      }
      entry = ::getpwnam(VsftpdUser);
    }
    fs::create_directories(home, ignored);
    if (::chown(home.c_str(), entry->pw_uid, entry->pw_gid) != 0) {
      *error = "cannot give " + home + " to " + VsftpdUser + ": " + std::strerror(errno);
      return false;
    }
  }
  if (FileListsWord("/etc/ftpusers", VsftpdUser)) {
    *error = std::string("/etc/ftpusers denies FTP to ") + VsftpdUser;
    return false;
  }
  output.clear();
  if (RunProgram({"/usr/sbin/chpasswd"}, std::string(VsftpdUser) + ":" + VsftpdPassword + "\n", &output) != 0) {
    *error = "chpasswd failed: " + output;
    return false;
  }
  *uid = entry->pw_uid;
  *gid = entry->pw_gid;
  return true;
}

// True when every directory from / down to `path` lets others pass, so the
// served user can reach a directory made there.
bool OthersCanTraverse(const fs::path& path) {
  fs::path current;
  for (const fs::path& part : fs::absolute(path)) {
    current /= part;
    struct stat info;
    if (::stat(current.c_str(), &info) != 0 || (info.st_mode & S_IXOTH) == 0) return false;
  }
  return true;
}

// The text of a /proc file; nothing when the process went away meanwhile.
// Read with plain read(): a process that exits between the open and the
// read makes the read fail (ESRCH), which a stream would throw at.
std::optional<std::string> ReadProcFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[512];
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      ::close(fd);
      if (count < 0) return std::nullopt;
      return text;
    }
    text.append(buffer, static_cast<std::size_t>(count));
  }
}

// The direct children of `pid`, from /proc; processes come and go while it
// is read, and one that is gone is simply not a child.
std::vector<pid_t> ChildrenOf(pid_t pid) {
  std::vector<pid_t> children;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return children;
  while (dirent* item = ::readdir(proc)) {
    char* end = nullptr;
    const long candidate = std::strtol(item->d_name, &end, 10);
    if (end == item->d_name || *end != '\0') continue;
    const std::optional<std::string> stat = ReadProcFile("/proc/" + std::string(item->d_name) + "/stat");
    if (!stat) continue;
    const std::string& text = *stat;
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    char state;
    long parent = 0;
    if (std::sscanf(text.c_str() + close + 1, " %c %ld", &state, &parent) == 2 && parent == pid) {
      children.push_back(static_cast<pid_t>(candidate));
    }
  }
  ::closedir(proc);
  return children;
}

// waitpid with a bound; true when `pid` was reaped.
bool ReapWithin(pid_t pid, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int status;
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    if (result == pid || (result < 0 && errno == ECHILD)) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
}

}  // namespace

// A block of consecutive loopback ports held for the server's lifetime.
struct RealFtpServer::PortBlock {
  UniqueFd lock;
  int base = 0;

  bool Reserve(std::string* error) {
    std::mt19937 random(static_cast<unsigned>(::getpid()) ^
                        static_cast<unsigned>(Clock::now().time_since_epoch().count()));
    const int first = static_cast<int>(random() % PortBlockCount);
    for (int i = 0; i < PortBlockCount; ++i) {
      const int candidate = PortRangeStart + ((first + i) % PortBlockCount) * PortBlockSize;
      UniqueFd held = TryNamedLock("ports-" + std::to_string(candidate));
      if (!held.Valid()) continue;
      bool allFree = true;
      for (int port = candidate; port < candidate + PortBlockSize && allFree; ++port) allFree = PortIsFree(port);
      if (!allFree) continue;
      lock = std::move(held);
      base = candidate;
      return true;
    }
    *error = "no free block of loopback ports in " + std::to_string(PortRangeStart) + ".." +
             std::to_string(PortRangeStart + PortBlockCount * PortBlockSize - 1);
    return false;
  }
};

std::string ServerKindName(ServerKind kind) { return kind == ServerKind::Vsftpd ? "Vsftpd" : "Pyftpdlib"; }

RealFtpServer::RealFtpServer(ServerKind kind, ServerTls tls, ServerFamily family)
    : kind_(kind),
      tls_(tls),
      family_(family),
      user_(kind == ServerKind::Vsftpd ? VsftpdUser : PyftpdlibUser),
      password_(kind == ServerKind::Vsftpd ? VsftpdPassword : PyftpdlibPassword) {}

RealFtpServer::~RealFtpServer() {
  Stop();
  directory_.reset();
}

bool RealFtpServer::Start() {
  if (Running()) return true;
  error_.clear();
  for (int attempt = 0; attempt < 3; ++attempt) {
    bool retry = false;
    if (StartOnce(&retry)) return true;
    Stop();
    if (!retry) break;
  }
  error_ = "cannot start " + ServerKindName(kind_) + ": " + error_;
  return false;
}

bool RealFtpServer::StartOnce(bool* retry) {
  std::string error;
  ports_ = std::make_unique<PortBlock>();
  if (!ports_->Reserve(&error)) {
    error_ = error;
    return false;
  }
  port_ = static_cast<std::uint16_t>(ports_->base);
  passiveMin_ = static_cast<std::uint16_t>(ports_->base + 1);
  passiveMax_ = static_cast<std::uint16_t>(ports_->base + PortBlockSize - 1);

  const bool prepared = kind_ == ServerKind::Vsftpd ? PrepareVsftpd(&error) : PreparePyftpdlib(&error);
  if (!prepared) {
    error_ = error;
    return false;
  }
  // vsftpd runs in a PID namespace of its own, so that killing the
  // namespace's first process takes every session process with it and leaves
  // no zombies. That first process is tini, which reaps orphaned session
  // processes: vsftpd itself gives up when it reaps a child it did not fork.
  const bool useNamespace = kind_ == ServerKind::Vsftpd && ::access(UnsharePath, X_OK) == 0;
  if (!Spawn(useNamespace, &error)) {
    error_ = error;
    return false;
  }
  if (WaitUntilReady(&error)) return true;
  const std::string log = ServerLog();
  if (useNamespace && log.find("unshare failed") != std::string::npos) {
    // No PID namespaces here (no privilege): run vsftpd directly.
    Stop();
    if (Spawn(false, &error) && WaitUntilReady(&error)) return true;
  }
  error_ = error + "\nserver output:\n" + ServerLog();
  *retry = log.find("bind") != std::string::npos || log.find("in use") != std::string::npos;
  return false;
}

bool RealFtpServer::MakeCertificate(const fs::path& dir, std::string* error) {
  certificateFile_ = dir / "certificate.pem";
  keyFile_ = dir / "key.pem";
  std::string output;
  // An EC key: made at once, where RSA keys take a noticeable while.
  if (RunProgram({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                  "-nodes", "-keyout", keyFile_.string(), "-out", certificateFile_.string(), "-days", "2", "-subj",
                  "/CN=localhost/O=korval tests", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"},
                 "", &output) != 0) {
    *error = "openssl req could not make a certificate: " + output;
    return false;
  }
  if (RunProgram({"/usr/bin/openssl", "x509", "-in", certificateFile_.string(), "-noout", "-fingerprint", "-sha256"},
                 "", &output) != 0 ||
      output.find('=') == std::string::npos) {
    *error = "openssl x509 gave no fingerprint: " + output;
    return false;
  }
  fingerprint_ = output.substr(output.find('=') + 1);
  while (!fingerprint_.empty() && (fingerprint_.back() == '\n' || fingerprint_.back() == '\r')) fingerprint_.pop_back();
  ::chmod(keyFile_.c_str(), 0644);  // pyftpdlib runs as the test's user; vsftpd reads it as root
  return true;
}

bool RealFtpServer::PrepareVsftpd(std::string* error) {
  if (::access(VsftpdPath, X_OK) != 0) {
    *error = std::string(VsftpdPath) + " is missing: install the Debian package vsftpd (scripts/install-deps)";
    return false;
  }
  if (::access(TiniPath, X_OK) != 0) {
    *error = std::string(TiniPath) + " is missing (it reaps vsftpd's session processes): install the Debian "
             "package tini (scripts/install-deps)";
    return false;
  }
  if (!EnsureVsftpdUser(&servedUid_, &servedGid_, error)) return false;
  const fs::path base = OthersCanTraverse(TemporaryDirectory::BaseDirectory()) ? TemporaryDirectory::BaseDirectory()
                                                                               : fs::path("/tmp");
  directory_ = std::make_unique<TemporaryDirectory>("korval-vsftpd-", base);
  if (!directory_->Valid()) {
    *error = directory_->Error();
    return false;
  }
  const fs::path& dir = directory_->Path();
  root_ = dir / "root";
  logFile_ = dir / "server.log";
  const fs::path empty = dir / "empty";
  std::error_code failure;
  fs::create_directory(root_, failure);
  fs::create_directory(empty, failure);
  // The user passes through the private directory into its root only.
  if (::chmod(dir.c_str(), 0711) != 0 || ::chmod(root_.c_str(), 0755) != 0 || ::chmod(empty.c_str(), 0755) != 0 ||
      ::chown(root_.c_str(), servedUid_, servedGid_) != 0) {
    *error = "cannot prepare " + dir.string() + ": " + std::strerror(errno);
    return false;
  }
  std::ostringstream config;
  config << "# Generated by korval's test fixture.\n"
         << (family_ == ServerFamily::Ipv6 ? "listen=NO\nlisten_ipv6=YES\nlisten_address6=::1\n"
                                           : "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\n")
         << "listen_port=" << port_ << "\n"
         << "background=NO\n"
         << "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\n"
         << "local_root=" << root_.string() << "\n"
         << "chroot_local_user=YES\nallow_writeable_chroot=YES\n"
         << "secure_chroot_dir=" << empty.string() << "\n"
         << "local_umask=022\nfile_open_mode=0666\n"
         << "pasv_enable=YES\npasv_min_port=" << passiveMin_ << "\npasv_max_port=" << passiveMax_ << "\n"
         << "port_enable=YES\nconnect_from_port_20=NO\n"
         << "ascii_upload_enable=NO\nascii_download_enable=NO\n"
         << "pam_service_name=vsftpd\nuserlist_enable=NO\n"
         << "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n"
         << "xferlog_enable=NO\nsyslog_enable=NO\ndual_log_enable=NO\n"
         << "dirmessage_enable=NO\ndelay_failed_login=0\n";
  if (tls_ != ServerTls::None) {
    if (!MakeCertificate(dir, error)) return false;
    // Logons and data in TLS only, data connections reusing the control
    // connection's TLS session (the defaults once ssl_enable is on, spelled
    // out); vsftpd's own default cipher list is one OpenSSL 3 no longer has.
    config << "ssl_enable=YES\nrsa_cert_file=" << certificateFile_.string() << "\n"
           << "rsa_private_key_file=" << keyFile_.string() << "\n"
           << "force_local_logins_ssl=YES\nforce_local_data_ssl=YES\nrequire_ssl_reuse=YES\n"
           << "ssl_ciphers=HIGH\n"
           << "implicit_ssl=" << (tls_ == ServerTls::Implicit ? "YES" : "NO") << "\n";
  }
  const fs::path configFile = dir / "vsftpd.conf";
  if (!WriteWholeFile(configFile, config.str()) || ::chmod(configFile.c_str(), 0600) != 0) {
    *error = "cannot write " + configFile.string();
    return false;
  }
  return true;
}

bool RealFtpServer::PreparePyftpdlib(std::string* error) {
  if (::access(PythonPath, X_OK) != 0) {
    *error = std::string(PythonPath) + " is missing: install python3 and python3-pyftpdlib (scripts/install-deps)";
    return false;
  }
  if (::access(PyftpdlibScript, R_OK) != 0) {
    *error = std::string("the server script is missing: ") + PyftpdlibScript;
    return false;
  }
  directory_ = std::make_unique<TemporaryDirectory>("korval-pyftpdlib-");
  if (!directory_->Valid()) {
    *error = directory_->Error();
    return false;
  }
  root_ = directory_->Path() / "root";
  logFile_ = directory_->Path() / "server.log";
  std::error_code failure;
  if (!fs::create_directory(root_, failure)) {
    *error = "cannot create " + root_.string() + ": " + failure.message();
    return false;
  }
  if (tls_ == ServerTls::Implicit) {
    *error = "pyftpdlib serves explicit TLS only";
    return false;
  }
  return tls_ == ServerTls::None || MakeCertificate(directory_->Path(), error);
}

bool RealFtpServer::Spawn(bool useNamespace, std::string* error) {
  std::vector<std::string> arguments;
  // Killed with its parent thread, so a crashed test leaves no server behind.
  if (::access(SetprivPath, X_OK) == 0) arguments = {SetprivPath, "--pdeathsig", "KILL", "--"};
  if (kind_ == ServerKind::Vsftpd) {
    if (useNamespace) {
      for (const char* word : {UnsharePath, "--pid", "--fork", "--kill-child", "--", TiniPath, "--"}) {
        arguments.push_back(word);
      }
    }
    arguments.push_back(VsftpdPath);
    arguments.push_back((directory_->Path() / "vsftpd.conf").string());
  } else {
    for (std::string word : {std::string(PythonPath), std::string(PyftpdlibScript), std::string("--port"),
                             std::to_string(port_), std::string("--root"), root_.string(), std::string("--user"),
                             user_, std::string("--password"), password_, std::string("--passive-ports"),
                             std::to_string(passiveMin_) + "-" + std::to_string(passiveMax_),
                             std::string("--host"), Host()}) {
      arguments.push_back(std::move(word));
    }
    if (tls_ == ServerTls::Explicit) {
      for (std::string word : {std::string("--certificate"), certificateFile_.string(), std::string("--key"),
                               keyFile_.string()})
        arguments.push_back(std::move(word));
    }
  }
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, logFile_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  // No descriptor of the test (sockets of other fixtures) leaks into the server.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGINT);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  const int spawnError = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawnError != 0) {
    *error = std::string("cannot run ") + argv[0] + ": " + std::strerror(spawnError);
    return false;
  }
  pid_ = pid;
  inNamespace_ = useNamespace;
  return true;
}

bool RealFtpServer::WaitUntilReady(std::string* error) {
  const auto deadline = Clock::now() + StartTimeout;
  while (Clock::now() < deadline) {
    int status;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      *error = "the server ended at once (" +
               (WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                  : "signal " + std::to_string(WTERMSIG(status))) +
               ")";
      return false;
    }
    PlainFtpClient probe;
    if (!probe.Connect(Host(), port_, 500ms)) {
      std::this_thread::sleep_for(30ms);
      continue;
    }
    if (tls_ == ServerTls::Implicit) return true;  // the greeting comes in TLS: accepting is enough
    PlainReply greeting = probe.ReadReply(3s);
    if (greeting.code != 220) {
      *error = "the server answered the connection with \"" + greeting.text + "\" instead of a 220 greeting";
      return false;
    }
    greeting_ = greeting.text.substr(0, greeting.text.find('\n'));
    probe.Command("QUIT", 1s);
    return true;
  }
  *error = "no 220 greeting on port " + std::to_string(port_) + " within " +
           std::to_string(std::chrono::duration_cast<std::chrono::seconds>(StartTimeout).count()) + " s";
  return false;
}

void RealFtpServer::Stop() {
  if (pid_ > 0) {
    if (inNamespace_) {
      // Kill the namespace's first process: the kernel then kills and reaps
      // everything in the namespace, and unshare ends by itself.
      for (pid_t child : ChildrenOf(pid_)) ::kill(child, SIGKILL);
      if (!ReapWithin(pid_, 3s)) {
        ::kill(-pid_, SIGKILL);
        ReapWithin(pid_, 3s);
      }
    } else {
      ::kill(-pid_, SIGKILL);
      ::kill(pid_, SIGKILL);
      ReapWithin(pid_, 3s);
    }
    pid_ = -1;
  }
  ports_.reset();
}

std::string RealFtpServer::ServerLog() const { return logFile_.empty() ? std::string() : ReadTail(logFile_); }

void RealFtpServer::GiveToServedUser(const fs::path& path) const {
  if (kind_ != ServerKind::Vsftpd || servedUid_ == static_cast<uid_t>(-1)) return;
  // Every component below the root, so directories made on the way are the user's too.
  fs::path current = root_;
  for (const fs::path& part : path.lexically_relative(root_)) {
    current /= part;
    [[maybe_unused]] int ignored = ::chown(current.c_str(), servedUid_, servedGid_);
  }
}

bool RealFtpServer::WriteFile(std::string_view relative, std::string_view bytes) const {
  if (root_.empty()) return false;
  const fs::path target = PathOf(relative);
  std::error_code ignored;
  fs::create_directories(target.parent_path(), ignored);
  if (!WriteWholeFile(target, bytes)) return false;
  GiveToServedUser(target);
  return true;
}

bool RealFtpServer::MakeDirectory(std::string_view relative) const {
  if (root_.empty()) return false;
  const fs::path target = PathOf(relative);
  std::error_code ignored;
  fs::create_directories(target, ignored);
  if (!fs::is_directory(target, ignored)) return false;
  GiveToServedUser(target);
  return true;
}

std::optional<std::string> RealFtpServer::ReadFile(std::string_view relative) const {
  if (root_.empty()) return std::nullopt;
  return ReadWholeFile(PathOf(relative));
}

void RealServerTest::SetUp() {
  server_ = std::make_unique<RealFtpServer>(GetParam());
  ASSERT_TRUE(server_->Start()) << server_->Error();
}

void RealServerTest::TearDown() {
  // A failed test shows what the server said about it.
  if (HasFailure() && server_) {
    std::fprintf(stderr, "--- %s server log (port %u) ---\n%s\n--- end of server log ---\n",
                 ServerKindName(server_->Kind()).c_str(), server_->Port(), server_->ServerLog().c_str());
  }
  server_.reset();
}

std::string RealServerParamName(const ::testing::TestParamInfo<ServerKind>& info) {
  return ServerKindName(info.param);
}

}  // namespace korval::testing
