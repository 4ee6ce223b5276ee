#include "LateCall.h"

#include "Module.h"

#include <dispex.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace orvi::com {

namespace {

// A kept member name against a caller's name, without measuring the caller's first.
bool sameText(const std::wstring& text, const wchar_t* name) noexcept {
    const wchar_t* t = text.c_str();
    size_t i = 0;
    while (t[i] && t[i] == name[i]) ++i;
    return t[i] == name[i];
}

// The DISPIDs of member names, each under an owner: the object or type they were called on (a
// table that serves one owner uses null). A name is found by the address of its text (each call
// site passes the same constant every time) and checked against the text itself, since a
// caller's buffer may hold another name on a later call. On request, the same name from another
// call site (another copy of the constant) is then found by its text; the caller keeps it under
// its address too.
class Names {
public:
    enum Found { kMissing, kByAddress, kByText };
    Found find(const void* owner, const wchar_t* name, DISPID& id, bool byText = true) const noexcept {
        if (slots_.empty()) return kMissing;
        for (size_t s = slotOf(owner, name);; s = (s + 1) & mask_) {
            const Slot& slot = slots_[s];
            if (!slot.key) break;
            if (slot.key == name && slot.owner == owner && sameText(slot.text, name)) {
                id = slot.id;
                return kByAddress;
            }
        }
        if (byText)
            for (const Slot& slot : slots_)
                if (slot.key && slot.owner == owner && sameText(slot.text, name)) {
                    id = slot.id;
                    return kByText;
                }
        return kMissing;
    }
    // Throws bad_alloc; a full table keeps what it has.
    void add(const void* owner, const wchar_t* name, DISPID id) {
        DISPID known;
        if (find(owner, name, known, false) == kByAddress || used_ >= kMaxNames) return;
        if ((used_ + 1) * 2 > slots_.size()) grow();
        size_t s = slotOf(owner, name);
        while (slots_[s].key) s = (s + 1) & mask_;
        slots_[s].text = name;
        slots_[s].owner = owner;
        slots_[s].key = name;
        slots_[s].id = id;
        ++used_;
    }
    void clear() noexcept {
        slots_.clear();
        mask_ = used_ = 0;
    }

private:
    struct Slot {
        const void* owner = nullptr;
        const wchar_t* key = nullptr;
        DISPID id = DISPID_UNKNOWN;
        std::wstring text;
    };
    static constexpr size_t kMaxNames = 1024;

    size_t slotOf(const void* owner, const wchar_t* name) const noexcept {
        uint64_t x = uint64_t(uintptr_t(owner)) * 0xC2B2AE3D27D4EB4Full ^ uint64_t(uintptr_t(name) >> 1);
        return size_t(x * 0x9E3779B97F4A7C15ull >> 20) & mask_;
    }
    void grow() {
        std::vector<Slot> old(std::max<size_t>(16, slots_.size() * 2));
        old.swap(slots_);
        mask_ = slots_.size() - 1;
        for (Slot& o : old) {
            if (!o.key) continue;
            size_t s = slotOf(o.owner, o.key);
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

struct ThreadView;

struct Registry {
    CRITICAL_SECTION lock;
    Registry() noexcept : viewSlot(TlsAlloc()) { InitializeCriticalSection(&lock); }
    std::vector<HeldObject*> held;  // sorted by address
    std::vector<SharedType*> types;
    std::vector<const void*> untyped;
    // Changes (under the lock) whenever the lists above do: an object starts or stops being held,
    // a type is kept or the kept ones are let go, an implementation is found untyped. Each
    // thread's view (below) is good while the generation it was taken at stands.
    std::atomic<long> generation{0};
    std::vector<ThreadView*> views;  // every thread's view, to free them at unload
    DWORD viewSlot;  // TLS slot of the threads' views; a plain slot, with no thread-exit callback

    void changed() noexcept { generation.fetch_add(1, std::memory_order_release); }

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
        r.changed();
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
        r.changed();
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
        r.changed();
    } catch (...) {
    }
}

// Keeps a name an object not held resolved, under the type it exposes, when that is safe: the
// object resolves names only through its type (no IDispatchEx), answers with the same ITypeInfo
// each time (a fresh one per call would never be met again), and the type itself gives the name
// the DISPID the object gave. Otherwise objects of its implementation are not asked again.
// Whether the name is now kept under the type.
bool rememberForType(IDispatch* target, ITypeInfo* type, const wchar_t* name, DISPID id) noexcept {
    ITypeInfo* again = nullptr;
    if (FAILED(target->GetTypeInfo(0, LOCALE_USER_DEFAULT, &again)) || !again) return markUntyped(target), false;
    again->Release();
    if (again != type) return markUntyped(target), false;
    IUnknown* ex = nullptr;
    if (SUCCEEDED(target->QueryInterface(__uuidof(IDispatchEx), reinterpret_cast<void**>(&ex))) && ex) {
        ex->Release();
        return markUntyped(target), false;
    }
    MEMBERID typed = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    if (FAILED(type->GetIDsOfNames(names, 1, &typed)) || typed != id) return markUntyped(target), false;

    Registry& r = registry();
    Exclusive lock(r.lock);
    if (r.held.empty()) return false;
    try {
        SharedType* entry = r.findType(type);
        if (!entry) {
            if (r.types.size() >= kMaxTypes) return false;
            r.types.reserve(r.types.size() + 1);
            entry = new SharedType{type, {}};
            type->AddRef();
            r.types.push_back(entry);
            r.changed();
        }
        entry->names.add(nullptr, name, id);
        return true;
    } catch (...) {
        return false;  // not kept: the next call asks again
    }
}

// The member's DISPID through the registry, under its lock. `owner` is set to what the name is
// now kept under (the held object, or the type an object not held exposes), when it is.
DISPID resolve(IDispatch* target, const wchar_t* name, const void*& owner) {
    Registry& r = registry();
    DISPID id = DISPID_UNKNOWN;
    bool held = false, typed = false;
    Names::Found found = Names::kMissing;
    {
        Shared lock(r.lock);
        if (HeldObject* e = r.findHeld(target)) {
            found = e->names.find(nullptr, name, id);
            if (found == Names::kByAddress) return owner = target, id;
            held = true;
        }
        typed = !held && !r.held.empty() &&
                std::find(r.untyped.begin(), r.untyped.end(), implementationOf(target)) == r.untyped.end();
    }
    if (held) {
        if (found == Names::kMissing) id = askObject(target, name);
        Exclusive lock(r.lock);
        try {
            if (HeldObject* e = r.findHeld(target)) e->names.add(nullptr, name, id), owner = target;
        } catch (...) {
        }
        return id;
    }

    // An object the library does not hold: the names of the type it exposes, if any are kept.
    ComPtr<ITypeInfo> type;
    if (typed) {
        if (SUCCEEDED(target->GetTypeInfo(0, LOCALE_USER_DEFAULT, type.GetAddressOf())) && type) {
            Shared lock(r.lock);
            if (SharedType* t = r.findType(type.Get())) found = t->names.find(nullptr, name, id);
            if (found == Names::kByAddress) return owner = type.Get(), id;
        } else {
            type.Reset();
            markUntyped(target);
        }
    }
    if (found == Names::kByText) {
        Exclusive lock(r.lock);
        try {
            if (SharedType* t = r.findType(type.Get())) t->names.add(nullptr, name, id), owner = type.Get();
        } catch (...) {
        }
        return id;
    }
    id = askObject(target, name);
    if (type && rememberForType(target, type.Get(), name, id)) owner = type.Get();
    return id;
}

// What one thread knows of the registry, read without its lock: copies of its lists taken at
// one generation, and the DISPIDs this thread has found since under a held object or a kept
// type. A thread uses only its own view, and takes it afresh once the generation has moved on.
// The copies are only compared against, never followed: an object is alive while the caller
// calls it, and a type is trusted only after the generation has been read again once the
// object's type is in hand (see memberId), which proves the kept type was still referenced.
struct ThreadView {
    long generation = -1;
    // Lookups in progress on the thread: a call out of one (a name asked of a host object) may
    // release the thread's last object, and the view then goes when the lookup ends.
    int busy = 0;
    bool retired = false;
    std::vector<IDispatch*> held;  // sorted
    std::vector<ITypeInfo*> types;
    std::vector<const void*> untyped;
    // The names learnt, each under its held object or kept type (found by address only).
    Names names;

    bool isHeld(IDispatch* p) const noexcept { return std::binary_search(held.begin(), held.end(), p); }
    bool isUntyped(const void* impl) const noexcept {
        return std::find(untyped.begin(), untyped.end(), impl) != untyped.end();
    }
    bool keeps(ITypeInfo* t) const noexcept { return std::find(types.begin(), types.end(), t) != types.end(); }

    // Takes the registry's lists again (under its lock) and forgets every name.
    void retake(const Registry& r) {
        held.clear();
        for (const HeldObject* e : r.held) held.push_back(e->object);
        types.clear();
        for (const SharedType* t : r.types) types.push_back(t->type);
        untyped = r.untyped;
        names.clear();
        generation = r.generation.load(std::memory_order_relaxed);
    }
};

ThreadView* ownView(DWORD slot) noexcept {
    DWORD error = GetLastError();  // TlsGetValue clears it; callers may be reporting one
    auto* v = static_cast<ThreadView*>(TlsGetValue(slot));
    SetLastError(error);
    return v;
}

// The calling thread's view, current; null when none can be made.
ThreadView* currentView() noexcept {
    Registry& r = registry();
    DWORD slot = r.viewSlot;
    if (slot == TLS_OUT_OF_INDEXES) return nullptr;
    // TlsGetValue clears the thread's last error; a late call is about to call another object,
    // which leaves it as it likes anyway, so it is not kept here.
    auto* v = static_cast<ThreadView*>(TlsGetValue(slot));
    if (v && v->generation == r.generation.load(std::memory_order_acquire)) return v;
    try {
        Exclusive lock(r.lock);
        if (!v) {
            r.views.reserve(r.views.size() + 1);
            v = new ThreadView;
            r.views.push_back(v);
            TlsSetValue(slot, v);
        }
        v->retake(r);
        return v;
    } catch (...) {
        if (v) v->generation = -1;  // taken again next time
        return nullptr;
    }
}

// The member's DISPID; a null name is the default member.
DISPID memberId(IDispatch* target, const wchar_t* name) {
    if (!target) raise(RuntimeError::ObjectNotSet);
    if (!name) return DISPID_VALUE;
    ThreadView* v = currentView();
    DISPID id = DISPID_UNKNOWN;
    const bool held = v && v->isHeld(target);
    // The usual case, a name already learnt for a held object: nothing below calls out.
    if (held && v->names.find(target, name, id, false) == Names::kByAddress) return id;
    struct Use {
        ThreadView* v;
        explicit Use(ThreadView* view) noexcept : v(view) {
            if (v) ++v->busy;
        }
        ~Use() {
            if (v && --v->busy == 0 && v->retired) delete v;
        }
    } use(v);
    if (v && !held) {
        // Nothing is kept for such an object: ask it.
        if (v->held.empty() || v->isUntyped(implementationOf(target))) return askObject(target, name);
        ComPtr<ITypeInfo> type;
        if (SUCCEEDED(target->GetTypeInfo(0, LOCALE_USER_DEFAULT, type.GetAddressOf())) && type &&
            v->keeps(type.Get()) && registry().generation.load(std::memory_order_acquire) == v->generation &&
            v->names.find(type.Get(), name, id, false) == Names::kByAddress)
            return id;
    }
    const void* owner = nullptr;
    id = resolve(target, name, owner);
    // What the registry now keeps, this thread's view learns, if the view is still current.
    if (v && owner && v->generation == registry().generation.load(std::memory_order_acquire) &&
        (owner == target ? held : v->keeps(static_cast<ITypeInfo*>(const_cast<void*>(owner))))) {
        try {
            v->names.add(owner, name, id);
        } catch (...) {
        }
    }
    return id;
}

Variant invokeWith(IDispatch* target, DISPID id, WORD flags, const Arg* const* args, UINT count, bool namedValue,
                   HRESULT* failure = nullptr) {
    VARIANT local[16];
    VARIANT* rgvarg = count <= 16 ? local : new VARIANT[count];
    for (UINT i = 0; i < count; ++i) rgvarg[count - 1 - i] = args[i]->variant();
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {rgvarg, namedValue ? &putId : nullptr, count, namedValue ? 1u : 0u};
    Variant result;
    EXCEPINFO excep = {};
    UINT argErr = 0;
    HRESULT hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                namedValue ? nullptr : &result.get(), &excep, &argErr);
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

// The arguments as the call routine takes them.
struct ArgList {
    const Arg* list[32];
    UINT count = 0;
    explicit ArgList(std::initializer_list<Arg> args) {
        for (const Arg& a : args) {
            if (count == 32) raise(RuntimeError::WrongArgumentCount);
            list[count++] = &a;
        }
    }
};

// The member's DISPID on the target, from its holder when it came with one.
DISPID idOf(Target target, const wchar_t* name) {
    return target.holder() ? target.holder()->memberId(name) : memberId(target.get(), name);
}

}  // namespace

Variant invoke(Target target, const wchar_t* name, WORD flags, std::initializer_list<Arg> args) {
    ArgList a(args);
    return invokeWith(target.get(), idOf(target, name), flags, a.list, a.count, false);
}

Variant Member::operator()(std::initializer_list<Arg> args) {
    ArgList a(args);
    if (!known_) {
        id_ = memberId(target_, name_);
        known_ = true;
    }
    return invokeWith(target_, id_, DISPATCH_METHOD | DISPATCH_PROPERTYGET, a.list, a.count, false);
}

CallOutcome tryCall(Target target, const wchar_t* name, std::initializer_list<Arg> args) noexcept {
    CallOutcome r;
    try {
        ArgList a(args);
        HRESULT failure = S_OK;
        r.result = invokeWith(target.get(), idOf(target, name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, a.list,
                              a.count, false, &failure);
        r.failed = FAILED(failure);
        r.hr = failure;
    } catch (...) {
        r.failed = true;
        r.hr = failureHresult();
    }
    return r;
}

void releaseThreadNames() noexcept {
    Registry& r = registry();
    if (r.viewSlot == TLS_OUT_OF_INDEXES) return;
    ThreadView* v = ownView(r.viewSlot);
    if (!v) return;
    {
        Exclusive lock(r.lock);
        r.views.erase(std::find(r.views.begin(), r.views.end(), v));
    }
    TlsSetValue(r.viewSlot, nullptr);
    if (v->busy)
        v->retired = true;  // the lookup in progress lets it go
    else
        delete v;
}

void releaseAllNames() noexcept {
    Registry& r = registry();
    std::vector<ThreadView*> views;
    {
        Exclusive lock(r.lock);
        views.swap(r.views);
    }
    for (ThreadView* v : views) delete v;
    if (r.viewSlot != TLS_OUT_OF_INDEXES) TlsFree(r.viewSlot);
    r.viewSlot = TLS_OUT_OF_INDEXES;
}

HostPtr& HostPtr::operator=(const HostPtr& o) noexcept {
    if (this == &o) return *this;
    reset(o.p_);
    // Both now hold one object: what the other has learnt adds to what this one knows (a holder
    // given the same object again keeps its own names).
    for (unsigned i = 0; i < o.learnt_ && learnt_ < kLearnt; ++i)
        if (!find(o.known_[i].name)) known_[learnt_++] = o.known_[i];
    return *this;
}

const HostPtr::Learnt* HostPtr::find(const wchar_t* name) const noexcept {
    for (unsigned i = 0; i < learnt_; ++i)
        if (known_[i].name == name) return &known_[i];
    return nullptr;
}

DISPID HostPtr::memberId(const wchar_t* name) const {
    if (const Learnt* known = find(name)) return known->id;
    const unsigned epoch = epoch_;
    DISPID id = com::memberId(p_, name);
    // Asking may have called out, and the holder may hold another object by now.
    if (epoch == epoch_ && learnt_ < kLearnt && name && Module::holdsConstant(name)) known_[learnt_++] = {name, id};
    return id;
}

void HostPtr::reset(IDispatch* p) noexcept {
    if (p == p_) return;
    learnt_ = 0;
    ++epoch_;
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

void put(Target target, const wchar_t* name, Arg value) {
    const Arg* list[1] = {&value};
    invokeWith(target.get(), idOf(target, name), DISPATCH_PROPERTYPUT, list, 1, true);
}

void putRef(Target target, const wchar_t* name, Arg value) {
    const Arg* list[1] = {&value};
    invokeWith(target.get(), idOf(target, name), DISPATCH_PROPERTYPUTREF, list, 1, true);
}

}  // namespace orvi::com
