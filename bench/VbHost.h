// A host object that answers the way a VB-built form or control does: its members are the
// methods of a vtable interface described by type information (a type library made at run time:
// ByRef Variant parameters as [in,out] VARIANT*, ByVal ones as VARIANT, results as
// [out,retval] VARIANT*), names go through ITypeInfo::GetIDsOfNames and calls through
// ITypeInfo::Invoke (DispInvoke), with the system's argument checks and coercion. Each method
// hands its arguments on to an inner object (one of the kit's) by its DISPID, so what a member
// does stays the kit's. Objects made over one type share its ITypeInfo, as the objects of one
// class of a control do. It counts the names it is asked for.
//
// Parameter kinds per member: 'r' ByRef Variant, 'v' ByVal Variant; up to three parameters.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TestUnknown.h"
#include "com/Variant.h"

namespace bench {

using orvi::com::ComPtr;

struct VbMember {
    const wchar_t* name;
    const char* params = "";  // 'r' / 'v' per parameter
    bool get = false;         // a property get (else a method)
};

constexpr int kVbMaxMembers = 8;

// What the type describes, kept with it: the inner DISPID, kinds and flags of each slot.
struct VbTypeData {
    std::vector<VbMember> members;
    std::vector<DISPID> ids;
};

class VbHost;

// The vtable object the type describes: IUnknown, then one method per member.
struct VbObject {
    void** vtbl;
    VbHost* host;
};

inline VARIANT* vbArg(VARIANT* p) { return p; }
inline VARIANT* vbArg(VARIANT& v) { return &v; }

inline HRESULT vbForward(VbObject* self, int index, VARIANT** args, UINT count, VARIANT* result);

template <int I, class... P>
struct VbSlot {
    static HRESULT STDMETHODCALLTYPE fn(VbObject* self, P... p, VARIANT* result) {
        VARIANT* args[sizeof...(P) + 1] = {vbArg(p)..., nullptr};
        return vbForward(self, I, args, UINT(sizeof...(P)), result);
    }
};

template <int I>
void* vbSlotFor(std::string_view s) {
    using R = VARIANT*;
    using V = VARIANT;
    if (s == "") return reinterpret_cast<void*>(&VbSlot<I>::fn);
    if (s == "r") return reinterpret_cast<void*>(&VbSlot<I, R>::fn);
    if (s == "v") return reinterpret_cast<void*>(&VbSlot<I, V>::fn);
    if (s == "rr") return reinterpret_cast<void*>(&VbSlot<I, R, R>::fn);
    if (s == "vr") return reinterpret_cast<void*>(&VbSlot<I, V, R>::fn);
    if (s == "rv") return reinterpret_cast<void*>(&VbSlot<I, R, V>::fn);
    if (s == "vv") return reinterpret_cast<void*>(&VbSlot<I, V, V>::fn);
    if (s == "rrr") return reinterpret_cast<void*>(&VbSlot<I, R, R, R>::fn);
    if (s == "vrr") return reinterpret_cast<void*>(&VbSlot<I, V, R, R>::fn);
    if (s == "vvv") return reinterpret_cast<void*>(&VbSlot<I, V, V, V>::fn);
    std::printf("VbHost: no slot for parameters \"%s\"\n", std::string(s).c_str());
    std::abort();
}
template <size_t... I>
void* vbSlot(int index, std::string_view s, std::index_sequence<I...>) {
    using Pick = void* (*)(std::string_view);
    static const Pick picks[] = {&vbSlotFor<int(I)>...};
    return picks[index](s);
}

inline HRESULT STDMETHODCALLTYPE vbQueryInterface(VbObject* self, REFIID riid, void** ppv);
inline ULONG STDMETHODCALLTYPE vbAddRef(VbObject* self);
inline ULONG STDMETHODCALLTYPE vbRelease(VbObject* self);

// One type of host object: a type library of one interface (IUnknown's methods, then the
// members in order), its ITypeInfo and the vtable that matches it.
class VbType {
public:
    // The members' DISPIDs are those `sample` gives their names.
    VbType(IDispatch* sample, std::vector<VbMember> members) {
        data_.members = std::move(members);
        if (data_.members.size() > size_t(kVbMaxMembers)) std::abort();
        vtbl_.assign(3 + data_.members.size(), nullptr);
        vtbl_[0] = reinterpret_cast<void*>(&vbQueryInterface);
        vtbl_[1] = reinterpret_cast<void*>(&vbAddRef);
        vtbl_[2] = reinterpret_cast<void*>(&vbRelease);
        for (size_t i = 0; i < data_.members.size(); ++i) {
            DISPID id = DISPID_UNKNOWN;
            LPOLESTR n = const_cast<LPOLESTR>(data_.members[i].name);
            sample->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
            data_.ids.push_back(id);
            vtbl_[3 + i] = vbSlot(int(i), data_.members[i].params, std::make_index_sequence<kVbMaxMembers>());
        }
        build();
    }
    ITypeInfo* info() const { return info_.Get(); }
    void** vtbl() { return vtbl_.data(); }
    const VbTypeData& data() const { return data_; }

private:
    void fail(const char* what, HRESULT hr) {
        std::printf("VbType: %s failed (0x%08lx)\n", what, static_cast<unsigned long>(hr));
        std::abort();
    }
    void build() {
        ComPtr<ICreateTypeLib2> lib;
        HRESULT hr = CreateTypeLib2(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, L"VbHost.tlb", lib.GetAddressOf());
        if (FAILED(hr)) fail("CreateTypeLib2", hr);
        GUID libId, ifId;
        CoCreateGuid(&libId);
        CoCreateGuid(&ifId);
        lib->SetGuid(libId);
        lib->SetName(const_cast<LPOLESTR>(L"VbHost"));
        lib->SetLcid(LOCALE_NEUTRAL);
        ComPtr<ICreateTypeInfo> ti;
        hr = lib->CreateTypeInfo(const_cast<LPOLESTR>(L"_Form"), TKIND_INTERFACE, ti.GetAddressOf());
        if (FAILED(hr)) fail("CreateTypeInfo", hr);
        ti->SetGuid(ifId);
        ti->SetTypeFlags(TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FHIDDEN);
        ComPtr<ITypeLib> stdole;
        hr = LoadTypeLib(L"stdole2.tlb", stdole.GetAddressOf());
        if (FAILED(hr)) fail("LoadTypeLib(stdole2)", hr);
        ComPtr<ITypeInfo> unknown;
        hr = stdole->GetTypeInfoOfGuid(IID_IUnknown, unknown.GetAddressOf());
        if (FAILED(hr)) fail("IUnknown's type", hr);
        HREFTYPE base = 0;
        hr = ti->AddRefTypeInfo(unknown.Get(), &base);
        if (FAILED(hr)) fail("AddRefTypeInfo", hr);
        ti->AddImplType(0, base);

        TYPEDESC variant{};
        variant.vt = VT_VARIANT;
        TYPEDESC variantPtr{};
        variantPtr.vt = VT_PTR;
        variantPtr.lptdesc = &variant;
        for (size_t i = 0; i < data_.members.size(); ++i) {
            const VbMember& m = data_.members[i];
            std::string_view kinds(m.params);
            std::vector<ELEMDESC> params(kinds.size() + 1);
            std::vector<std::wstring> names{m.name};
            for (size_t k = 0; k < params.size(); ++k) {
                ELEMDESC& e = params[k];
                e = {};
                if (k == kinds.size()) {
                    e.tdesc = variantPtr;
                    e.paramdesc.wParamFlags = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
                } else if (kinds[k] == 'r') {
                    e.tdesc = variantPtr;
                    e.paramdesc.wParamFlags = PARAMFLAG_FIN | PARAMFLAG_FOUT;
                    names.push_back(L"a" + std::to_wstring(k));
                } else {
                    e.tdesc = variant;
                    e.paramdesc.wParamFlags = PARAMFLAG_FIN;
                    names.push_back(L"a" + std::to_wstring(k));
                }
            }
            FUNCDESC f{};
            f.memid = data_.ids[i];
            f.lprgelemdescParam = params.data();
            f.funckind = FUNC_PUREVIRTUAL;
            f.invkind = m.get ? INVOKE_PROPERTYGET : INVOKE_FUNC;
            f.callconv = CC_STDCALL;
            f.cParams = SHORT(params.size());
            f.oVft = SHORT((3 + i) * sizeof(void*));
            f.elemdescFunc.tdesc.vt = VT_HRESULT;
            hr = ti->AddFuncDesc(UINT(i), &f);
            if (FAILED(hr)) fail("AddFuncDesc", hr);
            std::vector<LPOLESTR> p;
            for (auto& n : names) p.push_back(const_cast<LPOLESTR>(n.c_str()));
            hr = ti->SetFuncAndParamNames(UINT(i), p.data(), UINT(p.size()));
            if (FAILED(hr)) fail("SetFuncAndParamNames", hr);
        }
        hr = ti->LayOut();
        if (FAILED(hr)) fail("LayOut", hr);
        hr = ti->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(info_.GetAddressOf()));
        if (FAILED(hr)) fail("ITypeInfo", hr);
        lib_ = lib;
        // The slots must sit where the type says they do.
        for (size_t i = 0; i < data_.members.size(); ++i) {
            FUNCDESC* fd = nullptr;
            info_->GetFuncDesc(UINT(i), &fd);
            if (fd->oVft != SHORT((3 + i) * sizeof(void*))) fail("vtable offsets", E_UNEXPECTED);
            info_->ReleaseFuncDesc(fd);
        }
    }

    VbTypeData data_;
    std::vector<void*> vtbl_;
    ComPtr<ICreateTypeLib2> lib_;
    ComPtr<ITypeInfo> info_;
};

class VbHost final : public testkit::UncountedDispatch {
public:
    // `also`: further interfaces the object answers with its IDispatch. The type must outlive
    // the object.
    static ComPtr<VbHost> make(IDispatch* inner, VbType& type, std::vector<IID> also = {}) {
        ComPtr<VbHost> p;
        *p.GetAddressOf() = new VbHost(inner, type, std::move(also));  // adopted (no AddRef)
        return p;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return n ? (*n = 1, S_OK) : E_INVALIDARG; }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        return testkit::oneTypeInfo(type_.info(), index, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ++asked_;
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return DispGetIDsOfNames(type_.info(), names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return DispInvoke(&object_, type_.info(), id, flags, params, result, excep, argErr);
    }

    IDispatch* inner() const noexcept { return inner_.Get(); }
    long asked() const noexcept { return asked_; }

    // The work of member `index`: its arguments handed to the inner object by its DISPID.
    HRESULT forward(int index, VARIANT** args, UINT count, VARIANT* result) {
        const VbTypeData& d = type_.data();
        VARIANT rgvarg[3];
        for (UINT k = 0; k < count; ++k) {
            VARIANT& a = rgvarg[count - 1 - k];
            if (d.members[size_t(index)].params[k] == 'v' || (V_VT(args[k]) & VT_BYREF)) {
                a = *args[k];  // what the caller passed, as it passed it
            } else {
                V_VT(&a) = VT_BYREF | VT_VARIANT;
                V_VARIANTREF(&a) = args[k];
            }
        }
        DISPPARAMS p = {rgvarg, nullptr, count, 0};
        EXCEPINFO e{};
        HRESULT hr = inner_->Invoke(d.ids[size_t(index)], IID_NULL, LOCALE_USER_DEFAULT,
                                    DISPATCH_METHOD | DISPATCH_PROPERTYGET, &p, result, &e, nullptr);
        if (hr == DISP_E_EXCEPTION) {
            if (e.pfnDeferredFillIn) e.pfnDeferredFillIn(&e);
            ComPtr<ICreateErrorInfo> create;
            if (SUCCEEDED(CreateErrorInfo(create.GetAddressOf()))) {
                create->SetDescription(e.bstrDescription);
                create->SetSource(e.bstrSource);
                ComPtr<IErrorInfo> info;
                create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.GetAddressOf()));
                SetErrorInfo(0, info.Get());
            }
            hr = e.scode ? e.scode : MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, e.wCode);
            SysFreeString(e.bstrDescription);
            SysFreeString(e.bstrSource);
            SysFreeString(e.bstrHelpFile);
        }
        return hr;
    }

private:
    VbHost(IDispatch* inner, VbType& type, std::vector<IID> also)
        : UncountedDispatch(std::move(also)), inner_(inner), type_(type) {
        object_.vtbl = type.vtbl();
        object_.host = this;
    }
    ~VbHost() override = default;

    ComPtr<IDispatch> inner_;
    VbType& type_;
    VbObject object_;
    long asked_ = 0;
};

inline HRESULT vbForward(VbObject* self, int index, VARIANT** args, UINT count, VARIANT* result) {
    return self->host->forward(index, args, count, result);
}
inline HRESULT STDMETHODCALLTYPE vbQueryInterface(VbObject* self, REFIID riid, void** ppv) {
    return self->host->QueryInterface(riid, ppv);
}
inline ULONG STDMETHODCALLTYPE vbAddRef(VbObject* self) { return self->host->AddRef(); }
inline ULONG STDMETHODCALLTYPE vbRelease(VbObject* self) { return self->host->Release(); }

}  // namespace bench
