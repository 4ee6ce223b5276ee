// VeskBands: the band collection of the toolbar control.
#pragma once
#include "base/Library.h"
#include "menubar/ToolbarPart.h"

namespace orvi {

class VeskBand;

class VeskBands final : public Object<VeskBands, _VeskBands>, public ToolbarPart<toolbar::BandCollection> {
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

private:
    ComPtr<VeskBand> band_;  // the one wrapper every Add and Item returns
};

}  // namespace orvi
