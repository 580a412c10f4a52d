#pragma once
// The texts of the About box: the version line, the system line in this
// platform's words (kernel, threads, processors) and the free space of the
// current directory's file system.

#include <cstdint>
#include <string>
#include <string_view>

namespace korval::ui::logic {

struct SystemDescription {
  std::string KernelName;     // uname's sysname, "Linux"
  std::string KernelRelease;  // uname's release, "6.1.0-18-amd64"
  std::string Machine;        // uname's machine, "x86_64"
  unsigned Processors = 1;
  bool Threaded = true;       // a worker thread can run beside the window
};

// "<version> <build date>".
std::string AboutVersionLine(std::string_view version, std::string_view buildDate);
// "Linux 6.1.0 (threaded) - 2 x86_64 CPUs": the kernel, "(threaded)" when
// threads are available, the processor count and the machine ("unknown"
// when it has no name), "CPU" for one and "CPUs" for several.
std::string AboutSystemLine(const SystemDescription& system);
// "%lu KB Free" from the free blocks and their size in bytes.
std::string AboutFreeSpaceLine(std::uint64_t freeBlocks, std::uint64_t blockSize);

// This machine's description and the free space where the program stands.
SystemDescription CurrentSystem();
std::string CurrentFreeSpaceLine();

}  // namespace korval::ui::logic
