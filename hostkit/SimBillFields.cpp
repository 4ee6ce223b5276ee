// The simulated bill control's field access and form API (see SimBill.h for what each answers).
// Handlers reach the bill through the containers they capture, never through the control itself,
// so the control holds no reference to itself.
#include "hostkit/SimBill.h"

#include "com/Errors.h"

namespace hostkit {

namespace {

Variant get(IPyxDictionary* d, const std::wstring& key) {
    Variant r;
    if (!d) return r;
    Bstr k(key);
    orvi::com::check(d->get_Item(k.get(), &r.get()));
    return r;
}
void put(IPyxDictionary* d, const std::wstring& key, const Variant& value) {
    Bstr k(key);
    orvi::com::check(d->put_Item(k.get(), value.get()));
}
bool has(IPyxDictionary* d, const std::wstring& key) {
    Bstr k(key);
    VARIANT_BOOL found = VARIANT_FALSE;
    VARIANT none;
    VariantInit(&none);
    V_VT(&none) = VT_ERROR;
    V_ERROR(&none) = DISP_E_PARAMNOTFOUND;
    orvi::com::check(d->LookUp(k.get(), &none, &found));
    return found != VARIANT_FALSE;
}
long count(IPyxDictionary* d) {
    long n = 0;
    orvi::com::check(d->get_Count(&n));
    return n;
}
std::wstring keyAt(IPyxDictionary* d, long i) {
    Bstr k;
    orvi::com::check(d->get_Key(i, k.put()));
    return k.str();
}
Variant itemAt(IPyxVector* v, long i) {
    Variant r;
    orvi::com::check(v->get_Item(i, &r.get()));
    return r;
}
long bound(IPyxVector* v, bool upper) {
    long n = 0;
    orvi::com::check(upper ? v->get_UpperBound(&n) : v->get_LowerBound(&n));
    return n;
}

std::wstring textOf(const Variant& v) {
    return orvi::com::toString(v.get());
}
long longOf(const Variant& v) {
    return orvi::com::toLong(v.get());
}

// Where a field lives: its descriptor name, page, and whether that page has rows.
struct Place {
    std::wstring name;
    long page = 0;
    bool rows = false;
};

bool placeOfKey(const SampleBill& b, const std::wstring& fkey, Place& place) {
    ComPtr<IPyxDictionary> map = dictOf(get(b.tableInfo.Get(), L"Map"));
    if (!map || !has(map.Get(), fkey)) return false;
    place.name = textOf(get(map.Get(), fkey));
    ComPtr<IPyxDictionary> dct = dictOf(get(b.tableInfo.Get(), place.name));
    if (!dct) return false;
    place.page = longOf(get(dct.Get(), L"FPage"));
    ComPtr<IPyxDictionary> pageDesc = dictOf(itemAt(b.classTypeEntry.Get(), place.page));
    place.rows = pageDesc && longOf(get(pageDesc.Get(), L"FEntryType")) == 1;
    return true;
}

bool placeOf(const SampleBill& b, IPyxDictionary* dct, Place& place) {
    return dct && placeOfKey(b, textOf(get(dct, L"FKey")), place);
}

long actualRow(const SampleBill& b, long row) {
    return row < 1 ? longOf(b.billCtl->propertyValue(L"CurrentRow")) : row;
}

ComPtr<IPyxDictionary> dataOf(const SampleBill& b, IPyxDictionary* dct, long row) {
    Place place;
    if (!placeOf(b, dct, place)) return nullptr;
    Variant page = get(b.data.Get(), L"Page" + std::to_wstring(place.page));
    if (!place.rows) {
        ComPtr<IPyxDictionary> fields = dictOf(page);
        return fields ? dictOf(get(fields.Get(), place.name)) : nullptr;
    }
    ComPtr<IPyxVector> rows = vectorOf(page);
    long r = actualRow(b, row);
    if (!rows || r < bound(rows.Get(), false) || r > bound(rows.Get(), true)) return nullptr;
    ComPtr<IPyxDictionary> fields = dictOf(itemAt(rows.Get(), r));
    return fields ? dictOf(get(fields.Get(), place.name)) : nullptr;
}

ComPtr<PyxDictionary> newFieldData(const Variant& value) {
    auto d = newDictionary();
    d->set(L"FFLD", value);
    d->set(L"FFND", value);
    VARIANT text;
    VariantInit(&text);
    bool textual = SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(&value.get()), 0, VT_BSTR));
    d->set(L"FDSP", textual ? Variant::attach(text) : Variant(L""));
    d->set(L"FMODIFY", Variant(short(0)));
    return d;
}

// A lookup code as the control stores it: a number when it is one.
Variant codeValue(const std::wstring& code) {
    if (!code.empty() && code.find_first_not_of(L"0123456789") == std::wstring::npos && code.size() < 10)
        return Variant(long(std::stol(code)));
    return Variant(code.c_str());
}

}  // namespace

std::wstring shownKey(const SampleBill& bill, const std::wstring& fkey, long row) {
    Place place;
    if (placeOfKey(bill, fkey, place) && place.rows) return fkey + L"@" + std::to_wstring(actualRow(bill, row));
    return fkey;
}

Variant shownText(const SampleBill& bill, const std::wstring& fkey, long row) {
    return get(bill.screen.Get(), shownKey(bill, fkey, row));
}

void addFieldAccess(SampleBill& b) {
    // The handlers capture a copy of the bill's containers and a weak view of the control (the
    // control owns the handlers).
    SampleBill view = b;
    view.billCtl.Reset();
    FakeObject* ctl = b.billCtl.Get();
    auto bill = [view, ctl] {
        SampleBill s = view;
        s.billCtl = ctl;
        return s;
    };

    ctl->on(L"GetFieldInfoByKey", [view](Invocation& inv) {
        if (inv.count() < 3) raise(RuntimeError::ArgumentNotOptional);
        Place place;
        if (!placeOfKey(view, textOf(inv.value(0)), place)) {
            inv.result = objectValue(nullptr);
            return;
        }
        ComPtr<IPyxDictionary> fields = dictOf(get(view.tableInfo.Get(), L"Page" + std::to_wstring(place.page)));
        long index = 0;
        for (long i = 1; fields && i <= count(fields.Get()) && !index; ++i)
            if (keyAt(fields.Get(), i) == place.name) index = i;
        inv.setRef(1, Variant(place.name.c_str()));
        inv.setRef(2, Variant(index));
        inv.result = get(view.tableInfo.Get(), place.name);
    });
    ctl->on(L"GetDataFld", [bill](Invocation& inv) {
        if (inv.count() < 2) raise(RuntimeError::ArgumentNotOptional);
        ComPtr<IPyxDictionary> dct = dictOf(inv.value(0));
        ComPtr<IPyxDictionary> fld = dataOf(bill(), dct.Get(), longOf(inv.value(1)));
        inv.result = objectValue(fld.Get());
    });
    ctl->on(L"GetItem", [view](Invocation& inv) {
        if (inv.count() < 4) raise(RuntimeError::ArgumentNotOptional);
        ComPtr<IPyxDictionary> dct = dictOf(inv.value(0));
        ComPtr<IPyxDictionary> fld = dictOf(inv.value(1));
        if (!dct || !fld) raise(RuntimeError::ObjectRequired);
        std::wstring text = textOf(inv.value(2));
        ComPtr<IPyxDictionary> table = dictOf(get(view.lookups.Get(), textOf(get(dct.Get(), L"FKey"))));
        inv.result = Variant(false);
        if (!table) return;
        std::wstring code;
        if (has(table.Get(), text)) {
            code = text;
        } else {
            for (long i = 1; i <= count(table.Get()) && code.empty(); ++i)
                if (textOf(get(table.Get(), keyAt(table.Get(), i))) == text) code = keyAt(table.Get(), i);
        }
        if (code.empty()) return;
        put(fld.Get(), L"FFLD", codeValue(code));
        put(fld.Get(), L"FFND", codeValue(code));
        put(fld.Get(), L"FDSP", get(table.Get(), code));
        put(fld.Get(), L"FMODIFY", Variant(short(1)));
        inv.result = Variant(true);
    });
    ctl->on(L"SetText", [bill](Invocation& inv) {
        if (inv.count() < 3) raise(RuntimeError::ArgumentNotOptional);
        SampleBill s = bill();
        ComPtr<IPyxDictionary> dct = dictOf(inv.value(0));
        if (!dct) raise(RuntimeError::ObjectRequired);
        put(s.screen.Get(), shownKey(s, textOf(get(dct.Get(), L"FKey")), longOf(inv.value(1))), Variant(textOf(inv.value(2)).c_str()));
    });
}

void addSignatures(SampleBill& b) {
    static const std::pair<const wchar_t*, const wchar_t*> kSignatures[] = {
        {L"GetFieldInfoByKey", L"ByRef String, ByRef String, ByRef Long"},
        {L"GetDataFld", L"ByRef Dictionary, ByRef Long"},
        {L"GetItem", L"ByRef Dictionary, ByRef Dictionary, ByVal String, ByRef Long"},
        {L"SetText", L"ByRef Dictionary, ByRef Long, ByRef String"},
        {L"SetDecimal", L"ByRef Dictionary, ByRef Long, ByRef Long"},
        {L"SetSumDecimal", L"ByRef Dictionary, ByRef Long"},
        {L"LockBill", L""},
        {L"SetCaption", L"ByRef Dictionary"},
        {L"SetBarStatus", L"ByRef String, ByRef String, ByVal Variant"},
        {L"ShowHideField", L"ByRef Dictionary, ByRef Boolean"},
        {L"ShowHideGrid", L"ByVal Long, ByRef Boolean"},
        {L"LockCell", L"ByRef Dictionary, ByRef Long, ByRef Boolean"},
        {L"GetActiveCtl", L""},
        {L"SetTypeFloatMin", L"ByRef Dictionary, ByRef Long, ByRef Double"},
        {L"SetTypeFloatMax", L"ByRef Dictionary, ByRef Long, ByRef Double"},
        {L"RefreshBill", L""},
        {L"SaveSearchText", L"ByRef Long"},
        {L"IsChange", L""},
        {L"SetStatus", L"ByRef Integer, ByRef String"},
        {L"GetActiveField", L"ByRef Dictionary, ByRef Long, ByRef Long"},
        {L"GetToolIndex", L"ByRef String, ByRef String"},
        {L"Sum", L"ByRef Dictionary, ByRef Long, ByRef Long"},
        {L"SetSumData", L"ByRef Dictionary"},
        {L"DeleteEntryData", L"ByRef Long"},
        {L"IsFileNeedFilter", L""},
        {L"SetBillFormCaption", L"ByRef String"},
        {L"SetBillName", L""},
        {L"InsertNewRowAndFill", L"ByRef Long, ByRef Long, ByRef Variant"},
        {L"ClearGrids", L"ByRef Integer"},
        {L"SizeControl", L""},
        {L"SetGridMaxRows", L"ByVal Long, ByRef Long"},
        {L"GetGridMaxRows", L"ByVal Long"},
        {L"IsGridVisible", L"ByVal Long"},
        {L"IsFieldVisibleRunTime", L"ByRef Dictionary"},
        {L"IsFieldLockRunTime", L"ByRef Dictionary, ByRef Long"},
        {L"SetHeadCtlProperty", L"ByRef Dictionary, ByRef String"},
        {L"GetHeadCtlProperty", L"ByRef Dictionary, ByRef String"},
    };
    for (const auto& [name, params] : kSignatures) b.billCtl->signature(name, params);
}

void addFormApi(SampleBill& b) {
    SampleBill view = b;
    view.billCtl.Reset();
    FakeObject* ctl = b.billCtl.Get();
    // Members that only need to be recorded.
    for (const wchar_t* name : {L"SetDecimal", L"SetSumDecimal", L"LockBill", L"SetCaption", L"SetBarStatus",
                                L"ShowHideField", L"ShowHideGrid", L"LockCell", L"SetTypeFloatMin", L"SetTypeFloatMax",
                                L"RefreshBill", L"SaveSearchText", L"SetSumData", L"ClearGrids"})
        ctl->returns(name, Variant());
    ctl->property(L"Caption", Variant(L""));
    ctl->property(L"ToolIndex", Variant(0L));
    ctl->returns(L"IsFileNeedFilter", Variant(false));
    ctl->on(L"IsChange", [](Invocation& inv) { inv.result = inv.self.propertyValue(L"IsChange"); });
    ctl->on(L"GetToolIndex", [](Invocation& inv) { inv.result = inv.self.propertyValue(L"ToolIndex"); });
    ctl->on(L"SetBillFormCaption", [](Invocation& inv) {
        if (inv.count() < 1) raise(RuntimeError::ArgumentNotOptional);
        inv.self.property(L"Caption", Variant(textOf(inv.value(0)).c_str()));
    });
    ComPtr<FakeObject> activeCtl = newFake(L"ActiveCtl");
    ctl->on(L"GetActiveCtl", [activeCtl](Invocation& inv) { inv.result = objectValue(activeCtl.Get()); });
    ctl->on(L"GetActiveField", [view](Invocation& inv) {
        if (inv.count() < 3) raise(RuntimeError::ArgumentNotOptional);
        inv.setRef(0, get(view.tableInfo.Get(), L"E2"));
        inv.setRef(1, Variant(2L));
        inv.setRef(2, inv.self.propertyValue(L"CurrentRow"));
    });
    ctl->on(L"Sum", [view](Invocation& inv) {
        if (inv.count() < 3) raise(RuntimeError::ArgumentNotOptional);
        Place place;
        ComPtr<IPyxDictionary> dct = dictOf(inv.value(0));
        if (!placeOf(view, dct.Get(), place) || !place.rows) raise(RuntimeError::InvalidProcedureCall);
        ComPtr<IPyxVector> rows = vectorOf(get(view.data.Get(), L"Page" + std::to_wstring(place.page)));
        long from = longOf(inv.value(1)), to = longOf(inv.value(2));
        if (from < 1) from = bound(rows.Get(), false);
        if (to < 1) to = bound(rows.Get(), true);
        double sum = 0;
        for (long r = from; r <= to; ++r) {
            ComPtr<IPyxDictionary> fields = dictOf(itemAt(rows.Get(), r));
            ComPtr<IPyxDictionary> fld = fields ? dictOf(get(fields.Get(), place.name)) : nullptr;
            if (fld) sum += orvi::com::toDouble(get(fld.Get(), L"FFLD").get());
        }
        inv.result = Variant(sum);
    });
    ctl->on(L"DeleteEntryData", [view](Invocation& inv) {
        if (inv.count() < 1) raise(RuntimeError::ArgumentNotOptional);
        std::wstring page = L"Page" + std::to_wstring(longOf(inv.value(0)));
        bool rows = vectorOf(get(view.data.Get(), page)) != nullptr;
        if (rows) put(view.data.Get(), page, objectValue(newVector().Get()));
        inv.result = Variant(rows);
    });
    ctl->on(L"InsertNewRowAndFill", [view](Invocation& inv) {
        if (inv.count() < 3) raise(RuntimeError::ArgumentNotOptional);
        long pageNo = longOf(inv.value(0)), at = longOf(inv.value(1));
        std::wstring page = L"Page" + std::to_wstring(pageNo);
        ComPtr<IPyxVector> rows = vectorOf(get(view.data.Get(), page));
        ComPtr<IPyxDictionary> fields = dictOf(get(view.tableInfo.Get(), page));
        Variant values = inv.value(2);
        if (!rows || !fields || !(values.vt() & VT_ARRAY)) {
            inv.result = Variant(false);
            return;
        }
        SAFEARRAY* array = V_ARRAY(&values.get());
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(array, 1, &lower);
        SafeArrayGetUBound(array, 1, &upper);
        auto row = newDictionary();
        for (long i = 1; i <= count(fields.Get()); ++i) {
            Variant value;
            LONG index = lower + LONG(i - 1);
            if (index <= upper) {
                if (V_VT(&values.get()) == (VT_ARRAY | VT_VARIANT))
                    orvi::com::check(SafeArrayGetElement(array, &index, &value.get()));
                else
                    raise(RuntimeError::TypeMismatch);
            }
            row->set(keyAt(fields.Get(), i), objectValue(newFieldData(value).Get()));
        }
        // Shift the rows from `at` on one place down and put the new row at `at`.
        long first = bound(rows.Get(), false), last = bound(rows.Get(), true);
        if (at < first || at > last) at = last + 1;
        orvi::com::check(rows->Add(objectValue(row.Get()).get()));
        for (long r = last; r >= at; --r) orvi::com::check(rows->put_Item(r + 1, itemAt(rows.Get(), r).get()));
        orvi::com::check(rows->put_Item(at, objectValue(row.Get()).get()));
        inv.result = Variant(true);
    });
}

}  // namespace hostkit
