#include "menubar/VeskTools.h"

namespace orvi {

VeskTools::VeskTools() = default;
VeskTools::~VeskTools() = default;

STDMETHODIMP VeskTools::InsertBefore(VARIANT Index, _VeskTool** oTool) {
    return pending(__func__);
}

STDMETHODIMP VeskTools::InsertAfter(VARIANT Index, _VeskTool** oTool) {
    return pending(__func__);
}

STDMETHODIMP VeskTools::RemoveAll() {
    return pending(__func__);
}

STDMETHODIMP VeskTools::Add(BSTR ToolName, _VeskTool** ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTools::get_Item(VARIANT Index, _VeskTool** ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTools::get_Count(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTools::Remove(VARIANT Index) {
    return pending(__func__);
}

STDMETHODIMP VeskTools::GetFreeToolID(long* ret) {
    return pending(__func__);
}

}  // namespace orvi
