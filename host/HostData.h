// The host's template and data containers (the foundation library's Dictionary and Vector) as
// the library reads and writes them. Containers arrive as objects or Variants; converting one to
// a container that is another kind of object is a type mismatch (13), a non-object is
// "Object required" (424), Nothing stays Nothing.
#pragma once
#include <string>
#include <string_view>

#include "Foundation.h"
#include "base/Library.h"

namespace orvi::host {

using DictionaryPtr = ComPtr<IPyxDictionary>;
using VectorPtr = ComPtr<IPyxVector>;

DictionaryPtr toDictionary(const VARIANT& v);
VectorPtr toVector(const VARIANT& v);
DictionaryPtr toDictionary(IDispatch* p);
VectorPtr toVector(IDispatch* p);

// An ADO Recordset, held through its _Recordset interface (a dual interface, so an IDispatch).
// Nothing stays Nothing; an object that is no recordset is a type mismatch.
ComPtr<IDispatch> toRecordset(const VARIANT& v);
ComPtr<IDispatch> toRecordset(IDispatch* p);

// Value get by key; a missing key gives what the container gives (Empty). A null container is 91.
Variant item(IPyxDictionary* d, std::wstring_view key);
// The same with a key that already is a BSTR (no copy made).
Variant itemOfKey(IPyxDictionary* d, const Bstr& key);
// Value put by key (adds the key when absent).
void setItem(IPyxDictionary* d, std::wstring_view key, const VARIANT& value);
bool lookUp(IPyxDictionary* d, std::wstring_view key);
long count(IPyxDictionary* d);
Bstr keyAt(IPyxDictionary* d, long index);

long lowerBound(IPyxVector* v);
long upperBound(IPyxVector* v);
Variant item(IPyxVector* v, long index);

// "Page" followed by the page number in decimal: page 1 is "Page1".
std::wstring pageKey(long page);

}  // namespace orvi::host
