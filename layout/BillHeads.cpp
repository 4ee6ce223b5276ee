#include "layout/BillHeads.h"

#include "layout/BillHead.h"
#include "layout/MLayout.h"

namespace orvi {

namespace {

// VB's `Index <= 0` for a Variant: Null compares as neither (so it passes), a text is read as
// a number (a type mismatch when it is none).
bool notAboveZero(const VARIANT& index) {
    const VARIANT& v = com::deref(index);
    if (V_VT(&v) == VT_NULL) return false;
    return com::toDouble(v) <= 0;
}

}  // namespace

BillHeads::BillHeads() = default;
BillHeads::~BillHeads() = default;

void BillHeads::setBillCtl(const com::HostPtr& billCtl) {
    billCtl_ = billCtl;
    pages_ = layout::PagesOf(billCtl);
}

STDMETHODIMP BillHeads::get_Item(VARIANT Index, _BillHead** ret) {
    return answerOwn(ret, [&] {
        if (notAboveZero(Index)) layout::RaiseBadIndex(L"Index 值错误。必须为大于 0 的整数");
        // Index picks nothing: there is one header page.
        ComPtr<BillHead> head = com::madeOnce(head_);
        head->setPage(1);
        head->setBillCtl(billCtl_);
        return head;
    });
}

STDMETHODIMP BillHeads::get_Count(long* ret) { return answer(ret, [&] { return 1L; }); }

}  // namespace orvi
