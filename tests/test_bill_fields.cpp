// Field values through the bill event object: descriptors and field data by key, reads by value
// type, writes on plain, lookup and list-box fields, the update routine per column type, and
// every error with its number, description and source.
#include "BoundBill.h"
#include "Errors.h"
#include "Late.h"
#include "hostkit/SimBill.h"
#include "test_session_support.h"

using namespace testkit;
using hostkit::RecordedCall;

namespace {

const wchar_t* const kSource = L"OrviClassEvents.BillEvent";
constexpr HRESULT kHostError = HRESULT(0x80040555);

struct Bound : BoundBill {
    Variant shown(const wchar_t* fkey, long row = -1) { return hostkit::shownText(bill, fkey, row); }
};

Variant item(Late& d, const wchar_t* key) {
    return d.value(L"Item", {str(key)});
}
void setItem(Late& d, const wchar_t* key, const Variant& value) {
    CHECK(d.invoke(L"Item", DISPATCH_PROPERTYPUT, {str(key), value}).ok());
}

bool isNothing(const Variant& v) {
    return v.vt() == VT_DISPATCH && !V_DISPATCH(&v.get());
}

}  // namespace

// ---------------------------------------------------------------- descriptors and field data

TEST_CASE(field_info_by_key_fills_the_callers_variables) {
    Bound b;
    BSTR pKey = SysAllocString(L"before");
    long index = -5;
    Variant dct = b.ev.value(L"GetFieldInfoByKey", {str(L"FCustID"), ref(pKey), ref(index)});
    CHECK(sameObject(asObject(dct), b.descriptor(L"F3").get()));
    CHECK_EQ(std::wstring(pKey), std::wstring(L"F3"));
    CHECK_EQ(index, 3L);
    const RecordedCall* c = b.last(L"GetFieldInfoByKey");
    REQUIRE((c && c->args.size() == 3));
    CHECK_EQ(c->arg(0).vt, VARTYPE(VT_BYREF | VT_BSTR));
    CHECK_EQ(c->arg(1).vt, VARTYPE(VT_BYREF | VT_BSTR));
    CHECK_EQ(asText(c->arg(1).value), std::wstring(L"before"));  // the caller's value went in
    CHECK_EQ(c->arg(2).vt, VARTYPE(VT_BYREF | VT_I4));
    CHECK_EQ(asLong(c->arg(2).value), -5L);
    // Script variables work the same way.
    VARIANT vKey, vIndex;
    VariantInit(&vKey);
    VariantInit(&vIndex);
    CHECK(b.ev.call(L"GetFieldInfoByKey", {str(L"FQty"), ref(vKey), ref(vIndex)}).ok());
    CHECK_EQ(asText(Variant(vKey)), std::wstring(L"E2"));
    CHECK_EQ(asLong(Variant(vIndex)), 2L);
    VariantClear(&vKey);
    // An unknown key, or a failing host, gives Nothing and no error.
    CHECK(isNothing(b.ev.value(L"GetFieldInfoByKey", {str(L"FNoSuch"), ref(pKey), ref(index)})));
    CHECK_EQ(std::wstring(pKey), std::wstring(L"F3"));
    b.bill.billCtl->fails(L"GetFieldInfoByKey", kHostError, L"busy", L"Host");
    CHECK(isNothing(b.ev.value(L"GetFieldInfoByKey", {str(L"FCustID"), ref(pKey), ref(index)})));
    SysFreeString(pKey);
    // A host that answers and fails as well: Nothing too.
    b.bill.billCtl->answersThenFails(L"GetFieldInfoByKey", kHostError, L"busy", L"Host");
    long i2 = 0;
    BSTR k2 = nullptr;
    CHECK(isNothing(b.ev.value(L"GetFieldInfoByKey", {str(L"FCustID"), ref(k2), ref(i2)})));
    SysFreeString(k2);
}

TEST_CASE(data_fields_by_descriptor_and_by_key) {
    Bound b;
    Late qty = b.descriptor(L"E2");
    // A grid field by row; the row goes by reference, after the descriptor.
    Variant fld = b.ev.value(L"GetDataFld", {obj(qty.get()), Variant(1L)});
    CHECK(sameObject(asObject(fld), b.data(2, L"E2", 1).get()));
    const RecordedCall* c = b.last(L"GetDataFld");
    REQUIRE((c && c->args.size() == 2));
    CHECK_EQ(c->arg(0).vt, VARTYPE(VT_BYREF | VT_DISPATCH));
    CHECK_EQ(c->arg(1).vt, VARTYPE(VT_BYREF | VT_I4));
    // Row defaults to 0 for GetDataFld and to -1 for GetDataFldbyKey.
    b.ev.call(L"GetDataFld", {obj(qty.get())});
    CHECK_EQ(asLong(b.last(L"GetDataFld")->arg(1).value), 0L);
    fld = b.ev.value(L"GetDataFldbyKey", {str(L"FTerms")});
    CHECK(sameObject(asObject(fld), b.data(5, L"T1").get()));
    CHECK_EQ(asLong(b.last(L"GetDataFld")->arg(1).value), -1L);
    // An unknown key asks the host for the data of Nothing, whose answer is the result.
    b.bill.billCtl->clearCalls();
    CHECK(isNothing(b.ev.value(L"GetDataFldbyKey", {str(L"FNoSuch"), Variant(1L)})));
    c = b.last(L"GetDataFld");
    REQUIRE(c);
    CHECK(isNothing(c->arg(0).value));
    // A row that is not there, or a failing host: Nothing.
    CHECK(isNothing(b.ev.value(L"GetDataFld", {obj(qty.get()), Variant(9L)})));
    b.bill.billCtl->fails(L"GetDataFld", kHostError, L"busy", L"Host");
    CHECK(isNothing(b.ev.value(L"GetDataFld", {obj(qty.get()), Variant(1L)})));
    // Not a Dictionary: Nothing.
    b.bill.billCtl->fails(L"GetDataFld", S_OK, L"", L"");
    b.bill.billCtl->on(L"GetDataFld", [](hostkit::Invocation& inv) { inv.result = obj(&inv.self); });
    CHECK(isNothing(b.ev.value(L"GetDataFld", {obj(qty.get()), Variant(1L)})));
}

// ---------------------------------------------------------------- reads

TEST_CASE(field_values_by_value_type) {
    Bound b;
    CHECK_EQ(asLong(b.ev.value(L"GetFieldValue", {str(L"FCustID")})), 17L);  // FFLD by default
    CHECK_EQ(asLong(b.ev.value(L"GetFieldValue", {str(L"FCustID"), missing(), Variant(2L)})), 17L);
    CHECK_EQ(asText(b.ev.value(L"GetFieldValue", {str(L"FCustID"), missing(), Variant(3L)})), std::wstring(L"东方商贸"));
    CHECK_EQ(int(b.ev.value(L"GetFieldValue", {str(L"FCustID"), missing(), Variant(4L)}).vt()), int(VT_EMPTY));
    CHECK_EQ(int(b.ev.value(L"GetFieldValue", {str(L"FCustID"), missing(), Variant(0L)}).vt()), int(VT_EMPTY));
    // Values come as the host stores them: a grid row's text, a Long.
    CHECK_EQ(asText(b.ev.value(L"GetFieldValue", {str(L"FQty"), Variant(1L)})), std::wstring(L"120"));
    CHECK_EQ(int(b.ev.value(L"GetFieldValue", {str(L"FCustID")}).vt()), int(VT_I4));
    // The row defaults to -1.
    CHECK_EQ(asLong(b.last(L"GetDataFld")->arg(1).value), -1L);
}

TEST_CASE(reads_of_fields_that_are_not_there) {
    Bound b;
    Outcome o = b.ev.call(L"GetFieldValue", {str(L"FNoSuch")});
    CHECK_ERROR(o, kFieldNotFound, kSource);
    CHECK_EQ(o.description, std::wstring(L"没有找到符合给定字段名的字段"));
    o = b.ev.call(L"GetFieldValue", {str(L"FQty"), Variant(7L)});
    CHECK_ERROR(o, kValueNotFound, kSource);
    CHECK_EQ(o.description, std::wstring(L"没有找到给定字段名的字段的值"));
    CHECK_EQ(o.helpFile, std::wstring(L""));
    // A host that answers and reports a failure too: a read takes no such answer.
    b.bill.billCtl->answersThenFails(L"GetDataFld", kHostError, L"busy", L"Host");
    CHECK_ERROR(b.ev.call(L"GetFieldValue", {str(L"FBillNo")}), kValueNotFound, kSource);
}

TEST_CASE(error_texts_follow_the_session_language) {
    hostkit::SessionHost host;
    host.set(L"PropsString", L"UserID=1;Language=ENG");
    host.writeTable(L"OrviDesign", L"ENG",
                    {{L"没有找到符合给定字段名的字段", L"No field has the given key"},
                     {L"没有在列表项中找到指定的值", L"The value is not in the list"}});
    sessiontest::onFreshThread([&] {
        Bound b;
        CHECK_EQ(b.ev.call(L"GetFieldValue", {str(L"FNoSuch")}).description, std::wstring(L"No field has the given key"));
        Outcome o = b.ev.call(L"SetFieldValue", {str(L"FStatus"), str(L"3")});
        CHECK_ERROR(o, kNotInList, kSource);
        CHECK_EQ(o.description, std::wstring(L"The value is not in the list"));
    });
}

// ---------------------------------------------------------------- writes

TEST_CASE(a_plain_field_stores_the_value_unconverted_and_shows_its_text) {
    Bound b;
    Variant answer = b.ev.value(L"SetFieldValue", {str(L"FExplanation"), Variant(2.5)});
    CHECK_EQ(int(answer.vt()), int(VT_BOOL));
    CHECK(asBool(answer));
    Late fld = b.data(1, L"F7");
    Variant stored = item(fld, L"FFLD");
    CHECK_EQ(int(stored.vt()), int(VT_R8));  // a Double stays a Double
    CHECK_EQ(asText(stored), std::wstring(L"2.5"));
    Variant modified = item(fld, L"FMODIFY");
    CHECK_EQ(int(modified.vt()), int(VT_I2));
    CHECK_EQ(asLong(modified), 1L);
    // SetText gets the text, with the row before it (-1 by default).
    const RecordedCall* c = b.last(L"SetText");
    REQUIRE((c && c->args.size() == 3));
    CHECK_EQ(asLong(c->arg(1).value), -1L);
    CHECK_EQ(c->arg(2).vt, VARTYPE(VT_BYREF | VT_BSTR));
    CHECK_EQ(asText(c->arg(2).value), std::wstring(L"2.5"));
    CHECK_EQ(asText(b.shown(L"FExplanation")), std::wstring(L"2.5"));
    // On a grid row; FLookUpType 100 is a plain field as well.
    Late qty = b.descriptor(L"E2");
    setItem(qty, L"FLookUpType", Variant(100L));
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FQty"), str(L"130"), Variant(1L)})));
    Late row = b.data(2, L"E2", 1);
    CHECK_EQ(asText(item(row, L"FFLD")), std::wstring(L"130"));
    CHECK_EQ(asText(b.shown(L"FQty", 1)), std::wstring(L"130"));
    CHECK_EQ(b.count(L"GetItem"), size_t(0));
}

TEST_CASE(a_failure_dropped_while_finding_the_field_fails_the_plain_write_after_storing) {
    for (const wchar_t* member : {L"GetFieldInfoByKey", L"GetDataFld"}) {
        Bound b;
        // The host answers, and reports a failure with it.
        b.bill.billCtl->answersThenFails(member, kHostError, L"busy", L"Host");
        Outcome o = b.ev.call(L"SetFieldValue", {str(L"FExplanation"), str(L"new")});
        CHECK_ERROR(o, kUpdateFailed, kSource);
        CHECK_EQ(o.description, std::wstring(L"更新字段值时出现错误"));
        // Stored before the test, nothing rolled back; nothing shown.
        Late fld = b.data(1, L"F7");
        CHECK_EQ(asText(item(fld, L"FFLD")), std::wstring(L"new"));
        CHECK_EQ(asLong(item(fld, L"FMODIFY")), 1L);
        CHECK_EQ(b.count(L"SetText"), size_t(0));
        // The error state belongs to that call: the next write on a healthy host succeeds.
        b.bill.billCtl->fails(member, S_OK, L"", L"");
        CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FExplanation"), str(L"newer")})));
    }
}

TEST_CASE(a_lookup_field_is_resolved_by_the_host) {
    Bound b;
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FCustID"), str(L"西部电子")})));
    const RecordedCall* c = b.last(L"GetItem");
    REQUIRE((c && c->args.size() == 4));
    CHECK_EQ(c->arg(0).vt, VARTYPE(VT_BYREF | VT_DISPATCH));
    CHECK_EQ(c->arg(1).vt, VARTYPE(VT_BYREF | VT_DISPATCH));
    CHECK_EQ(c->arg(2).vt, VARTYPE(VT_BSTR));  // the text by value
    CHECK_EQ(c->arg(3).vt, VARTYPE(VT_BYREF | VT_I4));
    CHECK(sameObject(asObject(c->arg(1).value), b.data(1, L"F3").get()));
    // The form shows the display text the host resolved.
    CHECK_EQ(asText(b.shown(L"FCustID")), std::wstring(L"西部电子"));
    CHECK_EQ(asLong(b.ev.value(L"GetFieldValue", {str(L"FCustID")})), 18L);
    // A number is given to the host as its text.
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FCustID"), Variant(17L)})));
    CHECK_EQ(asText(b.last(L"GetItem")->arg(2).value), std::wstring(L"17"));
    CHECK_EQ(asText(b.shown(L"FCustID")), std::wstring(L"东方商贸"));
    // Not resolved: the lookup error, nothing shown.
    size_t shown = b.count(L"SetText");
    Outcome o = b.ev.call(L"SetFieldValue", {str(L"FCustID"), str(L"无此客户")});
    CHECK_ERROR(o, kLookupFailed, kSource);
    CHECK_EQ(o.description, std::wstring(L"更新查找类型字段时出现错误"));
    CHECK_EQ(b.count(L"SetText"), shown);
    // Null from the host counts as not found.
    b.bill.billCtl->on(L"GetItem", [](hostkit::Invocation& inv) {
        inv.result = null();
    });
    CHECK_ERROR(b.ev.call(L"SetFieldValue", {str(L"FCustID"), str(L"17")}), kLookupFailed, kSource);
}

TEST_CASE(a_list_box_takes_a_display_text_or_a_code) {
    Bound b;
    Late fld = b.data(1, L"F4");
    // VALUELIST maps 1 to Open and 2 to Closed.
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FStatus"), str(L"Closed")})));
    CHECK_EQ(asText(item(fld, L"FFLD")), std::wstring(L"2"));
    CHECK_EQ(asText(item(fld, L"FDSP")), std::wstring(L"Closed"));
    CHECK_EQ(asLong(item(fld, L"FMODIFY")), 1L);
    CHECK_EQ(asText(b.shown(L"FStatus")), std::wstring(L"2"));  // the form gets the code
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FStatus"), Variant(1L)})));
    CHECK_EQ(asText(item(fld, L"FFLD")), std::wstring(L"1"));
    CHECK_EQ(asText(item(fld, L"FDSP")), std::wstring(L"Open"));
    // Neither a display text nor a code: the list error, the field unchanged.
    Outcome o = b.ev.call(L"SetFieldValue", {str(L"FStatus"), str(L"3")});
    CHECK_ERROR(o, kNotInList, kSource);
    CHECK_EQ(o.description, std::wstring(L"没有在列表项中找到指定的值"));
    CHECK_EQ(asText(item(fld, L"FFLD")), std::wstring(L"1"));
    CHECK_EQ(asText(item(fld, L"FDSP")), std::wstring(L"Open"));
    // Display texts are searched first, in item order; codes only then.
    Late status = b.descriptor(L"F4");
    Late items(asObject(item(status, L"VALUELIST")));
    setItem(items, L"3", str(L"Closed"));   // two items show Closed
    setItem(items, L"4", str(L"1"));        // an item whose text is another item's code
    CHECK(b.ev.call(L"SetFieldValue", {str(L"FStatus"), str(L"Closed")}).ok());
    CHECK_EQ(asText(item(fld, L"FFLD")), std::wstring(L"2"));
    CHECK(b.ev.call(L"SetFieldValue", {str(L"FStatus"), str(L"1")}).ok());
    CHECK_EQ(asText(item(fld, L"FFLD")), std::wstring(L"4"));
    CHECK_EQ(asText(item(fld, L"FDSP")), std::wstring(L"1"));
    // Display texts compare exactly.
    CHECK_ERROR(b.ev.call(L"SetFieldValue", {str(L"FStatus"), str(L"closed")}), kNotInList, kSource);
    // Without VALUELIST the items come from SQL.
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FPayMode"), str(L"Transfer")})));
    Late pay = b.data(1, L"F6");
    CHECK_EQ(asText(item(pay, L"FFLD")), std::wstring(L"T"));
    CHECK_EQ(b.count(L"GetItem"), size_t(0));
}

TEST_CASE(a_list_box_stores_its_display_text_as_text) {
    Bound b;
    Late fld = b.data(1, L"F4");
    Late status = b.descriptor(L"F4");
    Late items(asObject(item(status, L"VALUELIST")));
    setItem(items, L"5", Variant(42L));  // a display value that is a number
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FStatus"), str(L"5")})));
    Variant display = item(fld, L"FDSP");
    CHECK_EQ(display.vt(), VARTYPE(VT_BSTR));
    CHECK_EQ(asText(display), std::wstring(L"42"));
    CHECK_EQ(item(fld, L"FFLD").vt(), VARTYPE(VT_BSTR));
    CHECK_EQ(asText(item(fld, L"FFLD")), std::wstring(L"5"));
    // The layout model's Value stores the same way.
    Late field = b.ev.object(L"BillHeads").object(L"Item", {Variant(1L)}).object(L"VeskFields").object(L"Item", {str(L"FStatus")});
    setItem(fld, L"FDSP", Variant(42L));
    CHECK(field.put(L"Value", str(L"5")).ok());
    CHECK_EQ(item(fld, L"FDSP").vt(), VARTYPE(VT_BSTR));
    // A Null display value cannot be text: error 94, and the field stays as it was.
    setItem(items, L"6", null());
    setItem(fld, L"FMODIFY", Variant(short(0)));
    size_t shown = b.count(L"SetText");
    Outcome o = b.ev.call(L"SetFieldValue", {str(L"FStatus"), str(L"6")});
    CHECK_ERROR(o, HRESULT(0x800A005E), kSource);
    CHECK_EQ(o.description, std::wstring(L"Invalid use of Null"));
    CHECK_EQ(asText(item(fld, L"FFLD")), std::wstring(L"5"));
    CHECK_EQ(asText(item(fld, L"FDSP")), std::wstring(L"42"));
    CHECK_EQ(asLong(item(fld, L"FMODIFY")), 0L);
    CHECK_EQ(b.count(L"SetText"), shown);
    o = field.put(L"Value", str(L"6"));
    CHECK_ERROR(o, HRESULT(0x800A005E), L"OrviClassEvents.VeskField");
}

TEST_CASE(list_codes_of_any_length_reach_the_items_whole) {
    // A code that is no display text is looked up in the items by its text: short texts and long
    // ones (past what is passed without allocating) arrive whole, an embedded null included.
    Bound b;
    Late fld = b.data(1, L"F4");
    Late status = b.descriptor(L"F4");
    Late items(asObject(item(status, L"VALUELIST")));
    std::wstring nul(L"A");
    nul += L'\0';
    nul += L"B";
    for (const std::wstring& code : {std::wstring(39, L'c'), std::wstring(40, L'c'), std::wstring(41, L'c'),
                                     std::wstring(200, L'd'), nul}) {
        Variant key{std::wstring_view(code)};
        CHECK(items.invoke(L"Item", DISPATCH_PROPERTYPUT, {key, str(L"Shown")}).ok());
        if (!CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FStatus"), key}))))
            std::printf("    (code of %zu units)\n", code.size());
        CHECK_EQ(asText(item(fld, L"FFLD")), code);
    }
    // One unit short of a code is not that code.
    CHECK_ERROR(b.ev.call(L"SetFieldValue", {str(L"FStatus"), Variant(std::wstring_view(std::wstring(199, L'd')))}),
                kNotInList, kSource);
}

TEST_CASE(control_and_lookup_codes_compare_exactly) {
    // 7.6 is no list box and 0.4 no plain field, for SetFieldValue as for VeskField.Value.
    Bound b;
    Late status = b.descriptor(L"F4");
    setItem(status, L"FCtlType", Variant(7.6));
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FStatus"), str(L"Closed")})));
    Late fld = b.data(1, L"F4");
    CHECK_EQ(asText(item(fld, L"FFLD")), std::wstring(L"Closed"));  // stored as given: a plain field
    CHECK_EQ(asText(b.shown(L"FStatus")), std::wstring(L"Closed"));
    Late field = b.ev.object(L"BillHeads").object(L"Item", {Variant(1L)}).object(L"VeskFields").object(L"Item", {str(L"FStatus")});
    CHECK(field.put(L"Value", str(L"Open")).ok());
    CHECK_EQ(asText(item(fld, L"FFLD")), std::wstring(L"Open"));
    // A lookup kind of 0.4 is a lookup field: the host is asked to resolve the value.
    Late explanation = b.descriptor(L"F7");
    setItem(explanation, L"FLookUpType", Variant(0.4));
    CHECK_ERROR(b.ev.call(L"SetFieldValue", {str(L"FExplanation"), str(L"x")}), kLookupFailed, kSource);
    CHECK_EQ(b.count(L"GetItem"), size_t(1));
    // Kind 100.0 is no lookup.
    setItem(explanation, L"FLookUpType", Variant(100.0));
    CHECK(b.ev.call(L"SetFieldValue", {str(L"FExplanation"), str(L"y")}).ok());
    CHECK_EQ(b.count(L"GetItem"), size_t(1));
}

// ---------------------------------------------------------------- the update routine by column type

namespace {

// UpdateNormalFld on the header field F7 with the given column type and stored value.
struct Update {
    Bound b;
    Late dct = b.descriptor(L"F7");
    Late fld = b.data(1, L"F7");
    Update(const Variant& type, const Variant& stored) {
        setItem(dct, L"FValueType", type);
        setItem(fld, L"FFLD", stored);
        setItem(fld, L"FMODIFY", Variant(short(0)));
    }
    Outcome run(const wchar_t* text) { return b.ev.call(L"UpdateNormalFld", {obj(dct.get()), str(text)}); }
    bool stored() { return asLong(item(fld, L"FMODIFY")) == 1; }
    bool input() { return item(fld, L"FInput").vt() != VT_EMPTY; }
};

}  // namespace

TEST_CASE(numeric_columns_compare_lenient_numbers) {
    for (long type : {104L, 106L, 62L, 56L, 60L, 108L, 59L, 52L, 48L}) {
        Update u(Variant(type), str(L"5"));
        Outcome o = u.run(L"5.0");
        CHECK(o.ok());
        CHECK(isNothing(o.value));  // the result is always Nothing
        if (u.stored()) fail(__FILE__, __LINE__, "type %ld: equal numbers stored", type);
        CHECK(u.run(L"6").ok());
        if (!u.stored() || !u.input()) fail(__FILE__, __LINE__, "type %ld: a new number not stored", type);
        Variant value = item(u.fld, L"FFLD");
        CHECK_EQ(int(value.vt()), int(VT_BSTR));  // the text as given
        CHECK_EQ(asText(value), std::wstring(L"6"));
        CHECK_EQ(int(item(u.fld, L"FInput").vt()), int(VT_I2));
    }
    // Blanks are skipped anywhere, reading stops at what cannot continue a number, &H is hexadecimal.
    Update u(Variant(56L), Variant(12L));
    CHECK(u.run(L" 1 2 ").ok());
    CHECK(!u.stored());
    CHECK(u.run(L"12abc").ok());
    CHECK(!u.stored());
    Update hex(Variant(56L), str(L"255"));
    CHECK(hex.run(L"&HFF").ok());
    CHECK(!hex.stored());
    // A text without a number counts as 0.
    Update zero(Variant(106L), str(L""));
    CHECK(zero.run(L"abc").ok());
    CHECK(!zero.stored());
    // The form is told in every case.
    CHECK_EQ(asText(zero.b.shown(L"FExplanation")), std::wstring(L"abc"));
}

TEST_CASE(datetime_columns_compare_calendar_days) {
    Update u(Variant(61L), str(L"2026-12-01 08:00:00"));
    CHECK(u.run(L"2026-12-01 23:30:00").ok());
    CHECK(!u.stored());
    CHECK(u.run(L"2026-12-02").ok());
    CHECK((u.stored() && u.input()));
    CHECK_EQ(asText(item(u.fld, L"FFLD")), std::wstring(L"2026-12-02"));
    // A value that is not a date: the type mismatch, re-raised under the class's source.
    Update bad(Variant(61L), str(L"2026-12-01"));
    Outcome o = bad.run(L"next week");
    CHECK_ERROR(o, kTypeMismatch, kSource);
    CHECK_EQ(o.description, std::wstring(L"Type mismatch"));
    CHECK(!bad.stored());
    Update badStored(Variant(61L), str(L"soon"));
    CHECK_ERROR(badStored.run(L"2026-12-01"), kTypeMismatch, kSource);
}

TEST_CASE(other_columns_compare_texts_and_drop_single_quotes) {
    Update u(Variant(167L), str(L"A'B"));
    CHECK(u.run(L"A'B").ok());
    CHECK(!u.stored());
    CHECK(u.run(L"It's new").ok());
    CHECK(u.stored());
    CHECK(!u.input());  // FInput is written for numbers and dates only
    CHECK_EQ(asText(item(u.fld, L"FFLD")), std::wstring(L"Its new"));
    // The form shows the text as given.
    CHECK_EQ(asText(u.b.shown(L"FExplanation")), std::wstring(L"It's new"));
    // A stored number compares by its text; 58, 122 and 127 are other types; a Null type is too.
    for (Variant type : {Variant(58L), Variant(122L), Variant(127L), Variant()}) {
        Update n(type, Variant(17L));
        CHECK(n.run(L"17").ok());
        CHECK(!n.stored());
    }
    // A stored Null compares as neither equal nor different: nothing is stored.
    Update nul(Variant(167L), null());
    CHECK(nul.run(L"x").ok());
    CHECK(!nul.stored());
}

TEST_CASE(update_members_report_failures_under_the_class_source) {
    Bound b;
    Late dct = b.descriptor(L"F1");
    b.bill.billCtl->fails(L"GetDataFld", kHostError, L"busy", L"Host.Bill", L"bill.chm", 9);
    Outcome o = b.ev.call(L"UpdateNormalFld", {obj(dct.get()), str(L"x")});
    CHECK_ERROR(o, kHostError, kSource);
    CHECK_EQ(o.description, std::wstring(L"busy"));
    CHECK_EQ(o.helpFile, std::wstring(L""));
    CHECK_ERROR(b.ev.call(L"UpdateLookFld", {obj(dct.get()), str(L"x")}), kHostError, kSource);
    // No field data: the object-not-set error, under the class's source.
    b.bill.billCtl->fails(L"GetDataFld", S_OK, L"", L"");
    Late qty = b.descriptor(L"E2");  // a grid field, and a row it does not have
    CHECK_ERROR(b.ev.call(L"UpdateNormalFld", {obj(qty.get()), str(L"x"), Variant(9L)}), HRESULT(0x800A005B), kSource);
    CHECK_EQ(b.count(L"SetText"), size_t(0));
}

TEST_CASE(update_look_fld_shows_only_what_the_host_resolved) {
    Bound b;
    Late cust = b.descriptor(L"F3");
    Outcome o = b.ev.call(L"UpdateLookFld", {obj(cust.get()), str(L"18")});
    CHECK(o.ok());
    CHECK(isNothing(o.value));
    CHECK_EQ(asText(b.shown(L"FCustID")), std::wstring(L"18"));
    CHECK_EQ(asLong(b.ev.value(L"GetFieldValue", {str(L"FCustID")})), 18L);
    // Not resolved: nothing shown, no error.
    CHECK(b.ev.call(L"UpdateLookFld", {obj(cust.get()), str(L"99")}).ok());
    CHECK_EQ(asText(b.shown(L"FCustID")), std::wstring(L"18"));
    CHECK_EQ(b.count(L"SetText"), size_t(1));
}

// ---------------------------------------------------------------- by-reference answers of the host

namespace {
constexpr auto kOnReturn = hostkit::FakeObject::When::OnReturn;
}

TEST_CASE(a_lookup_write_shows_with_the_descriptor_and_row_get_item_left) {
    // The host resolves the value, then leaves another descriptor and another row in its
    // by-reference arguments: SetText is given those.
    Bound b;
    Late qty = b.descriptor(L"E2");
    b.bill.billCtl->setsArg(L"GetItem", 0, hostkit::objectValue(qty.get()), kOnReturn);
    b.bill.billCtl->setsArg(L"GetItem", 3, Variant(2L), kOnReturn);
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FItemID"), str(L"302"), Variant(1L)})));
    const RecordedCall* c = b.last(L"SetText");
    REQUIRE((c && c->args.size() == 3));
    CHECK(sameObject(asObject(c->arg(0).value), qty.get()));
    CHECK_EQ(asLong(c->arg(1).value), 2L);
    CHECK_EQ(asText(c->arg(2).value), std::wstring(L"螺母 M8"));
    CHECK_EQ(asText(b.shown(L"FQty", 2)), std::wstring(L"螺母 M8"));
    CHECK_EQ(b.shown(L"FItemID", 1).vt(), VARTYPE(VT_EMPTY));

    // UpdateLookFld the same way, with the value as given.
    Late item = b.descriptor(L"E1");
    CHECK(b.ev.call(L"UpdateLookFld", {obj(item.get()), str(L"301"), Variant(1L)}).ok());
    c = b.last(L"SetText");
    REQUIRE((c && c->args.size() == 3));
    CHECK(sameObject(asObject(c->arg(0).value), qty.get()));
    CHECK_EQ(asLong(c->arg(1).value), 2L);
    CHECK_EQ(asText(c->arg(2).value), std::wstring(L"301"));
}

TEST_CASE(update_look_fld_resolves_and_shows_with_what_get_data_fld_left) {
    // GetDataFld leaves row 2 in Row: GetItem and SetText are given row 2.
    Bound b;
    b.bill.billCtl->setsArg(L"GetDataFld", 1, Variant(2L), kOnReturn);
    Late item = b.descriptor(L"E1");
    CHECK(b.ev.call(L"UpdateLookFld", {obj(item.get()), str(L"302"), Variant(1L)}).ok());
    CHECK_EQ(asLong(b.last(L"GetItem")->arg(3).value), 2L);
    CHECK_EQ(asLong(b.last(L"SetText")->arg(1).value), 2L);
}

TEST_CASE(update_normal_fld_uses_the_descriptor_get_data_fld_left) {
    // The field data comes for the descriptor given; the host then leaves FExplanation's
    // descriptor in the argument: the update reads that descriptor's column type and the form
    // shows the text under that field.
    Bound b;
    Late billNo = b.descriptor(L"F1");
    Late explanation = b.descriptor(L"F7");
    setItem(billNo, L"FValueType", Variant(56L));  // an int column: "abc" would read as 0
    Late billNoData = b.data(1, L"F1");
    setItem(billNoData, L"FFLD", str(L"0"));
    b.bill.billCtl->setsArg(L"GetDataFld", 0, hostkit::objectValue(explanation.get()), kOnReturn);
    CHECK(b.ev.call(L"UpdateNormalFld", {obj(billNo.get()), str(L"abc")}).ok());
    // Stored as text by FExplanation's varchar type (as an int it would be equal to 0 and kept).
    CHECK_EQ(asText(item(billNoData, L"FFLD")), std::wstring(L"abc"));
    CHECK(sameObject(asObject(b.last(L"SetText")->arg(0).value), explanation.get()));
    CHECK_EQ(asText(b.shown(L"FExplanation")), std::wstring(L"abc"));
}

TEST_CASE(the_bill_control_refuses_arguments_a_typed_member_would_refuse) {
    // The simulated control checks each argument against its member's parameters, as a VB
    // member does: a reference to another type (a Variant among them) is error 13.
    Bound b;
    Late ctl(b.bill.billCtl.Get());
    Late dct = b.descriptor(L"F1");
    long row = 0;
    short shortRow = 0;
    VARIANT anyRow;
    VariantInit(&anyRow);
    V_VT(&anyRow) = VT_I4;
    CHECK(ctl.call(L"GetDataFld", {obj(dct.get()), ref(row)}).ok());
    CHECK(ctl.call(L"GetDataFld", {obj(dct.get()), Variant(0L)}).ok());  // a value: the member's copy
    CHECK_EQ(ctl.call(L"GetDataFld", {obj(dct.get()), refShort(shortRow)}).hr, DISP_E_TYPEMISMATCH);
    CHECK_EQ(ctl.call(L"GetDataFld", {obj(dct.get()), ref(anyRow)}).hr, DISP_E_TYPEMISMATCH);
    // A Dictionary parameter takes a Dictionary or Nothing.
    auto other = hostkit::newFake(L"NotADictionary");
    CHECK_EQ(ctl.call(L"GetDataFld", {obj(other.Get()), ref(row)}).hr, DISP_E_TYPEMISMATCH);
    CHECK(ctl.call(L"GetDataFld", {obj(nullptr), ref(row)}).ok());
    // A by-value String takes what converts to one; Null does not.
    Late fld = b.data(1, L"F3");
    CHECK(ctl.call(L"GetItem", {obj(dct.get()), obj(fld.get()), Variant(17L), ref(row)}).ok());
    CHECK_EQ(ctl.call(L"GetItem", {obj(dct.get()), obj(fld.get()), null(), ref(row)}).hr, DISP_E_TYPEMISMATCH);
    // Too many arguments, or too few.
    CHECK_EQ(ctl.call(L"GetDataFld", {obj(dct.get()), ref(row), ref(row)}).hr, DISP_E_BADPARAMCOUNT);
    CHECK_EQ(ctl.call(L"GetDataFld", {obj(dct.get())}).hr, DISP_E_PARAMNOTOPTIONAL);
    // Refused calls are recorded too.
    CHECK_EQ(b.count(L"GetDataFld"), size_t(8));
    // Every call the event object makes suits the members.
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FCustID"), str(L"17")})));
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FStatus"), str(L"Open")})));
    CHECK(b.ev.call(L"SetStatus").ok());
    CHECK(b.ev.call(L"ClearGrids").ok());
}

TEST_CASE(is_file_need_filter) {
    Bound b;
    Variant v = b.ev.value(L"IsFileNeedFilter");
    CHECK_EQ(int(v.vt()), int(VT_BOOL));
    CHECK(!asBool(v));
    b.bill.billCtl->returns(L"IsFileNeedFilter", str(L"True"));
    CHECK(asBool(b.ev.value(L"IsFileNeedFilter")));
    b.bill.billCtl->returns(L"IsFileNeedFilter", str(L"maybe"));
    CHECK_ERROR(b.ev.call(L"IsFileNeedFilter"), kTypeMismatch, kSource);
    b.bill.billCtl->fails(L"IsFileNeedFilter", kHostError, L"no filter", L"Host", L"f.chm", 3);
    Outcome o = b.ev.call(L"IsFileNeedFilter");
    CHECK_ERROR(o, kHostError, kSource);
    CHECK_EQ(o.helpContext, DWORD(0));
}

