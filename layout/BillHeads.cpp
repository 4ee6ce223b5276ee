#include "layout/BillHeads.h"

#include "bill/HostForm.h"
#include "layout/BillHead.h"

namespace orvi {

BillHeads::BillHeads() = default;
BillHeads::~BillHeads() {
    head_.Reset();
    pages_.Reset();
    billCtl_.Reset();
}

void BillHeads::setBillCtl(IDispatch* billCtl) {
    billCtl_ = billCtl;
    ComPtr<IDispatch> dataSrv = com::toObject(com::get(billCtl, host::member::DataSrv).get());
    pages_ = host::toVector(com::get(dataSrv.Get(), host::member::ClassTypeEntry).get());
}

STDMETHODIMP BillHeads::get_Item(VARIANT Index, _BillHead** ret) {
    return pending(__func__);
}

STDMETHODIMP BillHeads::get_Count(long* ret) {
    return pending(__func__);
}

}  // namespace orvi
