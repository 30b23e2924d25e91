// IMAPIProp as the store, folder and message objects share it. Each supplies its
// properties, whether it may be written, which properties are computed, and where a
// written property goes.
#pragma once

#include <algorithm>
#include <vector>

#include "ComObject.h"
#include "MapiOut.h"

namespace memstore {

template <typename Interface>
class PropObject : public ComObject<Interface> {
 public:
  using ComObject<Interface>::ComObject;

  STDMETHODIMP SaveChanges(ULONG ulFlags) override;
  STDMETHODIMP GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                        LPSPropValue* lppPropArray) override;
  STDMETHODIMP GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) override;
  STDMETHODIMP SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) override;
  STDMETHODIMP DeleteProps(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) override;

  STDMETHODIMP OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* lppUnk) override {
    if (lppUnk != nullptr) {
      *lppUnk = nullptr;
    }
    return this->Unsupported("OpenProperty");
  }
  STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                      LPSPropProblemArray* lppProblems) override {
    if (lppProblems != nullptr) {
      *lppProblems = nullptr;
    }
    return this->Unsupported("CopyTo");
  }
  STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                         LPSPropProblemArray* lppProblems) override {
    if (lppProblems != nullptr) {
      *lppProblems = nullptr;
    }
    return this->Unsupported("CopyProps");
  }
  STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG* lpcPropNames,
                               LPMAPINAMEID**) override {
    if (lpcPropNames != nullptr) {
      *lpcPropNames = 0;
    }
    return this->Unsupported("GetNamesFromIDs");
  }
  STDMETHODIMP GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray* lppPropTags) override {
    if (lppPropTags != nullptr) {
      *lppPropTags = nullptr;
    }
    return this->Unsupported("GetIDsFromNames");
  }

 protected:
  // Everything GetProps shows.
  virtual PropSet Props() const = 0;
  // S_OK, or the failure (recorded) of an object whose data is gone.
  virtual HRESULT CheckUsable(const char* operation) = 0;
  virtual bool CanWrite() const = 0;
  virtual bool IsComputed(ULONG tag) const = 0;
  virtual void Write(const PropValue& value) = 0;
  virtual void Remove(ULONG tag) = 0;
  // SaveChanges after the fault check and CheckUsable.
  virtual HRESULT Commit(ULONG /*flags*/) { return S_OK; }

  HRESULT CheckWritable(const char* operation) {
    if (CanWrite()) {
      return S_OK;
    }
    return this->Fail(operation, MAPI_E_NO_ACCESS, "the object is open for reading only");
  }
};

template <typename Interface>
STDMETHODIMP PropObject<Interface>::SaveChanges(ULONG ulFlags) {
  HRESULT hr = this->Enter("SaveChanges");
  if (FAILED(hr) || FAILED(hr = CheckUsable("SaveChanges"))) {
    return hr;
  }
  return Commit(ulFlags);
}

template <typename Interface>
STDMETHODIMP PropObject<Interface>::GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                                             LPSPropValue* lppPropArray) {
  if (lpcValues == nullptr || lppPropArray == nullptr) {
    return this->Fail("GetProps", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lpcValues = 0;
  *lppPropArray = nullptr;
  HRESULT hr = this->Enter("GetProps");
  if (FAILED(hr) || FAILED(hr = CheckUsable("GetProps"))) {
    return hr;
  }
  if (lpPropTagArray != nullptr && lpPropTagArray->cValues == 0) {
    return this->Fail("GetProps", MAPI_E_INVALID_PARAMETER, "empty property tag array");
  }
  const PropSet props = Props();
  bool missing = false;
  const std::vector<PropValue> values = lpPropTagArray != nullptr
                                            ? SelectValues(props, TagsOf(*lpPropTagArray), &missing)
                                            : AllValues(props, (ulFlags & MAPI_UNICODE) != 0);
  if (FAILED(hr = ExportValues(values, lppPropArray))) {
    return this->Fail("GetProps", hr, "out of MAPI memory");
  }
  *lpcValues = static_cast<ULONG>(values.size());
  return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

template <typename Interface>
STDMETHODIMP PropObject<Interface>::GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) {
  if (lppPropTagArray == nullptr) {
    return this->Fail("GetPropList", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppPropTagArray = nullptr;
  HRESULT hr = this->Enter("GetPropList");
  if (FAILED(hr) || FAILED(hr = CheckUsable("GetPropList"))) {
    return hr;
  }
  if (FAILED(hr = ExportTags(AllTags(Props(), (ulFlags & MAPI_UNICODE) != 0), lppPropTagArray))) {
    return this->Fail("GetPropList", hr, "out of MAPI memory");
  }
  return S_OK;
}

// As providers are asked to: PR_NULL and PT_ERROR values are skipped without a problem,
// PT_OBJECT and empty multi-valued properties fail the call, computed properties and
// types memstore does not store are reported in the problem array, and everything
// else is set.
template <typename Interface>
STDMETHODIMP PropObject<Interface>::SetProps(ULONG cValues, LPSPropValue lpPropArray,
                                             LPSPropProblemArray* lppProblems) {
  if (lppProblems != nullptr) {
    *lppProblems = nullptr;
  }
  if (cValues == 0 || lpPropArray == nullptr) {
    return this->Fail("SetProps", MAPI_E_INVALID_PARAMETER, "no property values");
  }
  const Fault* injected = nullptr;
  HRESULT hr = this->Enter("SetProps", &injected);
  if (FAILED(hr) || FAILED(hr = CheckUsable("SetProps")) || FAILED(hr = CheckWritable("SetProps"))) {
    return hr;
  }
  std::vector<SPropProblem> problems;
  std::vector<PropValue> accepted;
  for (ULONG i = 0; i < cValues; ++i) {
    const ULONG tag = lpPropArray[i].ulPropTag;
    if (PROP_TYPE(tag) == PT_OBJECT) {
      return this->Fail("SetProps", MAPI_E_INVALID_PARAMETER, "a PT_OBJECT value cannot be set");
    }
    if (injected != nullptr) {
      const auto& chosen = injected->Problems();
      if (std::any_of(chosen.begin(), chosen.end(), [&](const SPropProblem& p) { return p.ulIndex == i; })) {
        continue;
      }
    }
    if (tag == PR_NULL || PROP_TYPE(tag) == PT_ERROR) {
      continue;
    }
    if (IsComputed(tag)) {
      problems.push_back({i, tag, MAPI_E_COMPUTED});
      continue;
    }
    PropValue value;
    const SCODE sc = PropValue::FromMapi(lpPropArray[i], &value);
    if (sc == MAPI_E_INVALID_PARAMETER) {
      return this->Fail("SetProps", sc, "an empty multi-valued property");
    }
    if (FAILED(sc)) {
      problems.push_back({i, tag, sc});
      continue;
    }
    accepted.push_back(std::move(value));
  }
  if (injected != nullptr) {
    problems.insert(problems.end(), injected->Problems().begin(), injected->Problems().end());
  }
  if (lppProblems != nullptr && !problems.empty() && FAILED(hr = ExportProblems(problems, lppProblems))) {
    return this->Fail("SetProps", hr, "out of MAPI memory");
  }
  for (const PropValue& value : accepted) {
    Write(value);
  }
  return S_OK;
}

template <typename Interface>
STDMETHODIMP PropObject<Interface>::DeleteProps(LPSPropTagArray lpPropTagArray,
                                                LPSPropProblemArray* lppProblems) {
  if (lppProblems != nullptr) {
    *lppProblems = nullptr;
  }
  if (lpPropTagArray == nullptr) {
    return this->Fail("DeleteProps", MAPI_E_INVALID_PARAMETER, "no property tags");
  }
  HRESULT hr = this->Enter("DeleteProps");
  if (FAILED(hr) || FAILED(hr = CheckUsable("DeleteProps")) || FAILED(hr = CheckWritable("DeleteProps"))) {
    return hr;
  }
  std::vector<SPropProblem> problems;
  std::vector<ULONG> removable;
  for (ULONG i = 0; i < lpPropTagArray->cValues; ++i) {
    const ULONG tag = lpPropTagArray->aulPropTag[i];
    if (IsComputed(tag)) {
      problems.push_back({i, tag, MAPI_E_COMPUTED});
    } else {
      removable.push_back(tag);
    }
  }
  if (lppProblems != nullptr && !problems.empty() && FAILED(hr = ExportProblems(problems, lppProblems))) {
    return this->Fail("DeleteProps", hr, "out of MAPI memory");
  }
  for (ULONG tag : removable) {
    Remove(tag);
  }
  return S_OK;
}

}  // namespace memstore
