#include "hostkit/UntypedDispatch.h"

namespace hostkit {

UntypedDispatch::UntypedDispatch() noexcept {
    orvi::com::Module::objectCreated();
}

UntypedDispatch::~UntypedDispatch() {
    orvi::com::Module::objectDestroyed();
}

bool UntypedDispatch::sameName(const wchar_t* a, const wchar_t* b) noexcept {
    return a && b && CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

STDMETHODIMP UntypedDispatch::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch)
        *ppv = static_cast<IDispatch*>(this);
    else if (!(*ppv = extraInterface(riid)))
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) UntypedDispatch::AddRef() {
    return ULONG(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) UntypedDispatch::Release() {
    onRelease();
    LONG n = InterlockedDecrement(&refs_);
    if (!n) delete this;
    return ULONG(n);
}

STDMETHODIMP UntypedDispatch::GetTypeInfoCount(UINT* count) {
    if (!count) return E_INVALIDARG;
    *count = 0;
    return S_OK;
}

STDMETHODIMP UntypedDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP UntypedDispatch::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT n = 0; n < count; ++n) {
        int i = n == 0 ? memberIndex(names[0]) : -1;
        ids[n] = i < 0 ? DISPID_UNKNOWN : DISPID(i + 1);
        if (i < 0) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT UntypedDispatch::failed(const orvi::com::ComError& e, EXCEPINFO* excep, const wchar_t* defaultSource) noexcept {
    if (!excep) return e.hr();
    ZeroMemory(excep, sizeof *excep);
    excep->scode = e.hr();
    excep->bstrDescription = SysAllocString(e.description().c_str());
    excep->bstrSource = SysAllocString(e.hasSource() ? e.source().c_str() : defaultSource);
    if (!e.helpFile().empty()) excep->bstrHelpFile = SysAllocString(e.helpFile().c_str());
    excep->dwHelpContext = e.helpContext();
    return DISP_E_EXCEPTION;
}

}  // namespace hostkit
