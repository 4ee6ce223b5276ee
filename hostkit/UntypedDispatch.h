// Base of the host kit's fake host objects: an IDispatch without type information whose members
// are found by name (DISPID = position + 1), counted as a live object of the kit.
#pragma once
#include "hostkit/HostKit.h"

namespace hostkit {

class UntypedDispatch : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;

    ULONG refCount() const noexcept { return ULONG(refs_); }
    // Case-insensitive comparison of member names.
    static bool sameName(const wchar_t* a, const wchar_t* b) noexcept;

protected:
    UntypedDispatch() noexcept;
    virtual ~UntypedDispatch();

    // Position of the member called `name` (any letter case), or -1.
    virtual int memberIndex(const wchar_t* name) const = 0;
    // Further interfaces the object answers (as its IDispatch, or another pointer); null for none.
    virtual void* extraInterface(REFIID) noexcept { return nullptr; }
    virtual void onRelease() noexcept {}

    // The end of an Invoke that failed with `e`: the EXCEPINFO filled (source `defaultSource` when
    // the error has none) and DISP_E_EXCEPTION, or the error's HRESULT when there is no EXCEPINFO.
    static HRESULT failed(const orvi::com::ComError& e, EXCEPINFO* excep, const wchar_t* defaultSource) noexcept;

private:
    volatile LONG refs_ = 1;
};

}  // namespace hostkit
