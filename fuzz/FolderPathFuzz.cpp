// The folder-path functions on arbitrary bytes and limits, in code pages 1252 and 932:
// NormalizeFolderPath, ValidateTopicFolderPath and AbbreviateFolderPath. Every path is
// a heap copy of exact size, so AddressSanitizer sees a read past it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "extension/ExchRuleExt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) {
    return 0;
  }
  // One byte selects the code page, four give the limit, the rest is the path.
  win32::SetAnsiCodePage((data[0] & 1) != 0 ? 932 : 1252);
  ULONG limit = static_cast<ULONG>(data[1]) | (static_cast<ULONG>(data[2]) << 8) |
                (static_cast<ULONG>(data[3]) << 16) | (static_cast<ULONG>(data[4]) << 24);
  if ((data[0] & 2) == 0) {
    limit &= 0xFF;  // mostly limits the dialog could use
  }
  const std::size_t length = size - 5;
  std::unique_ptr<char[]> exact(new char[length == 0 ? 1 : length]);
  std::copy(data + 5, data + size, exact.get());
  const std::string path(exact.get(), length);

  const std::string normal = pellacorm::CExchRuleExt::NormalizeFolderPath(path);
  const std::string valid = pellacorm::CExchRuleExt::ValidateTopicFolderPath(path);
  const std::string shortened = pellacorm::CExchRuleExt::AbbreviateFolderPath(path, limit);
  if (shortened.size() <= limit && shortened != path && path.size() <= limit) {
    std::fprintf(stderr, "broken invariant: a path that fits was shortened\n");
    std::abort();
  }
  // The functions also run on their own results.
  pellacorm::CExchRuleExt::AbbreviateFolderPath(normal, limit);
  pellacorm::CExchRuleExt::NormalizeFolderPath(valid);
  return 0;
}
