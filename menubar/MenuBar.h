// MenuBar: the menu and toolbar model over a host form's toolbar control.
#pragma once
#include "base/Library.h"

namespace orvi {

class VeskBand;
class VeskBands;
class VeskTools;

class MenuBar final : public Object<MenuBar, _MenuBar> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.MenuBar";

    MenuBar();
    ~MenuBar() override;

    // _MenuBar
    STDMETHODIMP Refresh() override;
    STDMETHODIMP get_ActiveBand(_VeskBand** ret) override;
    STDMETHODIMP get_VeskBands(_VeskBands** ret) override;
    STDMETHODIMP get_VeskTools(_VeskTools** ret) override;

    // Hands the wrapper the host's toolbar control (the event objects' InitMenuBar). The control
    // is used late-bound, as it comes.
    void setControl(IDispatch* activeBar);

private:
    template <class W>
    ComPtr<W>& pointed(ComPtr<W>& wrapper, const wchar_t* name);

    // Released last-declared first when the object goes; the host sees that order.
    com::HostPtr control_;
    ComPtr<VeskBand> activeBand_;
    ComPtr<VeskTools> veskTools_;
    ComPtr<VeskBands> veskBands_;
};

}  // namespace orvi
