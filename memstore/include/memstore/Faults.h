// Fault injection: make the Nth call of a named operation on a named object fail with a
// chosen HRESULT.
//
//   profile.Faults().Add(memstore::Fault("CreateMessage").On("Mailbox/Inbox").AtCall(2)
//                            .Returning(MAPI_E_NOT_ENOUGH_MEMORY));
//
// The operation is the interface method's name ("OpenMsgStore", "QueryRows",
// "SaveChanges", ...). The object is matched against the object's name as the ledger
// shows it ("session", "Mailbox", "Mailbox/Inbox", "Mailbox/Inbox#contents",
// "Mailbox/Inbox/associated#12"); '*' in the pattern matches any run of characters, so
// "*" is every object and "*#associated" every associated contents table. OfKind narrows
// a rule to one kind of object ("SaveChanges" of messages, not of folders).
//
// A rule counts the calls that match it from the moment it is added; the call whose
// count equals AtCall fails (or every call from that count on, with FromCall). A failing
// call changes nothing, clears its out arguments and leaves a GetLastError record on the
// object naming the operation and the result. A SetProps rule can instead let the call
// succeed and report a problem array chosen by the test (WithProblems): the properties
// it names are not set, the others are.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "memstore/Ledger.h"
#include "platform/Mapi.h"

namespace memstore {

class Fault {
 public:
  explicit Fault(std::string operation);

  Fault& On(std::string objectPattern);  // default "*"
  Fault& OfKind(ObjectKind kind);
  Fault& AtCall(ULONG nth);      // default 1: the next matching call
  Fault& FromCall(ULONG nth);    // every matching call from the nth on
  Fault& Returning(HRESULT hr);  // default MAPI_E_CALL_FAILED (S_OK with WithProblems)
  Fault& WithProblems(std::vector<SPropProblem> problems);

  const std::string& Operation() const { return m_operation; }
  const std::string& ObjectPattern() const { return m_object; }
  HRESULT Result() const;
  const std::vector<SPropProblem>& Problems() const { return m_problems; }

  // Whether the rule applies to a call, before counting.
  bool Matches(const char* operation, ObjectKind kind, const std::string& objectName) const;
  // Whether it applies to a call of this operation on this kind of object whatever its
  // name; false when its object pattern must be matched too.
  bool MatchesEveryName(const char* operation, ObjectKind kind) const;
  bool MatchesCall(const char* operation, ObjectKind kind) const;
  // Whether the matching call with this ordinal (1-based) fails.
  bool FiresAt(ULONG call) const { return m_repeat ? call >= m_nth : call == m_nth; }

 private:
  std::string m_operation;
  std::string m_object = "*";
  std::optional<ObjectKind> m_kind;
  ULONG m_nth = 1;
  bool m_repeat = false;
  std::optional<HRESULT> m_result;
  std::vector<SPropProblem> m_problems;
};

// The operations memstore counts against fault rules, in alphabetical order: the names
// of the interface methods that can fail by a rule.
const std::vector<std::string>& FaultOperations();

class FaultTable {
 public:
  using Id = std::size_t;

  Id Add(const Fault& fault);
  void Remove(Id id);
  void Clear();

  // Matching calls counted by the rule, and how many of them it failed.
  ULONG CallsSeen(Id id) const;
  ULONG TimesFired(Id id) const;

  // Counts one call against every rule; returns the first rule that fires, if any, and
  // the call's ordinal for that rule.
  const Fault* Check(const char* operation, ObjectKind kind, const std::string& objectName,
                     ULONG* ordinal = nullptr);
  // The same, with the object's name built only when a rule of that operation and kind
  // needs it to match: a name is a path from the store, as long as the folder is deep,
  // and most calls meet no rule at all.
  const Fault* Check(const char* operation, ObjectKind kind, const std::function<std::string()>& objectName,
                     ULONG* ordinal = nullptr);

 private:
  struct Rule {
    Fault fault;
    bool active = true;
    ULONG seen = 0;
    ULONG fired = 0;
  };
  std::vector<Rule> m_rules;
};

}  // namespace memstore
