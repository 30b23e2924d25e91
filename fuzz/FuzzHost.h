// What the fuzz targets that drive a bound extension share: a private folder for the
// registry file and the drives, the client's callback, and the report of a broken
// invariant. Header only; each target includes it once.
#pragma once

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/RuleExtension.h"
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

inline int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return ::remove(path);
}

// A new folder for the Win32 layer's files: the registry file and the drives live there
// for the whole run (in memory when /dev/shm is there, since the registry rewrites its
// file on every change), and go when the process exits normally.
class PrivateFolder {
 public:
  PrivateFolder() {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/pellacorm-fuzz-XXXXXX";
    if (::mkdtemp(&pattern[0]) == nullptr) {
      Fail("cannot make a folder like %s", pattern.c_str());
    }
    m_path = pattern;
    ::setenv("WIN32_REGISTRY_FILE", RegistryFile().c_str(), 1);
    ::mkdir((m_path + "/drives").c_str(), 0700);
    ::mkdir((m_path + "/drives/c").c_str(), 0700);
    ::setenv("WIN32_DRIVE_ROOT", (m_path + "/drives").c_str(), 1);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  ~PrivateFolder() { ::nftw(m_path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS); }

  const std::string& Path() const { return m_path; }
  std::string RegistryFile() const { return m_path + "/user.reg"; }

 private:
  std::string m_path;
};

}  // namespace fuzzhost
