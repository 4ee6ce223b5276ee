// Host calls at the cost of one Invoke: each path of the library beside the bare host calls it
// must make, made directly on the same host objects in the same run, once by name every time
// (GetIDsOfNames, then Invoke: what the library did before it kept DISPIDs) and once with the
// DISPIDs already known (Invoke alone: the limit).
//
// The host objects answer the way a VB-built form or control does (VbHost): names through the
// ITypeInfo of a vtable interface of their members (ByRef Variant parameters, property gets),
// calls through ITypeInfo::Invoke into that vtable, whose methods hand the work to a lean object
// or one of the kit's.
//
//   SetFieldValue, plain field and list box of 1,000 (last item)   bill control and data service
//   GetFieldValue                                                   bill control
//   BillEntrys(i).VeskFields(key).Value, 200 fields in turn         bill control (the kit's
//                                                                   simulated one), data service
//   MenuBar tool walk: VeskTools.GetFreeToolID over 2 bands of 10   toolbar control, collections,
//                      tools and the control's 20                   bands and tools
//
//   tools/wine-run build/x86_64 build/x86_64/bench/bench_hostnames.exe
//   tools/wine-run build/x86_64 build/i686/bench/bench_hostnames.exe
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "com/LateCall.h"
#include "Late.h"
#include "BenchHosts.h"
#include "VbHost.h"
#include "hostkit/FakeHost.h"
#include "hostkit/PyxContainers.h"
#include "hostkit/SimBill.h"

using namespace testkit;
using namespace bench;
using bench::VbHost;
using bench::VbType;
using hostkit::PyxDictionary;

namespace {

// A lean host object: members by name, DISPID = position + 1, each a function of the arguments.
class Lean final : public UncountedDispatch {
public:
    using Member = std::function<void(DISPPARAMS*, VARIANT*)>;
    static ComPtr<Lean> make() {
        ComPtr<Lean> p;
        *p.GetAddressOf() = new Lean;  // adopted (no AddRef)
        return p;
    }
    Lean& on(const wchar_t* name, Member m) {
        members_.push_back({name, std::move(m)});
        return *this;
    }
    std::vector<std::wstring> names() const {
        std::vector<std::wstring> r;
        for (auto& m : members_) r.push_back(m.first);
        return r;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override {
        for (size_t i = 0; i < members_.size(); ++i)
            if (!lstrcmpiW(names[0], members_[i].first.c_str())) return *id = DISPID(i + 1), S_OK;
        return *id = DISPID_UNKNOWN, DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (result) VariantInit(result);
        if (id < 1 || size_t(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
        members_[size_t(id - 1)].second(p, result);
        return S_OK;
    }

private:
    Lean() = default;
    std::vector<std::pair<std::wstring, Member>> members_;
};

void answer(VARIANT* result, IDispatch* p) {
    if (!result) return;
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = p;
    p->AddRef();
}
long argLong(DISPPARAMS* p, UINT i) {
    Variant v;
    VariantChangeType(&v.get(), const_cast<VARIANT*>(&orvi::com::deref(p->rgvarg[p->cArgs - 1 - i])), 0, VT_I4);
    return V_I4(&v.get());
}

const IID kBandIid = {0x2ACF56E2, 0x56F1, 0x11D0, {0x9C, 0x43, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC}};
const IID kBandsIid = {0x0F987293, 0x56EE, 0x11D0, {0x9C, 0x43, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC}};
const IID kToolsIid = {0xFED621D4, 0x59B0, 0x11D0, {0x9C, 0x47, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC}};
const IID kToolIid = {0xFED621D1, 0x59B0, 0x11D0, {0x9C, 0x47, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC}};

// A toolbar control: 2 bands of 10 tools and the control's own collection of all 20. The tools
// share one type, the tool collections another, as a control's objects do.
struct TypedToolbar {
    std::unique_ptr<VbType> toolType, toolsType, bandType, bandsType, controlType;
    std::vector<ComPtr<VbHost>> tools, bandTools, bandList;
    ComPtr<VbHost> controlTools, bands, control;

    ComPtr<VbHost> collection(const std::vector<ComPtr<VbHost>>& items, std::unique_ptr<VbType>& type,
                              const IID& iid) {
        auto lean = Lean::make();
        lean->on(L"Count", [n = short(items.size())](DISPPARAMS*, VARIANT* r) {
                if (r) V_VT(r) = VT_I2, V_I2(r) = n;
            })
            .on(L"Item", [items](DISPPARAMS* p, VARIANT* r) { answer(r, items.at(size_t(argLong(p, 0))).Get()); });
        if (!type) type = std::make_unique<VbType>(lean.Get(), std::vector<bench::VbMember>{{L"Count", "", true},
                                                                                           {L"Item", "v"}});
        return VbHost::make(lean.Get(), *type, {iid});
    }
    TypedToolbar() {
        for (long id = 1; id <= 20; ++id) {
            auto lean = Lean::make();
            lean->on(L"ToolID", [id](DISPPARAMS*, VARIANT* r) {
                if (r) V_VT(r) = VT_I4, V_I4(r) = id;
            });
            if (!toolType)
                toolType = std::make_unique<VbType>(lean.Get(), std::vector<bench::VbMember>{{L"ToolID", "", true}});
            tools.push_back(VbHost::make(lean.Get(), *toolType, {kToolIid}));
        }
        controlTools = collection(tools, toolsType, kToolsIid);
        for (int b = 0; b < 2; ++b) {
            std::vector<ComPtr<VbHost>> mine(tools.begin() + b * 10, tools.begin() + b * 10 + 10);
            ComPtr<VbHost> list = collection(mine, toolsType, kToolsIid);
            auto lean = Lean::make();
            lean->on(L"Tools", [list](DISPPARAMS*, VARIANT* r) { answer(r, list.Get()); });
            if (!bandType)
                bandType = std::make_unique<VbType>(lean.Get(), std::vector<bench::VbMember>{{L"Tools", "", true}});
            bandList.push_back(VbHost::make(lean.Get(), *bandType, {kBandIid}));
        }
        bands = collection(bandList, bandsType, kBandsIid);
        auto lean = Lean::make();
        lean->on(L"Tools", [this](DISPPARAMS*, VARIANT* r) { answer(r, controlTools.Get()); })
            .on(L"Bands", [this](DISPPARAMS*, VARIANT* r) { answer(r, bands.Get()); });
        controlType = std::make_unique<VbType>(
            lean.Get(), std::vector<bench::VbMember>{{L"Tools", "", true}, {L"Bands", "", true}});
        control = VbHost::make(lean.Get(), *controlType);
    }
};

// The host calls of GetFreeToolID, made directly.
struct BareWalk {
    Name bandsName{L"Bands"}, toolsName{L"Tools"}, bandsCount{L"Count"}, bandsItem{L"Item"}, bandTools{L"Tools"},
        count{L"Count"}, item{L"Item"}, toolId{L"ToolID"};
    void collect(IDispatch* collection, std::vector<long>& ids) {
        Variant n = get(collection, count);
        for (long i = 0; i < V_I2(&n.get()); ++i) {
            VARIANT index;
            V_VT(&index) = VT_I4, V_I4(&index) = i;
            Variant tool = get(collection, item, &index, 1);
            IDispatch* t = nullptr;
            V_DISPATCH(&tool.get())->QueryInterface(kToolIid, reinterpret_cast<void**>(&t));
            ids.push_back(V_I4(&get(t, toolId).get()));
            t->Release();
        }
    }
    long walk(IDispatch* control) {
        std::vector<long> ids;
        Variant bands = get(control, bandsName);
        Variant n = get(V_DISPATCH(&bands.get()), bandsCount);
        for (long i = 0; i < V_I2(&n.get()); ++i) {
            VARIANT index;
            V_VT(&index) = VT_I4, V_I4(&index) = i;
            Variant band = get(V_DISPATCH(&bands.get()), bandsItem, &index, 1);
            IDispatch* b = nullptr;
            V_DISPATCH(&band.get())->QueryInterface(kBandIid, reinterpret_cast<void**>(&b));
            Variant tools = get(b, bandTools);
            collect(V_DISPATCH(&tools.get()), ids);
            b->Release();
        }
        Variant tools = get(control, toolsName);
        collect(V_DISPATCH(&tools.get()), ids);
        long id = 1;
        while (std::find(ids.begin(), ids.end(), id) != ids.end()) ++id;
        return id;
    }
};

// A plug-in's call into the library, its DISPID looked up once.
struct PluginCall {
    IDispatch* target;
    DISPID id;
    PluginCall(IDispatch* t, const wchar_t* name) : target(t) {
        LPOLESTR n = const_cast<LPOLESTR>(name);
        t->GetIDsOfNames(IID_NULL, &n, 1, 0, &id);
    }
    Variant operator()(VARIANT* args = nullptr, UINT count = 0) const { return on(target, args, count); }
    // The same member of another object of the same class.
    Variant on(IDispatch* other, VARIANT* args = nullptr, UINT count = 0) const {
        DISPPARAMS params = {args, nullptr, count, 0};
        Variant result;
        other->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &result.get(), nullptr,
                      nullptr);
        return result;
    }
};

// The library beside the bare calls by name and with known DISPIDs, in alternating rounds.
// Paths whose name contains this text only (the first argument), e.g. for a profiler's run.
const char* only = nullptr;

void compare(const char* what, const std::function<void()>& library, const std::function<void()>& bare,
             int perRound) {
    if (only && !std::strstr(what, only)) return;
    knownIds = false;
    bare();  // every Name resolved once
    double best[3] = {1e18, 1e18, 1e18};
    for (int round = 0; round < 7; ++round) {
        for (int k = 0; k < 3; ++k) {
            knownIds = k == 2;
            const std::function<void()>& f = k == 0 ? library : bare;
            double t0 = bench::now();
            for (int i = 0; i < perRound; ++i) f();
            double ns = (bench::now() - t0) * 1e9 / perRound;
            if (ns < best[k]) best[k] = ns;
        }
    }
    knownIds = false;
    std::printf("%-40s %10.0f %10.0f %10.0f %7.2fx %7.2fx\n", what, best[0], best[1], best[2], best[0] / best[1],
                best[0] / best[2]);
}

// The bare calls allocate each container key (a field's "FFLD", ...), as the library did before;
// the library now passes keys in place (com::InBstr). Below a path's line, the library beside the
// bare calls with known DISPIDs and keys in place too: how much of the gain the keys make.
void keysToo(const char* what, const std::function<void()>& library, const std::function<void()>& bare, int perRound) {
    if (only && !std::strstr(what, only)) return;
    knownIds = keysInPlace = true;
    auto [lib, known] = bench::nsPerCallSideBySide(library, bare, perRound, 7);
    knownIds = keysInPlace = false;
    std::printf("%-40s %10.0f %10s %10.0f %16.2fx\n", "  ids known, keys in place", lib, "", known, lib / known);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) only = argv[1];
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        // The host doubles hand by-reference arguments on so that what a member writes into them
        // comes back to the caller, whether it passed a Long or a Variant by reference.
        auto writer = Lean::make();
        writer->on(L"Fill", [](DISPPARAMS* p, VARIANT*) {
            VARIANT& a = p->rgvarg[0];
            VARIANT* target = V_VT(&a) == (VT_BYREF | VT_VARIANT) ? V_VARIANTREF(&a) : nullptr;
            if (target && !(V_VT(target) & VT_BYREF)) {
                VariantClear(target);
                V_VT(target) = VT_I4, V_I4(target) = 42;
            } else if (V_VT(target ? target : &a) == (VT_BYREF | VT_I4)) {
                *V_I4REF(target ? target : &a) = 42;
            }
        });
        VbType type(writer.Get(), {{L"Fill", "r"}});
        auto host = VbHost::make(writer.Get(), type);
        Name fill{L"Fill"};
        long n = 0;
        VARIANT arg;
        V_VT(&arg) = VT_BYREF | VT_I4, V_I4REF(&arg) = &n;
        get(host.Get(), fill, &arg, 1);
        VARIANT v;
        V_VT(&v) = VT_I2, V_I2(&v) = 1;
        V_VT(&arg) = VT_BYREF | VT_VARIANT, V_VARIANTREF(&arg) = &v;
        get(host.Get(), fill, &arg, 1);
        if (n != 42 || V_VT(&v) != VT_I4 || V_I4(&v) != 42)
            std::printf("the host doubles lose by-reference writes (Long %ld, Variant of type %d)\n", n, V_VT(&v));
    }
    std::printf("%-40s %10s %10s %10s %8s %8s\n", "path (ns per call)", "library", "by name", "ids known",
                "/name", "/known");
    {
        // ---- field values on a lean bill control
        LeanBill lean;
        addSampleFields(lean);
        auto srvFake = emptyDataSrv();
        VbType srvType(srvFake.Get(), {{L"ClassType", "", true}, {L"TableInfo", "", true}, {L"ClassTypeEntry", "", true}});
        auto srv = VbHost::make(srvFake.Get(), srvType);
        lean.dataSrv = srv;
        VbType billType(&lean, {{L"GetFieldInfoByKey", "rrr"}, {L"GetDataFld", "rr"}, {L"SetText", "rrr"},
                                {L"DataSrv", "", true}});
        auto bill = VbHost::make(&lean, billType);

        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        ev.set(L"BillCtl", obj(bill.Get()));
        PluginCall setField(ev.get(), L"SetFieldValue"), getField(ev.get(), L"GetFieldValue");
        Bare bare{bill.Get()};

        SampleWrites w;
        BSTR plainKey = w.plainKey, listKey = w.listKey, last = w.last;  // w owns them
        VARIANT amount = w.amount, listValue = w.listValue;
        auto callSet = [&](BSTR key, const VARIANT& value) {
            VARIANT args[2];
            args[0] = value;
            V_VT(&args[1]) = VT_BSTR;
            V_BSTR(&args[1]) = key;
            setField(args, 2);
        };
        callSet(plainKey, amount);
        callSet(listKey, listValue);
        SampleWrites::checkWritten(lean);

        auto setPlain = [&] { callSet(plainKey, amount); };
        auto barePlain = [&] { bare.plain(plainKey, amount); };
        auto getPlain = [&] {
            VARIANT key;
            V_VT(&key) = VT_BSTR, V_BSTR(&key) = plainKey;
            getField(&key, 1);
        };
        auto bareRead = [&] {
            Variant v;
            bare.read(plainKey, &v.get());
        };
        compare("SetFieldValue, plain field", setPlain, barePlain, 20000);
        keysToo("SetFieldValue, plain field", setPlain, barePlain, 20000);
        compare("SetFieldValue, list box (last of 1,000)", [&] { callSet(listKey, listValue); },
                [&] { bare.list(listKey, last); }, 300);
        long askedBefore = bill->asked();
        for (int i = 0; i < 100; ++i) getPlain(), setPlain();
        std::printf("names asked of the bill control in 100 library reads and writes: %ld\n", bill->asked() - askedBefore);
        compare("GetFieldValue", getPlain, bareRead, 20000);
        keysToo("GetFieldValue", getPlain, bareRead, 20000);
        ev = Late();
        lean.dataSrv.Reset();
    }
    {
        // ---- the layout chain on the kit's simulated bill control
        hostkit::SampleBill sample = layoutBill();
        VbType srvType(sample.dataSrv.Get(),
                       {{L"ClassType", "", true}, {L"TableInfo", "", true}, {L"ClassTypeEntry", "", true}});
        auto srv = VbHost::make(sample.dataSrv.Get(), srvType);
        sample.billCtl->property(L"DataSrv", hostkit::objectValue(srv.Get()));
        VbType billType(sample.billCtl.Get(), {{L"DataSrv", "", true}, {L"GetDataFld", "rr"}, {L"Data", "", true}});
        auto bill = VbHost::make(sample.billCtl.Get(), billType);
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        ev.set(L"BillCtl", obj(bill.Get()));
        ComPtr<IDispatch> entrys(asObject(ev.value(L"BillEntrys")));
        PluginCall entryItem(entrys.Get(), L"Item");
        Variant first = entryItem(&Variant(1L).get(), 1);
        PluginCall veskFields(V_DISPATCH(&first.get()), L"VeskFields");
        Variant someFields = veskFields();
        PluginCall fieldItem(V_DISPATCH(&someFields.get()), L"Item");
        Variant someField = fieldItem(&Variant(L"G2F1").get(), 1);
        PluginCall value(V_DISPATCH(&someField.get()), L"Value");

        struct Read {
            long entry, position;
            Variant key;
            std::wstring page;
        };
        std::vector<Read> reads;
        for (int g = 1; g <= kGrids; ++g)
            for (int k = 1; k <= kFieldsPerGrid; ++k)
                reads.push_back({g, g + 1, text(L"G" + std::to_wstring(g + 1) + L"F" + std::to_wstring(k)),
                                 L"Page" + std::to_wstring(g + 1)});
        size_t next = 0;
        int tick = 0;
        auto tidy = [&] {
            if (++tick % 1000 == 0) sample.billCtl->clearCalls(), sample.dataSrv->clearCalls();
        };
        auto chain = [&] {
            Read& r = reads[next++ % reads.size()];
            Variant index(r.entry);
            Variant entry = entryItem(&index.get(), 1);
            Variant fields = veskFields.on(V_DISPATCH(&entry.get()));
            Variant field = fieldItem.on(V_DISPATCH(&fields.get()), &r.key.get(), 1);
            Variant v = value.on(V_DISPATCH(&field.get()));
            tidy();
        };
        Name dataSrv{L"DataSrv"}, classTypeEntry{L"ClassTypeEntry"}, vectorItem{L"Item"}, tableInfoName{L"TableInfo"},
            getDataFld{L"GetDataFld"};
        IDispatch* ctl = bill.Get();
        auto bareChain = [&] {
            Read& r = reads[next++ % reads.size()];
            Variant s = get(ctl, dataSrv);
            Variant pages = get(V_DISPATCH(&s.get()), classTypeEntry);
            long position = r.position;
            VARIANT pos;
            V_VT(&pos) = VT_BYREF | VT_I4, V_I4REF(&pos) = &position;
            Variant page = get(V_DISPATCH(&pages.get()), vectorItem, &pos, 1);
            ComPtr<IPyxDictionary> pageDescriptor = dictionary(page);
            s = get(ctl, dataSrv);
            ComPtr<IPyxDictionary> tableInfo = dictionary(get(V_DISPATCH(&s.get()), tableInfoName));
            Variant name = mappedName(tableInfo.Get(), r.key.get(), r.page);
            s = get(ctl, dataSrv);
            tableInfo = dictionary(get(V_DISPATCH(&s.get()), tableInfoName));
            Variant descriptor = item(tableInfo.Get(), V_BSTR(&name.get()));
            IDispatch* dct = V_DISPATCH(&descriptor.get());
            dct->AddRef();
            long row = -1;
            VARIANT args[2];
            V_VT(&args[1]) = VT_BYREF | VT_DISPATCH, V_DISPATCHREF(&args[1]) = &dct;
            V_VT(&args[0]) = VT_BYREF | VT_I4, V_I4REF(&args[0]) = &row;
            Variant fld = get(ctl, getDataFld, args, 2);
            dct->Release();
            Variant v = item(dictionary(fld).Get(), L"FFLD");
            Variant ctlType = item(dictionary(descriptor).Get(), L"FCtlType");
            tidy();
        };
        compare("BillEntrys(i).VeskFields(key).Value", chain, bareChain, 3000);
        keysToo("BillEntrys(i).VeskFields(key).Value", chain, bareChain, 3000);
        ev = Late();
        sample.billCtl->property(L"DataSrv");
    }
    {
        // ---- the toolbar
        TypedToolbar bar;
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        ev.call(L"FireBarInitialize", {obj(bar.control.Get())});
        Late veskTools = ev.object(L"MenuBar").object(L"VeskTools");
        PluginCall freeId(veskTools.get(), L"GetFreeToolID");
        BareWalk walk;
        if (asLong(freeId()) != 21 || walk.walk(bar.control.Get()) != 21)
            std::printf("GetFreeToolID did not find what the bare walk finds\n");
        long asked = 0;
        for (auto& t : bar.tools) asked -= t->asked();
        for (int i = 0; i < 10; ++i) freeId();
        for (auto& t : bar.tools) asked += t->asked();
        std::printf("names asked of the tools in 10 library walks: %ld\n", asked);
        compare("MenuBar tool walk (GetFreeToolID, 40 tools)", [&] { freeId(); },
                [&] { walk.walk(bar.control.Get()); }, 2000);
        veskTools = Late();
        ev = Late();

        // One host call through the library's late-call layer (this program's own copy of it),
        // beside the same Invoke with the DISPID known: on a held object, and on a tool not held
        // that shares its type.
        orvi::com::HostPtr held(bar.control.Get());
        IDispatch* tool = bar.tools[3].Get();
        Name toolsName{L"Tools"}, toolId{L"ToolID"};
        knownIds = true;
        get(held.Get(), toolsName);
        get(tool, toolId);
        auto [heldLate, heldBare] = bench::nsPerCallSideBySide([&] { orvi::com::get(held.Get(), L"Tools"); },
                                                               [&] { get(held.Get(), toolsName); });
        auto [toolLate, toolBare] = bench::nsPerCallSideBySide([&] { orvi::com::get(tool, L"ToolID"); },
                                                               [&] { get(tool, toolId); });
        auto [holderLate, holderBare] = bench::nsPerCallSideBySide([&] { orvi::com::get(held, L"Tools"); },
                                                                   [&] { get(held.Get(), toolsName); });
        // The same Invoke with the arguments the late-call layer passes (locale, EXCEPINFO, argErr).
        DISPID toolsId = idOf(held.Get(), toolsName);
        auto [heldFull, heldBare2] = bench::nsPerCallSideBySide(
            [&] {
                DISPPARAMS none = {nullptr, nullptr, 0, 0};
                Variant r;
                EXCEPINFO e = {};
                UINT argErr = 0;
                held.Get()->Invoke(toolsId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                   &none, &r.get(), &e, &argErr);
            },
            [&] { get(held.Get(), toolsName); });
        knownIds = false;
        std::printf("%-40s %10.0f %10s %10.0f %16.2fx\n", "one call, held object", heldLate, "", heldBare,
                    heldLate / heldBare);
        std::printf("%-40s %10.0f %10s %10.0f %16.2fx\n", "  through its holder", holderLate, "", holderBare,
                    holderLate / holderBare);
        std::printf("%-40s %10.0f %10s %10.0f %16.2fx\n", "  bare, with the layer's Invoke arguments", heldFull, "",
                    heldBare2, heldFull / heldBare2);
        std::printf("%-40s %10.0f %10s %10.0f %16.2fx\n", "one call, object sharing a type", toolLate, "", toolBare,
                    toolLate / toolBare);
    }
    CoUninitialize();
    return 0;
}
