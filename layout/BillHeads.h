// BillHeads: the collection of the bill's header pages (always one).
#pragma once
#include "bill/HostData.h"
#include "server/Library.h"

namespace orvi {

class BillHead;

class BillHeads final : public Object<BillHeads, _BillHeads> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.BillHeads";

    BillHeads();
    ~BillHeads() override;

    // _BillHeads
    STDMETHODIMP get_Item(VARIANT Index, _BillHead** ret) override;
    STDMETHODIMP get_Count(long* ret) override;

    // Binds the collection to a bill control: stores it and the page vector of its template.
    void setBillCtl(IDispatch* billCtl);

private:
    ComPtr<IDispatch> billCtl_;
    host::VectorPtr pages_;
    ComPtr<BillHead> head_;
};

}  // namespace orvi
