// The bill event object's form API: each member's call on the bill control (member, argument
// order, argument forms), its defaults, its result and its error policy; and the error records a
// plug-in gets under each policy.
#include "BoundBill.h"
#include "Errors.h"
#include "Late.h"
#include "OrviClassEvents.h"
#include "hostkit/SimBill.h"

using namespace testkit;
using hostkit::RecordedCall;

namespace {

const wchar_t* const kSource = L"OrviClassEvents.BillEvent";
constexpr HRESULT kHostError = HRESULT(0x80040999);

using Bound = BoundBill;

// The arguments a host call received: "rO rL S" = a descriptor object by reference, a Long by
// reference, a String by value (B Boolean, I Integer, D Double, V Variant).
std::string shapeOf(const RecordedCall* c) {
    std::string r;
    if (!c) return "<no call>";
    for (const auto& a : c->args) {
        if (!r.empty()) r += ' ';
        if (a.byRef()) r += 'r';
        switch (a.baseType()) {
        case VT_DISPATCH: r += 'O'; break;
        case VT_I4: r += 'L'; break;
        case VT_I2: r += 'I'; break;
        case VT_BSTR: r += 'S'; break;
        case VT_BOOL: r += 'B'; break;
        case VT_R8: r += 'D'; break;
        case VT_VARIANT: r += 'V'; break;
        default: r += '?';
        }
    }
    return r;
}
std::string textsOf(const RecordedCall* c) {
    std::string r;
    if (!c) return "<no call>";
    for (const auto& a : c->args) {
        if (!r.empty()) r += '|';
        r += a.value.vt() == VT_DISPATCH ? "obj" : narrow(asText(a.value));
    }
    return r;
}

enum class Policy { Ignore, Pass, Reraise };

// One member of the form API: how a plug-in calls it and what the host must receive.
struct Forwarder {
    const wchar_t* member;
    std::vector<const wchar_t*> descriptorArgs;  // names of descriptors passed first, in order
    std::vector<Variant> args;                   // then these
    const wchar_t* host;
    const char* shape;
    const char* values;
    Policy policy;
};

std::vector<Forwarder> forwarders() {
    return {
        {L"SetText", {L"F1"}, {str(L"SO-7"), Variant(3L)}, L"SetText", "rO rL rS", "obj|3|SO-7", Policy::Ignore},
        {L"SetText", {L"F1"}, {str(L"SO-8")}, L"SetText", "rO rL rS", "obj|0|SO-8", Policy::Ignore},
        {L"SetDecimal", {L"E2"}, {Variant(2L), Variant(4L)}, L"SetDecimal", "rO rL rL", "obj|2|4", Policy::Pass},
        {L"SetSumDecimal", {L"E2"}, {Variant(3L)}, L"SetSumDecimal", "rO rL", "obj|3", Policy::Pass},
        {L"LockBill", {}, {}, L"LockBill", "", "", Policy::Pass},
        {L"SetCaption", {L"F1"}, {}, L"SetCaption", "rO", "obj", Policy::Pass},
        {L"ShowHideField", {L"F3"}, {Variant(true)}, L"ShowHideField", "rO rB", "obj|True", Policy::Ignore},
        {L"LockCell", {L"E2"}, {Variant(2L), Variant(true)}, L"LockCell", "rO rL rB", "obj|2|True", Policy::Ignore},
        {L"SetTypeFloatMin", {L"E3"}, {Variant(1L), Variant(0.5)}, L"SetTypeFloatMin", "rO rL rD", "obj|1|0.5",
         Policy::Pass},
        {L"SetTypeFloatMax", {L"E3"}, {Variant(1L), Variant(99.5)}, L"SetTypeFloatMax", "rO rL rD", "obj|1|99.5",
         Policy::Pass},
        {L"RefreshBill", {}, {}, L"RefreshBill", "", "", Policy::Pass},
        {L"SaveSearchText", {}, {Variant(7L)}, L"SaveSearchText", "rL", "7", Policy::Pass},
        {L"IsChange", {}, {}, L"IsChange", "", "", Policy::Pass},
        {L"SetStatus", {}, {}, L"SetStatus", "rI rS", "1|Ready", Policy::Pass},
        {L"SetStatus", {}, {Variant(short(2)), str(L"就绪")}, L"SetStatus", "rI rS", "2|Ready", Policy::Pass},
        {L"SetStatus", {}, {Variant(short(2)), str(L"")}, L"SetStatus", "rI rS", "2|", Policy::Pass},
        {L"SetStatus", {}, {Variant(short(3)), str(L" 就绪")}, L"SetStatus", "rI rS", "3| 就绪", Policy::Pass},
        {L"GetToolIndex", {}, {str(L"Main"), str(L"Save")}, L"GetToolIndex", "rS rS", "Main|Save", Policy::Pass},
        {L"Sum", {L"E2"}, {}, L"Sum", "rO rL rL", "obj|0|0", Policy::Pass},
        {L"Sum", {L"E2"}, {Variant(1L), Variant(1L)}, L"Sum", "rO rL rL", "obj|1|1", Policy::Pass},
        {L"SetSumData", {L"E2"}, {}, L"SetSumData", "rO", "obj", Policy::Pass},
        {L"DeleteEntryData", {}, {Variant(3L)}, L"DeleteEntryData", "rL", "3", Policy::Pass},
        {L"SetBillFormCaption", {}, {str(L"订单 A")}, L"SetBillFormCaption", "rS", "订单 A", Policy::Reraise},
        {L"ClearGrids", {}, {}, L"ClearGrids", "rI", "-1", Policy::Pass},
        {L"ClearGrids", {}, {Variant(short(2))}, L"ClearGrids", "rI", "2", Policy::Pass},
    };
}

Outcome callForwarder(Bound& b, const Forwarder& f) {
    std::vector<Variant> args;
    for (const wchar_t* d : f.descriptorArgs) args.push_back(obj(b.descriptor(d).get()));
    for (const Variant& v : f.args) args.push_back(v);
    // Late::call takes an initializer list: spread the few shapes used here.
    switch (args.size()) {
    case 0: return b.ev.call(f.member);
    case 1: return b.ev.call(f.member, {args[0]});
    case 2: return b.ev.call(f.member, {args[0], args[1]});
    default: return b.ev.call(f.member, {args[0], args[1], args[2]});
    }
}

std::string describe(const Forwarder& f) {
    return narrow(f.member) + "(" + std::to_string(f.descriptorArgs.size() + f.args.size()) + " args)";
}

}  // namespace

TEST_CASE(each_member_calls_its_host_member_with_the_hosts_argument_order_and_forms) {
    for (const Forwarder& f : forwarders()) {
        Bound b;
        Outcome o = callForwarder(b, f);
        if (!o.ok()) {
            fail(__FILE__, __LINE__, "%s failed: 0x%08lx %s", describe(f).c_str(), (unsigned long)o.error,
                 narrow(o.description).c_str());
            continue;
        }
        const RecordedCall* c = b.last(f.host);
        if (shapeOf(c) != f.shape || textsOf(c) != f.values)
            fail(__FILE__, __LINE__, "%s: host got (%s) %s, expected (%s) %s", describe(f).c_str(), shapeOf(c).c_str(),
                 textsOf(c).c_str(), f.shape, f.values);
        // Descriptors reach the host as the plug-in's own objects.
        for (size_t i = 0; c && i < f.descriptorArgs.size(); ++i)
            if (!sameObject(asObject(c->arg(i).value), b.descriptor(f.descriptorArgs[i]).get()))
                fail(__FILE__, __LINE__, "%s: argument %zu is not the descriptor", describe(f).c_str(), i);
        CHECK_EQ(b.bill.billCtl->calls().size(), size_t(1));  // exactly one host call
    }
}

TEST_CASE(results_are_the_hosts_answers_converted) {
    Bound b;
    // Methods declared as Variant answer Empty, whatever the host returns.
    b.bill.billCtl->returns(L"LockBill", Variant(42L));
    CHECK_EQ(int(b.ev.value(L"LockBill").vt()), int(VT_EMPTY));
    Variant changed = b.ev.value(L"IsChange");
    CHECK_EQ(int(changed.vt()), int(VT_BOOL));
    CHECK(!asBool(changed));
    b.bill.billCtl->property(L"IsChange", Variant(1L));
    CHECK(asBool(b.ev.value(L"IsChange")));
    b.bill.billCtl->property(L"ToolIndex", str(L"12"));
    Variant index = b.ev.value(L"GetToolIndex", {str(L"Main"), str(L"Save")});
    CHECK_EQ(int(index.vt()), int(VT_I4));
    CHECK_EQ(asLong(index), 12L);
    Variant sum = b.ev.value(L"Sum", {obj(b.descriptor(L"E2").get())});
    CHECK_EQ(int(sum.vt()), int(VT_R8));
    CHECK_EQ(asLong(sum), 120L);
    Variant deleted = b.ev.value(L"DeleteEntryData", {Variant(2L)});
    CHECK_EQ(int(deleted.vt()), int(VT_BOOL));
    CHECK(asBool(deleted));
    CHECK(!asBool(b.ev.value(L"DeleteEntryData", {Variant(1L)})));  // the header has no rows
    Late active = Late(asObject(b.ev.value(L"GetActiveCtl")));
    CHECK(active);
    CHECK_EQ(b.bill.billCtl->count(L"GetActiveCtl"), size_t(1));
    b.ev.call(L"SetBillFormCaption", {str(L"新标题")});
    CHECK_EQ(asText(b.bill.billCtl->propertyValue(L"Caption")), std::wstring(L"新标题"));
}

TEST_CASE(show_hide_grid_sends_the_hosts_grid_number_by_value) {
    Bound b;
    // A grid's page descriptor: FIndex 2 is the host's grid 0.
    IDispatch* page = asObject(Late(b.bill.classTypeEntry.Get()).value(L"Item", {Variant(2L)}));
    CHECK(b.ev.call(L"ShowHideGrid", {obj(page), Variant(false)}).ok());
    const RecordedCall* c = b.last(L"ShowHideGrid");
    CHECK_EQ(shapeOf(c), std::string("L rB"));
    CHECK_EQ(textsOf(c), std::string("0|False"));
    // A descriptor without FIndex gives -2.
    ComPtr<hostkit::PyxDictionary> bare = hostkit::newDictionary();
    CHECK(b.ev.call(L"ShowHideGrid", {obj(bare.Get()), Variant(true)}).ok());
    CHECK_EQ(textsOf(b.last(L"ShowHideGrid")), std::string("-2|True"));
    // Nothing as the descriptor: the call is dropped, with every other failure.
    CHECK(b.ev.call(L"ShowHideGrid", {obj(nullptr), Variant(true)}).ok());
    CHECK_EQ(b.bill.billCtl->count(L"ShowHideGrid"), size_t(2));
}

TEST_CASE(set_bar_status_passes_a_copy_of_the_value_by_value) {
    Bound b;
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_BOOL;
    V_BOOL(&value) = VARIANT_TRUE;
    // The host may not write into what it gets: the caller's variable keeps its value.
    b.bill.billCtl->setsArg(L"SetBarStatus", 2, Variant(false));
    CHECK(b.ev.call(L"SetBarStatus", {str(L"Save"), str(L"Enabled"), ref(value)}).ok());
    const RecordedCall* c = b.last(L"SetBarStatus");
    CHECK_EQ(shapeOf(c), std::string("rS rS B"));
    CHECK_EQ(textsOf(c), std::string("Save|Enabled|True"));
    CHECK_EQ(int(V_VT(&value)), int(VT_BOOL));
    CHECK(V_BOOL(&value) == VARIANT_TRUE);
    // A literal is fine too.
    CHECK(b.ev.call(L"SetBarStatus", {str(L"Save"), str(L"Caption"), str(L"保存")}).ok());
    CHECK_EQ(textsOf(b.last(L"SetBarStatus")), std::string("Save|Caption|保存"));
}

TEST_CASE(get_active_field_hands_back_what_the_host_left) {
    Bound b;
    b.bill.billCtl->property(L"CurrentRow", Variant(1L));
    IDispatch* dct = nullptr;
    long col = 0, row = 0;
    CHECK(b.ev.call(L"GetActiveField", {ref(dct), ref(col), ref(row)}).ok());
    CHECK_EQ(shapeOf(b.last(L"GetActiveField")), std::string("rO rL rL"));
    CHECK(sameObject(dct, b.descriptor(L"E2").get()));
    CHECK_EQ(col, 2L);
    CHECK_EQ(row, 1L);
    if (dct) dct->Release();
    // Script variables (Variants by reference) get the answers too.
    VARIANT vdct, vcol, vrow;
    VariantInit(&vdct);
    VariantInit(&vcol);
    VariantInit(&vrow);
    CHECK(b.ev.call(L"GetActiveField", {ref(vdct), ref(vcol), ref(vrow)}).ok());
    CHECK_EQ(int(V_VT(&vdct)), int(VT_DISPATCH));
    CHECK(sameObject(V_DISPATCH(&vdct), b.descriptor(L"E2").get()));
    CHECK_EQ(asLong(Variant(vcol)), 2L);
    VariantClear(&vdct);
    VariantClear(&vcol);
    VariantClear(&vrow);
    // An object that is not a Dictionary is refused.
    b.bill.billCtl->on(L"GetActiveField", [](hostkit::Invocation& inv) { inv.setRef(0, obj(&inv.self)); });
    dct = nullptr;
    CHECK_ERROR(b.ev.call(L"GetActiveField", {ref(dct), ref(col), ref(row)}), 0x800A000D, kSource);
    CHECK(dct == nullptr);
}

TEST_CASE(insert_new_row_and_fill_wraps_the_array_in_one_variant_by_reference) {
    Bound b;
    Variant fields = variantArray({Variant(302L), str(L"8"), Variant(1.25)});
    CHECK(asBool(b.ev.value(L"InsertNewRowAndFill", {Variant(2L), Variant(1L), fields})));
    const RecordedCall* c = b.last(L"InsertNewRowAndFill");
    REQUIRE((c && c->args.size() == 3));
    CHECK_EQ(shapeOf(c), std::string("rL rL rV"));
    CHECK_EQ(int(c->arg(2).value.vt()), int(VT_ARRAY | VT_VARIANT));
    // The row went in first; the sum over the grid sees both rows.
    Late data(asObject(b.ev.value(L"GetDataFldbyKey", {str(L"FQty"), Variant(1L)})));
    CHECK_EQ(asText(data.value(L"Item", {str(L"FFLD")})), std::wstring(L"8"));
    CHECK_EQ(asLong(b.ev.value(L"Sum", {obj(b.descriptor(L"E2").get())})), 128L);
    // The host may change the array it got; the caller's stays as it was.
    b.bill.billCtl->setsArg(L"InsertNewRowAndFill", 2, str(L"gone"));
    CHECK(b.ev.call(L"InsertNewRowAndFill", {Variant(2L), Variant(0L), fields}).ok());
    CHECK_EQ(int(fields.vt()), int(VT_ARRAY | VT_VARIANT));
    // Through the vtable, a failing host leaves the result False.
    b.bill.billCtl->fails(L"InsertNewRowAndFill", kHostError, L"grid is full", L"Host.Grid");
    ComPtr<_BillEvent> vtbl;
    REQUIRE(SUCCEEDED(b.ev.get()->QueryInterface(IID__BillEvent, reinterpret_cast<void**>(vtbl.GetAddressOf()))));
    VARIANT_BOOL done = VARIANT_TRUE;
    SAFEARRAY* array = V_ARRAY(&fields.get());
    CHECK_HR(vtbl->InsertNewRowAndFill(2, 1, &array, &done), kHostError);
    CHECK(done == VARIANT_FALSE);
}

TEST_CASE(error_policies_of_the_form_api) {
    for (const Forwarder& f : forwarders()) {
        Bound b;
        b.bill.billCtl->fails(f.host, kHostError, L"form is busy", L"Host.BillForm", L"form.chm", 31);
        Outcome o = callForwarder(b, f);
        switch (f.policy) {
        case Policy::Ignore:
            if (!o.ok()) fail(__FILE__, __LINE__, "%s: an ignored failure reached the caller", describe(f).c_str());
            CHECK_EQ(int(o.value.vt()), int(VT_EMPTY));
            break;
        case Policy::Pass:
            // The host's error unchanged: number, description, source and help.
            if (!CHECK_ERROR(o, kHostError, L"Host.BillForm")) std::printf("    (%s)\n", describe(f).c_str());
            CHECK_EQ(o.description, std::wstring(L"form is busy"));
            CHECK_EQ(o.helpFile, std::wstring(L"form.chm"));
            CHECK_EQ(o.helpContext, DWORD(31));
            break;
        case Policy::Reraise:
            // Number and description under the class's source; the host's help stays behind.
            if (!CHECK_ERROR(o, kHostError, kSource)) std::printf("    (%s)\n", describe(f).c_str());
            CHECK_EQ(o.description, std::wstring(L"form is busy"));
            CHECK_EQ(o.helpFile, std::wstring(L""));
            CHECK_EQ(o.helpContext, DWORD(0));
            break;
        }
    }
    // GetActiveCtl drops a failure and answers Nothing.
    Bound b;
    b.bill.billCtl->fails(L"GetActiveCtl", kHostError, L"no control", L"Host");
    Outcome o = b.ev.call(L"GetActiveCtl");
    CHECK(o.ok());
    CHECK((o.value.vt() == VT_DISPATCH && !V_DISPATCH(&o.value.get())));
    // InsertNewRowAndFill re-raises under the class's source.
    b.bill.billCtl->fails(L"InsertNewRowAndFill", kHostError, L"grid is full", L"Host", L"grid.chm", 5);
    o = b.ev.call(L"InsertNewRowAndFill", {Variant(2L), Variant(1L), variantArray({Variant(1L)})});
    CHECK_ERROR(o, kHostError, kSource);
    CHECK_EQ(o.helpFile, std::wstring(L""));
}

TEST_CASE(before_binding_members_that_pass_fail_and_ignored_ones_succeed) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<hostkit::PyxDictionary> dct = hostkit::newDictionary();
    CHECK(ev.call(L"SetText", {obj(dct.Get()), str(L"x")}).ok());
    CHECK(ev.call(L"LockCell", {obj(dct.Get()), Variant(1L), Variant(true)}).ok());
    CHECK(ev.call(L"SetBarStatus", {str(L"a"), str(L"b"), Variant(1L)}).ok());
    CHECK_ERROR(ev.call(L"LockBill"), kObjectNotSet, kSource);
    CHECK_ERROR(ev.call(L"ClearGrids"), kObjectNotSet, kSource);
    CHECK_ERROR(ev.call(L"SetStatus"), kObjectNotSet, kSource);
    CHECK_ERROR(ev.call(L"SetBillFormCaption", {str(L"x")}), kObjectNotSet, kSource);
}
