// BillHead: the header page of the bill. It knows its bill control and its page number (1), and
// owns one field collection, re-initialised on every read of VeskFields.
#pragma once
#include "base/Library.h"

namespace orvi {

class VeskFields;

class BillHead final : public Object<BillHead, _BillHead> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.BillHead";

    BillHead();
    ~BillHead() override;

    // _BillHead
    STDMETHODIMP get_VeskFields(_VeskFields** ret) override;
    STDMETHODIMP putref_VeskFields(_VeskFields** vData) override;

    // Initialisers of the header collection, called on every Item: SetPage, then SetBillCtl.
    void setPage(long page) noexcept { page_ = page; }
    void setBillCtl(const com::HostPtr& billCtl) noexcept { billCtl_ = billCtl; }

private:
    // Released last-declared first when the object goes; the host sees that order.
    com::HostPtr billCtl_;
    ComPtr<VeskFields> fields_;  // made by the first read of VeskFields, or set by a plug-in
    long page_ = 0;
};

}  // namespace orvi
