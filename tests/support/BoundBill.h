// Event objects bound to the host kit's simulated forms the way the forms bind them, for the
// tests that start from a bound object.
#pragma once
#include <string>

#include "Late.h"
#include "hostkit/SimBill.h"

namespace testkit {

// A new bill event object with the sample bill's control assigned to BillCtl.
inline Late bindBill(hostkit::SampleBill& bill) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ev.set(L"BillCtl", obj(bill.billCtl.Get()));
    return ev;
}

// A template descriptor of the bill by name ("F1", "E2"...).
inline Late descriptorOf(const hostkit::SampleBill& bill, const wchar_t* name) {
    return Late(asObject(Late(bill.tableInfo.Get()).value(L"Item", {str(name)})));
}

// A field's data dictionary straight from the bill's data (row 0: a page without rows).
inline Late fieldDataOf(const hostkit::SampleBill& bill, long page, const wchar_t* name, long row = 0) {
    Late pageData(asObject(Late(bill.data.Get()).value(L"Item", {str((L"Page" + std::to_wstring(page)).c_str())})));
    if (row) pageData = Late(asObject(pageData.value(L"Item", {Variant(row)})));
    return Late(asObject(pageData.value(L"Item", {str(name)})));
}

// The sample bill and a bill event object bound to it, the binding's calls forgotten.
struct BoundBill {
    hostkit::SampleBill bill = hostkit::buildSampleBill();
    Late ev = bindBill(bill);
    BoundBill() { bill.billCtl->clearCalls(); }

    Late descriptor(const wchar_t* name) const { return descriptorOf(bill, name); }
    Late data(long page, const wchar_t* name, long row = 0) const { return fieldDataOf(bill, page, name, row); }
    const hostkit::RecordedCall* last(const wchar_t* member) const { return bill.billCtl->last(member); }
    size_t count(const wchar_t* member) const { return bill.billCtl->count(member); }
};

}  // namespace testkit
