// The sample plug-in's own late-binding helper: what a plug-in author writes once so that calls on
// the event objects read like the VB they would otherwise write. Only the Windows SDK is used:
// IDispatch by member name, VARIANT and BSTR.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace plugin {

// A failed call: the callee's number, description and source when it gave them.
struct Failure {
    HRESULT hr;
    std::wstring description, source;
    std::wstring what() const;  // "error <n>: <description> (<source>)"
};

// An owned VARIANT.
class Var {
public:
    Var() noexcept { VariantInit(&v_); }
    Var(long x) noexcept : Var() { V_VT(&v_) = VT_I4, V_I4(&v_) = x; }
    Var(int x) noexcept : Var(long(x)) {}
    Var(double x) noexcept : Var() { V_VT(&v_) = VT_R8, V_R8(&v_) = x; }
    Var(const wchar_t* s) : Var() { V_VT(&v_) = VT_BSTR, V_BSTR(&v_) = SysAllocString(s); }
    Var(const std::wstring& s) : Var() {
        V_VT(&v_) = VT_BSTR, V_BSTR(&v_) = SysAllocStringLen(s.data(), UINT(s.size()));
    }
    Var(IDispatch* p) noexcept : Var() {
        V_VT(&v_) = VT_DISPATCH, V_DISPATCH(&v_) = p;
        if (p) p->AddRef();
    }
    static Var boolean(bool b) noexcept {
        Var v;
        V_VT(&v.v_) = VT_BOOL, V_BOOL(&v.v_) = b ? VARIANT_TRUE : VARIANT_FALSE;
        return v;
    }
    // A reference to this variable (VT_BYREF | VT_VARIANT): the callee may replace what it holds.
    Var ref() noexcept {
        Var r;
        V_VT(&r.v_) = VT_BYREF | VT_VARIANT, V_VARIANTREF(&r.v_) = &v_;
        return r;
    }
    Var(const Var& o) : Var() { VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)); }
    Var(Var&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    Var& operator=(Var o) noexcept {
        std::swap(v_, o.v_);
        return *this;
    }
    ~Var() { VariantClear(&v_); }

    VARIANT& get() noexcept { return v_; }
    const VARIANT& get() const noexcept { return v_; }
    VARIANT* receive() noexcept {
        VariantClear(&v_);
        return &v_;
    }

    // Conversions, the way VB converts (a failure throws).
    std::wstring text() const;
    long number() const;
    double real() const;
    bool flag() const;
    IDispatch* object() const;  // not AddRef'ed; a Var that holds no object throws (error 424)
    bool empty() const noexcept { return V_VT(&v_) == VT_EMPTY; }

private:
    VARIANT v_;
};

// Member calls by name. Arguments in call order; Var::ref() passes a variable by reference.
Var invoke(IDispatch* target, const wchar_t* name, WORD flags, std::initializer_list<Var> args);
inline Var call(IDispatch* target, const wchar_t* name, std::initializer_list<Var> args = {}) {
    return invoke(target, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}
inline Var get(IDispatch* target, const wchar_t* name, std::initializer_list<Var> args = {}) {
    return call(target, name, args);
}
void put(IDispatch* target, const wchar_t* name, const Var& value);

// Event arguments: what the event object passed, read through references, and answers written
// back into the host's variable whatever form the reference takes.
Var argValue(const VARIANT& arg);
void answer(VARIANT& arg, const Var& value);

// Throws a Failure for a failed HRESULT (with the thread's error info when there is one).
void check(HRESULT hr);

// A line of the transcript on the process's standard output, UTF-8.
void say(const std::wstring& line);

}  // namespace plugin
