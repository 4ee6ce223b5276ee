#pragma once
#include "server/Library.h"

namespace orvi {

class VeskBands final : public Object<VeskBands, _VeskBands> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.VeskBands";

    VeskBands();
    ~VeskBands() override;

    // _VeskBands
    STDMETHODIMP Add(BSTR BandName, _VeskBand** ret) override;
    STDMETHODIMP get_Item(VARIANT Index, _VeskBand** ret) override;
    STDMETHODIMP get_Count(long* ret) override;
    STDMETHODIMP RemoveAll() override;
    STDMETHODIMP Remove(VARIANT Index) override;
};

}  // namespace orvi
