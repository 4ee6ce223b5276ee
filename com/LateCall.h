// Late-bound calls on other components' objects, by member name, the way a VB client makes them:
// scalars and objects usually go by reference to the caller's own variable (the callee may change
// it and the caller reads what it left), some by value. Failures come back as ComError with the
// callee's own number, description and source when it gave them.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <initializer_list>

#include "Variant.h"

namespace orvi::com {

class Arg {
public:
    // By value.
    Arg(long x) noexcept { V_VT(&v_) = VT_I4, V_I4(&v_) = x; }
    Arg(int x) noexcept : Arg(long(x)) {}
    Arg(short x) noexcept { V_VT(&v_) = VT_I2, V_I2(&v_) = x; }
    Arg(double x) noexcept { V_VT(&v_) = VT_R8, V_R8(&v_) = x; }
    Arg(bool) = delete;  // say Arg::boolean(VARIANT_TRUE): a bool would otherwise pass as a Long
    Arg(const wchar_t* s) : owned_(true) { V_VT(&v_) = VT_BSTR, V_BSTR(&v_) = Bstr(s).release(); }
    Arg(IDispatch* p) noexcept { V_VT(&v_) = VT_DISPATCH, V_DISPATCH(&v_) = p; }
    // The caller's VARIANT as it stands (not copied; it must outlive the call).
    static Arg value(const VARIANT& v) noexcept {
        Arg a;
        a.v_ = v;
        return a;
    }
    static Arg boolean(VARIANT_BOOL b) noexcept {
        Arg a;
        V_VT(&a.v_) = VT_BOOL, V_BOOL(&a.v_) = b;
        return a;
    }
    // By reference: the callee reads and may replace the caller's variable.
    static Arg ref(long& x) noexcept { return byRef(VT_I4, &x); }
    static Arg ref(short& x) noexcept { return byRef(VT_I2, &x); }
    static Arg ref(double& x) noexcept { return byRef(VT_R8, &x); }
    static Arg refBool(VARIANT_BOOL& x) noexcept { return byRef(VT_BOOL, &x); }
    static Arg ref(Bstr& x) noexcept { return byRef(VT_BSTR, x.address()); }
    static Arg ref(ComPtr<IDispatch>& x) noexcept { return byRef(VT_DISPATCH, x.GetAddressOf()); }
    static Arg ref(Variant& x) noexcept { return byRef(VT_VARIANT, &x.get()); }
    static Arg ref(VARIANT& x) noexcept { return byRef(VT_VARIANT, &x); }
    // The array a Variant holds (VT_ARRAY|element), by reference to the Variant's array pointer:
    // an array the callee puts in its place is the Variant's to free.
    static Arg refArray(Variant& x) noexcept { return byRef(x.vt(), &V_ARRAY(&x.get())); }

    Arg(Arg&& o) noexcept : v_(o.v_), owned_(o.owned_) { o.owned_ = false; }
    Arg(const Arg&) = delete;
    Arg& operator=(const Arg&) = delete;
    ~Arg() {
        if (owned_) VariantClear(&v_);
    }
    const VARIANT& variant() const noexcept { return v_; }

private:
    Arg() noexcept { init(v_); }
    static Arg byRef(VARTYPE vt, void* p) noexcept {
        Arg a;
        V_VT(&a.v_) = VT_BYREF | vt;
        V_BYREF(&a.v_) = p;
        return a;
    }
    VARIANT v_;
    bool owned_ = false;
};

// A host object the library holds (a form's control, the data service, the toolbar control).
// While any holder holds an object, late-bound calls on it look each member name up once and
// reuse the DISPID (COM keeps an object's DISPIDs for its lifetime); the names are forgotten when
// the last holder lets the object go, before the reference is released, so a later object at
// the same address starts afresh. Objects the library does not hold (a toolbar's bands and tools,
// which come and go) share the names of their type information where they expose one: see
// LateCall.cpp.
//
// A call made through the holder itself (pass the HostPtr, not its pointer) finds the DISPIDs of
// the library's own member names in the holder first: a few pointer compares instead of a lookup.
// Those names are string constants of the module, so their address is their identity; a holder
// given another's object takes what that one has learnt, besides what it knew of the object.
class HostPtr {
public:
    HostPtr() noexcept = default;
    HostPtr(IDispatch* p) noexcept { reset(p); }
    HostPtr(const HostPtr& o) noexcept { *this = o; }
    HostPtr& operator=(const HostPtr& o) noexcept;
    HostPtr& operator=(IDispatch* p) noexcept { return reset(p), *this; }
    HostPtr& operator=(const ComPtr<IDispatch>& p) noexcept { return reset(p.Get()), *this; }
    ~HostPtr() { reset(nullptr); }

    IDispatch* Get() const noexcept { return p_; }
    void Reset() noexcept { reset(nullptr); }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // The DISPID of `name` on the held object (error 91 when none is held, 438 when it has no
    // such member).
    DISPID memberId(const wchar_t* name) const;

private:
    void reset(IDispatch* p) noexcept;
    IDispatch* p_ = nullptr;
    // Learnt by this holder for the object it holds now; `learnt_` entries are in use.
    struct Learnt {
        const wchar_t* name;
        DISPID id;
    };
    static constexpr unsigned kLearnt = 8;
    const Learnt* find(const wchar_t* name) const noexcept;
    mutable Learnt known_[kLearnt];
    mutable unsigned learnt_ = 0;
    mutable unsigned epoch_ = 0;  // moves on with every object held, so a lookup that called out
                                  // keeps nothing for an object replaced meanwhile
};

// The object a late call goes to: a plain pointer, or a holder whose learnt names are used.
class Target {
public:
    Target(IDispatch* p) noexcept : p_(p) {}
    Target(const HostPtr& h) noexcept : p_(h.Get()), holder_(&h) {}
    IDispatch* get() const noexcept { return p_; }
    const HostPtr* holder() const noexcept { return holder_; }

private:
    IDispatch* p_;
    const HostPtr* holder_ = nullptr;
};

// Each thread keeps a copy of what it has found, read without a lock. The module gives back the
// calling thread's copy when the thread's last object has gone (Module::onThreadIdle), and every
// copy when it unloads.
void releaseThreadNames() noexcept;
void releaseAllNames() noexcept;

// A held host object handed out with a reference of its own (see the ComPtr overload of store).
template <class Out>
void store(Out** out, const HostPtr& p) noexcept {
    *out = p.Get();
    if (*out) (*out)->AddRef();
}

// Invokes `name` on `target` (a null target is error 91; a null name is the default member).
Variant invoke(Target target, const wchar_t* name, WORD flags, std::initializer_list<Arg> args = {});

// Property get or method call (VB's form for both: DISPATCH_METHOD | DISPATCH_PROPERTYGET).
inline Variant call(Target target, const wchar_t* name, std::initializer_list<Arg> args = {}) {
    return invoke(target, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}
inline Variant get(Target target, const wchar_t* name, std::initializer_list<Arg> args = {}) {
    return call(target, name, args);
}
// The default member with these arguments: VB's indexing of an object, as in obj(index).
inline Variant index(Target target, std::initializer_list<Arg> args) {
    return call(target, nullptr, args);
}
// A call whose failure is the caller's to record rather than to raise: what the callee answered
// (also when it reported a failure alongside, as a sloppy callee may) and its error, if any.
struct CallOutcome {
    Variant result;
    bool failed = false;
    HRESULT hr = S_OK;
};
CallOutcome tryCall(Target target, const wchar_t* name, std::initializer_list<Arg> args = {}) noexcept;

// A member of one object called again and again while the caller holds the object (a loop over
// a collection's items): its DISPID is looked up on the first call, as call() would, and then
// kept, since COM keeps an object's DISPIDs for its lifetime. A lookup that fails is made again
// on the next call.
class Member {
public:
    Member(IDispatch* target, const wchar_t* name) noexcept : target_(target), name_(name) {}
    // Property get or method call, as call().
    Variant operator()(std::initializer_list<Arg> args = {});

private:
    IDispatch* target_;
    const wchar_t* name_;
    DISPID id_ = DISPID_UNKNOWN;
    bool known_ = false;
};

// Property put (let) and put-by-reference (set) of a value.
void put(Target target, const wchar_t* name, Arg value);
void putRef(Target target, const wchar_t* name, Arg value);

}  // namespace orvi::com
