// VeskBand: a band (toolbar or menu) of the toolbar control.
#pragma once
#include "base/Library.h"
#include "menubar/ToolbarPart.h"

namespace orvi {

class VeskTools;

class VeskBand final : public Object<VeskBand, _VeskBand>, public ToolbarPart<toolbar::Band> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.VeskBand";

    VeskBand();
    ~VeskBand() override;

    // _VeskBand
    STDMETHODIMP Refresh() override;
    STDMETHODIMP get_Wrappable(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_Wrappable(VARIANT_BOOL vData) override;
    STDMETHODIMP get_Visible(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_Visible(VARIANT_BOOL vData) override;
    STDMETHODIMP get_BandType(Enu_BandTypes* ret) override;
    STDMETHODIMP put_BandType(Enu_BandTypes vData) override;
    STDMETHODIMP get_BandName(BSTR* ret) override;
    STDMETHODIMP put_BandName(BSTR vData) override;
    STDMETHODIMP get_Flags(long* ret) override;
    STDMETHODIMP put_Flags(long vData) override;
    STDMETHODIMP get_DockLine(long* ret) override;
    STDMETHODIMP put_DockLine(long vData) override;
    STDMETHODIMP get_DockingOffset(long* ret) override;
    STDMETHODIMP put_DockingOffset(long vData) override;
    STDMETHODIMP get_DockingArea(Enu_DockingArea* ret) override;
    STDMETHODIMP put_DockingArea(Enu_DockingArea vData) override;
    STDMETHODIMP get_Caption(BSTR* ret) override;
    STDMETHODIMP put_Caption(BSTR vData) override;
    STDMETHODIMP get_CurrentTool(short* ret) override;
    STDMETHODIMP put_CurrentTool(short vData) override;
    STDMETHODIMP get_VeskTools(_VeskTools** ret) override;

private:
    ComPtr<VeskTools> tools_;
};

}  // namespace orvi
