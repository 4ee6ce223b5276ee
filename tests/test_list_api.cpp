// The list event object's binding and list API over the simulated bill list form: what it reads
// when the list control and the data service are assigned, field data by descriptor and by key,
// the modified-flag rules of the updates, and each member's host call and error policy.
#include "BoundBill.h"
#include "Errors.h"
#include "Late.h"
#include "OrviClassEvents.h"
#include "hostkit/SimList.h"

using namespace testkit;
using hostkit::RecordedCall;

namespace {

constexpr HRESULT kHostError = HRESULT(0x80040777);

struct BoundList {
    hostkit::SampleList list = hostkit::buildSampleList();
    Late ev = Late::create(L"OrviClassEvents.ListEvents");
    explicit BoundList(bool withData = true) {
        ev.set(L"List", obj(list.listCtl.Get()));
        if (withData) ev.setRef(L"Data", obj(list.bill.data.Get()));
        list.listCtl->clearCalls();
    }
    Late descriptor(const wchar_t* name) const { return descriptorOf(list.bill, name); }
    Late data(long page, const wchar_t* name, long row = 0) const { return fieldDataOf(list.bill, page, name, row); }
    const RecordedCall* last(const wchar_t* member) { return list.listCtl->last(member); }
};

Variant item(const Late& d, const wchar_t* key) {
    return d.value(L"Item", {str(key)});
}
void setItem(const Late& d, const wchar_t* key, const Variant& value) {
    CHECK(d.invoke(L"Item", DISPATCH_PROPERTYPUT, {str(key), value}).ok());
}
bool isNothing(const Variant& v) {
    return v.vt() == VT_DISPATCH && !V_DISPATCH(&v.get());
}

}  // namespace

// ---------------------------------------------------------------- binding

TEST_CASE(list_binding_reads_the_data_service_and_its_templates_in_order) {
    hostkit::SampleList list = hostkit::buildSampleList();
    Late ev = Late::create(L"OrviClassEvents.ListEvents");
    ev.set(L"List", obj(list.listCtl.Get()));
    CHECK(sameObject(asObject(ev.value(L"List")), list.listCtl.Get()));
    CHECK(sameObject(asObject(ev.value(L"DataSrv")), list.bill.dataSrv.Get()));
    CHECK_EQ(list.listCtl->count(L"DataSrv"), size_t(1));
    std::vector<std::wstring> reads;
    for (const RecordedCall& c : list.bill.dataSrv->calls()) reads.push_back(c.member);
    CHECK(reads == std::vector<std::wstring>({L"ClassType", L"TableInfo", L"ClassTypeEntry"}));
    // Assigning a data service directly reads the three again, from it.
    list.bill.dataSrv->clearCalls();
    ev.setRef(L"DataSrv", obj(list.bill.dataSrv.Get()));
    CHECK_EQ(list.bill.dataSrv->calls().size(), size_t(3));
    CHECK_EQ(list.listCtl->count(L"DataSrv"), size_t(1));
}

TEST_CASE(a_failing_template_read_reaches_the_host_and_keeps_what_was_stored) {
    hostkit::SampleList list = hostkit::buildSampleList();
    list.bill.dataSrv->fails(L"TableInfo", kHostError, L"模板不可用", L"Host.DataSrv", L"host.chm", 12);
    Late ev = Late::create(L"OrviClassEvents.ListEvents");
    Outcome o = ev.put(L"List", obj(list.listCtl.Get()));
    // Passed through unchanged: number, description, source and the host's help topic.
    CHECK_ERROR(o, kHostError, L"Host.DataSrv");
    CHECK_EQ(o.description, std::wstring(L"模板不可用"));
    CHECK_EQ(o.helpFile, std::wstring(L"host.chm"));
    CHECK_EQ(o.helpContext, DWORD(12));
    CHECK(sameObject(asObject(ev.value(L"List")), list.listCtl.Get()));
    CHECK(sameObject(asObject(ev.value(L"DataSrv")), list.bill.dataSrv.Get()));
    // ClassTypeEntry was never read.
    CHECK_EQ(list.bill.dataSrv->count(L"ClassTypeEntry"), size_t(0));
    // A data service of Nothing is stored, then cannot be read.
    CHECK_ERROR(ev.putRef(L"DataSrv", obj(nullptr)), kObjectNotSet, L"");
    CHECK(asObject(ev.value(L"DataSrv")) == nullptr);
}

TEST_CASE(data_that_is_no_dictionary_is_a_type_mismatch_and_keeps_the_data_before) {
    BoundList b;
    auto notADictionary = hostkit::newFake(L"NotADictionary");
    CHECK_ERROR(b.ev.putRef(L"Data", obj(notADictionary.Get())), kTypeMismatch, L"");
    // The data assigned before still answers the lookups.
    Late fld(asObject(b.ev.value(L"GetDataFld", {obj(b.descriptor(L"F1").get())})));
    CHECK(sameObject(fld.get(), b.data(1, L"F1").get()));
    // Data has no get.
    CHECK(!b.ev.call(L"Data").ok());
}

TEST_CASE(list_properties_the_object_holds_or_forwards) {
    BoundList b;
    CHECK(isNothing(b.ev.value(L"LedgerProperty")));
    Late lib = b.ev.object(L"QelLib");
    CHECK(sameObject(lib.get(), asObject(b.ev.value(L"QelLib"))));
    auto manager = hostkit::newFake(L"MultiCheckMgr");
    b.ev.setRef(L"MultiCheckMgr", obj(manager.Get()));
    CHECK(sameObject(asObject(b.ev.value(L"MultiCheckMgr")), manager.Get()));
    // EnableListFillRowEvents is the list control's switch.
    CHECK(b.ev.flag(L"EnableListFillRowEvents"));
    b.ev.set(L"EnableListFillRowEvents", Variant(false));
    const RecordedCall* put = b.last(L"EnableListFillRowEvents");
    REQUIRE(put != nullptr);
    CHECK_EQ(int(put->args.back().vt), int(VT_BOOL));
    CHECK(!asBool(b.list.listCtl->propertyValue(L"EnableListFillRowEvents")));
    CHECK(!b.ev.flag(L"EnableListFillRowEvents"));
    // RsId is the control's recordset, as an ADO Recordset.
    CHECK(sameObject(asObject(b.ev.value(L"RsId")), b.list.rsId.Get()));
    b.list.listCtl->property(L"RsId", hostkit::objectValue(hostkit::newFake(L"NotARecordset").Get()));
    CHECK_ERROR(b.ev.call(L"RsId"), kTypeMismatch, L"");
}

TEST_CASE(list_members_without_a_list_control) {
    Late ev = Late::create(L"OrviClassEvents.ListEvents");
    CHECK(asObject(ev.value(L"List")) == nullptr);
    CHECK_ERROR(ev.call(L"RsId"), kObjectNotSet, L"");
    CHECK_ERROR(ev.call(L"GetCurrentSelRowInfo"), kObjectNotSet, L"");
    CHECK_ERROR(ev.call(L"LoadSelectedBill", {Variant(1L)}), kObjectNotSet, L"");
    CHECK_ERROR(ev.call(L"EnableListFillRowEvents"), kObjectNotSet, L"");
    // The members that drop failures.
    Outcome bar = ev.call(L"SetBarStatus", {str(L"Band"), str(L"Enabled"), Variant(true)});
    CHECK_HR(bar.hr, S_OK);
    CHECK_EQ(int(bar.value.vt()), int(VT_EMPTY));
    Outcome bills = ev.call(L"GetSelectedBillInfo");
    CHECK_HR(bills.hr, S_OK);
    CHECK(isNothing(bills.value));
    CHECK_HR(ev.call(L"UpdateNormalFldByKey", {str(L"FQty"), str(L"1")}).hr, S_OK);
    // Putting Nothing as the list control stores it, then its data service cannot be read.
    CHECK_ERROR(ev.put(L"List", obj(nullptr)), kObjectNotSet, L"");
}

// ---------------------------------------------------------------- field data

TEST_CASE(field_data_on_header_row_and_one_record_pages) {
    BoundList b;
    // Header: the row is not used.
    Late header(asObject(b.ev.value(L"GetDataFld", {obj(b.descriptor(L"F1").get()), Variant(7L)})));
    CHECK(sameObject(header.get(), b.data(1, L"F1").get()));
    CHECK_EQ(asText(item(header, L"FFLD")), std::wstring(L"SO-0001"));
    // A page of rows (FEntryType 1): row first, then the name from "Map".
    Late qty(asObject(b.ev.value(L"GetDataFld", {obj(b.descriptor(L"E2").get()), Variant(1L)})));
    CHECK(sameObject(qty.get(), b.data(2, L"E2", 1).get()));
    // A grid of one record (FEntryType 0) ignores the row.
    Late terms(asObject(b.ev.value(L"GetDataFld", {obj(b.descriptor(L"T1").get()), Variant(3L)})));
    CHECK(sameObject(terms.get(), b.data(5, L"T1").get()));
    // By key, through the descriptor "Map" names.
    Late byKey(asObject(b.ev.value(L"GetDataFldbyKey", {str(L"FQty"), Variant(1L)})));
    CHECK(sameObject(byKey.get(), qty.get()));
    // A row the page does not have is the host container's error, passed on.
    CHECK(!b.ev.call(L"GetDataFld", {obj(b.descriptor(L"E2").get()), Variant(9L)}).ok());
    // The default row (-1) on a page of rows is no row of it either.
    CHECK(!b.ev.call(L"GetDataFld", {obj(b.descriptor(L"E2").get())}).ok());
}

TEST_CASE(a_key_that_map_does_not_know_gives_nothing_without_touching_the_data) {
    // No Data assigned: any access to it would fail with error 91.
    BoundList b(false);
    auto dct = hostkit::newDictionary();
    dct->set(L"Fkey", Variant(L"FNoSuchField"));
    dct->set(L"FPage", Variant(1L));
    Outcome o = b.ev.call(L"GetDataFld", {obj(dct.Get())});
    CHECK_HR(o.hr, S_OK);
    CHECK(isNothing(o.value));
    // Known key, no data: the data access fails.
    CHECK_ERROR(b.ev.call(L"GetDataFld", {obj(b.descriptor(L"F1").get())}), kObjectNotSet, L"");
    // By key: an unknown or empty key leaves no descriptor for the lookup, error 91.
    BoundList withData;
    CHECK_ERROR(withData.ev.call(L"GetDataFldbyKey", {str(L"FNoSuchField")}), kObjectNotSet, L"");
    CHECK_ERROR(withData.ev.call(L"GetDataFldbyKey", {str(L"")}), kObjectNotSet, L"");
    // Keys of "Map" are matched as the host's dictionary matches them (without regard to case).
    CHECK(!isNothing(withData.ev.value(L"GetDataFldbyKey", {str(L"fbillno")})));
}

TEST_CASE(a_descriptor_that_is_no_dictionary_is_a_type_mismatch) {
    BoundList b;
    auto fake = hostkit::newFake(L"NotADescriptor");
    CHECK_ERROR(b.ev.call(L"GetDataFld", {obj(fake.Get())}), kTypeMismatch, L"");
    CHECK_ERROR(b.ev.call(L"GetDataFld", {obj(nullptr)}), kObjectNotSet, L"");
}

// ---------------------------------------------------------------- updates

TEST_CASE(update_by_key_puts_the_modified_flag_back_unless_asked) {
    BoundList b;
    Late qty = b.data(2, L"E2", 1);
    setItem(qty, L"FMODIFY", Variant(short(0)));
    Outcome o = b.ev.call(L"UpdateNormalFldByKey", {str(L"FQty"), str(L"12.5"), Variant(1L)});
    CHECK_HR(o.hr, S_OK);
    CHECK(isNothing(o.value));
    CHECK_EQ(asText(item(qty, L"FFLD")), std::wstring(L"12.5"));
    Variant flag = item(qty, L"FModify");
    CHECK_EQ(int(flag.vt()), int(VT_I4));  // the saved flag goes back as a Long
    CHECK_EQ(asLong(flag), 0L);
    // Asked for the update's flag: it stays as the update set it.
    CHECK_HR(b.ev.call(L"UpdateNormalFldByKey", {str(L"FQty"), str(L"14"), Variant(1L), Variant(true)}).hr, S_OK);
    CHECK_EQ(asText(item(qty, L"FFLD")), std::wstring(L"14"));
    CHECK_EQ(asLong(item(qty, L"FMODIFY")), 1L);
    // The saved flag is the leading number of its text; none gives 0.
    setItem(qty, L"FMODIFY", str(L" 3 rows"));
    CHECK_HR(b.ev.call(L"UpdateNormalFldByKey", {str(L"FQty"), str(L"15"), Variant(1L)}).hr, S_OK);
    CHECK_EQ(asLong(item(qty, L"FMODIFY")), 3L);
    setItem(qty, L"FMODIFY", str(L"yes"));
    CHECK_HR(b.ev.call(L"UpdateNormalFldByKey", {str(L"FQty"), str(L"16"), Variant(1L)}).hr, S_OK);
    CHECK_EQ(asLong(item(qty, L"FMODIFY")), 0L);
    // An unchanged number leaves the field alone, and the flag as it was.
    setItem(qty, L"FMODIFY", Variant(short(0)));
    CHECK_HR(b.ev.call(L"UpdateNormalFldByKey", {str(L"FQty"), str(L" 16.0"), Variant(1L), Variant(true)}).hr, S_OK);
    CHECK_EQ(asText(item(qty, L"FFLD")), std::wstring(L"16"));
    CHECK_EQ(asLong(item(qty, L"FMODIFY")), 0L);
}

TEST_CASE(update_normal_fld_stores_by_column_type_and_never_fails) {
    BoundList b;
    Late explanation = b.data(1, L"F7");
    Outcome o = b.ev.call(L"UpdateNormalFld", {obj(b.descriptor(L"F7").get()), str(L"Don't wait"), Variant(0L),
                                               Variant(false)});
    CHECK_HR(o.hr, S_OK);
    CHECK(isNothing(o.value));
    // Text columns lose their single quotes; the flag is set whatever bSetModifyFlag says.
    CHECK_EQ(asText(item(explanation, L"FFLD")), std::wstring(L"Dont wait"));
    CHECK_EQ(asLong(item(explanation, L"FMODIFY")), 1L);
    // A date column with a text that is no date: the routine's type mismatch is dropped.
    Late date = b.data(1, L"F2");
    CHECK_HR(b.ev.call(L"UpdateNormalFld", {obj(b.descriptor(L"F2").get()), str(L"tomorrow")}).hr, S_OK);
    CHECK_EQ(asText(item(date, L"FFLD")), std::wstring(L"2026-12-01"));
    // No descriptor, a descriptor of another kind, a row that does not exist: nothing happens.
    auto fake = hostkit::newFake(L"NotADescriptor");
    CHECK_HR(b.ev.call(L"UpdateNormalFld", {obj(nullptr), str(L"x")}).hr, S_OK);
    CHECK_HR(b.ev.call(L"UpdateNormalFld", {obj(fake.Get()), str(L"x")}).hr, S_OK);
    CHECK_HR(b.ev.call(L"UpdateNormalFld", {obj(b.descriptor(L"E2").get()), str(L"5"), Variant(9L)}).hr, S_OK);
    CHECK_HR(b.ev.call(L"UpdateNormalFldByKey", {str(L"FNoSuchField"), str(L"5")}).hr, S_OK);
}

// ---------------------------------------------------------------- the list API

TEST_CASE(set_bar_status_passes_a_copy_of_value_and_drops_failures) {
    BoundList b;
    long value = 5;
    CHECK_HR(b.ev.call(L"SetBarStatus", {str(L"Standard"), str(L"Visible"), ref(value)}).hr, S_OK);
    const RecordedCall* c = b.last(L"SetBarStatus");
    REQUIRE((c != nullptr && c->args.size() == 3));
    CHECK_EQ(int(c->arg(0).vt), int(VT_BYREF | VT_BSTR));
    CHECK_EQ(asText(c->arg(0).value), std::wstring(L"Standard"));
    CHECK_EQ(int(c->arg(1).vt), int(VT_BYREF | VT_BSTR));
    CHECK_EQ(int(c->arg(2).vt), int(VT_I4));  // the value itself, not the caller's variable
    CHECK_EQ(asLong(c->arg(2).value), 5L);
    b.list.listCtl->fails(L"SetBarStatus", kHostError, L"no band", L"Host.List");
    Outcome o = b.ev.call(L"SetBarStatus", {str(L"Standard"), str(L"Visible"), Variant(true)});
    CHECK_HR(o.hr, S_OK);
    CHECK_EQ(int(o.value.vt()), int(VT_EMPTY));
}

TEST_CASE(selected_rows_and_bills) {
    BoundList b;
    Late row(asObject(b.ev.value(L"GetCurrentSelRowInfo")));
    CHECK_EQ(asText(item(row, L"FBillNo")), std::wstring(L"SO-0001"));
    CHECK_EQ(asLong(item(row, L"Row")), 1L);
    Late bills(asObject(b.ev.value(L"GetSelectedBillInfo")));
    CHECK_EQ(bills.number(L"Count"), 1L);
    hostkit::selectRows(b.list, {3, 1});
    bills = Late(asObject(b.ev.value(L"GetSelectedBillInfo")));
    REQUIRE(bills.number(L"Count") == 2);
    CHECK_EQ(asLong(item(Late(asObject(bills.value(L"Item", {Variant(1L)}))), L"FInterID")), 5001L);
    CHECK_EQ(asLong(item(Late(asObject(bills.value(L"Item", {Variant(2L)}))), L"FInterID")), 5003L);
    // Failures of GetSelectedBillInfo are dropped: Nothing, also for an answer that is no Vector.
    b.list.listCtl->returns(L"GetSelectedBillInfo", hostkit::objectValue(hostkit::newDictionary().Get()));
    Outcome wrongKind = b.ev.call(L"GetSelectedBillInfo");
    CHECK_HR(wrongKind.hr, S_OK);
    CHECK(isNothing(wrongKind.value));
    b.list.listCtl->fails(L"GetSelectedBillInfo", kHostError, L"busy", L"Host.List");
    CHECK(isNothing(b.ev.value(L"GetSelectedBillInfo")));
    // GetCurrentSelRowInfo lets the host's failure through, help topic included.
    b.list.listCtl->fails(L"GetCurrentSelRowInfo", kHostError, L"无选中行", L"Host.List", L"list.chm", 4);
    Outcome o = b.ev.call(L"GetCurrentSelRowInfo");
    CHECK_ERROR(o, kHostError, L"Host.List");
    CHECK_EQ(o.description, std::wstring(L"无选中行"));
    CHECK_EQ(o.helpFile, std::wstring(L"list.chm"));
}

TEST_CASE(load_selected_bill_passes_the_status_by_reference) {
    BoundList b;
    CHECK(b.ev.flag(L"LoadSelectedBill", {Variant(3L)}));
    const RecordedCall* c = b.last(L"LoadSelectedBill");
    REQUIRE((c != nullptr && c->args.size() == 1));
    CHECK_EQ(int(c->arg(0).vt), int(VT_BYREF | VT_I4));
    CHECK_EQ(asLong(c->arg(0).value), 3L);
    CHECK_EQ(asLong(b.list.listCtl->propertyValue(L"LoadedBill")), 5001L);
    hostkit::selectRows(b.list, {});
    CHECK(!b.ev.flag(L"LoadSelectedBill", {Variant(1L)}));
    // A host answer converted to Boolean; one that cannot be is the conversion's error.
    b.list.listCtl->returns(L"LoadSelectedBill", Variant(L"maybe"));
    CHECK_ERROR(b.ev.call(L"LoadSelectedBill", {Variant(1L)}), kTypeMismatch, L"");
    b.list.listCtl->fails(L"LoadSelectedBill", kHostError, L"locked", L"Host.List");
    CHECK_ERROR(b.ev.call(L"LoadSelectedBill", {Variant(1L)}), kHostError, L"Host.List");
}
