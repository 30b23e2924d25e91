// MAPIException: the details text of a failed MAPI call, from the failing object's
// error record and the problem array of SetProps.
#include "diagnostics/Exceptions.h"

#include <new>
#include <string>

#include "diagnostics/TextFormat.h"

namespace pellacorm {

MAPIException::MAPIException(HRESULT hr, const char* description, const char* details, LONG severity,
                             const char* file, LONG line) noexcept
    : BaseException(hr, description, details, severity, file, line) {}

MAPIException::MAPIException(HRESULT hr, IMAPIProp* object, const char* description,
                             const SPropProblemArray* problems, LONG severity, const char* file,
                             LONG line) noexcept
    : BaseException(hr, description, nullptr, severity, file, line) {
  DetailsFrom(object, problems);
}

MAPIException::MAPIException(HRESULT hr, IMAPITable* table, const char* description, LONG severity,
                             const char* file, LONG line) noexcept
    : BaseException(hr, description, nullptr, severity, file, line) {
  DetailsFrom(table, nullptr);
}

MAPIException::MAPIException(HRESULT hr, IMAPISession* session, const char* description, LONG severity,
                             const char* file, LONG line) noexcept
    : BaseException(hr, description, nullptr, severity, file, line) {
  DetailsFrom(session, nullptr);
}

MAPIException::MAPIException(HRESULT hr, IMsgStore* store, const char* description, LONG severity,
                             const char* file, LONG line) noexcept
    : BaseException(hr, description, nullptr, severity, file, line) {
  DetailsFrom(store, nullptr);
}

MAPIException::MAPIException(HRESULT hr, std::nullptr_t /*object*/, const char* description, LONG severity,
                             const char* file, LONG line) noexcept
    : BaseException(hr, description, nullptr, severity, file, line) {}

MAPIException::MAPIException(HRESULT hr, IMAPIProp* object, const RaiseSite& site,
                             const SPropProblemArray* problems) noexcept
    : MAPIException(hr, object, site.description, problems, SEVERITY_ERROR, site.file, site.line) {}

MAPIException::MAPIException(HRESULT hr, IMAPITable* table, const RaiseSite& site) noexcept
    : MAPIException(hr, table, site.description, SEVERITY_ERROR, site.file, site.line) {}

MAPIException::MAPIException(HRESULT hr, IMAPISession* session, const RaiseSite& site) noexcept
    : MAPIException(hr, session, site.description, SEVERITY_ERROR, site.file, site.line) {}

MAPIException::MAPIException(HRESULT hr, IMsgStore* store, const RaiseSite& site) noexcept
    : MAPIException(hr, store, site.description, SEVERITY_ERROR, site.file, site.line) {}

template <typename Object>
void MAPIException::DetailsFrom(Object* object, const SPropProblemArray* problems) noexcept {
  if (object == nullptr) {
    return;
  }
  // Flags 0: the record's texts are 8-bit. Its result is not looked at: a failed call
  // leaves the pointer null, and the details then hold only the problems.
  LPMAPIERROR error = nullptr;
  object->GetLastError(m_hr, 0, &error);
  AppendMAPIError(error, problems);
  if (error != nullptr) {
    MAPIFreeBuffer(error);
  }
}

void MAPIException::AppendMAPIError(const MAPIERROR* error, const SPropProblemArray* problems) noexcept {
  std::string details;
  try {
    if (const char* current = m_details.Get()) {
      details = current;
    }
  } catch (const std::bad_alloc&) {
    return;  // the details stay as they are
  }
  if (error != nullptr) {
    const char* component = error->lpszComponent != nullptr ? error->lpszComponent : "";
    const char* text = error->lpszError != nullptr ? error->lpszError : "";
    FormatText(details, "MAPIError: (%s: %s LowError=%x Context=%x)", component, text,
               static_cast<unsigned>(error->ulLowLevelError), static_cast<unsigned>(error->ulContext));
  }
  if (problems != nullptr && AppendFormat(details, "\nPropProblemArray: ")) {
    const SPropProblem* entries = problems->aProblem;  // cProblem of them follow
    for (ULONG i = 0; i < problems->cProblem; ++i) {
      const SPropProblem& problem = entries[i];
      if (!AppendFormat(details, "\n\tNDX=%d PROPTAG=%x SCODE=%x", static_cast<int>(problem.ulIndex),
                        static_cast<unsigned>(problem.ulPropTag), static_cast<unsigned>(problem.scode))) {
        break;
      }
    }
  }
  m_details = SharedText(details.data(), details.size());
}

}  // namespace pellacorm
