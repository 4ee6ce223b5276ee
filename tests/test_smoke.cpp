#include "Late.h"
#include "hostkit/SimBill.h"

using namespace testkit;

TEST_CASE(bill_event_binds_sample_bill) {
    auto bill = hostkit::buildSampleBill();
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ev.set(L"BillCtl", obj(bill.billCtl.Get()));
    CHECK_EQ(ev.number(L"FID"), 1001L);
    CHECK_EQ(ev.text(L"BillName"), std::wstring(L"销售订单"));
}
