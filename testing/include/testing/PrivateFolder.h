// The Win32 layer's registry file and drives in a private folder for a whole run, for
// programs that run the product many times over (fuzz targets, benchmarks). The folder
// is in memory when /dev/shm is there, since the registry rewrites its file on every
// change, and it is removed when the object goes. Linux only: on Windows the registry
// and drives are the machine's.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "win32/PrivateState.h"

namespace testsupport {

class PrivateFolder {
 public:
  // Stops the process when no folder can be made: nothing that follows would be private.
  explicit PrivateFolder(const char* prefix) : m_state(Parent(), prefix) {
    if (!m_state.Ok()) {
      std::fprintf(stderr, "cannot make a private folder below %s\n", Parent().c_str());
      std::abort();
    }
    ::mkdir((m_state.DriveRoot() + "/c").c_str(), 0700);
  }

  const std::string& Path() const { return m_state.Folder(); }
  std::string RegistryFile() const { return m_state.RegistryFile(); }
  // The folder of drive C:.
  std::string DriveC() const { return m_state.DriveRoot() + "/c"; }

 private:
  static std::string Parent() {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
    return base != nullptr && base[0] != '\0' ? base : "/tmp";
  }

  win32::PrivateState m_state;
};

}  // namespace testsupport
