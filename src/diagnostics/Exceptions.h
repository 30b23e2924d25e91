// The exceptions raised inside the extension. A raise site throws one by value with a
// severity, its source file and line and a description; a catch block takes it by
// reference as BaseException and hands it to the ExceptionReporter. Building one never
// raises: every constructor is noexcept and a text that finds no memory stays empty.
#pragma once

#include <cstddef>

#include "diagnostics/IException.h"
#include "diagnostics/RaiseSites.h"
#include "diagnostics/SharedText.h"
#include "store/MapiApi.h"

namespace pellacorm {

// Holds what every exception carries; the concrete classes name their category.
class BaseException : public IException {
 public:
  LONG GetSeverity() const noexcept override { return m_severity; }
  LONG GetLine() const noexcept override { return m_line; }
  const char* GetFile() const noexcept override { return m_file.Get(); }
  const char* GetDescription() const noexcept override { return m_description.Get(); }
  const char* GetDetails() const noexcept override { return m_details.Get(); }
  HRESULT GetHResult() const noexcept override { return m_hr; }

 protected:
  // Every text may be null, which leaves its field empty, as "" does.
  BaseException(HRESULT hr, const char* description, const char* details, LONG severity, const char* file,
                LONG line) noexcept;

  HRESULT m_hr;
  SharedText m_description;
  SharedText m_details;
  LONG m_severity;
  SharedText m_file;
  LONG m_line;
};

// A logical failure that has no result code.
class ProgramException : public BaseException {
 public:
  ProgramException(const char* description, const char* details, LONG severity, const char* file,
                   LONG line) noexcept;
  // Raised at `site`, with severity SEVERITY_ERROR and no details.
  explicit ProgramException(const RaiseSite& site) noexcept;
  const char* GetCategory() const noexcept override { return "PROGRAM"; }
};

// A failure reported by the mail client.
class OutlookException : public BaseException {
 public:
  OutlookException(HRESULT hr, const char* description, const char* details, LONG severity, const char* file,
                   LONG line) noexcept;
  const char* GetCategory() const noexcept override { return "OUTLOOK"; }
};

// A failure of the extension's own machinery: severity SEVERITY_ERROR, file
// "RururizEdudivi", no line, no result code.
class RururizEdudiviException : public BaseException {
 public:
  explicit RururizEdudiviException(const char* description) noexcept;
  const char* GetCategory() const noexcept override { return "RURURIZEDUDIVI"; }
};

// A failed MAPI call. The forms that take the object whose call failed fill the details
// from the object's GetLastError record and, for a property object, from the problem
// array of SetProps. A null object leaves the details empty (a problem array is then
// ignored).
class MAPIException : public BaseException {
 public:
  MAPIException(HRESULT hr, const char* description, const char* details, LONG severity, const char* file,
                LONG line) noexcept;
  // A folder or a message (both IMAPIProp), with the problems of a failed SetProps.
  MAPIException(HRESULT hr, IMAPIProp* object, const char* description, const SPropProblemArray* problems,
                LONG severity, const char* file, LONG line) noexcept;
  MAPIException(HRESULT hr, IMAPITable* table, const char* description, LONG severity, const char* file,
                LONG line) noexcept;
  MAPIException(HRESULT hr, IMAPISession* session, const char* description, LONG severity, const char* file,
                LONG line) noexcept;
  MAPIException(HRESULT hr, IMsgStore* store, const char* description, LONG severity, const char* file,
                LONG line) noexcept;
  // The same, raised at `site` with severity SEVERITY_ERROR.
  MAPIException(HRESULT hr, IMAPIProp* object, const RaiseSite& site,
                const SPropProblemArray* problems = nullptr) noexcept;
  MAPIException(HRESULT hr, IMAPITable* table, const RaiseSite& site) noexcept;
  MAPIException(HRESULT hr, IMAPISession* session, const RaiseSite& site) noexcept;
  MAPIException(HRESULT hr, IMsgStore* store, const RaiseSite& site) noexcept;
  // A call without an object: the same as any of the four with a null object.
  MAPIException(HRESULT hr, std::nullptr_t object, const char* description, LONG severity, const char* file,
                LONG line) noexcept;

  const char* GetCategory() const noexcept override { return "MAPI"; }

  // Writes the details from an error record (replacing them) and appends the problem
  // list; either may be null. A record's null texts print as empty. When memory runs
  // out the details keep what was written before.
  void AppendMAPIError(const MAPIERROR* error, const SPropProblemArray* problems) noexcept;

 private:
  template <typename Object>
  void DetailsFrom(Object* object, const SPropProblemArray* problems) noexcept;
};

}  // namespace pellacorm
