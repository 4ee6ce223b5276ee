#include "layout/BillHead.h"

#include "layout/VeskFields.h"

namespace orvi {

BillHead::BillHead() = default;
BillHead::~BillHead() {
    fields_.Reset();
    billCtl_.Reset();
}

STDMETHODIMP BillHead::get_VeskFields(_VeskFields** ret) {
    return guard([&] {
        com::initOut(ret);
        if (!fields_) fields_ = com::make<VeskFields>();
        ComPtr<VeskFields> fields = fields_;
        fields->setBillCtl(billCtl_.Get());
        fields->setOwnerKind(VeskFields::kOwnerHead);
        fields->setPage(page_);
        com::copyOut(ret, fields);
    });
}

STDMETHODIMP BillHead::putref_VeskFields(_VeskFields** vData) {
    return guard([&] {
        if (!vData) com::raise(E_POINTER, L"Invalid pointer");
        fields_ = VeskFields::from(*vData);
    });
}

}  // namespace orvi
