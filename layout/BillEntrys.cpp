#include "layout/BillEntrys.h"

#include "layout/BillEntry.h"
#include "layout/MLayout.h"

namespace orvi {

namespace {

// The text of an Index (VB's CStr); whole numbers are written here without a BSTR.
std::wstring ordinalText(const VARIANT& index) {
    const VARIANT& v = com::deref(index);
    if (V_VT(&v) == VT_I4) return std::to_wstring(V_I4(&v));
    if (V_VT(&v) == VT_I2) return std::to_wstring(V_I2(&v));
    return com::toString(v);
}

}  // namespace

BillEntrys::BillEntrys() = default;
BillEntrys::~BillEntrys() = default;

void BillEntrys::setBillCtl(const com::HostPtr& billCtl) {
    billCtl_ = billCtl;
    pages_ = layout::PagesOf(billCtl);
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

std::optional<long> BillEntrys::positionOf(std::wstring_view ordinal) const noexcept {
    for (const auto& [key, position] : entryMap_)
        if (key == ordinal) return position;
    return std::nullopt;
}

STDMETHODIMP BillEntrys::get_Item(VARIANT Index, _BillEntry** ret) {
    return answerOwn(ret, [&] {
        // The ordinal as text: 2, 2.0 and "2" all name entry 2; " 2" and 1.5 name none.
        std::optional<long> position = positionOf(ordinalText(Index));
        if (!position) layout::RaiseBadIndex(L"Index 值错误。超出范围");
        ComPtr<BillEntry> entry = com::madeOnce(entry_);
        entry->setBillCtl(billCtl_);
        entry->setEntryIndex(com::toLong(Index));
        entry->loadEntry(*position);
        return entry;
    });
}

STDMETHODIMP BillEntrys::get_Count(long* ret) { return answer(ret, [&] { return entryCount_; }); }

}  // namespace orvi
