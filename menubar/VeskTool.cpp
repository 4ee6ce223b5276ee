#include "menubar/VeskTool.h"

namespace orvi {

VeskTool::VeskTool() = default;
VeskTool::~VeskTool() {
    control_.Reset();
    tool_.Reset();
}

void VeskTool::setTool(IDispatch* tool) {
    tool_ = tool;
}

void VeskTool::setControl(IDispatch* activeBar) {
    control_ = activeBar;
}

STDMETHODIMP VeskTool::put_ToolPicture(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_Visible(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_Visible(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_Default(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_Default(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_TooltipText(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_TooltipText(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_ToolID(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_ToolID(long vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_Tag(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_Tag(long vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_Style(Enu_ToolStyles* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_Style(Enu_ToolStyles vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_ShortcutKey(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_ShortcutKey(long vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_ToolName(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_ToolName(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_Enabled(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_Enabled(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_Description(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_Description(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_Checked(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_Checked(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_CaptionPosition(Enu_ToolCaptionPositions* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_CaptionPosition(Enu_ToolCaptionPositions vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_Caption(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_Caption(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_SubBand(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_SubBand(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_BeginGroup(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_BeginGroup(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::get_Alignment(Enu_ToolAlignment* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::put_Alignment(Enu_ToolAlignment vData) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::SetPicture(long Index, long MaskColor) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::SetPicture2(IPictureDisp** Picture, long Index, long MaskColor) {
    return pending(__func__);
}

STDMETHODIMP VeskTool::PasteToolFace(long Index, long MaskColor) {
    return pending(__func__);
}

}  // namespace orvi
