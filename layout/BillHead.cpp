#include "layout/BillHead.h"

namespace orvi {

BillHead::BillHead() = default;
BillHead::~BillHead() = default;

STDMETHODIMP BillHead::get_VeskFields(_VeskFields** ret) {
    return pending(__func__);
}

STDMETHODIMP BillHead::putref_VeskFields(_VeskFields** vData) {
    return pending(__func__);
}

}  // namespace orvi
