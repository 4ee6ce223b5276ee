// The objects of other classes that the event objects hand out: the menu bar of
// FireBarInitialize, the tool wrapper of FireBarClick and QelLib. The event-object base holds
// them by their interfaces and makes them through these routines, which the classes' own units
// define (menubar/MenuBar.cpp, menubar/VeskTool.cpp, session/QelLib.cpp): so the base includes no
// class folder, and the event objects' folders (bill/, list/) need not include menubar/ or
// session/ either (session/ includes list/ for the Net objects QelLib hands out).
#pragma once
#include "base/Library.h"

namespace orvi::forms {

// A new MenuBar over the host's toolbar control (used late-bound, as it comes).
ComPtr<_MenuBar> NewMenuBar(IDispatch* control);

// A new VeskTool wrapper, pointing at no tool yet.
ComPtr<_VeskTool> NewToolWrapper();
// Points a wrapper made by NewToolWrapper at the host's tool.
void PointToolWrapper(_VeskTool* wrapper, IDispatch* tool);

// A new QelLib.
ComPtr<_QelLib> NewQelLib();

}  // namespace orvi::forms
