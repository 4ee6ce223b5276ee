// The automation Collection as VB clients know it: a one-based list of Variants, each with an
// optional text key, reached late-bound through IDispatch (no type information):
//
//   Add Item [, Key] [, Before] [, After]   DISPID 1; Before/After: a position or a key
//   Count                                   DISPID 2
//   Item(Index)                             DISPID_VALUE (the default member); a position or a key
//   _NewEnum                                DISPID_NEWENUM: an IEnumVARIANT over a copy of the items
//
// Keys compare ignoring case. Errors are those of the platform's collection: a position out of
// range is 9, a key not there 5, a key given twice 457, a key that is not text 13, Before and
// After together 5; they are reported with the source "Collection".
//
// The library needs one wherever a member hands a collection to another component (the recipient
// list of a message); the platform under Wine offers no creatable one, so it is built here.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "Unknown.h"
#include "Variant.h"

namespace orvi::com {

class Collection final : public Unknown<Collection, IDispatch> {
public:
    static constexpr const wchar_t* kSource = L"Collection";
    static ComPtr<Collection> create();

    // Appends a copy of the value (references followed), without a key.
    void add(const VARIANT& item);
    long count() const noexcept { return long(items_.size()); }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;

private:
    Collection() = default;

    struct Entry {
        Variant value;
        bool keyed;
        std::wstring key;  // upper-cased
    };
    size_t positionOf(const VARIANT& index) const;  // 0-based
    void addEntry(const VARIANT& item, const VARIANT* key, const VARIANT* before, const VARIANT* after);
    ComPtr<IUnknown> newEnum() const;

    std::vector<Entry> items_;
};

}  // namespace orvi::com
