// The C runtime calls whose Windows behaviour the C library does not have: strftime
// with the Windows runtime's "%c", and _fsopen with Windows paths, no sharing
// restriction and CR LF text mode. Where the drives live is told in win32/Crt.h.
#include "win32/Crt.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr char kCtrlZ = 0x1A;

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  if (value != nullptr && value[0] != '\0') {
    return value;
  }
  return fallback;
}

std::string DrivesFolder() {
  return EnvOr("WIN32_DRIVE_ROOT", win32::UserDataFolder() + "/drives");
}

std::string DriveFolder(char letter) {
  return DrivesFolder() + "/" + static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// The entry of `folder` whose name equals `name` ignoring case, or `name` itself when
// the folder holds it exactly or holds no such entry; `exists` tells which.
std::string MatchName(const std::string& folder, const std::string& name, bool& exists) {
  const std::string exact = folder.empty() ? name : folder + "/" + name;
  exists = Exists(exact);
  if (exists) {
    return name;
  }
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) {
    return name;
  }
  std::string found = name;
  while (const dirent* entry = readdir(dir)) {
    if (strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = entry->d_name;
      exists = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

struct Resolved {
  std::string path;  // empty when the Windows path names no host file
  char drive = 0;    // lower-case drive letter, 0 for a relative path
};

Resolved Resolve(const char* windowsPath) {
  Resolved result;
  if (windowsPath == nullptr) {
    return result;
  }
  std::string rest(windowsPath);
  for (char& c : rest) {
    if (c == '\\') {
      c = '/';
    }
  }
  std::string base;
  if (rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) != 0 && rest[1] == ':') {
    result.drive = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0])));
    base = DriveFolder(result.drive);
    rest.erase(0, 2);
  } else if (rest.compare(0, 2, "//") == 0) {
    return result;  // a network share: there is none here
  } else if (!rest.empty() && rest[0] == '/') {
    result.drive = 'c';
    base = DriveFolder('c');
  }

  // Split into names; "." is dropped and ".." removes the name before it, but never
  // climbs above a drive's root (Windows stops there too).
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('/', start);
    if (end == std::string::npos) {
      end = rest.size();
    }
    std::string name = rest.substr(start, end - start);
    start = end + 1;
    if (name.empty() || name == ".") {
      continue;
    }
    if (name == "..") {
      if (!names.empty() && names.back() != "..") {
        names.pop_back();
      } else if (result.drive == 0) {
        names.push_back(name);
      }
      continue;
    }
    names.push_back(name);
  }

  std::string path = base;
  bool matching = true;  // once a name is missing, nothing below it exists
  for (const std::string& name : names) {
    bool exists = false;
    const std::string actual = matching && name != ".." ? MatchName(path, name, exists) : name;
    if (!path.empty()) {
      path += '/';
    }
    path += actual;
    matching = matching && (name == ".." ? Exists(path) : exists);
  }
  if (path.empty()) {
    path = ".";
  }
  result.path = path;
  return result;
}

void MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    mkdir(folder.substr(0, slash).c_str(), 0777);
  }
  mkdir(folder.c_str(), 0777);
}

// One open file behind a FILE* of _fsopen.
struct CrtFile {
  int fd = -1;
  bool text = false;
  bool eof = false;  // text mode met Ctrl-Z
  int pending = -1;  // a byte read ahead in text mode, not yet handed out
};

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

ssize_t ReadSome(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = read(fd, buffer, size);
    if (n >= 0 || errno != EINTR) {
      return n;
    }
  }
}

// Every call is one write(2) of the whole (translated) block: with O_APPEND the block
// lands at the end of the file in one piece.
ssize_t CookieWrite(void* cookie, const char* data, std::size_t size) {
  auto* file = static_cast<CrtFile*>(cookie);
  if (!file->text || std::memchr(data, '\n', size) == nullptr) {
    return WriteAll(file->fd, data, size) ? static_cast<ssize_t>(size) : 0;
  }
  std::string translated;
  try {
    translated.reserve(size + size / 8 + 16);
    for (std::size_t i = 0; i < size; ++i) {
      if (data[i] == '\n') {
        translated += '\r';
      }
      translated += data[i];
    }
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return 0;
  }
  return WriteAll(file->fd, translated.data(), translated.size()) ? static_cast<ssize_t>(size) : 0;
}

// Text mode hands out "\r\n" as "\n" and stops at Ctrl-Z, as the Windows runtime does.
ssize_t CookieRead(void* cookie, char* buffer, std::size_t size) {
  auto* file = static_cast<CrtFile*>(cookie);
  if (!file->text) {
    return ReadSome(file->fd, buffer, size);
  }
  if (file->eof || size == 0) {
    return 0;
  }
  std::size_t have = 0;
  if (file->pending >= 0) {
    buffer[have++] = static_cast<char>(file->pending);
    file->pending = -1;
  }
  if (have < size) {
    const ssize_t n = ReadSome(file->fd, buffer + have, size - have);
    if (n < 0 && have == 0) {
      return -1;
    }
    if (n > 0) {
      have += static_cast<std::size_t>(n);
    }
  }
  std::size_t out = 0;
  for (std::size_t i = 0; i < have; ++i) {
    const char c = buffer[i];
    if (c == kCtrlZ) {
      file->eof = true;
      break;
    }
    if (c == '\r' && i + 1 < have) {
      if (buffer[i + 1] == '\n') {
        continue;  // the LF that follows is handed out on its own
      }
    } else if (c == '\r') {
      // The block ends in CR: look at the byte after it.
      char next = 0;
      if (ReadSome(file->fd, &next, 1) == 1) {
        if (next == '\n') {
          buffer[out++] = '\n';
          continue;
        }
        file->pending = static_cast<unsigned char>(next);
      }
    }
    buffer[out++] = c;
  }
  return static_cast<ssize_t>(out);
}

int CookieSeek(void* cookie, off64_t* position, int whence) {
  auto* file = static_cast<CrtFile*>(cookie);
  const off64_t result = lseek64(file->fd, *position, whence);
  if (result < 0) {
    return -1;
  }
  file->pending = -1;
  file->eof = false;
  *position = result;
  return 0;
}

int CookieClose(void* cookie) {
  auto* file = static_cast<CrtFile*>(cookie);
  const int result = close(file->fd);
  delete file;
  return result;
}

struct OpenMode {
  int flags = 0;
  const char* streamMode = nullptr;
  bool text = true;
  bool append = false;
  bool noInherit = false;  // "N": the handle is not inherited by child processes
};

// Reads a Windows runtime mode: r, w or a, then any of "+", "b", "t" and the runtime's
// hint letters (which change nothing here); ",ccs=..." ends it.
bool ParseMode(const char* mode, OpenMode& parsed) {
  if (mode == nullptr) {
    return false;
  }
  bool plus = false;
  const char kind = mode[0];
  for (const char* p = mode + 1; *p != '\0' && *p != ','; ++p) {
    switch (*p) {
      case '+':
        plus = true;
        break;
      case 'b':
        parsed.text = false;
        break;
      case 't':
        parsed.text = true;
        break;
      case 'N':
        parsed.noInherit = true;
        break;
      case 'c':
      case 'n':
      case 'S':
      case 'R':
      case 'T':
      case 'D':
      case ' ':
        break;
      default:
        return false;
    }
  }
  switch (kind) {
    case 'r':
      parsed.flags = plus ? O_RDWR : O_RDONLY;
      parsed.streamMode = plus ? "r+" : "r";
      return true;
    case 'w':
      parsed.flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
      parsed.streamMode = plus ? "w+" : "w";
      return true;
    case 'a':
      parsed.flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
      parsed.streamMode = plus ? "a+" : "a";
      parsed.append = true;
      return true;
    default:
      return false;
  }
}

}  // namespace

/******************************************************************************
 *              strftime (MSVCRT.@), as crt_strftime
 *
 * Renders a broken-down time as the Windows runtime does in the "C" locale.
 *
 * PARAMS
 *  buffer [O] receives the text and its terminating zero
 *  size   [I] size of buffer in bytes
 *  format [I] strftime format
 *  time   [I] the time to render
 *
 * RETURNS
 *  Success: the length of the text, without the terminating zero.
 *  Failure: 0, when the text and its zero do not fit or an argument is null.
 *
 * NOTES
 *  "%c" is "%m/%d/%y %H:%M:%S" ("12/06/26 21:10:45"), where the C library's "C"
 *  locale would write "Sun Dec  6 21:10:45 2026". Every other conversion is the C
 *  library's, in the "C" locale whatever the process's locale is.
 */
std::size_t crt_strftime(char* buffer, std::size_t size, const char* format, const std::tm* time) {
  if (buffer == nullptr || format == nullptr || time == nullptr || size == 0) {
    return 0;
  }
  std::string expanded;
  try {
    for (const char* p = format; *p != '\0'; ++p) {
      if (p[0] == '%' && p[1] == 'c') {
        expanded += "%m/%d/%y %H:%M:%S";
        ++p;
      } else if (p[0] == '%' && p[1] != '\0') {
        expanded += p[0];
        expanded += p[1];
        ++p;
      } else {
        expanded += *p;
      }
    }
  } catch (const std::bad_alloc&) {
    buffer[0] = '\0';
    return 0;
  }
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  const std::size_t length = cLocale != static_cast<locale_t>(nullptr)
                                 ? strftime_l(buffer, size, expanded.c_str(), time, cLocale)
                                 : std::strftime(buffer, size, expanded.c_str(), time);
  if (length == 0) {
    buffer[0] = '\0';
  }
  return length;
}

/******************************************************************************
 *              _fsopen (MSVCRT.@)
 *
 * Opens a file named by a Windows path, with a sharing mode.
 *
 * PARAMS
 *  fileName  [I] Windows path of the file (see win32/Crt.h for the drives)
 *  mode      [I] "r", "w" or "a", optionally with "+", "b" or "t"
 *  shareFlag [I] _SH_DENYNO, _SH_DENYRD, _SH_DENYWR or _SH_DENYRW
 *
 * RETURNS
 *  Success: the open stream.
 *  Failure: NULL, with errno set: EINVAL for a bad argument, otherwise the reason the
 *  host gave (ENOENT for a missing folder, EACCES, ...).
 *
 * NOTES
 *  The sharing flag is checked but never restricts others: every file here is open
 *  to all readers and writers, as with _SH_DENYNO. Text mode is the default, as it is
 *  for a program that leaves _fmode alone. Opening for writing on drive C: creates the
 *  drive's folder when it is missing, never any other folder. A stream opened for
 *  appending is unbuffered, so each fwrite, fputs or fprintf is one write(2) with
 *  O_APPEND: whole blocks from several processes never interleave.
 */
FILE* _fsopen(const char* fileName, const char* mode, int shareFlag) {
  OpenMode parsed;
  if (fileName == nullptr || !ParseMode(mode, parsed) ||
      (shareFlag != _SH_DENYNO && shareFlag != _SH_DENYRD && shareFlag != _SH_DENYWR &&
       shareFlag != _SH_DENYRW)) {
    errno = EINVAL;
    return nullptr;
  }
  Resolved resolved;
  try {
    resolved = Resolve(fileName);
    if ((parsed.flags & O_CREAT) != 0 && resolved.drive == 'c') {
      const std::string drive = DriveFolder('c');
      if (!Exists(drive)) {
        MakeFolders(drive);
        resolved = Resolve(fileName);  // the names below the new folder are matched anew
      }
    }
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return nullptr;
  }
  if (resolved.path.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  auto* file = new (std::nothrow) CrtFile;
  if (file == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  file->text = parsed.text;
  file->fd = open(resolved.path.c_str(), parsed.flags | (parsed.noInherit ? O_CLOEXEC : 0), 0666);
  if (file->fd < 0) {
    const int error = errno;
    delete file;
    errno = error;
    return nullptr;
  }
  const cookie_io_functions_t functions = {CookieRead, CookieWrite, CookieSeek, CookieClose};
  FILE* stream = fopencookie(file, parsed.streamMode, functions);
  if (stream == nullptr) {
    const int error = errno;
    CookieClose(file);
    errno = error;
    return nullptr;
  }
  if (parsed.append) {
    setvbuf(stream, nullptr, _IONBF, 0);
  }
  return stream;
}

namespace win32 {

std::string UserDataFolder() {
  std::string home = EnvOr("HOME", "");
  if (home.empty()) {
    const passwd* user = getpwuid(getuid());
    home = user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "/tmp";
  }
  return home + "/.win32";
}

const char* DriveRoot() {
  thread_local std::string folder;
  folder.assign(DrivesFolder());
  folder += "/c";
  // The analyzer takes the thread_local for a local that dies here; it lives on.
  return folder.c_str();  // NOLINT(clang-analyzer-cplusplus.InnerPointer)
}

std::string HostPath(const char* windowsPath) {
  return Resolve(windowsPath).path;
}

}  // namespace win32
