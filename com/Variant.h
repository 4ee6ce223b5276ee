// Owning wrappers for BSTR and VARIANT, and the conversions the library applies to values that
// come from hosts and plug-ins. Conversions follow the platform's variant coercion and fail with
// the runtime errors a VB client would see (13 type mismatch, 6 overflow, 94 invalid use of Null).
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "Errors.h"

namespace orvi::com {

using Microsoft::WRL::ComPtr;

// VariantInit and VariantClear, without calling the system for values that own nothing (numbers,
// dates, Booleans, Empty, Null): most values on the library's paths are such, and the call
// costs more than the value.
inline void init(VARIANT& v) noexcept {
    V_VT(&v) = VT_EMPTY;
}
inline bool ownsNothing(VARTYPE vt) noexcept {
    // Empty, Null, I2, I4, R4, R8, CY, DATE; ERROR, BOOL; DECIMAL; I1 to UINT.
    constexpr unsigned long plain = 0x000000FFul | 1ul << VT_ERROR | 1ul << VT_BOOL | 1ul << VT_DECIMAL | 0x00FF0000ul;
    return vt < 32 && (plain >> vt & 1);
}
inline void clear(VARIANT& v) noexcept {
    if (ownsNothing(V_VT(&v)))
        V_VT(&v) = VT_EMPTY;
    else
        VariantClear(&v);
}

class Bstr {
public:
    Bstr() = default;
    Bstr(const wchar_t* s) : b_(s ? SysAllocString(s) : nullptr) { checkAlloc(s); }
    Bstr(std::wstring_view s) : b_(SysAllocStringLen(s.data(), UINT(s.size()))) { checkAlloc(L""); }
    Bstr(const Bstr& o) : b_(o.b_ ? SysAllocStringLen(o.b_, SysStringLen(o.b_)) : nullptr) { checkAlloc(o.b_); }
    Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    Bstr& operator=(Bstr o) noexcept {
        std::swap(b_, o.b_);
        return *this;
    }
    ~Bstr() { SysFreeString(b_); }

    static Bstr attach(BSTR b) noexcept {
        Bstr r;
        r.b_ = b;
        return r;
    }
    BSTR get() const noexcept { return b_; }
    BSTR release() noexcept { return std::exchange(b_, nullptr); }
    BSTR* put() noexcept {
        SysFreeString(std::exchange(b_, nullptr));
        return &b_;
    }
    // The address of the held BSTR without freeing it: for by-reference arguments that a callee
    // may replace.
    BSTR* address() noexcept { return &b_; }
    UINT length() const noexcept { return SysStringLen(b_); }
    bool empty() const noexcept { return length() == 0; }
    std::wstring_view view() const noexcept { return {b_ ? b_ : L"", length()}; }
    std::wstring str() const { return std::wstring(view()); }

private:
    void checkAlloc(const wchar_t* src) const {
        if (src && !b_) raise(RuntimeError::OutOfMemory);
    }
    BSTR b_ = nullptr;
};

// A BSTR for an [in] parameter, made in place when the text is short: laid out the way the
// system lays out a BSTR (the length in bytes in the four bytes before the text, the text
// 8-byte aligned and ending in a null), without allocating. A callee reads an [in] BSTR and
// neither frees nor keeps it, so the text only has to outlive the call. A longer text is
// allocated as usual. Never for a by-reference argument: a callee may replace and free that one.
class InBstr {
public:
    explicit InBstr(std::wstring_view s) {
        if (s.size() < kInline) {
            bytes_ = DWORD(s.size() * sizeof(wchar_t));
            std::char_traits<wchar_t>::copy(text_, s.data(), s.size());
            text_[s.size()] = L'\0';
            p_ = text_;
        } else {
            heap_ = Bstr(s);
            p_ = heap_.get();
        }
    }
    InBstr(const InBstr&) = delete;
    InBstr& operator=(const InBstr&) = delete;
    BSTR get() const noexcept { return p_; }

private:
    static constexpr size_t kInline = 40;
    alignas(8) DWORD unused_ = 0;
    DWORD bytes_ = 0;  // immediately before text_, where SysStringLen reads it
    wchar_t text_[kInline];
    Bstr heap_;
    BSTR p_;
};

// A BSTR passed on by value in a VARIANT without a copy (the string outlives the call, and the
// VARIANT is never cleared).
inline VARIANT borrowed(BSTR s) noexcept {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = s;
    return v;
}

class Variant {
public:
    Variant() noexcept { init(v_); }
    Variant(const VARIANT& src);  // deep copy, by-reference values dereferenced
    Variant(const Variant& o) : Variant(o.v_) {}
    Variant(Variant&& o) noexcept : v_(o.v_) { init(o.v_); }
    Variant& operator=(Variant o) noexcept {
        std::swap(v_, o.v_);
        return *this;
    }
    ~Variant() { clear(v_); }

    explicit Variant(long x) noexcept : Variant() { V_VT(&v_) = VT_I4, V_I4(&v_) = x; }
    explicit Variant(int x) noexcept : Variant(long(x)) {}
    explicit Variant(short x) noexcept : Variant() { V_VT(&v_) = VT_I2, V_I2(&v_) = x; }
    explicit Variant(double x) noexcept : Variant() { V_VT(&v_) = VT_R8, V_R8(&v_) = x; }
    explicit Variant(bool x) noexcept : Variant() { V_VT(&v_) = VT_BOOL, V_BOOL(&v_) = x ? VARIANT_TRUE : VARIANT_FALSE; }
    explicit Variant(const wchar_t* s) : Variant() { V_VT(&v_) = VT_BSTR, V_BSTR(&v_) = Bstr(s).release(); }
    explicit Variant(std::wstring_view s) : Variant() { V_VT(&v_) = VT_BSTR, V_BSTR(&v_) = Bstr(s).release(); }
    explicit Variant(Bstr&& s) noexcept : Variant() { V_VT(&v_) = VT_BSTR, V_BSTR(&v_) = s.release(); }
    explicit Variant(IDispatch* p) noexcept : Variant() {
        V_VT(&v_) = VT_DISPATCH, V_DISPATCH(&v_) = p;
        if (p) p->AddRef();
    }
    static Variant boolean(VARIANT_BOOL b) noexcept {
        Variant r;
        V_VT(&r.v_) = VT_BOOL, V_BOOL(&r.v_) = b;
        return r;
    }
    // Takes ownership of a VARIANT's contents (the source is left Empty).
    static Variant attach(VARIANT& src) noexcept {
        Variant r;
        r.v_ = src;
        init(src);
        return r;
    }

    VARTYPE vt() const noexcept { return V_VT(&v_); }
    bool isEmpty() const noexcept { return vt() == VT_EMPTY; }
    bool isObject() const noexcept { return vt() == VT_DISPATCH || vt() == VT_UNKNOWN; }
    const VARIANT& get() const noexcept { return v_; }
    VARIANT& get() noexcept { return v_; }
    VARIANT* operator&() noexcept { return &v_; }
    // Clears the value and returns its address, for out-parameters.
    VARIANT* put() noexcept {
        clear(v_);
        return &v_;
    }
    // Moves the value into *dest (which must not hold anything that needs freeing).
    void detach(VARIANT* dest) noexcept {
        *dest = v_;
        init(v_);
    }

private:
    VARIANT v_;
};

// The value a VARIANT stands for: by-reference values followed to what they point to.
inline const VARIANT& deref(const VARIANT& v) noexcept {
    const VARIANT* p = &v;
    while (V_VT(p) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(p)) p = V_VARIANTREF(p);
    return *p;
}
inline bool isMissing(const VARIANT& v) noexcept {
    const VARIANT& d = deref(v);
    return V_VT(&d) == VT_ERROR && V_ERROR(&d) == DISP_E_PARAMNOTFOUND;
}

// Coerces into `out` (which is cleared first); throws the runtime error on failure.
void changeType(VARIANT& out, const VARIANT& in, VARTYPE vt);

long toLong(const VARIANT& v);
short toShort(const VARIANT& v);
double toDouble(const VARIANT& v);
CY toCurrency(const VARIANT& v);
bool toBool(const VARIANT& v);
inline VARIANT_BOOL toVariantBool(const VARIANT& v) { return toBool(v) ? VARIANT_TRUE : VARIANT_FALSE; }
// Text of a value as VB's CStr gives it (Booleans as True/False).
Bstr toBstr(const VARIANT& v);
std::wstring toString(const VARIANT& v);
// An object reference: Nothing stays null, an object answers IDispatch, anything else is
// "Object required".
ComPtr<IDispatch> toObject(const VARIANT& v);

// An object as a specific interface; an object of another kind is a type mismatch.
template <class I>
ComPtr<I> as(IUnknown* p) {
    ComPtr<I> r;
    if (p && FAILED(p->QueryInterface(__uuidof(I), reinterpret_cast<void**>(r.GetAddressOf()))))
        raise(RuntimeError::TypeMismatch);
    return r;
}
template <class I>
ComPtr<I> as(const VARIANT& v) {
    const VARIANT& d = deref(v);
    if (V_VT(&d) == VT_DISPATCH) return as<I>(V_DISPATCH(&d));  // no reference of its own needed
    return as<I>(toObject(d).Get());
}

// The text of a BSTR argument; a null BSTR is the empty text.
inline std::wstring_view view(BSTR s) noexcept { return {s ? s : L"", SysStringLen(s)}; }

// A member's answer written into its out-parameter, converted to the parameter's type the way the
// declared return type of a VB property converts it. A `bool` answer fills a VARIANT_BOOL.
inline void store(short* out, const Variant& v) { *out = toShort(v.get()); }
inline void store(long* out, const Variant& v) { *out = toLong(v.get()); }
inline void store(double* out, const Variant& v) { *out = toDouble(v.get()); }
inline void store(CY* out, const Variant& v) { *out = toCurrency(v.get()); }
inline void store(BSTR* out, const Variant& v) { *out = toBstr(v.get()).release(); }
inline void store(IDispatch** out, const Variant& v) { *out = toObject(v.get()).Detach(); }
inline void store(VARIANT* out, Variant&& v) noexcept { v.detach(out); }
inline void store(VARIANT* out, const Variant& v) { Variant(v).detach(out); }
inline void store(VARIANT_BOOL* out, bool b) noexcept { *out = b ? VARIANT_TRUE : VARIANT_FALSE; }
inline void store(BSTR* out, Bstr&& s) noexcept { *out = s.release(); }
inline void store(BSTR* out, std::wstring_view s) { *out = Bstr(s).release(); }
template <class T, class = std::enable_if_t<std::is_arithmetic_v<T> && !std::is_same_v<T, bool>>>
inline void store(T* out, T value) noexcept { *out = value; }
// A numbered choice (an enumeration of the type library) from the number the host answers.
template <class E, class = std::enable_if_t<std::is_enum_v<E>>>
inline void store(E* out, const Variant& v) { *out = E(toLong(v.get())); }
// An object handed out with a reference of its own (Nothing stays null).
template <class Out, class P>
void store(Out** out, const ComPtr<P>& p) noexcept {
    *out = p.Get();
    if (*out) (*out)->AddRef();
}

}  // namespace orvi::com
