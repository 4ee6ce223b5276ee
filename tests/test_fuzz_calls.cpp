// Hostile late-bound calls on every object of the library, through IDispatch only. The objects
// are found, not listed: every creatable class of the library's type library is created, bound to
// a simulated bill and handed a toolbar the way a host does, and every object-valued property (and
// the items of collections) is read until no new object of the library turns up. Each member in
// each object's type information is then called many times with random flags, argument counts,
// argument types (by value, by reference, references to nothing), named arguments and missing
// out-pointers, from a fixed seed. Whatever a call does, it must not crash, it must answer S_OK or
// a failure, fill an exception record properly when it says so, leave no result behind on
// failure and leave the caller's by-value arguments as they were; when everything is released no
// object of the library may be alive and the library must be ready to unload.
//
// Members left out, because what they really do reaches outside this process:
//   PasteToolFace   opens the clipboard, which every process of the Wine session shares (the
//                   menu tests fill it while this one runs beside them)
//   SendMessage     writes a message file into the temporary folder and hands it to the
//                   client's message component
#include <chrono>
#include <cstring>
#include <cstdio>
#include <deque>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Late.h"
#include "OrviClassEvents.h"
#include "hostkit/SessionKit.h"
#include "hostkit/SimBill.h"
#include "hostkit/ToolbarKit.h"

using namespace testkit;

namespace {

const wchar_t* const kSkipped[] = {L"PasteToolFace", L"SendMessage"};

constexpr int kCallsPerMember = 300;
constexpr double kTimeLimitSeconds = 120.0;  // a guard only: the run takes a few seconds on an idle machine
constexpr size_t kMaxObjects = 80;

void dropErrorInfo() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) info->Release();
}

ComPtr<IUnknown> identity(IUnknown* p) {
    ComPtr<IUnknown> u;
    if (p) p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(u.GetAddressOf()));
    return u;
}

// One member of an object as its type information describes it.
struct Member {
    DISPID id;
    INVOKEKIND kind;
    short params;
    std::wstring name;
};

// An object of the library with its members.
struct Target {
    ComPtr<IDispatch> object;
    std::wstring type;
    std::vector<Member> members;
};

// The members and type name of an object, if it is one of the library's (its type information
// comes from the library's type library).
bool describe(IDispatch* object, Target& out) {
    UINT count = 0;
    if (FAILED(object->GetTypeInfoCount(&count)) || count != 1) return false;
    ComPtr<ITypeInfo> info;
    if (FAILED(object->GetTypeInfo(0, 0, info.GetAddressOf())) || !info) return false;
    ComPtr<ITypeLib> lib;
    UINT index = 0;
    bool ours = false;
    if (SUCCEEDED(info->GetContainingTypeLib(lib.GetAddressOf(), &index)) && lib) {
        TLIBATTR* attr = nullptr;
        if (SUCCEEDED(lib->GetLibAttr(&attr))) {
            ours = attr->guid == LIBID_OrviClassEvents;
            lib->ReleaseTLibAttr(attr);
        }
    }
    if (!ours) return false;
    BSTR name = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    out.type = name ? name : L"";
    SysFreeString(name);
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return false;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(info->GetFuncDesc(i, &fd))) continue;
        BSTR member = nullptr;
        UINT got = 0;
        info->GetNames(fd->memid, &member, 1, &got);
        out.members.push_back({fd->memid, fd->invkind, fd->cParams, got && member ? member : L""});
        SysFreeString(member);
        info->ReleaseFuncDesc(fd);
    }
    info->ReleaseTypeAttr(attr);
    return true;
}

bool skipped(const std::wstring& name) {
    for (const wchar_t* s : kSkipped)
        if (name == s) return true;
    return false;
}

// ------------------------------------------------------------------------------ the object pool

class Pool {
public:
    std::vector<Target> targets;

    bool add(IDispatch* object) {
        if (!object || targets.size() >= kMaxObjects) return false;
        ComPtr<IUnknown> id = identity(object);
        for (const auto& seen : identities_)
            if (seen.Get() == id.Get()) return false;
        Target t;
        t.object = object;
        if (!describe(object, t)) return false;
        identities_.push_back(id);
        targets.push_back(std::move(t));
        return true;
    }

    // Reads every property of every object (without arguments, then as an item by 1 and by 0) and
    // adds each new object of the library, until no new one turns up.
    void discover() {
        for (size_t next = 0; next < targets.size(); ++next) {
            ComPtr<IDispatch> object = targets[next].object;
            std::vector<Member> members = targets[next].members;
            for (const Member& m : members) {
                if (m.kind != INVOKE_PROPERTYGET || skipped(m.name)) continue;
                Late late(object);
                std::vector<Outcome> reads;
                if (m.params == 0) {
                    reads.push_back(late.invoke(m.name.c_str(), DISPATCH_PROPERTYGET));
                } else {
                    reads.push_back(late.invoke(m.name.c_str(), DISPATCH_PROPERTYGET, {Variant(1L)}));
                    reads.push_back(late.invoke(m.name.c_str(), DISPATCH_PROPERTYGET, {Variant(0L)}));
                }
                for (const Outcome& o : reads)
                    if (o.ok() && o.value.isObject()) add(asObject(o.value));
                dropErrorInfo();
            }
        }
    }

    void clear() {
        targets.clear();
        identities_.clear();
    }

private:
    std::vector<ComPtr<IUnknown>> identities_;
};

// ------------------------------------------------------------------------------ random calls

struct Findings {
    long calls = 0;
    long succeeded = 0;
    long exceptions = 0;
    long notImplemented = 0;
    long problems = 0;
    void problem(const Target& t, const Member* m, DISPID id, WORD flags, UINT args, const char* what, HRESULT hr) {
        if (++problems <= 20)
            fail(__FILE__, __LINE__, "%s.%s (DISPID 0x%08lx, flags 0x%x, %u arguments): %s (0x%08lx)",
                 narrow(t.type).c_str(), m ? narrow(m->name).c_str() : "?", (unsigned long)id, flags, args, what,
                 (unsigned long)hr);
    }
};

class Fuzzer {
public:
    Fuzzer(std::vector<ComPtr<IDispatch>> objects, Findings& findings)
        : objects_(std::move(objects)), findings_(findings) {}

    void callMember(const Target& t, const Member* m, DISPID id) {
        for (int round = 0; round < kCallsPerMember; ++round) oneCall(t, m, id);
    }

private:
    std::mt19937 rng_{20240611u};
    std::vector<ComPtr<IDispatch>> objects_;  // null, foreign objects, the library's own
    Findings& findings_;

    // Storage behind by-reference arguments: each cell is a VARIANT whose data a reference points
    // at (or, for VT_BYREF|VT_VARIANT, the VARIANT itself); clearing the cell frees whatever the
    // callee left in it.
    std::deque<VARIANT> cells_;
    std::vector<VARTYPE> cellTypes_;  // the type each cell must still have afterwards (VT_VARIANT: any)

    int pick(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng_)); }
    bool chance(int percent) { return pick(100) < percent; }

    BSTR text() {
        static const wchar_t* const pool[] = {
            L"", L" ", L"abc", L"Save", L"Standard", L"1", L"0", L" 3 ", L"-1", L"FKey", L"F1", L"FBillNo",
            L"Page1", L"FQty", L"中文字段", L"a;b=c", L"{x;y}", L"2147483648", L"1e309", L"True",
        };
        int i = pick(int(sizeof pool / sizeof pool[0]) + 1);
        if (i == int(sizeof pool / sizeof pool[0])) return SysAllocString(std::wstring(300, L'x').c_str());
        return SysAllocString(pool[i]);
    }

    IDispatch* someObject() {
        IDispatch* p = objects_[size_t(pick(int(objects_.size())))].Get();
        if (p) p->AddRef();
        return p;
    }

    SAFEARRAY* array(VARTYPE element) {
        LONG lower = pick(3) == 0 ? 1 : (pick(2) ? 0 : 3);
        ULONG n = ULONG(pick(4));
        SAFEARRAY* sa = SafeArrayCreateVector(element, lower, n);
        if (!sa) return nullptr;
        for (LONG i = 0; i < LONG(n); ++i) {
            LONG at = lower + i;
            if (element == VT_BSTR) {
                BSTR b = text();
                SafeArrayPutElement(sa, &at, b);
                SysFreeString(b);
            } else {
                VARIANT v;
                VariantInit(&v);
                if (pick(2)) {
                    V_VT(&v) = VT_I4;
                    V_I4(&v) = pick(5) - 1;
                } else {
                    V_VT(&v) = VT_BSTR;
                    V_BSTR(&v) = text();
                }
                SafeArrayPutElement(sa, &at, &v);
                VariantClear(&v);
            }
        }
        return sa;
    }

    // A value of one of the plain kinds, owned by `v`.
    void plainValue(VARIANT& v, int kind) {
        VariantInit(&v);
        switch (kind) {
        case 0: break;  // Empty
        case 1: V_VT(&v) = VT_NULL; break;
        case 2: V_VT(&v) = VT_ERROR; V_ERROR(&v) = DISP_E_PARAMNOTFOUND; break;  // missing
        case 3: {
            static const SHORT values[] = {0, 1, -1, 2, 3, 32767, -32768};
            V_VT(&v) = VT_I2;
            V_I2(&v) = values[pick(7)];
            break;
        }
        case 4: {
            static const LONG values[] = {0, 1, -1, 2, 5, 40000, 0x7FFFFFFF, LONG(0x80000000)};
            V_VT(&v) = VT_I4;
            V_I4(&v) = values[pick(8)];
            break;
        }
        case 5: {
            static const double values[] = {0.0, 1.5, -2.5, 1e300, -1e300, 3.0};
            V_VT(&v) = VT_R8;
            V_R8(&v) = values[pick(6)];
            break;
        }
        case 6: V_VT(&v) = VT_BSTR; V_BSTR(&v) = text(); break;
        case 7: V_VT(&v) = VT_BSTR; V_BSTR(&v) = nullptr; break;  // null BSTR
        case 8: V_VT(&v) = VT_BOOL; V_BOOL(&v) = pick(2) ? VARIANT_TRUE : VARIANT_FALSE; break;
        case 9: V_VT(&v) = VT_DISPATCH; V_DISPATCH(&v) = nullptr; break;  // Nothing
        case 10: V_VT(&v) = VT_DISPATCH; V_DISPATCH(&v) = someObject(); break;
        case 11: {
            IDispatch* d = someObject();
            V_VT(&v) = VT_UNKNOWN;
            V_UNKNOWN(&v) = nullptr;
            if (d) {
                d->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&V_UNKNOWN(&v)));
                d->Release();
            }
            break;
        }
        case 12: V_VT(&v) = VT_ARRAY | VT_VARIANT; V_ARRAY(&v) = array(VT_VARIANT); break;
        case 13: V_VT(&v) = VT_ARRAY | VT_BSTR; V_ARRAY(&v) = array(VT_BSTR); break;
        case 14: V_VT(&v) = VT_CY; V_CY(&v).int64 = 12345; break;
        case 15: V_VT(&v) = VT_DATE; V_DATE(&v) = 45000.5; break;
        case 16: V_VT(&v) = VT_UI1; V_UI1(&v) = 200; break;
        default: V_VT(&v) = VT_I8; V_I8(&v) = 1LL << 40; break;
        }
    }
    static constexpr int kPlainKinds = 18;

    // One argument as a caller passes it; `byValue` tells whether the caller owns it in place.
    // A plausible argument is one a script or VB caller would pass: a number, a text, a Boolean,
    // an object, Empty or missing, by value or by reference.
    VARIANT argument(bool& byValue, bool plausible) {
        VARIANT a;
        VariantInit(&a);
        byValue = false;
        if (plausible) {
            static const int kinds[] = {4, 4, 3, 5, 6, 6, 8, 10, 10, 0, 2};
            int kind = kinds[pick(int(sizeof kinds / sizeof kinds[0]))];
            int form = pick(10);
            if (form < 7) {
                plainValue(a, kind);
                byValue = true;
                return a;
            }
            cells_.emplace_back();
            VARIANT& cell = cells_.back();
            plainValue(cell, kind);
            if (form < 9 || kind == 0 || kind == 2) {
                cellTypes_.push_back(VT_VARIANT);
                V_VT(&a) = VT_BYREF | VT_VARIANT;
                V_VARIANTREF(&a) = &cell;
            } else {
                cellTypes_.push_back(V_VT(&cell));
                V_VT(&a) = VT_BYREF | V_VT(&cell);
                V_BYREF(&a) = &V_I4(&cell);
            }
            return a;
        }
        int form = pick(10);
        if (form < 6) {  // by value
            plainValue(a, pick(kPlainKinds));
            byValue = true;
            return a;
        }
        if (form == 9 && chance(30)) {  // a reference to nothing
            static const VARTYPE types[] = {VT_I2, VT_I4, VT_BSTR, VT_BOOL, VT_VARIANT, VT_DISPATCH, VT_R8};
            V_VT(&a) = VT_BYREF | types[pick(7)];
            V_BYREF(&a) = nullptr;
            return a;
        }
        cells_.emplace_back();
        VARIANT& cell = cells_.back();
        if (form < 8) {  // a reference to a variable of the value's own type
            int kind = 3 + pick(kPlainKinds - 3);
            plainValue(cell, kind);
            cellTypes_.push_back(V_VT(&cell));
            V_VT(&a) = VT_BYREF | V_VT(&cell);
            V_BYREF(&a) = &V_I4(&cell);
        } else {  // a reference to a Variant holding anything
            plainValue(cell, pick(kPlainKinds));
            cellTypes_.push_back(VT_VARIANT);
            V_VT(&a) = VT_BYREF | VT_VARIANT;
            V_VARIANTREF(&a) = &cell;
        }
        return a;
    }

    void oneCall(const Target& t, const Member* m, DISPID id) {
        static const WORD flagChoices[] = {
            DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_METHOD | DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
            DISPATCH_PROPERTYPUTREF, DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF, 0,
            DISPATCH_METHOD | DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUTREF, 0x8001, 0xFFFF,
        };
        // Half of the calls are plausible ones, which get past the argument checks and run the
        // member; the others are hostile in every way.
        const bool plausible = m && chance(50);
        WORD flags;
        if (plausible || (m && chance(30))) {  // the member's own kind
            flags = m->kind == INVOKE_PROPERTYGET      ? WORD(DISPATCH_PROPERTYGET)
                    : m->kind == INVOKE_PROPERTYPUT    ? WORD(DISPATCH_PROPERTYPUT)
                    : m->kind == INVOKE_PROPERTYPUTREF ? WORD(DISPATCH_PROPERTYPUTREF)
                                                       : WORD(DISPATCH_METHOD);
        } else {
            flags = flagChoices[pick(int(sizeof flagChoices / sizeof flagChoices[0]))];
        }
        const int params = m ? m->params : 2;
        UINT cArgs = UINT(pick(params + 3));
        if (plausible) cArgs = UINT(chance(70) || params == 0 ? params : params - 1);

        std::vector<VARIANT> rgvarg(cArgs);
        std::vector<bool> byValue(cArgs);
        std::vector<VARIANT> before(cArgs);
        for (UINT i = 0; i < cArgs; ++i) {
            bool owned = false;
            rgvarg[i] = argument(owned, plausible);
            byValue[i] = owned;
            before[i] = rgvarg[i];  // a shallow copy, to see that the callee left it alone
        }

        std::vector<DISPID> named;
        if (cArgs && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && chance(60)) {
            named.push_back(DISPID_PROPERTYPUT);
        } else if (cArgs && !plausible && chance(25)) {
            static const DISPID bogus[] = {DISPID_PROPERTYPUT, 0, 1, 2, 77, -7, DISPID_UNKNOWN};
            UINT n = 1 + UINT(pick(int(cArgs < 2 ? cArgs : 2)));
            for (UINT k = 0; k < n; ++k) named.push_back(bogus[pick(7)]);
        }
        DISPPARAMS dp = {cArgs ? rgvarg.data() : nullptr, named.empty() ? nullptr : named.data(), cArgs,
                         UINT(named.size())};
        // Now and then a malformed parameter block.
        int malformed = plausible ? 100 : pick(100);
        DISPPARAMS* params_ = &dp;
        if (malformed == 0) params_ = nullptr;
        else if (malformed == 1 && cArgs) dp.rgvarg = nullptr;
        else if (malformed == 2) dp.cNamedArgs = cArgs + 1;
        else if (malformed == 3 && !named.empty()) dp.rgdispidNamedArgs = nullptr;

        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep;
        std::memset(&excep, 0, sizeof excep);
        UINT argErr = 0xDEADu;
        const bool wantResult = !chance(15), wantExcep = !chance(15), wantArgErr = !chance(15);
        REFIID riid = !plausible && chance(5) ? IID_IDispatch : IID_NULL;
        LCID lcid = chance(50) ? 0 : 0x0804;

        HRESULT hr = t.object->Invoke(id, riid, lcid, flags, params_, wantResult ? &result : nullptr,
                                      wantExcep ? &excep : nullptr, wantArgErr ? &argErr : nullptr);
        ++findings_.calls;

        if (hr != S_OK && SUCCEEDED(hr)) findings_.problem(t, m, id, flags, cArgs, "a success code other than S_OK", hr);
        if (hr == S_OK) ++findings_.succeeded;
        if (hr == DISP_E_EXCEPTION) {
            ++findings_.exceptions;
            if (!wantExcep) {
                findings_.problem(t, m, id, flags, cArgs, "DISP_E_EXCEPTION without an exception record", hr);
            } else {
                if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
                if (excep.scode == E_NOTIMPL) ++findings_.notImplemented;
                if (!FAILED(excep.scode) && excep.wCode == 0)
                    findings_.problem(t, m, id, flags, cArgs, "an exception record without an error", excep.scode);
                if (!excep.bstrSource || !SysStringLen(excep.bstrSource))
                    findings_.problem(t, m, id, flags, cArgs, "an exception record without a source", excep.scode);
                if (!excep.bstrDescription)
                    findings_.problem(t, m, id, flags, cArgs, "an exception record without a description", excep.scode);
            }
        } else if (wantExcep && (excep.bstrSource || excep.bstrDescription || excep.bstrHelpFile)) {
            findings_.problem(t, m, id, flags, cArgs, "exception texts filled in without DISP_E_EXCEPTION", hr);
        }
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);

        if (wantResult) {
            if (FAILED(hr) && V_VT(&result) != VT_EMPTY)
                findings_.problem(t, m, id, flags, cArgs, "a result left behind by a failed call", hr);
            if (FAILED(VariantClear(&result)))
                findings_.problem(t, m, id, flags, cArgs, "a result that cannot be cleared", hr);
        }
        if (wantArgErr && argErr != 0xDEADu && argErr >= cArgs)
            findings_.problem(t, m, id, flags, cArgs, "an argument error index beyond the arguments", hr);

        for (UINT i = 0; i < cArgs; ++i) {
            if (V_VT(&rgvarg[i]) != V_VT(&before[i]) || V_I8(&rgvarg[i]) != V_I8(&before[i]))
                findings_.problem(t, m, id, flags, cArgs, "a by-value argument changed by the callee", hr);
            else if (byValue[i])
                VariantClear(&rgvarg[i]);
        }
        for (size_t c = 0; c < cells_.size(); ++c) {
            if (cellTypes_[c] != VT_VARIANT && V_VT(&cells_[c]) != cellTypes_[c])
                findings_.problem(t, m, id, flags, cArgs, "a typed by-reference variable changed its type", hr);
            if (FAILED(VariantClear(&cells_[c])))
                findings_.problem(t, m, id, flags, cArgs, "a by-reference variable that cannot be cleared", hr);
        }
        cells_.clear();
        cellTypes_.clear();
        dropErrorInfo();
    }
};

// The host's side: a session in the property store (source language, a login object that
// answers nothing) and a simulated bill and toolbar to bind the event objects to.
struct Host {
    hostkit::SessionHost session;
    ComPtr<hostkit::FakeObject> login = hostkit::newFake(L"Login");
    hostkit::SampleBill bill = hostkit::buildSampleBill();
    ComPtr<hostkit::ToolbarControl> toolbar = hostkit::newToolbar();
    ComPtr<hostkit::FakeObject> stranger = hostkit::newFake(L"Stranger");
    Host() {
        session.set(L"PropsString", L"UserID=1;Language=CHS");
        session.set(L"OrviLogin", static_cast<IDispatch*>(login.Get()));
        hostkit::ToolbarObject::recordCalls(false);
        auto band = toolbar->bands().add(L"Standard");
        for (long id = 1; id <= 3; ++id) {
            auto tool = toolbar->tools().add(id, L"T" + std::to_wstring(id));
            band->tools().insert(-1, tool.Get());
        }
        toolbar->setActiveBand(band.Get());
    }
    ~Host() {
        hostkit::ToolbarObject::recordCalls(true);
        session.clear();
    }
};

// What a host does with a new object: binds it to its form control and toolbar. Members a class
// does not have yet just fail.
void bindLikeAHost(IDispatch* object, Host& host) {
    Late late{ComPtr<IDispatch>(object)};
    IDispatch* toolbar = host.toolbar.Get();
    late.put(L"BillCtl", obj(host.bill.billCtl.Get()));
    late.putRef(L"List", obj(host.stranger.Get()));
    late.putRef(L"BrowseCtl", obj(host.stranger.Get()));
    late.putRef(L"ListActiveBar", obj(toolbar));
    Outcome o = late.call(L"FireBarInitialize", {obj(toolbar)});
    if (o.hr == DISP_E_BADPARAMCOUNT) late.call(L"FireBarInitialize");
    dropErrorInfo();
}

}  // namespace

TEST_CASE(hostile_calls_reach_every_object_and_member_without_harm) {
    Findings findings;
    size_t objectCount = 0, memberCount = 0;
    std::set<std::wstring> types;
    {
        Host host;
        Pool pool;
        ComPtr<ITypeLib> lib;
        REQUIRE(SUCCEEDED(LoadRegTypeLib(LIBID_OrviClassEvents, 2, 1, 0, lib.GetAddressOf())));
        size_t creatable = 0;
        for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n; ++i) {
            TYPEKIND kind;
            if (FAILED(lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
            ComPtr<ITypeInfo> info;
            if (FAILED(lib->GetTypeInfo(i, info.GetAddressOf()))) continue;
            TYPEATTR* attr = nullptr;
            REQUIRE(SUCCEEDED(info->GetTypeAttr(&attr)));
            CLSID clsid = attr->guid;
            bool canCreate = (attr->wTypeFlags & TYPEFLAG_FCANCREATE) != 0;
            info->ReleaseTypeAttr(attr);
            ComPtr<IDispatch> object;
            HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                          reinterpret_cast<void**>(object.GetAddressOf()));
            if (!canCreate) {
                CHECK_HR(hr, CLASS_E_CLASSNOTAVAILABLE);
                continue;
            }
            REQUIRE((SUCCEEDED(hr) && object));
            ++creatable;
            bindLikeAHost(object.Get(), host);
            CHECK(pool.add(object.Get()));
        }
        CHECK(creatable >= 6);
        pool.discover();

        // Arguments may be any of these objects, the library's own among them.
        std::vector<ComPtr<IDispatch>> objects = {
            nullptr,
            ComPtr<IDispatch>(host.stranger.Get()),
            ComPtr<IDispatch>(host.toolbar.Get()),
            ComPtr<IDispatch>(host.toolbar->tools().at(0)),
            ComPtr<IDispatch>(host.toolbar->bands().at(0)),
            ComPtr<IDispatch>(static_cast<IDispatch*>(host.bill.tableInfo.Get())),
            ComPtr<IDispatch>(host.bill.billCtl.Get()),
        };
        if (!getenv("FUZZ_NO_LIB")) for (const Target& t : pool.targets) objects.push_back(t.object);

        Fuzzer fuzzer(objects, findings);
        auto start = std::chrono::steady_clock::now();
        bool outOfTime = false;
        for (const Target& t : pool.targets) {
            types.insert(t.type);
            ++objectCount;
            std::set<DISPID> done;
            for (const Member& m : t.members) {
                if (skipped(m.name)) continue;
                ++memberCount;
                fuzzer.callMember(t, &m, m.id);
                done.insert(m.id);
            }
            // DISPIDs the object does not have.
            for (DISPID bogus : {DISPID(DISPID_VALUE), DISPID(DISPID_NEWENUM), DISPID(DISPID_UNKNOWN), DISPID(0x12345),
                                 DISPID(0x60030FFF), DISPID(0x68030FFF)})
                if (!done.count(bogus)) fuzzer.callMember(t, nullptr, bogus);
            std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
            if (spent.count() > kTimeLimitSeconds) {
                outOfTime = true;
                break;
            }
        }
        CHECK(!outOfTime);
        std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        std::printf("fuzz: %zu objects of %zu classes, %zu members, %ld calls in %.1f s: %ld succeeded, %ld raised "
                    "(%ld not implemented yet)\n",
                    objectCount, types.size(), memberCount, findings.calls, spent.count(), findings.succeeded,
                    findings.exceptions, findings.notImplemented);
        pool.clear();
        objects.clear();
    }
    CHECK_EQ(findings.problems, 0L);
    // Every class of the library was reached (the non-creatable ones through other objects).
    for (const wchar_t* type : {L"_BillEvent", L"_ListEvents", L"_BaseClassEvent", L"_BillHeads", L"_BillHead",
                                L"_BillEntrys", L"_BillEntry", L"_VeskFields", L"_VeskField", L"_QelLib", L"_Account",
                                L"_User", L"_Net", L"_MenuBar", L"_VeskBands", L"_VeskBand", L"_VeskTools",
                                L"_VeskTool"})
        if (!types.count(type)) fail(__FILE__, __LINE__, "no object of %s was reached", narrow(type).c_str());
    CHECK_EQ(libraryObjects(), 0L);
    CHECK_HR(libraryCanUnloadNow(), S_OK);
}
