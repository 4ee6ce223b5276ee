// The toolbar control's published interfaces, as the menu model holds the control's objects.
// Each is a dual interface of the control; the library asks an object for it by IID (an object
// of another kind is a type mismatch) and then calls it through its IDispatch half, by the names
// in ToolbarNames.h. The control itself is used as a plain IDispatch.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include "com/Variant.h"

namespace orvi::toolbar {

struct Band : IDispatch {};
struct BandCollection : IDispatch {};
struct ToolCollection : IDispatch {};
struct Tool : IDispatch {};

}  // namespace orvi::toolbar

__CRT_UUID_DECL(orvi::toolbar::Band, 0x2ACF56E2, 0x56F1, 0x11D0, 0x9C, 0x43, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC)
__CRT_UUID_DECL(orvi::toolbar::BandCollection, 0x0F987293, 0x56EE, 0x11D0, 0x9C, 0x43, 0x00, 0xA0, 0xC9, 0x0F, 0x29,
                0xFC)
__CRT_UUID_DECL(orvi::toolbar::ToolCollection, 0xFED621D4, 0x59B0, 0x11D0, 0x9C, 0x47, 0x00, 0xA0, 0xC9, 0x0F, 0x29,
                0xFC)
__CRT_UUID_DECL(orvi::toolbar::Tool, 0xFED621D1, 0x59B0, 0x11D0, 0x9C, 0x47, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC)

namespace orvi::toolbar {

// An object of the control as interface I: Nothing stays null, another kind of object is a type
// mismatch (13).
template <class I>
com::ComPtr<I> bind(IDispatch* object) {
    return com::as<I>(object);
}
template <class I>
com::ComPtr<I> bind(const VARIANT& value) {
    return com::as<I>(value);
}

}  // namespace orvi::toolbar
