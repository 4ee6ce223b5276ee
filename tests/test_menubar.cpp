// The menu and toolbar model (MenuBar, VeskBands, VeskBand, VeskTools, VeskTool) over the host
// kit's toolbar stand-in, driven late-bound the way a plug-in drives it: the bill event object is
// given the control through FireBarInitialize and hands out its MenuBar.
#include <olectl.h>

#include <functional>
#include <string>
#include <vector>

#include "Late.h"
#include "OrviClassEvents.h"
#include "Sink.h"
#include "hostkit/ToolbarKit.h"

using namespace testkit;
using hostkit::ToolbarBand;
using hostkit::ToolbarControl;
using hostkit::ToolbarTool;

namespace {

constexpr HRESULT kOverflow = HRESULT(0x800A0006);
constexpr HRESULT kTypeMismatch = HRESULT(0x800A000D);
constexpr HRESULT kObjectNotSet = HRESULT(0x800A005B);
constexpr HRESULT kObjectRequired = HRESULT(0x800A01A8);
constexpr HRESULT kFileNotFound = HRESULT(0x800A0035);
constexpr HRESULT kInvalidPicture = HRESULT(0x800A01E1);
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

Bar bind(IDispatch* control) {
    Bar b{control, Late::create(L"OrviClassEvents.BillEvent"), Late()};
    Outcome o = b.ev.call(L"FireBarInitialize", {obj(control)});
    REQUIRE(o.ok());
    b.menu = b.ev.object(L"MenuBar");
    REQUIRE(b.menu);
    return b;
}

// A control whose own collection holds tools with these IDs, named "T<id>".
ComPtr<ToolbarControl> toolbarWithTools(std::initializer_list<long> ids) {
    auto control = hostkit::newToolbar();
    for (long id : ids) control->tools().add(id, L"T" + std::to_wstring(id));
    return control;
}

Variant number(long x) {
    return Variant(x);
}

Variant integer(short x) {
    return Variant(x);
}

Variant nullValue() {
    Variant v;
    V_VT(&v.get()) = VT_NULL;
    return v;
}

long recordedLong(const hostkit::RecordedCall* call, size_t arg) {
    if (!call || arg >= call->args.size()) {
        fail(__FILE__, __LINE__, "no such recorded argument");
        return -99999;
    }
    return asLong(call->arg(arg).value);
}

int recordedType(const hostkit::RecordedCall* call, size_t arg) {
    if (!call || arg >= call->args.size()) return -1;
    return int(call->arg(arg).vt);
}

IDispatch* recordedObject(const hostkit::RecordedCall* call, size_t arg) {
    if (!call || arg >= call->args.size() || call->arg(arg).value.vt() != VT_DISPATCH) return nullptr;
    return V_DISPATCH(&call->arg(arg).value.get());
}

// ----------------------------------------------------------------------------- pictures

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

// ============================================================================ MenuBar

TEST_CASE(menubar_returns_one_wrapper_per_member_and_reads_the_control_each_time) {
    auto control = toolbarWithTools({1});
    control->bands().add(L"Standard");
    control->setActiveBand(control->bands().at(0));
    Bar b = bind(control.Get());
    control->clearCalls();

    Late tools1 = b.menu.object(L"VeskTools"), tools2 = b.menu.object(L"VeskTools");
    Late bands1 = b.menu.object(L"VeskBands"), bands2 = b.menu.object(L"VeskBands");
    Late active1 = b.menu.object(L"ActiveBand"), active2 = b.menu.object(L"ActiveBand");
    CHECK(sameObject(tools1.get(), tools2.get()));
    CHECK(sameObject(bands1.get(), bands2.get()));
    CHECK(sameObject(active1.get(), active2.get()));
    CHECK(!sameObject(tools1.get(), bands1.get()));
    CHECK_EQ(control->count(L"Tools"), size_t(2));
    CHECK_EQ(control->count(L"Bands"), size_t(2));
    CHECK_EQ(control->count(L"ActiveBand"), size_t(2));
    CHECK_EQ(tools1.number(L"Count"), 1L);
    CHECK_EQ(bands1.number(L"Count"), 1L);
    CHECK_EQ(active1.text(L"BandName"), std::wstring(L"Standard"));
}

TEST_CASE(menubar_refresh_calls_the_control) {
    auto control = hostkit::newToolbar();
    Bar b = bind(control.Get());
    control->clearCalls();
    Outcome o = b.menu.call(L"Refresh");
    CHECK(o.ok());
    CHECK_EQ(control->count(L"Refresh"), size_t(1));
    CHECK_EQ(control->last(L"Refresh")->args.size(), size_t(0));
}

TEST_CASE(menubar_active_band_follows_the_control_with_the_same_wrapper) {
    auto control = hostkit::newToolbar();
    ToolbarBand* standard = control->bands().add(L"Standard").Get();
    ToolbarBand* format = control->bands().add(L"Format").Get();
    control->setActiveBand(standard);
    Bar b = bind(control.Get());

    Late kept = b.menu.object(L"ActiveBand");
    CHECK_EQ(kept.text(L"BandName"), std::wstring(L"Standard"));
    control->setActiveBand(format);  // the user activated another band
    Late again = b.menu.object(L"ActiveBand");
    CHECK(sameObject(kept.get(), again.get()));
    CHECK_EQ(kept.text(L"BandName"), std::wstring(L"Format"));
}

TEST_CASE(menubar_active_band_without_an_active_band_is_an_empty_wrapper) {
    auto control = hostkit::newToolbar();
    control->bands().add(L"Standard");
    Bar b = bind(control.Get());
    Late band = b.menu.object(L"ActiveBand");
    REQUIRE(band);
    CHECK_ERROR(band.call(L"Caption"), kObjectNotSet, kVeskBand);
    CHECK_ERROR(band.put(L"Visible", Variant(true)), kObjectNotSet, kVeskBand);
    CHECK_ERROR(band.call(L"Refresh"), kObjectNotSet, kVeskBand);
    CHECK_ERROR(band.call(L"VeskTools"), kObjectNotSet, kVeskBand);
}

// ============================================================================ VeskBands

TEST_CASE(bands_item_and_add_return_one_shared_wrapper) {
    auto control = hostkit::newToolbar();
    control->bands().add(L"Standard");
    control->bands().add(L"Format");
    Bar b = bind(control.Get());
    Late bands = b.menu.object(L"VeskBands");

    Late first = bands.object(L"Item", {number(0)});
    CHECK_EQ(first.text(L"BandName"), std::wstring(L"Standard"));
    Late second = bands.object(L"Item", {number(1)});
    CHECK(sameObject(first.get(), second.get()));
    CHECK_EQ(first.text(L"BandName"), std::wstring(L"Format"));  // the kept reference moved too

    Late added = bands.object(L"Add", {str(L"Custom")});
    CHECK(sameObject(first.get(), added.get()));
    CHECK_EQ(first.text(L"BandName"), std::wstring(L"Custom"));
    CHECK_EQ(control->bands().size(), size_t(3));
    CHECK_EQ(control->bands().at(2)->name(), std::wstring(L"Custom"));
    CHECK_EQ(bands.number(L"Count"), 3L);

    // Item is also the default member.
    Outcome byDefault = bands.invoke(L"Item", DISPATCH_PROPERTYGET, {str(L"Standard")});
    REQUIRE(byDefault.ok());
    CHECK(sameObject(asObject(byDefault.value), first.get()));
    CHECK_EQ(first.text(L"BandName"), std::wstring(L"Standard"));
}

TEST_CASE(bands_item_passes_the_index_on_unchanged) {
    auto control = hostkit::newToolbar();
    control->bands().add(L"Standard");
    control->bands().add(L"3");
    Bar b = bind(control.Get());
    Late bands = b.menu.object(L"VeskBands");

    CHECK_EQ(bands.object(L"Item", {str(L"3")}).text(L"BandName"), std::wstring(L"3"));
    CHECK_EQ(recordedType(control->bands().last(L"Item"), 0), int(VT_BSTR));
    CHECK_EQ(bands.object(L"Item", {integer(1)}).text(L"BandName"), std::wstring(L"3"));
    CHECK_EQ(recordedType(control->bands().last(L"Item"), 0), int(VT_I2));
    CHECK_EQ(bands.object(L"Item", {Variant(0.0)}).text(L"BandName"), std::wstring(L"Standard"));
    CHECK_EQ(recordedType(control->bands().last(L"Item"), 0), int(VT_R8));
}

TEST_CASE(bands_count_widens_the_controls_16_bit_count_with_its_sign) {
    auto control = hostkit::newToolbar();
    for (int i = 0; i < 3; ++i) control->bands().add(L"B" + std::to_wstring(i));
    Bar b = bind(control.Get());
    Late bands = b.menu.object(L"VeskBands");

    Outcome small = bands.call(L"Count");
    REQUIRE(small.ok());
    CHECK_EQ(int(small.value.vt()), int(VT_I4));
    CHECK_EQ(asLong(small.value), 3L);

    // 40000 bands: the control reports the Integer -25536, which stays -25536 as a Long.
    for (int i = 3; i < 40000; ++i) control->bands().add(L"B");
    CHECK_EQ(int(control->bands().size()), 40000);
    Outcome large = bands.call(L"Count");
    REQUIRE(large.ok());
    CHECK_EQ(int(large.value.vt()), int(VT_I4));
    CHECK_EQ(asLong(large.value), -25536L);
}

TEST_CASE(bands_remove_and_remove_all_reach_the_control) {
    auto control = hostkit::newToolbar();
    for (const wchar_t* name : {L"Standard", L"Format", L"Custom"}) control->bands().add(name);
    Bar b = bind(control.Get());
    Late bands = b.menu.object(L"VeskBands");

    CHECK(bands.call(L"Remove", {str(L"Format")}).ok());
    CHECK_EQ(control->bands().size(), size_t(2));
    CHECK_EQ(control->bands().at(1)->name(), std::wstring(L"Custom"));
    CHECK(bands.call(L"Remove", {number(0)}).ok());
    CHECK_EQ(control->bands().at(0)->name(), std::wstring(L"Custom"));
    CHECK(bands.call(L"RemoveAll").ok());
    CHECK_EQ(control->bands().size(), size_t(0));
    CHECK_EQ(bands.number(L"Count"), 0L);
}

// ============================================================================ VeskBand

TEST_CASE(band_properties_read_and_write_the_band_and_nothing_else) {
    auto control = hostkit::newToolbar();
    ToolbarBand* band = control->bands().add(L"Standard").Get();
    Bar b = bind(control.Get());
    Late wrapper = b.menu.object(L"VeskBands").object(L"Item", {number(0)});
    band->clearCalls();
    control->clearCalls();

    wrapper.set(L"Caption", str(L"标准"));
    wrapper.set(L"BandName", str(L"Main"));
    wrapper.set(L"Visible", Variant(false));
    wrapper.set(L"Wrappable", Variant(true));
    wrapper.set(L"BandType", number(2));
    wrapper.set(L"Flags", number(0x30));
    wrapper.set(L"DockLine", number(2));
    wrapper.set(L"DockingOffset", number(120));
    wrapper.set(L"DockingArea", number(8));
    wrapper.set(L"CurrentTool", integer(-3));

    CHECK_EQ(asText(band->prop(L"Caption")), std::wstring(L"标准"));
    CHECK_EQ(asText(band->prop(L"BandName")), std::wstring(L"Main"));
    CHECK_EQ(asBool(band->prop(L"Visible")), false);
    CHECK_EQ(asBool(band->prop(L"Wrappable")), true);
    CHECK_EQ(asLong(band->prop(L"BandType")), 2L);
    CHECK_EQ(asLong(band->prop(L"Flags")), 0x30L);
    CHECK_EQ(asLong(band->prop(L"DockLine")), 2L);
    CHECK_EQ(asLong(band->prop(L"DockingOffset")), 120L);
    CHECK_EQ(asLong(band->prop(L"DockingArea")), 8L);
    CHECK_EQ(asLong(band->prop(L"CurrentTool")), -3L);

    // Reads come from the band.
    band->setProp(L"Caption", str(L"Edit"));
    band->setProp(L"DockingArea", number(16));
    band->setProp(L"CurrentTool", integer(7));
    CHECK_EQ(wrapper.text(L"Caption"), std::wstring(L"Edit"));
    CHECK_EQ(wrapper.number(L"DockingArea"), 16L);
    Outcome current = wrapper.call(L"CurrentTool");
    CHECK_EQ(int(current.value.vt()), int(VT_I2));
    CHECK_EQ(asLong(current.value), 7L);
    CHECK_EQ(wrapper.flag(L"Wrappable"), true);
    CHECK_EQ(wrapper.number(L"Flags"), 0x30L);

    // No refresh of its own and no redraw request: the plug-in refreshes when it wants to.
    CHECK_EQ(band->count(L"Refresh"), size_t(0));
    CHECK_EQ(control->count(L"Refresh"), size_t(0));
    CHECK_EQ(control->form()->refreshRequests(), size_t(0));
    CHECK(wrapper.call(L"Refresh").ok());
    CHECK_EQ(band->count(L"Refresh"), size_t(1));
}

TEST_CASE(band_vesk_tools_wraps_the_bands_tool_collection) {
    auto control = toolbarWithTools({1, 2});
    ToolbarBand* standard = control->bands().add(L"Standard").Get();
    control->bands().add(L"Format");  // no tools
    standard->tools().insert(-1, control->tools().at(1));
    Bar b = bind(control.Get());
    Late band = b.menu.object(L"VeskBands").object(L"Item", {number(0)});

    Late tools1 = band.object(L"VeskTools");
    Late tools2 = band.object(L"VeskTools");
    CHECK(sameObject(tools1.get(), tools2.get()));
    CHECK_EQ(tools1.number(L"Count"), 1L);
    CHECK_EQ(tools1.object(L"Item", {number(0)}).number(L"ToolID"), 2L);

    // The band wrapper moves to another band; its VeskTools follows on the next read.
    b.menu.object(L"VeskBands").object(L"Item", {number(1)});
    CHECK(sameObject(band.object(L"VeskTools").get(), tools1.get()));
    CHECK_EQ(tools1.number(L"Count"), 0L);
}

// ============================================================================ VeskTools

TEST_CASE(tools_item_returns_one_shared_wrapper) {
    auto control = toolbarWithTools({5, 6, 7});
    Bar b = bind(control.Get());
    Late tools = b.menu.object(L"VeskTools");

    Late first = tools.object(L"Item", {number(0)});
    CHECK_EQ(first.number(L"ToolID"), 5L);
    Late third = tools.object(L"Item", {str(L"T7")});
    CHECK(sameObject(first.get(), third.get()));
    CHECK_EQ(first.number(L"ToolID"), 7L);
    CHECK_EQ(recordedType(control->tools().last(L"Item"), 0), int(VT_BSTR));
    CHECK_EQ(tools.number(L"Count"), 3L);
}

TEST_CASE(tools_count_widens_the_controls_16_bit_count_with_its_sign) {
    auto control = hostkit::newToolbar();
    for (long id = 1; id <= 32767; ++id) control->tools().add(id, L"T");
    Bar b = bind(control.Get());
    Late tools = b.menu.object(L"VeskTools");
    Outcome top = tools.call(L"Count");
    REQUIRE(top.ok());
    CHECK_EQ(int(top.value.vt()), int(VT_I4));
    CHECK_EQ(asLong(top.value), 32767L);
    control->tools().add(32768, L"T");
    CHECK_EQ(tools.number(L"Count"), -32768L);
}

TEST_CASE(tools_remove_and_remove_all_reach_the_wrapped_collection) {
    auto control = toolbarWithTools({1, 2, 3});
    ToolbarBand* band = control->bands().add(L"Standard").Get();
    for (size_t i = 0; i < 3; ++i) band->tools().insert(-1, control->tools().at(i));
    Bar b = bind(control.Get());
    Late bandTools = b.menu.object(L"VeskBands").object(L"Item", {number(0)}).object(L"VeskTools");

    CHECK(bandTools.call(L"Remove", {str(L"T2")}).ok());
    CHECK(band->tools().ids() == std::vector<long>({1, 3}));
    CHECK_EQ(control->tools().size(), size_t(3));  // only the band's collection changed
    CHECK(bandTools.call(L"RemoveAll").ok());
    CHECK_EQ(band->tools().size(), size_t(0));
    CHECK_EQ(control->tools().size(), size_t(3));
}

// ---------------------------------------------------------------------------- GetFreeToolID

TEST_CASE(free_tool_id_fills_the_lowest_gap) {
    auto control = toolbarWithTools({1, 2, 4});
    Bar b = bind(control.Get());
    Late tools = b.menu.object(L"VeskTools");
    Outcome o = tools.call(L"GetFreeToolID");
    REQUIRE(o.ok());
    CHECK_EQ(int(o.value.vt()), int(VT_I4));
    CHECK_EQ(asLong(o.value), 3L);
    // Nothing is reserved: the same answer until a tool takes it.
    CHECK_EQ(tools.number(L"GetFreeToolID"), 3L);
}

TEST_CASE(free_tool_id_of_a_control_without_tools_is_one) {
    auto control = hostkit::newToolbar();
    control->bands().add(L"Empty");
    Bar b = bind(control.Get());
    CHECK_EQ(b.menu.object(L"VeskTools").number(L"GetFreeToolID"), 1L);
}

TEST_CASE(free_tool_id_counts_band_tools_and_shared_ids_once) {
    // Control: 1, 2. Band "Standard": the control's tool 2 again and a tool 3 of its own.
    // Band "Format": 5. Zero and negative IDs do not matter.
    auto control = toolbarWithTools({1, 2, 0, -4});
    ToolbarBand* standard = control->bands().add(L"Standard").Get();
    ToolbarBand* format = control->bands().add(L"Format").Get();
    standard->tools().insert(-1, control->tools().at(1));
    standard->tools().add(3, L"Own");
    format->tools().add(5, L"Five");
    Bar b = bind(control.Get());

    CHECK_EQ(b.menu.object(L"VeskTools").number(L"GetFreeToolID"), 4L);
    // The same from a band's collection: every tool of the control counts.
    Late formatTools = b.menu.object(L"VeskBands").object(L"Item", {number(1)}).object(L"VeskTools");
    CHECK_EQ(formatTools.number(L"GetFreeToolID"), 4L);
    format->tools().add(4, L"Four");
    CHECK_EQ(formatTools.number(L"GetFreeToolID"), 6L);
}

TEST_CASE(free_tool_id_reuses_gaps_left_by_removed_tools_lowest_first) {
    auto control = toolbarWithTools({1, 2, 3, 4, 5, 6});
    Bar b = bind(control.Get());
    Late tools = b.menu.object(L"VeskTools");
    CHECK(tools.call(L"Remove", {str(L"T5")}).ok());
    CHECK(tools.call(L"Remove", {str(L"T2")}).ok());
    CHECK_EQ(tools.number(L"GetFreeToolID"), 2L);
    CHECK_EQ(tools.object(L"Add", {str(L"Again")}).number(L"ToolID"), 2L);
    CHECK_EQ(tools.number(L"GetFreeToolID"), 5L);
}

TEST_CASE(free_tool_id_ignores_errors_and_goes_on) {
    auto control = toolbarWithTools({1, 2, 5});
    ToolbarBand* broken = control->bands().add(L"Broken").Get();
    broken->tools().add(3, L"Hidden");
    broken->fails(L"Tools", HRESULT(0x80040777), L"Band is gone", L"Host");
    ToolbarBand* fine = control->bands().add(L"Fine").Get();
    fine->tools().add(3, L"Three");
    fine->tools().add(4, L"Four");
    fine->tools().at(0)->fails(L"ToolID", HRESULT(0x80040778), L"Tool is gone", L"Host");
    Bar b = bind(control.Get());
    Late tools = b.menu.object(L"VeskTools");

    // 3 is only known through tools that cannot be read.
    CHECK_EQ(tools.number(L"GetFreeToolID"), 3L);
    control->bands().fails(L"Count", HRESULT(0x80040779), L"No bands", L"Host");
    CHECK_EQ(tools.number(L"GetFreeToolID"), 3L);
    control->tools().fails(L"Item", HRESULT(0x8004077A), L"No tools", L"Host");
    CHECK_EQ(tools.number(L"GetFreeToolID"), 1L);
}

// ---------------------------------------------------------------------------- Add

TEST_CASE(add_twice_gives_the_two_lowest_free_ids_in_the_controls_own_collection) {
    auto control = toolbarWithTools({1, 3});
    ToolbarBand* band = control->bands().add(L"Standard").Get();
    Bar b = bind(control.Get());
    // Through a band's collection: the tools still go into the control's own collection.
    Late bandTools = b.menu.object(L"VeskBands").object(L"Item", {number(0)}).object(L"VeskTools");

    Late cut = bandTools.object(L"Add", {str(L"Cut")});
    CHECK_EQ(cut.number(L"ToolID"), 2L);
    CHECK_EQ(cut.text(L"ToolName"), std::wstring(L"Cut"));
    const hostkit::RecordedCall* add = control->tools().last(L"Add");
    REQUIRE(add);
    CHECK_EQ(add->args.size(), size_t(2));
    CHECK_EQ(recordedType(add, 0), int(VT_I4));
    CHECK_EQ(recordedLong(add, 0), 2L);
    CHECK_EQ(recordedType(add, 1), int(VT_BYREF | VT_BSTR));
    CHECK_EQ(asText(add->arg(1).value), std::wstring(L"Cut"));

    Late copy = bandTools.object(L"Add", {str(L"Copy")});
    CHECK(sameObject(cut.get(), copy.get()));
    CHECK_EQ(cut.number(L"ToolID"), 4L);  // the first result now points at the second tool
    CHECK_EQ(cut.text(L"ToolName"), std::wstring(L"Copy"));
    CHECK(control->tools().ids() == std::vector<long>({1, 3, 2, 4}));
    CHECK_EQ(band->tools().size(), size_t(0));
    CHECK_EQ(band->tools().count(L"Add"), size_t(0));

    // The wrapper Add returns has the control: it asks for redraws.
    cut.set(L"Caption", str(L"复制"));
    CHECK_EQ(control->form()->refreshRequests(), size_t(1));
}

// ---------------------------------------------------------------------------- InsertBefore / InsertAfter

namespace {

// A band "Standard" holding the tools "Save" (0), "3" (1) and "Print" (2), and a tool "Cut" in
// the control's collection to insert.
struct InsertBed {
    ComPtr<ToolbarControl> control;
    ToolbarBand* band;
    Bar bar;
    Late bandTools;
    Late cut;  // a VeskTool over "Cut"

    void reset() {
        band->tools().clear();
        for (size_t i = 0; i < 3; ++i) band->tools().insert(-1, control->tools().at(i));
        band->tools().clearCalls();
    }
    // Inserts "Cut" with InsertBefore or InsertAfter and returns the position passed on.
    long insert(const wchar_t* method, const Variant& index) {
        reset();
        Outcome o = bandTools.call(method, {index, obj(cut.get())});
        if (!o.ok()) {
            fail(__FILE__, __LINE__, "%s failed: 0x%08lx %s", narrow(method).c_str(), (unsigned long)o.error,
                 narrow(o.description).c_str());
            return -99999;
        }
        const hostkit::RecordedCall* call = band->tools().last(L"Insert");
        if (!call || call->args.size() != 2 || call->arg(0).vt != VT_I4) {
            fail(__FILE__, __LINE__, "no Insert(Long, tool) call");
            return -99999;
        }
        if (!sameObject(recordedObject(call, 1), control->tools().at(3)))
            fail(__FILE__, __LINE__, "wrong tool inserted");
        return recordedLong(call, 0);
    }
};

InsertBed insertBed() {
    auto control = hostkit::newToolbar();
    control->tools().add(1, L"Save");
    control->tools().add(2, L"3");
    control->tools().add(3, L"Print");
    control->tools().add(4, L"Cut");
    ToolbarBand* band = control->bands().add(L"Standard").Get();
    InsertBed bed{control, band, bind(control.Get()), Late(), Late()};
    bed.bandTools = bed.bar.menu.object(L"VeskBands").object(L"Item", {number(0)}).object(L"VeskTools");
    bed.cut = bed.bar.menu.object(L"VeskTools").object(L"Item", {str(L"Cut")});
    return bed;
}

}  // namespace

TEST_CASE(insert_by_name_takes_the_position_of_the_named_tool) {
    InsertBed bed = insertBed();
    CHECK_EQ(bed.insert(L"InsertBefore", str(L"Print")), 2L);
    CHECK(bed.band->tools().ids() == std::vector<long>({1, 2, 4, 3}));
    CHECK_EQ(bed.insert(L"InsertAfter", str(L"Print")), 3L);
    CHECK(bed.band->tools().ids() == std::vector<long>({1, 2, 3, 4}));
    CHECK_EQ(bed.insert(L"InsertBefore", str(L"Save")), 0L);
    CHECK(bed.band->tools().ids() == std::vector<long>({4, 1, 2, 3}));
}

TEST_CASE(insert_by_a_name_not_in_the_collection_passes_minus_one) {
    InsertBed bed = insertBed();
    CHECK_EQ(bed.insert(L"InsertBefore", str(L"Missing")), -1L);
    CHECK(bed.band->tools().ids() == std::vector<long>({1, 2, 3, 4}));  // the stand-in appends
    CHECK_EQ(bed.insert(L"InsertBefore", str(L"print")), -1L);        // letter case counts
    CHECK_EQ(bed.insert(L"InsertAfter", str(L"PRINT")), -1L);         // and -1 stays -1
    CHECK_EQ(bed.insert(L"InsertAfter", str(L"nothing")), -1L);
    // "Cut" is in the control's collection, not in the band's.
    CHECK_EQ(bed.insert(L"InsertBefore", str(L"Cut")), -1L);
}

TEST_CASE(insert_with_digits_as_text_looks_up_a_name) {
    InsertBed bed = insertBed();
    CHECK_EQ(bed.insert(L"InsertBefore", str(L"3")), 1L);  // the tool named "3", not position 3
    CHECK_EQ(bed.insert(L"InsertAfter", str(L"3")), 2L);
    CHECK_EQ(bed.insert(L"InsertBefore", str(L"2")), -1L);  // no tool is named "2"
    // A string by reference is still a string.
    BSTR text = SysAllocString(L"3");
    CHECK_EQ(bed.insert(L"InsertBefore", ref(text)), 1L);
    SysFreeString(text);
}

TEST_CASE(insert_by_number_uses_the_number_as_the_position) {
    InsertBed bed = insertBed();
    CHECK_EQ(bed.insert(L"InsertAfter", number(3)), 4L);
    CHECK_EQ(bed.insert(L"InsertBefore", number(3)), 3L);
    CHECK_EQ(bed.insert(L"InsertBefore", integer(1)), 1L);
    CHECK(bed.band->tools().ids() == std::vector<long>({1, 4, 2, 3}));
    CHECK_EQ(bed.insert(L"InsertAfter", integer(0)), 1L);
    CHECK_EQ(bed.insert(L"InsertBefore", Variant(1.6)), 2L);
    CHECK_EQ(bed.insert(L"InsertAfter", Variant(true)), -1L);  // True converts to -1, which stays -1
}

TEST_CASE(insert_with_minus_one_or_an_unconvertible_index_passes_minus_one) {
    InsertBed bed = insertBed();
    CHECK_EQ(bed.insert(L"InsertBefore", number(-1)), -1L);
    CHECK_EQ(bed.insert(L"InsertAfter", number(-1)), -1L);
    CHECK_EQ(bed.insert(L"InsertAfter", nullValue()), -1L);
    Variant error;
    V_VT(&error.get()) = VT_ERROR;
    V_ERROR(&error.get()) = 5;
    CHECK_EQ(bed.insert(L"InsertBefore", error), -1L);
    CHECK_EQ(bed.insert(L"InsertAfter", obj(bed.cut.get())), -1L);
}

TEST_CASE(insert_name_search_skips_tools_it_cannot_read) {
    InsertBed bed = insertBed();
    bed.control->tools().at(0)->fails(L"ToolName", HRESULT(0x80040777), L"Tool is gone", L"Host");
    CHECK_EQ(bed.insert(L"InsertBefore", str(L"Print")), 2L);
    bed.control->tools().at(1)->fails(L"ToolName", HRESULT(0x80040777), L"Tool is gone", L"Host");
    CHECK_EQ(bed.insert(L"InsertBefore", str(L"3")), -1L);
}

namespace {

// A minimal tool collection of a control, for re-entrancy: each Item is a new tool object that
// only its holder keeps alive, and Insert runs a callback while the control holds the tool it was
// given (as a real control would, to link it into the band).
struct BareTool final : IDispatch {
    explicit BareTool(bool* destroyed) : destroyed_(destroyed) {}
    ~BareTool() { *destroyed_ = true; }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown || riid == IID_IDispatch || riid == hostkit::IID_ToolbarTool
                   ? static_cast<IDispatch*>(this)
                   : nullptr;
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        long n = --refs_;
        if (!n) delete this;
        return ULONG(n);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    long refs_ = 1;
    bool* destroyed_;
};

struct BareTools final : IDispatch {
    std::function<void(IDispatch* tool)> onInsert;
    bool firstDestroyed = false, otherDestroyed = false;
    int items = 0;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown || riid == IID_IDispatch || riid == hostkit::IID_ToolbarTools
                   ? static_cast<IDispatch*>(this)
                   : nullptr;
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override {
        std::wstring n = names[0];
        *id = n == L"Item" ? 1 : n == L"Insert" ? 2 : DISPID_UNKNOWN;
        return *id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id == 1) {
            if (result) {
                V_VT(result) = VT_DISPATCH;
                V_DISPATCH(result) = new BareTool(items++ == 0 ? &firstDestroyed : &otherDestroyed);
            }
            return S_OK;
        }
        if (id == 2 && p->cArgs == 2) {
            const VARIANT& tool = orvi::com::deref(p->rgvarg[0]);
            if (onInsert) onInsert(V_VT(&tool) == VT_DISPATCH ? V_DISPATCH(&tool) : nullptr);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
};

}  // namespace

TEST_CASE(insert_holds_the_tool_while_the_control_uses_it) {
    BareTools tools;
    ComPtr<hostkit::FakeObject> control = hostkit::newFake(L"Control");
    control->property(L"Tools", obj(&tools));
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    REQUIRE(ev.call(L"FireBarInitialize", {obj(control.Get())}).ok());
    Late vt = ev.object(L"MenuBar").object(L"VeskTools");
    Late wrapper = vt.object(L"Item", {number(0)});  // the wrapper alone holds the first tool
    bool stillThere = false;
    tools.onInsert = [&](IDispatch* tool) {
        // A plug-in handler re-points the shared wrapper while the control works with the tool.
        vt.call(L"Item", {number(1)});
        stillThere = tool && !tools.firstDestroyed;
    };
    IDispatch* w = wrapper.get();
    CHECK(vt.call(L"InsertAfter", {number(0), ref(w)}).ok());
    CHECK(stillThere);
    CHECK(tools.firstDestroyed);  // let go once the call is over
    tools.onInsert = nullptr;
    wrapper = Late();
    vt = Late();
    ev = Late();
    control->property(L"Tools", Variant());
}

TEST_CASE(insert_needs_a_tool_wrapper_of_this_library) {
    InsertBed bed = insertBed();
    bed.reset();
    Variant nothing(static_cast<IDispatch*>(nullptr));
    CHECK_ERROR(bed.bandTools.call(L"InsertBefore", {number(0), nothing}), kObjectNotSet, kVeskTools);
    CHECK_ERROR(bed.bandTools.call(L"InsertAfter", {number(0), nothing}), kObjectNotSet, kVeskTools);
    // The control's own tool object is not a VeskTool: a late-bound caller is refused before the
    // member runs (the dispatcher's type mismatch, argument 0 = the last one), a vtable caller by
    // the member itself.
    Outcome refused = bed.bandTools.call(L"InsertBefore", {number(0), obj(bed.control->tools().at(3))});
    CHECK_HR(refused.hr, DISP_E_TYPEMISMATCH);
    CHECK_EQ(refused.argErr, 0u);
    ComPtr<_VeskTools> vtbl;
    REQUIRE(SUCCEEDED(bed.bandTools.get()->QueryInterface(IID__VeskTools, reinterpret_cast<void**>(vtbl.GetAddressOf()))));
    _VeskTool* foreign = reinterpret_cast<_VeskTool*>(static_cast<IDispatch*>(bed.control->tools().at(3)));
    VARIANT at;
    VariantInit(&at);
    CHECK_HR(vtbl->InsertBefore(at, &foreign), kTypeMismatch);
    CHECK_EQ(bed.band->tools().count(L"Insert"), size_t(0));
    // A wrapper passed by reference is fine.
    IDispatch* cut = bed.cut.get();
    CHECK(bed.bandTools.call(L"InsertBefore", {number(0), ref(cut)}).ok());
    CHECK_EQ(bed.band->tools().ids().front(), 4L);
}

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
    CHECK(tool->face(1) && tool->face(2));
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
    CHECK(tool->face(32767) && tool->face(-32768));
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

// ============================================================================ errors

TEST_CASE(errors_of_the_control_reach_the_caller_unchanged) {
    auto control = toolbarWithTools({1});
    ToolbarBand* band = control->bands().add(L"Standard").Get();
    Bar b = bind(control.Get());
    const HRESULT hostError = HRESULT(0x80040777);

    control->fails(L"Refresh", hostError, L"Toolbar is busy", L"ToolbarHost");
    Outcome refresh = b.menu.call(L"Refresh");
    CHECK_ERROR(refresh, hostError, L"ToolbarHost");
    CHECK_EQ(refresh.description, std::wstring(L"Toolbar is busy"));

    Late bands = b.menu.object(L"VeskBands");
    Outcome item = bands.call(L"Item", {number(9)});
    CHECK_ERROR(item, hostkit::kToolbarBadIndex, hostkit::kToolbarSource);
    CHECK_EQ(item.description, std::wstring(L"Invalid index: 9"));
    CHECK_ERROR(bands.call(L"Remove", {str(L"Nope")}), hostkit::kToolbarBadIndex, hostkit::kToolbarSource);

    Late wrapper = bands.object(L"Item", {number(0)});
    band->fails(L"Caption", hostError, L"Band is locked", L"ToolbarHost");
    Outcome caption = wrapper.put(L"Caption", str(L"x"));
    CHECK_ERROR(caption, hostError, L"ToolbarHost");
    CHECK_EQ(caption.description, std::wstring(L"Band is locked"));

    Late tools = b.menu.object(L"VeskTools");
    Late tool = tools.object(L"Item", {number(0)});
    control->tools().at(0)->fails(L"Caption", hostError, L"Tool is locked", L"ToolbarHost");
    Outcome toolCaption = tool.put(L"Caption", str(L"x"));
    CHECK_ERROR(toolCaption, hostError, L"ToolbarHost");
    CHECK_EQ(toolCaption.description, std::wstring(L"Tool is locked"));
    CHECK_EQ(control->form()->refreshRequests(), size_t(0));  // a failed let asks for no redraw
    CHECK_ERROR(tool.call(L"Caption"), hostError, L"ToolbarHost");

    control->tools().fails(L"Add", HRESULT(0x80040999), L"Too many tools", L"ToolbarHost");
    Outcome add = tools.call(L"Add", {str(L"New")});
    CHECK_ERROR(add, HRESULT(0x80040999), L"ToolbarHost");
    CHECK_EQ(add.description, std::wstring(L"Too many tools"));
    CHECK_ERROR(tools.call(L"Item", {str(L"Nope")}), hostkit::kToolbarBadIndex, hostkit::kToolbarSource);
    CHECK_ERROR(tools.call(L"Remove", {number(5)}), hostkit::kToolbarBadIndex, hostkit::kToolbarSource);

}

TEST_CASE(an_object_of_another_kind_is_a_type_mismatch) {
    auto kit = hostkit::newToolbar();
    ToolbarBand* band = kit->bands().add(L"Standard").Get();
    ToolbarTool* tool = kit->tools().add(1, L"Save").Get();
    // A control that answers with the wrong objects.
    auto control = hostkit::newFake(L"OddControl");
    control->returns(L"Bands", static_cast<IDispatch*>(&kit->tools()));
    control->returns(L"Tools", static_cast<IDispatch*>(band));
    control->returns(L"ActiveBand", static_cast<IDispatch*>(tool));
    Bar b = bind(control.Get());

    CHECK_ERROR(b.menu.call(L"VeskBands"), kTypeMismatch, kMenuBar);
    CHECK_ERROR(b.menu.call(L"VeskTools"), kTypeMismatch, kMenuBar);
    CHECK_ERROR(b.menu.call(L"ActiveBand"), kTypeMismatch, kMenuBar);

    control->returns(L"Bands", number(3));
    CHECK_ERROR(b.menu.call(L"VeskBands"), kObjectRequired, kMenuBar);

    // The bill event object's click relay hands its VeskTool a band: refused the same way.
    VARIANT_BOOL cancel = VARIANT_FALSE;
    CHECK_ERROR(b.ev.call(L"FireBarClick", {obj(band), refBool(cancel)}), kTypeMismatch, L"OrviClassEvents.BillEvent");
}

// ============================================================================ release order

TEST_CASE(wrappers_release_what_they_hold_in_order) {
    auto control = hostkit::newToolbar();
    ToolbarTool* save = control->tools().add(1, L"Save").Get();
    ToolbarBand* standard = control->bands().add(L"Standard").Get();
    ToolbarBand* format = control->bands().add(L"Format").Get();
    standard->tools().insert(-1, save);
    control->setActiveBand(format);
    Bar b = bind(control.Get());
    {
        Late band = b.menu.object(L"VeskBands").object(L"Item", {str(L"Standard")});
        band.object(L"VeskTools").object(L"Item", {number(0)});
        b.menu.object(L"VeskTools");
        b.menu.object(L"ActiveBand");
    }
    b.menu = Late();
    auto& log = hostkit::ToolbarObject::releaseLog();
    log.clear();
    hostkit::ToolbarObject::traceReleases(true);
    b.ev = Late();  // the last reference to the MenuBar and everything under it
    hostkit::ToolbarObject::traceReleases(false);

    const std::vector<std::wstring> expected = {
        // MenuBar: VeskBands first. VeskBands: its VeskBand, then the band collection, then the
        // control. VeskBand: its VeskTools, then the band, then the control. VeskTools: the
        // collection, then its VeskTool, then the control. VeskTool: the control, then the tool.
        L"tools:Standard", L"control", L"tool:1", L"control", L"band:Standard", L"control", L"bands", L"control",
        // MenuBar: then its VeskTools (whose VeskTool is empty), the active band, the control.
        L"tools:control", L"control", L"band:Format", L"control", L"control"};
    CHECK(log == expected);
    if (log != expected) {
        std::wstring got;
        for (const auto& s : log) got += s + L" ";
        fail(__FILE__, __LINE__, "releases: %s", narrow(got).c_str());
    }
    log.clear();
}

// ---------------------------------------------------------------- the stand-in's published interfaces

namespace {

// What an early-bound caller of one of the control's interfaces calls: a slot after IDispatch's,
// read from the object's vtable as a compiled plug-in reads it.
using GetSlot = HRESULT(STDMETHODCALLTYPE*)(void* self, BSTR* ret);
using PutSlot = HRESULT(STDMETHODCALLTYPE*)(void* self, long value);

template <class F>
F slotOf(IUnknown* object, size_t slot) {
    void* const* volatile table = *reinterpret_cast<void* const* const*>(object);
    return reinterpret_cast<F>(table[slot]);
}

#ifndef _WIN64
// On x86 a refused early-bound call never returns: it raises the non-continuable exception
// kToolbarEarlyBoundCall. The call is made on a thread of its own, which the exception ends with
// the exception's code as its exit code (EXCEPTION_NONCONTINUABLE adds 1 to it).
struct EarlyBoundCall {
    IUnknown* face;
    size_t slot;
    BSTR* out;
};
DWORD earlyBoundThread = 0;

LONG CALLBACK endEarlyBoundThread(EXCEPTION_POINTERS* e) {
    const EXCEPTION_RECORD* r = e->ExceptionRecord;
    if (GetCurrentThreadId() != earlyBoundThread || r->ExceptionCode != hostkit::kToolbarEarlyBoundCall)
        return EXCEPTION_CONTINUE_SEARCH;
    ExitThread(r->ExceptionCode + ((r->ExceptionFlags & EXCEPTION_NONCONTINUABLE) ? 1 : 0));
}

DWORD WINAPI callEarlyBound(void* arg) {
    auto* call = static_cast<EarlyBoundCall*>(arg);
    earlyBoundThread = GetCurrentThreadId();
    if (call->out) slotOf<GetSlot>(call->face, call->slot)(call->face, call->out);
    else slotOf<PutSlot>(call->face, call->slot)(call->face, 12);
    return 0;  // the call returned
}

// The exit code of the thread that made the call.
DWORD earlyBoundExit(IUnknown* face, size_t slot, BSTR* out) {
    EarlyBoundCall call{face, slot, out};
    PVOID handler = AddVectoredExceptionHandler(1, endEarlyBoundThread);
    HANDLE thread = CreateThread(nullptr, 0, callEarlyBound, &call, 0, nullptr);
    DWORD code = 0;
    if (thread) {
        WaitForSingleObject(thread, 30000);
        GetExitCodeThread(thread, &code);
        CloseHandle(thread);
    }
    RemoveVectoredExceptionHandler(handler);
    return code;
}
#endif

}  // namespace

TEST_CASE(published_interfaces_lead_to_idispatch_and_refuse_early_bound_calls) {
    auto control = hostkit::newToolbar();
    auto band = control->bands().add(L"Standard");
    auto tool = control->tools().add(3, L"Save");
    struct Each {
        IDispatch* object;
        const IID* iid;
        const wchar_t* readable;  // a member read through the interface's IDispatch slots
        const wchar_t* name;
    } each[] = {
        {band.Get(), &hostkit::IID_ToolbarBand, L"BandName", L"band"},
        {&control->bands(), &hostkit::IID_ToolbarBands, L"Count", L"band collection"},
        {&control->tools(), &hostkit::IID_ToolbarTools, L"Count", L"tool collection"},
        {tool.Get(), &hostkit::IID_ToolbarTool, L"ToolName", L"tool"},
    };
    for (const Each& e : each) {
        ComPtr<IDispatch> face;
        REQUIRE(SUCCEEDED(e.object->QueryInterface(*e.iid, reinterpret_cast<void**>(face.GetAddressOf()))));
        // One object: the same identity, and the interface asked for again is the same pointer.
        CHECK(sameObject(face.Get(), e.object));
        ComPtr<IUnknown> again;
        REQUIRE(SUCCEEDED(face->QueryInterface(*e.iid, reinterpret_cast<void**>(again.GetAddressOf()))));
        CHECK(static_cast<void*>(again.Get()) == static_cast<void*>(face.Get()));
        // The IDispatch slots reach the object's members.
        Late late{face};
        Outcome read = late.call(e.readable);
        CHECK(read.ok());
        ULONG before = late.refs();
        face->AddRef();
        CHECK_EQ(late.refs(), before + 1);
        face->Release();
#ifdef _WIN64
        // An early-bound call is refused, loudly, and writes nothing.
        SetErrorInfo(0, nullptr);
        BSTR out = reinterpret_cast<BSTR>(&out);
        CHECK_HR(slotOf<GetSlot>(face.Get(), 7)(face.Get(), &out), E_NOTIMPL);
        CHECK(out == reinterpret_cast<BSTR>(&out));
        ComPtr<IErrorInfo> info;
        REQUIRE(GetErrorInfo(0, info.GetAddressOf()) == S_OK);
        BSTR source = nullptr, description = nullptr;
        info->GetSource(&source);
        info->GetDescription(&description);
        CHECK_EQ(std::wstring(source ? source : L""), std::wstring(L"OrviHostKit.Toolbar"));
        std::wstring text(description ? description : L"");
        CHECK(text.find(std::wstring(L"early-bound ") + e.name + L" interface (vtable slot 7)") != std::wstring::npos);
        SysFreeString(source);
        SysFreeString(description);
        CHECK_HR(slotOf<PutSlot>(face.Get(), 40)(face.Get(), 12), E_NOTIMPL);
        SetErrorInfo(0, nullptr);
#else
        // An early-bound call ends in the non-continuable exception, and writes nothing.
        BSTR out = reinterpret_cast<BSTR>(&out);
        CHECK_EQ(earlyBoundExit(face.Get(), 7, &out), hostkit::kToolbarEarlyBoundCall + 1);
        CHECK(out == reinterpret_cast<BSTR>(&out));
        CHECK_EQ(earlyBoundExit(face.Get(), 40, nullptr), hostkit::kToolbarEarlyBoundCall + 1);
#endif
    }
    // The control and its form have no published interface of their own.
    ComPtr<IUnknown> none;
    CHECK_HR(static_cast<IDispatch*>(control.Get())->QueryInterface(hostkit::IID_ToolbarBand,
                                                                    reinterpret_cast<void**>(none.GetAddressOf())),
             E_NOINTERFACE);
    CHECK_HR(static_cast<IDispatch*>(control.Get())->QueryInterface(hostkit::IID_ToolbarTool,
                                                                    reinterpret_cast<void**>(none.GetAddressOf())),
             E_NOINTERFACE);
    // The library, which asks for these interfaces, works over them.
    Bar b = bind(control.Get());
    CHECK_EQ(b.menu.object(L"VeskBands").object(L"Item", {number(0)}).text(L"BandName"), std::wstring(L"Standard"));
    CHECK_EQ(b.menu.object(L"VeskTools").object(L"Item", {number(0)}).text(L"ToolName"), std::wstring(L"Save"));
}
