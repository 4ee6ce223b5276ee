// VeskTool: the tool's properties, the form's redraw after each change, and the pictures
// (SetPicture, SetPicture2, PasteToolFace).
#include <olectl.h>
#include <vector>

#include "OrviClassEvents.h"
#include "Sink.h"
#include "test_menubar_support.h"

using namespace menubar_test;

namespace {

// Picture files on disk and picture objects for the picture tests below.

std::wstring tempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"orvi_menubar_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
}

bool writeFile(const std::wstring& path, const std::vector<BYTE>& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(f);
    return ok && written == bytes.size();
}

template <class T>
void append(std::vector<BYTE>& out, T value) {
    const BYTE* p = reinterpret_cast<const BYTE*>(&value);
    out.insert(out.end(), p, p + sizeof value);
}

// An icon file with one 32 x 32 image in 32-bit colour.
std::vector<BYTE> iconFile() {
    const int size = 32;
    std::vector<BYTE> out;
    append<WORD>(out, 0);  // reserved
    append<WORD>(out, 1);  // icon
    append<WORD>(out, 1);  // one image
    const DWORD pixels = size * size * 4, mask = size * 4;
    append<BYTE>(out, size);
    append<BYTE>(out, size);
    append<BYTE>(out, 0);
    append<BYTE>(out, 0);
    append<WORD>(out, 1);
    append<WORD>(out, 32);
    append<DWORD>(out, DWORD(sizeof(BITMAPINFOHEADER)) + pixels + mask);
    append<DWORD>(out, 6 + 16);
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = size;
    h.biHeight = size * 2;  // colour image and mask
    h.biPlanes = 1;
    h.biBitCount = 32;
    append(out, h);
    for (DWORD i = 0; i < pixels / 4; ++i) append<DWORD>(out, 0xFF2080C0);
    out.insert(out.end(), mask, 0);
    return out;
}

// A 24-bit bitmap file of width x height pixels.
std::vector<BYTE> bitmapFile(int width, int height) {
    const DWORD row = DWORD((width * 3 + 3) & ~3), image = row * DWORD(height);
    std::vector<BYTE> out;
    BITMAPFILEHEADER f = {};
    f.bfType = 0x4D42;
    f.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    f.bfSize = f.bfOffBits + image;
    append(out, f);
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    append(out, h);
    out.insert(out.end(), image, 0x7F);
    return out;
}

// A picture object over a new width x height bitmap.
ComPtr<IDispatch> bitmapPicture(int width, int height) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    PICTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    ComPtr<IDispatch> picture;
    if (FAILED(OleCreatePictureIndirect(&desc, IID_IDispatch, TRUE, reinterpret_cast<void**>(picture.GetAddressOf()))))
        DeleteObject(bitmap);
    return picture;
}

struct PictureInfo {
    SHORT type = -99;
    int width = -1, height = -1;  // pixels of the bitmap or icon image
};

PictureInfo inspect(const Variant& value) {
    PictureInfo r;
    if (value.vt() != VT_DISPATCH || !V_DISPATCH(&value.get())) return r;
    ComPtr<IPicture> picture;
    IDispatch* object = V_DISPATCH(&value.get());
    if (FAILED(object->QueryInterface(IID_IPicture, reinterpret_cast<void**>(picture.GetAddressOf())))) return r;
    picture->get_Type(&r.type);
    OLE_HANDLE handle = 0;
    picture->get_Handle(&handle);
    HGDIOBJ bitmapHandle = nullptr;
    ICONINFO icon = {};
    if (r.type == PICTYPE_BITMAP) {
        bitmapHandle = reinterpret_cast<HGDIOBJ>(ULONG_PTR(handle));
    } else if (r.type == PICTYPE_ICON && GetIconInfo(reinterpret_cast<HICON>(ULONG_PTR(handle)), &icon)) {
        bitmapHandle = icon.hbmColor ? icon.hbmColor : icon.hbmMask;
    }
    BITMAP bm = {};
    if (bitmapHandle && GetObjectW(bitmapHandle, sizeof bm, &bm)) {
        r.width = bm.bmWidth;
        r.height = bm.bmHeight;
    }
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
    if (icon.hbmMask) DeleteObject(icon.hbmMask);
    return r;
}

}  // namespace

// ============================================================================ VeskTool

TEST_CASE(tool_properties_read_and_write_the_tool) {
    auto control = toolbarWithTools({1});
    Bar b = bind(control.Get());
    ToolbarTool* tool = control->tools().at(0);
    Late t = b.menu.object(L"VeskTools").object(L"Item", {number(0)});

    struct Case {
        const wchar_t* name;
        Variant value;
    };
    const Case cases[] = {
        {L"Visible", Variant(false)},      {L"Default", Variant(true)},        {L"TooltipText", str(L"保存单据")},
        {L"ToolID", number(77)},           {L"Tag", number(-5)},               {L"Style", number(3)},
        {L"ShortcutKey", number(0x153)},   {L"ToolName", str(L"mnuSave")},     {L"Enabled", Variant(false)},
        {L"Description", str(L"Saves")},   {L"Checked", Variant(true)},        {L"CaptionPosition", number(4)},
        {L"Caption", str(L"保存(&S)")},    {L"SubBand", str(L"popFile")},      {L"BeginGroup", Variant(true)},
        {L"Alignment", number(8)},
    };
    for (const Case& c : cases) {
        t.set(c.name, c.value);
        CHECK_EQ(asText(tool->prop(c.name)), asText(c.value));
        CHECK_EQ(asText(t.value(c.name)), asText(c.value));
    }
    // Reads come from the tool as it is now.
    tool->setProp(L"Caption", str(L"Other"));
    tool->setProp(L"Style", number(1));
    CHECK_EQ(t.text(L"Caption"), std::wstring(L"Other"));
    CHECK_EQ(t.number(L"Style"), 1L);
}

TEST_CASE(tool_asks_the_form_to_redraw_after_every_let) {
    auto control = toolbarWithTools({1});
    Bar b = bind(control.Get());
    ToolbarTool* tool = control->tools().at(0);
    hostkit::ToolbarForm* form = control->form();
    Late t = b.menu.object(L"VeskTools").object(L"Item", {number(0)});

    const wchar_t* const names[] = {L"Visible",     L"Default", L"TooltipText", L"ToolID",       L"Tag",
                                    L"Style",       L"ShortcutKey", L"ToolName", L"Enabled",     L"Description",
                                    L"Checked",     L"CaptionPosition", L"Caption", L"SubBand", L"BeginGroup",
                                    L"Alignment"};
    size_t expected = 0;
    for (const wchar_t* name : names) {
        Variant value = t.value(name);  // a get asks for nothing
        CHECK_EQ(form->refreshRequests(), expected);
        t.set(name, value);
        ++expected;
        CHECK_EQ(form->refreshRequests(), expected);
        const hostkit::RecordedCall* request = form->last(L"RefreshToolbarTool");
        REQUIRE(request);
        CHECK_EQ(request->args.size(), size_t(1));
        CHECK_EQ(recordedType(request, 0), int(VT_BYREF | VT_DISPATCH));
        CHECK(sameObject(recordedObject(request, 0), tool));
    }
    // The path of a picture is only stored.
    t.set(L"ToolPicture", str(L"C:\\nowhere\\save.ico"));
    CHECK_EQ(form->refreshRequests(), expected);
    CHECK_EQ(control->count(L"Parent"), expected);
}

TEST_CASE(tool_takes_back_the_tool_the_form_leaves) {
    auto control = toolbarWithTools({1, 2});
    Bar b = bind(control.Get());
    Late t = b.menu.object(L"VeskTools").object(L"Item", {number(0)});

    control->form()->leaves(control->tools().at(1));
    t.set(L"Caption", str(L"First"));
    CHECK_EQ(asText(control->tools().at(0)->prop(L"Caption")), std::wstring(L"First"));
    CHECK_EQ(t.number(L"ToolID"), 2L);  // the wrapper now holds what the form left

    // Something that is not a tool is not taken; the change itself stands.
    auto stranger = hostkit::newFake(L"Stranger");
    control->form()->leaves(stranger.Get());
    t.set(L"Caption", str(L"Second"));
    CHECK_EQ(t.number(L"ToolID"), 2L);
    CHECK_EQ(asText(control->tools().at(1)->prop(L"Caption")), std::wstring(L"Second"));

    // Nothing empties the wrapper.
    control->form()->leaves(nullptr);
    t.set(L"Caption", str(L"Third"));
    CHECK_EQ(asText(control->tools().at(1)->prop(L"Caption")), std::wstring(L"Third"));
    CHECK_ERROR(t.call(L"Caption"), kObjectNotSet, kVeskTool);
}

TEST_CASE(tool_redraw_failures_are_ignored) {
    auto control = toolbarWithTools({1});
    Bar b = bind(control.Get());
    Late t = b.menu.object(L"VeskTools").object(L"Item", {number(0)});
    control->form()->fails(L"RefreshToolbarTool", HRESULT(0x80040777), L"Form closed", L"Host");
    CHECK(t.put(L"Caption", str(L"A")).ok());
    CHECK_EQ(control->form()->refreshRequests(), size_t(1));
    control->fails(L"Parent", HRESULT(0x80040778), L"No parent", L"Host");
    CHECK(t.put(L"Caption", str(L"B")).ok());
    CHECK_EQ(asText(control->tools().at(0)->prop(L"Caption")), std::wstring(L"B"));
    CHECK_EQ(t.number(L"ToolID"), 1L);
}

TEST_CASE(tool_of_a_control_without_a_parent_form_changes_without_a_redraw) {
    auto control = hostkit::newToolbar(false);
    control->tools().add(1, L"Save");
    Bar b = bind(control.Get());
    Late t = b.menu.object(L"VeskTools").object(L"Item", {number(0)});
    CHECK(t.put(L"Caption", str(L"Saved")).ok());
    CHECK_EQ(asText(control->tools().at(0)->prop(L"Caption")), std::wstring(L"Saved"));
    CHECK_EQ(control->count(L"Parent"), size_t(1));
}

TEST_CASE(tool_received_in_menu_bar_click_changes_without_a_redraw) {
    auto control = toolbarWithTools({1});
    Bar b = bind(control.Get());
    ToolbarTool* tool = control->tools().at(0);
    auto sink = Sink::create();
    sink->connect(b.ev.get(), DIID___BillEvent);

    VARIANT_BOOL cancel = VARIANT_FALSE;
    Outcome o = b.ev.call(L"FireBarClick", {obj(tool), refBool(cancel)});
    REQUIRE(o.ok());
    const EventCall* click = nullptr;
    for (const EventCall& e : sink->events())
        if (e.id == 5) click = &e;
    REQUIRE(click);
    REQUIRE(click->args.size() == 2);
    Late clicked(asObject(click->args[0].value));
    REQUIRE(clicked);

    CHECK_EQ(clicked.number(L"ToolID"), 1L);
    Outcome set = clicked.put(L"Caption", str(L"已点击"));
    CHECK(set.ok());
    CHECK_EQ(asText(tool->prop(L"Caption")), std::wstring(L"已点击"));
    CHECK_EQ(control->form()->refreshRequests(), size_t(0));
    CHECK_EQ(control->count(L"Parent"), size_t(0));
    CHECK(clicked.call(L"SetPicture2", {obj(bitmapPicture(4, 4).Get())}).ok());
    CHECK_EQ(control->form()->refreshRequests(), size_t(0));
    sink->disconnect();
}

// ---------------------------------------------------------------------------- pictures

TEST_CASE(set_picture2_uses_index_0_and_light_grey_by_default) {
    auto control = toolbarWithTools({1});
    Bar b = bind(control.Get());
    ToolbarTool* tool = control->tools().at(0);
    Late t = b.menu.object(L"VeskTools").object(L"Item", {number(0)});
    ComPtr<IDispatch> picture = bitmapPicture(16, 16);
    REQUIRE(picture);

    CHECK(t.call(L"SetPicture2", {obj(picture.Get())}).ok());
    const hostkit::RecordedCall* set = tool->last(L"SetPicture");
    REQUIRE(set);
    CHECK_EQ(set->args.size(), size_t(3));
    CHECK_EQ(recordedType(set, 0), int(VT_I2));
    CHECK_EQ(recordedLong(set, 0), 0L);
    CHECK(sameObject(recordedObject(set, 1), picture.Get()));
    CHECK_EQ(recordedType(set, 2), int(VT_I4));
    CHECK_EQ(recordedLong(set, 2), kLightGrey);
    REQUIRE(tool->face(0));
    CHECK_EQ(tool->face(0)->maskColor, kLightGrey);
    CHECK_EQ(control->form()->refreshRequests(), size_t(1));

    CHECK(t.call(L"SetPicture2", {obj(picture.Get()), number(7), number(0xFF00FF)}).ok());
    REQUIRE(tool->face(7));
    CHECK_EQ(tool->face(7)->maskColor, 0xFF00FFL);
    CHECK_EQ(recordedLong(tool->last(L"SetPicture"), 0), 7L);
    CHECK_EQ(control->form()->refreshRequests(), size_t(2));
}

TEST_CASE(set_picture2_takes_only_a_picture) {
    auto control = toolbarWithTools({1});
    Bar b = bind(control.Get());
    ToolbarTool* tool = control->tools().at(0);
    Late t = b.menu.object(L"VeskTools").object(L"Item", {number(0)});
    // Another kind of object, or a value, is refused before the member runs.
    for (Variant wrong : {obj(control.Get()), str(L"c:\\icon.ico"), Variant(5L)}) {
        Outcome o = t.call(L"SetPicture2", {wrong});
        CHECK_HR(o.hr, DISP_E_TYPEMISMATCH);
    }
    CHECK_EQ(tool->count(L"SetPicture"), size_t(0));
    // A picture in a script's variable (by reference, as a Variant) and in a typed variable.
    ComPtr<IDispatch> picture = bitmapPicture(8, 8);
    REQUIRE(picture);
    VARIANT holder;
    VariantInit(&holder);
    V_VT(&holder) = VT_DISPATCH;
    V_DISPATCH(&holder) = picture.Get();
    picture->AddRef();
    CHECK(t.call(L"SetPicture2", {ref(holder), number(1)}).ok());
    IDispatch* typed = picture.Get();
    CHECK(t.call(L"SetPicture2", {ref(typed), number(2)}).ok());
    CHECK(typed == picture.Get());
    CHECK((tool->face(1) && tool->face(2)));
    CHECK(sameObject(recordedObject(tool->last(L"SetPicture"), 1), picture.Get()));
    VariantClear(&holder);
    // Nothing is a picture that is not there: the control is asked to clear the face.
    CHECK(t.call(L"SetPicture2", {obj(nullptr), number(3)}).ok());
}

TEST_CASE(picture_index_outside_the_integer_range_overflows) {
    auto control = toolbarWithTools({1});
    Bar b = bind(control.Get());
    ToolbarTool* tool = control->tools().at(0);
    Late t = b.menu.object(L"VeskTools").object(L"Item", {number(0)});
    ComPtr<IDispatch> picture = bitmapPicture(16, 16);

    CHECK_ERROR(t.call(L"SetPicture2", {obj(picture.Get()), number(32768)}), kOverflow, kVeskTool);
    CHECK_ERROR(t.call(L"SetPicture2", {obj(picture.Get()), number(-32769)}), kOverflow, kVeskTool);
    CHECK_ERROR(t.call(L"SetPicture", {number(70000)}), kOverflow, kVeskTool);
    CHECK_ERROR(t.call(L"PasteToolFace", {number(-40000)}), kOverflow, kVeskTool);
    CHECK_EQ(tool->count(L"SetPicture"), size_t(0));
    CHECK_EQ(control->form()->refreshRequests(), size_t(0));

    CHECK(t.call(L"SetPicture2", {obj(picture.Get()), number(32767)}).ok());
    CHECK(t.call(L"SetPicture2", {obj(picture.Get()), number(-32768)}).ok());
    CHECK((tool->face(32767) && tool->face(-32768)));
}

TEST_CASE(set_picture_loads_the_stored_file) {
    auto control = toolbarWithTools({1});
    Bar b = bind(control.Get());
    ToolbarTool* tool = control->tools().at(0);
    Late t = b.menu.object(L"VeskTools").object(L"Item", {number(0)});

    // No path: an empty picture, index 0, light grey.
    CHECK(t.call(L"SetPicture").ok());
    REQUIRE(tool->face(0));
    CHECK_EQ(int(inspect(tool->face(0)->picture).type), int(PICTYPE_NONE));
    CHECK_EQ(tool->face(0)->maskColor, kLightGrey);
    CHECK_EQ(control->form()->refreshRequests(), size_t(1));

    // An icon is loaded at 16 x 16 whatever its own size.
    std::wstring icon = tempFile(L"face.ico");
    REQUIRE(writeFile(icon, iconFile()));
    t.set(L"ToolPicture", str(icon.c_str()));
    CHECK(t.call(L"SetPicture", {number(2), number(0x00FF00)}).ok());
    REQUIRE(tool->face(2));
    PictureInfo loadedIcon = inspect(tool->face(2)->picture);
    CHECK_EQ(int(loadedIcon.type), int(PICTYPE_ICON));
    CHECK_EQ(loadedIcon.width, 16);
    CHECK_EQ(loadedIcon.height, 16);
    CHECK_EQ(tool->face(2)->maskColor, 0x00FF00L);

    // Other formats keep their size.
    std::wstring bitmap = tempFile(L"face.bmp");
    REQUIRE(writeFile(bitmap, bitmapFile(20, 10)));
    t.set(L"ToolPicture", str(bitmap.c_str()));
    CHECK(t.call(L"SetPicture", {number(3)}).ok());
    REQUIRE(tool->face(3));
    PictureInfo loadedBitmap = inspect(tool->face(3)->picture);
    CHECK_EQ(int(loadedBitmap.type), int(PICTYPE_BITMAP));
    CHECK_EQ(loadedBitmap.width, 20);
    CHECK_EQ(loadedBitmap.height, 10);
    CHECK_EQ(control->form()->refreshRequests(), size_t(3));

    // A missing file, and a file that holds no picture.
    t.set(L"ToolPicture", str(tempFile(L"missing.ico").c_str()));
    CHECK_ERROR(t.call(L"SetPicture"), kFileNotFound, kVeskTool);
    std::wstring notes = tempFile(L"notes.txt");
    REQUIRE(writeFile(notes, std::vector<BYTE>(64, 'x')));
    t.set(L"ToolPicture", str(notes.c_str()));
    CHECK_ERROR(t.call(L"SetPicture", {number(9)}), kInvalidPicture, kVeskTool);
    CHECK(!tool->face(9));
    CHECK_EQ(control->form()->refreshRequests(), size_t(3));

    DeleteFileW(icon.c_str());
    DeleteFileW(bitmap.c_str());
    DeleteFileW(notes.c_str());
}

TEST_CASE(paste_tool_face_takes_the_clipboards_bitmap) {
    auto control = toolbarWithTools({1});
    Bar b = bind(control.Get());
    ToolbarTool* tool = control->tools().at(0);
    Late t = b.menu.object(L"VeskTools").object(L"Item", {number(0)});

    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 12, 9);
    ReleaseDC(nullptr, screen);
    REQUIRE(OpenClipboard(nullptr));
    EmptyClipboard();
    CHECK(SetClipboardData(CF_BITMAP, bitmap) != nullptr);  // the clipboard owns it now
    CloseClipboard();

    CHECK(t.call(L"PasteToolFace").ok());
    REQUIRE(tool->face(0));
    PictureInfo pasted = inspect(tool->face(0)->picture);
    CHECK_EQ(int(pasted.type), int(PICTYPE_BITMAP));
    CHECK_EQ(pasted.width, 12);
    CHECK_EQ(pasted.height, 9);
    CHECK_EQ(tool->face(0)->maskColor, kLightGrey);
    CHECK_EQ(control->form()->refreshRequests(), size_t(1));

    // Without a bitmap on the clipboard: an empty picture.
    REQUIRE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    CHECK(t.call(L"PasteToolFace", {number(4), number(0xFFFFFF)}).ok());
    REQUIRE(tool->face(4));
    CHECK_EQ(int(inspect(tool->face(4)->picture).type), int(PICTYPE_NONE));
    CHECK_EQ(tool->face(4)->maskColor, 0xFFFFFFL);
}
