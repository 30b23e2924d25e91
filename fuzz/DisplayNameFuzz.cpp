// QueryCommandDisplayName with arbitrary stored strings and buffer sizes. Guard bytes
// around the client's buffer catch any write outside it; the answer is the display
// name of the decoded settings, cut to the buffer and terminated.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "action/ActionSettings.h"
#include "extension/ExchRuleExt.h"

extern "C" pellacorm::IExchangeRuleExt* WINAPI ExchEntryPoint();

namespace {

constexpr std::size_t kGuard = 32;
constexpr unsigned char kGuardByte = 0xA5;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "broken invariant: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  // Two bytes of buffer size (0 .. 2047), then the stored command, without its zero.
  const ULONG bufferSize = static_cast<ULONG>((data[0] | (data[1] << 8)) & 0x7FF);
  std::string command(reinterpret_cast<const char*>(data + 2), size - 2);
  command = command.substr(0, command.find('\0'));
  // The command as the client hands it: a heap block of its bytes and the terminator.
  std::vector<char> stored(command.begin(), command.end());
  stored.push_back('\0');
  stored.shrink_to_fit();

  std::vector<unsigned char> block(kGuard + bufferSize + kGuard, kGuardByte);
  LPSTR buffer = reinterpret_cast<LPSTR>(block.data() + kGuard);

  static pellacorm::IExchangeRuleExt* const ext = ExchEntryPoint();
  const HRESULT hr = ext->QueryCommandDisplayName(nullptr, stored.data(), buffer, bufferSize);
  if (hr != S_OK) {
    Fail("QueryCommandDisplayName failed");
  }
  for (std::size_t i = 0; i < kGuard; ++i) {
    if (block[i] != kGuardByte || block[kGuard + bufferSize + i] != kGuardByte) {
      Fail("a guard byte was overwritten");
    }
  }
  if (bufferSize == 0) {
    return 0;
  }
  const std::string expected = pellacorm::ActionSettings(command).GetDisplayName();
  const std::size_t length = expected.size() < bufferSize ? expected.size() : bufferSize - 1;
  if (std::memcmp(buffer, expected.data(), length) != 0 || buffer[length] != '\0') {
    Fail("the answer is not the display name cut to the buffer");
  }
  return 0;
}
