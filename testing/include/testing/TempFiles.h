// Temporary places for tests on Linux: folders below $PELLACORM_TEST_TMP (set by ctest
// to the build tree; /tmp otherwise), a registry file and drives of the Win32 layer for
// one test, environment variables set for one scope, and whole-file reads.
#pragma once

#include <string>

#include "win32/PrivateState.h"

namespace testsupport {

// $PELLACORM_TEST_TMP (ctest sets it to the build tree), else a folder of this user in
// /tmp; made when missing.
std::string TestRoot();

// A new empty folder, removed with everything in it when the object goes.
class TempFolder {
 public:
  explicit TempFolder(const char* prefix = "test");
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// Sets an environment variable (null unsets it) and puts back the old state when it goes.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv();

 private:
  std::string m_name;
  std::string m_old;
  bool m_hadOld = false;
};

// Points the registry at a file of its own for the object's life.
class TempRegistry {
 public:
  TempRegistry();
  std::string File() const { return m_state.RegistryFile(); }
  // The file's text as the registry last wrote it.
  std::string Text() const;

 private:
  win32::PrivateState m_state;
};

// Drives of the Win32 layer below a fresh folder for the object's life.
class TempDrives {
 public:
  TempDrives();
  // The folder that holds the drives' folders ("c" for C:).
  std::string Root() const { return m_state.DriveRoot(); }

 private:
  win32::PrivateState m_state;
};

// The bytes of a host file; empty when it cannot be read.
std::string ReadHostFile(const std::string& path);
// Writes a host file whole; false on failure.
bool WriteHostFile(const std::string& path, const std::string& bytes);
// The bytes of a file named by a Windows path ("C:/Pellacorm.log").
std::string ReadWindowsFile(const char* windowsPath);

}  // namespace testsupport
