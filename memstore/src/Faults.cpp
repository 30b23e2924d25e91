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

bool Fault::Matches(const char* operation, ObjectKind kind, const std::string& objectName) const {
  if (m_operation != operation || (m_kind && *m_kind != kind)) {
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
  const Fault* fired = nullptr;
  for (Rule& rule : m_rules) {
    if (!rule.active || !rule.fault.Matches(operation, kind, objectName)) {
      continue;
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
