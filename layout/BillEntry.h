#pragma once
#include "server/Library.h"

namespace orvi {

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
};

}  // namespace orvi
