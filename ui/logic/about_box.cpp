#include "ui/logic/about_box.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "platform/text.h"

namespace korval::ui::logic {

std::string AboutVersionLine(std::string_view version, std::string_view buildDate) {
  return std::string(version) + " " + std::string(buildDate);
}

std::string AboutSystemLine(const SystemDescription& system) {
  std::string line = system.KernelName.empty() ? std::string("unknown") : system.KernelName;
  if (!system.KernelRelease.empty()) line += " " + system.KernelRelease;
  line += " ";
  if (system.Threaded) line += "(threaded) ";
  const unsigned processors = system.Processors == 0 ? 1 : system.Processors;
  line += "- " + std::to_string(processors) + " ";
  line += system.Machine.empty() ? std::string("unknown") : system.Machine;
  line += processors == 1 ? " CPU" : " CPUs";
  return line;
}

std::string AboutFreeSpaceLine(std::uint64_t freeBlocks, std::uint64_t blockSize) {
  // Sizes in whole kilobytes are divided first, so no product overflows.
  const std::uint64_t kilobytes =
      blockSize % 1024 == 0 ? freeBlocks * (blockSize / 1024) : freeBlocks * blockSize / 1024;
  return platform::FormatTruncated(63, "%llu KB Free", static_cast<unsigned long long>(kilobytes));
}

SystemDescription CurrentSystem() {
  SystemDescription system;
  utsname names{};
  if (::uname(&names) == 0) {
    system.KernelName = names.sysname;
    system.KernelRelease = names.release;
    system.Machine = names.machine;
  }
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  system.Processors = online > 0 ? static_cast<unsigned>(online) : std::max(1u, std::thread::hardware_concurrency());
  system.Threaded = true;
  return system;
}

std::string CurrentFreeSpaceLine() {
  struct statvfs space {};
  if (::statvfs(".", &space) != 0) return AboutFreeSpaceLine(0, 1024);
  return AboutFreeSpaceLine(space.f_bavail, space.f_frsize != 0 ? space.f_frsize : space.f_bsize);
}

}  // namespace korval::ui::logic
