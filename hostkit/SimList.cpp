// The simulated bill list form and base-data form (see SimList.h for what each answers).
// Handlers reach the form's state through what they capture, never through the control itself,
// so no control holds a reference to itself.
#include "hostkit/SimList.h"

#include <algorithm>

#include "com/Errors.h"

namespace hostkit {

namespace {

const std::vector<std::wstring> kBillColumns = {L"FInterID", L"FBillNo", L"FDate", L"FCustName", L"FAmount"};
const std::vector<std::vector<std::wstring>> kBills = {
    {L"5001", L"SO-0001", L"2026-12-01", L"东方商贸", L"42.00"},
    {L"5002", L"SO-0002", L"2026-12-02", L"西部电子", L"1250.50"},
    {L"5003", L"SO-0003", L"2026-12-03", L"东方商贸", L"0"},
};

const std::vector<std::wstring> kGroupColumns = {L"FClassGroupID", L"FNumber", L"FName"};
const std::vector<std::vector<std::wstring>> kGroups = {
    {L"1", L"01", L"原材料"}, {L"2", L"02", L"产成品"}, {L"15", L"02.01", L"电子产品"}};
const std::vector<std::wstring> kItemColumns = {L"FItemID", L"FNumber", L"FName", L"FClassGroupID"};
const std::vector<std::vector<std::wstring>> kItems = {
    {L"301", L"1.01", L"螺栓 M8", L"1"}, {L"302", L"1.02", L"螺母 M8", L"1"}, {L"401", L"2.01", L"主板", L"15"}};

long longOf(const Variant& v) {
    return orvi::com::toLong(v.get());
}

bool listed(const TextTable& table, size_t column, long id) {
    return std::any_of(table.rows.begin(), table.rows.end(),
                       [&](const auto& r) { return column < r.size() && std::wcstol(r[column].c_str(), nullptr, 10) == id; });
}

void need(const Invocation& inv, size_t n) {
    if (inv.count() < n) raise(RuntimeError::ArgumentNotOptional);
}

}  // namespace

size_t TextTable::column(const std::wstring& name) const {
    auto found = std::find(columns.begin(), columns.end(), name);
    if (found == columns.end()) raise(RuntimeError::InvalidProcedureCall);
    return size_t(found - columns.begin());
}

SampleList buildSampleList() {
    return buildList({kBillColumns, kBills});
}

SampleList buildList(TextTable table) {
    SampleList l;
    auto bills = std::make_shared<const TextTable>(std::move(table));
    l.bills = bills;
    const size_t interId = bills->column(L"FInterID"), billNo = bills->column(L"FBillNo");
    l.bill = buildSampleBill();
    l.rsId = AdoRecordset::build(bills->columns, bills->rows).get();
    l.selection = std::make_shared<std::vector<long>>(std::vector<long>{1});
    l.listCtl = newFake(L"ListCtl");
    FakeObject& ctl = *l.listCtl.Get();
    ctl.property(L"DataSrv", objectValue(l.bill.dataSrv.Get()))
        .property(L"RsId", objectValue(l.rsId.Get()))
        .property(L"EnableListFillRowEvents", Variant(true))
        .property(L"CurrentRow", Variant(1L))
        .property(L"LoadedBill", Variant(0L))
        .property(L"LoadedStatus", Variant())
        .returns(L"SetBarStatus", Variant());
    ctl.on(L"GetCurrentSelRowInfo", [bills](Invocation& inv) {
        long row = longOf(inv.self.propertyValue(L"CurrentRow"));
        if (row < 1 || row > long(bills->rows.size())) raise(RuntimeError::SubscriptOutOfRange);
        auto info = newDictionary();
        for (size_t c = 0; c < bills->columns.size(); ++c)
            info->set(bills->columns[c], Variant(bills->rows[row - 1][c].c_str()));
        info->set(L"Row", Variant(row));
        inv.result = objectValue(info.Get());
    });
    std::shared_ptr<std::vector<long>> selection = l.selection;
    ctl.on(L"GetSelectedBillInfo", [selection, bills, interId, billNo](Invocation& inv) {
        auto selected = newVector();
        for (long row : *selection) {
            auto bill = newDictionary();
            bill->set(L"FInterID", Variant(std::wcstol(bills->rows[row - 1][interId].c_str(), nullptr, 10)));
            bill->set(L"FBillNo", Variant(bills->rows[row - 1][billNo].c_str()));
            selected->add(objectValue(bill.Get()));
        }
        inv.result = objectValue(selected.Get());
    });
    ctl.on(L"LoadSelectedBill", [selection, bills, interId](Invocation& inv) {
        need(inv, 1);
        if (selection->empty()) {
            inv.result = Variant(false);
            return;
        }
        inv.self.property(L"LoadedBill", Variant(std::wcstol(bills->rows[selection->front() - 1][interId].c_str(), nullptr, 10)));
        inv.self.property(L"LoadedStatus", inv.value(0));
        inv.result = Variant(true);
    });
    ctl.signature(L"SetBarStatus", L"ByRef String, ByRef String, ByVal Variant")
        .signature(L"GetCurrentSelRowInfo", L"")
        .signature(L"GetSelectedBillInfo", L"")
        .signature(L"LoadSelectedBill", L"ByRef Long");
    return l;
}

void selectRows(const SampleList& list, const std::vector<long>& rows) {
    std::vector<long> chosen;
    for (long r : rows)
        if (r >= 1 && r <= long(list.bills->rows.size()) && std::find(chosen.begin(), chosen.end(), r) == chosen.end())
            chosen.push_back(r);
    std::sort(chosen.begin(), chosen.end());
    *list.selection = chosen;
}

SimList::SimList() : list_(buildSampleList()) {}

STDMETHODIMP SimList::get_ListCtl(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, list_.listCtl);
    });
}

STDMETHODIMP SimList::get_ListCtlControl(IFakeHostControl** ret) {
    return guard([&] {
        initOut(ret);
        *ret = orvi::com::make<FakeHost>(list_.listCtl).Detach();
    });
}

STDMETHODIMP SimList::get_DataSrv(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, list_.bill.dataSrv);
    });
}

STDMETHODIMP SimList::get_Data(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, list_.bill.data);
    });
}

STDMETHODIMP SimList::get_TableInfo(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, list_.bill.tableInfo);
    });
}

STDMETHODIMP SimList::get_RsId(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, list_.rsId);
    });
}

STDMETHODIMP SimList::SelectRows(VARIANT Rows) {
    return guard([&] {
        std::vector<long> rows;
        const VARIANT& v = orvi::com::deref(Rows);
        if (V_VT(&v) & VT_ARRAY) {
            Variant copy(v);
            VARIANT asVariants;
            VariantInit(&asVariants);
            orvi::com::check(VariantChangeType(&asVariants, &copy.get(), 0, VT_ARRAY | VT_VARIANT));
            SAFEARRAY* array = V_ARRAY(&asVariants);
            LONG lower = 0, upper = -1;
            SafeArrayGetLBound(array, 1, &lower);
            SafeArrayGetUBound(array, 1, &upper);
            for (LONG i = lower; i <= upper; ++i) {
                Variant item;
                orvi::com::check(SafeArrayGetElement(array, &i, &item.get()));
                rows.push_back(longOf(item));
            }
            VariantClear(&asVariants);
        } else if (V_VT(&v) != VT_EMPTY && V_VT(&v) != VT_ERROR) {
            rows.push_back(orvi::com::toLong(v));
        }
        selectRows(list_, rows);
    });
}

TextTable sampleClassGroups() {
    return {kGroupColumns, kGroups};
}

TextTable sampleItems() {
    return {kItemColumns, kItems};
}

SampleBrowse buildSampleBrowse() {
    return buildBrowse(sampleClassGroups(), sampleItems());
}

SampleBrowse buildBrowse(TextTable groupTable, TextTable itemTable) {
    SampleBrowse b;
    auto groups = std::make_shared<const TextTable>(std::move(groupTable));
    auto items = std::make_shared<const TextTable>(std::move(itemTable));
    const size_t groupId = groups->column(L"FClassGroupID"), itemId = items->column(L"FItemID");
    b.rsClassGroup = AdoRecordset::build(groups->columns, groups->rows).get();
    b.rsItem = AdoRecordset::build(items->columns, items->rows).get();
    std::vector<std::vector<std::wstring>> ids;
    for (const auto& item : items->rows) ids.push_back({item[itemId]});
    b.rsId = AdoRecordset::build({L"FItemID"}, ids).get();
    b.toolbar = newToolbar();
    b.ledger = newDictionary();
    b.ledger->set(L"FLedger", Variant(L"物料"));
    b.dataSrv = newFake(L"DataSrv");
    b.dataSrv->property(L"ClassType", objectValue(newDictionary().Get()))
        .property(L"TableInfo", objectValue(newDictionary().Get()))
        .property(L"ClassTypeEntry", objectValue(newVector().Get()));

    b.browseCtl = newFake(L"BrowseCtl");
    FakeObject& ctl = *b.browseCtl.Get();
    ctl.property(L"EnableListFillRowEvents", Variant(true))
        .property(L"SelectedClassID", Variant(1L))
        .property(L"SelectedItemID", Variant(301L))
        .property(L"SelectedClassType", Variant(4L))
        .property(L"SearchState", Variant(false))
        .property(L"ListedClassGroupType", Variant(0L))
        .property(L"ListedClassGroupID", Variant(0L))
        .returns(L"RefreshSelectedClassGroup", Variant())
        .returns(L"RefreshSelectedClassGroupList", Variant())
        .returns(L"RefreshClassGroups", Variant());
    ctl.on(L"GetSelectedClassIDEx", [](Invocation& inv) { inv.result = inv.self.propertyValue(L"SelectedClassID"); });
    ctl.on(L"GetSelectedItemID", [](Invocation& inv) { inv.result = inv.self.propertyValue(L"SelectedItemID"); });
    ctl.on(L"GetSelectedClassType", [](Invocation& inv) { inv.result = inv.self.propertyValue(L"SelectedClassType"); });
    ctl.on(L"IsSearchState", [](Invocation& inv) { inv.result = inv.self.propertyValue(L"SearchState"); });
    ComPtr<FakeObject> activeCtl = newFake(L"ActiveCtl");
    ctl.on(L"GetActiveCtl", [activeCtl](Invocation& inv) { inv.result = objectValue(activeCtl.Get()); });
    ctl.on(L"SelectClassGroupByID", [groups, groupId](Invocation& inv) {
        need(inv, 1);
        long id = longOf(inv.value(0));
        if (!listed(*groups, groupId, id)) {
            inv.result = Variant(0L);
            return;
        }
        inv.self.property(L"SelectedClassID", Variant(id));
        inv.result = Variant(id);
    });
    ctl.on(L"RefreshListByClassGroupID", [](Invocation& inv) {
        need(inv, 2);
        inv.self.property(L"ListedClassGroupType", Variant(longOf(inv.value(0))));
        inv.self.property(L"ListedClassGroupID", Variant(longOf(inv.value(1))));
    });
    ctl.on(L"PitchItemByID", [items, itemId](Invocation& inv) {
        need(inv, 1);
        long id = longOf(inv.value(0));
        bool found = listed(*items, itemId, id);
        if (found) inv.self.property(L"SelectedItemID", Variant(id));
        inv.result = Variant(found);
    });
    for (const wchar_t* name : {L"GetSelectedClassIDEx", L"GetSelectedItemID", L"GetSelectedClassType", L"GetActiveCtl",
                                L"RefreshSelectedClassGroup", L"RefreshSelectedClassGroupList", L"RefreshClassGroups",
                                L"IsSearchState"})
        ctl.signature(name, L"");
    ctl.signature(L"SelectClassGroupByID", L"ByRef Long")
        .signature(L"RefreshListByClassGroupID", L"ByRef Long, ByRef Long")
        .signature(L"PitchItemByID", L"ByRef Long");
    return b;
}

SimBrowse::SimBrowse() : browse_(buildSampleBrowse()) {}

STDMETHODIMP SimBrowse::get_BrowseCtl(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, browse_.browseCtl);
    });
}

STDMETHODIMP SimBrowse::get_BrowseCtlControl(IFakeHostControl** ret) {
    return guard([&] {
        initOut(ret);
        *ret = orvi::com::make<FakeHost>(browse_.browseCtl).Detach();
    });
}

STDMETHODIMP SimBrowse::get_ActiveBar(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        *ret = static_cast<IDispatch*>(browse_.toolbar.Get());
        (*ret)->AddRef();
    });
}

STDMETHODIMP SimBrowse::get_DataSrv(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, browse_.dataSrv);
    });
}

STDMETHODIMP SimBrowse::get_RsItem(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, browse_.rsItem);
    });
}

STDMETHODIMP SimBrowse::get_RsId(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, browse_.rsId);
    });
}

STDMETHODIMP SimBrowse::get_RsClassGroup(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, browse_.rsClassGroup);
    });
}

STDMETHODIMP SimBrowse::get_LedgerProperty(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        orvi::com::store(ret, browse_.ledger);
    });
}

}  // namespace hostkit
