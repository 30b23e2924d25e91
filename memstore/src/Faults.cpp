// Fault rules and their call counting.
#include "memstore/Faults.h"

#include <utility>

namespace memstore {
namespace {

// '*' matches any run of characters; everything else matches itself.
bool GlobMatch(const char* pattern, const char* text) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*text != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (*pattern == *text) {
      ++pattern;
      ++text;
    } else if (star != nullptr) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') {
    ++pattern;
  }
  return *pattern == '\0';
}

}  // namespace

const std::vector<std::string>& FaultOperations() {
  // Every name a method passes to ObjectCore::Enter.
  static const std::vector<std::string> kOperations = {
      "Abort",         "CompareEntryIDs",   "CopyFolder",       "CreateBookmark",    "CreateFolder",
      "CreateMessage", "DeleteFolder",      "DeleteMessages",   "DeleteProps",       "EmptyFolder",
      "FindRow",       "FreeBookmark",      "GetContentsTable", "GetHierarchyTable", "GetMsgStoresTable",
      "GetPropList",   "GetProps",          "GetReceiveFolder", "GetRowCount",       "GetStatus",
      "Logoff",        "OpenEntry",         "OpenMsgStore",     "QueryColumns",      "QueryPosition",
      "QueryRows",     "QuerySortOrder",    "Restrict",         "SaveChanges",       "SeekRow",
      "SeekRowApprox", "SetColumns",        "SetProps",         "SetReceiveFolder",  "SortTable",
      "StoreLogoff",   "WaitForCompletion",
  };
  return kOperations;
}

Fault::Fault(std::string operation) : m_operation(std::move(operation)) {}

Fault& Fault::On(std::string objectPattern) {
  m_object = std::move(objectPattern);
  return *this;
}

Fault& Fault::OfKind(ObjectKind kind) {
  m_kind = kind;
  return *this;
}

Fault& Fault::AtCall(ULONG nth) {
  m_nth = nth;
  m_repeat = false;
  return *this;
}

Fault& Fault::FromCall(ULONG nth) {
  m_nth = nth;
  m_repeat = true;
  return *this;
}

Fault& Fault::Returning(HRESULT hr) {
  m_result = hr;
  return *this;
}

Fault& Fault::WithProblems(std::vector<SPropProblem> problems) {
  m_problems = std::move(problems);
  return *this;
}

HRESULT Fault::Result() const {
  if (m_result) {
    return *m_result;
  }
  return m_problems.empty() ? MAPI_E_CALL_FAILED : S_OK;
}

bool Fault::MatchesCall(const char* operation, ObjectKind kind) const {
  return m_operation == operation && (!m_kind || *m_kind == kind);
}

bool Fault::MatchesEveryName(const char* operation, ObjectKind kind) const {
  return MatchesCall(operation, kind) && m_object.find_first_not_of('*') == std::string::npos;
}

bool Fault::Matches(const char* operation, ObjectKind kind, const std::string& objectName) const {
  if (!MatchesCall(operation, kind)) {
    return false;
  }
  return GlobMatch(m_object.c_str(), objectName.c_str());
}

FaultTable::Id FaultTable::Add(const Fault& fault) {
  m_rules.push_back({fault});
  return m_rules.size() - 1;
}

void FaultTable::Remove(Id id) {
  if (id < m_rules.size()) {
    m_rules[id].active = false;
  }
}

void FaultTable::Clear() {
  for (Rule& rule : m_rules) {
    rule.active = false;
  }
}

ULONG FaultTable::CallsSeen(Id id) const {
  return id < m_rules.size() ? m_rules[id].seen : 0;
}

ULONG FaultTable::TimesFired(Id id) const {
  return id < m_rules.size() ? m_rules[id].fired : 0;
}

const Fault* FaultTable::Check(const char* operation, ObjectKind kind, const std::string& objectName,
                               ULONG* ordinal) {
  return Check(
      operation, kind, [&objectName] { return objectName; }, ordinal);
}

const Fault* FaultTable::Check(const char* operation, ObjectKind kind,
                               const std::function<std::string()>& objectName, ULONG* ordinal) {
  const Fault* fired = nullptr;
  std::optional<std::string> name;
  for (Rule& rule : m_rules) {
    if (!rule.active || !rule.fault.MatchesCall(operation, kind)) {
      continue;
    }
    if (!rule.fault.MatchesEveryName(operation, kind)) {
      if (!name) {
        name = objectName();
      }
      if (!rule.fault.Matches(operation, kind, *name)) {
        continue;
      }
    }
    ++rule.seen;
    if (fired == nullptr && rule.fault.FiresAt(rule.seen)) {
      ++rule.fired;
      fired = &rule.fault;
      if (ordinal != nullptr) {
        *ordinal = rule.seen;
      }
    }
  }
  return fired;
}

}  // namespace memstore
