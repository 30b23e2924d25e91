// The C runtime calls whose Windows behaviour the C library does not have: strftime
// with the Windows runtime's "%c", localtime_s, _fsopen with Windows paths, no sharing
// restriction and CR LF text mode, and the binary low-level calls _sopen, _write and
// _close. Where the drives live is told in win32/Crt.h.
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
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr char kCtrlZ = 0x1A;
// What a drive's folder usually adds to the length of a Windows path.
constexpr std::size_t kDriveFolderRoom = 128;

// Appends the host folder that holds the drive folders: $WIN32_DRIVE_ROOT, or else
// $HOME/.win32/drives.
template <typename Text>
void AppendDrivesFolder(Text& out) {
  const char* root = std::getenv("WIN32_DRIVE_ROOT");
  if (root != nullptr && root[0] != '\0') {
    out.append(root, std::strlen(root));
  } else {
    const std::string folder = win32::UserDataFolder() + "/drives";
    out.append(folder.data(), folder.size());
  }
}

std::string DrivesFolder() {
  std::string folder;
  AppendDrivesFolder(folder);
  return folder;
}

std::string DriveFolder(char letter) {
  std::string folder = DrivesFolder();
  folder += '/';
  folder += static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  return folder;
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

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

struct Resolved {
  std::string path;          // empty when the Windows path names no host file
  char drive = 0;            // lower-case drive letter, 0 for a relative path
  std::size_t rootSize = 0;  // the part of `path` that is the drive's folder
};

// A host path built on the stack, for the calls that open a file at once: it holds what
// open(2) takes (fewer than PATH_MAX bytes) and marks anything longer as too long.
class StackPath {
 public:
  StackPath() { m_text[0] = '\0'; }
  std::size_t size() const { return m_size; }
  const char* data() const { return m_text; }
  const char* c_str() const { return m_text; }
  bool TooLong() const { return m_tooLong; }
  void append(const char* text, std::size_t length) {
    if (length >= sizeof m_text - m_size) {
      m_tooLong = true;
      return;
    }
    std::memcpy(m_text + m_size, text, length);
    m_size += length;
    m_text[m_size] = '\0';
  }
  void resize(std::size_t size) {  // only ever shorter
    m_size = size;
    m_text[m_size] = '\0';
  }

 private:
  char m_text[PATH_MAX];  // only the part up to m_size and its zero is ever read
  std::size_t m_size = 0;
  bool m_tooLong = false;
};

// The host path of a Windows path with its names as written, appended to the empty
// `path`: the drive's folder, then the names joined by "/". "." is dropped and ".."
// removes the name before it, but never climbs above a drive's root (Windows stops there
// too). False, with `path` left empty, for a null path or a network path.
template <typename Text>
bool AppendAsWritten(const char* windowsPath, Text& path, char& drive, std::size_t& rootSize) {
  drive = 0;
  rootSize = 0;
  if (windowsPath == nullptr) {
    return false;
  }
  const char* p = windowsPath;
  const char letter = static_cast<char>(p[0] | 0x20);  // lower case, for an ASCII letter
  if (letter >= 'a' && letter <= 'z' && p[1] == ':') {
    drive = letter;
    p += 2;
  } else if (IsSeparator(p[0]) && IsSeparator(p[1])) {
    return false;  // a network share: there is none here
  } else if (IsSeparator(p[0])) {
    drive = 'c';
  }
  if (drive != 0) {
    AppendDrivesFolder(path);
    const char folder[] = {'/', drive};
    path.append(folder, sizeof folder);
  }
  rootSize = path.size();
  while (*p != '\0') {
    if (IsSeparator(*p)) {
      ++p;
      continue;
    }
    const char* end = p;
    while (*end != '\0' && !IsSeparator(*end)) {
      ++end;
    }
    const std::size_t length = static_cast<std::size_t>(end - p);
    if (length == 2 && p[0] == '.' && p[1] == '.') {
      // The last name: after the last "/" that follows the drive's folder.
      std::size_t last = path.size();
      while (last > rootSize && path.data()[last - 1] != '/') {
        --last;
      }
      const bool lastIsDotDot =
          path.size() - last == 2 && path.data()[last] == '.' && path.data()[last + 1] == '.';
      if (path.size() > last && !lastIsDotDot) {
        path.resize(last > rootSize ? last - 1 : rootSize);
      } else if (drive == 0) {
        if (path.size() != 0) {
          path.append("/", 1);
        }
        path.append("..", 2);
      }
    } else if (length != 1 || p[0] != '.') {
      if (path.size() != 0) {
        path.append("/", 1);
      }
      path.append(p, length);
    }
    p = end;
  }
  if (path.size() == 0) {
    path.append(".", 1);
  }
  return true;
}

Resolved AsWritten(const char* windowsPath) {
  Resolved result;
  if (windowsPath != nullptr) {
    result.path.reserve(std::strlen(windowsPath) + kDriveFolderRoom);
  }
  if (!AppendAsWritten(windowsPath, result.path, result.drive, result.rootSize)) {
    result.path.clear();
  }
  return result;
}

// `written` (from AsWritten) with each name replaced by the one its folder holds that
// differs only in case, where the folder lacks the name as written.
std::string MatchCase(const Resolved& written) {
  std::string path = written.path.substr(0, written.rootSize);
  bool matching = true;  // once a name is missing, nothing below it exists
  std::size_t start = written.rootSize;
  while (start < written.path.size()) {
    if (written.path[start] == '/') {
      ++start;
      continue;
    }
    std::size_t end = written.path.find('/', start);
    if (end == std::string::npos) {
      end = written.path.size();
    }
    const std::string name = written.path.substr(start, end - start);
    start = end;
    bool exists = false;
    const std::string actual = matching && name != ".." ? MatchName(path, name, exists) : name;
    if (!path.empty()) {
      path += '/';
    }
    path += actual;
    matching = matching && (name == ".." ? Exists(path) : exists);
  }
  return path.empty() ? std::string(".") : path;
}

// The host path of a Windows path: as written when that exists (one lstat), otherwise
// with its names matched ignoring case folder by folder.
Resolved Resolve(const char* windowsPath) {
  Resolved result = AsWritten(windowsPath);
  if (!result.path.empty() && !Exists(result.path)) {
    result.path = MatchCase(result);
  }
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

bool IsShareFlag(int shareFlag) {
  return shareFlag == _SH_DENYNO || shareFlag == _SH_DENYRD || shareFlag == _SH_DENYWR ||
         shareFlag == _SH_DENYRW;
}

// The host's open flags for the _O_ flags that _sopen implements; false for any other
// flag, for a text mode and for an access mode that is none of the three.
bool HostOpenFlags(int openFlag, int& hostFlags) {
  constexpr int kImplemented =
      _O_WRONLY | _O_RDWR | _O_APPEND | _O_NOINHERIT | _O_CREAT | _O_TRUNC | _O_EXCL | _O_BINARY;
  if ((openFlag & ~kImplemented) != 0 || (openFlag & _O_BINARY) == 0) {
    return false;
  }
  switch (openFlag & (_O_WRONLY | _O_RDWR)) {
    case _O_RDONLY:
      hostFlags = O_RDONLY;
      break;
    case _O_WRONLY:
      hostFlags = O_WRONLY;
      break;
    case _O_RDWR:
      hostFlags = O_RDWR;
      break;
    default:
      return false;
  }
  if ((openFlag & _O_APPEND) != 0) {
    hostFlags |= O_APPEND;
  }
  if ((openFlag & _O_NOINHERIT) != 0) {
    hostFlags |= O_CLOEXEC;
  }
  if ((openFlag & _O_CREAT) != 0) {
    // Without _O_CREAT the runtime ignores _O_EXCL.
    hostFlags |= O_CREAT | ((openFlag & _O_EXCL) != 0 ? O_EXCL : 0);
  }
  if ((openFlag & _O_TRUNC) != 0) {
    hostFlags |= O_TRUNC;
  }
  return true;
}

// open(2) with the answers Windows gives for a folder: EACCES, whatever the access.
int OpenHost(const char* path, int flags, mode_t mode) {
  int fd = -1;
  do {
    fd = open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == EISDIR) {
      errno = EACCES;
    }
    return -1;
  }
  if ((flags & O_ACCMODE) == O_RDONLY) {  // only a read-only open(2) succeeds on a folder
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
      close(fd);
      errno = EACCES;
      return -1;
    }
  }
  return fd;
}

// Renders a format of plain text, "%%" and "%c" alone as strftime_l would render its
// expansion, without the C library's locale machinery; the log's time line is such a
// format. False, with nothing written, for any other conversion or a field outside the
// range where every number has two digits: strftime_l renders those.
bool RenderPlainDates(char* buffer, std::size_t size, const char* format, const std::tm& time,
                      std::size_t& length) {
  const long long year = static_cast<long long>(time.tm_year) + 1900;
  const long long fields[] = {static_cast<long long>(time.tm_mon) + 1,
                              time.tm_mday,
                              year % 100,
                              time.tm_hour,
                              time.tm_min,
                              time.tm_sec};
  if (year < 0) {
    return false;
  }
  for (const long long field : fields) {
    if (field < 0 || field > 99) {
      return false;
    }
  }
  for (const char* p = format; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] != 'c' && p[1] != '%') {
      return false;
    }
    p += p[0] == '%' ? 1 : 0;
  }
  // "%m/%d/%y %H:%M:%S"
  const char date[] = {static_cast<char>('0' + fields[0] / 10), static_cast<char>('0' + fields[0] % 10), '/',
                       static_cast<char>('0' + fields[1] / 10), static_cast<char>('0' + fields[1] % 10), '/',
                       static_cast<char>('0' + fields[2] / 10), static_cast<char>('0' + fields[2] % 10), ' ',
                       static_cast<char>('0' + fields[3] / 10), static_cast<char>('0' + fields[3] % 10), ':',
                       static_cast<char>('0' + fields[4] / 10), static_cast<char>('0' + fields[4] % 10), ':',
                       static_cast<char>('0' + fields[5] / 10), static_cast<char>('0' + fields[5] % 10)};
  length = 0;
  for (const char* p = format; *p != '\0'; ++p) {
    const bool isDate = p[0] == '%' && p[1] == 'c';
    const std::size_t add = isDate ? sizeof date : 1;
    if (length + add >= size) {
      length = 0;  // the text and its zero do not fit
      return true;
    }
    if (isDate) {
      std::memcpy(buffer + length, date, sizeof date);
    } else {
      buffer[length] = p[0];
    }
    length += add;
    p += p[0] == '%' ? 1 : 0;
  }
  buffer[length] = '\0';
  return true;
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
 *  library's, in the "C" locale whatever the process's locale is. A format of text and
 *  "%c" alone (the common case) is rendered here, without the C library's strftime.
 */
std::size_t crt_strftime(char* buffer, std::size_t size, const char* format, const std::tm* time) {
  if (buffer == nullptr || format == nullptr || time == nullptr || size == 0) {
    return 0;
  }
  std::size_t plainLength = 0;
  if (RenderPlainDates(buffer, size, format, *time, plainLength)) {
    if (plainLength == 0) {
      buffer[0] = '\0';
    }
    return plainLength;
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
 *              localtime_s (MSVCRT.@), as crt_localtime
 *
 * Converts a time to the local time of the host's time zone.
 *
 * PARAMS
 *  time   [I] seconds since 1970-01-01 00:00:00 UTC
 *  result [O] the local time
 *
 * RETURNS
 *  Success: true.
 *  Failure: false, for a null result or a time the Windows runtime refuses: before
 *  1970 or after 3000-12-31 23:59:59 UTC.
 *
 * NOTES
 *  localtime_r: unlike localtime it looks for a changed time zone only once, not on every
 *  call, and keeps nothing in a buffer shared by the process.
 */
bool crt_localtime(std::time_t time, std::tm* result) {
  constexpr std::time_t kLastTime = 32535215999;  // 3000-12-31 23:59:59 UTC
  if (result == nullptr || time < 0 || time > kLastTime) {
    return false;
  }
  return localtime_r(&time, result) != nullptr;
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
  if (fileName == nullptr || !ParseMode(mode, parsed) || !IsShareFlag(shareFlag)) {
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

/******************************************************************************
 *              _sopen (MSVCRT.@)
 *
 * Opens a file named by a Windows path for the low-level calls, with a sharing mode.
 *
 * PARAMS
 *  fileName       [I] Windows path of the file (see win32/Crt.h for the drives)
 *  openFlag       [I] _O_RDONLY, _O_WRONLY or _O_RDWR, with _O_BINARY, and any of
 *                     _O_APPEND, _O_CREAT, _O_TRUNC, _O_EXCL and _O_NOINHERIT
 *  shareFlag      [I] _SH_DENYNO, _SH_DENYRD, _SH_DENYWR or _SH_DENYRW
 *  permissionMode [I] with _O_CREAT: _S_IREAD and/or _S_IWRITE
 *
 * RETURNS
 *  Success: the descriptor, for _write and _close.
 *  Failure: -1, with errno set: EINVAL for a bad or unimplemented argument, EEXIST for
 *  _O_CREAT | _O_EXCL on a file that exists, EACCES for a folder, otherwise the reason
 *  the host gave (ENOENT for a missing file or folder, ...).
 *
 * NOTES
 *  Binary mode only: the runtime's text modes translate line ends in _write and _read,
 *  which this layer does not do, so _O_TEXT, the wide text modes and a missing mode (the
 *  runtime's default, text) fail with EINVAL rather than write other bytes than Windows
 *  would. So do the runtime's hint and temporary-file flags. The sharing flag is checked
 *  but never restricts others, as with _fsopen. A file made without _S_IWRITE in
 *  `permissionMode` is read-only (the descriptor itself may still write).
 *  A file that exists under its name as written is opened with one open(2); only when it
 *  does not are the names matched ignoring case, and with _O_CREAT drive C:'s folder made,
 *  as _fsopen does.
 */
int _sopen(const char* fileName, int openFlag, int shareFlag, int permissionMode) {
  int hostFlags = 0;
  if (fileName == nullptr || !HostOpenFlags(openFlag, hostFlags) || !IsShareFlag(shareFlag)) {
    errno = EINVAL;
    return -1;
  }
  const mode_t mode = (permissionMode & _S_IWRITE) != 0 ? 0666 : 0444;
  try {
    StackPath asWritten;
    Resolved written;
    if (!AppendAsWritten(fileName, asWritten, written.drive, written.rootSize)) {
      errno = ENOENT;
      return -1;
    }
    if (asWritten.TooLong()) {
      errno = ENAMETOOLONG;
      return -1;
    }
    if ((hostFlags & O_EXCL) == 0) {
      // Without O_CREAT the name as written opens only what already exists under it.
      const int fd = OpenHost(asWritten.c_str(), hostFlags & ~O_CREAT, mode);
      if (fd >= 0 || (errno != ENOENT && errno != ENOTDIR)) {
        return fd;
      }
    }
    written.path.assign(asWritten.data(), asWritten.size());
    if ((hostFlags & O_CREAT) != 0 && written.drive == 'c') {
      const std::string drive = written.path.substr(0, written.rootSize);
      if (!Exists(drive)) {
        MakeFolders(drive);
      }
    }
    return OpenHost(MatchCase(written).c_str(), hostFlags, mode);
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return -1;
  }
}

/******************************************************************************
 *              _write (MSVCRT.@)
 *
 * Writes bytes to a descriptor of _sopen, as they are (binary mode).
 *
 * PARAMS
 *  fd     [I] the descriptor
 *  buffer [I] the bytes
 *  count  [I] how many
 *
 * RETURNS
 *  Success: the number of bytes written: `count`, or fewer when the disk filled up.
 *  Failure: -1, with errno set: EBADF for a descriptor that is not open for writing,
 *  EINVAL for a null buffer or a count above INT_MAX, ENOSPC, ...
 *
 * NOTES
 *  The bytes go in one write(2), repeated only for what a short write left; with
 *  O_APPEND the block lands at the end of the file in one piece.
 */
int _write(int fd, const void* buffer, unsigned int count) {
  if (count == 0) {
    return write(fd, buffer, 0) < 0 ? -1 : 0;
  }
  if (buffer == nullptr || count > static_cast<unsigned int>(INT_MAX)) {
    // The runtime looks at the descriptor first.
    errno = fcntl(fd, F_GETFD) < 0 ? EBADF : EINVAL;
    return -1;
  }
  const char* data = static_cast<const char*>(buffer);
  std::size_t written = 0;
  while (written < count) {
    const ssize_t n = write(fd, data + written, count - written);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      if (n == 0) {
        errno = ENOSPC;
      }
      return written > 0 ? static_cast<int>(written) : -1;
    }
    written += static_cast<std::size_t>(n);
  }
  return static_cast<int>(written);
}

/******************************************************************************
 *              _close (MSVCRT.@)
 *
 * Closes a descriptor of _sopen.
 *
 * PARAMS
 *  fd [I] the descriptor
 *
 * RETURNS
 *  Success: 0.
 *  Failure: -1, with errno set: EBADF for a descriptor that is not open.
 *
 * NOTES
 *  An interrupted close(2) has still released the descriptor on Linux: that is success.
 */
int _close(int fd) {
  if (close(fd) == 0 || errno == EINTR) {
    return 0;
  }
  return -1;
}

namespace win32 {

std::string UserDataFolder() {
  const char* variable = std::getenv("HOME");
  std::string home = variable != nullptr ? variable : "";
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
