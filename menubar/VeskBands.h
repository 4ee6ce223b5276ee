// VeskBands: the band collection of the toolbar control.
#pragma once
#include "base/Library.h"
#include "menubar/ToolbarInterfaces.h"

namespace orvi {

class VeskBand;

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

    // Points the wrapper at the control's band collection (type mismatch for another kind of
    // object; Nothing empties it).
    void setBands(IDispatch* bands);
    toolbar::BandCollection* bands() const noexcept { return bands_.Get(); }
    void setControl(IDispatch* activeBar);
    IDispatch* control() const noexcept { return control_.Get(); }

private:
    toolbar::BandCollection* list() const;  // the wrapped collection, or error 91
    _VeskBand* pointAt(const Variant& band);

    ComPtr<VeskBand> band_;  // the one wrapper every Add and Item returns
    ComPtr<toolbar::BandCollection> bands_;
    com::HostPtr control_;
};

}  // namespace orvi
