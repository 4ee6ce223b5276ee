// VeskBand: a band (toolbar or menu) of the toolbar control.
#pragma once
#include "base/Library.h"
#include "menubar/ToolbarInterfaces.h"

namespace orvi {

class VeskTools;

class VeskBand final : public Object<VeskBand, _VeskBand> {
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

    // Points the wrapper at a band of the control (type mismatch for another kind of object;
    // Nothing empties it).
    void setBand(IDispatch* band);
    toolbar::Band* band() const noexcept { return band_.Get(); }
    void setControl(IDispatch* activeBar);
    IDispatch* control() const noexcept { return control_.Get(); }

private:
    toolbar::Band* target() const;  // the wrapped band, or error 91
    Variant read(const wchar_t* name) const;
    void write(const wchar_t* name, Arg value);

    ComPtr<VeskTools> tools_;
    ComPtr<toolbar::Band> band_;
    com::HostPtr control_;
};

}  // namespace orvi
