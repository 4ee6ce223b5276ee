// Routines shared by the classes of the bill layout model (BillHeads, BillHead, BillEntrys,
// BillEntry, VeskFields, VeskField): the template objects read through the bill control, the
// collections' index error, the resize that follows a geometry change, and VB's comparison of a
// Variant with a number.
#pragma once
#include <optional>

#include "base/Library.h"
#include "host/HostData.h"

namespace orvi::layout {

// Error 3001 of the collections: a bad Index.
inline constexpr HRESULT kBadIndex = com::objectErrorHresult(3001);
// Raises kBadIndex with the Chinese source text in the session language.
[[noreturn]] void RaiseBadIndex(const wchar_t* text);

// The data service of a bill control (its DataSrv, late-bound; Nothing is error 91).
ComPtr<IDispatch> DataSrvOf(com::Target billCtl);
// DataSrv.ClassTypeEntry of a bill control: the page vector.
host::VectorPtr PagesOf(com::Target billCtl);
// DataSrv.TableInfo of a bill control: the field table.
host::DictionaryPtr TableInfoOf(com::Target billCtl);

// Value get of a Dictionary by a key already held as a BSTR (a null container is error 91).
Variant ItemOf(IPyxDictionary* d, BSTR key);
// The text of a value (VB's CStr); the BSTR of a String value is taken over rather than copied.
Bstr TakeText(Variant&& value);

// Asks the bill control to lay the form out again after a geometry change. Nothing may fail
// the change: a missing control or a failing SizeControl is ignored.
void SizeControl(com::Target billCtl) noexcept;

// VB's `value = number`: Empty counts as 0, a text is read as a number (one that is no number
// is a type mismatch); empty for Null, whose comparison is neither true nor false.
std::optional<bool> EqualsNumber(const VARIANT& value, double number);

}  // namespace orvi::layout
