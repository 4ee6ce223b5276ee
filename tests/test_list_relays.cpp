// The relays of the list event object and the base-data event object: each Fire... call raises
// its event with the host's arguments, the bar relays build the menu bar and re-point the tool
// wrapper, and the check relays behave on the list event object exactly as on the bill event
// object.
#include "Late.h"
#include "OrviClassEvents.h"
#include "Relays.h"
#include "Sink.h"
#include "hostkit/SimList.h"
#include "hostkit/ToolbarKit.h"

using namespace testkit;

namespace {

// The list's own relays and their argument kinds (Relays.h); the check relays follow them.
const char* const kListRelays = R"(
FireAfterGetData
FireDoCommand O rL
FireAfterSelList O rO
FireRefreshList
FireBeforRefreshToolBar rB
FireAfterCopyBillCreateData L O
FireListFillRow L O O rS rL rB
FireAfterDeleteBill B L S S rB
FireListRowSelected L
)";

const char* const kBaseClassRelays = R"(
FireAfterGetData
FireClassGroupSelected L L L S
FireListFillRow L O O rS rL rB
FireRefreshList
FireDoCommand O rL
FireBeforeSendMessage S rO rB
)";

// DISPID of a member of the object's dispatch interface, by name.
DISPID idOf(const Late& o, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    CHECK_HR(o.get()->GetIDsOfNames(IID_NULL, &n, 1, 0, &id), S_OK);
    return id;
}

}  // namespace

TEST_CASE(list_relays_raise_their_events_with_the_hosts_arguments) {
    Late ev = Late::create(L"OrviClassEvents.ListEvents");
    std::vector<Relay> all = relayTable(ev.get(), DIID___ListEvents, {kListRelays, kCheckRelays});
    CHECK_EQ(all.size(), size_t(21));
    checkEveryRelay(ev.get(), DIID___ListEvents, all);
    checkRelaysWithoutSinks(ev.get(), all);
}

TEST_CASE(base_data_relays_raise_their_events_with_the_hosts_arguments) {
    Late ev = Late::create(L"OrviClassEvents.BaseClassEvent");
    std::vector<Relay> all = relayTable(ev.get(), DIID___BaseClassEvent, {kBaseClassRelays});
    checkEveryRelay(ev.get(), DIID___BaseClassEvent, all);
    checkRelaysWithoutSinks(ev.get(), all);
}

TEST_CASE(relays_sit_at_their_published_dispids) {
    Late list = Late::create(L"OrviClassEvents.ListEvents");
    CHECK_EQ(idOf(list, L"FireBarInitialize"), DISPID(0x60030026));
    CHECK_EQ(idOf(list, L"FireListRowSelected"), DISPID(0x60030030));
    CHECK_EQ(idOf(list, L"FireBeforeMultiCheck"), DISPID(0x6003003e));
    CHECK_EQ(idOf(list, L"FireAfterUnBusinessCheck"), DISPID(0x60030048));
    CHECK_EQ(idOf(list, L"FireBeforeSendMessage"), DISPID(0x60030049));
    CHECK_EQ(idOf(list, L"SendMessage"), DISPID(0x6003004a));
    CHECK_EQ(idOf(list, L"List"), DISPID(0x68030025));
    Late base = Late::create(L"OrviClassEvents.BaseClassEvent");
    CHECK_EQ(idOf(base, L"FireBarInitialize"), DISPID(0x6003000a));
    CHECK_EQ(idOf(base, L"FireClassGroupSelected"), DISPID(0x60030010));
    CHECK_EQ(idOf(base, L"FireBeforeSendMessage"), DISPID(0x60030020));
    CHECK_EQ(idOf(base, L"BrowseCtl"), DISPID(0x68030009));
    CHECK_EQ(idOf(base, L"MenuBar"), DISPID(0x68030000));
}

TEST_CASE(the_same_check_calls_give_the_same_events_on_bill_and_list) {
    Late bill = Late::create(L"OrviClassEvents.BillEvent");
    Late list = Late::create(L"OrviClassEvents.ListEvents");
    ComPtr<Sink> billSink = Sink::create(), listSink = Sink::create();
    billSink->connect(bill.get(), DIID___BillEvent);
    listSink->connect(list.get(), DIID___ListEvents);
    // The check relays of both, each with its own object's event DISPIDs.
    std::vector<Relay> billRelays = relayTable(bill.get(), DIID___BillEvent, {kCheckRelays});
    std::vector<Relay> listRelays = relayTable(list.get(), DIID___ListEvents, {kCheckRelays});
    REQUIRE(billRelays.size() == 12u);
    auto replacement = hostkit::newFake(L"replacement");
    for (Sink* s : {billSink.Get(), listSink.Get()})
        for (const Relay& r : listRelays)
            s->on(r.eventName.c_str(), [&](std::vector<VARIANT*>& args) { answerAll(args, replacement.Get()); });
    for (size_t i = 0; i < billRelays.size(); ++i) {
        CHECK(billRelays[i].name == listRelays[i].name);
        HostCall billHost(billRelays[i]), listHost(listRelays[i]);
        Variant billResult, listResult;
        CHECK_HR(fire(bill.get(), billRelays[i], billHost, billResult), S_OK);
        CHECK_HR(fire(list.get(), listRelays[i], listHost, listResult), S_OK);
        // The hosts' variables hold the same answers.
        for (size_t a = 0; a < billHost.vars.size(); ++a) {
            VARIANT& b = billHost.vars[a];
            VARIANT& l = listHost.vars[a];
            bool same = V_VT(&b) == VT_DISPATCH ? (V_VT(&l) == VT_DISPATCH && (V_DISPATCH(&b) == replacement.Get()) ==
                                                                                  (V_DISPATCH(&l) == replacement.Get()))
                                                : sameValue(b, l);
            if (!same) fail(__FILE__, __LINE__, "%s argument %zu differs", narrow(billRelays[i].name).c_str(), a + 1);
        }
    }
    // The same sequence of events, argument for argument (objects aside, which are each host's own).
    const auto& be = billSink->events();
    const auto& le = listSink->events();
    REQUIRE(be.size() == le.size());
    for (size_t i = 0; i < be.size(); ++i) {
        CHECK_EQ(billSink->names()[i], listSink->names()[i]);
        REQUIRE(be[i].args.size() == le[i].args.size());
        for (size_t a = 0; a < be[i].args.size(); ++a) {
            CHECK_EQ(int(be[i].args[a].vt), int(le[i].args[a].vt));
            if ((be[i].args[a].vt & ~VT_BYREF) != VT_DISPATCH)
                CHECK(sameValue(be[i].args[a].value.get(), le[i].args[a].value.get()));
        }
    }
    billSink->disconnect();
    listSink->disconnect();
}

TEST_CASE(list_menu_bar_is_nothing_until_bar_initialize_and_then_the_last_one) {
    auto toolbar = hostkit::newToolbar();
    Late ev = Late::create(L"OrviClassEvents.ListEvents");
    CHECK(asObject(ev.value(L"MenuBar")) == nullptr);
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___ListEvents);
    CHECK_HR(ev.call(L"FireBarInitialize", {obj(toolbar.Get())}).hr, S_OK);
    CHECK_HR(ev.call(L"FireBarInitialize", {obj(toolbar.Get())}).hr, S_OK);
    REQUIRE(sink->names() ==
            std::vector<std::wstring>({L"BarInitialize", L"MenuBarInitialize", L"BarInitialize", L"MenuBarInitialize"}));
    CHECK(sameObject(asObject(sink->events()[0].args[0].value), toolbar.Get()));
    IDispatch* first = asObject(sink->events()[1].args[0].value);
    IDispatch* second = asObject(sink->events()[3].args[0].value);
    CHECK(!sameObject(first, second));
    CHECK(sameObject(second, asObject(ev.value(L"MenuBar"))));
    sink->disconnect();
}

TEST_CASE(list_bar_click_raises_menu_bar_click_whatever_cancel_holds) {
    auto toolbar = hostkit::newToolbar();
    auto tool = toolbar->tools().add(12, L"Print");
    Late ev = Late::create(L"OrviClassEvents.ListEvents");
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___ListEvents);
    sink->on(L"BarClick", [](std::vector<VARIANT*>& args) { *V_BOOLREF(args[1]) = VARIANT_TRUE; });
    VARIANT_BOOL seen = VARIANT_FALSE;
    std::wstring name;
    sink->on(L"MenuBarClick", [&](std::vector<VARIANT*>& args) {
        seen = *V_BOOLREF(args[1]);
        name = Late(V_DISPATCH(args[0])).text(L"ToolName");
    });
    VARIANT_BOOL cancel = VARIANT_FALSE;
    CHECK_HR(ev.call(L"FireBarClick", {obj(tool.Get()), refBool(cancel)}).hr, S_OK);
    CHECK(sink->names() == std::vector<std::wstring>({L"BarClick", L"MenuBarClick"}));
    CHECK_EQ(seen, VARIANT_BOOL(VARIANT_TRUE));
    CHECK_EQ(cancel, VARIANT_BOOL(VARIANT_TRUE));
    CHECK_EQ(name, std::wstring(L"Print"));
    sink->disconnect();
}

TEST_CASE(base_data_bar_initialize_uses_the_held_toolbar_or_nothing) {
    Late ev = Late::create(L"OrviClassEvents.BaseClassEvent");
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___BaseClassEvent);
    // No toolbar assigned yet: both events, BarInitialize with Nothing, a menu bar with no control.
    CHECK_HR(ev.call(L"FireBarInitialize").hr, S_OK);
    REQUIRE(sink->names() == std::vector<std::wstring>({L"BarInitialize", L"MenuBarInitialize"}));
    CHECK_EQ(int(sink->events()[0].args[0].vt), int(VT_DISPATCH));
    CHECK(asObject(sink->events()[0].args[0].value) == nullptr);
    Late empty(asObject(ev.value(L"MenuBar")));
    REQUIRE(bool(empty));
    // With the form's toolbar.
    auto toolbar = hostkit::newToolbar();
    toolbar->bands().add(L"Standard");
    ev.setRef(L"ListActiveBar", obj(toolbar.Get()));
    sink->clear();
    CHECK_HR(ev.call(L"FireBarInitialize").hr, S_OK);
    REQUIRE(sink->names() == std::vector<std::wstring>({L"BarInitialize", L"MenuBarInitialize"}));
    CHECK(sameObject(asObject(sink->events()[0].args[0].value), toolbar.Get()));
    Late bar(asObject(ev.value(L"MenuBar")));
    CHECK(!sameObject(bar.get(), empty.get()));
    CHECK_EQ(bar.object(L"VeskBands").number(L"Count"), 1L);
    sink->disconnect();
}

TEST_CASE(base_data_before_send_message_hands_back_a_new_dictionary) {
    Late ev = Late::create(L"OrviClassEvents.BaseClassEvent");
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev.get(), DIID___BaseClassEvent);
    auto fresh = hostkit::newDictionary();
    sink->on(L"BeforeSendMessage", [&](std::vector<VARIANT*>& args) {
        IDispatch** slot = V_DISPATCHREF(args[1]);
        if (*slot) (*slot)->Release();
        *slot = fresh.Get();
        fresh->AddRef();
        *V_BOOLREF(args[2]) = VARIANT_TRUE;
    });
    auto original = hostkit::newDictionary();
    IDispatch* message = original.Get();
    message->AddRef();
    VARIANT_BOOL cancel = VARIANT_FALSE;
    Outcome o = ev.call(L"FireBeforeSendMessage", {str(L"Approve"), ref(message), refBool(cancel)});
    CHECK_HR(o.hr, S_OK);
    CHECK_EQ(int(o.value.vt()), int(VT_EMPTY));
    CHECK(message == static_cast<IDispatch*>(fresh.Get()));
    CHECK_EQ(cancel, VARIANT_BOOL(VARIANT_TRUE));
    REQUIRE(sink->events().size() == 1u);
    CHECK_EQ(asText(sink->events()[0].args[0].value), std::wstring(L"Approve"));
    message->Release();
    sink->disconnect();
}
