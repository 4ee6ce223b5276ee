// The automation Collection as VB clients know it: a one-based list of Variants, each with an
// optional text key. It answers the platform's dual interface _Collection, which a VB component
// asks for when its parameter is declared As Collection, and plain IDispatch (no type
// information) for late-bound callers:
//
//   Item(Index)                             DISPID_VALUE (the default member); a position or a key
//   Add Item [, Key] [, Before] [, After]   DISPID 1; Before/After: a position or a key
//   Count                                   DISPID 2
//   Remove Index                            DISPID 3; a position or a key
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

// The platform's automation _Collection interface (named here so as not to meet ADO's
// _Collection), in its vtable order after IDispatch. Optional arguments a caller
// leaves out arrive as VT_ERROR DISP_E_PARAMNOTFOUND (or as null pointers).
MIDL_INTERFACE("A4C46780-499F-101B-BB78-00AA00383CBB")
AutomationCollection : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Item(VARIANT* Index, VARIANT* pvarRet) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(VARIANT* Item, VARIANT* Key, VARIANT* Before, VARIANT* After) = 0;
    virtual HRESULT STDMETHODCALLTYPE Count(long* pi4) = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove(VARIANT* Index) = 0;
    virtual HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** ppunk) = 0;
};

}  // namespace orvi::com

__CRT_UUID_DECL(orvi::com::AutomationCollection, 0xa4c46780, 0x499f, 0x101b, 0xbb, 0x78, 0x00, 0xaa, 0x00, 0x38, 0x3c, 0xbb)

namespace orvi::com {

class Collection final : public Unknown<Collection, AutomationCollection> {
public:
    static constexpr const wchar_t* kSource = L"Collection";
    static ComPtr<Collection> create();

    // Appends a copy of the value (references followed), without a key.
    void add(const VARIANT& item);
    long count() const noexcept { return long(items_.size()); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;

    // _Collection
    STDMETHODIMP Item(VARIANT* Index, VARIANT* pvarRet) override;
    STDMETHODIMP Add(VARIANT* Item, VARIANT* Key, VARIANT* Before, VARIANT* After) override;
    STDMETHODIMP Count(long* pi4) override;
    STDMETHODIMP Remove(VARIANT* Index) override;
    STDMETHODIMP _NewEnum(IUnknown** ppunk) override;

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
    // Runs a member called through the vtable; a failure is reported with error info.
    template <class F>
    HRESULT vtableCall(F&& f) noexcept;
    ComPtr<IUnknown> newEnum() const;

    std::vector<Entry> items_;
};

}  // namespace orvi::com
