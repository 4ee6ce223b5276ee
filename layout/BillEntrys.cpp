#include "layout/BillEntrys.h"

#include "bill/HostForm.h"
#include "layout/BillEntry.h"

namespace orvi {

BillEntrys::BillEntrys() = default;
BillEntrys::~BillEntrys() {
    entry_.Reset();
    pages_.Reset();
    billCtl_.Reset();
    entryMap_.clear();
}

void BillEntrys::setBillCtl(IDispatch* billCtl) {
    billCtl_ = billCtl;
    ComPtr<IDispatch> dataSrv = com::toObject(com::get(billCtl, host::member::DataSrv).get());
    pages_ = host::toVector(com::get(dataSrv.Get(), host::member::ClassTypeEntry).get());
    buildEntryMap();
}

// The entry grids are the pages after the header (position 1) whose FEntryType is 0 or 1,
// numbered 1, 2, ... in page order.
void BillEntrys::buildEntryMap() {
    entryMap_.clear();
    entryCount_ = 0;
    long first = host::lowerBound(pages_.Get());
    long last = host::upperBound(pages_.Get());
    for (long p = first; p <= last; ++p) {
        host::DictionaryPtr page = host::toDictionary(host::item(pages_.Get(), p).get());
        long entryType = com::toLong(host::item(page.Get(), L"FEntryType").get());
        if ((entryType == 0 || entryType == 1) && p != 1) {
            ++entryCount_;
            entryMap_.emplace_back(std::to_wstring(entryCount_), p);
        }
    }
}

STDMETHODIMP BillEntrys::get_Item(VARIANT Index, _BillEntry** ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntrys::get_Count(long* ret) {
    return pending(__func__);
}

}  // namespace orvi
