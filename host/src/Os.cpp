// The platform branches of the rule host. Everything else in host/ builds unchanged on
// Linux (over platform/) and on Windows.
#include "Os.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "HostError.h"
#include "platform/Mapi.h"

#ifdef _WIN32
#include <io.h>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>

#include "win32/PrivateState.h"
#endif

namespace rulehost {
namespace os {
namespace fs = std::filesystem;

#ifdef _WIN32

namespace {
std::string g_overrideKeyPath;
HKEY g_overrideKey = nullptr;

std::string SystemMessage(DWORD code) {
  char text[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      code, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}
}  // namespace

const char* LibrarySuffix() {
  return ".dll";
}

LibraryHandle LoadLibraryFile(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    *error = SystemMessage(GetLastError());
  }
  return reinterpret_cast<LibraryHandle>(module);
}

void* FindExport(LibraryHandle library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void UnloadLibrary(LibraryHandle library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

std::string DefaultLibrary() {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  return (fs::path(exe).parent_path() / "PellacormRuleExt.dll").string();
}

bool StdinIsTerminal() {
  return _isatty(_fileno(stdin)) != 0;
}

std::string IsolateRegistry(const std::string& /*runFolder*/, const std::string& file, bool /*keep*/) {
  if (!file.empty()) {
    throw HostError(kExitUsage,
                    "--registry names a registry file of the Linux platform layer; on Windows the "
                    "host always uses a private key of its own");
  }
  g_overrideKeyPath = "Software\\Pellacorm\\RuleHost\\Run-" + std::to_string(GetCurrentProcessId());
  LSTATUS status = RegCreateKeyExA(HKEY_CURRENT_USER, g_overrideKeyPath.c_str(), 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &g_overrideKey, nullptr);
  if (status != ERROR_SUCCESS) {
    throw HostError(kExitRegistry, "cannot create the key HKEY_CURRENT_USER\\" + g_overrideKeyPath + ": " +
                                       SystemMessage(static_cast<DWORD>(status)));
  }
  status = RegOverridePredefKey(HKEY_CURRENT_USER, g_overrideKey);
  if (status != ERROR_SUCCESS) {
    throw HostError(kExitRegistry,
                    "cannot redirect HKEY_CURRENT_USER: " + SystemMessage(static_cast<DWORD>(status)));
  }
  return "HKEY_CURRENT_USER\\" + g_overrideKeyPath + " (stands in for HKEY_CURRENT_USER during this run)";
}

void EndRegistryIsolation(bool keep) {
  if (g_overrideKey == nullptr) {
    return;
  }
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(g_overrideKey);
  g_overrideKey = nullptr;
  if (!keep) {
    RegDeleteTreeA(HKEY_CURRENT_USER, g_overrideKeyPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, g_overrideKeyPath.c_str());
  }
}

std::string PrepareDrives(const std::string& /*runFolder*/, const std::string& root) {
  if (!root.empty()) {
    throw HostError(kExitUsage,
                    "--drive-root is for the Linux platform layer; Windows has drives of its own");
  }
  return {};
}

std::string DefaultHomeDir(const std::string& runFolder) {
  return (fs::path(runFolder) / "home").string();
}

namespace {
std::string g_interruptFolder;

// Runs on a thread of its own; returning FALSE lets the default handler end the process.
BOOL WINAPI OnConsoleControl(DWORD type) {
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT || type == CTRL_CLOSE_EVENT) {
    std::error_code error;
    fs::remove_all(g_interruptFolder, error);
    EndRegistryIsolation(false);
  }
  return FALSE;
}
}  // namespace

void RemoveOnInterrupt(const std::string& folder) {
  g_interruptFolder = folder;
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

std::string HostPath(const std::string& windowsPath) {
  return windowsPath;
}

#else  // Linux, over platform/win32

const char* LibrarySuffix() {
  return ".so";
}

LibraryHandle LoadLibraryFile(const std::string& path, std::string* error) {
  // A name without a folder is looked for where it is, as a Windows process would,
  // rather than only on the system's library path.
  std::string name = path;
  if (name.find('/') == std::string::npos && fs::exists(name)) {
    name = "./" + name;
  }
  void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    *error = reason != nullptr ? reason : "dlopen failed";
  }
  return library;
}

void* FindExport(LibraryHandle library, const char* name) {
  return dlsym(library, name);
}

void UnloadLibrary(LibraryHandle library) {
  dlclose(library);
}

std::string DefaultLibrary() {
#ifdef RULEHOST_DEFAULT_LIBRARY
  return RULEHOST_DEFAULT_LIBRARY;
#else
  return "PellacormRuleExt.so";
#endif
}

bool StdinIsTerminal() {
  return isatty(STDIN_FILENO) != 0;
}

std::string IsolateRegistry(const std::string& runFolder, const std::string& file, bool keep) {
  const std::string path = file.empty() ? (fs::path(runFolder) / "user.reg").string() : file;
  std::error_code error;
  const fs::path parent = fs::absolute(path, error).parent_path();
  if (!fs::is_directory(parent, error)) {
    throw HostError(kExitRegistry, "cannot use the registry file " + path + ": its folder does not exist");
  }
  win32::UseRegistryFile(path);
  // A file that is not a registry (or a folder) is the user's own: the layer refuses it
  // and leaves it alone, and the run does not start.
  const std::string problem = win32::RegistryFileProblem();
  if (!problem.empty()) {
    throw HostError(kExitRegistry, "cannot use the registry file " + path + ": " + problem);
  }
  return path + (!file.empty() ? "" : keep ? " (kept with the run's folder)" : " (temporary)");
}

void EndRegistryIsolation(bool /*keep*/) {}

std::string PrepareDrives(const std::string& runFolder, const std::string& root) {
  std::string path = root.empty() ? (fs::path(runFolder) / "drives").string() : root;
  std::error_code error;
  fs::create_directories(fs::path(path) / "c", error);
  if (error) {
    throw HostError(kExitUsage, "cannot use the drive root " + path + ": " + error.message());
  }
  win32::UseDriveRoot(path);
  return path;
}

std::string DefaultHomeDir(const std::string& /*runFolder*/) {
  return "C:\\Pellacorm";
}

void RemoveOnInterrupt(const std::string& folder) {
  // A second process of ours removes the folder once this one has gone, however it went:
  // it waits for the end of a pipe that only this process holds open. A signal handler
  // could not do it safely, and no thread of this process can be sure the others have
  // stopped writing into the folder. After a normal end the folder is already gone.
  int ends[2];
  if (pipe(ends) != 0) {
    return;
  }
  std::cout.flush();
  std::fflush(nullptr);
  const pid_t guardian = fork();
  if (guardian != 0) {
    close(ends[0]);
    fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    if (guardian < 0) {
      close(ends[1]);
    }
    return;
  }
  close(ends[1]);
  // Ctrl+C reaches the whole process group; the guardian outlives it. It keeps stderr
  // for its one line and lets go of the terminal's input and of the output, so that a
  // pipeline ends with the run.
  std::signal(SIGINT, SIG_IGN);
  std::signal(SIGHUP, SIG_IGN);
  std::signal(SIGTERM, SIG_IGN);
  const int nothing = open("/dev/null", O_RDWR);
  dup2(nothing, STDIN_FILENO);
  dup2(nothing, STDOUT_FILENO);
  char byte = 0;
  while (read(ends[0], &byte, 1) != 0 && errno == EINTR) {
  }
  std::error_code error;
  if (fs::exists(folder, error)) {
    fs::remove_all(folder, error);
    const std::string line = "rulehost: the run ended early; removed the run's folder " + folder + "\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
  }
  _exit(0);
}

std::string HostPath(const std::string& windowsPath) {
  return win32::HostPath(windowsPath.c_str());
}

#endif

}  // namespace os
}  // namespace rulehost
