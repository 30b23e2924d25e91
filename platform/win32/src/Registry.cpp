// The registry, kept in one text file per user (where, and its format: win32/Registry.h).
//
// A key is known by its full path from its root ("HKEY_CURRENT_USER\Software\..."),
// compared without regard to ASCII case, as are value names. An open key is a handle in
// a table of this process: its key's path and the access it was opened with. Each call
// reads the file, and each change reads, changes and replaces it under an exclusive lock
// (flock on "<file>.lock"), so that processes sharing the file neither miss nor
// overwrite each other's changes. Only the parse of the last text read is kept: a file
// that reads the same bytes again is not parsed again. Values are stored as their type and
// raw bytes; the ANSI calls here do no conversion, so sizes are byte counts as given.
//
// The file may be one a person edited or another program wrote, so it is never lost: a
// file that does not start as a registry export (or a folder) is refused and left alone,
// and every line the parser cannot read is kept where it stood and written back as it
// was, with one warning on stderr per line and process.
#include "win32/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "win32/Crt.h"

namespace {

struct Value {
  std::string name;  // as first written; "" is the key's default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  // Not a value: a line of the file that is a comment or cannot be read, kept as written
  // in its place among the values and written back unchanged. No call finds it.
  bool kept = false;
  std::string line;
};

struct Key {
  std::string path;  // full path as first written, from the root's name
  std::vector<Value> values;
};

// A stretch of the file in the order the file has it: a key, or a key line the parser
// refused together with the lines below it, all kept as written.
struct Section {
  std::string folded;              // the key's folded path; "" for kept lines
  std::vector<std::string> lines;  // kept lines
};

const char kRewriteNote[] = "; The registry of the Win32 layer. Rewritten whole on every change.";

// Names compare without regard to ASCII case, whatever the C library's locale.
char FoldChar(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Fold(const std::string& text) {
  std::string folded(text);
  for (char& c : folded) {
    c = FoldChar(c);
  }
  return folded;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldChar(x) == FoldChar(y); });
}

// A key path as the calls make them: names separated by single backslashes, none
// empty, and no backslash at either end.
bool IsWellFormedPath(const std::string& path) {
  return !path.empty() && path.front() != '\\' && path.back() != '\\' &&
         path.find("\\\\") == std::string::npos;
}

const char* const kCurrentUser = "HKEY_CURRENT_USER";
const char* const kLocalMachine = "HKEY_LOCAL_MACHINE";

// Every key of the file, by folded path.
class Hive {
 public:
  Hive() {
    Ensure(kCurrentUser);
    Ensure(kLocalMachine);
  }

  // The file's first line, and what stands between it and the first key.
  std::string header = "REGEDIT4";
  std::vector<std::string> preamble = {kRewriteNote};

  Key* Find(const std::string& path) { return const_cast<Key*>(static_cast<const Hive&>(*this).Find(path)); }

  const Key* Find(const std::string& path) const {
    auto it = m_keys.find(Fold(path));
    return it == m_keys.end() ? nullptr : &it->second;
  }

  // The key and every missing key above it; returns the key. A key's parents exist
  // while it does (a key with subkeys is not erased), so a key found ends the work.
  Key& Ensure(const std::string& path) {
    const std::string folded = Fold(path);
    auto found = m_keys.find(folded);
    if (found != m_keys.end()) {
      return found->second;
    }
    for (std::size_t slash = folded.find('\\'); slash != std::string::npos;
         slash = folded.find('\\', slash + 1)) {
      Insert(folded.substr(0, slash), path, slash);
    }
    return Insert(folded, path, path.size());
  }

  bool HasSubkeys(const std::string& path) const {
    const std::string prefix = Fold(path) + "\\";
    auto it = m_keys.lower_bound(prefix);
    return it != m_keys.end() && it->first.compare(0, prefix.size(), prefix) == 0;
  }

  // Removes the key unless it has subkeys (which Ensure relies on); false when it has.
  // Lines the file kept among its values stay in the file, in the key's place.
  bool Erase(const std::string& path) {
    if (HasSubkeys(path)) {
      return false;
    }
    const std::string folded = Fold(path);
    const auto it = m_keys.find(folded);
    if (it == m_keys.end()) {
      return true;
    }
    for (Section& section : m_sections) {
      if (section.folded == folded) {
        section.folded.clear();
        for (const Value& value : it->second.values) {
          if (value.kept) {
            section.lines.push_back(value.line);
          }
        }
        break;
      }
    }
    m_keys.erase(it);
    return true;
  }

  // A stretch of kept lines after everything read so far (a refused key line and what
  // follows it).
  std::vector<std::string>& KeptSection() {
    m_sections.push_back(Section{});
    return m_sections.back().lines;
  }

  const std::map<std::string, Key>& Keys() const { return m_keys; }
  const std::vector<Section>& Sections() const { return m_sections; }

 private:
  // The key of the folded path `folded`, made with the first `length` bytes of `path`
  // as its name when it is new.
  Key& Insert(std::string folded, const std::string& path, std::size_t length) {
    auto inserted = m_keys.try_emplace(folded);
    if (inserted.second) {
      inserted.first->second.path = path.substr(0, length);
      m_sections.push_back(Section{std::move(folded), {}});
    }
    return inserted.first->second;
  }

  std::map<std::string, Key> m_keys;
  std::vector<Section> m_sections;  // file order: keys as first met or made, kept lines
};

template <typename KeyType>
auto FindValue(KeyType& key, const std::string& name) -> decltype(&key.values.front()) {
  for (auto& value : key.values) {
    if (!value.kept && SameName(value.name, name)) {
      return &value;
    }
  }
  return nullptr;
}

// ---- The file -------------------------------------------------------------------

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  c = FoldChar(c);
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

// Reads a quoted text at text[pos] (which is '"') with \\ and \" escapes; pos ends
// after the closing quote.
bool ParseQuoted(const std::string& text, std::size_t& pos, std::string& out) {
  if (pos >= text.size() || text[pos] != '"') {
    return false;
  }
  for (++pos; pos < text.size(); ++pos) {
    char c = text[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\' && pos + 1 < text.size()) {
      c = text[++pos];
    }
    out += c;
  }
  return false;
}

// Reads "01,ab,2" (bytes of one or two hex digits, separated by commas).
bool ParseHexBytes(const std::string& text, std::vector<BYTE>& out) {
  int byte = 0;
  int digits = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      continue;
    }
    if (c == ',') {
      if (digits == 0) {
        return false;
      }
      out.push_back(static_cast<BYTE>(byte));
      byte = 0;
      digits = 0;
      continue;
    }
    const int digit = HexDigit(c);
    if (digit < 0 || ++digits > 2) {
      return false;
    }
    byte = byte * 16 + digit;
  }
  if (digits != 0) {
    out.push_back(static_cast<BYTE>(byte));
  }
  return true;
}

// One value line after its name: "text", dword:XXXXXXXX, hex:.. or hex(N):..
bool ParseData(const std::string& text, Value& value) {
  if (!text.empty() && text[0] == '"') {
    std::size_t pos = 0;
    std::string chars;
    if (!ParseQuoted(text, pos, chars)) {
      return false;
    }
    value.type = REG_SZ;
    value.data.assign(chars.begin(), chars.end());
    value.data.push_back(0);
    return true;
  }
  if (text.compare(0, 6, "dword:") == 0) {
    const std::string digits = text.substr(6);
    if (digits.empty() || digits.size() > 8) {
      return false;
    }
    DWORD number = 0;
    for (char c : digits) {
      const int digit = HexDigit(c);
      if (digit < 0) {
        return false;
      }
      number = number * 16 + static_cast<DWORD>(digit);
    }
    value.type = REG_DWORD;
    value.data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8), static_cast<BYTE>(number >> 16),
                  static_cast<BYTE>(number >> 24)};
    return true;
  }
  if (text.compare(0, 4, "hex:") == 0) {
    value.type = REG_BINARY;
    return ParseHexBytes(text.substr(4), value.data);
  }
  if (text.compare(0, 4, "hex(") == 0) {
    const std::size_t close = text.find("):", 4);
    if (close == std::string::npos || close == 4) {
      return false;
    }
    DWORD type = 0;
    for (std::size_t i = 4; i < close; ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0) {
        return false;
      }
      type = type * 16 + static_cast<DWORD>(digit);
    }
    value.type = type;
    return ParseHexBytes(text.substr(close + 2), value.data);
  }
  return false;
}

std::string Trim(const std::string& line) {
  std::size_t begin = 0;
  std::size_t end = line.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(line[begin])) != 0) {
    ++begin;
  }
  while (end > begin && std::isspace(static_cast<unsigned char>(line[end - 1])) != 0) {
    --end;
  }
  return line.substr(begin, end - begin);
}

// Whether `line` is the first line of a registry export, as regedit writes it.
bool IsRegistryHeader(std::string line) {
  if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    line.erase(0, 3);  // a UTF-8 byte order mark
  }
  line = Trim(line);
  return line == "REGEDIT4" || line == "REGEDIT5" || line == "Windows Registry Editor Version 5.00";
}

// A line the parser could not read: where it is and what it says.
struct Unread {
  std::size_t number;  // 1 for the first line
  std::string text;
};

// Reads the hive from its text; false when the text is not a registry export (its
// first line is not REGEDIT4 or the like), and an empty text is an empty registry.
// Comments and lines the parser cannot read are kept in their place (a bad key line
// keeps the lines below it too, since they belong to no key a call could name); those
// that are not comments are listed in `unread`.
bool Parse(const std::string& text, Hive& hive, std::vector<Unread>& unread) {
  if (text.empty()) {
    return true;
  }
  Key* current = nullptr;
  std::vector<std::string>* keptSection = &hive.preamble;
  hive.preamble.clear();
  std::size_t pos = 0;
  std::size_t number = 0;
  const auto nextLine = [&](std::string& raw) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) {
      end = text.size();
    }
    raw = text.substr(pos, end - pos);
    if (!raw.empty() && raw.back() == '\r') {
      raw.pop_back();
    }
    pos = end + 1;
    ++number;
  };
  std::string raw;
  nextLine(raw);
  if (!IsRegistryHeader(raw)) {
    return false;
  }
  hive.header = Trim(raw);
  while (pos < text.size()) {
    nextLine(raw);
    const std::size_t first = number;
    std::string line = Trim(raw);
    // A hex list may go on over several lines, each but the last ending in '\'.
    while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos &&
           pos < text.size()) {
      std::string more;
      nextLine(more);
      raw += "\n" + more;
      line.pop_back();
      line += Trim(more);
    }
    if (line.empty()) {
      continue;
    }
    const bool comment = line[0] == ';' || line[0] == '#';
    if (line[0] == '[' && !comment) {
      current = nullptr;
      keptSection = nullptr;
      // A key whose path the calls would refuse is kept with its values, unread.
      const std::string path = line.size() >= 3 && line.back() == ']' ? line.substr(1, line.size() - 2) : "";
      const std::string root = path.substr(0, path.find('\\'));
      if (IsWellFormedPath(path) && (SameName(root, kCurrentUser) || SameName(root, kLocalMachine))) {
        current = &hive.Ensure(path);
        continue;
      }
      keptSection = &hive.KeptSection();
      keptSection->push_back(raw);
      unread.push_back({first, raw});
      continue;
    }
    Value value;
    std::size_t cursor = 0;
    const bool readable = !comment && current != nullptr &&
                          (line[0] == '@' ? (cursor = 1, true) : ParseQuoted(line, cursor, value.name)) &&
                          cursor < line.size() && line[cursor] == '=' &&
                          ParseData(line.substr(cursor + 1), value);
    if (!readable) {
      if (!comment) {
        unread.push_back({first, raw});
      }
      if (current != nullptr) {
        Value keptLine;
        keptLine.kept = true;
        keptLine.line = raw;
        current->values.push_back(std::move(keptLine));
      } else {
        keptSection->push_back(raw);
      }
      continue;
    }
    if (Value* existing = FindValue(*current, value.name)) {
      *existing = std::move(value);
    } else {
      current->values.push_back(std::move(value));
    }
  }
  return true;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
    }
    out += c;
  }
  out += '"';
  return out;
}

bool IsPlainText(const Value& value) {
  if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0) {
    return false;
  }
  for (std::size_t i = 0; i + 1 < value.data.size(); ++i) {
    if (value.data[i] < 0x20 || value.data[i] > 0x7e) {
      return false;
    }
  }
  return true;
}

std::string Format(const Value& value) {
  if (value.kept) {
    return value.line;
  }
  std::string line = value.name.empty() ? "@" : Quote(value.name);
  line += '=';
  if (IsPlainText(value)) {
    return line + Quote(std::string(value.data.begin(), value.data.end() - 1));
  }
  char number[32];
  if (value.type == REG_DWORD && value.data.size() == 4) {
    const DWORD dword = value.data[0] | (static_cast<DWORD>(value.data[1]) << 8) |
                        (static_cast<DWORD>(value.data[2]) << 16) | (static_cast<DWORD>(value.data[3]) << 24);
    std::snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(dword));
    return line + number;
  }
  if (value.type == REG_BINARY) {
    line += "hex:";
  } else {
    std::snprintf(number, sizeof number, "hex(%x):", static_cast<unsigned>(value.type));
    line += number;
  }
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    std::snprintf(number, sizeof number, i == 0 ? "%02x" : ",%02x", static_cast<unsigned>(value.data[i]));
    line += number;
  }
  return line;
}

std::string Serialize(const Hive& hive) {
  std::string text = hive.header + "\n";
  for (const std::string& line : hive.preamble) {
    text += line + "\n";
  }
  for (const Section& section : hive.Sections()) {
    if (section.folded.empty()) {
      text += "\n";
      for (const std::string& line : section.lines) {
        text += line + "\n";
      }
      continue;
    }
    const Key& key = hive.Keys().at(section.folded);
    const bool isRoot = key.path.find('\\') == std::string::npos;
    if (isRoot && key.values.empty()) {
      continue;
    }
    text += "\n[" + key.path + "]\n";
    for (const Value& value : key.values) {
      text += Format(value) + "\n";
    }
  }
  return text;
}

// Reads the file at `path` into `text`, which keeps its capacity from call to call.
// A missing file reads as empty.
bool ReadWholeFile(const std::string& path, std::string& text) {
  text.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return errno == ENOENT;  // no file yet: an empty registry
  }
  char chunk[8192];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      close(fd);
      return n == 0;
    }
    try {
      text.append(chunk, static_cast<std::size_t>(n));
    } catch (...) {  // out of memory: the caller reports it; the file is not left open
      close(fd);
      throw;
    }
    if (static_cast<std::size_t>(n) < sizeof chunk) {
      close(fd);  // a regular file reads short only at its end
      return true;
    }
  }
}

std::string Folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

void MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    mkdir(folder.substr(0, slash).c_str(), 0777);
  }
  mkdir(folder.c_str(), 0777);
}

// Replaces the file at `path` with `text`, in a folder that exists.
bool WriteWholeFile(const std::string& path, const std::string& text) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(&temp[0]);
  if (fd < 0) {
    return false;
  }
  bool ok = fchmod(fd, 0600) == 0;
  for (std::size_t done = 0; ok && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    ok = n > 0;
    done += ok ? static_cast<std::size_t>(n) : 0;
  }
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
  }
  return ok;
}

// Holds the cross-process lock of the registry file while a change is made.
class FileLock {
 public:
  explicit FileLock(const std::string& registryFile) {
    const std::string lockFile = registryFile + ".lock";
    m_fd = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0 && errno == ENOENT) {  // no folder yet: make it, for the file too
      MakeFolders(Folder(registryFile));
      m_fd = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    }
    if (m_fd >= 0) {
      while (flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() {
    if (m_fd >= 0) {
      close(m_fd);  // releases the lock
    }
  }

 private:
  int m_fd = -1;
};

// ---- Handles --------------------------------------------------------------------

struct OpenKey {
  std::string path;
  REGSAM access = 0;
};

std::mutex g_mutex;  // the handle table, and the file against other threads
// The options each key this process created was created with, by folded path: Windows
// keeps a volatile key only until it restarts, and a test must be able to see which
// kind a caller asked for.
std::map<std::string, DWORD> g_createOptions;
// An open key's handle is the address of a token of its own.
std::map<const HKEY__*, OpenKey> g_handles;

constexpr ULONG_PTR kCurrentUserHandle = 0x80000001u;
constexpr ULONG_PTR kLocalMachineHandle = 0x80000002u;

// The root that a predefined handle stands for, or null for any other handle.
const char* PredefinedRoot(HKEY key) {
  const auto value = reinterpret_cast<ULONG_PTR>(key);
  if (value == kCurrentUserHandle) {
    return kCurrentUser;
  }
  return value == kLocalMachineHandle ? kLocalMachine : nullptr;
}

REGSAM MapGenericAccess(REGSAM desired) {
  REGSAM access = desired & 0x00FFFFFFu;
  if ((desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) != 0) {
    access |= KEY_ALL_ACCESS;
  }
  if ((desired & GENERIC_READ) != 0) {
    access |= KEY_READ;
  }
  if ((desired & GENERIC_WRITE) != 0) {
    access |= KEY_WRITE;
  }
  return access;
}

// The path and access of an open key, or null for a handle that is not open. The
// caller holds g_mutex; the record stays valid while it does.
const OpenKey* Lookup(HKEY key) {
  static const OpenKey kCurrentUserKey{kCurrentUser, KEY_ALL_ACCESS};
  static const OpenKey kLocalMachineKey{kLocalMachine, KEY_ALL_ACCESS};
  if (const char* root = PredefinedRoot(key)) {
    return root == kCurrentUser ? &kCurrentUserKey : &kLocalMachineKey;
  }
  const auto it = g_handles.find(key);
  return it == g_handles.end() ? nullptr : &it->second;
}

HKEY NewHandle(const std::string& path, REGSAM access) {
  auto token = std::make_unique<HKEY__>();
  g_handles[token.get()] = OpenKey{path, MapGenericAccess(access)};
  return token.release();
}

// Appends a subkey path to a key's path. Fails with ERROR_BAD_PATHNAME for an empty
// name inside the path ("a\\\\b", "\\a"); one trailing backslash is allowed.
LONG JoinPath(const std::string& base, LPCSTR subKey, std::string& path) {
  path = base;
  if (subKey == nullptr || subKey[0] == '\0') {
    return ERROR_SUCCESS;
  }
  std::string rest(subKey);
  if (rest.back() == '\\') {
    rest.pop_back();
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = rest.find('\\', start);
    const std::string name = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (name.empty()) {
      return ERROR_BAD_PATHNAME;
    }
    path += "\\" + name;
    if (end == std::string::npos) {
      return ERROR_SUCCESS;
    }
    start = end + 1;
  }
}

// The last text read from the registry file, and its keys.
struct ParsedFile {
  std::string text;
  Hive hive;
};
std::unique_ptr<const ParsedFile> g_parsed;  // under g_mutex
std::string g_readBuffer;                    // under g_mutex: what the file reads now
std::string g_problem;                       // under g_mutex: why the last Load failed
LONG g_loadError = ERROR_SUCCESS;            // under g_mutex: what the calls answer for it
std::set<std::string> g_warned;              // under g_mutex: every warning given
std::vector<std::string> g_warnings;         // under g_mutex: the same, in order

// Past this many, warnings are no longer given or remembered: a process that reads many
// files (a fuzzer) must not grow without end.
constexpr std::size_t kMostWarnings = 200;

// Tells the user once per process on stderr: a library cannot ask a program's user.
void Warn(const std::string& message) {
  if (g_warnings.size() > kMostWarnings || g_warned.count(message) != 0) {
    return;
  }
  if (g_warnings.size() == kMostWarnings) {
    g_warnings.emplace_back("further warnings about the registry file are not shown");
    std::fprintf(stderr, "win32: %s\n", g_warnings.back().c_str());
    return;
  }
  g_warned.insert(message);
  g_warnings.push_back(message);
  std::fprintf(stderr, "win32: %s\n", message.c_str());
}

// A line of the file as a warning shows it: control characters and bytes beyond ASCII
// as \xNN, so that the terminal shows what is there.
std::string Shown(const std::string& line) {
  std::string out;
  for (char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

// Fails the load with `error` and the reason the user is told.
const Hive* Refuse(LONG error, const std::string& problem) {
  g_loadError = error;
  g_problem = problem;
  Warn(problem);
  return nullptr;
}

// The keys of the registry file as it is now; null when it cannot be read or is not a
// registry file (g_loadError and g_problem then say why). The file is read on every
// call, so a change by another process is seen at once; its text is parsed again only
// when it differs from the last one read. The caller holds g_mutex, and the keys stay
// valid until its next call.
const Hive* Load() {
  const std::string file = win32::RegistryFile();
  struct stat status {};
  if (stat(file.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
    return Refuse(ERROR_BADDB, file + " is not a registry file but " +
                                   (S_ISDIR(status.st_mode) ? "a folder" : "a special file") +
                                   "; the registry calls fail and it is left as it is");
  }
  if (!ReadWholeFile(file, g_readBuffer)) {
    return Refuse(ERROR_ACCESS_DENIED, "cannot read the registry file " + file + ": " + std::strerror(errno));
  }
  if (g_parsed == nullptr || g_parsed->text != g_readBuffer) {
    auto parsed = std::make_unique<ParsedFile>();
    std::vector<Unread> unread;
    if (!Parse(g_readBuffer, parsed->hive, unread)) {
      g_parsed.reset();
      return Refuse(ERROR_BADDB, file +
                                     " is not a registry file (its first line is not REGEDIT4); the "
                                     "registry calls fail and it is left as it is");
    }
    for (const Unread& line : unread) {
      Warn(file + ":" + std::to_string(line.number) + ": cannot read " + Shown(line.text) +
           "; the line is kept as it is");
    }
    parsed->text = g_readBuffer;
    g_parsed = std::move(parsed);
  }
  g_loadError = ERROR_SUCCESS;
  g_problem.clear();
  return &g_parsed->hive;
}

// Writes the keys to the registry file. The caller holds the file's lock, which made
// the file's folder.
LONG Save(const Hive& hive) {
  return WriteWholeFile(win32::RegistryFile(), Serialize(hive)) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Changes the key that the open handle `key` names: checks the handle and its right to
// set values, re-reads the registry file under its lock, runs `change` on the key and
// saves the file when the change answers ERROR_SUCCESS. The caller holds no lock.
template <typename Change>
LONG ChangeKey(HKEY key, Change change) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const OpenKey* open = Lookup(key);
  if (open == nullptr) {
    return ERROR_INVALID_HANDLE;
  }
  if ((open->access & KEY_SET_VALUE) == 0) {
    return ERROR_ACCESS_DENIED;
  }
  // A file that is not a registry gets no lock file beside it either.
  if (Load() == nullptr) {
    return g_loadError;
  }
  FileLock fileLock(win32::RegistryFile());
  const Hive* loaded = Load();
  if (loaded == nullptr) {
    return g_loadError;
  }
  Hive hive = *loaded;
  Key* found = hive.Find(open->path);
  if (found == nullptr) {
    return ERROR_KEY_DELETED;
  }
  const LONG changed = change(*found);
  return changed == ERROR_SUCCESS ? Save(hive) : changed;
}

}  // namespace

namespace win32 {

std::string RegistryFile() {
  const char* file = std::getenv("WIN32_REGISTRY_FILE");
  if (file != nullptr && file[0] != '\0') {
    return file;
  }
  return UserDataFolder() + "/user.reg";
}

DWORD KeyCreateOptions(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const auto found = g_createOptions.find(Fold(path));
  return found == g_createOptions.end() ? kKeyNotCreated : found->second;
}

std::size_t OpenKeyCount() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_handles.size();
}

std::string RegistryFileProblem() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return Load() == nullptr ? g_problem : std::string();
}

std::vector<std::string> RegistryWarnings() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_warnings;
}

}  // namespace win32

/******************************************************************************
 *              RegOpenKeyExA   [ADVAPI32.@]
 *
 * Opens a key that exists.
 *
 * PARAMS
 *  key     [I] an open key, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
 *  subKey  [I] path of the key below `key`, names separated by '\'; null or "" opens
 *              `key` itself again
 *  options [I] ignored
 *  desired [I] access wanted (KEY_READ, KEY_SET_VALUE, ...; generic rights map onto them)
 *  result  [O] the new handle; null on failure
 *
 * RETURNS
 *  Success: ERROR_SUCCESS.
 *  Failure: ERROR_FILE_NOT_FOUND when the key does not exist, ERROR_INVALID_HANDLE for
 *  a key that is not open, ERROR_BAD_PATHNAME for an empty name inside the path,
 *  ERROR_INVALID_PARAMETER for a null `result`.
 *
 * NOTES
 *  Names compare without regard to case. Any access is granted; later calls check
 *  that the handle was opened with the access they need.
 */
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM desired, PHKEY result) {
  if (result == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *result = nullptr;
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    const OpenKey* base = Lookup(key);
    if (base == nullptr) {
      return ERROR_INVALID_HANDLE;
    }
    std::string path;
    const LONG joined = JoinPath(base->path, subKey, path);
    if (joined != ERROR_SUCCESS) {
      return joined;
    }
    const Hive* hive = Load();
    if (hive == nullptr) {
      return g_loadError;
    }
    const Key* found = hive->Find(path);
    if (found == nullptr) {
      return ERROR_FILE_NOT_FOUND;
    }
    *result = NewHandle(found->path, desired);
    return ERROR_SUCCESS;
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

/******************************************************************************
 *              RegCreateKeyExA   [ADVAPI32.@]
 *
 * Opens a key, creating it and every missing key above it first.
 *
 * PARAMS
 *  key         [I] an open key, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
 *  subKey      [I] path of the key below `key`; "" opens `key` itself again
 *  reserved    [I] ignored
 *  className   [I] ignored (keys have no class here)
 *  options     [I] kept for KeyCreateOptions; every key persists in the file
 *                  (REG_OPTION_VOLATILE too)
 *  desired     [I] access wanted for the new handle
 *  security    [I] ignored
 *  result      [O] the new handle; null on failure
 *  disposition [O] optional: REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY
 *
 * RETURNS
 *  Success: ERROR_SUCCESS.
 *  Failure: ERROR_ACCESS_DENIED when the key must be created and `key` was opened
 *  without KEY_CREATE_SUB_KEY, or the file cannot be written; ERROR_KEY_DELETED when
 *  `key` was deleted since it was opened; ERROR_INVALID_HANDLE, ERROR_BAD_PATHNAME and
 *  ERROR_INVALID_PARAMETER (null `subKey` or `result`) as for RegOpenKeyExA.
 */
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD /*reserved*/, LPSTR /*className*/, DWORD options,
                        REGSAM desired, LPSECURITY_ATTRIBUTES /*security*/, PHKEY result,
                        LPDWORD disposition) {
  if (result == nullptr || subKey == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *result = nullptr;
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    const OpenKey* base = Lookup(key);
    if (base == nullptr) {
      return ERROR_INVALID_HANDLE;
    }
    std::string path;
    const LONG joined = JoinPath(base->path, subKey, path);
    if (joined != ERROR_SUCCESS) {
      return joined;
    }
    if (Load() == nullptr) {
      return g_loadError;
    }
    FileLock fileLock(win32::RegistryFile());
    const Hive* loaded = Load();
    if (loaded == nullptr) {
      return g_loadError;
    }
    if (loaded->Find(base->path) == nullptr) {
      return ERROR_KEY_DELETED;
    }
    if (const Key* found = loaded->Find(path)) {
      *result = NewHandle(found->path, desired);
      if (disposition != nullptr) {
        *disposition = REG_OPENED_EXISTING_KEY;
      }
      return ERROR_SUCCESS;
    }
    if ((base->access & KEY_CREATE_SUB_KEY) == 0) {
      return ERROR_ACCESS_DENIED;
    }
    Hive hive = *loaded;
    const std::string created = hive.Ensure(path).path;
    const LONG saved = Save(hive);
    if (saved != ERROR_SUCCESS) {
      return saved;
    }
    *result = NewHandle(created, desired);
    g_createOptions[Fold(created)] = options;
    if (disposition != nullptr) {
      *disposition = REG_CREATED_NEW_KEY;
    }
    return ERROR_SUCCESS;
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

/******************************************************************************
 *              RegQueryValueExA   [ADVAPI32.@]
 *
 * Reads the type and data of a value.
 *
 * PARAMS
 *  key       [I] an open key, opened with KEY_QUERY_VALUE
 *  valueName [I] name of the value; null or "" for the key's default value
 *  reserved  [I] must be null
 *  type      [O] optional: the value's type, also when ERROR_MORE_DATA is returned
 *  data      [O] optional: receives the data
 *  dataSize  [I/O] size of `data` in bytes; receives the size of the value's data
 *
 * RETURNS
 *  Success: ERROR_SUCCESS. With a null `data` only the size is given.
 *  Failure: ERROR_FILE_NOT_FOUND when the value does not exist; ERROR_MORE_DATA when
 *  `data` is too small (*dataSize then holds the size needed and `data` is untouched);
 *  ERROR_ACCESS_DENIED without KEY_QUERY_VALUE; ERROR_KEY_DELETED when the key was
 *  deleted since it was opened; ERROR_INVALID_PARAMETER for a non-null `reserved` or a
 *  `data` without `dataSize`; ERROR_INVALID_HANDLE for a key that is not open.
 *
 * NOTES
 *  As on Windows, a REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ value stored without its
 *  terminating zero gets one written after its data when `data` has room for it; the
 *  size given back is still the stored size. Without room the data is not terminated.
 */
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    const OpenKey* open = Lookup(key);
    if (open == nullptr) {
      return ERROR_INVALID_HANDLE;
    }
    if ((open->access & KEY_QUERY_VALUE) == 0) {
      return ERROR_ACCESS_DENIED;
    }
    const Hive* hive = Load();
    if (hive == nullptr) {
      return g_loadError;
    }
    const Key* found = hive->Find(open->path);
    if (found == nullptr) {
      return ERROR_KEY_DELETED;
    }
    const Value* value = FindValue(*found, valueName == nullptr ? "" : valueName);
    if (value == nullptr) {
      return ERROR_FILE_NOT_FOUND;
    }
    if (type != nullptr) {
      *type = value->type;
    }
    const auto size = static_cast<DWORD>(value->data.size());
    if (dataSize == nullptr) {
      return ERROR_SUCCESS;
    }
    if (data == nullptr) {
      *dataSize = size;
      return ERROR_SUCCESS;
    }
    if (*dataSize < size) {
      *dataSize = size;
      return ERROR_MORE_DATA;
    }
    if (size != 0) {
      std::memcpy(data, value->data.data(), size);
    }
    if (IsStringType(value->type) && *dataSize > size && (size == 0 || data[size - 1] != 0)) {
      data[size] = 0;
    }
    *dataSize = size;
    return ERROR_SUCCESS;
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

/******************************************************************************
 *              RegSetValueExA   [ADVAPI32.@]
 *
 * Creates or replaces a value.
 *
 * PARAMS
 *  key       [I] an open key, opened with KEY_SET_VALUE
 *  valueName [I] name of the value; null or "" for the key's default value
 *  reserved  [I] ignored
 *  type      [I] any type; REG_SZ and the others are not checked against the data
 *  data      [I] the bytes to store
 *  dataSize  [I] their number; text types should count the terminating zero
 *
 * RETURNS
 *  Success: ERROR_SUCCESS.
 *  Failure: ERROR_ACCESS_DENIED without KEY_SET_VALUE or when the file cannot be
 *  written; ERROR_NOACCESS for a null `data` with a non-zero size; ERROR_KEY_DELETED;
 *  ERROR_INVALID_HANDLE.
 *
 * NOTES
 *  The bytes are stored exactly as given: a text without its terminating zero stays
 *  without it, and a REG_DWORD may have any size.
 */
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                       DWORD dataSize) {
  if (data == nullptr && dataSize != 0) {
    return ERROR_NOACCESS;
  }
  try {
    return ChangeKey(key, [&](Key& found) -> LONG {
      const std::string name = valueName == nullptr ? "" : valueName;
      Value* value = FindValue(found, name);
      if (value == nullptr) {
        // After the key's last value: lines kept below it stay below it.
        auto place = found.values.end();
        while (place != found.values.begin() && std::prev(place)->kept) {
          --place;
        }
        if (place == found.values.begin()) {
          place = found.values.end();
        }
        value = &*found.values.emplace(place);
        value->name = name;
      }
      value->type = type;
      value->data.assign(data, data + dataSize);
      return ERROR_SUCCESS;
    });
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

/******************************************************************************
 *              RegDeleteValueA   [ADVAPI32.@]
 *
 * Deletes a value.
 *
 * PARAMS
 *  key       [I] an open key, opened with KEY_SET_VALUE
 *  valueName [I] name of the value; null or "" for the key's default value
 *
 * RETURNS
 *  Success: ERROR_SUCCESS.
 *  Failure: ERROR_FILE_NOT_FOUND when there is no such value; ERROR_ACCESS_DENIED,
 *  ERROR_KEY_DELETED and ERROR_INVALID_HANDLE as for RegSetValueExA.
 */
LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) {
  try {
    return ChangeKey(key, [&](Key& found) -> LONG {
      const std::string name = valueName == nullptr ? "" : valueName;
      for (auto it = found.values.begin(); it != found.values.end(); ++it) {
        if (SameName(it->name, name)) {
          found.values.erase(it);
          return ERROR_SUCCESS;
        }
      }
      return ERROR_FILE_NOT_FOUND;
    });
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

/******************************************************************************
 *              RegDeleteKeyA   [ADVAPI32.@]
 *
 * Deletes a key that has no subkeys, with its values.
 *
 * PARAMS
 *  key    [I] an open key, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
 *  subKey [I] path of the key below `key`; "" deletes `key` itself
 *
 * RETURNS
 *  Success: ERROR_SUCCESS.
 *  Failure: ERROR_FILE_NOT_FOUND when the key does not exist; ERROR_ACCESS_DENIED for
 *  a key with subkeys, for a root, or when the file cannot be written;
 *  ERROR_INVALID_PARAMETER for a null `subKey`; ERROR_INVALID_HANDLE.
 *
 * NOTES
 *  Handles open on the deleted key stay valid handles; the calls made through them
 *  answer ERROR_KEY_DELETED.
 */
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  if (subKey == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  try {
    std::lock_guard<std::mutex> lock(g_mutex);
    const OpenKey* base = Lookup(key);
    if (base == nullptr) {
      return ERROR_INVALID_HANDLE;
    }
    std::string path;
    const LONG joined = JoinPath(base->path, subKey, path);
    if (joined != ERROR_SUCCESS) {
      return joined;
    }
    if (path.find('\\') == std::string::npos) {
      return ERROR_ACCESS_DENIED;
    }
    if (Load() == nullptr) {
      return g_loadError;
    }
    FileLock fileLock(win32::RegistryFile());
    const Hive* loaded = Load();
    if (loaded == nullptr) {
      return g_loadError;
    }
    if (loaded->Find(path) == nullptr) {
      return ERROR_FILE_NOT_FOUND;
    }
    Hive hive = *loaded;
    if (!hive.Erase(path)) {
      return ERROR_ACCESS_DENIED;  // it has subkeys
    }
    return Save(hive);
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

/******************************************************************************
 *              RegCloseKey   [ADVAPI32.@]
 *
 * Closes a handle from RegOpenKeyExA or RegCreateKeyExA.
 *
 * PARAMS
 *  key [I] the handle
 *
 * RETURNS
 *  Success: ERROR_SUCCESS, also for HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, which
 *  stay usable.
 *  Failure: ERROR_INVALID_HANDLE for a handle that is not open (null, closed before).
 */
LSTATUS RegCloseKey(HKEY key) {
  if (PredefinedRoot(key) != nullptr) {
    return ERROR_SUCCESS;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_handles.find(key);
  if (it == g_handles.end()) {
    return ERROR_INVALID_HANDLE;
  }
  delete it->first;
  g_handles.erase(it);
  return ERROR_SUCCESS;
}
