// BillHeads: the collection of the bill's header pages. It always holds one page, the header
// (position 1 of the page vector); every Item with an Index above 0 re-points the one BillHead
// it owns at the header of the current bill control and returns it.
#pragma once
#include "base/Library.h"
#include "host/HostData.h"

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
    void setBillCtl(const com::HostPtr& billCtl);

private:
    // Released last-declared first when the object goes; the host sees that order.
    com::HostPtr billCtl_;
    host::VectorPtr pages_;  // kept with the binding; nothing reads it afterwards
    ComPtr<BillHead> head_;  // made by the first Item
};

}  // namespace orvi
