// The text parsers of a transfer's replies: the address of a 227 reply, the
// PORT command built from an address, and the size a 150 reply announces.

#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "engine/data_connection.h"
#include "engine/transfer_progress.h"
#include "tests/fuzz/fuzz_support.h"

using namespace korval;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  engine::PassiveAddress address = engine::ParsePassiveReply(text);
  if (address.result == engine::PassiveAddress::Parse::Ok) {
    // The port bytes are range-checked (the address is not: the data
    // connection goes to the control connection's peer anyway).
    if (address.numbers[4] > 255 || address.numbers[5] > 255 || address.Port() > 65535) std::abort();
    if (address.AddressText().empty()) std::abort();
  }
  if (engine::SizeFromReplyText(text) < 0) std::abort();

  if (size >= 12) {
    sockaddr_in control{}, listener{};
    control.sin_family = listener.sin_family = AF_INET;
    std::memcpy(&control.sin_addr, data, 4);
    std::memcpy(&control.sin_port, data + 4, 2);
    std::memcpy(&listener.sin_addr, data + 6, 4);
    std::memcpy(&listener.sin_port, data + 10, 2);
    const std::string command = engine::PortCommandFor(control, listener);
    // What PORT announces reads back as the same address and port.
    engine::PassiveAddress back = engine::ParsePassiveReply("227 (" + command.substr(5) + ")");
    if (back.result != engine::PassiveAddress::Parse::Ok) std::abort();
    const std::uint8_t* expected = (data[0] == 0) ? data + 6 : data;
    for (int i = 0; i < 4; ++i)
      if (back.numbers[i] != expected[i]) std::abort();
    if (back.Port() != ntohs(listener.sin_port)) std::abort();
  }
  return 0;
}
