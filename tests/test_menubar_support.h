// Shared by the menu and toolbar tests (test_menubar_*.cpp): the model (MenuBar, VeskBands,
// VeskBand, VeskTools, VeskTool) over the host kit's toolbar stand-in, driven late-bound the way a
// plug-in drives it: the bill event object is given the control through FireBarInitialize and
// hands out its MenuBar.
#pragma once
#include <initializer_list>
#include <string>

#include "Errors.h"
#include "Late.h"
#include "hostkit/ToolbarKit.h"

namespace menubar_test {

using namespace testkit;
using hostkit::ToolbarBand;
using hostkit::ToolbarControl;
using hostkit::ToolbarTool;

constexpr long kLightGrey = 0xC0C0C0;

const wchar_t* const kMenuBar = L"OrviClassEvents.MenuBar";
const wchar_t* const kVeskBands = L"OrviClassEvents.VeskBands";
const wchar_t* const kVeskBand = L"OrviClassEvents.VeskBand";
const wchar_t* const kVeskTools = L"OrviClassEvents.VeskTools";
const wchar_t* const kVeskTool = L"OrviClassEvents.VeskTool";

// A bill event object that was handed a toolbar control, and the MenuBar it made over it.
struct Bar {
    ComPtr<IDispatch> control;
    Late ev;
    Late menu;
};

inline Bar bind(IDispatch* control) {
    Bar b{control, Late::create(L"OrviClassEvents.BillEvent"), Late()};
    Outcome o = b.ev.call(L"FireBarInitialize", {obj(control)});
    REQUIRE(o.ok());
    b.menu = b.ev.object(L"MenuBar");
    REQUIRE(b.menu);
    return b;
}

// A control whose own collection holds tools with these IDs, named "T<id>".
inline ComPtr<ToolbarControl> toolbarWithTools(std::initializer_list<long> ids) {
    auto control = hostkit::newToolbar();
    for (long id : ids) control->tools().add(id, L"T" + std::to_wstring(id));
    return control;
}

inline Variant number(long x) {
    return Variant(x);
}

inline long recordedLong(const hostkit::RecordedCall* call, size_t arg) {
    if (!call || arg >= call->args.size()) {
        fail(__FILE__, __LINE__, "no such recorded argument");
        return -99999;
    }
    return asLong(call->arg(arg).value);
}

inline int recordedType(const hostkit::RecordedCall* call, size_t arg) {
    if (!call || arg >= call->args.size()) return -1;
    return int(call->arg(arg).vt);
}

inline IDispatch* recordedObject(const hostkit::RecordedCall* call, size_t arg) {
    if (!call || arg >= call->args.size() || call->arg(arg).value.vt() != VT_DISPATCH) return nullptr;
    return V_DISPATCH(&call->arg(arg).value.get());
}

}  // namespace menubar_test
