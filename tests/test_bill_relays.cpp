// The bill event object's relays: each Fire... call of the host raises its event on every
// connected sink with the host's arguments in order, by-value arguments as values of their own
// type and by-reference arguments pointing at the host's own variables.
#include "Late.h"
#include "OrviClassEvents.h"
#include "Relays.h"
#include "Sink.h"
#include "hostkit/SimBill.h"
#include "hostkit/ToolbarKit.h"

using namespace testkit;

namespace {

// The bill's own relays and their argument kinds (Relays.h); the check relays follow them.
const char* const kBillRelays = R"(
FireAfterSave rB
FireBeforeSave rB
FireBeforeVerify rB
FireVerify rO rS rL
FireAfterLoadBill
FireAfterDeleteRow L L
FireAddNewRow I L
FireHeadCtlClick O O
ChangeCurrencyState=SetCurrencyState O
ChangeAmountForEnd=SetAmountForEnd O L O O
FireHeadCtlLostFocus O O O
FireAfterFirstNewBill
FireAfterNewEmptyData
FireBeforLoadBillFillData
FireChange O O L L rB
FireBeforeLoadBill rB
FireBeforeSelBills L O O rS rO
FireAfterSelBill L
FireBeginEdit O L L
FireAfterLoadBillSetSumData O rD
FireAfterInputBillSetSumData O rD
FireBeforeDoAction O O O S S S rB
FireAfterDoAction O O O S S S
FireAfterSelBillBeforeFillData O O
FireAfterNewBill
FireAfterCopyBill
FireSaveBillFailed O rS rB
FireBeforeSelBillShowFilter rO
FireAfterFillRow L O O O
)";

std::vector<Relay> relays(const Late& ev) {
    return relayTable(ev.get(), DIID___BillEvent, {kBillRelays, kCheckRelays});
}

}  // namespace

TEST_CASE(each_relay_raises_its_event_with_the_hosts_arguments) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    std::vector<Relay> all = relays(ev);
    CHECK_EQ(all.size(), size_t(41));
    checkEveryRelay(ev.get(), DIID___BillEvent, all);
}

TEST_CASE(by_reference_arguments_point_at_the_hosts_variables) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___BillEvent);
    std::vector<void*> seen;
    sink->on(L"MultiCheck", [&](std::vector<VARIANT*>& args) {
        for (VARIANT* a : args)
            if (V_VT(a) & VT_BYREF) seen.push_back(V_BYREF(a));
    });
    Relay multiCheck;
    for (const Relay& r : relays(ev))
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
    checkRelaysWithoutSinks(ev.get(), relays(ev));
}

TEST_CASE(chained_sinks_each_see_the_answer_before_them) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> first = Sink::create(), second = Sink::create(), third = Sink::create();
    for (Sink* s : {first.Get(), second.Get(), third.Get()}) {
        s->connect(ev.get(), DIID___BillEvent);
        s->on(L"BeforeMultiCheck", [](std::vector<VARIANT*>& args) { *V_I4REF(args[3]) += 1; });  // lCheckLevel
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
    sink->on(L"Verify", replace(0));  // dctErr
    sink->on(L"BeforeSelBills", replace(4));  // dctParam
    sink->on(L"BeforeSelBillShowFilter", replace(0));  // dct
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
    REQUIRE(sink->names() == std::vector<std::wstring>({L"BarInitialize", L"MenuBarInitialize"}));
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
    sink->on(L"BarClick", [](std::vector<VARIANT*>& args) { *V_BOOLREF(args[1]) = VARIANT_TRUE; });
    std::wstring nameSeen;
    VARIANT_BOOL cancelSeen = VARIANT_FALSE;
    sink->on(L"MenuBarClick", [&](std::vector<VARIANT*>& args) {
        cancelSeen = *V_BOOLREF(args[1]);
        nameSeen = Late(V_DISPATCH(args[0])).text(L"ToolName");
    });
    VARIANT_BOOL cancel = VARIANT_FALSE;
    CHECK_HR(ev.call(L"FireBarClick", {obj(tool.Get()), refBool(cancel)}).hr, S_OK);
    CHECK(sink->names() == std::vector<std::wstring>({L"BarClick", L"MenuBarClick"}));
    CHECK_EQ(cancelSeen, VARIANT_BOOL(VARIANT_TRUE));
    CHECK_EQ(cancel, VARIANT_BOOL(VARIANT_TRUE));
    CHECK_EQ(nameSeen, std::wstring(L"Approve"));
    CHECK(sameObject(asObject(sink->events()[0].args[0].value), tool.Get()));
    // A clicked object that is not a tool: BarClick was raised, then the binding fails.
    sink->clear();
    auto notATool = hostkit::newFake(L"band");
    CHECK_ERROR(ev.call(L"FireBarClick", {obj(notATool.Get()), refBool(cancel)}), 0x800A000D, L"OrviClassEvents.BillEvent");
    CHECK(sink->names() == std::vector<std::wstring>({L"BarClick"}));
    sink->disconnect();
}

TEST_CASE(sinks_may_unadvise_during_an_event) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> a = Sink::create(), b = Sink::create(), c = Sink::create();
    for (Sink* s : {a.Get(), b.Get(), c.Get()}) s->connect(ev.get(), DIID___BillEvent);
    // a leaves during the event and also disconnects c: once unadvised, c is not called, not even
    // by the event under way; b still is.
    a->on(L"BeforeSave", [&](std::vector<VARIANT*>&) {
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
    a->on(L"BeforeSave", [&](std::vector<VARIANT*>&) {
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
    sink->on(L"BeforeSave", [&](std::vector<VARIANT*>&) {
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
    sink->on(L"BeforeSave", [&](std::vector<VARIANT*>& args) {
        if (depth++ == 0) {
            VARIANT_BOOL inner = VARIANT_FALSE;
            CHECK_HR(ev.call(L"FireAfterSave", {refBool(inner)}).hr, S_OK);
            CHECK_EQ(inner, VARIANT_BOOL(VARIANT_TRUE));
            CHECK_HR(ev.call(L"FireBarInitialize", {obj(toolbar.Get())}).hr, S_OK);
            *V_BOOLREF(args[0]) = VARIANT_TRUE;
        }
    });
    sink->on(L"AfterSave", [](std::vector<VARIANT*>& args) { *V_BOOLREF(args[0]) = VARIANT_TRUE; });
    VARIANT_BOOL cancel = VARIANT_FALSE;
    CHECK_HR(ev.call(L"FireBeforeSave", {refBool(cancel)}).hr, S_OK);
    CHECK_EQ(cancel, VARIANT_BOOL(VARIANT_TRUE));
    CHECK(sink->names() == std::vector<std::wstring>({L"BeforeSave", L"AfterSave", L"BarInitialize", L"MenuBarInitialize"}));
    CHECK(asObject(ev.value(L"MenuBar")) != nullptr);
    sink->disconnect();
}

TEST_CASE(a_failing_sink_does_not_stop_the_others) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> bad = Sink::create(), good = Sink::create();
    bad->connect(ev.get(), DIID___BillEvent);
    good->connect(ev.get(), DIID___BillEvent);
    bad->failWith(E_FAIL);
    good->on(L"BeforeSave", [](std::vector<VARIANT*>& args) { *V_BOOLREF(args[0]) = VARIANT_TRUE; });
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
    sink->on(L"FinishMultiCheck", [](std::vector<VARIANT*>& args) { *V_BOOLREF(args[4]) = VARIANT_TRUE; });
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
