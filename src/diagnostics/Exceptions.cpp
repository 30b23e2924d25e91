#include "diagnostics/Exceptions.h"

namespace pellacorm {

BaseException::BaseException(HRESULT hr, const char* description, const char* details, LONG severity,
                             const char* file, LONG line) noexcept
    : m_hr(hr),
      m_description(description),
      m_details(details),
      m_severity(severity),
      m_file(file),
      m_line(line) {}

ProgramException::ProgramException(const char* description, const char* details, LONG severity,
                                   const char* file, LONG line) noexcept
    : BaseException(0, description, details, severity, file, line) {}

ProgramException::ProgramException(const RaiseSite& site) noexcept
    : ProgramException(site.description, nullptr, SEVERITY_ERROR, site.file, site.line) {}

OutlookException::OutlookException(HRESULT hr, const char* description, const char* details, LONG severity,
                                   const char* file, LONG line) noexcept
    : BaseException(hr, description, details, severity, file, line) {}

RururizEdudiviException::RururizEdudiviException(const char* description) noexcept
    : BaseException(0, description, nullptr, SEVERITY_ERROR, "RururizEdudivi", 0) {}

}  // namespace pellacorm
