// A simulated bill list form and a simulated base-data form, for tests, the demo and (as
// OrviHostKit.SimList and OrviHostKit.SimBrowse) scripts.
#pragma once
#include <memory>

#include "hostkit/AdoRecords.h"
#include "hostkit/SimBill.h"
#include "hostkit/ToolbarKit.h"

namespace hostkit {

// The list form of the sample bill template (SimBill.h): three sales orders as rows.
//   RsId (ADO Recordset, text columns FInterID, FBillNo, FDate, FCustName, FAmount):
//     5001 SO-0001 2026-12-01 东方商贸 42.00 / 5002 SO-0002 2026-12-02 西部电子 1250.50 /
//     5003 SO-0003 2026-12-03 东方商贸 0
//   the current bill's data (Data) is the sample bill's, for the row of 5001.
// The list control answers, besides DataSrv, RsId and EnableListFillRowEvents (True until set):
//   GetCurrentSelRowInfo()   a Dictionary of the current row (the CurrentRow property, 1 at
//                       first): each column by name, and "Row"
//   GetSelectedBillInfo()    a Vector of one Dictionary per selected row, in row order:
//                       FInterID (a Long) and FBillNo; the selection is the first row at first
//   LoadSelectedBill(status) True when a row is selected: LoadedBill becomes the FInterID of
//                       the first selected row and LoadedStatus the status; False otherwise
//   SetBarStatus(name, property, value)  recorded only
// Parameters as the form declares them (FakeObject::signature): SetBarStatus(ByRef String,
// ByRef String, ByVal Variant), LoadSelectedBill(ByRef Long), the other two none.
// Rows of text under named columns, as the forms' recordsets hold them.
struct TextTable {
    std::vector<std::wstring> columns;
    std::vector<std::vector<std::wstring>> rows;
    // The position of a column; error 5 when the table has none of that name.
    size_t column(const std::wstring& name) const;
};

struct SampleList {
    SampleBill bill;
    ComPtr<FakeObject> listCtl;
    ComPtr<IDispatch> rsId;
    std::shared_ptr<std::vector<long>> selection;  // selected rows, 1-based, in row order
    std::shared_ptr<const TextTable> bills;         // the rows of RsId
};
SampleList buildSampleList();
// The same form over other rows (columns FInterID and FBillNo needed, a number in FInterID).
SampleList buildList(TextTable bills);
// Selects rows of the list (1-based; rows that do not exist are left out).
void selectRows(const SampleList& list, const std::vector<long>& rows);

class SimList final : public orvi::com::ComObject<SimList, HostKitLibrary, ISimList> {
public:
    static constexpr const wchar_t* kSource = L"OrviHostKit.SimList";
    SimList();

    STDMETHODIMP get_ListCtl(IDispatch** ret) override;
    STDMETHODIMP get_ListCtlControl(IFakeHostControl** ret) override;
    STDMETHODIMP get_DataSrv(IDispatch** ret) override;
    STDMETHODIMP get_Data(IDispatch** ret) override;
    STDMETHODIMP get_TableInfo(IDispatch** ret) override;
    STDMETHODIMP get_RsId(IDispatch** ret) override;
    STDMETHODIMP SelectRows(VARIANT Rows) override;

    const SampleList& sample() const noexcept { return list_; }

private:
    SampleList list_;
};

// The base-data form of items: class groups and the items of each, in one browse control.
//   RsClassGroup (FClassGroupID, FNumber, FName):  1 01 原材料 / 2 02 产成品 / 15 02.01 电子产品
//   RsItem (FItemID, FNumber, FName, FClassGroupID): 301 1.01 螺栓 M8 1 / 302 1.02 螺母 M8 1 /
//                                                   401 2.01 主板 15
//   RsId (FItemID) of the listed items; a toolbar (ToolbarKit.h) for ListActiveBar; a data
//   service and a ledger property Dictionary.
// The browse control answers, besides EnableListFillRowEvents (True until set):
//   GetSelectedClassIDEx(), GetSelectedItemID(), GetSelectedClassType()   the properties
//                       SelectedClassID (1), SelectedItemID (301), SelectedClassType (4)
//   GetActiveCtl()      an "ActiveCtl" object
//   SelectClassGroupByID(id)  selects a known group and answers its ID; 0 for an unknown one
//   RefreshListByClassGroupID(type, id)  ListedClassGroupType and ListedClassGroupID become them
//   RefreshSelectedClassGroup(), RefreshSelectedClassGroupList(), RefreshClassGroups()  recorded
//   PitchItemByID(id)   selects a known item and answers True; False for an unknown one
//   IsSearchState()     the SearchState property (False)
// Parameters as the form declares them (FakeObject::signature): SelectClassGroupByID and
// PitchItemByID(ByRef Long), RefreshListByClassGroupID(ByRef Long, ByRef Long), the others none.
struct SampleBrowse {
    ComPtr<FakeObject> browseCtl;
    ComPtr<FakeObject> dataSrv;
    ComPtr<ToolbarControl> toolbar;
    ComPtr<IDispatch> rsItem, rsId, rsClassGroup;
    ComPtr<PyxDictionary> ledger;
};
SampleBrowse buildSampleBrowse();
// The same form over other class groups (column FClassGroupID needed) and items (FItemID), each
// ID a number; RsId lists the items' IDs.
SampleBrowse buildBrowse(TextTable groups, TextTable items);
// The sample's class groups and items (above).
TextTable sampleClassGroups();
TextTable sampleItems();

class SimBrowse final : public orvi::com::ComObject<SimBrowse, HostKitLibrary, ISimBrowse> {
public:
    static constexpr const wchar_t* kSource = L"OrviHostKit.SimBrowse";
    SimBrowse();

    STDMETHODIMP get_BrowseCtl(IDispatch** ret) override;
    STDMETHODIMP get_BrowseCtlControl(IFakeHostControl** ret) override;
    STDMETHODIMP get_ActiveBar(IDispatch** ret) override;
    STDMETHODIMP get_DataSrv(IDispatch** ret) override;
    STDMETHODIMP get_RsItem(IDispatch** ret) override;
    STDMETHODIMP get_RsId(IDispatch** ret) override;
    STDMETHODIMP get_RsClassGroup(IDispatch** ret) override;
    STDMETHODIMP get_LedgerProperty(IDispatch** ret) override;

    const SampleBrowse& sample() const noexcept { return browse_; }

private:
    SampleBrowse browse_;
};

}  // namespace hostkit
