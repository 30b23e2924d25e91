// Where this layer keeps the user's state in files: the registry file and the folders of
// the drives (C: is the folder "c" below the drive root). The environment names both
// places (WIN32_REGISTRY_FILE, WIN32_DRIVE_ROOT); the functions here are the one place
// that sets them, for the rule host, the tests, the fuzz targets and the benchmarks.
#pragma once

#include <string>

namespace win32 {

// Points the registry at `file` from the next call on. With `replace` false, a place
// the environment names already is kept.
void UseRegistryFile(const std::string& file, bool replace = true);
// Points the drives at the folders below `root` from the next call on; `replace` as above.
void UseDriveRoot(const std::string& root, bool replace = true);

// A private place for the layer's state for the object's life: a new folder
// `<parent>/<prefix>-XXXXXX`, with the registry file `user.reg` (made by the first
// write) and the drive root `drives` in it, as `parts` asks. When it goes, the places
// named before come back and the folder is removed with everything in it.
class PrivateState {
 public:
  enum Parts : unsigned { kRegistry = 1, kDrives = 2, kBoth = kRegistry | kDrives };

  PrivateState(const std::string& parent, const std::string& prefix, unsigned parts = kBoth);
  PrivateState(const PrivateState&) = delete;
  PrivateState& operator=(const PrivateState&) = delete;
  ~PrivateState();

  // False when the folder could not be made: nothing was changed then.
  bool Ok() const { return !m_folder.empty(); }
  const std::string& Folder() const { return m_folder; }
  std::string RegistryFile() const { return m_folder + "/user.reg"; }
  std::string DriveRoot() const { return m_folder + "/drives"; }

 private:
  struct Saved {
    bool set = false;
    std::string value;
  };

  std::string m_folder;
  unsigned m_parts;
  Saved m_registry;
  Saved m_drives;
};

}  // namespace win32
