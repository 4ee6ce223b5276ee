// The menu and toolbar model as a whole: the control's errors reaching the caller, objects of
// another kind refused, the order in which wrappers let go of what they hold, and the stand-in's
// published interfaces.
#include <functional>
#include <vector>

#include "OrviClassEvents.h"
#include "test_menubar_support.h"

using namespace menubar_test;

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
