// Names of the members the library calls late-bound on the host's form controls and data
// service. They are the host's published names and must be spelled exactly so.
#pragma once

namespace orvi::host::member {

// Bill control: properties.
inline constexpr const wchar_t* DataSrv = L"DataSrv";
inline constexpr const wchar_t* Data = L"Data";
inline constexpr const wchar_t* BillStatus = L"BillStatus";
inline constexpr const wchar_t* CurBillID = L"CurBillID";
inline constexpr const wchar_t* TaskID = L"TaskID";
inline constexpr const wchar_t* RPSetPartGet = L"bRPSetPart";  // the get and the put differ
inline constexpr const wchar_t* RPSetPartPut = L"RPSetPart";
inline constexpr const wchar_t* RsBillID = L"rsBillID";
// Bill control: field access.
inline constexpr const wchar_t* GetDataFld = L"GetDataFld";
inline constexpr const wchar_t* GetItem = L"GetItem";
inline constexpr const wchar_t* GetFieldInfoByKey = L"GetFieldInfoByKey";
inline constexpr const wchar_t* SetText = L"SetText";
// Bill control: the form API.
inline constexpr const wchar_t* SetDecimal = L"SetDecimal";
inline constexpr const wchar_t* SetSumDecimal = L"SetSumDecimal";
inline constexpr const wchar_t* LockBill = L"LockBill";
inline constexpr const wchar_t* SetCaption = L"SetCaption";
inline constexpr const wchar_t* SetBarStatus = L"SetBarStatus";
inline constexpr const wchar_t* ShowHideField = L"ShowHideField";
inline constexpr const wchar_t* ShowHideGrid = L"ShowHideGrid";
inline constexpr const wchar_t* LockCell = L"LockCell";
inline constexpr const wchar_t* GetActiveCtl = L"GetActiveCtl";
inline constexpr const wchar_t* SetTypeFloatMin = L"SetTypeFloatMin";
inline constexpr const wchar_t* SetTypeFloatMax = L"SetTypeFloatMax";
inline constexpr const wchar_t* RefreshBill = L"RefreshBill";
inline constexpr const wchar_t* SaveSearchText = L"SaveSearchText";
inline constexpr const wchar_t* IsChange = L"IsChange";
inline constexpr const wchar_t* SetStatus = L"SetStatus";
inline constexpr const wchar_t* GetActiveField = L"GetActiveField";
inline constexpr const wchar_t* GetToolIndex = L"GetToolIndex";
inline constexpr const wchar_t* Sum = L"Sum";
inline constexpr const wchar_t* SetSumData = L"SetSumData";
inline constexpr const wchar_t* DeleteEntryData = L"DeleteEntryData";
inline constexpr const wchar_t* IsFileNeedFilter = L"IsFileNeedFilter";
inline constexpr const wchar_t* SetBillFormCaption = L"SetBillFormCaption";
inline constexpr const wchar_t* SetBillName = L"SetBillName";
inline constexpr const wchar_t* InsertNewRowAndFill = L"InsertNewRowAndFill";
inline constexpr const wchar_t* ClearGrids = L"ClearGrids";
// Bill control: the layout.
inline constexpr const wchar_t* SizeControl = L"SizeControl";
inline constexpr const wchar_t* SetGridMaxRows = L"SetGridMaxRows";
inline constexpr const wchar_t* GetGridMaxRows = L"GetGridMaxRows";
inline constexpr const wchar_t* IsGridVisible = L"IsGridVisible";
inline constexpr const wchar_t* IsFieldVisibleRunTime = L"IsFieldVisibleRunTime";
inline constexpr const wchar_t* IsFieldLockRunTime = L"IsFieldLockRunTime";
inline constexpr const wchar_t* SetHeadCtlProperty = L"SetHeadCtlProperty";
inline constexpr const wchar_t* GetHeadCtlProperty = L"GetHeadCtlProperty";

// Data service.
inline constexpr const wchar_t* ClassType = L"ClassType";
inline constexpr const wchar_t* TableInfo = L"TableInfo";
inline constexpr const wchar_t* ClassTypeEntry = L"ClassTypeEntry";

// List control of the bill list form (SetBarStatus as on the bill control).
inline constexpr const wchar_t* RsId = L"RsId";
inline constexpr const wchar_t* EnableListFillRowEvents = L"EnableListFillRowEvents";
inline constexpr const wchar_t* GetCurrentSelRowInfo = L"GetCurrentSelRowInfo";
inline constexpr const wchar_t* GetSelectedBillInfo = L"GetSelectedBillInfo";
inline constexpr const wchar_t* LoadSelectedBill = L"LoadSelectedBill";

// Browse control of the base-data form (GetActiveCtl as on the bill control).
inline constexpr const wchar_t* GetSelectedClassIDEx = L"GetSelectedClassIDEx";
inline constexpr const wchar_t* GetSelectedItemID = L"GetSelectedItemID";
inline constexpr const wchar_t* GetSelectedClassType = L"GetSelectedClassType";
inline constexpr const wchar_t* SelectClassGroupByID = L"SelectClassGroupByID";
inline constexpr const wchar_t* RefreshListByClassGroupID = L"RefreshListByClassGroupID";
inline constexpr const wchar_t* RefreshSelectedClassGroup = L"RefreshSelectedClassGroup";
inline constexpr const wchar_t* RefreshSelectedClassGroupList = L"RefreshSelectedClassGroupList";
inline constexpr const wchar_t* RefreshClassGroups = L"RefreshClassGroups";
inline constexpr const wchar_t* PitchItemByID = L"PitchItemByID";
inline constexpr const wchar_t* IsSearchState = L"IsSearchState";

// Template dictionaries.
inline constexpr const wchar_t* LookUp = L"LookUp";

}  // namespace orvi::host::member
