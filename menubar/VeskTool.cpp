#include "menubar/VeskTool.h"

#include "events/FormObjects.h"
#include "menubar/ToolPictures.h"
#include "menubar/ToolbarNames.h"

namespace orvi {

namespace member = toolbar::member;

namespace {

// Picture numbers are 16-bit Integers on the control.
short pictureIndex(long index) {
    if (index < -32768 || index > 32767) com::raise(RuntimeError::Overflow);
    return short(index);
}

}  // namespace

// {84EE3532-E3A9-47CE-8F6F-369B77257ADE}: private to this module, never registered.
const IID VeskTool::kIdentity = {0x84ee3532, 0xe3a9, 0x47ce, {0x8f, 0x6f, 0x36, 0x9b, 0x77, 0x25, 0x7a, 0xde}};

void* VeskToolIdentity::castTo(REFIID riid) noexcept {
    return riid == VeskTool::kIdentity ? static_cast<VeskTool*>(this) : nullptr;
}

// The host sees the releases: the control, then the tool.
VeskTool::~VeskTool() {
    control_.Reset();
}

ComPtr<VeskTool> VeskTool::from(IUnknown* object) {
    if (!object) com::raise(RuntimeError::ObjectNotSet);
    void* self = nullptr;
    if (FAILED(object->QueryInterface(kIdentity, &self)) || !self) com::raise(RuntimeError::TypeMismatch);
    return com::adopt(static_cast<VeskTool*>(self));
}

void VeskTool::write(const wchar_t* name, Arg value) {
    ToolbarPart::write(name, std::move(value));
    refreshTool();
}

void VeskTool::writeText(const wchar_t* name, BSTR value) {
    VARIANT v = com::borrowed(value);
    write(name, Arg::value(v));
}

// Asks the form that parents the control to redraw the tool. The form may hand back another
// tool object in the argument; the wrapper takes it. Nothing here may fail the caller's change.
void VeskTool::refreshTool() noexcept {
    if (!control_) return;
    ComPtr<IDispatch> tool = wrapped_;
    com::ignoring([&] {
        ComPtr<IDispatch> form = com::toObject(com::get(control_, member::Parent).get());
        com::call(form.Get(), member::RefreshToolbarTool, {Arg::ref(tool)});
    });
    if (tool.Get() != static_cast<IDispatch*>(wrapped_.Get())) com::ignoring([&] { point(tool.Get()); });
}

void VeskTool::setFace(long index, IDispatch* picture, long maskColor) {
    short at = pictureIndex(index);
    com::call(target(), member::SetPicture, {Arg(at), Arg(picture), Arg(maskColor)});
    refreshTool();
}

STDMETHODIMP VeskTool::put_ToolPicture(BSTR vData) {
    return guard([&] { picturePath_ = Bstr(com::view(vData)); });
}

STDMETHODIMP VeskTool::get_Visible(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(read(member::Visible).get()); });
}

STDMETHODIMP VeskTool::put_Visible(VARIANT_BOOL vData) {
    return guard([&] { write(member::Visible, Arg::boolean(vData)); });
}

STDMETHODIMP VeskTool::get_Default(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(read(member::Default).get()); });
}

STDMETHODIMP VeskTool::put_Default(VARIANT_BOOL vData) {
    return guard([&] { write(member::Default, Arg::boolean(vData)); });
}

STDMETHODIMP VeskTool::get_TooltipText(BSTR* ret) {
    return answer(ret, [&] { return read(member::TooltipText); });
}

STDMETHODIMP VeskTool::put_TooltipText(BSTR vData) {
    return guard([&] { writeText(member::TooltipText, vData); });
}

STDMETHODIMP VeskTool::get_ToolID(long* ret) { return answer(ret, [&] { return read(member::ToolID); }); }

STDMETHODIMP VeskTool::put_ToolID(long vData) {
    return guard([&] { write(member::ToolID, Arg(vData)); });
}

STDMETHODIMP VeskTool::get_Tag(long* ret) { return answer(ret, [&] { return read(member::Tag); }); }

STDMETHODIMP VeskTool::put_Tag(long vData) {
    return guard([&] { write(member::Tag, Arg(vData)); });
}

STDMETHODIMP VeskTool::get_Style(Enu_ToolStyles* ret) { return answer(ret, [&] { return read(member::Style); }); }

STDMETHODIMP VeskTool::put_Style(Enu_ToolStyles vData) {
    return guard([&] { write(member::Style, Arg(long(vData))); });
}

STDMETHODIMP VeskTool::get_ShortcutKey(long* ret) {
    return answer(ret, [&] { return read(member::ShortcutKey); });
}

STDMETHODIMP VeskTool::put_ShortcutKey(long vData) {
    return guard([&] { write(member::ShortcutKey, Arg(vData)); });
}

STDMETHODIMP VeskTool::get_ToolName(BSTR* ret) { return answer(ret, [&] { return read(member::ToolName); }); }

STDMETHODIMP VeskTool::put_ToolName(BSTR vData) {
    return guard([&] { writeText(member::ToolName, vData); });
}

STDMETHODIMP VeskTool::get_Enabled(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(read(member::Enabled).get()); });
}

STDMETHODIMP VeskTool::put_Enabled(VARIANT_BOOL vData) {
    return guard([&] { write(member::Enabled, Arg::boolean(vData)); });
}

STDMETHODIMP VeskTool::get_Description(BSTR* ret) {
    return answer(ret, [&] { return read(member::Description); });
}

STDMETHODIMP VeskTool::put_Description(BSTR vData) {
    return guard([&] { writeText(member::Description, vData); });
}

STDMETHODIMP VeskTool::get_Checked(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(read(member::Checked).get()); });
}

STDMETHODIMP VeskTool::put_Checked(VARIANT_BOOL vData) {
    return guard([&] { write(member::Checked, Arg::boolean(vData)); });
}

STDMETHODIMP VeskTool::get_CaptionPosition(Enu_ToolCaptionPositions* ret) {
    return answer(ret, [&] { return read(member::CaptionPosition); });
}

STDMETHODIMP VeskTool::put_CaptionPosition(Enu_ToolCaptionPositions vData) {
    return guard([&] { write(member::CaptionPosition, Arg(long(vData))); });
}

STDMETHODIMP VeskTool::get_Caption(BSTR* ret) { return answer(ret, [&] { return read(member::Caption); }); }

STDMETHODIMP VeskTool::put_Caption(BSTR vData) {
    return guard([&] { writeText(member::Caption, vData); });
}

STDMETHODIMP VeskTool::get_SubBand(BSTR* ret) { return answer(ret, [&] { return read(member::SubBand); }); }

STDMETHODIMP VeskTool::put_SubBand(BSTR vData) {
    return guard([&] { writeText(member::SubBand, vData); });
}

STDMETHODIMP VeskTool::get_BeginGroup(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(read(member::BeginGroup).get()); });
}

STDMETHODIMP VeskTool::put_BeginGroup(VARIANT_BOOL vData) {
    return guard([&] { write(member::BeginGroup, Arg::boolean(vData)); });
}

STDMETHODIMP VeskTool::get_Alignment(Enu_ToolAlignment* ret) {
    return answer(ret, [&] { return read(member::Alignment); });
}

STDMETHODIMP VeskTool::put_Alignment(Enu_ToolAlignment vData) {
    return guard([&] { write(member::Alignment, Arg(long(vData))); });
}

STDMETHODIMP VeskTool::SetPicture(long Index, long MaskColor) {
    return guard([&] {
        pictureIndex(Index);  // an index out of range fails before the file is touched
        ComPtr<IDispatch> picture = pictures::load(picturePath_.view());
        setFace(Index, picture.Get(), MaskColor);
    });
}

STDMETHODIMP VeskTool::SetPicture2(IPictureDisp** Picture, long Index, long MaskColor) {
    return guard([&] {
        if (!Picture) com::raise(E_POINTER, L"Invalid pointer");
        ComPtr<IDispatch> picture(*Picture);  // the caller's variable may change during the call
        setFace(Index, picture.Get(), MaskColor);
    });
}

STDMETHODIMP VeskTool::PasteToolFace(long Index, long MaskColor) {
    return guard([&] {
        pictureIndex(Index);
        ComPtr<IDispatch> picture = pictures::fromClipboard();
        setFace(Index, picture.Get(), MaskColor);
    });
}

ComPtr<_VeskTool> forms::NewToolWrapper() { return com::make<VeskTool>(); }

void forms::PointToolWrapper(_VeskTool* wrapper, IDispatch* tool) { static_cast<VeskTool*>(wrapper)->point(tool); }

}  // namespace orvi
