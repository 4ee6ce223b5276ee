// BillEntry: one entry grid of the bill. Its geometry, key field, table and layer are read from
// and written into the grid's page descriptor in the template; row limit and visibility are asked
// of the bill control, which numbers its grids from 0 (EntryIndex - 1). It owns one field
// collection, re-initialised on every read of VeskFields.
#pragma once
#include "base/Library.h"
#include "host/HostData.h"

namespace orvi {

class VeskFields;

class BillEntry final : public Object<BillEntry, _BillEntry> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.BillEntry";

    BillEntry();
    ~BillEntry() override;

    // _BillEntry
    STDMETHODIMP get_EntryIndex(long* ret) override;
    STDMETHODIMP get_KeyField(BSTR* ret) override;
    STDMETHODIMP get_EntryType(short* ret) override;
    STDMETHODIMP get_Layer(short* ret) override;
    STDMETHODIMP put_EntryHeight(short vData) override;
    STDMETHODIMP get_EntryHeight(short* ret) override;
    STDMETHODIMP put_EntryWidth(short vData) override;
    STDMETHODIMP get_EntryWidth(short* ret) override;
    STDMETHODIMP put_EntryTop(short vData) override;
    STDMETHODIMP get_EntryTop(short* ret) override;
    STDMETHODIMP put_EntryLeft(short vData) override;
    STDMETHODIMP get_EntryLeft(short* ret) override;
    STDMETHODIMP put_MaxRows(long vData) override;
    STDMETHODIMP get_MaxRows(long* ret) override;
    STDMETHODIMP put_Visible(VARIANT_BOOL vData) override;
    STDMETHODIMP get_Visible(VARIANT_BOOL* ret) override;
    STDMETHODIMP get_TableName(BSTR* ret) override;
    STDMETHODIMP get_VeskFields(_VeskFields** ret) override;
    STDMETHODIMP putref_VeskFields(_VeskFields** vData) override;

    // Initialisers of the entry collection, called on every Item in this order.
    void setBillCtl(const com::HostPtr& billCtl) noexcept { billCtl_ = billCtl; }
    void setEntryIndex(long entryIndex) noexcept { entryIndex_ = entryIndex; }
    // Stores the position and fetches the grid's page descriptor: Item(position) of the bill
    // control's DataSrv.ClassTypeEntry, three late-bound reads, the position by reference.
    void loadEntry(long position);

private:
    const com::HostPtr& bill() const;  // the bill control, or error 91
    IPyxDictionary* descriptor() const;  // the page descriptor, or error 91
    Variant read(const wchar_t* key) const;
    // A geometry let: the value stored as an Integer, then the form laid out again.
    void writeGeometry(const wchar_t* key, short value);
    long gridNumber() const noexcept { return entryIndex_ - 1; }

    // Released last-declared first when the object goes; the host sees that order.
    host::DictionaryPtr page_;
    com::HostPtr billCtl_;
    ComPtr<VeskFields> fields_;  // made by the first read of VeskFields, or set by a plug-in
    long position_ = 0;
    long entryIndex_ = 0;
};

}  // namespace orvi
