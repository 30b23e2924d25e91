// What the rule host needs of the operating system beyond the Windows API names that
// both builds share: loading a library by file name, environment variables, the
// terminal, and where this run keeps its registry and its drives. All the platform
// branches of the host live in Os.cpp.
#pragma once

#include <string>

namespace rulehost {
namespace os {

using LibraryHandle = void*;

// The file name a bare library name gets on this platform: ".so" or ".dll".
const char* LibrarySuffix();

// Loads a library by file name. Returns null and fills `error` with the system's reason
// when it cannot be loaded.
LibraryHandle LoadLibraryFile(const std::string& path, std::string* error);
// The address of an exported function, or null.
void* FindExport(LibraryHandle library, const char* name);
void UnloadLibrary(LibraryHandle library);

// The library the host loads when --library is not given.
std::string DefaultLibrary();

bool StdinIsTerminal();

// Points HKEY_CURRENT_USER of this process at a place of the run's own, so that neither
// the host nor the extension touches the user's settings: on Linux the file-backed
// registry of the platform layer (WIN32_REGISTRY_FILE, `file` when given, else a file in
// `runFolder`); on Windows a private key that stands in for HKEY_CURRENT_USER. Returns a
// description of where the registry is (`keep`: the run's folder stays); throws HostError
// (usage or registry) on failure, also for a file that is not a registry.
std::string IsolateRegistry(const std::string& runFolder, const std::string& file, bool keep);
// Undoes IsolateRegistry where there is something to undo; `keep` leaves the private key.
void EndRegistryIsolation(bool keep);

// Where drive letters live. On Linux every drive is a folder below a drive root
// (WIN32_DRIVE_ROOT): `root` when given, else a folder in `runFolder`; returns it. On
// Windows the drives are the machine's own: returns "" and refuses a `root`.
std::string PrepareDrives(const std::string& runFolder, const std::string& root);

// The home directory given to the extension when no HomeDir is set: a folder of the run,
// as a Windows path.
std::string DefaultHomeDir(const std::string& runFolder);

// Removes `folder` (the run's folder of files) when the run is ended early: on Linux by
// any signal (SIGINT, SIGTERM, SIGHUP, even SIGKILL), which ends the process as usual;
// on Windows by Ctrl+C or closing the console. Call it before any thread is started.
void RemoveOnInterrupt(const std::string& folder);

// The path on this machine of a file named by a Windows path.
std::string HostPath(const std::string& windowsPath);

}  // namespace os
}  // namespace rulehost
