// Member names of host objects: the library asks a host object it holds for each name once and
// reuses the DISPID while it holds the object; a replaced object starts afresh; objects it does
// not hold (a toolbar's tools) share the names of the type information they expose. Nothing
// changes for callers: every call still reaches the host, a missing member is still error 438
// under the class's source, and objects that resolve names dynamically still work.
//
// The host doubles answer names through type information (TypedHost) and count what they are
// asked; the work behind each member is a FakeObject.
#include <dispex.h>

#include <string>
#include <vector>

#include "Errors.h"
#include "Late.h"
#include "TestUnknown.h"
#include "TypedHost.h"
#include "com/LateCall.h"
#include "hostkit/FakeHost.h"
#include "hostkit/PyxContainers.h"

using namespace testkit;
using hostkit::FakeObject;
using hostkit::Invocation;

namespace {

const wchar_t* const kBillEvent = L"OrviClassEvents.BillEvent";
const wchar_t* const kVeskTool = L"OrviClassEvents.VeskTool";

// The toolbar control's interfaces the library asks its collections and tools for.
const IID kToolCollectionIid = {0xFED621D4, 0x59B0, 0x11D0, {0x9C, 0x47, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC}};
const IID kToolIid = {0xFED621D1, 0x59B0, 0x11D0, {0x9C, 0x47, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC}};

// A data service with its three template containers, answering through its type.
struct DataService {
    ComPtr<FakeObject> fake = hostkit::newFake(L"DataSrv");
    ComPtr<TypedHost> host;
    DataService() {
        fake->property(L"ClassType", hostkit::objectValue(hostkit::newDictionary().Get()))
            .property(L"TableInfo", hostkit::objectValue(hostkit::newDictionary().Get()))
            .property(L"ClassTypeEntry", hostkit::objectValue(hostkit::newVector().Get()));
        host = TypedHost::make(fake.Get(),
                               makeHostType(fake.Get(), {L"ClassType", L"TableInfo", L"ClassTypeEntry"}).Get());
        host->recordNames();
    }
};

// A bill control over a FakeObject: BillStatus, CurBillID, TaskID, the field members a value read
// calls, and `extra` members defined first (so that the others' DISPIDs move with their number).
struct BillControl {
    DataService srv;
    ComPtr<FakeObject> fake = hostkit::newFake(L"BillCtl");
    ComPtr<TypedHost> host;
    ComPtr<hostkit::PyxDictionary> dct = hostkit::newDictionary(), fld = hostkit::newDictionary();

    explicit BillControl(long status = 2, int extra = 0) {
        for (int i = 0; i < extra; ++i) fake->returns(L"Spare" + std::to_wstring(i), Variant(-1L));
        fake->property(L"DataSrv", hostkit::objectValue(srv.host.Get()))
            .property(L"BillStatus", Variant(status))
            .property(L"CurBillID", Variant(7L))
            .property(L"TaskID", Variant(0L))
            .returns(L"GetFieldInfoByKey", dct.Get())
            .returns(L"GetDataFld", fld.Get());
        fld->set(L"FFLD", Variant(L"12.5"));
        host = TypedHost::make(fake.Get(), makeHostType(fake.Get(), {L"DataSrv", L"BillStatus", L"CurBillID",
                                                                     L"TaskID", L"GetFieldInfoByKey", L"GetDataFld"})
                                               .Get());
        host->recordNames();
    }
    ~BillControl() { fake->property(L"DataSrv"); }
};

Late billEventOn(BillControl& ctl) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ev.set(L"BillCtl", obj(ctl.host.Get()));
    return ev;
}

// A host object that resolves names dynamically (IDispatchEx), as script objects do, over a
// FakeObject whose members may be defined at any time. It may also expose a type (shared by
// several such objects) that does not list every name it resolves.
class DynamicHost final : public UncountedObject<IDispatchEx> {
public:
    static ComPtr<DynamicHost> make(IDispatch* inner, ITypeInfo* type = nullptr) {
        ComPtr<DynamicHost> p;
        *p.GetAddressOf() = new DynamicHost(inner, type);  // adopted (no AddRef)
        return p;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = type_ ? 1 : 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        *info = type_.Get();
        if (!type_) return DISP_E_BADINDEX;
        type_->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        ++asked_;
        return inner_->GetIDsOfNames(riid, names, count, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        return inner_->Invoke(id, riid, lcid, flags, params, result, excep, argErr);
    }
    STDMETHODIMP GetDispID(BSTR name, DWORD, DISPID* id) override {
        ++asked_;
        return inner_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, id);
    }
    STDMETHODIMP InvokeEx(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                          IServiceProvider*) override {
        return inner_->Invoke(id, IID_NULL, lcid, flags, params, result, excep, nullptr);
    }
    STDMETHODIMP DeleteMemberByName(BSTR, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP DeleteMemberByDispID(DISPID) override { return E_NOTIMPL; }
    STDMETHODIMP GetMemberProperties(DISPID, DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMemberName(DISPID, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetNextDispID(DWORD, DISPID, DISPID*) override { return S_FALSE; }
    STDMETHODIMP GetNameSpaceParent(IUnknown**) override { return E_NOTIMPL; }

    long asked() const noexcept { return asked_; }

private:
    DynamicHost(IDispatch* inner, ITypeInfo* type)
        : UncountedObject({__uuidof(IDispatchEx), kToolIid}), inner_(inner), type_(type) {}
    ComPtr<IDispatch> inner_;
    ComPtr<ITypeInfo> type_;
    long asked_ = 0;
};

long typeRefs(ITypeInfo* type) {
    type->AddRef();
    return long(type->Release());
}

// A toolbar control without bands whose tool collection holds `count` tools "Tool1".."ToolN"
// (ToolID 1..N).
// The collection and the tools answer through their types; all tools share one type, as the
// tools of a control do. `dynamic` tools resolve names themselves (IDispatchEx) and expose the
// shared type besides.
struct TypedToolbar {
    ComPtr<FakeObject> controlFake = hostkit::newFake(L"Toolbar"), listFake = hostkit::newFake(L"Tools"),
                       bandsFake = hostkit::newFake(L"Bands");
    std::vector<ComPtr<FakeObject>> toolFakes;
    std::vector<ComPtr<TypedHost>> tools;
    std::vector<ComPtr<DynamicHost>> dynamicTools;
    ComPtr<ITypeInfo> toolType;
    ComPtr<TypedHost> control, list, bands;

    explicit TypedToolbar(int count, bool dynamic = false) {
        for (int i = 1; i <= count; ++i) {
            auto f = hostkit::newFake(L"Tool" + std::to_wstring(i));
            f->property(L"ToolName", Variant((L"Tool" + std::to_wstring(i)).c_str())).property(L"ToolID", Variant(long(i)));
            toolFakes.push_back(f);
        }
        toolType = makeHostType(toolFakes[0].Get(), {L"ToolName", L"ToolID"});
        for (auto& f : toolFakes) {
            if (dynamic)
                dynamicTools.push_back(DynamicHost::make(f.Get(), toolType.Get()));
            else
                tools.push_back(TypedHost::make(f.Get(), toolType.Get(), {kToolIid}));
        }
        listFake->property(L"Count", Variant(short(count))).on(L"Item", [this](Invocation& call) {
            long i = asLong(call.value(0));
            IDispatch* tool = this->tools.empty() ? static_cast<IDispatch*>(dynamicTools.at(size_t(i)).Get())
                                                  : static_cast<IDispatch*>(this->tools.at(size_t(i)).Get());
            call.result = hostkit::objectValue(tool);
        });
        list = TypedHost::make(listFake.Get(), makeHostType(listFake.Get(), {L"Count", L"Item"}).Get(),
                               {kToolCollectionIid});
        bandsFake->property(L"Count", Variant(short(0)));
        bands = TypedHost::make(bandsFake.Get(), makeHostType(bandsFake.Get(), {L"Count"}).Get());
        controlFake->property(L"Tools", hostkit::objectValue(list.Get()))
            .property(L"Bands", hostkit::objectValue(bands.Get()));
        control = TypedHost::make(controlFake.Get(), makeHostType(controlFake.Get(), {L"Tools", L"Bands"}).Get());
        for (auto& t : tools) t->recordNames();
        list->recordNames();
    }
    ~TypedToolbar() {
        controlFake->property(L"Tools").property(L"Bands");
        listFake->on(L"Item", nullptr);
    }
    long questions(const wchar_t* name) const {
        long n = 0;
        for (auto& t : tools) n += t->askedFor(name);
        return n;
    }
};

}  // namespace

TEST_CASE(a_held_bill_control_is_asked_each_name_once) {
    BillControl ctl;
    {
        Late ev = billEventOn(ctl);
        for (int i = 0; i < 3; ++i) {
            CHECK_EQ(ev.number(L"BillStatus"), 2);
            CHECK_EQ(ev.number(L"CurBillID"), 7);
            ev.set(L"TaskID", Variant(long(10 + i)));
            CHECK_EQ(asText(ev.value(L"GetFieldValue", {str(L"FAmount")})), L"12.5");
        }
        // Every call reached the control.
        CHECK_EQ(ctl.fake->count(L"BillStatus"), size_t(3));
        CHECK_EQ(ctl.fake->count(L"GetFieldInfoByKey"), size_t(3));
        CHECK_EQ(asLong(ctl.fake->propertyValue(L"TaskID")), 12);
        for (const wchar_t* name : {L"BillStatus", L"CurBillID", L"TaskID", L"GetFieldInfoByKey", L"GetDataFld"})
            if (!CHECK_EQ(ctl.host->askedFor(name), 1)) std::printf("    (asked for %s)\n", narrow(name).c_str());
        // Bound again to the same control: still held, its names kept.
        ev.set(L"BillCtl", obj(ctl.host.Get()));
        // (Each binding reads DataSrv for the event object and its header and entry collections.)
        CHECK_EQ(ctl.fake->count(L"DataSrv"), size_t(6));
        CHECK_EQ(ctl.host->askedFor(L"DataSrv"), 1);
        // The data service the event object holds: each of its names once as well.
        CHECK_EQ(ctl.srv.host->askedFor(L"ClassType"), 1);
    }
    // Nothing of the host is held once the event object is gone.
    CHECK_EQ(ctl.host->refs(), 1);
    CHECK_EQ(ctl.srv.host->refs(), 2);  // ours and the control's DataSrv property
}

TEST_CASE(a_holder_keeps_the_names_of_its_own_object_only) {
    // BillStatus has another DISPID (and value) on each control.
    BillControl a(2), b(3, 4);
    auto status = [](orvi::com::HostPtr& holder, const wchar_t* name) {
        Variant v(orvi::com::get(holder, name).get());
        return V_VT(&v.get()) == VT_I4 ? V_I4(&v.get()) : -1L;
    };
    {
        orvi::com::HostPtr first(a.host.Get());
        CHECK_EQ(status(first, L"BillStatus"), 2);
        orvi::com::HostPtr copy(first);  // the same object: what `first` learnt comes along
        CHECK_EQ(status(copy, L"BillStatus"), 2);
        CHECK_EQ(a.host->askedFor(L"BillStatus"), 1);
        copy = b.host.Get();
        CHECK_EQ(status(copy, L"BillStatus"), 3);
        first = copy;
        CHECK_EQ(status(first, L"BillStatus"), 3);
        CHECK_EQ(b.host->askedFor(L"BillStatus"), 1);

        // A name in a buffer that is written again is known by its text, never by its address.
        wchar_t onStack[16] = L"BillStatus";
        static wchar_t inData[16] = L"BillStatus";
        for (wchar_t* buffer : {onStack, inData}) {
            wcscpy(buffer, L"BillStatus");
            CHECK_EQ(status(first, buffer), 3);
            wcscpy(buffer, L"CurBillID");
            CHECK_EQ(status(first, buffer), 7);
        }
    }
    CHECK_EQ(a.host->refs(), 1);
    CHECK_EQ(b.host->refs(), 1);
}

TEST_CASE(a_replaced_control_forgets_its_names) {
    BillControl a(2), b(3);
    Late ev = billEventOn(a);
    CHECK_EQ(ev.number(L"BillStatus"), 2);
    CHECK_EQ(ev.number(L"BillStatus"), 2);
    ev.set(L"BillCtl", obj(b.host.Get()));
    CHECK_EQ(ev.number(L"BillStatus"), 3);
    ev.set(L"BillCtl", obj(a.host.Get()));
    CHECK_EQ(ev.number(L"BillStatus"), 2);
    CHECK_EQ(a.host->askedFor(L"BillStatus"), 2);  // asked again after it was let go
    CHECK_EQ(b.host->askedFor(L"BillStatus"), 1);

    // A rebound list control of the bill list form, likewise.
    ComPtr<FakeObject> listFake = hostkit::newFake(L"List");
    DataService srv;
    listFake->property(L"DataSrv", hostkit::objectValue(srv.host.Get()))
        .property(L"EnableListFillRowEvents", Variant(true));
    ComPtr<ITypeInfo> listType = makeHostType(listFake.Get(), {L"DataSrv", L"EnableListFillRowEvents"});
    ComPtr<TypedHost> list1 = TypedHost::make(listFake.Get(), listType.Get()),
                      list2 = TypedHost::make(listFake.Get(), listType.Get());
    list1->recordNames();
    Late events = Late::create(L"OrviClassEvents.ListEvents");
    events.set(L"List", obj(list1.Get()));
    CHECK(events.flag(L"EnableListFillRowEvents"));
    CHECK(events.flag(L"EnableListFillRowEvents"));
    events.set(L"List", obj(list2.Get()));
    events.set(L"List", obj(list1.Get()));
    CHECK(events.flag(L"EnableListFillRowEvents"));
    CHECK_EQ(list1->askedFor(L"EnableListFillRowEvents"), 2);
    listFake->property(L"DataSrv");
}

TEST_CASE(a_new_object_where_a_released_one_was_is_asked_again) {
    // Each control gives BillStatus another DISPID and another value; controls come and go, so
    // later ones are likely to be made where earlier ones were. A DISPID kept past its object
    // would reach another member and read -1.
    for (int round = 0; round < 24; ++round) {
        BillControl ctl(100 + round, round % 6);
        Late ev = billEventOn(ctl);
        if (!CHECK_EQ(ev.number(L"BillStatus"), 100 + round)) std::printf("    (round %d)\n", round);
        CHECK_EQ(ctl.host->askedFor(L"BillStatus"), 1);
    }
}

TEST_CASE(apartments_on_two_threads_keep_their_names_apart) {
    // Each thread learns names without the other's lock; controls come and go on both at once,
    // each giving BillStatus another DISPID and value. A name one thread learnt for an object
    // must never answer for another object (its own or the other thread's).
    struct Run {
        int thread = 0;
        int wrong = 0, askedTwice = 0, failedCalls = 0;
        static DWORD WINAPI go(void* p) {
            Run& run = *static_cast<Run*>(p);
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            for (int round = 0; round < 40; ++round) {
                long status = 1000L * run.thread + round;
                BillControl ctl(status, (round + run.thread) % 6);
                Late ev = billEventOn(ctl);
                for (int i = 0; i < 3; ++i) {
                    Outcome o = ev.call(L"BillStatus");
                    if (!o.ok())
                        ++run.failedCalls;
                    else if (o.value.vt() != VT_I4 || V_I4(&o.value.get()) != status)
                        ++run.wrong;
                }
                if (ctl.host->askedFor(L"BillStatus") != 1) ++run.askedTwice;
            }
            CoUninitialize();
            return 0;
        }
    } runs[2];
    HANDLE threads[2];
    for (int t = 0; t < 2; ++t) {
        runs[t].thread = t + 1;
        threads[t] = CreateThread(nullptr, 0, &Run::go, &runs[t], 0, nullptr);
        REQUIRE(threads[t] != nullptr);
    }
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    for (int t = 0; t < 2; ++t) {
        CloseHandle(threads[t]);
        CHECK_EQ(runs[t].failedCalls, 0);
        CHECK_EQ(runs[t].wrong, 0);
        CHECK_EQ(runs[t].askedTwice, 0);
    }
}

TEST_CASE(a_missing_member_is_still_438_under_the_class_source_every_time) {
    BillControl ctl;
    Late ev = billEventOn(ctl);
    for (int i = 0; i < 2; ++i) {
        CHECK_ERROR(ev.call(L"LockBill"), kNoSuchMember, kBillEvent);
        CHECK_ERROR(ev.call(L"IsChange"), kNoSuchMember, kBillEvent);
    }
    // Never answered, so asked each time.
    CHECK_EQ(ctl.host->askedFor(L"LockBill"), 2);
    CHECK_EQ(ev.number(L"BillStatus"), 2);

    // On a tool the library does not hold, answering through its type.
    TypedToolbar bar(3);
    ev.call(L"FireBarInitialize", {obj(bar.control.Get())});
    Late tool = ev.object(L"MenuBar").object(L"VeskTools").object(L"Item", {Variant(1L)});
    CHECK_EQ(tool.text(L"ToolName"), L"Tool2");
    for (int i = 0; i < 2; ++i) CHECK_ERROR(tool.call(L"Tag"), kNoSuchMember, kVeskTool);
}

TEST_CASE(objects_that_resolve_names_dynamically_still_work) {
    // A held bill control that learns a member after the first call: no answer is kept for a
    // name it did not know.
    DataService srv;
    ComPtr<FakeObject> fake = hostkit::newFake(L"BillCtl");
    fake->property(L"DataSrv", hostkit::objectValue(srv.host.Get()));
    ComPtr<DynamicHost> ctl = DynamicHost::make(fake.Get());
    {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        ev.set(L"BillCtl", obj(ctl.Get()));
        CHECK_ERROR(ev.call(L"BillStatus"), kNoSuchMember, kBillEvent);
        fake->property(L"BillStatus", Variant(4L));
        CHECK_EQ(ev.number(L"BillStatus"), 4);
        CHECK_EQ(ev.number(L"BillStatus"), 4);
    }
    fake->property(L"DataSrv");

    // Tools the library does not hold that resolve names themselves, though they expose a type:
    // each is asked, and each answers for itself.
    TypedToolbar bar(4, true);
    bar.toolFakes[2]->property(L"Tag", Variant(77L));
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ev.call(L"FireBarInitialize", {obj(bar.control.Get())});
    Late tools = ev.object(L"MenuBar").object(L"VeskTools");
    CHECK_EQ(tools.number(L"GetFreeToolID"), 5);
    CHECK_EQ(tools.number(L"GetFreeToolID"), 5);
    CHECK_EQ(tools.object(L"Item", {Variant(3L)}).number(L"ToolID"), 4);
    CHECK_EQ(tools.object(L"Item", {Variant(2L)}).number(L"Tag"), 77);
    CHECK_ERROR(tools.object(L"Item", {Variant(1L)}).call(L"Tag"), kNoSuchMember, kVeskTool);
    for (auto& t : bar.dynamicTools) CHECK(t->asked() >= 2);  // ToolID on every walk
}

TEST_CASE(tools_that_share_a_type_are_asked_each_name_once) {
    TypedToolbar bar(6);
    long baseline = typeRefs(bar.toolType.Get());
    {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        ev.call(L"FireBarInitialize", {obj(bar.control.Get())});
        Late tools = ev.object(L"MenuBar").object(L"VeskTools");
        for (int i = 0; i < 3; ++i) {
            CHECK_EQ(tools.number(L"GetFreeToolID"), 7);
            CHECK_EQ(tools.object(L"Item", {Variant(5L)}).text(L"ToolName"), L"Tool6");
        }
        // Six tools walked three times: ToolID asked of the first tool only, once.
        CHECK_EQ(bar.questions(L"ToolID"), 1);
        CHECK_EQ(bar.questions(L"ToolName"), 1);
        CHECK_EQ(bar.list->askedFor(L"Item"), 1);
        CHECK_EQ(bar.list->askedFor(L"Count"), 1);
        for (auto& f : bar.toolFakes) CHECK_EQ(f->count(L"ToolID"), size_t(3));
    }
    // The type is let go with the last host object the library held.
    CHECK_EQ(typeRefs(bar.toolType.Get()), baseline);
    CHECK_EQ(bar.control->refs(), 1);
}

