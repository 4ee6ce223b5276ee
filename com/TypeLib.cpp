#include "TypeLib.h"

#include <new>
#include <string>

#include "Module.h"
#include "Unknown.h"

namespace orvi::com {

namespace {

struct LoadedLib {
    const TypeLibDesc* desc;
    ITypeLib* lib;
    HRESULT hr;
};

// A handful of type libraries per module at most: a fixed table guarded by a critical section.
CRITICAL_SECTION& libLock() {
    static CRITICAL_SECTION cs = [] {
        CRITICAL_SECTION c;
        InitializeCriticalSection(&c);
        return c;
    }();
    return cs;
}
LoadedLib loaded[8];
int loadedCount = 0;

HRESULT loadLib(const TypeLibDesc& desc, ITypeLib** out) {
    std::wstring path = Module::path();
    HRESULT hr = E_FAIL;
    if (!path.empty()) {
        if (desc.resource() != 1) path += L"\\" + std::to_wstring(desc.resource());
        hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, out);
    }
    if (FAILED(hr)) hr = LoadRegTypeLib(desc.libid(), desc.major(), desc.minor(), 0, out);
    return hr;
}

}  // namespace

HRESULT TypeLibDesc::raw(ITypeLib** lib) const noexcept {
    *lib = nullptr;
    EnterCriticalSection(&libLock());
    HRESULT hr = S_OK;
    int i = 0;
    for (; i < loadedCount && loaded[i].desc != this; ++i) {}
    if (i == loadedCount) {
        if (loadedCount == int(sizeof loaded / sizeof loaded[0])) {
            hr = E_OUTOFMEMORY;
        } else {
            ITypeLib* l = nullptr;
            HRESULT lhr = loadLib(*this, &l);
            loaded[loadedCount++] = {this, l, lhr};
        }
    }
    if (SUCCEEDED(hr)) {
        hr = loaded[i].hr;
        *lib = loaded[i].lib;
    }
    LeaveCriticalSection(&libLock());
    return hr;
}

HRESULT TypeLibDesc::rawTypeInfo(REFGUID guid, ITypeInfo** info) const noexcept {
    *info = nullptr;
    ITypeLib* lib = nullptr;
    HRESULT hr = raw(&lib);
    return FAILED(hr) ? hr : lib->GetTypeInfoOfGuid(guid, info);
}

HRESULT TypeLibDesc::typeInfo(REFGUID guid, ITypeInfo** info) const noexcept {
    ITypeInfo* raw = nullptr;
    HRESULT hr = rawTypeInfo(guid, &raw);
    if (FAILED(hr)) return hr;
    hr = wrapTypeInfo(raw, info);
    raw->Release();
    return hr;
}

bool repairTypeLibText(BSTR* text) noexcept {
    if (!text || !*text) return false;
    UINT n = SysStringLen(*text);
    bool ascii = true, bytesOnly = true;
    for (UINT i = 0; i < n; ++i) {
        WCHAR c = (*text)[i];
        ascii &= c < 0x80;
        bytesOnly &= c <= 0xFF || c >= 0xFF80;  // >= 0xFF80: a byte widened with its sign
    }
    if (ascii) return false;

    std::string bytes;
    if (bytesOnly) {
        bytes.reserve(n);
        for (UINT i = 0; i < n; ++i) bytes.push_back(char((*text)[i] & 0xFF));
    } else {
        // Decoded with the machine's ANSI code page: encode back to get the stored bytes.
        BOOL lossy = FALSE;
        int m = WideCharToMultiByte(CP_ACP, 0, *text, int(n), nullptr, 0, nullptr, &lossy);
        if (m <= 0 || lossy) return false;
        bytes.resize(m);
        WideCharToMultiByte(CP_ACP, 0, *text, int(n), bytes.data(), m, nullptr, &lossy);
        if (lossy) return false;
    }
    while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();

    int w = MultiByteToWideChar(kTypeLibraryCodePage, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), nullptr, 0);
    if (w <= 0 && !bytes.empty()) return false;
    BSTR fixed = SysAllocStringLen(nullptr, UINT(w));
    if (!fixed) return false;
    MultiByteToWideChar(kTypeLibraryCodePage, 0, bytes.data(), int(bytes.size()), fixed, w);
    if (SysStringLen(fixed) == n && memcmp(fixed, *text, n * sizeof(WCHAR)) == 0) {
        SysFreeString(fixed);
        return false;
    }
    SysFreeString(*text);
    *text = fixed;
    return true;
}

void repairTypeLibValue(VARIANT* value) noexcept {
    if (value && V_VT(value) == VT_BSTR) repairTypeLibText(&V_BSTR(value));
}

namespace {

// A FUNCDESC handed out by the wrapper: a copy whose string default values are decoded. The
// parameter type descriptions still point into the raw FUNCDESC, which is kept until release.
struct FuncDescCopy {
    FUNCDESC fd;  // first member: the pointer handed out is the pointer to the copy
    FUNCDESC* raw;
    ELEMDESC* params;
    PARAMDESCEX* defaults;
};

// A view over the system's type information (Itf) that answers its version-2 interface (Itf2)
// only when the object behind it has it. Itf is the leading part of Itf2: one pointer answers both.
template <class Derived, class Itf, class Itf2>
class RawView : public Unknown<Derived, Itf2> {
public:
    bool answers(REFIID riid) const noexcept { return riid != __uuidof(Itf2) || raw2_; }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return Unknown<Derived, Itf2>::QueryInterface(riid == __uuidof(Itf) ? IID_IUnknown : riid, ppv);
    }

protected:
    explicit RawView(Itf* raw) : raw_(raw) {
        raw_->AddRef();
        raw_->QueryInterface(__uuidof(Itf2), reinterpret_cast<void**>(&raw2_));
    }
    ~RawView() override {
        if (raw2_) raw2_->Release();
        raw_->Release();
    }
    Itf* raw_;
    Itf2* raw2_ = nullptr;
};

class TypeInfoView final : public RawView<TypeInfoView, ITypeInfo, ITypeInfo2> {
public:
    explicit TypeInfoView(ITypeInfo* raw) : RawView(raw) {}

    STDMETHODIMP GetTypeAttr(TYPEATTR** attr) override {
        if (!attr) return E_INVALIDARG;
        HRESULT hr = raw_->GetTypeAttr(attr);
        // The dispatch half of a dual interface is an automation type like its vtable half.
        if (SUCCEEDED(hr) && (*attr)->typekind == TKIND_DISPATCH && ((*attr)->wTypeFlags & TYPEFLAG_FDUAL))
            (*attr)->wTypeFlags |= TYPEFLAG_FOLEAUTOMATION;
        return hr;
    }
    STDMETHODIMP GetTypeComp(ITypeComp** comp) override { return raw_->GetTypeComp(comp); }
    STDMETHODIMP GetFuncDesc(UINT index, FUNCDESC** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        FUNCDESC* raw = nullptr;
        HRESULT hr = raw_->GetFuncDesc(index, &raw);
        if (FAILED(hr)) return hr;
        size_t n = size_t(raw->cParams);
        auto* copy = static_cast<FuncDescCopy*>(
            CoTaskMemAlloc(sizeof(FuncDescCopy) + n * (sizeof(ELEMDESC) + sizeof(PARAMDESCEX))));
        if (!copy) {
            raw_->ReleaseFuncDesc(raw);
            return E_OUTOFMEMORY;
        }
        copy->fd = *raw;
        copy->raw = raw;
        copy->params = reinterpret_cast<ELEMDESC*>(copy + 1);
        copy->defaults = reinterpret_cast<PARAMDESCEX*>(copy->params + n);
        for (size_t i = 0; i < n; ++i) {
            copy->params[i] = raw->lprgelemdescParam[i];
            PARAMDESC& pd = copy->params[i].paramdesc;
            if ((pd.wParamFlags & PARAMFLAG_FHASDEFAULT) && pd.pparamdescex) {
                copy->defaults[i].cBytes = sizeof(PARAMDESCEX);
                VariantInit(&copy->defaults[i].varDefaultValue);
                VariantCopy(&copy->defaults[i].varDefaultValue, &pd.pparamdescex->varDefaultValue);
                repairTypeLibValue(&copy->defaults[i].varDefaultValue);
                pd.pparamdescex = &copy->defaults[i];
            }
        }
        copy->fd.lprgelemdescParam = n ? copy->params : nullptr;
        *out = &copy->fd;
        return S_OK;
    }
    STDMETHODIMP GetVarDesc(UINT index, VARDESC** out) override { return raw_->GetVarDesc(index, out); }
    STDMETHODIMP GetNames(MEMBERID id, BSTR* names, UINT max, UINT* count) override {
        return raw_->GetNames(id, names, max, count);
    }
    STDMETHODIMP GetRefTypeOfImplType(UINT index, HREFTYPE* ref) override { return raw_->GetRefTypeOfImplType(index, ref); }
    STDMETHODIMP GetImplTypeFlags(UINT index, INT* flags) override { return raw_->GetImplTypeFlags(index, flags); }
    STDMETHODIMP GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
        return raw_->GetIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(PVOID instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        return raw_->Invoke(instance, id, flags, params, result, excep, argErr);
    }
    STDMETHODIMP GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* context, BSTR* helpFile) override {
        HRESULT hr = raw_->GetDocumentation(id, name, doc, context, helpFile);
        if (SUCCEEDED(hr) && doc) repairTypeLibText(doc);
        return hr;
    }
    STDMETHODIMP GetDllEntry(MEMBERID id, INVOKEKIND kind, BSTR* dll, BSTR* name, WORD* ordinal) override {
        return raw_->GetDllEntry(id, kind, dll, name, ordinal);
    }
    STDMETHODIMP GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) override {
        if (!out) return E_INVALIDARG;
        ITypeInfo* info = nullptr;
        HRESULT hr = raw_->GetRefTypeInfo(ref, &info);
        if (FAILED(hr)) return hr;
        hr = wrapTypeInfo(info, out);
        info->Release();
        return hr;
    }
    STDMETHODIMP AddressOfMember(MEMBERID id, INVOKEKIND kind, PVOID* address) override {
        return raw_->AddressOfMember(id, kind, address);
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, PVOID* obj) override {
        return raw_->CreateInstance(outer, riid, obj);
    }
    STDMETHODIMP GetMops(MEMBERID id, BSTR* mops) override { return raw_->GetMops(id, mops); }
    STDMETHODIMP GetContainingTypeLib(ITypeLib** lib, UINT* index) override {
        ITypeLib* raw = nullptr;
        HRESULT hr = raw_->GetContainingTypeLib(&raw, index);
        if (FAILED(hr)) return hr;
        if (lib) hr = wrapTypeLib(raw, lib);
        raw->Release();
        return hr;
    }
    STDMETHODIMP_(void) ReleaseTypeAttr(TYPEATTR* attr) override { raw_->ReleaseTypeAttr(attr); }
    STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC* fd) override {
        if (!fd) return;
        auto* copy = reinterpret_cast<FuncDescCopy*>(fd);
        for (SHORT i = 0; i < copy->raw->cParams; ++i)
            if (copy->params[i].paramdesc.pparamdescex == &copy->defaults[i])
                VariantClear(&copy->defaults[i].varDefaultValue);
        raw_->ReleaseFuncDesc(copy->raw);
        CoTaskMemFree(copy);
    }
    STDMETHODIMP_(void) ReleaseVarDesc(VARDESC* vd) override { raw_->ReleaseVarDesc(vd); }

    // ITypeInfo2
    STDMETHODIMP GetTypeKind(TYPEKIND* kind) override { return raw2_->GetTypeKind(kind); }
    STDMETHODIMP GetTypeFlags(ULONG* flags) override {
        TYPEATTR* attr = nullptr;
        HRESULT hr = GetTypeAttr(&attr);
        if (FAILED(hr)) return hr;
        *flags = attr->wTypeFlags;
        ReleaseTypeAttr(attr);
        return S_OK;
    }
    STDMETHODIMP GetFuncIndexOfMemId(MEMBERID id, INVOKEKIND kind, UINT* index) override {
        return raw2_->GetFuncIndexOfMemId(id, kind, index);
    }
    STDMETHODIMP GetVarIndexOfMemId(MEMBERID id, UINT* index) override { return raw2_->GetVarIndexOfMemId(id, index); }
    STDMETHODIMP GetCustData(REFGUID guid, VARIANT* v) override { return fixed(raw2_->GetCustData(guid, v), v); }
    STDMETHODIMP GetFuncCustData(UINT index, REFGUID guid, VARIANT* v) override {
        return fixed(raw2_->GetFuncCustData(index, guid, v), v);
    }
    STDMETHODIMP GetParamCustData(UINT func, UINT param, REFGUID guid, VARIANT* v) override {
        return fixed(raw2_->GetParamCustData(func, param, guid, v), v);
    }
    STDMETHODIMP GetVarCustData(UINT index, REFGUID guid, VARIANT* v) override {
        return fixed(raw2_->GetVarCustData(index, guid, v), v);
    }
    STDMETHODIMP GetImplTypeCustData(UINT index, REFGUID guid, VARIANT* v) override {
        return fixed(raw2_->GetImplTypeCustData(index, guid, v), v);
    }
    STDMETHODIMP GetDocumentation2(MEMBERID id, LCID lcid, BSTR* help, DWORD* context, BSTR* dll) override {
        HRESULT hr = raw2_->GetDocumentation2(id, lcid, help, context, dll);
        if (SUCCEEDED(hr) && help) repairTypeLibText(help);
        return hr;
    }
    STDMETHODIMP GetAllCustData(CUSTDATA* data) override { return raw2_->GetAllCustData(data); }
    STDMETHODIMP GetAllFuncCustData(UINT index, CUSTDATA* data) override { return raw2_->GetAllFuncCustData(index, data); }
    STDMETHODIMP GetAllParamCustData(UINT func, UINT param, CUSTDATA* data) override {
        return raw2_->GetAllParamCustData(func, param, data);
    }
    STDMETHODIMP GetAllVarCustData(UINT index, CUSTDATA* data) override { return raw2_->GetAllVarCustData(index, data); }
    STDMETHODIMP GetAllImplTypeCustData(UINT index, CUSTDATA* data) override {
        return raw2_->GetAllImplTypeCustData(index, data);
    }

private:
    static HRESULT fixed(HRESULT hr, VARIANT* v) {
        if (SUCCEEDED(hr)) repairTypeLibValue(v);
        return hr;
    }
};

class TypeLibView final : public RawView<TypeLibView, ITypeLib, ITypeLib2> {
public:
    explicit TypeLibView(ITypeLib* raw) : RawView(raw) {}

    STDMETHODIMP_(UINT) GetTypeInfoCount() override { return raw_->GetTypeInfoCount(); }
    STDMETHODIMP GetTypeInfo(UINT index, ITypeInfo** out) override {
        if (!out) return E_INVALIDARG;
        ITypeInfo* info = nullptr;
        HRESULT hr = raw_->GetTypeInfo(index, &info);
        return wrapped(hr, info, out);
    }
    STDMETHODIMP GetTypeInfoType(UINT index, TYPEKIND* kind) override { return raw_->GetTypeInfoType(index, kind); }
    STDMETHODIMP GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** out) override {
        if (!out) return E_INVALIDARG;
        ITypeInfo* info = nullptr;
        HRESULT hr = raw_->GetTypeInfoOfGuid(guid, &info);
        return wrapped(hr, info, out);
    }
    STDMETHODIMP GetLibAttr(TLIBATTR** attr) override { return raw_->GetLibAttr(attr); }
    STDMETHODIMP GetTypeComp(ITypeComp** comp) override { return raw_->GetTypeComp(comp); }
    STDMETHODIMP GetDocumentation(INT index, BSTR* name, BSTR* doc, DWORD* context, BSTR* helpFile) override {
        HRESULT hr = raw_->GetDocumentation(index, name, doc, context, helpFile);
        if (SUCCEEDED(hr) && doc) repairTypeLibText(doc);
        return hr;
    }
    STDMETHODIMP IsName(LPOLESTR name, ULONG hash, BOOL* found) override { return raw_->IsName(name, hash, found); }
    STDMETHODIMP FindName(LPOLESTR name, ULONG hash, ITypeInfo** infos, MEMBERID* ids, USHORT* count) override {
        HRESULT hr = raw_->FindName(name, hash, infos, ids, count);
        if (SUCCEEDED(hr) && infos && count) {
            for (USHORT i = 0; i < *count; ++i) {
                ITypeInfo* raw = infos[i];
                if (!raw) continue;
                if (FAILED(wrapTypeInfo(raw, &infos[i]))) infos[i] = nullptr;
                raw->Release();
            }
        }
        return hr;
    }
    STDMETHODIMP_(void) ReleaseTLibAttr(TLIBATTR* attr) override { raw_->ReleaseTLibAttr(attr); }

    // ITypeLib2
    STDMETHODIMP GetCustData(REFGUID guid, VARIANT* v) override {
        HRESULT hr = raw2_->GetCustData(guid, v);
        if (SUCCEEDED(hr)) repairTypeLibValue(v);
        return hr;
    }
    STDMETHODIMP GetLibStatistics(ULONG* unique, ULONG* chars) override { return raw2_->GetLibStatistics(unique, chars); }
    STDMETHODIMP GetDocumentation2(INT index, LCID lcid, BSTR* help, DWORD* context, BSTR* dll) override {
        HRESULT hr = raw2_->GetDocumentation2(index, lcid, help, context, dll);
        if (SUCCEEDED(hr) && help) repairTypeLibText(help);
        return hr;
    }
    STDMETHODIMP GetAllCustData(CUSTDATA* data) override { return raw2_->GetAllCustData(data); }

private:
    static HRESULT wrapped(HRESULT hr, ITypeInfo* raw, ITypeInfo** out) {
        *out = nullptr;
        if (FAILED(hr)) return hr;
        hr = wrapTypeInfo(raw, out);
        raw->Release();
        return hr;
    }
};

}  // namespace

HRESULT wrapTypeInfo(ITypeInfo* raw, ITypeInfo** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!raw) return E_INVALIDARG;
    *out = new (std::nothrow) TypeInfoView(raw);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT wrapTypeLib(ITypeLib* raw, ITypeLib** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!raw) return E_INVALIDARG;
    *out = new (std::nothrow) TypeLibView(raw);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace orvi::com
