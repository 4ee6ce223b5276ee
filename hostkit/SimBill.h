// A simulated bill form: a bill control and data service (fake host objects) over a sample
// template with a header page, three entry grids and a page that is neither, and the bill's
// data. Used by the demo, by tests and, as OrviHostKit.SimBill, by scripts.
#pragma once
#include "hostkit/FakeHost.h"
#include "hostkit/PyxContainers.h"

namespace hostkit {

struct SampleBill {
    ComPtr<FakeObject> billCtl;
    ComPtr<FakeObject> dataSrv;
    ComPtr<PyxDictionary> classType;
    ComPtr<PyxDictionary> tableInfo;
    ComPtr<PyxVector> classTypeEntry;
    ComPtr<PyxDictionary> data;
    ComPtr<PyxDictionary> lookups;  // FKey -> Dictionary of code -> display text, for GetItem
    ComPtr<PyxDictionary> screen;   // what SetText showed, by shownKey
};

// The sample: sales order 1001 ("销售订单") on five pages:
//   1 header t_SEOrder          FBillNo, FDate, FCustID (lookup), FStatus (list, VALUELIST),
//                               FUrgent (two-state), FPayMode (list, SQL), FExplanation
//   2 grid t_SEOrderEntry       rows: FItemID (lookup), FQty, FPrice
//   3 grid t_SEOrderFee         rows: FFeeName, FAmount
//   4 attachment pane           FEntryType 2: neither header nor grid; FAttachment
//   5 grid t_SEOrderTerms       FEntryType 0, one record: FTerms, FDelivery
// Descriptor names: F1.. on page 1, E1.. on 2, P1.. on 3, A1 on 4, T1.. on 5 (in layout order).
//
// The bill control answers, besides its properties:
//   GetFieldInfoByKey(key, ByRef name, ByRef index)  the descriptor of the field whose FKey is key
//                       (Nothing when none), its descriptor name and its position on its page
//   GetDataFld(dct, row)  the field's data dictionary: Data("Page<n>") by descriptor name, and on
//                       a page with FEntryType 1 by row first (a row below 1 is CurrentRow);
//                       Nothing for Nothing, an unknown field or a row that does not exist
//   GetItem(dct, dctFld, text, row)  looks text up in the field's lookup table, as a code or as a
//                       display text: when found stores FFLD and FFND (the code, a Long when it
//                       is a number), FDSP and FMODIFY 1 and answers True; otherwise False
//   SetText(dct, row, text)  shows text: screen(shownKey(FKey, row)) = text
//   the form API: each member recorded; IsChange reads the IsChange property, GetActiveCtl
//                       answers an "ActiveCtl" object, GetActiveField fills (FQty's descriptor,
//                       Col 2, CurrentRow), Sum adds FFLD of a grid field over rows BRow..ERow
//                       (0 = from the first, to the last), DeleteEntryData empties a grid page,
//                       InsertNewRowAndFill inserts a row at nRow (after the last for 0 or beyond)
//                       filled in layout order from the array, IsFileNeedFilter answers False,
//                       SetBillFormCaption keeps the caption in the Caption property,
//                       GetToolIndex answers the ToolIndex property (0)
//   the layout (SimBillLayout.cpp), kept by the control from its creation on:
//     grids by the control's grid number, 0 for the first page after the header whose
//                       FEntryType is 0 or 1, counted in page order (0, 1, 2 in the sample); a
//                       number without a grid is error 9: SetGridMaxRows(grid, n) and
//                       GetGridMaxRows(grid) (0, no limit, until set), ShowHideGrid(grid, b) and
//                       IsGridVisible(grid) (True until hidden)
//     ShowHideField(dct, b) and IsFieldVisibleRunTime(dct), by the field's FKey (True until
//                       hidden); LockCell(dct, row, b) and IsFieldLockRunTime(dct, row), by
//                       shownKey (False until locked)
//     SetHeadCtlProperty(dct, name) applies to the header control of a page-1 field what the
//                       descriptor now says for property name (TextColor, LabelWidth,
//                       LabelColor, FrameBorderColor, FrameBorder from their F-keys; FontName,
//                       FontSize, FontBold, FontItalic from the items of FFont), converted to
//                       the property's type; a value it cannot read leaves the property as it
//                       was. GetHeadCtlProperty(dct, name) answers the property, or what the
//                       descriptor gives for it while it was never set. Another property name,
//                       or a field not on page 1, is error 5
//     SizeControl()     recorded only (it takes no arguments)
SampleBill buildSampleBill();

// A bill template of one's own: a header page and grid pages of fields, and the bill's values.
struct BillFieldDesc {
    std::wstring key;                        // FKey, also the column name
    std::wstring caption;                    // FCaption
    long ctlType = 1;                        // FCtlType: 1 text, 3 date, 4 two-state, 8 list box
    long valueType = 167;                    // FValueType
    std::vector<std::pair<std::wstring, std::wstring>> lookup;  // code -> display: a lookup field
    std::vector<std::pair<std::wstring, std::wstring>> list;    // a list box's items (VALUELIST)
};
struct BillPageDesc {
    bool grid = false;  // a grid of rows (FEntryType 1); else the header (FEntryType 0, page 1)
    std::wstring table;
    std::vector<BillFieldDesc> fields;
    // The values in field order: the header's one record, a grid's rows. FFLD is the value as
    // given; FDSP its lookup's or list's display text, else its text; FFND the value when it
    // is a number (or a lookup code), else "".
    std::vector<std::vector<Variant>> rows;
};
struct BillLayoutDesc {
    std::wstring name = L"销售订单";  // FName of the bill type
    std::vector<BillPageDesc> pages;  // the header first
};
// A simulated bill over the template: descriptors F1.. on page 1, then E1.., P1.., G1.., H1..
// per grid page, pages laid out one below the other; the control answers as for the sample.
SampleBill buildBill(const BillLayoutDesc& shape);

// The key under which SetText keeps what it showed: the FKey, and "@<row>" on a page of rows.
std::wstring shownKey(const SampleBill& bill, const std::wstring& fkey, long row);
// What SetText showed for a field (Empty when nothing).
Variant shownText(const SampleBill& bill, const std::wstring& fkey, long row);

// The data service over the bill's template (ClassType, TableInfo, ClassTypeEntry) and a bill
// control "BillCtl" answering DataSrv and Data, with no other member yet.
void addServices(SampleBill& bill);

// Members of the simulated bill control (SimBillFields.cpp).
void addFieldAccess(SampleBill& bill);
void addFormApi(SampleBill& bill);
void addLayoutMembers(SampleBill& bill);  // SimBillLayout.cpp; after addFormApi
// The parameters of the control's members, as the form declares them (FakeObject::signature):
//   GetFieldInfoByKey(ByRef String, ByRef String, ByRef Long)
//   GetDataFld(ByRef Dictionary, ByRef Long)
//   GetItem(ByRef Dictionary, ByRef Dictionary, ByVal String, ByRef Long)
//   SetText(ByRef Dictionary, ByRef Long, ByRef String)
//   SetDecimal(ByRef Dictionary, ByRef Long, ByRef Long), SetSumDecimal(ByRef Dictionary, ByRef Long)
//   SetCaption, SetSumData, IsFieldVisibleRunTime(ByRef Dictionary)
//   SetBarStatus(ByRef String, ByRef String, ByVal Variant)
//   ShowHideField(ByRef Dictionary, ByRef Boolean), ShowHideGrid(ByVal Long, ByRef Boolean)
//   LockCell(ByRef Dictionary, ByRef Long, ByRef Boolean), IsFieldLockRunTime(ByRef Dictionary, ByRef Long)
//   SetTypeFloatMin, SetTypeFloatMax(ByRef Dictionary, ByRef Long, ByRef Double)
//   SaveSearchText, DeleteEntryData(ByRef Long), SetStatus(ByRef Integer, ByRef String)
//   GetActiveField(ByRef Dictionary, ByRef Long, ByRef Long), GetToolIndex(ByRef String, ByRef String)
//   Sum(ByRef Dictionary, ByRef Long, ByRef Long), SetBillFormCaption(ByRef String)
//   InsertNewRowAndFill(ByRef Long, ByRef Long, ByRef Variant), ClearGrids(ByRef Integer)
//   SetGridMaxRows(ByVal Long, ByRef Long), GetGridMaxRows, IsGridVisible(ByVal Long)
//   SetHeadCtlProperty, GetHeadCtlProperty(ByRef Dictionary, ByRef String)
//   LockBill, GetActiveCtl, RefreshBill, IsChange, IsFileNeedFilter, SetBillName, SizeControl()
void addSignatures(SampleBill& bill);

class SimBill final : public orvi::com::ComObject<SimBill, HostKitLibrary, ISimBill> {
public:
    static constexpr const wchar_t* kSource = L"OrviHostKit.SimBill";
    SimBill();

    STDMETHODIMP get_BillCtl(IDispatch** ret) override;
    STDMETHODIMP get_BillCtlControl(IFakeHostControl** ret) override;
    STDMETHODIMP get_DataSrv(IDispatch** ret) override;
    STDMETHODIMP get_ClassType(IDispatch** ret) override;
    STDMETHODIMP get_TableInfo(IDispatch** ret) override;
    STDMETHODIMP get_ClassTypeEntry(IDispatch** ret) override;
    STDMETHODIMP get_Data(IDispatch** ret) override;
    STDMETHODIMP get_Lookups(IDispatch** ret) override;
    STDMETHODIMP Shown(BSTR FKey, long Row, VARIANT* ret) override;

private:
    SampleBill bill_;
};

}  // namespace hostkit
