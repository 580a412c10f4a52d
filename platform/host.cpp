#include "platform/host.h"

#include <atomic>

namespace korval::platform {

namespace {
Host quietHost;
std::atomic<Host*> installedHost{nullptr};
}  // namespace

Host& CurrentHost() {
  Host* host = installedHost.load();
  return host ? *host : quietHost;
}

void SetHost(Host* host) { installedHost.store(host); }

}  // namespace korval::platform
