// Field values through the bill event object: descriptors and data by key, reads by value type,
// writes on plain, lookup and list-box fields, the shared update routine per column type.
#include "Late.h"
#include "hostkit/SimBill.h"

using namespace testkit;

namespace {

const wchar_t* const kSource = L"OrviClassEvents.BillEvent";

struct Bound {
    hostkit::SampleBill bill = hostkit::buildSampleBill();
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    Bound() { ev.set(L"BillCtl", obj(bill.billCtl.Get())); }
    // The field data dictionary of a field, straight from the host's data.
    Late data(const wchar_t* fkey, long row = -1) {
        return Late(asObject(ev.value(L"GetDataFldbyKey", {str(fkey), Variant(row)})));
    }
};

}  // namespace

TEST_CASE(smoke_set_and_get) {
    Bound b;
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FBillNo"), str(L"SO-9"), missing()})));
    CHECK_EQ(asText(b.ev.value(L"GetFieldValue", {str(L"FBillNo")})), std::wstring(L"SO-9"));
    CHECK_EQ(asText(hostkit::shownText(b.bill, L"FBillNo", -1)), std::wstring(L"SO-9"));
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FStatus"), str(L"Closed")})));
    CHECK_EQ(asText(b.data(L"FStatus").value(L"Item", {str(L"FFLD")})), std::wstring(L"2"));
    CHECK(asBool(b.ev.value(L"SetFieldValue", {str(L"FCustID"), str(L"西部电子")})));
    CHECK_EQ(asLong(b.ev.value(L"GetFieldValue", {str(L"FCustID"), missing(), Variant(1L)})), 18L);
    CHECK_ERROR(b.ev.call(L"SetFieldValue", {str(L"FStatus"), str(L"3")}), 0x80040068, kSource);
}
