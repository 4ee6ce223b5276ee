// MenuBar: the menu and toolbar model over a host form's toolbar control.
#pragma once
#include "server/Library.h"

namespace orvi {

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

    // Hands the wrapper the host's toolbar control (the event objects' InitMenuBar).
    void setControl(IDispatch* activeBar);

private:
    ComPtr<IDispatch> control_;
};

}  // namespace orvi
