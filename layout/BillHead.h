#pragma once
#include "server/Library.h"

namespace orvi {

class BillHead final : public Object<BillHead, _BillHead> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.BillHead";

    BillHead();
    ~BillHead() override;

    // _BillHead
    STDMETHODIMP get_VeskFields(_VeskFields** ret) override;
    STDMETHODIMP putref_VeskFields(_VeskFields** vData) override;
};

}  // namespace orvi
