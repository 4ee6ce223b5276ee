#include "Collection.h"

#include "Enumerator.h"

#include <utility>

namespace orvi::com {

namespace {

constexpr DISPID kAdd = 1;
constexpr DISPID kCount = 2;
constexpr DISPID kRemove = 3;

// An optional argument of a vtable call, or null where the caller left it out.
const VARIANT* given(const VARIANT* arg) noexcept {
    return arg && !isMissing(*arg) ? arg : nullptr;
}

bool sameName(const wchar_t* a, const wchar_t* b) noexcept {
    return a && CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

std::wstring folded(const VARIANT& key) {
    std::wstring s(view(V_BSTR(&key)));
    if (!s.empty()) CharUpperBuffW(s.data(), DWORD(s.size()));
    return s;
}

}  // namespace

ComPtr<Collection> Collection::create() {
    ComPtr<Collection> c;
    *c.ReleaseAndGetAddressOf() = new Collection();
    return c;
}

void Collection::add(const VARIANT& item) {
    addEntry(item, nullptr, nullptr, nullptr);
}

size_t Collection::positionOf(const VARIANT& index) const {
    const VARIANT& d = deref(index);
    if (V_VT(&d) == VT_BSTR) {
        std::wstring key = folded(d);
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i].keyed && items_[i].key == key) return i;
        raise(RuntimeError::InvalidProcedureCall);
    }
    long n = toLong(d);
    if (n < 1 || size_t(n) > items_.size()) raise(RuntimeError::SubscriptOutOfRange);
    return size_t(n - 1);
}

void Collection::addEntry(const VARIANT& item, const VARIANT* key, const VARIANT* before, const VARIANT* after) {
    Entry entry{Variant(item), false, {}};
    if (key) {
        const VARIANT& k = deref(*key);
        if (V_VT(&k) != VT_BSTR) raise(RuntimeError::TypeMismatch);
        entry.keyed = true;
        entry.key = folded(k);
        for (const Entry& e : items_)
            if (e.keyed && e.key == entry.key) raise(RuntimeError::DuplicateKey);
    }
    if (before && after) raise(RuntimeError::InvalidProcedureCall);
    size_t at = items_.size();
    if (before) at = positionOf(*before);
    if (after) at = positionOf(*after) + 1;
    items_.insert(items_.begin() + ptrdiff_t(at), std::move(entry));
}

STDMETHODIMP Collection::QueryInterface(REFIID riid, void** ppv) {
    // The dual interface is also the object's IDispatch.
    if (riid == IID_IDispatch) return Unknown::QueryInterface(__uuidof(AutomationCollection), ppv);
    return Unknown::QueryInterface(riid, ppv);
}

template <class F>
HRESULT Collection::vtableCall(F&& f) noexcept {
    try {
        f();
        SetErrorInfo(0, nullptr);
        return S_OK;
    } catch (...) {
        return reportFailure(kSource);
    }
}

STDMETHODIMP Collection::Item(VARIANT* Index, VARIANT* pvarRet) {
    if (!pvarRet) return E_POINTER;
    VariantInit(pvarRet);
    return vtableCall([&] {
        if (!given(Index)) raise(RuntimeError::ArgumentNotOptional);
        Variant(items_[positionOf(*Index)].value).detach(pvarRet);
    });
}

STDMETHODIMP Collection::Add(VARIANT* Item, VARIANT* Key, VARIANT* Before, VARIANT* After) {
    return vtableCall([&] {
        if (!given(Item)) raise(RuntimeError::ArgumentNotOptional);
        addEntry(*Item, given(Key), given(Before), given(After));
    });
}

STDMETHODIMP Collection::Count(long* pi4) {
    if (!pi4) return E_POINTER;
    *pi4 = count();
    return S_OK;
}

STDMETHODIMP Collection::Remove(VARIANT* Index) {
    return vtableCall([&] {
        if (!given(Index)) raise(RuntimeError::ArgumentNotOptional);
        items_.erase(items_.begin() + ptrdiff_t(positionOf(*Index)));
    });
}

STDMETHODIMP Collection::_NewEnum(IUnknown** ppunk) {
    if (!ppunk) return E_POINTER;
    *ppunk = nullptr;
    return vtableCall([&] { *ppunk = newEnum().Detach(); });
}

ComPtr<IUnknown> Collection::newEnum() const {
    std::vector<Variant> copy;
    copy.reserve(items_.size());
    for (const Entry& e : items_) copy.push_back(e.value);
    return Enumerator<IEnumVARIANT, VARIANT, Variant>::make(std::move(copy));
}

STDMETHODIMP Collection::GetTypeInfoCount(UINT* count) {
    if (!count) return E_INVALIDARG;
    *count = 0;
    return S_OK;
}

STDMETHODIMP Collection::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP Collection::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || !count) return E_INVALIDARG;
    static const wchar_t* const kAddParams[] = {L"Item", L"Key", L"Before", L"After"};
    static const wchar_t* const kItemParams[] = {L"Index"};
    const wchar_t* const* params = nullptr;
    UINT paramCount = 0;
    HRESULT hr = S_OK;
    if (sameName(names[0], L"Add")) {
        ids[0] = kAdd;
        params = kAddParams, paramCount = 4;
    } else if (sameName(names[0], L"Count")) {
        ids[0] = kCount;
    } else if (sameName(names[0], L"Remove")) {
        ids[0] = kRemove;
        params = kItemParams, paramCount = 1;
    } else if (sameName(names[0], L"Item")) {
        ids[0] = DISPID_VALUE;
        params = kItemParams, paramCount = 1;
    } else if (sameName(names[0], L"_NewEnum")) {
        ids[0] = DISPID_NEWENUM;
    } else {
        ids[0] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    for (UINT n = 1; n < count; ++n) {
        ids[n] = DISPID_UNKNOWN;
        for (UINT p = 0; p < paramCount; ++p)
            if (sameName(names[n], params[p])) ids[n] = DISPID(p);
        if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP Collection::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* excep, UINT* argErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!params || (params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs ||
        (params->cNamedArgs && !params->rgdispidNamedArgs))
        return E_INVALIDARG;
    if (result) VariantInit(result);

    UINT paramCount;
    WORD allowed = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    switch (id) {
    case DISPID_VALUE: paramCount = 1; break;
    case kAdd: paramCount = 4, allowed = DISPATCH_METHOD; break;
    case kRemove: paramCount = 1, allowed = DISPATCH_METHOD; break;
    case kCount:
    case DISPID_NEWENUM: paramCount = 0; break;
    default: return DISP_E_MEMBERNOTFOUND;
    }
    if (!(flags & allowed)) return DISP_E_MEMBERNOTFOUND;

    // Arguments by parameter position; null where the caller left one out.
    const VARIANT* args[4] = {};
    UINT positional = params->cArgs - params->cNamedArgs;
    if (params->cArgs > paramCount) return DISP_E_BADPARAMCOUNT;
    for (UINT i = 0; i < positional; ++i) args[i] = &params->rgvarg[params->cArgs - 1 - i];
    for (UINT i = 0; i < params->cNamedArgs; ++i) {
        DISPID p = params->rgdispidNamedArgs[i];
        if (p < 0 || UINT(p) >= paramCount || args[p]) {
            if (argErr) *argErr = i;
            return DISP_E_PARAMNOTFOUND;
        }
        args[p] = &params->rgvarg[i];
    }
    for (const VARIANT*& a : args)
        if (a && isMissing(*a)) a = nullptr;

    try {
        Variant out;
        switch (id) {
        case DISPID_VALUE:
            if (!args[0]) return DISP_E_PARAMNOTOPTIONAL;
            out = items_[positionOf(*args[0])].value;
            break;
        case kAdd:
            if (!args[0]) return DISP_E_PARAMNOTOPTIONAL;
            addEntry(*args[0], args[1], args[2], args[3]);
            break;
        case kRemove:
            if (!args[0]) return DISP_E_PARAMNOTOPTIONAL;
            items_.erase(items_.begin() + ptrdiff_t(positionOf(*args[0])));
            break;
        case kCount:
            out = Variant(count());
            break;
        case DISPID_NEWENUM: {
            ComPtr<IUnknown> e = newEnum();
            V_VT(&out.get()) = VT_UNKNOWN;
            V_UNKNOWN(&out.get()) = e.Detach();
            break;
        }
        }
        if (result) out.detach(result);
        return S_OK;
    } catch (...) {
        HRESULT hr = reportFailure(kSource);
        if (!excep) return hr;
        fillExcepInfo(excep, hr);
        return DISP_E_EXCEPTION;
    }
}

}  // namespace orvi::com
