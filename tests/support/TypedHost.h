// A host object that answers member names through type information, as a VB-built form or
// control does: GetIDsOfNames and GetTypeInfo go to an ITypeInfo describing its members (made
// with CreateDispTypeInfo, so a name costs the platform's ITypeInfo::GetIDsOfNames), calls go to
// an inner object that does the work. Objects made over one type share that ITypeInfo, as the
// objects of one class of a control do. It counts the names it is asked for.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "TestUnknown.h"
#include "com/Variant.h"

namespace testkit {

using orvi::com::ComPtr;

// The type of objects with these members; each name gets the DISPID `sample` gives it.
inline ComPtr<ITypeInfo> makeHostType(IDispatch* sample, const std::vector<std::wstring>& names) {
    std::vector<METHODDATA> methods(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR n = const_cast<LPOLESTR>(names[i].c_str());
        sample->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
        methods[i] = {const_cast<OLECHAR*>(names[i].c_str()), nullptr, id, UINT(7 + i), CC_STDCALL, 0,
                      DISPATCH_METHOD, VT_EMPTY};
    }
    INTERFACEDATA data = {methods.data(), UINT(methods.size())};
    ComPtr<ITypeInfo> type;
    CreateDispTypeInfo(&data, LOCALE_SYSTEM_DEFAULT, type.GetAddressOf());
    return type;
}

class TypedHost final : public UncountedDispatch {
public:
    // `also`: further interfaces the object answers with its IDispatch.
    static ComPtr<TypedHost> make(IDispatch* inner, ITypeInfo* type, std::vector<IID> also = {}) {
        ComPtr<TypedHost> p;
        *p.GetAddressOf() = new TypedHost(inner, type, std::move(also));  // adopted (no AddRef)
        return p;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return n ? (*n = 1, S_OK) : E_INVALIDARG; }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        return oneTypeInfo(type_.Get(), index, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ++asked_;
        if (recordNames_ && names && count) askedNames_.push_back(names[0]);
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return DispGetIDsOfNames(type_.Get(), names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        return inner_->Invoke(id, riid, lcid, flags, params, result, excep, argErr);
    }

    IDispatch* inner() const noexcept { return inner_.Get(); }
    // Names asked for (all of them), and how often one name was asked for, when recording.
    long asked() const noexcept { return asked_; }
    void recordNames() { recordNames_ = true; }
    long askedFor(const std::wstring& name) const {
        long n = 0;
        for (const std::wstring& a : askedNames_) n += CompareStringOrdinal(a.c_str(), -1, name.c_str(), -1, TRUE) ==
                                                      CSTR_EQUAL;
        return n;
    }

private:
    TypedHost(IDispatch* inner, ITypeInfo* type, std::vector<IID> also)
        : UncountedDispatch(std::move(also)), inner_(inner), type_(type) {}
    ~TypedHost() override = default;

    ComPtr<IDispatch> inner_;
    ComPtr<ITypeInfo> type_;
    long asked_ = 0;
    bool recordNames_ = false;
    std::vector<std::wstring> askedNames_;
};

}  // namespace testkit
