// The base-data event object over the simulated base-data form: the properties the form assigns,
// each browse API member's one call on the browse control, and the re-raising of every failure
// in the browse API under the class's own source.
#include "Errors.h"
#include "Late.h"
#include "OrviClassEvents.h"
#include "hostkit/SimList.h"

using namespace testkit;
using hostkit::RecordedCall;

namespace {

const wchar_t* const kSource = L"OrviClassEvents.BaseClassEvent";
constexpr HRESULT kHostError = HRESULT(0x80040321);

struct BoundBrowse {
    hostkit::SampleBrowse form = hostkit::buildSampleBrowse();
    Late ev = Late::create(L"OrviClassEvents.BaseClassEvent");
    BoundBrowse() {
        ev.set(L"BrowseCtl", obj(form.browseCtl.Get()));
        ev.setRef(L"ListActiveBar", obj(static_cast<IDispatch*>(form.toolbar.Get())));
        form.browseCtl->clearCalls();
    }
    const RecordedCall* last(const wchar_t* member) { return form.browseCtl->last(member); }
};

// The browse API members with arguments that make a valid call.
struct ApiCall {
    const wchar_t* member;
    const wchar_t* hostMember;
    std::vector<long> args;
};
const ApiCall kApi[] = {
    {L"GetSelectedClassID", L"GetSelectedClassIDEx", {}},
    {L"GetSelectedItemID", L"GetSelectedItemID", {}},
    {L"GetSelectedClassType", L"GetSelectedClassType", {}},
    {L"GetActiveCtl", L"GetActiveCtl", {}},
    {L"SelectClassGroupByID", L"SelectClassGroupByID", {15}},
    {L"RefreshListByClassGroupID", L"RefreshListByClassGroupID", {2, 15}},
    {L"RefreshSelectedClassGroup", L"RefreshSelectedClassGroup", {}},
    {L"RefreshSelectedClassGroupList", L"RefreshSelectedClassGroupList", {}},
    {L"RefreshClassGroups", L"RefreshClassGroups", {}},
    {L"PitchItemByID", L"PitchItemByID", {401}},
    {L"IsSearchState", L"IsSearchState", {}},
};

Outcome callApi(const Late& ev, const ApiCall& c) {
    switch (c.args.size()) {
    case 0: return ev.call(c.member);
    case 1: return ev.call(c.member, {Variant(c.args[0])});
    default: return ev.call(c.member, {Variant(c.args[0]), Variant(c.args[1])});
    }
}

}  // namespace

TEST_CASE(each_browse_member_makes_its_one_host_call_with_by_reference_longs) {
    BoundBrowse b;
    for (const ApiCall& c : kApi) {
        b.form.browseCtl->clearCalls();
        Outcome o = callApi(b.ev, c);
        if (!o.ok()) {
            fail(__FILE__, __LINE__, "%s failed: 0x%08lx", narrow(c.member).c_str(), (unsigned long)o.error);
            continue;
        }
        const auto& calls = b.form.browseCtl->calls();
        if (calls.size() != 1 || calls[0].member != c.hostMember) {
            fail(__FILE__, __LINE__, "%s did not call %s once", narrow(c.member).c_str(), narrow(c.hostMember).c_str());
            continue;
        }
        REQUIRE(calls[0].args.size() == c.args.size());
        for (size_t i = 0; i < c.args.size(); ++i) {
            CHECK_EQ(int(calls[0].arg(i).vt), int(VT_BYREF | VT_I4));
            CHECK_EQ(asLong(calls[0].arg(i).value), c.args[i]);
        }
    }
}

TEST_CASE(browse_members_answer_what_the_control_answered) {
    BoundBrowse b;
    CHECK_EQ(b.ev.number(L"GetSelectedClassID"), 1L);
    CHECK_EQ(b.ev.number(L"GetSelectedItemID"), 301L);
    CHECK_EQ(b.ev.number(L"GetSelectedClassType"), 4L);
    CHECK(b.ev.object(L"GetActiveCtl"));
    CHECK_EQ(b.ev.number(L"SelectClassGroupByID", {Variant(15L)}), 15L);
    CHECK_EQ(b.ev.number(L"GetSelectedClassID"), 15L);
    CHECK_EQ(b.ev.number(L"SelectClassGroupByID", {Variant(99L)}), 0L);
    CHECK(b.ev.flag(L"PitchItemByID", {Variant(401L)}));
    CHECK_EQ(b.ev.number(L"GetSelectedItemID"), 401L);
    CHECK(!b.ev.flag(L"PitchItemByID", {Variant(999L)}));
    CHECK(!b.ev.flag(L"IsSearchState"));
    // RefreshListByClassGroupID(2, 15): 2 first, 15 second.
    CHECK_HR(b.ev.call(L"RefreshListByClassGroupID", {Variant(2L), Variant(15L)}).hr, S_OK);
    CHECK_EQ(asLong(b.form.browseCtl->propertyValue(L"ListedClassGroupType")), 2L);
    CHECK_EQ(asLong(b.form.browseCtl->propertyValue(L"ListedClassGroupID")), 15L);
    // Answers converted to the member's type: a text number is a Long, True a Boolean.
    b.form.browseCtl->returns(L"GetSelectedItemID", Variant(L"302"));
    CHECK_EQ(b.ev.number(L"GetSelectedItemID"), 302L);
    b.form.browseCtl->returns(L"IsSearchState", Variant(-1L));
    CHECK(b.ev.flag(L"IsSearchState"));
}

TEST_CASE(no_browse_control_is_error_91_under_the_class_source) {
    Late ev = Late::create(L"OrviClassEvents.BaseClassEvent");
    for (const ApiCall& c : kApi) {
        Outcome o = callApi(ev, c);
        if (!checkError(o, kObjectNotSet, kSource, __FILE__, __LINE__))
            fail(__FILE__, __LINE__, "in %s", narrow(c.member).c_str());
    }
}

TEST_CASE(browse_failures_keep_number_and_description_under_the_class_source) {
    BoundBrowse b;
    for (const ApiCall& c : kApi) {
        b.form.browseCtl->fails(c.hostMember, kHostError, L"浏览控件忙", L"Host.Browse", L"browse.chm", 33);
        Outcome o = callApi(b.ev, c);
        if (!checkError(o, kHostError, kSource, __FILE__, __LINE__)) fail(__FILE__, __LINE__, "in %s", narrow(c.member).c_str());
        CHECK_EQ(o.description, std::wstring(L"浏览控件忙"));
        // Re-raised: the host's help topic stays behind.
        CHECK_EQ(o.helpFile, std::wstring(L""));
        CHECK_EQ(o.helpContext, DWORD(0));
    }
    // A control that lacks the member; an answer that is not of the member's type.
    auto bare = hostkit::newFake(L"BareBrowse");
    b.ev.set(L"BrowseCtl", obj(bare.Get()));
    CHECK_ERROR(b.ev.call(L"GetSelectedClassID"), kNoSuchMember, kSource);
    bare->returns(L"GetSelectedItemID", Variant(L"none"));
    CHECK_ERROR(b.ev.call(L"GetSelectedItemID"), kTypeMismatch, kSource);
    bare->returns(L"GetActiveCtl", Variant(5L));
    CHECK_ERROR(b.ev.call(L"GetActiveCtl"), HRESULT(0x800A01A8), kSource);  // Object required
}

TEST_CASE(a_runtime_error_without_a_description_gets_the_runtimes_own_text) {
    // A VB host that raises a runtime error by number alone: the plug-in reads the text a VB
    // client shows for that number, under the class source.
    BoundBrowse b;
    struct Case {
        long number;
        const wchar_t* text;
    };
    const Case cases[] = {{76, L"Path not found"},
                          {53, L"File not found"},
                          {70, L"Permission denied"},
                          {429, L"ActiveX component can't create object"},
                          {57, L"Device I/O error"},
                          {380, L"Invalid property value"}};
    for (const Case& c : cases) {
        HRESULT hr = HRESULT(0x800A0000u | unsigned(c.number));
        b.form.browseCtl->fails(L"RefreshClassGroups", hr, L"", L"");
        Outcome o = b.ev.call(L"RefreshClassGroups");
        CHECK_ERROR(o, hr, kSource);
        CHECK_EQ(o.description, std::wstring(c.text));
    }
    // A failure that is no runtime error keeps the platform's automation error text.
    b.form.browseCtl->fails(L"RefreshClassGroups", E_FAIL, L"", L"");
    Outcome o = b.ev.call(L"RefreshClassGroups");
    CHECK_ERROR(o, E_FAIL, kSource);
    CHECK(o.description.rfind(L"Automation error", 0) == 0);
}

TEST_CASE(base_data_properties_hold_what_the_form_assigned) {
    BoundBrowse b;
    CHECK(sameObject(asObject(b.ev.value(L"BrowseCtl")), b.form.browseCtl.Get()));
    CHECK(sameObject(asObject(b.ev.value(L"ListActiveBar")), static_cast<IDispatch*>(b.form.toolbar.Get())));
    b.ev.setRef(L"RsItem", obj(b.form.rsItem.Get()));
    b.ev.setRef(L"RsId", obj(b.form.rsId.Get()));
    b.ev.setRef(L"RsClassGroup", obj(b.form.rsClassGroup.Get()));
    b.ev.setRef(L"DataSrv", obj(b.form.dataSrv.Get()));
    b.ev.setRef(L"LedgerProperty", obj(b.form.ledger.Get()));
    CHECK(sameObject(asObject(b.ev.value(L"RsItem")), b.form.rsItem.Get()));
    CHECK(sameObject(asObject(b.ev.value(L"RsId")), b.form.rsId.Get()));
    CHECK(sameObject(asObject(b.ev.value(L"RsClassGroup")), b.form.rsClassGroup.Get()));
    CHECK(sameObject(asObject(b.ev.value(L"DataSrv")), b.form.dataSrv.Get()));
    CHECK(sameObject(asObject(b.ev.value(L"LedgerProperty")), b.form.ledger.Get()));
    // A recordset or ledger property of another kind is a type mismatch and the held one stays.
    auto fake = hostkit::newFake(L"NotARecordset");
    for (const wchar_t* name : {L"RsItem", L"RsId", L"RsClassGroup", L"LedgerProperty"})
        CHECK_ERROR(b.ev.putRef(name, obj(fake.Get())), kTypeMismatch, L"");
    CHECK(sameObject(asObject(b.ev.value(L"RsItem")), b.form.rsItem.Get()));
    CHECK(sameObject(asObject(b.ev.value(L"LedgerProperty")), b.form.ledger.Get()));
    // Nothing is accepted and held.
    b.ev.setRef(L"RsItem", obj(nullptr));
    CHECK(asObject(b.ev.value(L"RsItem")) == nullptr);
    // The object never reads the recordsets.
    CHECK_EQ(b.form.browseCtl->calls().size(), size_t(0));
    Late lib = b.ev.object(L"QelLib");
    CHECK(sameObject(lib.get(), asObject(b.ev.value(L"QelLib"))));
}

TEST_CASE(enable_list_fill_row_events_is_the_browse_controls_switch) {
    BoundBrowse b;
    CHECK(b.ev.flag(L"EnableListFillRowEvents"));
    b.ev.set(L"EnableListFillRowEvents", Variant(false));
    CHECK(!asBool(b.form.browseCtl->propertyValue(L"EnableListFillRowEvents")));
    CHECK(!b.ev.flag(L"EnableListFillRowEvents"));
    // Errors pass unchanged (the host's source kept).
    b.form.browseCtl->fails(L"EnableListFillRowEvents", kHostError, L"read only", L"Host.Browse");
    CHECK_ERROR(b.ev.call(L"EnableListFillRowEvents"), kHostError, L"Host.Browse");
    Late fresh = Late::create(L"OrviClassEvents.BaseClassEvent");
    CHECK_ERROR(fresh.call(L"EnableListFillRowEvents"), kObjectNotSet, L"");
}
