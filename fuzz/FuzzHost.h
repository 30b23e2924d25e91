// What the fuzz targets that drive a bound extension share: a private folder for the
// registry file and the drives, the client's callback, and the report of a broken
// invariant. Header only; each target includes it once.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/RuleExtension.h"
#include "win32/PrivateState.h"
#include "shared/FakeCallback.h"

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
using Callback = testshared::FakeCallback;

// The Win32 layer's registry file and drives in a private folder for the whole run (in
// memory when /dev/shm is there, since the registry rewrites its file on every change),
// removed when the process exits normally.
class PrivateFolder {
 public:
  PrivateFolder() : m_state(Parent(), "pellacorm-fuzz") {
    if (!m_state.Ok()) {
      Fail("cannot make a private folder below %s", Parent().c_str());
    }
    ::mkdir(DriveC().c_str(), 0700);
  }

  const std::string& Path() const { return m_state.Folder(); }
  std::string RegistryFile() const { return m_state.RegistryFile(); }

 private:
  static std::string Parent() {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
    return base != nullptr && base[0] != '\0' ? base : "/tmp";
  }
  std::string DriveC() const { return m_state.DriveRoot() + "/c"; }

  win32::PrivateState m_state;
};

}  // namespace fuzzhost
