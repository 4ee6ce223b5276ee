#include "layout/BillHead.h"

#include "layout/VeskFields.h"

namespace orvi {

BillHead::BillHead() = default;
BillHead::~BillHead() = default;

STDMETHODIMP BillHead::get_VeskFields(_VeskFields** ret) {
    return answer(ret, [&] { return VeskFields::forPage(fields_, billCtl_, VeskFields::kOwnerHead, page_); });
}

STDMETHODIMP BillHead::putref_VeskFields(_VeskFields** vData) {
    return guard([&] { fields_ = VeskFields::from(vData); });
}

}  // namespace orvi
