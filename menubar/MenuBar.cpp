#include "menubar/MenuBar.h"

namespace orvi {

MenuBar::MenuBar() = default;
MenuBar::~MenuBar() {
    control_.Reset();
}

void MenuBar::setControl(IDispatch* activeBar) {
    control_ = activeBar;
}

STDMETHODIMP MenuBar::Refresh() {
    return pending(__func__);
}

STDMETHODIMP MenuBar::get_ActiveBand(_VeskBand** ret) {
    return pending(__func__);
}

STDMETHODIMP MenuBar::get_VeskBands(_VeskBands** ret) {
    return pending(__func__);
}

STDMETHODIMP MenuBar::get_VeskTools(_VeskTools** ret) {
    return pending(__func__);
}

}  // namespace orvi
