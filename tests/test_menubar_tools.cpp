// VeskTools: items, counts, removal, GetFreeToolID, Add and InsertBefore / InsertAfter over the
// toolbar control's tool collections.
#include <vector>

#include "OrviClassEvents.h"
#include "TestUnknown.h"
#include "test_menubar_support.h"

using namespace menubar_test;

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
    CHECK_EQ(bed.insert(L"InsertAfter", null()), -1L);
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
struct BareTool final : testkit::UncountedDispatch {
    explicit BareTool(bool* destroyed) : UncountedDispatch({hostkit::IID_ToolbarTool}), destroyed_(destroyed) {}
    ~BareTool() override { *destroyed_ = true; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
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
