#include "LateCall.h"

#include <dispex.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace orvi::com {

namespace {

// The DISPIDs of the member names called on one object or one type. A name is found by the
// address of its text (each call site passes the same constant every time) and checked against
// the text itself, since a caller's buffer may hold another name on a later call. The same name
// from another call site (another copy of the constant) is found by its text and then kept under
// its address too.
class Names {
public:
    enum Found { kMissing, kByAddress, kByText };
    Found find(const wchar_t* name, DISPID& id) const noexcept {
        if (slots_.empty()) return kMissing;
        for (size_t s = slotOf(name);; s = (s + 1) & mask_) {
            const Slot& slot = slots_[s];
            if (!slot.key) break;
            if (slot.key == name && sameText(slot.text, name)) {
                id = slot.id;
                return kByAddress;
            }
        }
        for (const Slot& slot : slots_)
            if (slot.key && sameText(slot.text, name)) {
                id = slot.id;
                return kByText;
            }
        return kMissing;
    }
    // Throws bad_alloc; a full table keeps what it has.
    void add(const wchar_t* name, DISPID id) {
        DISPID known;
        if (find(name, known) == kByAddress || used_ >= kMaxNames) return;
        if ((used_ + 1) * 2 > slots_.size()) grow();
        size_t s = slotOf(name);
        while (slots_[s].key) s = (s + 1) & mask_;
        slots_[s].text = name;
        slots_[s].key = name;
        slots_[s].id = id;
        ++used_;
    }

private:
    // The kept text against a caller's name, without measuring the name first.
    static bool sameText(const std::wstring& text, const wchar_t* name) noexcept {
        const wchar_t* t = text.c_str();
        size_t i = 0;
        while (t[i] && t[i] == name[i]) ++i;
        return t[i] == name[i];
    }
    struct Slot {
        const wchar_t* key = nullptr;
        DISPID id = DISPID_UNKNOWN;
        std::wstring text;
    };
    static constexpr size_t kMaxNames = 1024;

    size_t slotOf(const wchar_t* name) const noexcept {
        return size_t((uintptr_t(name) >> 1) * 0x9E3779B97F4A7C15ull >> 20) & mask_;
    }
    void grow() {
        std::vector<Slot> old(std::max<size_t>(16, slots_.size() * 2));
        old.swap(slots_);
        mask_ = slots_.size() - 1;
        for (Slot& o : old) {
            if (!o.key) continue;
            size_t s = slotOf(o.key);
            while (slots_[s].key) s = (s + 1) & mask_;
            slots_[s] = std::move(o);
        }
    }

    std::vector<Slot> slots_;
    size_t mask_ = 0;
    size_t used_ = 0;
};

// Every object a HostPtr holds, with how many HostPtrs hold it and the names called on it. An
// entry exists only while the object is held, so its address cannot meanwhile belong to another
// object.
struct HeldObject {
    IDispatch* object;
    long holders;
    Names names;
};

// The names of a type that objects the library does not hold expose (GetTypeInfo): kept for
// objects that answer with the very same ITypeInfo, whose DISPIDs that type fixes. The type is
// referenced while kept, so its address stays its own; types are kept only while the library
// holds some host object, and let go with the last one.
struct SharedType {
    ITypeInfo* type;
    Names names;
};
constexpr size_t kMaxTypes = 32;
// Implementations (by their vtable) whose objects expose no type these names can be kept under:
// none at all, a fresh one on every call, one that resolves names its type does not give, or
// IDispatchEx. Their calls skip the question; a wrong entry costs speed, never a wrong DISPID.
constexpr size_t kMaxUntyped = 64;

struct Registry {
    CRITICAL_SECTION lock;
    Registry() noexcept { InitializeCriticalSection(&lock); }
    std::vector<HeldObject*> held;  // sorted by address
    std::vector<SharedType*> types;
    std::vector<const void*> untyped;

    // Under the lock.
    HeldObject* findHeld(IDispatch* p) const noexcept {
        auto it = std::lower_bound(held.begin(), held.end(), p,
                                   [](const HeldObject* e, IDispatch* q) { return e->object < q; });
        return it != held.end() && (*it)->object == p ? *it : nullptr;
    }
    SharedType* findType(ITypeInfo* t) const noexcept {
        for (SharedType* e : types)
            if (e->type == t) return e;
        return nullptr;
    }
};

// Never destroyed: a host object may be let go while the module is being torn down.
Registry& registry() noexcept {
    static Registry* r = new Registry;
    return *r;
}

// One lock for everything above, held only for lookups and updates (never across a call into
// another object). A critical section: uncontended, it costs two interlocked operations.
class Exclusive {
public:
    explicit Exclusive(CRITICAL_SECTION& l) noexcept : l_(l) { EnterCriticalSection(&l_); }
    ~Exclusive() { LeaveCriticalSection(&l_); }

private:
    CRITICAL_SECTION& l_;
};
using Shared = Exclusive;

void hold(IDispatch* p) noexcept {
    Registry& r = registry();
    Exclusive lock(r.lock);
    if (HeldObject* e = r.findHeld(p)) {
        ++e->holders;
        return;
    }
    try {
        auto entry = std::make_unique<HeldObject>(HeldObject{p, 1, {}});
        auto it = std::lower_bound(r.held.begin(), r.held.end(), p,
                                   [](const HeldObject* e, IDispatch* q) { return e->object < q; });
        r.held.insert(it, entry.get());
        entry.release();
    } catch (...) {
        // Not held: calls on it look names up every time.
    }
}

void letGo(IDispatch* p) noexcept {
    Registry& r = registry();
    std::unique_ptr<HeldObject> gone;
    std::vector<SharedType*> types;
    {
        Exclusive lock(r.lock);
        HeldObject* e = r.findHeld(p);
        if (!e || --e->holders > 0) return;
        gone.reset(e);
        r.held.erase(std::find(r.held.begin(), r.held.end(), e));
        if (r.held.empty()) types.swap(r.types);
    }
    for (SharedType* t : types) {
        t->type->Release();
        delete t;
    }
}

// The object's own answer for a name.
DISPID askObject(IDispatch* target, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throwHresult(hr == DISP_E_UNKNOWNNAME ? DISP_E_MEMBERNOTFOUND : hr);
    return id;
}

const void* implementationOf(IDispatch* p) noexcept {
    return *reinterpret_cast<void* const*>(p);
}

void markUntyped(IDispatch* target) noexcept {
    Registry& r = registry();
    Exclusive lock(r.lock);
    const void* impl = implementationOf(target);
    if (r.untyped.size() >= kMaxUntyped || std::find(r.untyped.begin(), r.untyped.end(), impl) != r.untyped.end())
        return;
    try {
        r.untyped.push_back(impl);
    } catch (...) {
    }
}

// Keeps a name an object not held resolved, under the type it exposes, when that is safe: the
// object resolves names only through its type (no IDispatchEx), answers with the same ITypeInfo
// each time (a fresh one per call would never be met again), and the type itself gives the name
// the DISPID the object gave. Otherwise objects of its implementation are not asked again.
void rememberForType(IDispatch* target, ITypeInfo* type, const wchar_t* name, DISPID id) noexcept {
    ITypeInfo* again = nullptr;
    if (FAILED(target->GetTypeInfo(0, LOCALE_USER_DEFAULT, &again)) || !again) return markUntyped(target);
    again->Release();
    if (again != type) return markUntyped(target);
    IUnknown* ex = nullptr;
    if (SUCCEEDED(target->QueryInterface(__uuidof(IDispatchEx), reinterpret_cast<void**>(&ex))) && ex) {
        ex->Release();
        return markUntyped(target);
    }
    MEMBERID typed = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    if (FAILED(type->GetIDsOfNames(names, 1, &typed)) || typed != id) return markUntyped(target);

    Registry& r = registry();
    Exclusive lock(r.lock);
    if (r.held.empty()) return;
    try {
        SharedType* entry = r.findType(type);
        if (!entry) {
            if (r.types.size() >= kMaxTypes) return;
            r.types.reserve(r.types.size() + 1);
            entry = new SharedType{type, {}};
            type->AddRef();
            r.types.push_back(entry);
        }
        entry->names.add(name, id);
    } catch (...) {
        // Not kept: the next call asks again.
    }
}

// The member's DISPID; a null name is the default member.
DISPID memberId(IDispatch* target, const wchar_t* name) {
    if (!target) raise(RuntimeError::ObjectNotSet);
    if (!name) return DISPID_VALUE;
    Registry& r = registry();
    DISPID id = DISPID_UNKNOWN;
    bool held = false, typed = false;
    Names::Found found = Names::kMissing;
    {
        Shared lock(r.lock);
        if (HeldObject* e = r.findHeld(target)) {
            found = e->names.find(name, id);
            if (found == Names::kByAddress) return id;
            held = true;
        }
        typed = !held && !r.held.empty() &&
                std::find(r.untyped.begin(), r.untyped.end(), implementationOf(target)) == r.untyped.end();
    }
    if (held) {
        if (found == Names::kMissing) id = askObject(target, name);
        Exclusive lock(r.lock);
        try {
            if (HeldObject* e = r.findHeld(target)) e->names.add(name, id);
        } catch (...) {
        }
        return id;
    }

    // An object the library does not hold: the names of the type it exposes, if any are kept.
    ComPtr<ITypeInfo> type;
    if (typed) {
        if (SUCCEEDED(target->GetTypeInfo(0, LOCALE_USER_DEFAULT, type.GetAddressOf())) && type) {
            Shared lock(r.lock);
            if (SharedType* t = r.findType(type.Get())) found = t->names.find(name, id);
            if (found == Names::kByAddress) return id;
        } else {
            type.Reset();
            markUntyped(target);
        }
    }
    if (found == Names::kByText) {
        Exclusive lock(r.lock);
        try {
            if (SharedType* t = r.findType(type.Get())) t->names.add(name, id);
        } catch (...) {
        }
        return id;
    }
    id = askObject(target, name);
    if (type) rememberForType(target, type.Get(), name, id);
    return id;
}


Variant invokeWith(IDispatch* target, const wchar_t* name, WORD flags, const Arg* const* args, UINT count,
                   bool namedValue, HRESULT* failure = nullptr) {
    DISPID id = memberId(target, name);
    HRESULT hr = S_OK;

    VARIANT local[16];
    VARIANT* rgvarg = count <= 16 ? local : new VARIANT[count];
    for (UINT i = 0; i < count; ++i) rgvarg[count - 1 - i] = args[i]->variant();
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {rgvarg, namedValue ? &putId : nullptr, count, namedValue ? 1u : 0u};
    Variant result;
    EXCEPINFO excep = {};
    UINT argErr = 0;
    hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, namedValue ? nullptr : &result.get(),
                        &excep, &argErr);
    if (rgvarg != local) delete[] rgvarg;
    if (failure && FAILED(hr)) {
        // The caller records the failure and keeps whatever was answered.
        if (hr == DISP_E_EXCEPTION) hr = errorFromExcepInfo(excep).hr();
        *failure = hr;
        return result;
    }
    if (hr == DISP_E_EXCEPTION) throw errorFromExcepInfo(excep);
    if (FAILED(hr)) throwHresult(hr);
    return result;
}

}  // namespace

Variant invoke(IDispatch* target, const wchar_t* name, WORD flags, std::initializer_list<Arg> args) {
    const Arg* list[32];
    UINT n = 0;
    for (const Arg& a : args) {
        if (n == 32) raise(RuntimeError::WrongArgumentCount);
        list[n++] = &a;
    }
    return invokeWith(target, name, flags, list, n, false);
}

CallOutcome tryCall(IDispatch* target, const wchar_t* name, std::initializer_list<Arg> args) noexcept {
    CallOutcome r;
    try {
        const Arg* list[32];
        UINT n = 0;
        for (const Arg& a : args) {
            if (n == 32) raise(RuntimeError::WrongArgumentCount);
            list[n++] = &a;
        }
        HRESULT failure = S_OK;
        r.result = invokeWith(target, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, list, n, false, &failure);
        r.failed = FAILED(failure);
        r.hr = failure;
    } catch (...) {
        r.failed = true;
        r.hr = failureHresult();
    }
    return r;
}

void HostPtr::reset(IDispatch* p) noexcept {
    if (p == p_) return;
    // The new object is held before its names can be kept; the old one's names go before its
    // reference does.
    if (p) {
        p->AddRef();
        hold(p);
    }
    IDispatch* old = p_;
    p_ = p;
    if (old) {
        letGo(old);
        old->Release();
    }
}

void put(IDispatch* target, const wchar_t* name, Arg value) {
    const Arg* list[1] = {&value};
    invokeWith(target, name, DISPATCH_PROPERTYPUT, list, 1, true);
}

void putRef(IDispatch* target, const wchar_t* name, Arg value) {
    const Arg* list[1] = {&value};
    invokeWith(target, name, DISPATCH_PROPERTYPUTREF, list, 1, true);
}

}  // namespace orvi::com
