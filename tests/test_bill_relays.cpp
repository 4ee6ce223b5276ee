// The bill event object's relays: each Fire... call of the host raises its event on every
// connected sink with the host's arguments in order, by-value arguments as values of their own
// type and by-reference arguments pointing at the host's own variables.
#include <sstream>

#include "Late.h"
#include "OrviClassEvents.h"
#include "Sink.h"
#include "hostkit/SimBill.h"
#include "hostkit/ToolbarKit.h"

using namespace testkit;

namespace {

// Relay, event DISPID (decimal), arguments: L Long, I Integer, B Boolean, S String, O object
// (also Dictionary); a leading r marks a by-reference argument.
const char* const kRelays = R"(
FireAfterSave 9 rB
FireBeforeSave 8 rB
FireBeforeVerify 12 rB
FireVerify 16 rO rS rL
FireAfterLoadBill 19
FireAfterDeleteRow 6 L L
FireAddNewRow 17 I L
FireHeadCtlClick 3 O O
ChangeCurrencyState 15 O
ChangeAmountForEnd 45 O L O O
FireHeadCtlLostFocus 44 O O O
FireAfterFirstNewBill 23
FireAfterNewEmptyData 21
FireBeforLoadBillFillData 20
FireChange 7 O O L L rB
FireBeforeLoadBill 18 rB
FireBeforeSelBills 25 L O O rS rO
FireAfterSelBill 26 L
FireBeginEdit 27 O L L
FireAfterLoadBillSetSumData 28 O rD
FireAfterInputBillSetSumData 29 O rD
FireBeforeDoAction 13 O O O S S S rB
FireAfterDoAction 14 O O O S S S
FireAfterSelBillBeforeFillData 30 O O
FireAfterNewBill 22
FireAfterCopyBill 11
FireSaveBillFailed 24 O rS rB
FireBeforeSelBillShowFilter 31 rO
FireAfterFillRow 10 L O O O
FireBeforeMultiCheck 32 L L L rL L L L rB
FireMultiCheck 33 L L L L L rB rB rS rS rB
FireAfterMultiCheck 34 L L L L L B
FireStartMultiCheck 35 L L rB rB
FireFinishMultiCheck 36 L L L L rB
FireUnMultiCheck 37 L L L L L L rB rB
FireAfterUnMultiCheck 38 L L L L L B
FireBusinessCheck 39 rB
FireAfterBusinessCheck 40 B
FireUnBusinessCheck 41 rB
FireAfterUnBusinessCheck 42 B
FireBeforeSendMessage 43 S rO rB
)";

struct Relay {
    std::wstring name;
    DISPID event;
    std::vector<std::string> args;
};

std::vector<Relay> relays() {
    std::vector<Relay> r;
    std::istringstream in(kRelays);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::istringstream f(line);
        std::string name;
        long id = 0;
        f >> name >> id;
        Relay relay{std::wstring(name.begin(), name.end()), DISPID(id), {}};
        std::string a;
        while (f >> a) relay.args.push_back(a);
        r.push_back(relay);
    }
    return r;
}

VARTYPE typeOf(const std::string& kind) {
    char k = kind.back();
    VARTYPE vt = k == 'L' ? VT_I4 : k == 'I' ? VT_I2 : k == 'B' ? VT_BOOL : k == 'S' ? VT_BSTR : k == 'D' ? VT_R8 : VT_DISPATCH;
    return kind[0] == 'r' ? VARTYPE(VT_BYREF | vt) : vt;
}

// The host's side of one call: a variable per argument, the way a VB form holds them.
struct HostCall {
    std::vector<VARIANT> vars;  // the host's variables (values of their own type)
    std::vector<ComPtr<hostkit::FakeObject>> objects;

    explicit HostCall(const Relay& r) {
        for (size_t i = 0; i < r.args.size(); ++i) {
            VARIANT v;
            VariantInit(&v);
            V_VT(&v) = VARTYPE(typeOf(r.args[i]) & ~VT_BYREF);
            switch (V_VT(&v)) {
            case VT_I4: V_I4(&v) = long(100 + i); break;
            case VT_I2: V_I2(&v) = short(10 + i); break;
            case VT_BOOL: V_BOOL(&v) = VARIANT_FALSE; break;
            case VT_R8: V_R8(&v) = 1.5 + double(i); break;
            case VT_BSTR: V_BSTR(&v) = SysAllocString((L"text" + std::to_wstring(i)).c_str()); break;
            default: {
                objects.push_back(hostkit::newFake(L"object" + std::to_wstring(i)));
                V_DISPATCH(&v) = objects.back().Get();
                V_DISPATCH(&v)->AddRef();
            }
            }
            vars.push_back(v);
        }
    }
    ~HostCall() {
        for (VARIANT& v : vars) VariantClear(&v);
    }
    // Copies of the variables as they stand (objects by reference).
    std::vector<Variant> snapshot() const {
        std::vector<Variant> r;
        for (const VARIANT& v : vars) r.emplace_back(v);
        return r;
    }
    // rgvarg as the host passes it: by-reference arguments point at its variables.
    std::vector<VARIANT> arguments(const Relay& r) {
        std::vector<VARIANT> rgvarg;
        for (size_t i = r.args.size(); i-- > 0;) {
            VARIANT a = vars[i];
            if (r.args[i][0] == 'r') {
                V_VT(&a) = VARTYPE(VT_BYREF | V_VT(&vars[i]));
                V_BYREF(&a) = &V_I4(&vars[i]);
            }
            rgvarg.push_back(a);
        }
        return rgvarg;
    }
};

HRESULT fire(IDispatch* ev, const Relay& r, HostCall& host, Variant& result) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(r.name.c_str());
    if (FAILED(ev->GetIDsOfNames(IID_NULL, &name, 1, 0, &id))) return DISP_E_UNKNOWNNAME;
    std::vector<VARIANT> rgvarg = host.arguments(r);
    DISPPARAMS params = {rgvarg.empty() ? nullptr : rgvarg.data(), nullptr, UINT(rgvarg.size()), 0};
    EXCEPINFO excep = {};
    UINT argErr = 0;
    HRESULT hr = ev->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result.put(), &excep, &argErr);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
    return hr;
}

bool sameValue(const VARIANT& a, const VARIANT& b) {
    if (V_VT(&a) != V_VT(&b)) return false;
    if (V_VT(&a) == VT_DISPATCH) return V_DISPATCH(&a) == V_DISPATCH(&b);
    return VarCmp(const_cast<VARIANT*>(&a), const_cast<VARIANT*>(&b), 0, 0) == VARCMP_EQ;
}

// Answers every by-reference argument of an event: Booleans True, texts "answer", numbers
// changed, objects replaced by `replacement`.
void answerAll(std::vector<VARIANT*>& args, IDispatch* replacement) {
    for (VARIANT* a : args) {
        switch (V_VT(a)) {
        case VT_BYREF | VT_BOOL: *V_BOOLREF(a) = VARIANT_TRUE; break;
        case VT_BYREF | VT_I4: *V_I4REF(a) += 1000; break;
        case VT_BYREF | VT_R8: *V_R8REF(a) *= 2; break;
        case VT_BYREF | VT_BSTR:
            SysFreeString(*V_BSTRREF(a));
            *V_BSTRREF(a) = SysAllocString(L"answer");
            break;
        case VT_BYREF | VT_DISPATCH:
            if (*V_DISPATCHREF(a)) (*V_DISPATCHREF(a))->Release();
            *V_DISPATCHREF(a) = replacement;
            replacement->AddRef();
            break;
        default: break;
        }
    }
}

}  // namespace

TEST_CASE(each_relay_raises_its_event_with_the_hosts_arguments) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___BillEvent);
    auto replacement = hostkit::newFake(L"replacement");
    std::vector<Relay> all = relays();
    CHECK_EQ(all.size(), size_t(41));
    for (const Relay& r : all) {
        sink->clear();
        sink->on(r.event, [&](std::vector<VARIANT*>& args) { answerAll(args, replacement.Get()); });
        HostCall host(r);
        std::vector<Variant> before = host.snapshot();
        Variant result;
        HRESULT hr = fire(ev.get(), r, host, result);
        if (FAILED(hr)) {
            fail(__FILE__, __LINE__, "%s failed: 0x%08lx", narrow(r.name).c_str(), (unsigned long)hr);
            continue;
        }
        CHECK_EQ(int(result.vt()), int(VT_EMPTY));
        if (sink->events().size() != 1 || sink->events()[0].id != r.event) {
            fail(__FILE__, __LINE__, "%s did not raise event %ld once", narrow(r.name).c_str(), long(r.event));
            continue;
        }
        const EventCall& e = sink->events()[0];
        REQUIRE(e.args.size() == r.args.size());
        for (size_t i = 0; i < r.args.size(); ++i) {
            VARTYPE want = typeOf(r.args[i]);
            if (e.args[i].vt != want)
                fail(__FILE__, __LINE__, "%s argument %zu: type %d, expected %d", narrow(r.name).c_str(), i + 1,
                     e.args[i].vt, want);
            // Values as the host set them (the record was taken before the handler answered).
            if (!sameValue(e.args[i].value.get(), before[i].get()))
                fail(__FILE__, __LINE__, "%s argument %zu: value %s, expected %s", narrow(r.name).c_str(), i + 1,
                     show(e.args[i].value.get()).c_str(), show(before[i].get()).c_str());
        }
        // The handler's answers are in the host's own variables now.
        for (size_t i = 0; i < r.args.size(); ++i) {
            if (r.args[i][0] != 'r') continue;
            VARIANT& var = host.vars[i];
            bool ok = false;
            switch (V_VT(&var)) {
            case VT_BOOL: ok = V_BOOL(&var) == VARIANT_TRUE; break;
            case VT_I4: ok = V_I4(&var) == long(100 + i + 1000); break;
            case VT_R8: ok = V_R8(&var) == (1.5 + double(i)) * 2; break;
            case VT_BSTR: ok = std::wstring(V_BSTR(&var)) == L"answer"; break;
            case VT_DISPATCH: ok = V_DISPATCH(&var) == replacement.Get(); break;
            }
            if (!ok) fail(__FILE__, __LINE__, "%s argument %zu: the answer did not reach the host", narrow(r.name).c_str(), i + 1);
        }
        sink->on(r.event, nullptr);
    }
    sink->disconnect();
}

TEST_CASE(by_reference_arguments_point_at_the_hosts_variables) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___BillEvent);
    std::vector<void*> seen;
    sink->on(33, [&](std::vector<VARIANT*>& args) {
        for (VARIANT* a : args)
            if (V_VT(a) & VT_BYREF) seen.push_back(V_BYREF(a));
    });
    Relay multiCheck;
    for (const Relay& r : relays())
        if (r.name == L"FireMultiCheck") multiCheck = r;
    HostCall host(multiCheck);
    Variant result;
    CHECK_HR(fire(ev.get(), multiCheck, host, result), S_OK);
    std::vector<void*> expected;
    for (size_t i = 0; i < multiCheck.args.size(); ++i)
        if (multiCheck.args[i][0] == 'r') expected.push_back(&V_I4(&host.vars[i]));
    CHECK(seen == expected);
    sink->disconnect();
}

TEST_CASE(without_sinks_every_relay_leaves_the_hosts_variables_alone) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    for (const Relay& r : relays()) {
        HostCall host(r);
        std::vector<Variant> before = host.snapshot();
        Variant result;
        CHECK_HR(fire(ev.get(), r, host, result), S_OK);
        CHECK_EQ(int(result.vt()), int(VT_EMPTY));
        for (size_t i = 0; i < r.args.size(); ++i)
            if (!sameValue(host.vars[i], before[i].get()))
                fail(__FILE__, __LINE__, "%s changed argument %zu", narrow(r.name).c_str(), i + 1);
    }
}

TEST_CASE(chained_sinks_each_see_the_answer_before_them) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> first = Sink::create(), second = Sink::create(), third = Sink::create();
    for (Sink* s : {first.Get(), second.Get(), third.Get()}) {
        s->connect(ev.get(), DIID___BillEvent);
        s->on(32, [](std::vector<VARIANT*>& args) { *V_I4REF(args[3]) += 1; });  // BeforeMultiCheck: lCheckLevel
    }
    long level = 5;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    Outcome o = ev.call(L"FireBeforeMultiCheck", {Variant(1L), Variant(3L), Variant(2L), ref(level), Variant(0L),
                                                 Variant(0L), Variant(0L), refBool(cancel)});
    CHECK_HR(o.hr, S_OK);
    CHECK_EQ(level, 8L);
    std::vector<long> seenLevels;
    for (Sink* s : {first.Get(), second.Get(), third.Get()}) seenLevels.push_back(asLong(s->events()[0].args[3].value));
    CHECK(seenLevels == std::vector<long>({5, 6, 7}));
    for (Sink* s : {first.Get(), second.Get(), third.Get()}) s->disconnect();
}

TEST_CASE(handlers_that_replace_objects_hand_the_host_the_new_ones) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___BillEvent);
    auto newDict = hostkit::newDictionary();
    auto replace = [&](size_t index) {
        return [&, index](std::vector<VARIANT*>& args) {
            IDispatch** slot = V_DISPATCHREF(args[index]);
            if (*slot) (*slot)->Release();
            *slot = newDict.Get();
            newDict->AddRef();
        };
    };
    sink->on(16, replace(0));  // Verify: dctErr
    sink->on(25, replace(4));  // BeforeSelBills: dctParam
    sink->on(31, replace(0));  // BeforeSelBillShowFilter: dct
    auto old1 = hostkit::newDictionary(), old2 = hostkit::newDictionary(), old3 = hostkit::newDictionary();
    IDispatch* dctErr = old1.Get();
    dctErr->AddRef();
    BSTR sErr = SysAllocString(L"");
    long row = 0;
    CHECK_HR(ev.call(L"FireVerify", {ref(dctErr), ref(sErr), ref(row)}).hr, S_OK);
    CHECK(dctErr == static_cast<IDispatch*>(newDict.Get()));
    IDispatch* dctParam = old2.Get();
    dctParam->AddRef();
    BSTR filter = SysAllocString(L"F1 > 0");
    CHECK_HR(ev.call(L"FireBeforeSelBills", {Variant(1L), obj(nullptr), obj(nullptr), ref(filter), ref(dctParam)}).hr,
             S_OK);
    CHECK(dctParam == static_cast<IDispatch*>(newDict.Get()));
    IDispatch* dct = old3.Get();
    dct->AddRef();
    CHECK_HR(ev.call(L"FireBeforeSelBillShowFilter", {ref(dct)}).hr, S_OK);
    CHECK(dct == static_cast<IDispatch*>(newDict.Get()));
    // The old dictionaries were released by the handler, the new ones are the host's now.
    for (IDispatch* p : {dctErr, dctParam, dct}) p->Release();
    SysFreeString(sErr);
    SysFreeString(filter);
    sink->disconnect();
}

TEST_CASE(bar_initialize_makes_a_new_menu_bar_each_time) {
    auto toolbar = hostkit::newToolbar();
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___BillEvent);
    CHECK_HR(ev.call(L"FireBarInitialize", {obj(toolbar.Get())}).hr, S_OK);
    REQUIRE(sink->ids() == std::vector<DISPID>({1, 2}));
    CHECK(sameObject(asObject(sink->events()[0].args[0].value), toolbar.Get()));
    IDispatch* firstBar = asObject(sink->events()[1].args[0].value);
    CHECK(sameObject(firstBar, asObject(ev.value(L"MenuBar"))));
    Variant keep(firstBar);
    CHECK_HR(ev.call(L"FireBarInitialize", {obj(toolbar.Get())}).hr, S_OK);
    IDispatch* secondBar = asObject(sink->events()[3].args[0].value);
    CHECK(!sameObject(firstBar, secondBar));
    CHECK(sameObject(secondBar, asObject(ev.value(L"MenuBar"))));
    // The menu bar works over the control it was given.
    Late bar(secondBar);
    CHECK_EQ(bar.object(L"VeskTools").number(L"Count"), 0L);
    sink->disconnect();
}

TEST_CASE(bar_click_raises_both_events_whatever_cancel_holds) {
    auto toolbar = hostkit::newToolbar();
    auto tool = toolbar->tools().add(7, L"Approve");
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___BillEvent);
    sink->on(4, [](std::vector<VARIANT*>& args) { *V_BOOLREF(args[1]) = VARIANT_TRUE; });
    std::wstring nameSeen;
    VARIANT_BOOL cancelSeen = VARIANT_FALSE;
    sink->on(5, [&](std::vector<VARIANT*>& args) {
        cancelSeen = *V_BOOLREF(args[1]);
        nameSeen = Late(V_DISPATCH(args[0])).text(L"ToolName");
    });
    VARIANT_BOOL cancel = VARIANT_FALSE;
    CHECK_HR(ev.call(L"FireBarClick", {obj(tool.Get()), refBool(cancel)}).hr, S_OK);
    CHECK(sink->ids() == std::vector<DISPID>({4, 5}));
    CHECK_EQ(cancelSeen, VARIANT_BOOL(VARIANT_TRUE));
    CHECK_EQ(cancel, VARIANT_BOOL(VARIANT_TRUE));
    CHECK_EQ(nameSeen, std::wstring(L"Approve"));
    CHECK(sameObject(asObject(sink->events()[0].args[0].value), tool.Get()));
    // A clicked object that is not a tool: BarClick was raised, then the binding fails.
    sink->clear();
    auto notATool = hostkit::newFake(L"band");
    CHECK_ERROR(ev.call(L"FireBarClick", {obj(notATool.Get()), refBool(cancel)}), 0x800A000D, L"OrviClassEvents.BillEvent");
    CHECK(sink->ids() == std::vector<DISPID>({4}));
    sink->disconnect();
}

TEST_CASE(sinks_may_unadvise_during_an_event) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> a = Sink::create(), b = Sink::create(), c = Sink::create();
    for (Sink* s : {a.Get(), b.Get(), c.Get()}) s->connect(ev.get(), DIID___BillEvent);
    // a leaves during the event and also disconnects c: once unadvised, c is not called, not even
    // by the event under way; b still is.
    a->on(8, [&](std::vector<VARIANT*>&) {
        a->disconnect();
        c->disconnect();
    });
    VARIANT_BOOL cancel = VARIANT_FALSE;
    CHECK_HR(ev.call(L"FireBeforeSave", {refBool(cancel)}).hr, S_OK);
    CHECK_EQ(a->events().size(), size_t(1));
    CHECK_EQ(b->events().size(), size_t(1));
    CHECK_EQ(c->events().size(), size_t(0));
    // The unadvised sinks were released when the event was over; the container lists b only.
    CHECK_EQ(c->refs(), 1ul);
    ComPtr<IConnectionPointContainer> container;
    ev.get()->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf()));
    ComPtr<IConnectionPoint> point;
    container->FindConnectionPoint(DIID___BillEvent, point.GetAddressOf());
    ComPtr<IEnumConnections> list;
    point->EnumConnections(list.GetAddressOf());
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    list->Next(3, data, &fetched);
    CHECK_EQ(fetched, 1ul);
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
    CHECK_HR(ev.call(L"FireBeforeSave", {refBool(cancel)}).hr, S_OK);
    CHECK_EQ(a->events().size(), size_t(1));
    CHECK_EQ(b->events().size(), size_t(2));
    CHECK_EQ(c->events().size(), size_t(0));
    b->disconnect();
}

TEST_CASE(sinks_advised_during_an_event_get_the_next_one) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> a = Sink::create(), late = Sink::create();
    a->connect(ev.get(), DIID___BillEvent);
    ComPtr<IConnectionPointContainer> container;
    ev.get()->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf()));
    ComPtr<IConnectionPoint> point;
    REQUIRE(SUCCEEDED(container->FindConnectionPoint(DIID___BillEvent, point.GetAddressOf())));
    DWORD cookie = 0;
    // Inside the handler only non-throwing checks: an exception must not cross the library.
    a->on(8, [&](std::vector<VARIANT*>&) {
        if (a->events().size() == 1) CHECK_HR(point->Advise(static_cast<IDispatch*>(late.Get()), &cookie), S_OK);
    });
    VARIANT_BOOL cancel = VARIANT_FALSE;
    CHECK_HR(ev.call(L"FireBeforeSave", {refBool(cancel)}).hr, S_OK);
    CHECK_EQ(late->events().size(), size_t(0));
    CHECK_HR(ev.call(L"FireBeforeSave", {refBool(cancel)}).hr, S_OK);
    CHECK_EQ(late->events().size(), size_t(1));
    a->disconnect();
    CHECK_HR(point->Unadvise(cookie), S_OK);
}

TEST_CASE(a_sink_may_release_the_last_reference_during_an_event) {
    IDispatch* raw = nullptr;
    ComPtr<Sink> sink = Sink::create();
    {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        raw = ev.get();
        raw->AddRef();  // the sink's reference
        sink->connect(raw, DIID___BillEvent);
    }
    // The host calls through a pointer whose only reference the sink holds and drops.
    sink->on(8, [&](std::vector<VARIANT*>&) {
        sink->disconnect();
        raw->Release();
    });
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT arg;
    V_VT(&arg) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&arg) = &cancel;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    LPOLESTR name = const_cast<LPOLESTR>(L"FireBeforeSave");
    DISPID id = 0;
    raw->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
    CHECK_HR(raw->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
    CHECK_EQ(libraryObjects(), 0L);  // the event object went away when the event was over
}

TEST_CASE(handlers_may_call_back_and_fire_other_relays) {
    auto toolbar = hostkit::newToolbar();
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___BillEvent);
    int depth = 0;
    sink->on(8, [&](std::vector<VARIANT*>& args) {
        if (depth++ == 0) {
            VARIANT_BOOL inner = VARIANT_FALSE;
            CHECK_HR(ev.call(L"FireAfterSave", {refBool(inner)}).hr, S_OK);
            CHECK_EQ(inner, VARIANT_BOOL(VARIANT_TRUE));
            CHECK_HR(ev.call(L"FireBarInitialize", {obj(toolbar.Get())}).hr, S_OK);
            *V_BOOLREF(args[0]) = VARIANT_TRUE;
        }
    });
    sink->on(9, [](std::vector<VARIANT*>& args) { *V_BOOLREF(args[0]) = VARIANT_TRUE; });
    VARIANT_BOOL cancel = VARIANT_FALSE;
    CHECK_HR(ev.call(L"FireBeforeSave", {refBool(cancel)}).hr, S_OK);
    CHECK_EQ(cancel, VARIANT_BOOL(VARIANT_TRUE));
    CHECK(sink->ids() == std::vector<DISPID>({8, 9, 1, 2}));
    CHECK(asObject(ev.value(L"MenuBar")) != nullptr);
    sink->disconnect();
}

TEST_CASE(a_failing_sink_does_not_stop_the_others) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> bad = Sink::create(), good = Sink::create();
    bad->connect(ev.get(), DIID___BillEvent);
    good->connect(ev.get(), DIID___BillEvent);
    bad->failWith(E_FAIL);
    good->on(8, [](std::vector<VARIANT*>& args) { *V_BOOLREF(args[0]) = VARIANT_TRUE; });
    VARIANT_BOOL cancel = VARIANT_FALSE;
    Outcome o = ev.call(L"FireBeforeSave", {refBool(cancel)});
    CHECK_HR(o.hr, S_OK);
    CHECK_EQ(cancel, VARIANT_BOOL(VARIANT_TRUE));
    CHECK_EQ(bad->events().size(), size_t(1));
    CHECK_EQ(good->events().size(), size_t(1));
    bad->disconnect();
    good->disconnect();
}

TEST_CASE(relays_called_through_the_vtable) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<_BillEvent> vtbl;
    REQUIRE(SUCCEEDED(ev.get()->QueryInterface(IID__BillEvent, reinterpret_cast<void**>(vtbl.GetAddressOf()))));
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___BillEvent);
    sink->on(36, [](std::vector<VARIANT*>& args) { *V_BOOLREF(args[4]) = VARIANT_TRUE; });
    VARIANT_BOOL send = VARIANT_FALSE;
    CHECK_HR(vtbl->FireFinishMultiCheck(1, 2, 3, 4, &send), S_OK);
    CHECK_EQ(send, VARIANT_BOOL(VARIANT_TRUE));
    CHECK_HR(vtbl->FireFinishMultiCheck(1, 2, 3, 4, nullptr), E_POINTER);
    VARIANT result;
    CHECK_HR(vtbl->FireAfterLoadBill(&result), S_OK);
    CHECK_EQ(int(V_VT(&result)), int(VT_EMPTY));
    CHECK_HR(vtbl->FireAfterLoadBill(nullptr), E_POINTER);
    sink->disconnect();
}
