#include "Mailbox.h"

#include <fstream>
#include <sstream>

#include "HostError.h"
#include "HostText.h"

namespace rulehost {
namespace {

// Reads the format of docs/mailbox-format.md, and nothing else: whatever the grammar does
// not describe is an error naming its line, never a guess.
class Parser {
 public:
  explicit Parser(std::string source) : m_source(std::move(source)) {}

  MailboxModel Parse(const std::string& text) {
    MailboxModel mailbox;
    mailbox.source = m_source;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) {
        end = text.size();
      }
      std::string_view raw(text.data() + pos, end - pos);
      pos = end + 1;
      ++m_line;
      if (!raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);  // a CR LF line end
      }
      std::size_t indent = 0;
      while (indent < raw.size() && raw[indent] == ' ') {
        ++indent;
      }
      if (indent < raw.size() && raw[indent] == '\t') {
        Fail("indent with spaces; a tab's width is not defined here");
      }
      if (const auto control = FindControlCharacter(raw)) {
        Fail("a control character (" + *control + "); a line holds printable text only" +
             (raw.find('\r') != std::string_view::npos ? " and ends with LF or CR LF" : ""));
      }
      const std::string_view body = Trim(raw.substr(indent));
      if (body.empty() || body.front() == '#') {
        continue;
      }
      if (indent == 0) {
        mailbox.stores.push_back(StoreLine(body, mailbox));
        m_levels.clear();
        m_inboxLine = 0;
        continue;
      }
      if (mailbox.stores.empty()) {
        Fail("a folder before the first store line (\"store NAME [default]\")");
      }
      FolderLine(body, indent, mailbox.stores.back());
    }
    if (mailbox.stores.empty()) {
      throw HostError(kExitMailbox,
                      m_source + ": the mailbox has no store (a line \"store NAME [default]\")");
    }
    return mailbox;
  }

 private:
  [[noreturn]] void Fail(const std::string& message) const {
    throw HostError(kExitMailbox, m_source + ":" + std::to_string(m_line) + ": " + message);
  }

  // Splits "NAME [keyword]". A quoted name is taken as written and only the keyword may
  // follow it; an unquoted name is every word before a last word equal to `keyword`, and
  // holds that word nowhere else (such a name is written in quotes).
  std::string NameAndMarker(std::string_view text, const char* keyword, bool* marked) const {
    *marked = false;
    if (!text.empty() && text.front() == '"') {
      const std::size_t close = text.find('"', 1);
      if (close == std::string_view::npos) {
        Fail("a quoted name without its closing '\"'");
      }
      std::string name(text.substr(1, close - 1));
      const std::string_view rest = text.substr(close + 1);
      if (rest == std::string(" ") + keyword) {
        *marked = true;
      } else if (!rest.empty()) {
        Fail("unexpected " + Quoted(rest) + " after the quoted name (only \" " + keyword + "\" may follow)");
      }
      if (name.empty()) {
        Fail("an empty name");
      }
      return name;
    }
    std::string_view name = text;
    const std::size_t blank = text.find_last_of(' ');
    if (blank != std::string_view::npos && text.substr(blank + 1) == keyword) {
      *marked = true;
      name = Trim(text.substr(0, blank));
    }
    if (HasWord(name, keyword)) {
      Fail("the word \"" + std::string(keyword) + "\" inside the name " + Quoted(name) + "; write " +
           keyword + " last, after the name, or put a name that holds the word in quotes");
    }
    return std::string(name);
  }

  StoreModel StoreLine(std::string_view body, const MailboxModel& mailbox) const {
    const std::string_view keyword = body.substr(0, body.find(' '));
    if (keyword != "store") {
      Fail("unknown keyword " + Quoted(keyword) +
           ": expected a store line \"store NAME [default]\" (keywords are lower case; folders are "
           "indented below their store)");
    }
    const std::string_view rest = Trim(body.substr(5));
    if (rest.empty()) {
      Fail("a store line without a store name");
    }
    StoreModel store;
    store.line = m_line;
    store.name = NameAndMarker(rest, "default", &store.isDefault);
    for (const StoreModel& other : mailbox.stores) {
      if (other.name == store.name) {
        Fail("a second store named " + Quoted(store.name) + " (line " + std::to_string(other.line) + ")");
      }
    }
    return store;
  }

  // A folder `indent` spaces in: two spaces a level, one level below the store line or
  // at most one level deeper than the folder line before.
  void FolderLine(std::string_view body, std::size_t indent, StoreModel& store) {
    if (indent % 2 != 0) {
      Fail("an indent of " + std::to_string(indent) + " spaces; indent by two spaces a level");
    }
    const std::size_t level = indent / 2;
    if (level > m_levels.size() + 1) {
      Fail("an indent of " + std::to_string(indent) + " spaces jumps " +
           std::to_string(level - m_levels.size()) +
           " levels deeper than the line before; a folder is one level (two spaces) below its parent");
    }
    m_levels.resize(level - 1);
    std::vector<FolderModel>& siblings = m_levels.empty() ? store.folders : m_levels.back()->children;
    FolderModel folder;
    folder.line = m_line;
    folder.name = NameAndMarker(body, "inbox", &folder.inbox);
    if (folder.inbox) {
      if (m_inboxLine != 0) {
        Fail("a second inbox in store " + Quoted(store.name) + " (line " + std::to_string(m_inboxLine) + ")");
      }
      m_inboxLine = m_line;
    }
    siblings.push_back(std::move(folder));
    m_levels.push_back(&siblings.back());
  }

  static bool HasWord(std::string_view text, std::string_view word) {
    for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
      const bool starts = at == 0 || text[at - 1] == ' ';
      const bool ends = at + word.size() == text.size() || text[at + word.size()] == ' ';
      if (starts && ends) {
        return true;
      }
    }
    return false;
  }

  std::string m_source;
  int m_line = 0;
  // The folder last read at each level of the current store, outermost first. A
  // pointer stays valid: a level's siblings only grow while no deeper level is open.
  std::vector<FolderModel*> m_levels;
  int m_inboxLine = 0;  // of the inbox of the current store
};

// A name as the format writes it: in quotes where it would otherwise read differently.
std::string FormatName(const std::string& name, const char* keyword) {
  const std::string padded = " " + name + " ";
  const bool quote = name.front() == '"' || name.front() == '#' || name.front() == ' ' ||
                     name.back() == ' ' || padded.find(std::string(" ") + keyword + " ") != std::string::npos;
  return quote ? "\"" + name + "\"" : name;
}

void FormatFolders(const std::vector<FolderModel>& folders, int depth, std::string& out) {
  for (const FolderModel& folder : folders) {
    out += std::string(static_cast<std::size_t>(depth) * 2, ' ');
    out += FormatName(folder.name, "inbox");
    out += folder.inbox ? " inbox\n" : "\n";
    FormatFolders(folder.children, depth + 1, out);
  }
}

void BuildFolders(const std::vector<FolderModel>& folders, memstore::FolderRef parent,
                  memstore::StoreRef store, std::optional<memstore::FolderRef>* inbox) {
  for (const FolderModel& model : folders) {
    memstore::FolderRef folder = parent.AddChild(model.name);
    if (model.inbox) {
      store.SetReceiveFolder("", folder);
      store.SetReceiveFolder("IPM.Note", folder);
      *inbox = folder;
    }
    BuildFolders(model.children, folder, store, inbox);
  }
}

}  // namespace

MailboxModel ParseMailbox(const std::string& text, const std::string& source) {
  return Parser(source).Parse(text);
}

MailboxModel LoadMailboxFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw HostError(kExitMailbox, path + ": cannot read the mailbox file");
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParseMailbox(text.str(), path);
}

std::string FormatMailbox(const MailboxModel& mailbox) {
  std::string out = "# " + mailbox.source + "\n";
  for (const StoreModel& store : mailbox.stores) {
    out += "store " + FormatName(store.name, "default");
    out += store.isDefault ? " default\n" : "\n";
    FormatFolders(store.folders, 1, out);
  }
  return out;
}

MailboxInfo BuildMailbox(const MailboxModel& mailbox, memstore::Profile& profile) {
  MailboxInfo info;
  for (const StoreModel& model : mailbox.stores) {
    memstore::StoreRef store = profile.AddStore(model.name, model.isDefault);
    std::optional<memstore::FolderRef> inbox;
    BuildFolders(model.folders, store.IpmSubtree(), store, &inbox);
    if (model.isDefault && !info.defaultStore) {
      info.defaultStore = store;
      info.inbox = inbox;
    }
  }
  return info;
}

std::size_t CountFoldersBelow(const memstore::FolderRef& folder) {
  std::size_t count = 0;
  for (const memstore::FolderRef& child : folder.Children()) {
    count += 1 + CountFoldersBelow(child);
  }
  return count;
}

}  // namespace rulehost
