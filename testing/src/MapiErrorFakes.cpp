#include "testing/MapiErrorFakes.h"

#include <cstring>

namespace testsupport {

namespace {

// A copy of `text` linked to `parent`, or null for a null text.
LPTSTR CopyText(const char* text, LPVOID parent) {
  if (text == nullptr) {
    return nullptr;
  }
  LPVOID copy = nullptr;
  if (FAILED(MAPIAllocateMore(static_cast<ULONG>(std::strlen(text) + 1), parent, &copy))) {
    return nullptr;
  }
  std::memcpy(copy, text, std::strlen(text) + 1);
  return static_cast<LPTSTR>(copy);
}

}  // namespace

HRESULT ErrorRecordSource::Answer(HRESULT hResult, ULONG flags, LPMAPIERROR* record) {
  ++calls;
  askedResult = hResult;
  askedFlags = flags;
  if (failWith != S_OK) {
    return failWith;
  }
  LPVOID buffer = nullptr;
  if (FAILED(MAPIAllocateBuffer(sizeof(MAPIERROR), &buffer))) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  auto* made = static_cast<LPMAPIERROR>(buffer);
  made->ulVersion = MAPI_ERROR_VERSION;
  made->lpszComponent = CopyText(component, buffer);
  made->lpszError = CopyText(error, buffer);
  made->ulLowLevelError = lowLevelError;
  made->ulContext = context;
  *record = made;
  return S_OK;
}

}  // namespace testsupport
