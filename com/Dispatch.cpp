#include "Dispatch.h"

#include <cstring>
#include <new>

#include "Errors.h"
#include "Variant.h"

namespace orvi::com {

namespace {

constexpr int kMaxArgs = 32;
enum Slot { kMethod = 0, kGet = 1, kPut = 2, kPutRef = 3 };

inline wchar_t fold(wchar_t c) noexcept {
    return (c >= L'a' && c <= L'z') ? wchar_t(c - 32) : c;
}
// Name lookup. A name is hashed from its length and a few of its letters, so that the hash costs
// the same for every name, and compared in full four UTF-16 units at a time, A-Z folded.
inline uint64_t foldWord(uint64_t x) noexcept {
    constexpr uint64_t high = 0x8000800080008000ull;
    uint64_t low = x & ~high;
    uint64_t atLeastA = low + 0x7F9F7F9F7F9F7F9Full;  // high bit: low >= 'a'
    uint64_t pastZ = low + 0x7F857F857F857F85ull;     // high bit: low > 'z'
    uint64_t lower = atLeastA & ~pastZ & ~x & high;
    return x - (lower >> 10);  // 0x8000 >> 10 == 0x20
}
unsigned hashName(const wchar_t* s, size_t n) noexcept {
    if (!n) return 0;
    unsigned h = unsigned(n) * 0x9E3779B1u;
    h ^= unsigned(fold(s[0])) | unsigned(fold(s[n - 1])) << 16;
    h *= 0x85EBCA6Bu;
    h ^= unsigned(fold(s[n / 2])) | unsigned(fold(s[(n - 1) / 3])) << 16;
    h *= 0xC2B2AE35u;
    return h ^ (h >> 15);
}
// The length of a name, four units at a time once aligned (an aligned read never crosses into
// another page).
size_t nameLength(const wchar_t* s) noexcept {
    const wchar_t* p = s;
    for (; reinterpret_cast<uintptr_t>(p) & 7; ++p)
        if (!*p) return size_t(p - s);
    for (;; p += 4) {
        uint64_t x;
        std::memcpy(&x, p, 8);
        if ((x - 0x0001000100010001ull) & ~x & 0x8000800080008000ull) break;  // a zero unit
    }
    while (*p) ++p;
    return size_t(p - s);
}
// Whether name (n units) matches the upper-cased `folded` of the same length.
bool matchesFolded(const wchar_t* name, const wchar_t* folded, size_t n) noexcept {
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        uint64_t a, b;
        std::memcpy(&a, name + i, 8);
        std::memcpy(&b, folded + i, 8);
        if (foldWord(a) != b) return false;
    }
    for (; i < n; ++i)
        if (fold(name[i]) != folded[i]) return false;
    return true;
}
bool sameName(const wchar_t* a, const wchar_t* b) noexcept {
    for (; *a && *b; ++a, ++b)
        if (fold(*a) != fold(*b)) return false;
    return *a == *b;
}
unsigned hashId(DISPID id) noexcept {
    unsigned x = unsigned(id);
    x ^= x >> 16;
    x *= 0x45d9f3bu;
    x ^= x >> 16;
    return x;
}
unsigned tableSize(size_t n) {
    unsigned size = 8;
    while (size < n * 2) size <<= 1;
    return size;
}
Slot slotOf(INVOKEKIND kind) {
    switch (kind) {
    case INVOKE_PROPERTYGET: return kGet;
    case INVOKE_PROPERTYPUT: return kPut;
    case INVOKE_PROPERTYPUTREF: return kPutRef;
    default: return kMethod;
    }
}

struct Resolved {
    VARTYPE vt = VT_EMPTY;
    bool byRef = false;
    bool interfaceType = false;  // a named interface (not a pointer to one)
    IID iid = IID_NULL;          // that interface
    bool ok = true;
};

Resolved resolve(ITypeInfo* owner, const TYPEDESC& td, int depth = 0) {
    Resolved r;
    if (depth > 8) return r.ok = false, r;
    switch (td.vt) {
    case VT_PTR: {
        Resolved inner = resolve(owner, *td.lptdesc, depth + 1);
        if (!inner.ok || inner.byRef) return r.ok = false, r;
        r.vt = inner.vt;
        r.byRef = !inner.interfaceType;  // pointer to an interface = object reference by value
        r.iid = inner.iid;
        return r;
    }
    case VT_SAFEARRAY: {
        Resolved elem = resolve(owner, *td.lptdesc, depth + 1);
        if (!elem.ok || elem.byRef) return r.ok = false, r;
        r.vt = VT_ARRAY | (elem.interfaceType ? elem.vt : elem.vt);
        return r;
    }
    case VT_USERDEFINED: {
        ITypeInfo* ref = nullptr;
        if (FAILED(owner->GetRefTypeInfo(td.hreftype, &ref))) return r.ok = false, r;
        TYPEATTR* attr = nullptr;
        if (FAILED(ref->GetTypeAttr(&attr))) {
            ref->Release();
            return r.ok = false, r;
        }
        switch (attr->typekind) {
        case TKIND_ENUM: r.vt = VT_I4; break;
        case TKIND_ALIAS: r = resolve(ref, attr->tdescAlias, depth + 1); break;
        case TKIND_INTERFACE:
        case TKIND_DISPATCH:
        case TKIND_COCLASS:
            r.interfaceType = true;
            if (attr->typekind != TKIND_COCLASS) r.iid = attr->guid;
            r.vt = (attr->guid == IID_IUnknown || (attr->typekind == TKIND_INTERFACE && attr->guid != IID_IDispatch &&
                                                    !(attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE)))
                       ? VT_UNKNOWN
                       : VT_DISPATCH;
            break;
        default: r.ok = false; break;
        }
        ref->ReleaseTypeAttr(attr);
        ref->Release();
        return r;
    }
    case VT_INT: r.vt = VT_I4; return r;
    case VT_UINT: r.vt = VT_UI4; return r;
    case VT_VOID:
    case VT_HRESULT: r.ok = false; return r;
    default: r.vt = td.vt; return r;
    }
}

// Address of the data inside a VARIANT (all union members share it).
inline void* dataOf(VARIANT& v) noexcept {
    return &V_I4(&v);
}

size_t valueSize(VARTYPE vt) noexcept {
    if (vt & VT_ARRAY) return sizeof(SAFEARRAY*);
    switch (vt) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_R4: case VT_INT: case VT_UINT: case VT_ERROR: return 4;
    case VT_R8: case VT_CY: case VT_DATE: case VT_I8: case VT_UI8: return 8;
    case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN: return sizeof(void*);
    case VT_DECIMAL: return sizeof(DECIMAL);
    default: return 0;
    }
}

// Text that plainly reads as a Boolean: an integer of up to nine digits (non-zero is True), or
// "True" / "False" in any letter case. Anything else (spaces, decimals, other languages' words)
// is left to the system's conversion, which gives these the same answer far more slowly.
bool plainBoolean(BSTR text, VARIANT_BOOL& out) noexcept {
    UINT n = SysStringLen(text);
    if (!n) return false;
    auto is = [&](const wchar_t* word) {
        UINT i = 0;
        for (; word[i] && i < n; ++i)
            if (fold(text[i]) != word[i]) return false;
        return !word[i] && i == n;
    };
    if (is(L"TRUE")) return out = VARIANT_TRUE, true;
    if (is(L"FALSE")) return out = VARIANT_FALSE, true;
    UINT i = text[0] == L'-' ? 1 : 0;
    if (i == n || n - i > 9) return false;
    bool nonZero = false;
    for (; i < n; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        nonZero |= text[i] != L'0';
    }
    out = nonZero ? VARIANT_TRUE : VARIANT_FALSE;
    return true;
}

// Converts a caller's value into an owned value of type vt. Empty is accepted as Nothing for
// object parameters; Null only goes into a Variant.
HRESULT coerce(VARIANT& out, const VARIANT& in, VARTYPE vt) noexcept {
    init(out);
    const VARIANT& src = deref(in);
    if (vt == VT_VARIANT) return VariantCopyInd(&out, const_cast<VARIANT*>(&src));
    if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && (V_VT(&src) == VT_EMPTY)) {
        V_VT(&out) = vt;
        V_UNKNOWN(&out) = nullptr;
        return S_OK;
    }
    if (V_VT(&src) == VT_NULL) return DISP_E_TYPEMISMATCH;
    if ((V_VT(&src) == VT_DISPATCH || V_VT(&src) == VT_UNKNOWN) && !V_UNKNOWN(&src) && vt != VT_DISPATCH &&
        vt != VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;  // Nothing has no value to convert
    if (vt == VT_DISPATCH && V_VT(&src) == VT_UNKNOWN) {
        V_VT(&out) = VT_DISPATCH;
        V_DISPATCH(&out) = nullptr;
        if (!V_UNKNOWN(&src)) return S_OK;
        return V_UNKNOWN(&src)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&V_DISPATCH(&out))) == S_OK
                   ? S_OK
                   : DISP_E_TYPEMISMATCH;
    }
    // A value of the very type, owning nothing: copied as it is (what the system's conversion
    // does, without its cost).
    if (V_VT(&src) == vt && !(vt & VT_ARRAY) && vt != VT_BSTR && vt != VT_DISPATCH && vt != VT_UNKNOWN &&
        vt != VT_DECIMAL && valueSize(vt)) {
        out = src;
        return S_OK;
    }
    if (vt == VT_BOOL && V_VT(&src) == VT_BSTR && V_BSTR(&src)) {
        VARIANT_BOOL b;
        if (plainBoolean(V_BSTR(&src), b)) {
            V_VT(&out) = VT_BOOL;
            V_BOOL(&out) = b;
            return S_OK;
        }
    }
    USHORT flags = vt == VT_BSTR ? VARIANT_ALPHABOOL : 0;
    return VariantChangeTypeEx(&out, const_cast<VARIANT*>(&src), LOCALE_USER_DEFAULT, flags, vt);
}

void zeroValue(VARIANT& v, VARTYPE vt) noexcept {
    init(v);
    if (vt == VT_VARIANT) return;
    V_VT(&v) = vt;
    char* data = static_cast<char*>(dataOf(v));
    std::memset(data, 0, sizeof(VARIANT) - size_t(data - reinterpret_cast<char*>(&v)));
}

// Stores `value` (type known) into the caller's typed by-reference argument `target`
// (VT_BYREF|X), converting to X and freeing what it held.
HRESULT assignTyped(VARIANT& target, VARIANT& value) noexcept {
    VARTYPE x = V_VT(&target) & ~VT_BYREF;
    VARIANT converted;
    HRESULT hr = coerce(converted, value, x);
    if (FAILED(hr)) return hr;
    size_t size = valueSize(x);
    if (!size || x == VT_DECIMAL) {
        VariantClear(&converted);
        return DISP_E_TYPEMISMATCH;
    }
    VARIANT old;
    VariantInit(&old);
    V_VT(&old) = x;
    std::memcpy(dataOf(old), V_BYREF(&target), size);
    VariantClear(&old);
    std::memcpy(V_BYREF(&target), dataOf(converted), size);
    return S_OK;
}

// Whether a value of this type travels as one integer-class machine word when passed by value:
// on both x86 (stdcall, 4-byte slots) and x64 (8-byte slots, integer registers) such a call can
// be made through a function pointer with that many word-sized parameters. Floating-point values
// (passed in other registers on x64) and wider values are left to DispCallFunc.
bool oneWord(VARTYPE vt) {
    if (vt & VT_ARRAY) return true;
    switch (vt) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_BOOL: case VT_I4: case VT_UI4: case VT_ERROR:
    case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN:
        return true;
#ifdef _WIN64
    case VT_VARIANT:  // passed as a pointer to a copy the callee may use
    case VT_CY: case VT_I8: case VT_UI8:
        return true;
#endif
    default:
        return false;
    }
}

uintptr_t word(const VARIANT& v) {
    if (V_VT(&v) & (VT_BYREF | VT_ARRAY)) return uintptr_t(V_BYREF(&v));
    switch (V_VT(&v)) {
    case VT_I1: return uintptr_t(intptr_t(V_I1(&v)));
    case VT_UI1: return V_UI1(&v);
    case VT_I2: return uintptr_t(intptr_t(V_I2(&v)));
    case VT_UI2: return V_UI2(&v);
    case VT_BOOL: return uintptr_t(intptr_t(V_BOOL(&v)));
    case VT_I4: return uintptr_t(intptr_t(V_I4(&v)));
    case VT_UI4: return V_UI4(&v);
    case VT_ERROR: return uintptr_t(intptr_t(V_ERROR(&v)));
#ifdef _WIN64
    case VT_CY: return uintptr_t(V_CY(&v).int64);
    case VT_I8: return uintptr_t(V_I8(&v));
    case VT_UI8: return uintptr_t(V_UI8(&v));
#endif
    default: return uintptr_t(V_BYREF(&v));  // BSTR, IDispatch*, IUnknown*
    }
}

constexpr size_t kMaxDirect = 8;

HRESULT directCall(void* instance, SHORT offset, const uintptr_t* a, size_t n) {
    using W = uintptr_t;
    void* fn = (*static_cast<void***>(instance))[size_t(offset) / sizeof(void*)];
    switch (n) {
    case 0: return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*)>(fn)(instance);
    case 1: return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, W)>(fn)(instance, a[0]);
    case 2: return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, W, W)>(fn)(instance, a[0], a[1]);
    case 3: return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, W, W, W)>(fn)(instance, a[0], a[1], a[2]);
    case 4:
        return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, W, W, W, W)>(fn)(instance, a[0], a[1], a[2], a[3]);
    case 5:
        return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, W, W, W, W, W)>(fn)(instance, a[0], a[1], a[2],
                                                                                        a[3], a[4]);
    case 6:
        return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, W, W, W, W, W, W)>(fn)(instance, a[0], a[1], a[2],
                                                                                           a[3], a[4], a[5]);
    case 7:
        return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, W, W, W, W, W, W, W)>(fn)(
            instance, a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    case 8:
        return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, W, W, W, W, W, W, W, W)>(fn)(
            instance, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
    default: return E_UNEXPECTED;
    }
}

// Whether the callee left a converted by-reference value as it received it. Arrays may have been
// changed in place, so they always count as changed.
bool unchanged(const VARIANT& now, const VARIANT& before) noexcept {
    if (V_VT(&now) != V_VT(&before) || (V_VT(&now) & VT_ARRAY)) return false;
    switch (V_VT(&now)) {
    case VT_BSTR:
        return SysStringLen(V_BSTR(&now)) == SysStringLen(V_BSTR(&before)) &&
               std::memcmp(V_BSTR(&now) ? V_BSTR(&now) : L"", V_BSTR(&before) ? V_BSTR(&before) : L"",
                           SysStringLen(V_BSTR(&now)) * sizeof(WCHAR)) == 0;
    case VT_VARIANT: return false;
    default: {
        size_t size = valueSize(V_VT(&now));
        return size && std::memcmp(&V_I4(&now), &V_I4(&before), size) == 0;
    }
    }
}

// The object a caller passed for an interface parameter: Nothing (also Empty) gives null; another
// kind of value, or an object that does not answer the interface, is a type mismatch. The result
// is that interface, AddRef'd, in a VARIANT of type vt (VT_DISPATCH or VT_UNKNOWN).
HRESULT narrow(VARIANT& out, const VARIANT& in, VARTYPE vt, REFIID iid) noexcept {
    VariantInit(&out);
    const VARIANT& d = deref(in);
    IUnknown* object = nullptr;
    switch (V_VT(&d)) {
    case VT_EMPTY: break;
    case VT_DISPATCH: case VT_UNKNOWN: object = V_UNKNOWN(&d); break;
    case VT_DISPATCH | VT_BYREF: case VT_UNKNOWN | VT_BYREF:
        object = V_UNKNOWNREF(&d) ? *V_UNKNOWNREF(&d) : nullptr;
        break;
    default: return DISP_E_TYPEMISMATCH;
    }
    void* typed = nullptr;
    if (object && (FAILED(object->QueryInterface(iid, &typed)) || !typed)) return DISP_E_TYPEMISMATCH;
    V_VT(&out) = vt;
    V_UNKNOWN(&out) = static_cast<IUnknown*>(typed);
    return S_OK;
}

struct ArgWork {
    VARIANT store;         // value owned by the call
    VARIANT argv;          // what the callee receives
    VARIANT* intoVariant;  // caller's Variant that takes `store` back afterwards
    VARIANT* intoTyped;    // caller's VT_BYREF|X argument that takes `store` back, converted
    VARIANT before;        // what a converted reference held going in (written back only if changed)
};

// The steps of one call through the table: map the caller's arguments onto the member's
// parameters (or forward them to the default member of the object a property returns), prepare
// each argument in the form the vtable slot takes, call, and write by-reference results back.

// The caller's arguments in parameter order: src[i] is the caller's VARIANT for parameter i
// (nullptr when not given), index[i] its place in rgvarg for error reports. `extra`: more
// positional arguments than the member has parameters.
struct ArgMap {
    const VARIANT* src[kMaxArgs];  // set for the member's parameters by mapArguments
    UINT index[kMaxArgs];
    bool extra = false;
};

bool isPutKind(const FuncSpec& f) noexcept {
    return f.kind == INVOKE_PROPERTYPUT || f.kind == INVOKE_PROPERTYPUTREF;
}

HRESULT mapArguments(const FuncSpec& f, const DISPPARAMS& dp, ArgMap& m, UINT* argErr) noexcept {
    const size_t nParams = f.params.size();
    for (size_t i = 0; i < nParams; ++i) m.src[i] = nullptr, m.index[i] = 0;
    const bool isPut = isPutKind(f);
    UINT named = dp.cNamedArgs;  // arguments not taken by position
    if (isPut) {
        if (nParams == 0) return DISP_E_BADPARAMCOUNT;
        int putAt = -1;
        for (UINT k = 0; k < dp.cNamedArgs; ++k)
            if (dp.rgdispidNamedArgs[k] == DISPID_PROPERTYPUT) putAt = int(k);
        if (putAt < 0) {
            // Callers that do not name the value: it is the last argument.
            if (dp.cArgs == named) return DISP_E_PARAMNOTOPTIONAL;
            putAt = int(named++);
        }
        m.src[nParams - 1] = &dp.rgvarg[putAt];
        m.index[nParams - 1] = UINT(putAt);
    }
    const size_t indexParams = isPut ? nParams - 1 : nParams;
    const UINT positional = dp.cArgs - named;
    if (positional > indexParams) {
        m.extra = true;
        return S_OK;
    }
    for (UINT i = 0; i < positional; ++i) {
        m.src[i] = &dp.rgvarg[dp.cArgs - 1 - i];
        m.index[i] = dp.cArgs - 1 - i;
    }
    for (UINT k = 0; k < dp.cNamedArgs; ++k) {
        DISPID n = dp.rgdispidNamedArgs[k];
        if (n == DISPID_PROPERTYPUT && isPut) continue;
        if (n < 0 || size_t(n) >= indexParams || m.src[n]) {
            if (argErr) *argErr = k;
            return DISP_E_PARAMNOTFOUND;
        }
        m.src[n] = &dp.rgvarg[k];
        m.index[n] = k;
    }
    return S_OK;
}

// A property without parameters that returns an object, called with arguments: the arguments
// belong to the object's default member (ev.BillHeads(1)).
bool forwardsToDefault(const FuncSpec& f) noexcept {
    bool returnsObject = f.hasRetval && (f.retVt == VT_DISPATCH || f.retVt == VT_VARIANT || f.retVt == VT_UNKNOWN);
    return f.params.empty() && returnsObject && !isPutKind(f);
}

// Calls the default member of the object in `value` (consumed) with the caller's arguments.
HRESULT invokeDefault(VARIANT& value, DISPPARAMS* dp, VARIANT* result, EXCEPINFO* excep, UINT* argErr) noexcept {
    IDispatch* target = nullptr;
    const VARIANT& v = deref(value);
    if (V_VT(&v) == VT_DISPATCH && V_DISPATCH(&v)) {
        target = V_DISPATCH(&v);
        target->AddRef();
    } else if (V_VT(&v) == VT_UNKNOWN && V_UNKNOWN(&v)) {
        V_UNKNOWN(&v)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&target));
    }
    VariantClear(&value);
    if (!target) return DISP_E_BADPARAMCOUNT;
    HRESULT hr = target->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                dp, result, excep, argErr);
    target->Release();
    return hr;
}

// The arguments prepared for one call. What they own is released in one place: release(), which
// the call runs after the write-back, or the destructor when preparing fails.
class PreparedArgs {
public:
    PreparedArgs() = default;
    PreparedArgs(const PreparedArgs&) = delete;
    PreparedArgs& operator=(const PreparedArgs&) = delete;
    ~PreparedArgs() { release(); }

    ArgWork& next() noexcept {
        ArgWork& w = work_[count_++];
        init(w.store);
        init(w.argv);
        init(w.before);
        w.intoVariant = w.intoTyped = nullptr;
        return w;
    }
    ArgWork* work() noexcept { return work_; }
    void release() noexcept {
        for (size_t i = 0; i < count_; ++i) {
            clear(work_[i].store);
            clear(work_[i].before);
        }
        count_ = 0;
    }

private:
    ArgWork work_[kMaxArgs];
    size_t count_ = 0;
};

// Prepares one argument `a` (nullptr when not given; `index` its place in rgvarg) for parameter
// `p` into `w`. A failed conversion names the argument in argErr.
HRESULT prepareArgument(const ParamSpec& p, const VARIANT* a, UINT index, ArgWork& w, UINT* argErr) noexcept {
    const VARTYPE vt = p.vt;
    auto badArgument = [&](HRESULT hr) {
        if (argErr) *argErr = index;
        return hr;
    };

    if (!a || isMissing(*a)) {
        if (p.plainDefault) {
            w.argv = p.defaultValue;
            return S_OK;
        }
        if (p.hasDefault) {
            HRESULT hr = coerce(w.store, p.defaultValue, vt);
            if (FAILED(hr)) return hr;
        } else if (!p.optional) {
            return DISP_E_PARAMNOTOPTIONAL;
        } else if (vt == VT_VARIANT) {
            V_VT(&w.store) = VT_ERROR;
            V_ERROR(&w.store) = DISP_E_PARAMNOTFOUND;
        } else {
            zeroValue(w.store, vt);
        }
        if (p.byRef) {
            V_VT(&w.argv) = VT_BYREF | vt;
            V_BYREF(&w.argv) = vt == VT_VARIANT ? static_cast<void*>(&w.store) : dataOf(w.store);
        } else {
            w.argv = w.store;
        }
        return S_OK;
    }

    const VARTYPE avt = V_VT(a);
    if (p.typedInterface) {
        // Checked and narrowed to the declared interface before the member runs; a by-reference
        // variable gets back what the member leaves, if it changes it.
        HRESULT hr = narrow(w.store, *a, vt, p.iid);
        if (FAILED(hr)) return badArgument(hr);
        if (!p.byRef) {
            w.argv = w.store;
            return S_OK;
        }
        V_VT(&w.argv) = VT_BYREF | vt;
        V_BYREF(&w.argv) = dataOf(w.store);
        if (avt == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(a))
            w.intoVariant = V_VARIANTREF(a);
        else if ((avt & VT_BYREF) && V_BYREF(a))
            w.intoTyped = const_cast<VARIANT*>(a);
        if (w.intoVariant || w.intoTyped) VariantCopy(&w.before, &w.store);
        return S_OK;
    }
    if (!p.byRef) {
        const VARIANT& d = deref(*a);
        if (vt == VT_VARIANT && (V_VT(&d) & VT_BYREF)) {
            HRESULT hr = VariantCopyInd(&w.store, const_cast<VARIANT*>(&d));
            if (FAILED(hr)) return hr;
            w.argv = w.store;
        } else if (vt == VT_VARIANT || V_VT(&d) == vt) {
            w.argv = d;  // the caller keeps ownership for the duration of the call
        } else {
            HRESULT hr = coerce(w.store, d, vt);
            if (FAILED(hr)) return badArgument(hr);
            w.argv = w.store;
        }
        return S_OK;
    }
    if (avt == (VT_BYREF | vt)) {
        w.argv = *a;  // the callee writes the caller's variable directly
        return S_OK;
    }
    if (avt == (VT_BYREF | VT_VARIANT)) {
        VARIANT* inner = V_VARIANTREF(a);
        if (!inner) return E_INVALIDARG;
        if (vt == VT_VARIANT) {
            w.argv = *a;
        } else if (V_VT(inner) == vt) {
            V_VT(&w.argv) = VT_BYREF | vt;
            V_BYREF(&w.argv) = dataOf(*inner);
        } else {
            HRESULT hr = coerce(w.store, *inner, vt);
            if (FAILED(hr)) return badArgument(hr);
            V_VT(&w.argv) = VT_BYREF | vt;
            V_BYREF(&w.argv) = dataOf(w.store);
            w.intoVariant = inner;
            VariantCopy(&w.before, &w.store);
        }
        return S_OK;
    }
    // A by-value argument, or a reference to another type: convert into a value owned here; a
    // reference gets the result back, converted to its own type.
    HRESULT hr = coerce(w.store, *a, vt);
    if (FAILED(hr)) return badArgument(hr);
    V_VT(&w.argv) = VT_BYREF | vt;
    V_BYREF(&w.argv) = vt == VT_VARIANT ? static_cast<void*>(&w.store) : dataOf(w.store);
    if ((avt & VT_BYREF) && V_BYREF(a)) {
        w.intoTyped = const_cast<VARIANT*>(a);
        VariantCopy(&w.before, &w.store);
    }
    return S_OK;
}

// A direct call's last word, the address its result goes to (`ret`, emptied), after the n words
// of the arguments; the number of words.
size_t addResultWord(const FuncSpec& f, VARIANT& ret, uintptr_t* words, size_t n) noexcept {
    if (!f.hasRetval) {
        init(ret);
        return n;
    }
    zeroValue(ret, f.retVt);
    words[n] = f.retVt == VT_VARIANT ? uintptr_t(&ret) : uintptr_t(dataOf(ret));
    return n + 1;
}

// The most common call, made without preparing arguments: a direct call of a method or property
// get whose arguments are all given by position and by value, each of its parameter's own type
// (any value for a Variant), the parameters after them left out with a default that owns
// nothing. Nothing is converted, owned or written back. False, with nothing done, for a call of
// any other shape: the full routine makes it.
bool callPlain(const FuncSpec& f, void* instance, const DISPPARAMS& dp, VARIANT& ret, HRESULT& hr) noexcept {
    const size_t nParams = f.params.size();
    if (!f.direct || isPutKind(f) || dp.cNamedArgs || dp.cArgs > nParams) return false;
    uintptr_t words[kMaxDirect];
    VARIANT copies[kMaxDirect];  // a Variant by value goes as a pointer to a copy (see oneWord)
    for (size_t n = 0; n < nParams; ++n) {
        const ParamSpec& p = f.params[n];
        if (p.byRef || p.typedInterface) return false;
        if (n >= dp.cArgs) {
            if (!p.plainDefault) return false;
            words[n] = word(p.defaultValue);
            continue;
        }
        const VARIANT& a = dp.rgvarg[dp.cArgs - 1 - n];
        if ((V_VT(&a) & VT_BYREF) || V_VT(&a) == VT_ERROR) return false;  // VT_ERROR: perhaps left out
        if (p.vt == VT_VARIANT) {
            copies[n] = a;
            words[n] = uintptr_t(&copies[n]);
        } else if (V_VT(&a) == p.vt) {
            words[n] = word(a);
        } else {
            return false;
        }
    }
    hr = directCall(instance, f.vtblOffset, words, addResultWord(f, ret, words, nParams));
    return true;
}

// Calls the member's vtable slot with the prepared arguments; its result goes to `ret`.
HRESULT callMember(const FuncSpec& f, void* instance, ArgWork* work, VARIANT& ret) noexcept {
    const size_t nParams = f.params.size();
    if (f.direct) {
        // A Variant taken by value goes as a pointer to the whole VARIANT (see oneWord).
        uintptr_t words[kMaxDirect];
        for (size_t n = 0; n < nParams; ++n) {
            const ParamSpec& p = f.params[n];
            words[n] = p.vt == VT_VARIANT && !p.byRef ? uintptr_t(&work[n].argv) : word(work[n].argv);
        }
        return directCall(instance, f.vtblOffset, words, addResultWord(f, ret, words, nParams));
    }
    VARTYPE types[kMaxArgs];
    VARIANTARG* pointers[kMaxArgs];
    for (size_t i = 0; i < nParams; ++i) {
        // A Variant taken by value goes to the callee as the whole VARIANT, not as the value it holds.
        types[i] = f.params[i].vt == VT_VARIANT && !f.params[i].byRef ? VARTYPE(VT_VARIANT) : V_VT(&work[i].argv);
        pointers[i] = &work[i].argv;
    }
    VARIANT retArg;
    size_t argc = nParams;
    if (f.hasRetval) {
        zeroValue(ret, f.retVt);
        V_VT(&retArg) = VT_BYREF | f.retVt;
        V_BYREF(&retArg) = f.retVt == VT_VARIANT ? static_cast<void*>(&ret) : dataOf(ret);
        types[argc] = V_VT(&retArg);
        pointers[argc] = &retArg;
        ++argc;
    } else {
        init(ret);
    }

    VARIANT callResult;
    VariantInit(&callResult);
    HRESULT hr = DispCallFunc(instance, ULONG_PTR(f.vtblOffset), CC_STDCALL, VT_ERROR, UINT(argc), types, pointers,
                              &callResult);
    return SUCCEEDED(hr) ? V_ERROR(&callResult) : hr;
}

// Hands by-reference results back to the caller, also after a failure: nothing is lost. A value
// the callee did not change leaves the caller's variable exactly as it was (type included).
HRESULT writeBack(ArgWork* work, size_t nParams, const UINT* index, UINT* argErr) noexcept {
    HRESULT wbHr = S_OK;
    for (size_t i = 0; i < nParams; ++i) {
        ArgWork& w = work[i];
        if ((w.intoVariant || w.intoTyped) && unchanged(w.store, w.before)) continue;
        if (w.intoVariant) {
            VariantClear(w.intoVariant);
            *w.intoVariant = w.store;
            VariantInit(&w.store);
        } else if (w.intoTyped) {
            HRESULT h = assignTyped(*w.intoTyped, w.store);
            if (FAILED(h) && SUCCEEDED(wbHr)) {
                wbHr = h;
                if (argErr) *argErr = index[i];
            }
        }
    }
    return wbHr;
}

}  // namespace

DispatchTable::~DispatchTable() {
    for (auto& f : funcs_)
        for (auto& p : f.params) VariantClear(&p.defaultValue);
    if (dispatchInfo_) dispatchInfo_->Release();
}

const DispatchTable& DispatchTable::of(const TypeLibDesc& lib, REFIID iid) {
    static CRITICAL_SECTION lock = [] {
        CRITICAL_SECTION c;
        InitializeCriticalSection(&c);
        return c;
    }();
    struct Entry {
        const TypeLibDesc* lib;
        IID iid;
        DispatchTable* table;
    };
    static Entry entries[64];
    static int count = 0;
    EnterCriticalSection(&lock);
    DispatchTable* table = nullptr;
    for (int i = 0; i < count && !table; ++i)
        if (entries[i].lib == &lib && entries[i].iid == iid) table = entries[i].table;
    if (!table) {
        table = new DispatchTable();
        table->build(lib, iid);
        if (count < 64) entries[count++] = {&lib, iid, table};
    }
    LeaveCriticalSection(&lock);
    return *table;
}

void DispatchTable::build(const TypeLibDesc& lib, REFIID iid) noexcept {
    try {
        ITypeInfo* dispInfo = nullptr;
        loadHr_ = lib.rawTypeInfo(iid, &dispInfo);
        if (FAILED(loadHr_)) return;
        dispatchInfo_ = dispInfo;
        dispatchInfo_->AddRef();

        // The vtable half of the dual interface carries the typed signatures and the offsets.
        ITypeInfo* info = dispInfo;
        HREFTYPE href = 0;
        ITypeInfo* vtblInfo = nullptr;
        if (SUCCEEDED(dispInfo->GetRefTypeOfImplType(UINT(-1), &href)) &&
            SUCCEEDED(dispInfo->GetRefTypeInfo(href, &vtblInfo)))
            info = vtblInfo;

        TYPEATTR* attr = nullptr;
        loadHr_ = info->GetTypeAttr(&attr);
        if (FAILED(loadHr_)) {
            if (vtblInfo) vtblInfo->Release();
            dispInfo->Release();
            return;
        }

        for (UINT i = 0; i < attr->cFuncs; ++i) {
            FUNCDESC* fd = nullptr;
            if (FAILED(info->GetFuncDesc(i, &fd))) continue;
            FuncSpec f;
            f.id = fd->memid;
            f.kind = fd->invkind;
            f.vtblOffset = fd->oVft;
            BSTR names[kMaxArgs + 1] = {};
            UINT got = 0;
            info->GetNames(fd->memid, names, kMaxArgs + 1, &got);
            f.name = names[0] ? names[0] : L"";
            for (SHORT p = 0; p < fd->cParams; ++p) {
                const ELEMDESC& e = fd->lprgelemdescParam[p];
                USHORT pf = e.paramdesc.wParamFlags;
                Resolved r = resolve(info, e.tdesc);
                if (!r.ok) f.supported = false;
                if (pf & PARAMFLAG_FRETVAL) {
                    f.hasRetval = true;
                    f.retVt = r.vt;
                    if (!r.byRef) f.supported = false;
                    continue;
                }
                ParamSpec ps;
                ps.vt = r.vt;
                ps.byRef = r.byRef;
                ps.typedInterface = (r.vt == VT_DISPATCH || r.vt == VT_UNKNOWN) && r.iid != IID_NULL &&
                                    r.iid != IID_IDispatch && r.iid != IID_IUnknown;
                ps.iid = r.iid;
                ps.optional = (pf & PARAMFLAG_FOPT) != 0;
                VariantInit(&ps.defaultValue);
                if ((pf & PARAMFLAG_FHASDEFAULT) && e.paramdesc.pparamdescex) {
                    ps.hasDefault = true;
                    VariantCopy(&ps.defaultValue, &e.paramdesc.pparamdescex->varDefaultValue);
                    repairTypeLibValue(&ps.defaultValue);
                    ps.plainDefault = !ps.byRef && V_VT(&ps.defaultValue) == ps.vt && ownsNothing(ps.vt);
                }
                f.params.push_back(ps);
                f.paramNames.push_back(UINT(p + 1) < got && names[p + 1] ? names[p + 1] : L"");
            }
            for (UINT n = 0; n < got; ++n) SysFreeString(names[n]);
            if (f.params.size() > size_t(kMaxArgs - 1)) f.supported = false;
            f.direct = f.params.size() + (f.hasRetval ? 1 : 0) <= kMaxDirect;
            for (const ParamSpec& p : f.params) f.direct = f.direct && (p.byRef || oneWord(p.vt));
            funcs_.push_back(std::move(f));
            info->ReleaseFuncDesc(fd);
        }
        info->ReleaseTypeAttr(attr);
        if (vtblInfo) vtblInfo->Release();
        dispInfo->Release();

        // Lookup tables: names (case-insensitive) and DISPIDs.
        names_.assign(tableSize(funcs_.size()), {});
        nameMask_ = unsigned(names_.size() - 1);
        ids_.assign(tableSize(funcs_.size()), {});
        idMask_ = unsigned(ids_.size() - 1);
        foldedNames_.clear();
        for (const FuncSpec& f : funcs_) {
            std::wstring folded = f.name;
            for (wchar_t& c : folded) c = fold(c);
            foldedNames_.push_back(std::move(folded));
        }
        for (size_t i = 0; i < funcs_.size(); ++i) {
            const FuncSpec& f = funcs_[i];
            const std::wstring& folded = foldedNames_[i];
            unsigned h = hashName(folded.c_str(), folded.size());
            for (unsigned s = h & nameMask_;; s = (s + 1) & nameMask_) {
                if (!names_[s].name) {
                    names_[s] = {folded.c_str(), h, unsigned(folded.size()), f.id};
                    break;
                }
                if (names_[s].hash == h && names_[s].length == folded.size() && folded == names_[s].name) break;
            }
            for (unsigned s = hashId(f.id) & idMask_;; s = (s + 1) & idMask_) {
                if (!ids_[s].used || ids_[s].id == f.id) {
                    ids_[s].used = true;
                    ids_[s].id = f.id;
                    ids_[s].func[slotOf(f.kind)] = int(i);
                    break;
                }
            }
        }
        loadHr_ = S_OK;
    } catch (...) {
        loadHr_ = failureHresult();
    }
}

HRESULT DispatchTable::getTypeInfo(UINT index, ITypeInfo** info) const noexcept {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    if (FAILED(loadHr_)) return loadHr_;
    return wrapTypeInfo(dispatchInfo_, info);
}

DISPID DispatchTable::idOfName(const wchar_t* name) const noexcept {
    if (!name || names_.empty()) return DISPID_UNKNOWN;
    size_t n = nameLength(name);
    unsigned h = hashName(name, n);
    for (unsigned s = h & nameMask_; names_[s].name; s = (s + 1) & nameMask_)
        if (names_[s].hash == h && names_[s].length == n && matchesFolded(name, names_[s].name, n))
            return names_[s].id;
    return DISPID_UNKNOWN;
}

HRESULT DispatchTable::getIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const noexcept {
    if (!names || !ids) return E_INVALIDARG;
    if (FAILED(loadHr_)) return loadHr_;
    if (count == 0) return S_OK;
    HRESULT hr = S_OK;
    DISPID member = idOfName(names[0]);
    ids[0] = member;
    if (member == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    for (UINT n = 1; n < count; ++n) {
        ids[n] = DISPID_UNKNOWN;
        if (member != DISPID_UNKNOWN && names[n]) {
            for (const FuncSpec& f : funcs_) {
                if (f.id != member) continue;
                for (size_t p = 0; p < f.paramNames.size() && ids[n] == DISPID_UNKNOWN; ++p)
                    if (sameName(f.paramNames[p].c_str(), names[n])) ids[n] = DISPID(p);
                if (ids[n] != DISPID_UNKNOWN) break;
            }
        }
        if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

const FuncSpec* DispatchTable::select(DISPID id, WORD flags, const DISPPARAMS* params) const noexcept {
    if (ids_.empty()) return nullptr;
    const IdSlot* slot = nullptr;
    for (unsigned s = hashId(id) & idMask_; ids_[s].used; s = (s + 1) & idMask_)
        if (ids_[s].id == id) {
            slot = &ids_[s];
            break;
        }
    if (!slot) return nullptr;
    auto pick = [&](std::initializer_list<Slot> order) -> const FuncSpec* {
        for (Slot s : order)
            if (slot->func[s] >= 0) return &funcs_[size_t(slot->func[s])];
        return nullptr;
    };
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        bool objectValue = false;
        if (params->cArgs) {
            const VARIANT& v = deref(params->rgvarg[0]);
            objectValue = V_VT(&v) == VT_DISPATCH || V_VT(&v) == VT_UNKNOWN;
        }
        bool both = (flags & DISPATCH_PROPERTYPUT) && (flags & DISPATCH_PROPERTYPUTREF);
        if ((flags & DISPATCH_PROPERTYPUTREF) && (!both || objectValue)) return pick({kPutRef, kPut});
        return pick({kPut, kPutRef});
    }
    if (flags & DISPATCH_METHOD) return pick({kMethod, kGet});
    if (flags & DISPATCH_PROPERTYGET) return pick({kGet, kMethod});
    return nullptr;
}

HRESULT DispatchTable::invoke(void* instance, const wchar_t* source, DISPID id, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* excep, UINT* argErr) const noexcept {
    if (FAILED(loadHr_)) return loadHr_;
    if (!params) return E_INVALIDARG;
    if ((params->cArgs && !params->rgvarg) || (params->cNamedArgs && !params->rgdispidNamedArgs) ||
        params->cNamedArgs > params->cArgs)
        return E_INVALIDARG;
    // A reference to nothing is as malformed as a missing argument array: nothing may read or
    // write through it, so it is refused before any member is chosen.
    for (UINT i = 0; i < params->cArgs; ++i)
        if ((V_VT(&params->rgvarg[i]) & VT_BYREF) && !V_BYREF(&params->rgvarg[i])) return E_INVALIDARG;
    if (result) init(*result);
    const FuncSpec* f = select(id, flags, params);
    if (!f) return DISP_E_MEMBERNOTFOUND;
    if (!f->supported) return DISP_E_TYPEMISMATCH;
    try {
        return callFunction(*f, instance, source, params, result, excep, argErr);
    } catch (...) {
        return failureHresult();
    }
}

HRESULT DispatchTable::callFunction(const FuncSpec& f, void* instance, const wchar_t* source, DISPPARAMS* dp,
                                    VARIANT* result, EXCEPINFO* excep, UINT* argErr) const {
    VARIANT ret;
    HRESULT hr = S_OK, wbHr = S_OK;
    if (!callPlain(f, instance, *dp, ret, hr)) {
        ArgMap map;
        hr = mapArguments(f, *dp, map, argErr);
        if (FAILED(hr)) return hr;
        if (map.extra) {
            if (!forwardsToDefault(f)) return DISP_E_BADPARAMCOUNT;
            DISPPARAMS none = {nullptr, nullptr, 0, 0};
            VARIANT value;
            VariantInit(&value);
            hr = callFunction(f, instance, source, &none, &value, excep, argErr);
            if (FAILED(hr)) return hr;
            return invokeDefault(value, dp, result, excep, argErr);
        }

        const size_t nParams = f.params.size();
        PreparedArgs args;
        for (size_t i = 0; i < nParams && SUCCEEDED(hr); ++i)
            hr = prepareArgument(f.params[i], map.src[i], map.index[i], args.next(), argErr);
        if (FAILED(hr)) return hr;  // args releases what was prepared

        hr = callMember(f, instance, args.work(), ret);
        wbHr = writeBack(args.work(), nParams, map.index, argErr);
        args.release();
    }

    if (FAILED(hr)) {
        clear(ret);
        if (!excep) return hr;
        fillExcepInfo(excep, hr);
        return DISP_E_EXCEPTION;
    }
    if (result)
        *result = ret;
    else
        clear(ret);
    return wbHr;
}

}  // namespace orvi::com
