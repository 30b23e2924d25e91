#include "Mailbox.h"

#include <fstream>
#include <sstream>

#include "HostError.h"
#include "HostText.h"

namespace rulehost {
namespace {

class Parser {
 public:
  explicit Parser(std::string source) : m_source(std::move(source)) {}

  MailboxModel Parse(const std::string& text) {
    MailboxModel mailbox;
    mailbox.source = m_source;
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
      ++m_line;
      if (!raw.empty() && raw.back() == '\r') {
        raw.pop_back();
      }
      std::size_t indent = 0;
      while (indent < raw.size() && (raw[indent] == ' ' || raw[indent] == '\t')) {
        if (raw[indent] == '\t') {
          Fail("indent with spaces; a tab's width is not defined here");
        }
        ++indent;
      }
      const std::string_view body = Trim(std::string_view(raw).substr(indent));
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
  struct Level {
    std::size_t indent;
    std::vector<FolderModel>* siblings;
  };

  [[noreturn]] void Fail(const std::string& message) const {
    throw HostError(kExitMailbox, m_source + ":" + std::to_string(m_line) + ": " + message);
  }

  // Splits "NAME [keyword]": a quoted name is taken as written; otherwise a last word
  // equal to `keyword` is the marker and the words before it the name.
  std::string NameAndMarker(std::string_view text, const char* keyword, bool* marked) const {
    *marked = false;
    if (!text.empty() && text.front() == '"') {
      const std::size_t close = text.find('"', 1);
      if (close == std::string_view::npos) {
        Fail("a quoted name without its closing '\"'");
      }
      std::string name(text.substr(1, close - 1));
      const std::string_view rest = Trim(text.substr(close + 1));
      if (rest == keyword) {
        *marked = true;
      } else if (!rest.empty()) {
        Fail("unexpected " + Quoted(rest) + " after the quoted name (only \"" + keyword + "\" may follow)");
      }
      if (name.empty()) {
        Fail("an empty name");
      }
      return name;
    }
    const std::size_t blank = text.find_last_of(' ');
    if (blank != std::string_view::npos && text.substr(blank + 1) == keyword) {
      *marked = true;
      return std::string(Trim(text.substr(0, blank)));
    }
    return std::string(text);
  }

  StoreModel StoreLine(std::string_view body, const MailboxModel& mailbox) const {
    if (body.substr(0, 6) != "store " && body != "store") {
      Fail("expected a store line \"store NAME [default]\" (folders are indented below their store), found " +
           Quoted(body));
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

  void FolderLine(std::string_view body, std::size_t indent, StoreModel& store) {
    // Leave the levels this line is not inside of; a line that leaves a level must line
    // up with an outer one.
    bool dedented = false;
    while (!m_levels.empty() && indent < m_levels.back().indent) {
      m_levels.pop_back();
      dedented = true;
    }
    if (dedented && (m_levels.empty() || indent != m_levels.back().indent)) {
      Fail("the indentation (" + std::to_string(indent) + " spaces) matches no outer level");
    }
    if (m_levels.empty()) {
      m_levels.push_back({indent, &store.folders});
    } else if (indent > m_levels.back().indent) {
      m_levels.push_back({indent, &m_levels.back().siblings->back().children});
    }
    FolderModel folder;
    folder.line = m_line;
    folder.name = NameAndMarker(body, "inbox", &folder.inbox);
    if (folder.inbox) {
      if (m_inboxLine != 0) {
        Fail("a second inbox in store " + Quoted(store.name) + " (line " + std::to_string(m_inboxLine) + ")");
      }
      m_inboxLine = m_line;
    }
    m_levels.back().siblings->push_back(std::move(folder));
  }

  std::string m_source;
  int m_line = 0;
  std::vector<Level> m_levels;
  int m_inboxLine = 0;  // of the inbox of the current store
};

// A name as the format writes it: in quotes where it would otherwise read differently.
std::string FormatName(const std::string& name, const char* keyword) {
  const std::string suffix = std::string(" ") + keyword;
  const bool quote =
      name.front() == '"' || name.front() == '#' || name.front() == ' ' || name.back() == ' ' ||
      (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0);
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
