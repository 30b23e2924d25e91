// What the fuzz targets that drive a bound extension share: the report of a broken
// invariant, and the client's callback. Header only; each target includes it once. The
// private registry and drives come from the testing library (testing/PrivateFolder.h).
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "testing/FakeCallback.h"
#include "testing/PrivateFolder.h"

namespace fuzzhost {

// Prints the broken invariant and stops the run; libFuzzer saves the input.
[[noreturn]] inline void Fail(const char* format, ...) {
  std::fputs("broken invariant: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::abort();
}

// The client's callback: hands out the session it holds.
using Callback = testsupport::FakeCallback;

// The registry file and drives of the whole run. A static of its own, so that it is
// removed when the run ends normally although the targets never destroy their hosts.
inline const testsupport::PrivateFolder& RunFolder() {
  static const testsupport::PrivateFolder folder("pellacorm-fuzz");
  return folder;
}

}  // namespace fuzzhost
