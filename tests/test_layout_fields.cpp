// Fields of the layout model: finding a field by position and by key on its page, the one field
// object of a collection and its Row, the template settings of a field, presentation on header
// and entry fields (pushed to and pulled from the bill control, or only written), the font text,
// run-time visibility and locks, and the descriptor the bill control hands back.
#include "test_layout_support.h"

using namespace testkit;
using namespace layouttest;

namespace {

const wchar_t* const kFieldsSource = L"OrviClassEvents.VeskFields";
const wchar_t* const kFieldSource = L"OrviClassEvents.VeskField";

bool checkNoSuchField(const Outcome& o, int line) {
    bool ok = checkError(o, kBadIndex, kFieldsSource, __FILE__, line);
    if (o.description != kNoSuchField) {
        fail(__FILE__, line, "description \"%s\"", narrow(o.description).c_str());
        ok = false;
    }
    return ok;
}
#define CHECK_NO_SUCH_FIELD(o) checkNoSuchField((o), __LINE__)

Variant currency(double x) {
    Variant v;
    V_VT(&v.get()) = VT_CY;
    VarCyFromR8(x, &V_CY(&v.get()));
    return v;
}

void setKey(IPyxDictionary* d, const wchar_t* key, const Variant& value) {
    d->put_Item(Bstr(key).get(), value.get());
}

}  // namespace

TEST_CASE(fields_by_position_in_layout_order) {
    Plugin p;
    Late fields = p.head().object(L"VeskFields");
    CHECK_EQ(fields.number(L"Count"), 7L);
    const wchar_t* const keys[] = {L"FBillNo", L"FDate", L"FCustID", L"FStatus", L"FUrgent", L"FPayMode", L"FExplanation"};
    for (long i = 1; i <= 7; ++i)
        CHECK_EQ(fields.object(L"Item", {Variant(i)}).text(L"FKey"), std::wstring(keys[i - 1]));
    // Positions are converted the usual way: fractions to the nearest whole number (half to
    // even), True to -1.
    CHECK_EQ(fields.object(L"Item", {Variant(2.6)}).text(L"FKey"), std::wstring(L"FCustID"));
    CHECK_EQ(fields.object(L"Item", {Variant(2.5)}).text(L"FKey"), std::wstring(L"FDate"));
    CHECK_EQ(fields.object(L"Item", {Variant(short(4))}).text(L"FKey"), std::wstring(L"FStatus"));
    for (const Variant& index : {Variant(0L), Variant(8L), Variant(-1L), Variant(true), Variant(), null(), Variant(7.5)}) {
        if (!CHECK_NO_SUCH_FIELD(fields.call(L"Item", {index}))) std::printf("    (Item(%s))\n", show(index.get()).c_str());
    }
    // A grid's collection counts its own page.
    Late grid = p.entry(1).object(L"VeskFields");
    CHECK_EQ(grid.number(L"Count"), 3L);
    CHECK_EQ(grid.object(L"Item", {Variant(3L)}).text(L"FKey"), std::wstring(L"FPrice"));
    // A page entry whose item reads as the empty text names no field.
    ComPtr<IPyxDictionary> page1;
    Variant v = valueOf(p.bill.tableInfo.Get(), L"Page1");
    V_DISPATCH(&v.get())->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(page1.GetAddressOf()));
    setKey(page1.Get(), L"F2", Variant(L""));
    CHECK_NO_SUCH_FIELD(fields.call(L"Item", {Variant(2L)}));
}

TEST_CASE(fields_by_key_on_their_own_page) {
    Plugin p;
    Late head = p.head().object(L"VeskFields");
    CHECK_EQ(head.object(L"Item", {str(L"FCustID")}).text(L"Caption"), std::wstring(L"客户"));
    // The map is a Dictionary (keys in any case); the page must list the mapped key exactly.
    CHECK_EQ(head.object(L"Item", {str(L"fcustid")}).text(L"FKey"), std::wstring(L"FCustID"));
    Late grid = p.entry(1).object(L"VeskFields");
    CHECK_EQ(grid.object(L"Item", {str(L"FQty")}).text(L"FieldName"), std::wstring(L"FQty"));
    // A field of another page, an unknown key and the empty text are not found.
    CHECK_NO_SUCH_FIELD(grid.call(L"Item", {str(L"FCustID")}));
    CHECK_NO_SUCH_FIELD(head.call(L"Item", {str(L"FQty")}));
    CHECK_NO_SUCH_FIELD(head.call(L"Item", {str(L"NoSuchField")}));
    CHECK_NO_SUCH_FIELD(head.call(L"Item", {str(L"")}));
    // A text of digits is a key, not a position.
    CHECK_NO_SUCH_FIELD(head.call(L"Item", {str(L"1")}));
    ComPtr<IPyxDictionary> map;
    Variant m = valueOf(p.bill.tableInfo.Get(), L"Map");
    V_DISPATCH(&m.get())->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(map.GetAddressOf()));
    setKey(map.Get(), L"1", Variant(L"F7"));
    CHECK_EQ(head.object(L"Item", {str(L"1")}).text(L"FKey"), std::wstring(L"FExplanation"));
    // The walk over the page compares the mapped key case-sensitively.
    setKey(map.Get(), L"Odd", Variant(L"f1"));
    CHECK_NO_SUCH_FIELD(head.call(L"Item", {str(L"Odd")}));
    // A mapped key that cannot be read as text fails the Item under the collection's source.
    setKey(map.Get(), L"Broken", null());
    CHECK_ERROR(head.call(L"Item", {str(L"Broken")}), kInvalidUseOfNull, kFieldsSource);
    // Without its page dictionary the lookup by key fails, the one by position finds nothing,
    // and Count reports the platform's error.
    p.bill.tableInfo->Remove(Bstr(L"Page1").get());
    CHECK_ERROR(head.call(L"Item", {str(L"FCustID")}), kObjectRequired, kFieldsSource);
    CHECK_NO_SUCH_FIELD(head.call(L"Item", {Variant(1L)}));
    CHECK_ERROR(head.call(L"Count"), kObjectRequired, kFieldsSource);
}

TEST_CASE(count_asks_the_page_dictionary_late_bound) {
    Plugin p(mixedBill());
    auto page = hostkit::newFake(L"PageDictionary");
    page->returns(L"Count", Variant(L"42"));
    p.bill.tableInfo->set(L"Page4", hostkit::objectValue(page.Get()));
    CHECK_EQ(p.entry(2).object(L"VeskFields").number(L"Count"), 42L);
    CHECK_EQ(page->count(L"Count"), size_t(1));
    page->fails(L"Count", HRESULT(0x80040996), L"计数失败", L"PageDictionary");
    Outcome o = p.entry(2).object(L"VeskFields").call(L"Count");
    CHECK_ERROR(o, 0x80040996, L"PageDictionary");
    CHECK_EQ(o.description, std::wstring(L"计数失败"));
}

TEST_CASE(one_field_object_whose_row_survives_repointing) {
    Plugin p;
    Late fields = p.entry(1).object(L"VeskFields");
    Late first = fields.object(L"Item", {Variant(1L)});
    // Row was never set: the lock goes to row -1.
    first.set(L"FieldLock", Variant(true));
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    CHECK_EQ(argCount(ctl.Get(), L"LockCell"), size_t(3));
    CHECK_EQ(argType(ctl.Get(), L"LockCell", 0), VARTYPE(VT_BYREF | VT_DISPATCH));
    CHECK(sameObject(asObject(argValue(ctl.Get(), L"LockCell", 0)), p.descriptor(L"E1").Get()));
    CHECK_EQ(argType(ctl.Get(), L"LockCell", 1), VARTYPE(VT_BYREF | VT_I4));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"LockCell", 1)), -1L);
    CHECK_EQ(argType(ctl.Get(), L"LockCell", 2), VARTYPE(VT_BYREF | VT_BOOL));
    CHECK_EQ(asBool(argValue(ctl.Get(), L"LockCell", 2)), true);
    first.set(L"Row", Variant(3L));
    Late second = fields.object(L"Item", {str(L"FQty")});
    CHECK(sameObject(first.get(), second.get()));
    CHECK_EQ(first.text(L"FKey"), std::wstring(L"FQty"));
    second.set(L"FieldLock", Variant(false));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"LockCell", 1)), 3L);
    CHECK(sameObject(asObject(argValue(ctl.Get(), L"LockCell", 0)), p.descriptor(L"E2").Get()));
    // The collection of another page has its own field object.
    Late headField = p.headField(Variant(1L));
    CHECK(!sameObject(headField.get(), first.get()));
    // Re-pointed through a new read of VeskFields, the row stays as well.
    Late again = p.entry(1).object(L"VeskFields").object(L"Item", {Variant(3L)});
    again.set(L"FieldLock", Variant(true));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"LockCell", 1)), 3L);
    // The simulated control keeps the lock per row.
    CHECK_EQ(again.flag(L"FieldLock"), true);
    again.set(L"Row", Variant(1L));
    CHECK_EQ(again.flag(L"FieldLock"), false);
    CHECK_EQ(argType(ctl.Get(), L"IsFieldLockRunTime", 1), VARTYPE(VT_BYREF | VT_I4));
}

TEST_CASE(template_settings_of_a_field) {
    Plugin p;
    Late field = p.headField(str(L"FDate"));
    ComPtr<IPyxDictionary> dct = p.descriptor(L"F2");
    CHECK_EQ(field.text(L"FieldName"), std::wstring(L"FDate"));
    CHECK_EQ(field.text(L"TableName"), std::wstring(L"t_SEOrder"));
    CHECK_EQ(field.text(L"Caption"), std::wstring(L"日期"));
    Variant page = field.value(L"Page");
    CHECK_EQ(page.vt(), VARTYPE(VT_I2));
    CHECK_EQ(asLong(page), 1L);
    CHECK_EQ(field.value(L"Layer").vt(), VARTYPE(VT_I2));
    CHECK_EQ(field.flag(L"NeedSave"), true);
    CHECK_EQ(field.flag(L"MustInput"), false);
    // Lets write the descriptor with the member's type and ask the control nothing.
    p.bill.billCtl->clearCalls();
    field.set(L"Note", str(L"备注"));
    field.set(L"Filter", Variant(5L));
    field.set(L"MustInput", Variant(1L));
    CHECK_EQ(valueOf(dct.Get(), L"FNote").vt(), VARTYPE(VT_BSTR));
    CHECK_EQ(asText(valueOf(dct.Get(), L"FNote")), std::wstring(L"备注"));
    CHECK_EQ(valueOf(dct.Get(), L"FFilter").vt(), VARTYPE(VT_BSTR));
    CHECK_EQ(field.text(L"Filter"), std::wstring(L"5"));
    Variant mustInput = valueOf(dct.Get(), L"FMustInput");
    CHECK_EQ(mustInput.vt(), VARTYPE(VT_BOOL));
    CHECK_EQ(V_BOOL(&mustInput.get()), VARIANT_TRUE);
    CHECK_EQ(p.bill.billCtl->calls().size(), size_t(0));
    // Geometry lets write Integers and lay the form out again; a failing SizeControl is ignored.
    p.bill.billCtl->fails(L"SizeControl", HRESULT(0x80040995), L"layout failed", L"BillCtl");
    const wchar_t* const geometry[][2] = {{L"FieldTop", L"FTop"}, {L"FieldLeft", L"FLeft"},
                                          {L"FieldHeight", L"FHeight"}, {L"FieldWidth", L"FWidth"}};
    for (auto& g : geometry) {
        CHECK_HR(field.put(g[0], Variant(L"250")).hr, S_OK);
        Variant stored = valueOf(dct.Get(), g[1]);
        CHECK_EQ(stored.vt(), VARTYPE(VT_I2));
        CHECK_EQ(asLong(stored), 250L);
        CHECK_EQ(field.number(g[0]), 250L);
    }
    CHECK_EQ(p.bill.billCtl->count(L"SizeControl"), size_t(4));
    // Gets convert what the descriptor holds; a failing conversion reaches the caller.
    setKey(dct.Get(), L"FNeedSave", Variant(L"maybe"));
    CHECK_ERROR(field.call(L"NeedSave"), kTypeMismatch, kFieldSource);
    dct->Remove(Bstr(L"FLayer").get());
    CHECK_EQ(field.number(L"Layer"), 0L);
}

TEST_CASE(caption_is_written_then_shown) {
    Plugin p;
    Late field = p.headField(str(L"FBillNo"));
    ComPtr<IPyxDictionary> dct = p.descriptor(L"F1");
    std::wstring seen;
    p.bill.billCtl->on(L"SetCaption", [&](Invocation& inv) {
        CHECK_EQ(inv.count(), size_t(1));
        seen = asText(valueOf(dct.Get(), L"FCaption"));
    });
    field.set(L"Caption", str(L"单号"));
    CHECK_EQ(seen, std::wstring(L"单号"));
    CHECK_EQ(argType(p.bill.billCtl.Get(), L"SetCaption", 0), VARTYPE(VT_BYREF | VT_DISPATCH));
    p.bill.billCtl->on(L"SetCaption", nullptr);
    // A failing SetCaption reaches the caller; the caption stays written.
    p.bill.billCtl->fails(L"SetCaption", HRESULT(0x80040994), L"标题无法显示", L"BillCtl");
    Outcome o = field.put(L"Caption", str(L"编号2"));
    CHECK_ERROR(o, 0x80040994, L"BillCtl");
    CHECK_EQ(o.description, std::wstring(L"标题无法显示"));
    CHECK_EQ(field.text(L"Caption"), std::wstring(L"编号2"));
}

TEST_CASE(header_presentation_goes_to_the_bill_control) {
    Plugin p;
    Late field = p.headField(str(L"FBillNo"));
    ComPtr<IPyxDictionary> dct = p.descriptor(L"F1");
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    struct Prop {
        const wchar_t* member;
        const wchar_t* key;
        Variant value;
        VARTYPE stored;
    };
    const Prop props[] = {{L"TextColor", L"FTextColor", Variant(255L), VT_I4},
                          {L"LabelWidth", L"FLabelWidth", Variant(short(900)), VT_I2},
                          {L"LabelColor", L"FLabelColor", Variant(0xFF00L), VT_I4},
                          {L"FrameBorderColor", L"FFrameBorderColor", Variant(0x808080L), VT_I4},
                          {L"FrameBorder", L"FFrameBorder", Variant(true), VT_BOOL}};
    for (const Prop& prop : props) {
        // The new setting stands in the descriptor when the control is told.
        Variant atCall;
        ctl->on(L"SetHeadCtlProperty", [&](Invocation& inv) { atCall = valueOf(dct.Get(), prop.key); });
        field.set(prop.member, prop.value);
        ctl->on(L"SetHeadCtlProperty", nullptr);
        Variant stored = valueOf(dct.Get(), prop.key);
        CHECK_EQ(stored.vt(), prop.stored);
        CHECK_EQ(asText(stored), asText(prop.value));
        CHECK_EQ(asText(atCall), asText(prop.value));
        CHECK_EQ(argCount(ctl.Get(), L"SetHeadCtlProperty"), size_t(2));
        CHECK_EQ(argType(ctl.Get(), L"SetHeadCtlProperty", 0), VARTYPE(VT_BYREF | VT_DISPATCH));
        CHECK(sameObject(asObject(argValue(ctl.Get(), L"SetHeadCtlProperty", 0)), dct.Get()));
        CHECK_EQ(argType(ctl.Get(), L"SetHeadCtlProperty", 1), VARTYPE(VT_BYREF | VT_BSTR));
        CHECK_EQ(asText(argValue(ctl.Get(), L"SetHeadCtlProperty", 1)), std::wstring(prop.member));
    }
    // The gets ask the control, which keeps what it was told.
    CHECK_EQ(field.number(L"TextColor"), 255L);
    CHECK_EQ(field.number(L"LabelWidth"), 900L);
    CHECK_EQ(field.number(L"LabelColor"), 0xFF00L);
    CHECK_EQ(field.number(L"FrameBorderColor"), 0x808080L);
    CHECK_EQ(field.flag(L"FrameBorder"), true);
    CHECK_EQ(asText(argValue(ctl.Get(), L"GetHeadCtlProperty", 1)), std::wstring(L"FrameBorder"));
    CHECK_EQ(argType(ctl.Get(), L"GetHeadCtlProperty", 1), VARTYPE(VT_BYREF | VT_BSTR));
    // Whatever the control answers is converted to the member's type.
    ctl->on(L"GetHeadCtlProperty", [](Invocation& inv) { inv.result = Variant(L"12"); });
    Variant width = field.value(L"LabelWidth");
    CHECK_EQ(width.vt(), VARTYPE(VT_I2));
    CHECK_EQ(asLong(width), 12L);
    CHECK_EQ(asText(field.value(L"FontSize")), std::wstring(L"12"));
    CHECK_EQ(field.value(L"FontSize").vt(), VARTYPE(VT_CY));
    ctl->on(L"GetHeadCtlProperty", nullptr);
    // The control's failures reach the caller; the descriptor keeps the new setting.
    ctl->fails(L"SetHeadCtlProperty", HRESULT(0x80040993), L"控件不存在", L"BillCtl");
    CHECK_ERROR(field.put(L"TextColor", Variant(7L)), 0x80040993, L"BillCtl");
    CHECK_EQ(asLong(valueOf(dct.Get(), L"FTextColor")), 7L);
}

TEST_CASE(header_fonts_are_kept_in_the_font_text) {
    Plugin p;
    Late field = p.headField(str(L"FDate"));
    ComPtr<IPyxDictionary> dct = p.descriptor(L"F2");
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    auto font = [&] { return asText(valueOf(dct.Get(), L"FFont")); };
    // No font text yet: the empty form with the one item set.
    field.set(L"FontBold", Variant(true));
    CHECK_EQ(font(), std::wstring(L"FontName=|FontSize=|FontBold=True|FontItalic="));
    CHECK_EQ(valueOf(dct.Get(), L"FFont").vt(), VARTYPE(VT_BSTR));
    CHECK_EQ(asText(argValue(ctl.Get(), L"SetHeadCtlProperty", 1)), std::wstring(L"FontBold"));
    CHECK_EQ(field.flag(L"FontBold"), true);
    // Sizes are the text of the Currency.
    setKey(dct.Get(), L"FFont", Variant(L"FontName=Arial|FontSize=9|FontBold=False|FontItalic=False"));
    field.set(L"FontSize", currency(10.5));
    CHECK_EQ(font(), std::wstring(L"FontName=Arial|FontSize=10.5|FontBold=False|FontItalic=False"));
    CHECK_EQ(asText(field.value(L"FontSize")), std::wstring(L"10.5"));
    field.set(L"FontName", str(L"宋体"));
    CHECK_EQ(font(), std::wstring(L"FontName=宋体|FontSize=10.5|FontBold=False|FontItalic=False"));
    CHECK_EQ(field.text(L"FontName"), std::wstring(L"宋体"));
    field.set(L"FontItalic", Variant(-1L));
    CHECK_EQ(font(), std::wstring(L"FontName=宋体|FontSize=10.5|FontBold=False|FontItalic=True"));
    CHECK_EQ(field.flag(L"FontItalic"), true);
    // A missing item is not added.
    setKey(dct.Get(), L"FFont", Variant(L"FontName=Arial|FontSize=9"));
    field.set(L"FontItalic", Variant(true));
    CHECK_EQ(font(), std::wstring(L"FontName=Arial|FontSize=9"));
    // An item in another letter case is found but not replaced.
    setKey(dct.Get(), L"FFont", Variant(L"fontname=Arial|FontSize=9"));
    field.set(L"FontName", str(L"Tahoma"));
    CHECK_EQ(font(), std::wstring(L"fontname=Arial|FontSize=9"));
    field.set(L"FontSize", currency(12));
    CHECK_EQ(font(), std::wstring(L"fontname=Arial|FontSize=12"));
    // The value is written verbatim.
    field.set(L"FontName", str(L"A|B"));
    CHECK_EQ(font(), std::wstring(L"fontname=Arial|FontSize=12"));
    setKey(dct.Get(), L"FFont", Variant(L"FontName=Arial"));
    field.set(L"FontName", str(L"A|B"));
    CHECK_EQ(font(), std::wstring(L"FontName=A|B"));
    CHECK_EQ(field.text(L"FontName"), std::wstring(L"A"));  // what the control makes of it
}

TEST_CASE(entry_presentation_is_only_written) {
    Plugin p;
    Late field = p.entryField(1, str(L"FPrice"));
    ComPtr<IPyxDictionary> dct = p.descriptor(L"E3");
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    ctl->clearCalls();
    field.set(L"TextColor", Variant(255L));
    field.set(L"LabelWidth", Variant(short(800)));
    field.set(L"LabelColor", Variant(1L));
    field.set(L"FrameBorderColor", Variant(2L));
    field.set(L"FrameBorder", Variant(true));
    field.set(L"FontName", str(L"Arial"));
    field.set(L"FontSize", currency(9));
    field.set(L"FontBold", Variant(true));
    field.set(L"FontItalic", Variant(false));
    Variant color = valueOf(dct.Get(), L"FTextColor");
    CHECK_EQ(color.vt(), VARTYPE(VT_I4));
    CHECK_EQ(asLong(color), 255L);
    CHECK_EQ(valueOf(dct.Get(), L"FLabelWidth").vt(), VARTYPE(VT_I2));
    CHECK_EQ(asText(valueOf(dct.Get(), L"FFont")), std::wstring(L"FontName=Arial|FontSize=9|FontBold=True|FontItalic=False"));
    // Nothing went to the control, and the gets read empty values whatever was written.
    CHECK_EQ(ctl->calls().size(), size_t(0));
    CHECK_EQ(field.number(L"TextColor"), 0L);
    CHECK_EQ(field.number(L"LabelWidth"), 0L);
    CHECK_EQ(field.number(L"LabelColor"), 0L);
    CHECK_EQ(field.number(L"FrameBorderColor"), 0L);
    CHECK_EQ(field.flag(L"FrameBorder"), false);
    CHECK_EQ(field.text(L"FontName"), std::wstring(L""));
    CHECK_EQ(asLong(field.value(L"FontSize")), 0L);
    CHECK_EQ(field.value(L"FontSize").vt(), VARTYPE(VT_CY));
    CHECK_EQ(field.flag(L"FontBold"), false);
    CHECK_EQ(field.flag(L"FontItalic"), false);
    CHECK_EQ(ctl->calls().size(), size_t(0));
}

TEST_CASE(run_time_visibility_of_a_field) {
    Plugin p;
    Late field = p.headField(str(L"FExplanation"));
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    CHECK_EQ(field.flag(L"Visible"), true);
    CHECK_EQ(argType(ctl.Get(), L"IsFieldVisibleRunTime", 0), VARTYPE(VT_BYREF | VT_DISPATCH));
    field.set(L"Visible", Variant(false));
    CHECK_EQ(argCount(ctl.Get(), L"ShowHideField"), size_t(2));
    CHECK_EQ(argType(ctl.Get(), L"ShowHideField", 1), VARTYPE(VT_BYREF | VT_BOOL));
    CHECK_EQ(field.flag(L"Visible"), false);
    // The control's answer is converted to a Boolean.
    ctl->on(L"IsFieldVisibleRunTime", [](Invocation& inv) { inv.result = Variant(L"abc"); });
    CHECK_ERROR(field.call(L"Visible"), kTypeMismatch, kFieldSource);
    ctl->on(L"IsFieldVisibleRunTime", nullptr);
}

TEST_CASE(the_descriptor_the_control_leaves_is_taken) {
    Plugin p;
    Late field = p.headField(str(L"FBillNo"));
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    // A control that answers SetCaption with another descriptor: the field follows it.
    auto other = hostkit::newDictionary();
    other->set(L"FKey", Variant(L"FOther"));
    other->set(L"FCaption", Variant(L"其他"));
    ctl->setsArg(L"SetCaption", 0, hostkit::objectValue(other.Get()));
    field.set(L"Caption", str(L"单号"));
    CHECK_EQ(field.text(L"FKey"), std::wstring(L"FOther"));
    CHECK_EQ(field.text(L"Caption"), std::wstring(L"其他"));
    CHECK_EQ(asText(valueOf(p.descriptor(L"F1").Get(), L"FCaption")), std::wstring(L"单号"));
    // The next call passes the new descriptor.
    field.set(L"Visible", Variant(true));
    CHECK(sameObject(asObject(argValue(ctl.Get(), L"ShowHideField", 0)), other.Get()));
    // Also when the call fails afterwards, and also Nothing.
    ctl->on(L"LockCell", [](Invocation& inv) {
        inv.setRef(0, Variant(static_cast<IDispatch*>(nullptr)));
        throw orvi::com::ComError(HRESULT(0x80040992), L"不能锁定", L"BillCtl");
    });
    CHECK_ERROR(field.put(L"FieldLock", Variant(true)), 0x80040992, L"BillCtl");
    Outcome o = field.call(L"Caption");
    CHECK_ERROR(o, kObjectNotSet, kFieldSource);
    // An object that is no Dictionary can be handed on but not read (to a control whose member
    // takes any object: the kit's typed one would refuse it with error 13).
    ctl->signature(L"IsFieldVisibleRunTime", L"ByRef Object");
    auto notADictionary = hostkit::newFake(L"Thing");
    ctl->on(L"ShowHideField", [&](Invocation& inv) { inv.setRef(0, hostkit::objectValue(notADictionary.Get())); });
    field = p.headField(str(L"FBillNo"));  // re-pointed: the template's descriptor again
    CHECK_EQ(field.text(L"Caption"), std::wstring(L"单号"));
    field.set(L"Visible", Variant(true));
    CHECK_ERROR(field.call(L"Caption"), kTypeMismatch, kFieldSource);
    ctl->on(L"IsFieldVisibleRunTime", [&](Invocation& inv) {
        CHECK(sameObject(asObject(inv.value(0)), notADictionary.Get()));
        inv.result = Variant(true);
    });
    CHECK_EQ(field.flag(L"Visible"), true);
    ctl->on(L"IsFieldVisibleRunTime", nullptr);
    ctl->on(L"ShowHideField", nullptr);
    ctl->on(L"LockCell", nullptr);
    // Row by reference is the field's own: the control cannot change it.
    field = p.entryField(1, str(L"FQty"));
    ctl->setsArg(L"IsFieldLockRunTime", 1, Variant(99L));
    field.value(L"FieldLock");
    field.value(L"FieldLock");
    CHECK_EQ(asLong(argValue(ctl.Get(), L"IsFieldLockRunTime", 1)), -1L);
}

TEST_CASE(a_field_created_directly_has_no_bill_control) {
    SourceLanguage session;
    Late field = Late::create(L"OrviClassEvents.VeskField");
    CHECK_HR(field.put(L"Row", Variant(4L)).hr, S_OK);
    for (const wchar_t* name : {L"Caption", L"FKey", L"Page", L"Layer", L"FieldTop", L"NeedSave", L"Visible",
                                L"FieldLock", L"Note", L"FieldName"}) {
        Outcome o = field.call(name);
        if (!CHECK_ERROR(o, kObjectNotSet, kFieldSource)) std::printf("    (reading %s)\n", narrow(name).c_str());
    }
    for (const wchar_t* name : {L"Caption", L"Note", L"FieldTop", L"TextColor", L"FontName", L"FontBold"})
        CHECK_ERROR(field.put(name, Variant(L"1")), kObjectNotSet, kFieldSource);
    CHECK_ERROR(field.put(L"Visible", Variant(true)), kObjectNotSet, kFieldSource);
    // The value gets answer Empty; the lets fail.
    for (const wchar_t* name : {L"Value", L"Number", L"Text"}) CHECK_EQ(field.value(name).vt(), VARTYPE(VT_EMPTY));
    Outcome o = field.put(L"Value", str(L"x"));
    CHECK_ERROR(o, kObjectNotSet, kFieldSource);
    CHECK_EQ(o.description, std::wstring(L"Object variable or With block variable not set"));
    // Presentation of a field that belongs to no page: nothing to ask, empty values.
    CHECK_EQ(field.number(L"TextColor"), 0L);
    CHECK_EQ(field.text(L"FontName"), std::wstring(L""));
}
