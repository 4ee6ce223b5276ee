// VeskTool: a menu item or toolbar button of the toolbar control.
#pragma once
#include "base/Library.h"
#include "menubar/ToolbarPart.h"

namespace orvi {

class VeskTool;

// Answers the library's own identity of a VeskTool, so that a _VeskTool reference a plug-in
// hands back can be taken for the library's object (anything else does not answer it).
struct VeskToolIdentity {
    void* castTo(REFIID riid) noexcept;
};

class VeskTool final : public Object<VeskTool, _VeskTool, VeskToolIdentity>, public ToolbarPart<toolbar::Tool> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.VeskTool";
    static const IID kIdentity;

    ~VeskTool() override;

    // _VeskTool
    STDMETHODIMP put_ToolPicture(BSTR vData) override;
    STDMETHODIMP get_Visible(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_Visible(VARIANT_BOOL vData) override;
    STDMETHODIMP get_Default(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_Default(VARIANT_BOOL vData) override;
    STDMETHODIMP get_TooltipText(BSTR* ret) override;
    STDMETHODIMP put_TooltipText(BSTR vData) override;
    STDMETHODIMP get_ToolID(long* ret) override;
    STDMETHODIMP put_ToolID(long vData) override;
    STDMETHODIMP get_Tag(long* ret) override;
    STDMETHODIMP put_Tag(long vData) override;
    STDMETHODIMP get_Style(Enu_ToolStyles* ret) override;
    STDMETHODIMP put_Style(Enu_ToolStyles vData) override;
    STDMETHODIMP get_ShortcutKey(long* ret) override;
    STDMETHODIMP put_ShortcutKey(long vData) override;
    STDMETHODIMP get_ToolName(BSTR* ret) override;
    STDMETHODIMP put_ToolName(BSTR vData) override;
    STDMETHODIMP get_Enabled(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_Enabled(VARIANT_BOOL vData) override;
    STDMETHODIMP get_Description(BSTR* ret) override;
    STDMETHODIMP put_Description(BSTR vData) override;
    STDMETHODIMP get_Checked(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_Checked(VARIANT_BOOL vData) override;
    STDMETHODIMP get_CaptionPosition(Enu_ToolCaptionPositions* ret) override;
    STDMETHODIMP put_CaptionPosition(Enu_ToolCaptionPositions vData) override;
    STDMETHODIMP get_Caption(BSTR* ret) override;
    STDMETHODIMP put_Caption(BSTR vData) override;
    STDMETHODIMP get_SubBand(BSTR* ret) override;
    STDMETHODIMP put_SubBand(BSTR vData) override;
    STDMETHODIMP get_BeginGroup(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_BeginGroup(VARIANT_BOOL vData) override;
    STDMETHODIMP get_Alignment(Enu_ToolAlignment* ret) override;
    STDMETHODIMP put_Alignment(Enu_ToolAlignment vData) override;
    STDMETHODIMP SetPicture(long Index, long MaskColor) override;
    STDMETHODIMP SetPicture2(IPictureDisp** Picture, long Index, long MaskColor) override;
    STDMETHODIMP PasteToolFace(long Index, long MaskColor) override;

    // The library's VeskTool behind a _VeskTool reference; another object is a type mismatch.
    static ComPtr<VeskTool> from(IUnknown* object);

private:
    // A write to the tool, then the redraw of the tool (see refreshTool).
    void write(const wchar_t* name, Arg value);
    void writeText(const wchar_t* name, BSTR value);
    void setFace(long index, IDispatch* picture, long maskColor);
    void refreshTool() noexcept;

    Bstr picturePath_;
};

}  // namespace orvi
