// The IDispatch of the library's objects, driven as VB, script and C++ clients drive it: name
// lookup, every argument form, by-reference write-back, defaults, named arguments, and hostile
// calls that must end in a COM error, never a crash or a leaked reference.
#include <olectl.h>
#include <cwctype>
#include <tuple>

#include "BoundBill.h"
#include "Late.h"
#include "OrviClassEvents.h"
#include "Sink.h"
#include "hostkit/SimBill.h"
#include "hostkit/ToolbarKit.h"

using namespace testkit;
using hostkit::Invocation;

namespace {

DISPID idOf(IDispatch* d, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    d->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    return id;
}

struct RawCall {
    HRESULT hr;
    UINT argErr;
    Variant result;
    EXCEPINFO excep{};
    ~RawCall() {
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrHelpFile);
    }
};

// Invokes with the arguments exactly as given (rgvarg order: last argument first).
void rawInvoke(RawCall& r, IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> rgvarg,
               std::vector<DISPID> named = {}) {
    DISPPARAMS params = {rgvarg.empty() ? nullptr : rgvarg.data(), named.empty() ? nullptr : named.data(),
                         UINT(rgvarg.size()), UINT(named.size())};
    r.argErr = ~0u;
    r.hr = d->Invoke(id, IID_NULL, 0, flags, &params, &r.result.get(), &r.excep, &r.argErr);
}

VARIANT boolValue(VARIANT_BOOL b) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = b;
    return v;
}

VARIANT byRef(VARTYPE vt, void* p) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BYREF | vt;
    V_BYREF(&v) = p;
    return v;
}

VARIANT object(IDispatch* p) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = p;
    return v;
}

// An event object with a sink that answers BarClick by setting Cancel to True.
struct CancellingSink {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<Sink> sink = Sink::create();
    CancellingSink() {
        sink->connect(ev.get(), DIID___BillEvent);
        sink->on(L"BarClick", [](std::vector<VARIANT*>& args) { *V_BOOLREF(args[1]) = VARIANT_TRUE; });
    }
    ~CancellingSink() { sink->disconnect(); }
};

}  // namespace

TEST_CASE(name_lookup) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    IDispatch* d = ev.get();
    CHECK_EQ(long(idOf(d, L"BillCtl")), 0x68030048L);
    CHECK_EQ(long(idOf(d, L"billctl")), 0x68030048L);
    CHECK_EQ(long(idOf(d, L"BILLCTL")), 0x68030048L);
    CHECK_EQ(long(idOf(d, L"FireBarClick")), 0x6003004AL);

    LPOLESTR names[3] = {const_cast<LPOLESTR>(L"FireBarClick"), const_cast<LPOLESTR>(L"cancel"),
                         const_cast<LPOLESTR>(L"Tool")};
    DISPID ids[3];
    CHECK_HR(d->GetIDsOfNames(IID_NULL, names, 3, 0, ids), S_OK);
    CHECK_EQ(long(ids[1]), 1L);
    CHECK_EQ(long(ids[2]), 0L);

    LPOLESTR unknown[2] = {const_cast<LPOLESTR>(L"NoSuchMember"), const_cast<LPOLESTR>(L"x")};
    CHECK_HR(d->GetIDsOfNames(IID_NULL, unknown, 2, 0, ids), DISP_E_UNKNOWNNAME);
    CHECK_EQ(long(ids[0]), long(DISPID_UNKNOWN));
    LPOLESTR badParam[2] = {const_cast<LPOLESTR>(L"FireBarClick"), const_cast<LPOLESTR>(L"NoSuchParam")};
    CHECK_HR(d->GetIDsOfNames(IID_NULL, badParam, 2, 0, ids), DISP_E_UNKNOWNNAME);
    CHECK_EQ(long(ids[0]), 0x6003004AL);
    CHECK_EQ(long(ids[1]), long(DISPID_UNKNOWN));
    CHECK_HR(d->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
    CHECK_HR(d->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids), E_INVALIDARG);
    CHECK_HR(d->GetIDsOfNames(IID_NULL, names, 0, 0, ids), S_OK);
}

TEST_CASE(type_information) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    UINT count = 0;
    CHECK_HR(ev.get()->GetTypeInfoCount(&count), S_OK);
    CHECK_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    CHECK_HR(ev.get()->GetTypeInfo(0, 0, info.GetAddressOf()), S_OK);
    REQUIRE(info);
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    CHECK(attr->guid == IID__BillEvent);
    CHECK_EQ(int(attr->typekind), int(TKIND_DISPATCH));
    info->ReleaseTypeAttr(attr);
    ComPtr<ITypeInfo> none;
    CHECK_HR(ev.get()->GetTypeInfo(1, 0, none.GetAddressOf()), DISP_E_BADINDEX);
    CHECK_HR(ev.get()->GetTypeInfo(0, 0, nullptr), E_POINTER);
}

TEST_CASE(by_reference_answers_reach_every_kind_of_caller_variable) {
    auto toolbar = hostkit::newToolbar();
    auto clicked = toolbar->tools().add(1, L"Save");
    IDispatch* tool = clicked.Get();
    CancellingSink s;
    DISPID click = idOf(s.ev.get(), L"FireBarClick");

    // VB: a Boolean variable by reference (VT_BYREF|VT_BOOL).
    VARIANT_BOOL flag = VARIANT_FALSE;
    RawCall a;
    rawInvoke(a, s.ev.get(), click, DISPATCH_METHOD, {byRef(VT_BOOL, &flag), object(tool)});
    CHECK_HR(a.hr, S_OK);
    CHECK_EQ(flag, VARIANT_BOOL(VARIANT_TRUE));
    CHECK_EQ(int(a.result.vt()), int(VT_EMPTY));

    // Script: a Variant variable holding a Boolean, holding a number, or empty.
    VARIANT holder;
    VariantInit(&holder);
    V_VT(&holder) = VT_BOOL;
    V_BOOL(&holder) = VARIANT_FALSE;
    RawCall b;
    rawInvoke(b, s.ev.get(), click, DISPATCH_METHOD, {byRef(VT_VARIANT, &holder), object(tool)});
    CHECK_HR(b.hr, S_OK);
    CHECK((V_VT(&holder) == VT_BOOL && V_BOOL(&holder) == VARIANT_TRUE));

    V_VT(&holder) = VT_I4;
    V_I4(&holder) = 0;
    RawCall c;
    rawInvoke(c, s.ev.get(), click, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {byRef(VT_VARIANT, &holder), object(tool)});
    CHECK_HR(c.hr, S_OK);
    CHECK((V_VT(&holder) == VT_BOOL && V_BOOL(&holder) == VARIANT_TRUE));

    VariantInit(&holder);
    RawCall d;
    rawInvoke(d, s.ev.get(), click, DISPATCH_METHOD, {byRef(VT_VARIANT, &holder), object(tool)});
    CHECK((V_VT(&holder) == VT_BOOL && V_BOOL(&holder) == VARIANT_TRUE));

    // VB: an Integer variable by reference takes the answer as an Integer.
    short integer = 0;
    RawCall e;
    rawInvoke(e, s.ev.get(), click, DISPATCH_METHOD, {byRef(VT_I2, &integer), object(tool)});
    CHECK_HR(e.hr, S_OK);
    CHECK_EQ(integer, short(-1));

    // A literal: nothing to write back, and nothing breaks.
    RawCall f;
    rawInvoke(f, s.ev.get(), click, DISPATCH_METHOD, {boolValue(VARIANT_FALSE), object(tool)});
    CHECK_HR(f.hr, S_OK);

    // The sink saw a reference to a Boolean every time.
    REQUIRE(s.sink->events().size() == 12);
    for (const EventCall& ev : s.sink->events()) CHECK_EQ(int(ev.args[1].vt), int(VT_BYREF | VT_BOOL));

    // A reference to a text that is no Boolean cannot be passed.
    BSTR text = SysAllocString(L"abc");
    RawCall g;
    rawInvoke(g, s.ev.get(), click, DISPATCH_METHOD, {byRef(VT_BSTR, &text), object(tool)});
    CHECK_HR(g.hr, DISP_E_TYPEMISMATCH);
    CHECK_EQ(g.argErr, 0u);
    CHECK_EQ(std::wstring(text), std::wstring(L"abc"));
    SysFreeString(text);
}

TEST_CASE(references_to_nothing_are_refused_before_the_member_runs) {
    auto toolbar = hostkit::newToolbar();
    auto clicked = toolbar->tools().add(1, L"Save");
    CancellingSink s;
    IDispatch* d = s.ev.get();
    DISPID click = idOf(d, L"FireBarClick");
    DISPID save = idOf(d, L"FireBeforeSave");
    DISPID task = idOf(d, L"TaskID");
    DISPID billCtl = idOf(d, L"BillCtl");
    // Into a typed by-reference parameter, which the member would write through.
    for (VARTYPE vt : {VARTYPE(VT_BOOL), VARTYPE(VT_I2), VARTYPE(VT_VARIANT), VARTYPE(VT_BSTR)}) {
        RawCall r;
        rawInvoke(r, d, save, DISPATCH_METHOD, {byRef(vt, nullptr)});
        CHECK_HR(r.hr, E_INVALIDARG);
        CHECK_EQ(int(r.result.vt()), int(VT_EMPTY));
    }
    // Second of two arguments, and the first of them.
    {
        RawCall r;
        rawInvoke(r, d, click, DISPATCH_METHOD, {byRef(VT_BOOL, nullptr), object(clicked.Get())});
        CHECK_HR(r.hr, E_INVALIDARG);
        VARIANT_BOOL flag = VARIANT_FALSE;
        RawCall q;
        rawInvoke(q, d, click, DISPATCH_METHOD, {byRef(VT_BOOL, &flag), byRef(VT_DISPATCH, nullptr)});
        CHECK_HR(q.hr, E_INVALIDARG);
        CHECK_EQ(flag, VARIANT_BOOL(VARIANT_FALSE));
    }
    // Into by-value parameters, which would be read through: a number, an object, a put's value
    // named or not, a property get's surplus argument.
    for (VARTYPE vt : {VARTYPE(VT_I4), VARTYPE(VT_R8), VARTYPE(VT_VARIANT), VARTYPE(VT_BSTR)}) {
        RawCall r;
        rawInvoke(r, d, task, DISPATCH_PROPERTYPUT, {byRef(vt, nullptr)}, {DISPID_PROPERTYPUT});
        CHECK_HR(r.hr, E_INVALIDARG);
        RawCall q;
        rawInvoke(q, d, task, DISPATCH_PROPERTYPUT, {byRef(vt, nullptr)});
        CHECK_HR(q.hr, E_INVALIDARG);
        RawCall g;
        rawInvoke(g, d, task, DISPATCH_PROPERTYGET, {byRef(vt, nullptr)});
        CHECK_HR(g.hr, E_INVALIDARG);
    }
    RawCall bind;
    rawInvoke(bind, d, billCtl, DISPATCH_PROPERTYPUTREF, {byRef(VT_DISPATCH, nullptr)}, {DISPID_PROPERTYPUT});
    CHECK_HR(bind.hr, E_INVALIDARG);
    // No handler ran, nothing changed.
    CHECK(s.sink->events().empty());
    // Also for a member that would refuse these arguments anyway.
    RawCall send;
    rawInvoke(send, d, idOf(d, L"SendMessage"), DISPATCH_METHOD, {byRef(VT_BSTR, nullptr)});
    CHECK_HR(send.hr, E_INVALIDARG);
}

TEST_CASE(by_reference_variables_the_callee_leaves_alone_keep_their_type) {
    auto toolbar = hostkit::newToolbar();
    auto tool = toolbar->tools().add(1, L"Save");
    Late ev = Late::create(L"OrviClassEvents.BillEvent");  // no sink: nobody answers
    DISPID click = idOf(ev.get(), L"FireBarClick");
    VARIANT holder;
    VariantInit(&holder);
    V_VT(&holder) = VT_I4;
    V_I4(&holder) = 5;
    short integer = 3;
    BSTR text = SysAllocString(L"-1");
    for (VARIANT arg : {byRef(VT_VARIANT, &holder), byRef(VT_I2, &integer), byRef(VT_BSTR, &text)}) {
        RawCall r;
        rawInvoke(r, ev.get(), click, DISPATCH_METHOD, {arg, object(tool.Get())});
        CHECK_HR(r.hr, S_OK);
    }
    CHECK((V_VT(&holder) == VT_I4 && V_I4(&holder) == 5));
    CHECK_EQ(integer, short(3));
    CHECK_EQ(std::wstring(text), std::wstring(L"-1"));
    SysFreeString(text);
}

TEST_CASE(named_arguments_and_argument_counts) {
    auto bill = hostkit::buildSampleBill();
    auto toolbar = hostkit::newToolbar();
    auto tool = toolbar->tools().add(1, L"Save");
    CancellingSink s;
    IDispatch* d = s.ev.get();
    DISPID click = idOf(d, L"FireBarClick");
    VARIANT_BOOL flag = VARIANT_FALSE;
    // Cancel:=flag, Tool:=tool, named in reverse order.
    RawCall a;
    rawInvoke(a, d, click, DISPATCH_METHOD, {byRef(VT_BOOL, &flag), object(tool.Get())}, {1, 0});
    CHECK_HR(a.hr, S_OK);
    CHECK_EQ(flag, VARIANT_BOOL(VARIANT_TRUE));

    RawCall tooFew;
    rawInvoke(tooFew, d, click, DISPATCH_METHOD, {object(bill.billCtl.Get())});
    CHECK_HR(tooFew.hr, DISP_E_PARAMNOTOPTIONAL);
    RawCall tooMany;
    rawInvoke(tooMany, d, click, DISPATCH_METHOD, {boolValue(0), boolValue(0), object(nullptr)});
    CHECK_HR(tooMany.hr, DISP_E_BADPARAMCOUNT);
    RawCall badName;
    rawInvoke(badName, d, click, DISPATCH_METHOD, {boolValue(0), object(nullptr)}, {7, 0});
    CHECK_HR(badName.hr, DISP_E_PARAMNOTFOUND);
    RawCall twice;
    rawInvoke(twice, d, click, DISPATCH_METHOD, {boolValue(0), object(nullptr)}, {0, 0});
    CHECK_HR(twice.hr, DISP_E_PARAMNOTFOUND);
    RawCall readOnly;
    rawInvoke(readOnly, d, idOf(d, L"FID"), DISPATCH_PROPERTYPUT, {boolValue(0)}, {DISPID_PROPERTYPUT});
    CHECK_HR(readOnly.hr, DISP_E_MEMBERNOTFOUND);
    RawCall putNothing;
    rawInvoke(putNothing, d, idOf(d, L"TaskID"), DISPATCH_PROPERTYPUT, {});
    CHECK_HR(putNothing.hr, DISP_E_PARAMNOTOPTIONAL);
    RawCall noFlags;
    rawInvoke(noFlags, d, idOf(d, L"FID"), 0, {});
    CHECK_HR(noFlags.hr, DISP_E_MEMBERNOTFOUND);
}

TEST_CASE(defaults_of_omitted_arguments) {
    auto bill = hostkit::buildSampleBill();
    bill.billCtl->returns(L"SetStatus", Variant());
    Late ev = bindBill(bill);
    auto lastStatus = [&] {
        const hostkit::RecordedCall* c = bill.billCtl->last(L"SetStatus");
        REQUIRE((c && c->args.size() == 2));
        return std::make_pair(asLong(c->args[0].value), asText(c->args[1].value));
    };
    CHECK_HR(ev.call(L"SetStatus").hr, S_OK);
    CHECK(lastStatus() == std::make_pair(1L, std::wstring(L"Ready")));
    CHECK_HR(ev.call(L"SetStatus", {Variant(2L), str(L"就绪")}).hr, S_OK);
    CHECK(lastStatus() == std::make_pair(2L, std::wstring(L"Ready")));
    CHECK_HR(ev.call(L"SetStatus", {Variant(2L), str(L"")}).hr, S_OK);
    CHECK(lastStatus() == std::make_pair(2L, std::wstring(L"")));
    // Omitted positionally (VT_ERROR/DISP_E_PARAMNOTFOUND) and by name.
    CHECK_HR(ev.call(L"SetStatus", {missing(), str(L"保存中")}).hr, S_OK);
    CHECK(lastStatus() == std::make_pair(1L, std::wstring(L"保存中")));
    IDispatch* d = ev.get();
    LPOLESTR names[2] = {const_cast<LPOLESTR>(L"SetStatus"), const_cast<LPOLESTR>(L"sStatus")};
    DISPID ids[2];
    CHECK_HR(d->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
    Variant text(L"只有状态");
    RawCall r;
    rawInvoke(r, d, ids[0], DISPATCH_METHOD, {text.get()}, {ids[1]});
    CHECK_HR(r.hr, S_OK);
    CHECK(lastStatus() == std::make_pair(1L, std::wstring(L"只有状态")));
    // The host gets its arguments by reference, as from a VB caller.
    const hostkit::RecordedCall* c = bill.billCtl->last(L"SetStatus");
    CHECK_EQ(int(c->args[0].vt), int(VT_BYREF | VT_I2));
    CHECK_EQ(int(c->args[1].vt), int(VT_BYREF | VT_BSTR));
}

TEST_CASE(coercion_of_arguments) {
    auto bill = hostkit::buildSampleBill();
    Late ev = bindBill(bill);
    ev.set(L"TaskID", str(L" 12 "));
    CHECK_EQ(ev.number(L"TaskID"), 12L);
    ev.set(L"TaskID", Variant(2.5));  // halves go to the even neighbour
    CHECK_EQ(ev.number(L"TaskID"), 2L);
    Outcome mismatch = ev.put(L"TaskID", str(L"abc"));
    CHECK_HR(mismatch.hr, DISP_E_TYPEMISMATCH);
    CHECK_EQ(mismatch.argErr, 0u);
    CHECK_HR(ev.put(L"TaskID", Variant(1e12)).hr, DISP_E_OVERFLOW);
    CHECK_HR(ev.put(L"TaskID", null()).hr, DISP_E_TYPEMISMATCH);
    CHECK_EQ(ev.number(L"TaskID"), 2L);
    // A null BSTR is the empty text.
    VARIANT empty;
    VariantInit(&empty);
    V_VT(&empty) = VT_BSTR;
    V_BSTR(&empty) = nullptr;
    CHECK_HR(ev.put(L"BillName", Variant(empty)).hr, S_OK);
    CHECK_EQ(ev.text(L"BillName"), std::wstring(L""));
    // Booleans from any form.
    ev.set(L"ReSaveSuccess", str(L"True"));
    CHECK_EQ(ev.flag(L"ReSaveSuccess"), true);
    ev.set(L"ReSaveSuccess", Variant(0.0));
    CHECK_EQ(ev.flag(L"ReSaveSuccess"), false);
}

TEST_CASE(arguments_of_a_property_that_returns_an_object_go_to_its_default_member) {
    auto bill = hostkit::buildSampleBill();
    Late ev = bindBill(bill);
    // ev.ClassType("FName"), as a script writes it.
    CHECK_EQ(asText(ev.value(L"ClassType", {str(L"FName")})), std::wstring(L"销售订单"));
    // A property that returns no object has no default member to take them.
    CHECK_HR(ev.call(L"FID", {Variant(1L)}).hr, DISP_E_BADPARAMCOUNT);
    CHECK_HR(ev.call(L"MenuBar", {Variant(1L)}).hr, DISP_E_BADPARAMCOUNT);  // Nothing yet
}

TEST_CASE(hostile_invocations) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    IDispatch* d = ev.get();
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep = {};
    UINT argErr = 0;
    DISPID fid = idOf(d, L"FID");
    CHECK_HR(d->Invoke(fid, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, &result, &excep, &argErr), E_INVALIDARG);
    DISPPARAMS noArgs = {nullptr, nullptr, 2, 0};
    CHECK_HR(d->Invoke(fid, IID_NULL, 0, DISPATCH_PROPERTYGET, &noArgs, &result, &excep, &argErr), E_INVALIDARG);
    VARIANT one;
    VariantInit(&one);
    DISPID named[2] = {0, 1};
    DISPPARAMS tooManyNames = {&one, named, 1, 2};
    CHECK_HR(d->Invoke(fid, IID_NULL, 0, DISPATCH_PROPERTYGET, &tooManyNames, &result, &excep, &argErr), E_INVALIDARG);
    DISPPARAMS namesMissing = {&one, nullptr, 1, 1};
    CHECK_HR(d->Invoke(fid, IID_NULL, 0, DISPATCH_PROPERTYGET, &namesMissing, &result, &excep, &argErr), E_INVALIDARG);
    DISPPARAMS empty = {nullptr, nullptr, 0, 0};
    CHECK_HR(d->Invoke(0x12345, IID_NULL, 0, DISPATCH_METHOD, &empty, &result, &excep, &argErr), DISP_E_MEMBERNOTFOUND);
    CHECK_HR(d->Invoke(fid, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &empty, &result, &excep, &argErr),
             DISP_E_UNKNOWNINTERFACE);
    // No result variable and no exception record: the error comes back as its own HRESULT and
    // the error info is left for the caller.
    SetErrorInfo(0, nullptr);
    CHECK_HR(d->Invoke(fid, IID_NULL, 0, DISPATCH_PROPERTYGET, &empty, nullptr, nullptr, nullptr), HRESULT(0x800A005B));
    ComPtr<IErrorInfo> info;
    CHECK_HR(GetErrorInfo(0, info.GetAddressOf()), S_OK);
    if (info) {
        BSTR source = nullptr;
        info->GetSource(&source);
        CHECK_EQ(std::wstring(source ? source : L""), std::wstring(L"OrviClassEvents.BillEvent"));
        SysFreeString(source);
    }
    // Objects and values where the other is expected.
    CHECK_HR(ev.put(L"TaskID", obj(nullptr)).hr, DISP_E_TYPEMISMATCH);
    CHECK_HR(ev.put(L"BillCtl", Variant(5L)).hr, DISP_E_TYPEMISMATCH);
    CHECK_HR(ev.putRef(L"MultiCheckMgr", str(L"text")).hr, DISP_E_TYPEMISMATCH);
    CHECK(ev.refs() == 1);
}

TEST_CASE(error_info_support_and_class_info) {
    for (auto [progId, clsid, events] : {std::tuple{L"OrviClassEvents.BillEvent", &CLSID_BillEvent, &DIID___BillEvent},
                                         std::tuple{L"OrviClassEvents.ListEvents", &CLSID_ListEvents, &DIID___ListEvents},
                                         std::tuple{L"OrviClassEvents.BaseClassEvent", &CLSID_BaseClassEvent,
                                                    &DIID___BaseClassEvent}}) {
        Late ev = Late::create(progId);
        ComPtr<ISupportErrorInfo> support;
        REQUIRE(SUCCEEDED(ev.get()->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(support.GetAddressOf()))));
        CHECK_HR(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_OK);
        CHECK_HR(support->InterfaceSupportsErrorInfo(IID_IConnectionPointContainer), S_FALSE);
        ComPtr<IProvideClassInfo2> classInfo;
        REQUIRE(SUCCEEDED(ev.get()->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(classInfo.GetAddressOf()))));
        GUID source;
        CHECK_HR(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
        CHECK(source == *events);
        CHECK_HR(classInfo->GetGUID(42, &source), E_INVALIDARG);
        ComPtr<ITypeInfo> coclass;
        CHECK_HR(classInfo->GetClassInfo(coclass.GetAddressOf()), S_OK);
        TYPEATTR* attr = nullptr;
        coclass->GetTypeAttr(&attr);
        CHECK(attr->guid == *clsid);
        CHECK_EQ(int(attr->typekind), int(TKIND_COCLASS));
        coclass->ReleaseTypeAttr(attr);
    }
}

TEST_CASE(connection_point_container) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<IConnectionPointContainer> container;
    REQUIRE(SUCCEEDED(ev.get()->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf()))));
    ComPtr<IConnectionPoint> point;
    CHECK_HR(container->FindConnectionPoint(IID_IDispatch, point.GetAddressOf()), CONNECT_E_NOCONNECTION);
    CHECK_HR(container->FindConnectionPoint(DIID___BillEvent, point.GetAddressOf()), S_OK);
    REQUIRE(point);
    IID iid;
    CHECK_HR(point->GetConnectionInterface(&iid), S_OK);
    CHECK(iid == DIID___BillEvent);
    ComPtr<IConnectionPointContainer> back;
    CHECK_HR(point->GetConnectionPointContainer(back.GetAddressOf()), S_OK);
    CHECK(sameObject(back.Get(), container.Get()));

    ComPtr<IEnumConnectionPoints> points;
    CHECK_HR(container->EnumConnectionPoints(points.GetAddressOf()), S_OK);
    IConnectionPoint* got[2] = {};
    ULONG fetched = 0;
    CHECK_HR(points->Next(2, got, &fetched), S_FALSE);
    CHECK_EQ(fetched, 1ul);
    if (got[0]) got[0]->Release();

    DWORD cookie = 0;
    CHECK_HR(point->Advise(nullptr, &cookie), E_POINTER);
    auto notDispatch = hostkit::newDictionary();  // answers IDispatch: a valid sink
    ComPtr<IEnumConnections> none;
    CHECK_HR(point->Unadvise(12345), CONNECT_E_NOCONNECTION);
    ComPtr<Sink> a = Sink::create(), b = Sink::create();
    DWORD ca = 0, cb = 0;
    CHECK_HR(point->Advise(static_cast<IDispatch*>(a.Get()), &ca), S_OK);
    CHECK_HR(point->Advise(static_cast<IDispatch*>(b.Get()), &cb), S_OK);
    CHECK((ca != cb && ca && cb));
    ComPtr<IEnumConnections> connections;
    CHECK_HR(point->EnumConnections(connections.GetAddressOf()), S_OK);
    CONNECTDATA data[3] = {};
    CHECK_HR(connections->Next(3, data, &fetched), S_FALSE);
    CHECK_EQ(fetched, 2ul);
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
    CHECK_HR(point->Unadvise(ca), S_OK);
    CHECK_HR(point->Unadvise(ca), CONNECT_E_NOCONNECTION);
    CHECK_HR(point->Unadvise(cb), S_OK);
    (void)notDispatch;
}

TEST_CASE(every_member_name_is_found_in_any_letter_case_and_near_misses_are_not) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    IDispatch* d = ev.get();
    ComPtr<ITypeInfo> info;
    REQUIRE(SUCCEEDED(d->GetTypeInfo(0, 0, info.GetAddressOf())));
    TYPEATTR* attr = nullptr;
    REQUIRE(SUCCEEDED(info->GetTypeAttr(&attr)));
    UINT funcs = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    auto known = [&](const std::wstring& name, DISPID& id) {
        LPOLESTR n[1] = {const_cast<LPOLESTR>(name.c_str())};
        return SUCCEEDED(info->GetIDsOfNames(n, 1, &id));
    };
    int checked = 0;
    for (UINT i = 0; i < funcs; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(info->GetFuncDesc(i, &fd))) continue;
        if (fd->wFuncFlags & FUNCFLAG_FRESTRICTED) {  // IUnknown and IDispatch themselves
            info->ReleaseFuncDesc(fd);
            continue;
        }
        BSTR raw = nullptr;
        UINT got = 0;
        info->GetNames(fd->memid, &raw, 1, &got);
        std::wstring name(raw ? raw : L"");
        SysFreeString(raw);
        info->ReleaseFuncDesc(fd);
        std::wstring lower = name, upper = name;
        for (wchar_t& c : lower) c = wchar_t(towlower(c));
        for (wchar_t& c : upper) c = wchar_t(towupper(c));
        for (const std::wstring& form : {name, lower, upper, name + L"x", name.substr(0, name.size() - 1),
                                         L"_" + name.substr(1)}) {
            DISPID want = DISPID_UNKNOWN;
            bool exists = known(form, want);
            LPOLESTR n[1] = {const_cast<LPOLESTR>(form.c_str())};
            DISPID id = 0;
            HRESULT hr = d->GetIDsOfNames(IID_NULL, n, 1, 0, &id);
            if (exists ? (hr != S_OK || id != want) : hr != DISP_E_UNKNOWNNAME)
                fail(__FILE__, __LINE__, "%s: 0x%08lx, DISPID %ld", narrow(form).c_str(), (unsigned long)hr, long(id));
            ++checked;
        }
    }
    CHECK(checked > 600);
}

TEST_CASE(text_let_into_a_boolean_converts_as_the_system_does) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    for (const wchar_t* text : {L"True", L"TRUE", L"true", L"False", L"fAlSe", L"-1", L"0", L"1", L"007", L"-0",
                                L"123456789", L"1234567890123", L" 1", L"1 ", L"2.5", L"0.0", L"1e3", L"-", L"",
                                L"Truex", L"Tru", L"abc", L"#TRUE#", L"+1", L"--1", L"\x0661"}) {
        VARIANT in, out;
        V_VT(&in) = VT_BSTR;
        V_BSTR(&in) = SysAllocString(text);
        VariantInit(&out);
        HRESULT expected = VariantChangeTypeEx(&out, &in, LOCALE_USER_DEFAULT, 0, VT_BOOL);
        // Set to the other value first, so that the let shows.
        if (SUCCEEDED(expected)) ev.set(L"ReSaveSuccess", Variant(V_BOOL(&out) == VARIANT_FALSE));
        Outcome o = ev.put(L"ReSaveSuccess", Variant(text));
        if (SUCCEEDED(expected)) {
            if (!o.ok() || ev.flag(L"ReSaveSuccess") != (V_BOOL(&out) != VARIANT_FALSE))
                fail(__FILE__, __LINE__, "\"%s\": the system gives %d", narrow(text).c_str(), int(V_BOOL(&out)));
        } else if (o.ok()) {
            fail(__FILE__, __LINE__, "\"%s\": the system refuses it (0x%08lx)", narrow(text).c_str(),
                 (unsigned long)expected);
        }
        VariantClear(&in);
        VariantClear(&out);
    }
}
