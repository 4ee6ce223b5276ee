#include "menubar/MenuBar.h"

#include "events/FormObjects.h"
#include "menubar/ToolbarNames.h"
#include "menubar/VeskBand.h"
#include "menubar/VeskBands.h"
#include "menubar/VeskTools.h"

namespace orvi {

namespace member = toolbar::member;

MenuBar::MenuBar() = default;

MenuBar::~MenuBar() {
    veskBands_.Reset();
    veskTools_.Reset();
    activeBand_.Reset();
    control_.Reset();
}

void MenuBar::setControl(IDispatch* activeBar) {
    control_ = activeBar;
}

STDMETHODIMP MenuBar::Refresh() {
    return guard([&] { com::call(control_.Get(), member::Refresh); });
}

// Each wrapper is made once and re-pointed at the control's current object on every read.
STDMETHODIMP MenuBar::get_ActiveBand(_VeskBand** ret) {
    return guard([&] {
        com::initOut(ret);
        if (!activeBand_) activeBand_ = com::make<VeskBand>();
        activeBand_->setBand(com::toObject(com::get(control_.Get(), member::ActiveBand).get()).Get());
        activeBand_->setControl(control_.Get());
        com::copyOut(ret, activeBand_);
    });
}

STDMETHODIMP MenuBar::get_VeskBands(_VeskBands** ret) {
    return guard([&] {
        com::initOut(ret);
        if (!veskBands_) veskBands_ = com::make<VeskBands>();
        veskBands_->setBands(com::toObject(com::get(control_.Get(), member::Bands).get()).Get());
        veskBands_->setControl(control_.Get());
        com::copyOut(ret, veskBands_);
    });
}

STDMETHODIMP MenuBar::get_VeskTools(_VeskTools** ret) {
    return guard([&] {
        com::initOut(ret);
        if (!veskTools_) veskTools_ = com::make<VeskTools>();
        veskTools_->setTools(com::toObject(com::get(control_.Get(), member::Tools).get()).Get());
        veskTools_->setControl(control_.Get());
        com::copyOut(ret, veskTools_);
    });
}

ComPtr<_MenuBar> forms::NewMenuBar(IDispatch* control) {
    ComPtr<MenuBar> fresh = com::make<MenuBar>();
    fresh->setControl(control);
    return fresh;
}

}  // namespace orvi
