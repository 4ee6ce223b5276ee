#include "hostkit/SimBill.h"

#include <cstdlib>
#include <iterator>

namespace hostkit {

namespace {

ComPtr<PyxDictionary> dict(std::initializer_list<std::pair<const wchar_t*, Variant>> items) {
    auto d = newDictionary();
    for (auto& [k, v] : items) d->set(k, v);
    return d;
}

Variant text(const wchar_t* s) {
    return Variant(s);
}
Variant num(long n) {
    return Variant(n);
}

struct SampleField {
    const wchar_t* key;       // FKey
    const wchar_t* name;      // descriptor name in TableInfo
    const wchar_t* caption;
    const wchar_t* column;
    long page;
    long ctlType;
    long lookUpType;
    long valueType;
};

const SampleField kFields[] = {
    {L"FBillNo", L"F1", L"编号", L"FBillNo", 1, 1, 0, 167},
    {L"FDate", L"F2", L"日期", L"FDate", 1, 3, 0, 61},
    {L"FCustID", L"F3", L"客户", L"FCustID", 1, 1, 1, 56},
    {L"FStatus", L"F4", L"状态", L"FStatus", 1, 8, 0, 56},
    {L"FUrgent", L"F5", L"加急", L"FUrgent", 1, 4, 0, 104},
    {L"FPayMode", L"F6", L"付款方式", L"FPayMode", 1, 8, 0, 167},
    {L"FExplanation", L"F7", L"摘要", L"FExplanation", 1, 1, 0, 167},
    {L"FItemID", L"E1", L"物料", L"FItemID", 2, 1, 1, 56},
    {L"FQty", L"E2", L"数量", L"FQty", 2, 1, 0, 106},
    {L"FPrice", L"E3", L"单价", L"FPrice", 2, 1, 0, 60},
    {L"FFeeName", L"P1", L"费用名称", L"FFeeName", 3, 1, 0, 167},
    {L"FAmount", L"P2", L"金额", L"FAmount", 3, 1, 0, 60},
    {L"FAttachment", L"A1", L"附件", L"FAttachment", 4, 1, 0, 167},
    {L"FTerms", L"T1", L"条款", L"FTerms", 5, 1, 0, 167},
    {L"FDelivery", L"T2", L"交货日期", L"FDelivery", 5, 3, 0, 61},
};

ComPtr<PyxDictionary> fieldData(Variant stored, Variant number, Variant display) {
    return dict({{L"FFLD", stored}, {L"FFND", number}, {L"FDSP", display}, {L"FMODIFY", Variant(short(0))}});
}

// A page's entry in ClassTypeEntry; `index` numbers the header 1 and the grids from 2 in page
// order (the control's grid number plus 2), a page that is no grid has none.
ComPtr<PyxDictionary> pageEntry(long entryType, const std::wstring& table, const std::wstring& keyField, long layer,
                                long top, long height, long& index) {
    auto page = dict({{L"FEntryType", num(entryType)},
                      {L"FTableName", text(table.c_str())},
                      {L"FKeyField", text(keyField.c_str())},
                      {L"FLayer", num(layer)},
                      {L"FTop", num(top)},
                      {L"FLeft", num(0)},
                      {L"FHeight", num(height)},
                      {L"FWidth", num(9600)}});
    if (entryType == 0 || entryType == 1) page->set(L"FIndex", num(index++));
    return page;
}

ComPtr<PyxDictionary> fieldDescriptor(const std::wstring& key, const std::wstring& caption, const std::wstring& column,
                                      const std::wstring& table, long page, long ctlType, long lookUpType, long valueType) {
    return dict({{L"FKey", text(key.c_str())},
                 {L"FFieldName", text(column.c_str())},
                 {L"FCaption", text(caption.c_str())},
                 {L"FTableName", text(table.c_str())},
                 {L"FPage", num(page)},
                 {L"FCtlType", num(ctlType)},
                 {L"FLookUpType", num(lookUpType)},
                 {L"FValueType", num(valueType)},
                 {L"FNeedSave", Variant(true)},
                 {L"FMustInput", Variant(false)},
                 {L"FLayer", Variant(short(0))},
                 {L"FNote", text(L"")},
                 {L"FFilter", text(L"")}});
}

ComPtr<PyxDictionary> itemsOf(const std::vector<std::pair<std::wstring, std::wstring>>& items) {
    auto d = newDictionary();
    for (const auto& [code, shown] : items) d->set(code, text(shown.c_str()));
    return d;
}

// The data service and the bill control over the bill's template and data.
void addControl(SampleBill& b) {
    b.screen = newDictionary();
    addServices(b);
    FakeObject& ctl = *b.billCtl.Get();
    ctl.property(L"BillStatus", num(1))
        .property(L"CurBillID", num(5001))
        .property(L"TaskID", num(0))
        .property(L"bRPSetPart", Variant(false))
        .property(L"rsBillID", Variant(static_cast<IDispatch*>(nullptr)))
        .property(L"CurrentRow", num(1))
        .property(L"IsChange", Variant(false))
        .returns(L"SetBillName", Variant())
        .returns(L"SetStatus", Variant());
    addFieldAccess(b);
    addFormApi(b);
    addLayoutMembers(b);
    addSignatures(b);
    // The control reads its part switch as bRPSetPart and sets it as RPSetPart.
    ctl.on(L"RPSetPart", [](Invocation& inv) {
        if (inv.isPut() && inv.count()) inv.self.property(L"bRPSetPart", inv.value(inv.count() - 1));
    });
}

}  // namespace

SampleBill buildSampleBill() {
    SampleBill b;
    b.classType = dict({{L"FID", num(1001)},
                        {L"FName", text(L"销售订单")},
                        {L"FPrimaryKey", text(L"FInterID")},
                        {L"FEPrimaryKey", text(L"FEntryID")},
                        {L"FAccessoryTypeID", num(3)},
                        {L"FShowType", num(1)},
                        {L"FObjectID", num(81)},
                        {L"FObjectType", num(2)},
                        {L"FClassTypeKey", text(L"SEOrder")},
                        {L"FLayerNames", text(L"基本信息|其他")},
                        {L"FLayerCount", num(2)},
                        {L"FTableName", text(L"t_SEOrder")},
                        {L"FBillHeight", num(6000)},
                        {L"FBillWidth", num(9600)}});

    b.classTypeEntry = newVector();
    struct SamplePage {
        long entryType;
        const wchar_t* table;
        const wchar_t* keyField;
        long layer, top, height;
    };
    // The header, two grids with rows, a page that is neither header nor grid (an attachment
    // pane) and a grid of one record (FEntryType 0: its data is not indexed by row).
    const SamplePage pages[] = {{0, L"t_SEOrder", L"FInterID", 0, 0, 2400},
                              {1, L"t_SEOrderEntry", L"FEntryID", 0, 2500, 2000},
                              {1, L"t_SEOrderFee", L"FFeeID", 1, 4600, 1200},
                              {2, L"t_SEOrderAttach", L"FAttachID", 1, 5900, 600},
                              {0, L"t_SEOrderTerms", L"FTermsID", 1, 6600, 800}};
    long index = 1;
    for (const SamplePage& p : pages)
        b.classTypeEntry->add(objectValue(pageEntry(p.entryType, p.table, p.keyField, p.layer, p.top, p.height, index).Get()));

    b.tableInfo = newDictionary();
    auto map = newDictionary();
    ComPtr<PyxDictionary> pageFields[6] = {nullptr, newDictionary(), newDictionary(), newDictionary(),
                                           newDictionary(), newDictionary()};
    for (const SampleField& f : kFields) {
        auto desc = fieldDescriptor(f.key, f.caption, f.column, pages[f.page - 1].table, f.page, f.ctlType, f.lookUpType,
                                    f.valueType);
        // List boxes: FStatus lists its items in VALUELIST, FPayMode in SQL.
        if (f.ctlType == 8 && f.key == std::wstring_view(L"FStatus"))
            desc->set(L"VALUELIST", objectValue(dict({{L"1", text(L"Open")}, {L"2", text(L"Closed")}}).Get()));
        if (f.ctlType == 8 && f.key == std::wstring_view(L"FPayMode"))
            desc->set(L"SQL", objectValue(dict({{L"C", text(L"Cash")}, {L"T", text(L"Transfer")}}).Get()));
        b.tableInfo->set(f.name, objectValue(desc.Get()));
        map->set(f.key, text(f.name));
        pageFields[f.page]->set(f.name, text(f.name));
    }
    b.tableInfo->set(L"Map", objectValue(map.Get()));
    for (long p = 1; p <= 5; ++p) b.tableInfo->set(L"Page" + std::to_wstring(p), objectValue(pageFields[p].Get()));

    b.data = newDictionary();
    auto header = dict({{L"F1", objectValue(fieldData(text(L"SO-0001"), text(L""), text(L"SO-0001")).Get())},
                        {L"F2", objectValue(fieldData(text(L"2026-12-01"), text(L""), text(L"2026-12-01")).Get())},
                        {L"F3", objectValue(fieldData(num(17), num(17), text(L"东方商贸")).Get())},
                        {L"F4", objectValue(fieldData(text(L"1"), text(L""), text(L"Open")).Get())},
                        {L"F5", objectValue(fieldData(Variant(short(0)), text(L""), text(L"")).Get())},
                        {L"F6", objectValue(fieldData(text(L"C"), text(L""), text(L"Cash")).Get())},
                        {L"F7", objectValue(fieldData(text(L"It's urgent"), text(L""), text(L"It's urgent")).Get())}});
    b.data->set(L"Page1", objectValue(header.Get()));
    auto rows = newVector();
    rows->add(objectValue(dict({{L"E1", objectValue(fieldData(num(301), num(301), text(L"螺栓 M8")).Get())},
                                {L"E2", objectValue(fieldData(text(L"120"), text(L"120"), text(L"120")).Get())},
                                {L"E3", objectValue(fieldData(text(L"0.35"), text(L"0.35"), text(L"0.35")).Get())}})
                              .Get()));
    b.data->set(L"Page2", objectValue(rows.Get()));
    auto fees = newVector();
    fees->add(objectValue(dict({{L"P1", objectValue(fieldData(text(L"运费"), text(L""), text(L"运费")).Get())},
                                {L"P2", objectValue(fieldData(text(L"50"), text(L"50"), text(L"50")).Get())}})
                              .Get()));
    b.data->set(L"Page3", objectValue(fees.Get()));
    b.data->set(L"Page4", objectValue(dict({{L"A1", objectValue(fieldData(text(L""), text(L""), text(L"")).Get())}}).Get()));
    b.data->set(L"Page5",
                objectValue(dict({{L"T1", objectValue(fieldData(text(L"FOB"), text(L""), text(L"FOB")).Get())},
                                  {L"T2", objectValue(fieldData(text(L"2026-12-20"), text(L""), text(L"2026-12-20")).Get())}})
                                .Get()));

    // Lookup tables of the lookup fields (code -> display text), answered by GetItem.
    b.lookups = newDictionary();
    b.lookups->set(L"FCustID", objectValue(dict({{L"17", text(L"东方商贸")}, {L"18", text(L"西部电子")}}).Get()));
    b.lookups->set(L"FItemID", objectValue(dict({{L"301", text(L"螺栓 M8")}, {L"302", text(L"螺母 M8")}}).Get()));
    addControl(b);
    return b;
}

namespace {

// FFND of a value: the value when it is a number or reads as one, else "".
Variant numberOf(const Variant& value) {
    const VARIANT& v = value.get();
    if (V_VT(&v) == VT_I2 || V_VT(&v) == VT_I4 || V_VT(&v) == VT_R8 || V_VT(&v) == VT_BOOL) return value;
    std::wstring s = orvi::com::toString(v);
    wchar_t* end = nullptr;
    std::wcstod(s.c_str(), &end);
    return !s.empty() && end && !*end ? value : text(L"");
}

std::wstring displayOf(const BillFieldDesc& f, const Variant& value) {
    std::wstring code = orvi::com::toString(value.get());
    for (const auto* items : {&f.lookup, &f.list})
        for (const auto& [c, shown] : *items)
            if (c == code) return shown;
    return code;
}

ComPtr<PyxDictionary> recordOf(const BillPageDesc& page, const std::wstring& prefix, const std::vector<Variant>& row) {
    auto record = newDictionary();
    for (size_t n = 0; n < page.fields.size(); ++n) {
        const BillFieldDesc& f = page.fields[n];
        Variant value = n < row.size() ? row[n] : text(L"");
        Variant number = f.lookup.empty() ? numberOf(value) : value;
        record->set(prefix + std::to_wstring(n + 1),
                    objectValue(fieldData(value, number, text(displayOf(f, value).c_str())).Get()));
    }
    return record;
}

}  // namespace

SampleBill buildBill(const BillLayoutDesc& shape) {
    static const wchar_t* const prefixes[] = {L"F", L"E", L"P", L"G", L"H", L"J", L"K", L"M", L"N", L"Q"};
    SampleBill b;
    const std::wstring table = shape.pages.empty() ? L"" : shape.pages[0].table;
    b.classType = dict({{L"FID", num(1001)},
                        {L"FName", text(shape.name.c_str())},
                        {L"FPrimaryKey", text(L"FInterID")},
                        {L"FEPrimaryKey", text(L"FEntryID")},
                        {L"FObjectType", num(2)},
                        {L"FLayerNames", text(L"基本信息")},
                        {L"FLayerCount", num(1)},
                        {L"FTableName", text(table.c_str())},
                        {L"FBillHeight", num(long(shape.pages.size()) * 2000)},
                        {L"FBillWidth", num(9600)}});
    b.classTypeEntry = newVector();
    b.tableInfo = newDictionary();
    b.data = newDictionary();
    b.lookups = newDictionary();
    auto map = newDictionary();
    long index = 1;
    for (size_t p = 0; p < shape.pages.size() && p < std::size(prefixes); ++p) {
        const BillPageDesc& page = shape.pages[p];
        const long number = long(p + 1);
        const std::wstring prefix = prefixes[p];
        b.classTypeEntry->add(objectValue(pageEntry(page.grid ? 1 : 0, page.table, page.grid ? L"FEntryID" : L"FInterID", 0,
                                                    long(p) * 2000, 1900, index)
                                              .Get()));
        auto names = newDictionary();
        for (size_t n = 0; n < page.fields.size(); ++n) {
            const BillFieldDesc& f = page.fields[n];
            const std::wstring name = prefix + std::to_wstring(n + 1);
            auto desc = fieldDescriptor(f.key, f.caption, f.key, page.table, number, f.ctlType, f.lookup.empty() ? 0 : 1,
                                        f.valueType);
            if (!f.list.empty()) desc->set(L"VALUELIST", objectValue(itemsOf(f.list).Get()));
            if (!f.lookup.empty()) b.lookups->set(f.key, objectValue(itemsOf(f.lookup).Get()));
            b.tableInfo->set(name, objectValue(desc.Get()));
            map->set(f.key, text(name.c_str()));
            names->set(name, text(name.c_str()));
        }
        const std::wstring pageKey = L"Page" + std::to_wstring(number);
        b.tableInfo->set(pageKey, objectValue(names.Get()));
        if (page.grid) {
            auto rows = newVector();
            for (const auto& row : page.rows) rows->add(objectValue(recordOf(page, prefix, row).Get()));
            b.data->set(pageKey, objectValue(rows.Get()));
        } else {
            b.data->set(pageKey, objectValue(recordOf(page, prefix, page.rows.empty() ? std::vector<Variant>{} : page.rows[0]).Get()));
        }
    }
    b.tableInfo->set(L"Map", objectValue(map.Get()));
    addControl(b);
    return b;
}

SimBill::SimBill() : bill_(buildSampleBill()) {}

STDMETHODIMP SimBill::get_BillCtl(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, bill_.billCtl);
    });
}

STDMETHODIMP SimBill::get_BillCtlControl(IFakeHostControl** ret) {
    return guard([&] {
        initOut(ret);
        *ret = orvi::com::make<FakeHost>(bill_.billCtl).Detach();
    });
}

STDMETHODIMP SimBill::get_DataSrv(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, bill_.dataSrv);
    });
}

STDMETHODIMP SimBill::get_ClassType(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, bill_.classType);
    });
}

STDMETHODIMP SimBill::get_TableInfo(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, bill_.tableInfo);
    });
}

STDMETHODIMP SimBill::get_ClassTypeEntry(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, bill_.classTypeEntry);
    });
}

STDMETHODIMP SimBill::get_Lookups(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, bill_.lookups);
    });
}

STDMETHODIMP SimBill::Shown(BSTR FKey, long Row, VARIANT* ret) {
    return guard([&] {
        initOut(ret);
        shownText(bill_, std::wstring(orvi::com::view(FKey)), Row).detach(ret);
    });
}

STDMETHODIMP SimBill::get_Data(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, bill_.data);
    });
}

void addServices(SampleBill& b) {
    b.dataSrv = newFake(L"DataSrv");
    b.dataSrv->property(L"ClassType", objectValue(b.classType.Get()))
        .property(L"TableInfo", objectValue(b.tableInfo.Get()))
        .property(L"ClassTypeEntry", objectValue(b.classTypeEntry.Get()));
    b.billCtl = newFake(L"BillCtl");
    b.billCtl->property(L"DataSrv", objectValue(b.dataSrv.Get())).property(L"Data", objectValue(b.data.Get()));
}

}  // namespace hostkit
