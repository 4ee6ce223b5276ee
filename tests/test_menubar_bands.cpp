// MenuBar, VeskBands and VeskBand: one wrapper per member of the toolbar control, each reading
// the control every time; counts widened with their sign; properties of a band.
#include <vector>

#include "test_menubar_support.h"

using namespace menubar_test;

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
