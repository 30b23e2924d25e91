// The root of the exception hierarchy and the severity levels.
#pragma once

#include "config/Platform.h"

namespace pellacorm {

// Severity levels (the reporter owns their log labels and thresholds).
constexpr LONG SEVERITY_INFO = 0;
constexpr LONG SEVERITY_WARNING = 1;
constexpr LONG SEVERITY_ERROR = 2;
constexpr LONG SEVERITY_SEVERE_ERROR = 3;

// What the reporter reads of a caught exception: seven operations in this slot order
// and no data. There is no virtual destructor: exceptions are created on the stack,
// thrown by value and caught by reference, never deleted through this interface (the
// protected destructor makes sure of that).
class IException {
 public:
  // Category name, a constant text.
  virtual const char* GetCategory() const noexcept = 0;
  // Severity level, SEVERITY_INFO..SEVERITY_SEVERE_ERROR (others are possible).
  virtual LONG GetSeverity() const noexcept = 0;
  // Line of the raise site; 0 when none was given.
  virtual LONG GetLine() const noexcept = 0;
  // Source file of the raise site; null when empty.
  virtual const char* GetFile() const noexcept = 0;
  // What failed, as the raise site wrote it; null when empty.
  virtual const char* GetDescription() const noexcept = 0;
  // Further detail; null when empty.
  virtual const char* GetDetails() const noexcept = 0;
  // Result of the failed call; 0 when the failure has none.
  virtual HRESULT GetHResult() const noexcept = 0;

 protected:
  IException() = default;
  IException(const IException&) = default;
  IException& operator=(const IException&) = default;
  ~IException() = default;
};

}  // namespace pellacorm
