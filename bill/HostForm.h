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
// Bill control: methods.
inline constexpr const wchar_t* SetBillName = L"SetBillName";
inline constexpr const wchar_t* SetStatus = L"SetStatus";

// Data service.
inline constexpr const wchar_t* ClassType = L"ClassType";
inline constexpr const wchar_t* TableInfo = L"TableInfo";
inline constexpr const wchar_t* ClassTypeEntry = L"ClassTypeEntry";

}  // namespace orvi::host::member
