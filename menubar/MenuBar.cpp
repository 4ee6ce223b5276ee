#include "menubar/MenuBar.h"

#include "events/FormObjects.h"
#include "menubar/ToolbarPart.h"
#include "menubar/VeskBand.h"
#include "menubar/VeskBands.h"
#include "menubar/VeskTools.h"

namespace orvi {

namespace member = toolbar::member;

MenuBar::MenuBar() = default;

MenuBar::~MenuBar() = default;

void MenuBar::setControl(IDispatch* activeBar) {
    control_ = activeBar;
}

STDMETHODIMP MenuBar::Refresh() {
    return guard([&] { com::call(control_, member::Refresh); });
}

// Each wrapper is made once and re-pointed at the control's current object on every read.
template <class W>
ComPtr<W>& MenuBar::pointed(ComPtr<W>& wrapper, const wchar_t* name) {
    IDispatch* control = control_.Get();
    return toolbar::pointed(wrapper, com::toObject(com::get(control, name).get()).Get(), control);
}

STDMETHODIMP MenuBar::get_ActiveBand(_VeskBand** ret) {
    return answer(ret, [&] { return pointed(activeBand_, member::ActiveBand); });
}

STDMETHODIMP MenuBar::get_VeskBands(_VeskBands** ret) {
    return answer(ret, [&] { return pointed(veskBands_, member::Bands); });
}

STDMETHODIMP MenuBar::get_VeskTools(_VeskTools** ret) {
    return answer(ret, [&] { return pointed(veskTools_, member::Tools); });
}

ComPtr<_MenuBar> forms::NewMenuBar(IDispatch* control) {
    ComPtr<MenuBar> fresh = com::make<MenuBar>();
    fresh->setControl(control);
    return fresh;
}

}  // namespace orvi
