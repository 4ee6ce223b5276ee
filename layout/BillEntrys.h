// BillEntrys: the collection of the bill's entry grids. The grids are numbered once, when the
// bill control is bound; every Item re-points the one BillEntry the collection owns at the grid
// asked for and returns it.
#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Library.h"
#include "host/HostData.h"

namespace orvi {

class BillEntry;

class BillEntrys final : public Object<BillEntrys, _BillEntrys> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.BillEntrys";

    BillEntrys();
    ~BillEntrys() override;

    // _BillEntrys
    STDMETHODIMP get_Item(VARIANT Index, _BillEntry** ret) override;
    STDMETHODIMP get_Count(long* ret) override;

    // Binds the collection to a bill control: stores it and the page vector of its template and
    // numbers the entry grids afresh.
    void setBillCtl(const com::HostPtr& billCtl);

private:
    void buildEntryMap();
    // The page position of the grid whose entry ordinal has this text; empty when there is none.
    std::optional<long> positionOf(std::wstring_view ordinal) const noexcept;

    // Released last-declared first when the object goes; the host sees that order.
    com::HostPtr billCtl_;
    host::VectorPtr pages_;
    // Entry ordinal as decimal text ("1", "2", ...) -> position of the grid in the page vector.
    std::vector<std::pair<std::wstring, long>> entryMap_;
    long entryCount_ = 0;
    ComPtr<BillEntry> entry_;  // made by the first Item
};

}  // namespace orvi
