// Field value routines shared by the event objects and the layout model: storing a text into a
// field data dictionary by the field's column type (UpdateFldValue), the item list of a list-box
// field and the choice of its item for a value, and VB's comparison of a value with a text.
#pragma once
#include <optional>
#include <string_view>

#include "host/HostData.h"

namespace orvi::fieldvalue {

// The errors of the members that read and write field values (the bill event object's and the
// layout model's): one numbering for both.
inline constexpr HRESULT kFieldNotFound = com::objectErrorHresult(100);
inline constexpr HRESULT kValueNotFound = com::objectErrorHresult(101);
inline constexpr HRESULT kUpdateFailed = com::objectErrorHresult(102);
inline constexpr HRESULT kLookupFailed = com::objectErrorHresult(103);
inline constexpr HRESULT kNotInList = com::objectErrorHresult(104);

// Stores sValue into dctFld by dct("FValueType"), the field's SQL Server column type:
//  - numeric types: when the lenient numbers of sValue and of the text of "FFLD" differ, sValue
//    goes under "FFLD" and Integer 1 under "FMODIFY" and "FInput";
//  - datetime: the same when the two fall on different calendar days (a value that is not a date
//    is a type mismatch);
//  - any other type: when sValue differs from "FFLD", sValue without its single quotes goes
//    under "FFLD" and Integer 1 under "FMODIFY".
// Failures propagate (a missing dictionary is error 91).
void UpdateFldValue(IPyxDictionary* dct, IPyxDictionary* dctFld, std::wstring_view sValue);

// VB's comparison of a value with a String: the value's text against the text, exactly. Empty
// when the value is Null (the comparison is Null, which is neither true nor false).
std::optional<bool> EqualsText(const VARIANT& value, std::wstring_view text);

// The codes of a descriptor that steer a value write ("FCtlType", "FLookUpType"), compared the
// one way both the event object and the layout model compare them: exactly, as numbers (7.6 is
// not 8; Empty reads as 0; text that is no number is a type mismatch). A Null code equals
// nothing, and a Null lookup kind makes no lookup field.
std::optional<bool> CodeIs(const VARIANT& code, double n);
bool IsListField(IPyxDictionary* dct);      // "FCtlType" is 8
bool IsTwoStateField(IPyxDictionary* dct);  // "FCtlType" is 4
bool IsLookupField(IPyxDictionary* dct);    // "FLookUpType" is neither 0 nor 100

// The item list of a list-box field: "VALUELIST" when the descriptor has it, else "SQL". Keys
// are the stored codes, items the display texts.
host::DictionaryPtr ListItems(IPyxDictionary* dct);

// How an item's display text is compared with the value.
enum class ItemMatch {
    Variant,  // VB's comparison of the item with the text (EqualsText; a Null item never matches)
    Text      // the item converted to text, compared exactly (a Null item is an error)
};
struct ListChoice {
    Variant code;     // the item's key, as a String
    Variant display;  // the text itself when it matched a display text; else the item's value
};
// The item a value given as text stands for: the first item, in item order, whose display text
// equals the text; otherwise the item whose code the text is. Nothing when neither.
std::optional<ListChoice> ChooseListItem(IPyxDictionary* items, std::wstring_view text, ItemMatch match);

// Stores a chosen list item into the field data: the display text under "FDSP" and the code
// under "FFLD", both as String, then Integer 1 under "FMODIFY". A display value that is Null is
// error 94 and leaves the field data as it was. Returns the code, the text the form is shown.
Bstr StoreListChoice(IPyxDictionary* dctFld, const ListChoice& choice);

}  // namespace orvi::fieldvalue
