// Field values through the layout model: Value, Number and Text read from the field data the
// bill control hands out, and written per field kind (plain, two-state, list, lookup), with the
// library's own errors and their texts in the session language.
#include "BoundBill.h"
#include "test_layout_support.h"
#include "test_session_support.h"

using namespace testkit;
using namespace layouttest;

namespace {

const wchar_t* const kFieldSource = L"OrviClassEvents.VeskField";

bool checkWriteError(const Outcome& o, HRESULT number, const wchar_t* text, int line) {
    bool ok = checkError(o, number, kFieldSource, __FILE__, line);
    if (o.description != text) {
        fail(__FILE__, line, "description \"%s\", expected \"%s\"", narrow(o.description).c_str(), narrow(text).c_str());
        ok = false;
    }
    return ok;
}
#define CHECK_WRITE_ERROR(o, number, text) checkWriteError((o), (number), (text), __LINE__)

// A field data dictionary that fails to read some of its keys, over a real one.
class FailingData final : public IPyxDictionary {
public:
    FailingData(ComPtr<IPyxDictionary> inner, std::wstring failing) : inner_(std::move(inner)), failing_(std::move(failing)) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IPyxDictionary)) {
            *ppv = static_cast<IPyxDictionary*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = ULONG(--refs_);
        if (!n) delete this;
        return n;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    STDMETHODIMP get_Count(long* n) override { return inner_->get_Count(n); }
    STDMETHODIMP get_Key(long i, BSTR* k) override { return inner_->get_Key(i, k); }
    STDMETHODIMP get_Item(BSTR key, VARIANT* v) override {
        if (key && failing_.find(std::wstring(L"|") + key + L"|") != std::wstring::npos) {
            VariantInit(v);
            return E_FAIL;
        }
        return inner_->get_Item(key, v);
    }
    STDMETHODIMP put_Item(BSTR key, VARIANT v) override { return inner_->put_Item(key, v); }
    STDMETHODIMP LookUp(BSTR key, VARIANT* v, VARIANT_BOOL* found) override { return inner_->LookUp(key, v, found); }
    STDMETHODIMP get_Value(BSTR key, VARIANT d, VARIANT* v) override { return inner_->get_Value(key, d, v); }
    STDMETHODIMP Remove(BSTR key) override { return inner_->Remove(key); }
    STDMETHODIMP RemoveAll() override { return inner_->RemoveAll(); }

private:
    ComPtr<IPyxDictionary> inner_;
    std::wstring failing_;  // "|FDSP|FFLD|"
    long refs_ = 1;
};

// The field data the sample bill holds for a field, as the library sees it.
ComPtr<IPyxDictionary> dataOf(Plugin& p, const wchar_t* fkey, long row = -1) {
    Late ev = p.ev;
    Variant d = ev.value(L"GetDataFldbyKey", {str(fkey), Variant(row)});
    ComPtr<IPyxDictionary> r;
    if (d.vt() == VT_DISPATCH && V_DISPATCH(&d.get()))
        V_DISPATCH(&d.get())->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(r.GetAddressOf()));
    return r;
}

void setKey(IPyxDictionary* d, const wchar_t* key, const Variant& value) {
    d->put_Item(Bstr(key).get(), value.get());
}

}  // namespace

TEST_CASE(plain_field_values) {
    Plugin p;
    Late field = p.headField(str(L"FBillNo"));
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    ComPtr<IPyxDictionary> fld = dataOf(p, L"FBillNo");
    CHECK_EQ(field.text(L"Value"), std::wstring(L"SO-0001"));
    // GetDataFld gets the descriptor and the field's Row (-1 until set), both by reference.
    CHECK_EQ(argType(ctl.Get(), L"GetDataFld", 0), VARTYPE(VT_BYREF | VT_DISPATCH));
    CHECK(sameObject(asObject(argValue(ctl.Get(), L"GetDataFld", 0)), p.descriptor(L"F1").Get()));
    CHECK_EQ(argType(ctl.Get(), L"GetDataFld", 1), VARTYPE(VT_BYREF | VT_I4));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"GetDataFld", 1)), -1L);

    field.set(L"Value", str(L"A"));
    CHECK_EQ(asText(valueOf(fld.Get(), L"FFLD")), std::wstring(L"A"));
    Variant modified = valueOf(fld.Get(), L"FMODIFY");
    CHECK_EQ(modified.vt(), VARTYPE(VT_I2));
    CHECK_EQ(asLong(modified), 1L);
    CHECK_EQ(argCount(ctl.Get(), L"SetText"), size_t(3));
    CHECK_EQ(argType(ctl.Get(), L"SetText", 0), VARTYPE(VT_BYREF | VT_DISPATCH));
    CHECK_EQ(argType(ctl.Get(), L"SetText", 1), VARTYPE(VT_BYREF | VT_I4));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"SetText", 1)), -1L);
    CHECK_EQ(argType(ctl.Get(), L"SetText", 2), VARTYPE(VT_BYREF | VT_BSTR));
    CHECK_EQ(asText(argValue(ctl.Get(), L"SetText", 2)), std::wstring(L"A"));
    CHECK_EQ(asText(hostkit::shownText(p.bill, L"FBillNo", -1)), std::wstring(L"A"));
    CHECK_EQ(field.text(L"Value"), std::wstring(L"A"));
    CHECK_EQ(field.text(L"Text"), std::wstring(L"SO-0001"));  // the display text, which the write leaves
    // The value is stored as it came; SetText gets its text.
    field.set(L"Value", Variant(2.5));
    CHECK_EQ(valueOf(fld.Get(), L"FFLD").vt(), VARTYPE(VT_R8));
    CHECK_EQ(asText(argValue(ctl.Get(), L"SetText", 2)), std::wstring(L"2.5"));
    // Number does not change a field that is no lookup field: GetDataFld and nothing else.
    ctl->clearCalls();
    field.set(L"Number", str(L"B"));
    CHECK_EQ(ctl->calls().size(), size_t(1));
    CHECK_EQ(ctl->count(L"GetDataFld"), size_t(1));
    Variant unchanged = valueOf(fld.Get(), L"FFLD");
    CHECK((unchanged.vt() == VT_R8 && V_R8(&unchanged.get()) == 2.5));
    // Lookup kind 100 is a plain field.
    setKey(p.descriptor(L"F1").Get(), L"FLookUpType", Variant(100L));
    field.set(L"Value", str(L"C"));
    CHECK_EQ(asText(valueOf(fld.Get(), L"FFLD")), std::wstring(L"C"));
    // A value without a text is stored, then the write fails on the text for SetText.
    ctl->clearCalls();
    CHECK_ERROR(field.put(L"Value", null()), kInvalidUseOfNull, kFieldSource);
    CHECK_EQ(valueOf(fld.Get(), L"FFLD").vt(), VARTYPE(VT_NULL));
    CHECK_EQ(ctl->count(L"SetText"), size_t(0));
}

TEST_CASE(number_and_text_forms) {
    Plugin p;
    Late field = p.headField(str(L"FCustID"));
    Variant number = field.value(L"Number");
    CHECK_EQ(number.vt(), VARTYPE(VT_I4));
    CHECK_EQ(asLong(number), 17L);
    CHECK_EQ(field.text(L"Text"), std::wstring(L"东方商贸"));
    CHECK_EQ(asLong(field.value(L"Value")), 17L);
    // Entry fields read the row the field was given; -1 is the control's current row.
    Late qty = p.entryField(1, str(L"FQty"));
    CHECK_EQ(qty.text(L"Value"), std::wstring(L"120"));
    qty.set(L"Row", Variant(1L));
    CHECK_EQ(qty.text(L"Text"), std::wstring(L"120"));
    qty.set(L"Row", Variant(5L));  // no such row: no field data
    CHECK_EQ(qty.value(L"Value").vt(), VARTYPE(VT_EMPTY));
    CHECK_EQ(asLong(argValue(p.bill.billCtl.Get(), L"GetDataFld", 1)), 5L);
}

TEST_CASE(two_state_field_values) {
    Plugin p;
    Late field = p.headField(str(L"FUrgent"));
    ComPtr<IPyxDictionary> fld = dataOf(p, L"FUrgent");
    Variant off = field.value(L"Value");
    CHECK_EQ(off.vt(), VARTYPE(VT_BOOL));
    CHECK_EQ(asBool(off), false);
    field.set(L"Value", Variant(true));
    Variant stored = valueOf(fld.Get(), L"FFLD");
    CHECK_EQ(stored.vt(), VARTYPE(VT_I2));
    CHECK_EQ(asLong(stored), 1L);
    CHECK_EQ(asText(argValue(p.bill.billCtl.Get(), L"SetText", 2)), std::wstring(L"1"));
    CHECK_EQ(field.flag(L"Value"), true);
    field.set(L"Value", Variant(0L));
    CHECK_EQ(asLong(valueOf(fld.Get(), L"FFLD")), 0L);
    CHECK_EQ(asText(argValue(p.bill.billCtl.Get(), L"SetText", 2)), std::wstring(L"0"));
    field.set(L"Value", str(L"-1"));
    CHECK_EQ(asLong(valueOf(fld.Get(), L"FFLD")), 1L);
    field.set(L"Value", null());  // Null counts as False
    CHECK_EQ(asLong(valueOf(fld.Get(), L"FFLD")), 0L);
    CHECK_ERROR(field.put(L"Value", str(L"often")), kTypeMismatch, kFieldSource);
    // Reading: 0 and nothing are False, anything else True.
    setKey(fld.Get(), L"FFLD", Variant(L"0"));
    CHECK_EQ(field.flag(L"Value"), false);
    setKey(fld.Get(), L"FFLD", Variant());
    CHECK_EQ(field.value(L"Value").vt(), VARTYPE(VT_BOOL));
    CHECK_EQ(field.flag(L"Value"), false);
    setKey(fld.Get(), L"FFLD", Variant(7L));
    CHECK_EQ(field.flag(L"Value"), true);
    setKey(fld.Get(), L"FFLD", null());
    CHECK_EQ(field.flag(L"Value"), true);
    // A stored value that is no number is read as it stands.
    setKey(fld.Get(), L"FFLD", Variant(L"ja"));
    CHECK_EQ(field.text(L"Value"), std::wstring(L"ja"));
    // Text falls back to the stored value only when the display text cannot be read.
    setKey(fld.Get(), L"FDSP", Variant());
    CHECK_EQ(field.value(L"Text").vt(), VARTYPE(VT_EMPTY));
}

TEST_CASE(list_field_values) {
    Plugin p;
    Late status = p.headField(str(L"FStatus"));  // VALUELIST: 1 Open, 2 Closed
    ComPtr<IPyxDictionary> fld = dataOf(p, L"FStatus");
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    for (const Variant& value : {str(L"Closed"), str(L"2"), Variant(2L)}) {
        setKey(fld.Get(), L"FFLD", Variant(L"1"));
        setKey(fld.Get(), L"FDSP", Variant(L"Open"));
        CHECK_HR(status.put(L"Value", value).hr, S_OK);
        Variant code = valueOf(fld.Get(), L"FFLD"), display = valueOf(fld.Get(), L"FDSP");
        CHECK_EQ(code.vt(), VARTYPE(VT_BSTR));
        CHECK_EQ(asText(code), std::wstring(L"2"));
        CHECK_EQ(display.vt(), VARTYPE(VT_BSTR));
        CHECK_EQ(asText(display), std::wstring(L"Closed"));
        CHECK_EQ(asLong(valueOf(fld.Get(), L"FMODIFY")), 1L);
        CHECK_EQ(asText(argValue(ctl.Get(), L"SetText", 2)), std::wstring(L"2"));  // the form gets the code
    }
    // Neither a display text nor a code (texts compare case-sensitively): 104, nothing changed.
    ctl->clearCalls();
    for (const Variant& value : {str(L"Z"), str(L"closed"), str(L" 2")}) {
        CHECK_WRITE_ERROR(status.put(L"Value", value), kNotInList, kNotInListText);
        CHECK_EQ(asText(valueOf(fld.Get(), L"FFLD")), std::wstring(L"2"));
    }
    CHECK_EQ(ctl->count(L"SetText"), size_t(0));
    // Without VALUELIST the items come from SQL.
    Late payMode = p.headField(str(L"FPayMode"));  // SQL: C Cash, T Transfer
    CHECK_HR(payMode.put(L"Value", str(L"Transfer")).hr, S_OK);
    ComPtr<IPyxDictionary> payData = dataOf(p, L"FPayMode");
    CHECK_EQ(asText(valueOf(payData.Get(), L"FFLD")), std::wstring(L"T"));
    CHECK_EQ(asText(valueOf(payData.Get(), L"FDSP")), std::wstring(L"Transfer"));
    // Display texts are searched before codes; a display that is no text is stored as text.
    auto items = hostkit::newDictionary();
    items->set(L"A", Variant(L"B"));
    items->set(L"B", Variant(L"X"));
    items->set(L"7", Variant(70L));
    ComPtr<IPyxDictionary> dct = p.descriptor(L"F4");
    setKey(dct.Get(), L"VALUELIST", hostkit::objectValue(items.Get()));
    // (payMode and status are one object: point it at FStatus again.)
    status = p.headField(str(L"FStatus"));
    CHECK(sameObject(status.get(), payMode.get()));
    CHECK_HR(status.put(L"Value", str(L"B")).hr, S_OK);
    CHECK_EQ(asText(valueOf(fld.Get(), L"FFLD")), std::wstring(L"A"));
    CHECK_EQ(asText(valueOf(fld.Get(), L"FDSP")), std::wstring(L"B"));
    CHECK_HR(status.put(L"Value", Variant(7L)).hr, S_OK);
    CHECK_EQ(asText(valueOf(fld.Get(), L"FFLD")), std::wstring(L"7"));
    Variant display = valueOf(fld.Get(), L"FDSP");
    CHECK_EQ(display.vt(), VARTYPE(VT_BSTR));
    CHECK_EQ(asText(display), std::wstring(L"70"));
    // A list field is changed by Value only.
    ctl->clearCalls();
    status.set(L"Number", str(L"X"));
    CHECK_EQ(ctl->calls().size(), size_t(1));
    CHECK_EQ(asText(valueOf(fld.Get(), L"FFLD")), std::wstring(L"7"));
}

TEST_CASE(lookup_field_values) {
    Plugin p;
    Late field = p.headField(str(L"FCustID"));  // lookup kind 1, resolved by the control's GetItem
    ComPtr<IPyxDictionary> fld = dataOf(p, L"FCustID");
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    // Value cannot change a lookup field.
    ctl->clearCalls();
    field.set(L"Value", Variant(18L));
    CHECK_EQ(ctl->count(L"GetItem"), size_t(0));
    CHECK_EQ(ctl->count(L"SetText"), size_t(0));
    CHECK_EQ(asLong(valueOf(fld.Get(), L"FFLD")), 17L);
    // Number hands the value to GetItem as text, by value, between the data and the Row.
    field.set(L"Number", Variant(18L));
    CHECK_EQ(argCount(ctl.Get(), L"GetItem"), size_t(4));
    CHECK_EQ(argType(ctl.Get(), L"GetItem", 0), VARTYPE(VT_BYREF | VT_DISPATCH));
    CHECK_EQ(argType(ctl.Get(), L"GetItem", 1), VARTYPE(VT_BYREF | VT_DISPATCH));
    CHECK(sameObject(asObject(argValue(ctl.Get(), L"GetItem", 1)), fld.Get()));
    CHECK_EQ(argType(ctl.Get(), L"GetItem", 2), VARTYPE(VT_BSTR));
    CHECK_EQ(asText(argValue(ctl.Get(), L"GetItem", 2)), std::wstring(L"18"));
    CHECK_EQ(argType(ctl.Get(), L"GetItem", 3), VARTYPE(VT_BYREF | VT_I4));
    CHECK_EQ(asText(argValue(ctl.Get(), L"SetText", 2)), std::wstring(L"18"));
    CHECK_EQ(asLong(field.value(L"Number")), 18L);
    CHECK_EQ(field.text(L"Text"), std::wstring(L"西部电子"));
    // A value the control cannot resolve: 103, and no SetText.
    ctl->clearCalls();
    CHECK_WRITE_ERROR(field.put(L"Number", str(L"无此客户")), kLookupFailed, kLookupText);
    CHECK_EQ(ctl->count(L"GetItem"), size_t(1));
    CHECK_EQ(ctl->count(L"SetText"), size_t(0));
    // A control answering Null resolved nothing either; one answering True had its way.
    ctl->on(L"GetItem", [](Invocation& inv) { inv.result = null(); });
    CHECK_WRITE_ERROR(field.put(L"Number", Variant(17L)), kLookupFailed, kLookupText);
    ctl->on(L"GetItem", [](Invocation& inv) { inv.result = Variant(-1L); });
    CHECK_HR(field.put(L"Number", str(L"anything")).hr, S_OK);
    CHECK_EQ(asText(argValue(ctl.Get(), L"SetText", 2)), std::wstring(L"anything"));
    // The control's failures end the write with their number and description, under the field.
    ctl->fails(L"GetItem", HRESULT(0x80040991), L"查找失败", L"BillCtl");
    Outcome o = field.put(L"Number", Variant(18L));
    CHECK_ERROR(o, 0x80040991, kFieldSource);
    CHECK_EQ(o.description, std::wstring(L"查找失败"));
    ctl->on(L"GetItem", nullptr);
}

TEST_CASE(no_field_data) {
    Plugin p;
    Late field = p.headField(str(L"FBillNo"));
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    ctl->on(L"GetDataFld", [](Invocation& inv) { inv.result = Variant(static_cast<IDispatch*>(nullptr)); });
    for (const wchar_t* name : {L"Value", L"Number", L"Text"}) CHECK_EQ(field.value(name).vt(), VARTYPE(VT_EMPTY));
    CHECK_WRITE_ERROR(field.put(L"Value", str(L"x")), kValueNotFound, kCannotUpdate);
    CHECK_WRITE_ERROR(field.put(L"Number", str(L"x")), kValueNotFound, kCannotUpdate);
    // Field data of the wrong kind is no field data for a read, and a type mismatch for a write.
    auto notData = hostkit::newFake(L"NotData");
    ctl->on(L"GetDataFld", [&](Invocation& inv) { inv.result = hostkit::objectValue(notData.Get()); });
    CHECK_EQ(field.value(L"Value").vt(), VARTYPE(VT_EMPTY));
    CHECK_ERROR(field.put(L"Value", str(L"x")), kTypeMismatch, kFieldSource);
    // A failing GetDataFld: the reads still answer Empty; the writes fail with the control's error.
    ctl->on(L"GetDataFld", nullptr);
    ctl->fails(L"GetDataFld", HRESULT(0x80040990), L"数据不可用", L"BillCtl");
    CHECK_EQ(field.value(L"Text").vt(), VARTYPE(VT_EMPTY));
    Outcome o = field.put(L"Value", str(L"x"));
    CHECK_ERROR(o, 0x80040990, kFieldSource);
    CHECK_EQ(o.description, std::wstring(L"数据不可用"));
}

TEST_CASE(reads_skip_what_cannot_be_read) {
    Plugin p;
    Late field = p.headField(str(L"FDate"));
    ComPtr<IPyxDictionary> fld = dataOf(p, L"FDate");
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    std::wstring failing;
    ctl->on(L"GetDataFld", [&](Invocation& inv) {
        inv.result = Variant(static_cast<IDispatch*>(new FailingData(fld, failing)));
        V_DISPATCH(&inv.result.get())->Release();  // the Variant holds the one reference
    });
    failing = L"|FDSP|";
    CHECK_EQ(field.text(L"Text"), std::wstring(L"2026-12-01"));  // the stored value instead
    CHECK_EQ(field.text(L"Value"), std::wstring(L"2026-12-01"));
    failing = L"|FFLD|";
    CHECK_EQ(field.value(L"Value").vt(), VARTYPE(VT_EMPTY));
    CHECK_EQ(field.text(L"Text"), std::wstring(L"2026-12-01"));
    failing = L"|FDSP|FFLD|";
    CHECK_EQ(field.value(L"Text").vt(), VARTYPE(VT_EMPTY));
    failing = L"|FFND|";
    CHECK_EQ(field.value(L"Number").vt(), VARTYPE(VT_EMPTY));
    // A descriptor whose control type cannot be read reads the stored value as it stands.
    setKey(p.descriptor(L"F2").Get(), L"FCtlType", Variant(L"four"));
    failing = L"";
    CHECK_EQ(field.text(L"Value"), std::wstring(L"2026-12-01"));
    ctl->on(L"GetDataFld", nullptr);
}

TEST_CASE(value_calls_take_back_the_descriptor) {
    Plugin p;
    Late field = p.headField(str(L"FBillNo"));
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    // After GetDataFld the field holds the descriptor the control left: here another field's.
    ComPtr<IPyxDictionary> other = p.descriptor(L"F7");
    ctl->setsArg(L"GetDataFld", 0, hostkit::objectValue(other.Get()));
    field.set(L"Value", str(L"新值"));
    CHECK_EQ(field.text(L"FKey"), std::wstring(L"FExplanation"));
    CHECK(sameObject(asObject(argValue(ctl.Get(), L"SetText", 0)), other.Get()));
    CHECK_EQ(asText(hostkit::shownText(p.bill, L"FExplanation", -1)), std::wstring(L"新值"));
}

TEST_CASE(one_value_access_passes_on_the_row_the_control_left) {
    // GetItem resolves the value on row 1 and leaves row 2 in its Row argument: SetText of the
    // same write is given row 2. The field's own Row stays what the plug-in set.
    Plugin p;
    Late field = p.entryField(1, str(L"FItemID"));
    field.set(L"Row", Variant(1L));
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    ctl->setsArg(L"GetItem", 3, Variant(2L), FakeObject::When::OnReturn);
    field.set(L"Number", str(L"302"));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"GetItem", 3)), 1L);
    CHECK_EQ(asLong(argValue(ctl.Get(), L"SetText", 1)), 2L);
    CHECK_EQ(asText(hostkit::shownText(p.bill, L"FItemID", 2)), std::wstring(L"302"));
    field.value(L"Value");
    CHECK_EQ(asLong(argValue(ctl.Get(), L"GetDataFld", 1)), 1L);
    // A row left by GetDataFld reaches GetItem and SetText of the same write.
    ctl->setsArg(L"GetDataFld", 1, Variant(3L), FakeObject::When::OnReturn);
    field.set(L"Number", str(L"301"));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"GetItem", 3)), 3L);
}

TEST_CASE(messages_follow_the_session_language) {
    SampleBill bill = hostkit::buildSampleBill();
    hostkit::SessionHost host;
    host.set(L"PropsString", L"UserID=1;Language=ENG");
    host.writeTable(L"OrviDesign", L"ENG",
                    {{kOutOfRange, L"Bad index: out of range"},
                     {kNotAboveZero, L"Bad index: it must be a whole number above 0"},
                     {kNoSuchField, L"Bad index: no such field"},
                     {kCannotUpdate, L"The field's value cannot be changed"},
                     {kNotInListText, L"The value is not in the list"},
                     {kLookupText, L"The lookup value was not found"}});
    sessiontest::onFreshThread([&] {
        Late ev = bindBill(bill);
        Outcome o = ev.object(L"BillEntrys").call(L"Item", {Variant(9L)});
        CHECK_ERROR(o, kBadIndex, L"OrviClassEvents.BillEntrys");
        CHECK_EQ(o.description, std::wstring(L"Bad index: out of range"));
        o = ev.object(L"BillHeads").call(L"Item", {Variant(0L)});
        CHECK_EQ(o.description, std::wstring(L"Bad index: it must be a whole number above 0"));
        Late fields = ev.object(L"BillHeads").object(L"Item", {Variant(1L)}).object(L"VeskFields");
        o = fields.call(L"Item", {str(L"nothing")});
        CHECK_ERROR(o, kBadIndex, L"OrviClassEvents.VeskFields");
        CHECK_EQ(o.description, std::wstring(L"Bad index: no such field"));
        Late status = fields.object(L"Item", {str(L"FStatus")});
        o = status.put(L"Value", str(L"Z"));
        CHECK_ERROR(o, kNotInList, kFieldSource);
        CHECK_EQ(o.description, std::wstring(L"The value is not in the list"));
        o = fields.object(L"Item", {str(L"FCustID")}).put(L"Number", str(L"Z"));
        CHECK_EQ(o.description, std::wstring(L"The lookup value was not found"));
        status.set(L"Row", Variant(3L));
        bill.billCtl->on(L"GetDataFld", [](Invocation& inv) { inv.result = Variant(static_cast<IDispatch*>(nullptr)); });
        o = status.put(L"Value", str(L"Open"));
        CHECK_ERROR(o, kValueNotFound, kFieldSource);
        CHECK_EQ(o.description, std::wstring(L"The field's value cannot be changed"));
        bill.billCtl->on(L"GetDataFld", nullptr);
    });
}
