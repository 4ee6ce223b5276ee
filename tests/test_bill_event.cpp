// The bill event object: creation, binding to a bill control, its properties, and release.
#include "BoundBill.h"
#include "Errors.h"
#include "Late.h"
#include "hostkit/SimBill.h"

using namespace testkit;
using hostkit::FakeObject;
using hostkit::Invocation;

namespace {

const wchar_t* const kSource = L"OrviClassEvents.BillEvent";

// A bill control and data service whose calls are written, in order, into one journal.
struct JournaledBill {
    hostkit::SampleBill bill = hostkit::buildSampleBill();
    ComPtr<FakeObject> ctl = hostkit::newFake(L"BillCtl");
    ComPtr<FakeObject> srv = hostkit::newFake(L"DataSrv");
    std::vector<std::wstring> journal;

    JournaledBill() {
        auto log = [this](const wchar_t* who, std::function<Variant()> value) {
            return [this, who, value](Invocation& inv) {
                journal.push_back(std::wstring(who) + L"." + inv.member);
                inv.result = value();
            };
        };
        ctl->on(L"DataSrv", log(L"BillCtl", [this] { return hostkit::objectValue(srv.Get()); }));
        srv->on(L"ClassType", log(L"DataSrv", [this] { return hostkit::objectValue(bill.classType.Get()); }));
        srv->on(L"TableInfo", log(L"DataSrv", [this] { return hostkit::objectValue(bill.tableInfo.Get()); }));
        srv->on(L"ClassTypeEntry", log(L"DataSrv", [this] { return hostkit::objectValue(bill.classTypeEntry.Get()); }));
    }
    ~JournaledBill() {
        // The handlers hold no references, but the fakes refer to each other through them.
        ctl->on(L"DataSrv", nullptr);
    }
};

// Forwards everything to a fake object and writes each Release into a journal.
class ReleaseSpy final : public IDispatch {
public:
    ReleaseSpy(IDispatch* inner, std::wstring name) : inner_(inner), name_(std::move(name)) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        // ADO's _Recordset too: the library keeps a recordset as the IDispatch it answers.
        static const IID recordset = {0x00000556, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != recordset) return *ppv = nullptr, E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = ULONG(--refs_);
        if (journal_) journal_->push_back(name_);
        if (!n) delete this;
        return n;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return inner_->GetTypeInfoCount(n); }
    STDMETHODIMP GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return inner_->GetTypeInfo(i, l, t); }
    STDMETHODIMP GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return inner_->GetIDsOfNames(r, n, c, l, d);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e, UINT* a) override {
        return inner_->Invoke(id, r, l, f, p, v, e, a);
    }
    void journalTo(std::vector<std::wstring>* journal) { journal_ = journal; }

private:
    ComPtr<IDispatch> inner_;
    std::wstring name_;
    std::vector<std::wstring>* journal_ = nullptr;
    long refs_ = 1;
};

}  // namespace

TEST_CASE(creation_state) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    Late heads = ev.object(L"BillHeads");
    Late entrys = ev.object(L"BillEntrys");
    CHECK((heads && entrys));
    CHECK(!sameObject(heads.get(), entrys.get()));
    CHECK(sameObject(heads.get(), ev.object(L"BillHeads").get()));
    for (const wchar_t* nothing : {L"MenuBar", L"ParentID", L"BillCtl", L"DataSrv", L"ClassType", L"TableInfo",
                                   L"ClassTypeEntry", L"MultiCheckMgr"}) {
        Variant v = ev.value(nothing);
        if (v.vt() != VT_DISPATCH || V_DISPATCH(&v.get()))
            fail(__FILE__, __LINE__, "%s is not Nothing: %s", narrow(nothing).c_str(), show(v.get()).c_str());
    }
    CHECK_EQ(ev.flag(L"ReSaveSuccess"), false);
    // QelLib is never Nothing, and the same object on every read.
    Late qel = ev.object(L"QelLib");
    CHECK(qel);
    CHECK(sameObject(qel.get(), ev.object(L"QelLib").get()));
}

TEST_CASE(members_that_need_the_bill_control_fail_before_binding) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    for (const wchar_t* name :
         {L"BillStatus", L"CurBillID", L"rsBillID", L"TaskID", L"RPSetPart", L"Data", L"PrimaryKey", L"EntryPrimaryKey",
          L"AccessoryTypeID", L"ShowType", L"ObjectID", L"ObjectType", L"ClassTypeKey", L"LayerNames", L"LayerCount",
          L"TableName", L"BillHeight", L"BillWidth", L"BillName", L"FID"}) {
        Outcome o = ev.call(name);
        if (!CHECK_ERROR(o, kObjectNotSet, kSource)) std::printf("    (reading %s)\n", narrow(name).c_str());
        CHECK_EQ(o.description, std::wstring(L"Object variable or With block variable not set"));
    }
    CHECK_ERROR(ev.put(L"TaskID", Variant(5L)), kObjectNotSet, kSource);
    CHECK_ERROR(ev.put(L"RPSetPart", Variant(true)), kObjectNotSet, kSource);
    CHECK_ERROR(ev.put(L"BillName", str(L"x")), kObjectNotSet, kSource);
}

TEST_CASE(binding_reads_the_control_then_the_data_service_in_order) {
    JournaledBill host;
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ev.set(L"BillCtl", obj(host.ctl.Get()));
    const std::vector<std::wstring> expected = {
        L"BillCtl.DataSrv", L"DataSrv.ClassType",      L"DataSrv.TableInfo", L"DataSrv.ClassTypeEntry",
        L"BillCtl.DataSrv", L"DataSrv.ClassTypeEntry",  // header pages
        L"BillCtl.DataSrv", L"DataSrv.ClassTypeEntry",  // entry grids
    };
    CHECK(host.journal == expected);
    CHECK(sameObject(asObject(ev.value(L"BillCtl")), host.ctl.Get()));
    CHECK(sameObject(asObject(ev.value(L"DataSrv")), host.srv.Get()));
    CHECK(sameObject(asObject(ev.value(L"ClassType")), host.bill.classType.Get()));
    CHECK(sameObject(asObject(ev.value(L"TableInfo")), host.bill.tableInfo.Get()));
    CHECK(sameObject(asObject(ev.value(L"ClassTypeEntry")), host.bill.classTypeEntry.Get()));
}

TEST_CASE(binding_accepts_every_argument_form) {
    auto bill = hostkit::buildSampleBill();
    IDispatch* ctl = bill.billCtl.Get();
    VARIANT holder;
    VariantInit(&holder);
    V_VT(&holder) = VT_DISPATCH;
    V_DISPATCH(&holder) = ctl;
    const Variant forms[] = {obj(ctl), ref(ctl), ref(holder)};
    for (const Variant& form : forms) {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        Outcome o = ev.put(L"BillCtl", form);
        CHECK_HR(o.hr, S_OK);
        CHECK_EQ(ev.number(L"FID"), 1001L);
    }
    // VB's "Set ev.BillCtl = ctl" (a put by reference) binds as well.
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    CHECK_HR(ev.putRef(L"BillCtl", obj(ctl)).hr, S_OK);
    CHECK_EQ(ev.number(L"FID"), 1001L);
    CHECK(V_DISPATCH(&holder) == ctl);  // the caller's variable is left as it was
}

TEST_CASE(binding_that_fails_midway_keeps_what_it_replaced) {
    auto first = hostkit::buildSampleBill();
    JournaledBill second;
    second.srv->fails(L"TableInfo", HRESULT(0x80040200), L"表信息不可用", L"HostDataService");
    Late ev = bindBill(first);
    Outcome o = ev.put(L"BillCtl", obj(second.ctl.Get()));
    CHECK_ERROR(o, 0x80040200, L"HostDataService");
    CHECK_EQ(o.description, std::wstring(L"表信息不可用"));
    CHECK(sameObject(asObject(ev.value(L"BillCtl")), second.ctl.Get()));
    CHECK(sameObject(asObject(ev.value(L"DataSrv")), second.srv.Get()));
    CHECK(sameObject(asObject(ev.value(L"ClassType")), second.bill.classType.Get()));
    CHECK(sameObject(asObject(ev.value(L"TableInfo")), first.tableInfo.Get()));
    CHECK(sameObject(asObject(ev.value(L"ClassTypeEntry")), first.classTypeEntry.Get()));
    // The steps after the failing one did not run.
    CHECK_EQ(second.srv->count(L"TableInfo"), size_t(1));
    CHECK_EQ(second.srv->count(L"ClassTypeEntry"), size_t(0));
    CHECK_EQ(second.journal.size(), size_t(2));
}

TEST_CASE(binding_rejects_containers_of_the_wrong_kind) {
    {
        JournaledBill host;
        host.srv->on(L"ClassType", [&](Invocation& inv) { inv.result = hostkit::objectValue(host.srv.Get()); });
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        CHECK_ERROR(ev.put(L"BillCtl", obj(host.ctl.Get())), kTypeMismatch, kSource);
        host.srv->on(L"ClassType", nullptr);
    }
    {
        JournaledBill host;
        host.srv->on(L"ClassTypeEntry", [&](Invocation& inv) { inv.result = hostkit::objectValue(host.bill.classType.Get()); });
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        CHECK_ERROR(ev.put(L"BillCtl", obj(host.ctl.Get())), kTypeMismatch, kSource);
    }
    {
        JournaledBill host;
        host.ctl->on(L"DataSrv", [](Invocation& inv) { inv.result = Variant(L"not an object"); });
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        CHECK_ERROR(ev.put(L"BillCtl", obj(host.ctl.Get())), kObjectRequired, kSource);
    }
    {
        // A control without the member the binding reads.
        auto other = hostkit::newFake(L"NotABillControl");
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        CHECK_ERROR(ev.put(L"BillCtl", obj(other.Get())), 0x800A01B6, kSource);
        // Nothing as the control.
        CHECK_ERROR(ev.put(L"BillCtl", obj(nullptr)), kObjectNotSet, kSource);
    }
}

TEST_CASE(rebinding_replaces_all_five_fields) {
    auto a = hostkit::buildSampleBill();
    auto b = hostkit::buildSampleBill();
    b.classType->set(L"FID", Variant(2002L));
    Late ev = bindBill(a);
    ev.set(L"BillCtl", obj(b.billCtl.Get()));
    CHECK_EQ(ev.number(L"FID"), 2002L);
    CHECK(sameObject(asObject(ev.value(L"BillCtl")), b.billCtl.Get()));
    CHECK(sameObject(asObject(ev.value(L"DataSrv")), b.dataSrv.Get()));
    CHECK(sameObject(asObject(ev.value(L"TableInfo")), b.tableInfo.Get()));
    CHECK(sameObject(asObject(ev.value(L"ClassTypeEntry")), b.classTypeEntry.Get()));
    // The first bill is no longer referenced by the event object.
    ULONG before = a.billCtl->refCount();
    ev = Late();
    CHECK_EQ(a.billCtl->refCount(), before);
}

TEST_CASE(template_properties) {
    auto bill = hostkit::buildSampleBill();
    Late ev = bindBill(bill);
    CHECK_EQ(ev.number(L"FID"), 1001L);
    CHECK_EQ(ev.text(L"BillName"), std::wstring(L"销售订单"));
    CHECK_EQ(ev.text(L"PrimaryKey"), std::wstring(L"FInterID"));
    CHECK_EQ(ev.text(L"EntryPrimaryKey"), std::wstring(L"FEntryID"));
    CHECK_EQ(ev.number(L"AccessoryTypeID"), 3L);
    CHECK_EQ(ev.number(L"ObjectID"), 81L);
    CHECK_EQ(ev.number(L"ObjectType"), 2L);
    CHECK_EQ(ev.text(L"ClassTypeKey"), std::wstring(L"SEOrder"));
    CHECK_EQ(ev.text(L"LayerNames"), std::wstring(L"基本信息|其他"));
    CHECK_EQ(ev.text(L"TableName"), std::wstring(L"t_SEOrder"));
    // Declared types: Integer properties come back as VT_I2, Long ones as VT_I4, texts as VT_BSTR.
    struct Typed {
        const wchar_t* name;
        VARTYPE vt;
        long value;
    };
    for (const Typed& t : {Typed{L"ShowType", VT_I2, 1}, Typed{L"LayerCount", VT_I2, 2}, Typed{L"BillHeight", VT_I2, 6000},
                           Typed{L"BillWidth", VT_I2, 9600}, Typed{L"FID", VT_I4, 1001}}) {
        Variant v = ev.value(t.name);
        CHECK_EQ(int(v.vt()), int(t.vt));
        CHECK_EQ(asLong(v), t.value);
    }

    // Values are converted the usual way; a missing key reads as 0 or "".
    bill.classType->set(L"FBillHeight", Variant(L" 7200 "));
    bill.classType->set(L"FID", Variant(12.5));
    bill.classType->RemoveAll();
    bill.classType->set(L"FShowType", Variant(L"3"));
    CHECK_EQ(ev.number(L"ShowType"), 3L);
    CHECK_EQ(ev.number(L"FID"), 0L);
    CHECK_EQ(ev.text(L"TableName"), std::wstring(L""));
    bill.classType->set(L"fbillheight", Variant(L"40000"));  // keys match without regard to case
    CHECK_ERROR(ev.call(L"BillHeight"), 0x800A0006, kSource);
    bill.classType->set(L"FLayerCount", Variant(L"two"));
    CHECK_ERROR(ev.call(L"LayerCount"), kTypeMismatch, kSource);
}

TEST_CASE(properties_forwarded_to_the_bill_control) {
    auto bill = hostkit::buildSampleBill();
    Late ev = bindBill(bill);
    bill.billCtl->property(L"BillStatus", Variant(2L));
    CHECK_EQ(ev.number(L"BillStatus"), 2L);
    CHECK_EQ(ev.number(L"CurBillID"), 5001L);
    auto rs = hostkit::newFake(L"Recordset");
    bill.billCtl->property(L"rsBillID", hostkit::objectValue(rs.Get()));
    CHECK(sameObject(asObject(ev.value(L"rsBillID")), rs.Get()));

    ev.set(L"TaskID", Variant(short(42)));
    const hostkit::RecordedCall* put = bill.billCtl->last(L"TaskID");
    REQUIRE((put && put->args.size() == 1));
    CHECK((put->flags & DISPATCH_PROPERTYPUT));
    CHECK_EQ(int(put->args[0].vt), int(VT_I4));
    CHECK_EQ(ev.number(L"TaskID"), 42L);

    // The part switch is read as bRPSetPart and written as RPSetPart.
    bill.billCtl->clearCalls();
    CHECK_EQ(ev.flag(L"RPSetPart"), false);
    ev.set(L"RPSetPart", Variant(true));
    CHECK_EQ(bill.billCtl->count(L"bRPSetPart"), size_t(1));
    const hostkit::RecordedCall* set = bill.billCtl->last(L"RPSetPart");
    REQUIRE((set && set->args.size() == 1));
    CHECK((set->flags & DISPATCH_PROPERTYPUT));
    CHECK_EQ(int(set->args[0].vt), int(VT_BOOL));
    CHECK_EQ(ev.flag(L"RPSetPart"), true);

    bill.billCtl->property(L"BillStatus", Variant(L"open"));
    CHECK_ERROR(ev.call(L"BillStatus"), kTypeMismatch, kSource);
    // A host failure comes through with the host's own number, description and source.
    bill.billCtl->fails(L"CurBillID", HRESULT(0x80041000), L"单据未保存", L"BillControl");
    Outcome o = ev.call(L"CurBillID");
    CHECK_ERROR(o, 0x80041000, L"BillControl");
    CHECK_EQ(o.description, std::wstring(L"单据未保存"));
}

TEST_CASE(data_is_read_from_the_control_on_every_call) {
    auto bill = hostkit::buildSampleBill();
    Late ev = bindBill(bill);
    bill.billCtl->on(L"Data", [](Invocation& inv) {
        inv.result = hostkit::objectValue(hostkit::newDictionary().Get());
    });
    Variant first = ev.value(L"Data");
    Variant second = ev.value(L"Data");
    CHECK(!sameObject(asObject(first), asObject(second)));
    CHECK_EQ(bill.billCtl->count(L"Data"), size_t(2));
    // A Data that is not a Dictionary is a type mismatch; Nothing stays Nothing.
    bill.billCtl->on(L"Data", [](Invocation& inv) { inv.result = hostkit::objectValue(hostkit::newVector().Get()); });
    CHECK_ERROR(ev.call(L"Data"), kTypeMismatch, kSource);
    bill.billCtl->on(L"Data", [](Invocation& inv) { inv.result = Variant(static_cast<IDispatch*>(nullptr)); });
    Variant nothing = ev.value(L"Data");
    CHECK((nothing.vt() == VT_DISPATCH && !V_DISPATCH(&nothing.get())));
    bill.billCtl->on(L"Data", nullptr);
}

TEST_CASE(bill_name_is_stored_then_shown) {
    auto bill = hostkit::buildSampleBill();
    Late ev = bindBill(bill);
    std::vector<std::wstring> seen;
    bill.billCtl->on(L"SetBillName", [&](Invocation& inv) {
        CHECK_EQ(inv.count(), size_t(0));
        seen.push_back(asText(Variant(*bill.classType->find(L"FName"))));
    });
    ev.set(L"BillName", str(L"采购订单"));
    ev.set(L"BillName", str(L""));
    CHECK(seen == std::vector<std::wstring>({L"采购订单", L""}));
    CHECK_EQ(ev.text(L"BillName"), std::wstring(L""));
    bill.billCtl->on(L"SetBillName", nullptr);
}

TEST_CASE(stored_fields) {
    auto mgr = hostkit::newFake(L"MultiCheckMgr");
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ev.setRef(L"MultiCheckMgr", obj(mgr.Get()));
    CHECK(sameObject(asObject(ev.value(L"MultiCheckMgr")), mgr.Get()));
    CHECK_EQ(mgr->count(L"anything"), size_t(0));  // held, never called
    ev.setRef(L"MultiCheckMgr", obj(nullptr));
    CHECK(!asObject(ev.value(L"MultiCheckMgr")));
    ev.set(L"ReSaveSuccess", Variant(true));
    CHECK_EQ(ev.flag(L"ReSaveSuccess"), true);
    ev.set(L"ReSaveSuccess", Variant(0L));
    CHECK_EQ(ev.flag(L"ReSaveSuccess"), false);
}

namespace {

// The names of the host objects an event object of `progId` releases, in order, when its last
// reference goes. `bind` hands it the control (a spy named `ctlName` over a fake whose DataSrv is
// a spy too) and a check manager (a spy); each spy must be released completely afterwards.
std::vector<std::wstring> releaseJournal(const wchar_t* progId, const wchar_t* ctlName,
                                         void (*bind)(const Late& ev, const Variant& ctl, const Variant& mgr)) {
    std::vector<std::wstring> journal;
    JournaledBill host;
    auto mgrFake = hostkit::newFake(L"Mgr");
    auto* ctl = new ReleaseSpy(host.ctl.Get(), ctlName);
    auto* srv = new ReleaseSpy(host.srv.Get(), L"DataSrv");
    auto* mgr = new ReleaseSpy(mgrFake.Get(), L"MultiCheckMgr");
    host.ctl->on(L"DataSrv", [srv](Invocation& inv) { inv.result = Variant(static_cast<IDispatch*>(srv)); });
    {
        Late ev = Late::create(progId);
        bind(ev, obj(ctl), obj(mgr));
        for (ReleaseSpy* s : {ctl, srv, mgr}) s->journalTo(&journal);
    }
    for (ReleaseSpy* s : {ctl, srv, mgr}) s->journalTo(nullptr);
    for (ReleaseSpy* s : {ctl, srv, mgr}) CHECK_EQ(s->Release(), 0ul);
    return journal;
}

}  // namespace

TEST_CASE(release_order_on_the_last_reference) {
    // The header and entry collections go first (each held the control), then the fields in
    // their fixed order: ... DataSrv, BillCtl, MultiCheckMgr.
    const std::vector<std::wstring> expected = {L"BillCtl", L"BillCtl", L"DataSrv", L"BillCtl", L"MultiCheckMgr"};
    CHECK(releaseJournal(L"OrviClassEvents.BillEvent", L"BillCtl",
                         [](const Late& ev, const Variant& ctl, const Variant& mgr) {
                             ev.set(L"BillCtl", ctl);
                             ev.setRef(L"MultiCheckMgr", mgr);
                         }) == expected);
}

// The list forms' event objects release in the same order as the bill's: what was read from an
// object before the object, the check manager last.
TEST_CASE(list_events_release_order_on_the_last_reference) {
    const std::vector<std::wstring> expected = {L"DataSrv", L"List", L"MultiCheckMgr"};
    CHECK(releaseJournal(L"OrviClassEvents.ListEvents", L"List",
                         [](const Late& ev, const Variant& ctl, const Variant& mgr) {
                             ev.setRef(L"MultiCheckMgr", mgr);
                             ev.set(L"List", ctl);
                         }) == expected);
}

TEST_CASE(base_class_event_release_order_on_the_last_reference) {
    std::vector<std::wstring> journal;
    std::vector<ReleaseSpy*> spies;
    std::vector<ComPtr<FakeObject>> fakes;
    auto spy = [&](const wchar_t* name) {
        fakes.push_back(hostkit::newFake(name));
        spies.push_back(new ReleaseSpy(fakes.back().Get(), name));
        return spies.back();
    };
    {
        Late ev = Late::create(L"OrviClassEvents.BaseClassEvent");
        // Assigned in an order unlike the release order.
        ev.setRef(L"DataSrv", obj(spy(L"DataSrv")));
        ev.set(L"BrowseCtl", obj(spy(L"BrowseCtl")));
        ev.setRef(L"RsItem", obj(spy(L"RsItem")));
        ev.setRef(L"ListActiveBar", obj(spy(L"ListActiveBar")));
        ev.setRef(L"RsClassGroup", obj(spy(L"RsClassGroup")));
        ev.setRef(L"RsId", obj(spy(L"RsId")));
        for (ReleaseSpy* s : spies) s->journalTo(&journal);
    }
    for (ReleaseSpy* s : spies) s->journalTo(nullptr);
    const std::vector<std::wstring> expected = {L"DataSrv", L"RsClassGroup", L"RsId", L"RsItem", L"ListActiveBar",
                                                L"BrowseCtl"};
    CHECK(journal == expected);
    for (ReleaseSpy* s : spies) CHECK_EQ(s->Release(), 0ul);
}
