// VeskFields: the fields of one page of the bill (the header page or an entry grid). It stores
// no fields: every Item finds the field in the template's field table (TableInfo) by position on
// the page or by field key, and re-points the one VeskField the collection owns at it.
#pragma once
#include <string>
#include <string_view>

#include "base/Library.h"
#include "host/HostData.h"

namespace orvi {

class VeskField;
class VeskFields;

// Answers the library's own identity of a VeskFields, so that a _VeskFields reference a plug-in
// hands back can be taken for the library's object (anything else does not answer it).
struct VeskFieldsIdentity {
    void* castTo(REFIID riid) noexcept;
};

class VeskFields final : public Object<VeskFields, _VeskFields, VeskFieldsIdentity> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.VeskFields";
    static const IID kIdentity;
    // Owner kinds: which page object the collection serves; its fields behave accordingly.
    static constexpr const wchar_t* kOwnerHead = L"BillHead";
    static constexpr const wchar_t* kOwnerEntry = L"BillEntry";

    VeskFields();
    ~VeskFields() override;

    // _VeskFields
    STDMETHODIMP get_Item(VARIANT Index, _VeskField** ret) override;
    STDMETHODIMP get_Count(long* ret) override;

    // Initialisers of the page objects, called on every read of their VeskFields in this order.
    // SetBillCtl stores the control, then reads its DataSrv.TableInfo as the field table.
    void setBillCtl(const com::HostPtr& billCtl);
    void setOwnerKind(std::wstring_view ownerKind) { ownerKind_ = ownerKind; }
    void setPage(long page) noexcept { page_ = page; }

    // The library's VeskFields behind a _VeskFields reference (null for Nothing); another
    // object is a type mismatch.
    static ComPtr<VeskFields> from(IUnknown* object);
    // The same for a plug-in's Set of a page object's VeskFields (a null pointer is E_POINTER).
    static ComPtr<VeskFields> from(_VeskFields** object);

    // The collection a page object keeps (made on first use), initialised for that page.
    static ComPtr<VeskFields> forPage(ComPtr<VeskFields>& kept, const com::HostPtr& billCtl, std::wstring_view ownerKind,
                                      long page);

private:
    IPyxDictionary* table() const;  // the field table, or error 91
    // The descriptor key of the field at a 1-based position on the page; "" when there is none
    // or anything fails.
    Bstr keyByIndex(const VARIANT& index) const noexcept;
    // The descriptor key of the field a field key maps to, when the page lists it (compared
    // exactly); "" otherwise. Failures propagate.
    Bstr keyByName(BSTR name) const;

    // Released last-declared first when the object goes; the host sees that order.
    com::HostPtr billCtl_;
    host::DictionaryPtr tableInfo_;
    ComPtr<VeskField> field_;  // made by the first Item
    long page_ = 0;
    std::wstring ownerKind_;
};

}  // namespace orvi
