// QelLib, Account, User and Net as a plug-in reaches them: through an event object's QelLib,
// over the session kit's stand-ins for the client's property store, resource loaders, middle
// tier and login object.
//
// The main thread of this program works in the source language: every case that runs on it
// publishes "Language=CHS", so the thread's cached language is "CHS" whichever case runs first.
// Cases about other languages run on threads of their own, whose session state starts empty.
#include "hostkit/AdoRecords.h"
#include "hostkit/FakeHost.h"
#include "test_session_support.h"

using namespace testkit;
using namespace sessiontest;
using hostkit::SessionHost;

namespace {

// A client session in this process and a plug-in's view of it: the event object and its QelLib.
struct Plugin {
    SessionHost host;
    Late ev;
    Late qel;

    explicit Plugin(const wchar_t* props = L"UserID=12;Language=CHS") {
        host.set(L"PropsString", props);
        ev = Late::create(L"OrviClassEvents.BillEvent");
        qel = ev.object(L"QelLib");
    }
};

}  // namespace

// ---------------------------------------------------------------- objects and properties

TEST_CASE(qellib_holds_one_account_user_and_net) {
    Plugin p;
    Late again = p.ev.object(L"QelLib");
    CHECK(sameObject(p.qel.get(), again.get()));
    Late account = p.qel.object(L"Account");
    CHECK(sameObject(account.get(), p.qel.object(L"Account").get()));
    CHECK(sameObject(p.qel.object(L"User").get(), p.qel.object(L"User").get()));
    CHECK(sameObject(p.qel.object(L"Net").get(), p.qel.object(L"Net").get()));
    CHECK(!sameObject(account.get(), p.qel.object(L"User").get()));
}

TEST_CASE(account_and_user_names_come_from_the_store_on_every_read) {
    Plugin p;
    p.host.set(L"AcctID", L"0012");
    p.host.set(L"AcctName", L"演示账套");
    p.host.set(L"SetupType", Variant(3L));
    p.host.set(L"UserName", L"王小明");
    Late account = p.qel.object(L"Account");
    Late user = p.qel.object(L"User");
    p.host.reset();

    CHECK_EQ(account.text(L"AccountID"), std::wstring(L"0012"));
    // One read: a new store object and two GetProperty calls, process ID then key, by reference.
    CHECK_EQ(p.host.created(L"ShareProps"), 1L);
    CHECK_EQ(p.host.calls(L"ShareProps.GetProperty"), 2L);
    for (long call = 1; call <= 2; ++call) {
        CHECK_EQ(p.host.argCount(L"ShareProps.GetProperty", call), 2L);
        CHECK_EQ(asLong(p.host.arg(L"ShareProps.GetProperty", call, 1)), SessionHost::processId());
        CHECK_EQ(p.host.argType(L"ShareProps.GetProperty", call, 1), VARTYPE(VT_BYREF | VT_I4));
        CHECK_EQ(textOf(p.host.arg(L"ShareProps.GetProperty", call, 2)), std::wstring(L"AcctID"));
        CHECK_EQ(p.host.argType(L"ShareProps.GetProperty", call, 2), VARTYPE(VT_BYREF | VT_BSTR));
    }
    // The store object lives for the read only (the host's own store is the one left).
    CHECK_EQ(p.host.alive(L"ShareProps"), 1L);

    CHECK_EQ(account.text(L"AccountName"), std::wstring(L"演示账套"));
    Variant setup = account.value(L"SetupType");
    CHECK_EQ(setup.vt(), VARTYPE(VT_BSTR));
    CHECK_EQ(textOf(setup), std::wstring(L"3"));
    CHECK_EQ(user.text(L"UserName"), std::wstring(L"王小明"));
    CHECK_EQ(p.host.created(L"ShareProps"), 4L);
    CHECK_EQ(p.host.calls(L"ShareProps.GetProperty"), 8L);

    // Scripts learn the key of their own properties from the kit.
    CHECK_EQ(Late::create(L"OrviHostKit.SessionKit").number(L"ProcessID"), SessionHost::processId());

    // Nothing is cached: a change shows at the next read.
    p.host.set(L"AcctName", L"新账套");
    CHECK_EQ(account.text(L"AccountName"), std::wstring(L"新账套"));
    // A property the client never set reads as "".
    p.host.remove(L"AcctID");
    CHECK_EQ(account.text(L"AccountID"), std::wstring(L""));
}

TEST_CASE(store_failures_reach_the_plugin_with_the_class_source) {
    Plugin p;
    Late account = p.qel.object(L"Account");
    Late user = p.qel.object(L"User");
    p.host.fail(L"ShareProps.GetProperty", long(0x80040123), L"store is down");
    Outcome o = account.call(L"AccountID");
    CHECK_ERROR(o, 0x80040123, L"OrviClassEvents.Account");
    CHECK_EQ(o.description, std::wstring(L"store is down"));
    o = user.call(L"UserName");
    CHECK_ERROR(o, 0x80040123, L"OrviClassEvents.User");
    o = user.call(L"UserID");
    CHECK_ERROR(o, 0x80040123, L"OrviClassEvents.User");
    p.host.fail(L"ShareProps.GetProperty", 0);

    // A store that cannot be created: what CreateObject reports.
    p.host.fail(L"ShareProps", long(0x80004005));
    o = account.call(L"SetupType");
    CHECK_ERROR(o, kCannotCreate, L"OrviClassEvents.Account");
    CHECK_EQ(o.description, std::wstring(L"ActiveX component can't create object"));
    p.host.fail(L"ShareProps", 0);
}

TEST_CASE(user_id_reads_the_parsed_entry) {
    Plugin p(L"MainUserID=7; UserID = { 42 } ;Language=CHS");
    Late user = p.qel.object(L"User");
    // The entry whose whole key is UserID, without its braces; not the longer key before it.
    CHECK_EQ(user.number(L"UserID"), 42L);
    p.host.set(L"PropsString", L"userid= 12.5 ;Language=CHS");
    CHECK_EQ(user.number(L"UserID"), 12L);  // halves go to the even neighbour
    p.host.set(L"PropsString", L"USERID=13.5");
    CHECK_EQ(user.number(L"UserID"), 14L);
    Variant id = user.value(L"UserID");
    CHECK_EQ(id.vt(), VARTYPE(VT_I4));
}

TEST_CASE(user_id_errors) {
    Plugin p(L"UserName=x;Language=CHS");
    Late user = p.qel.object(L"User");
    Outcome o = user.call(L"UserID");
    CHECK_ERROR(o, kInvalidCall, L"OrviClassEvents.User");
    CHECK_EQ(o.description, std::wstring(L"Invalid procedure call or argument"));

    // A doubled key fails the parse even when it is not UserID.
    p.host.set(L"PropsString", L"Language=CHS;Acct=1;UserID=3;acct=2");
    o = user.call(L"UserID");
    CHECK_ERROR(o, kDuplicateKey, L"OrviClassEvents.User");
    CHECK_EQ(o.description, std::wstring(L"This key is already associated with an element of this collection"));

    p.host.set(L"PropsString", L"UserID=abc;Language=CHS");
    CHECK_ERROR(user.call(L"UserID"), kTypeMismatch, L"OrviClassEvents.User");
    p.host.set(L"PropsString", L"UserID=99999999999;Language=CHS");
    CHECK_ERROR(user.call(L"UserID"), HRESULT(0x800A0006), L"OrviClassEvents.User");
    p.host.set(L"PropsString", L"");
    CHECK_ERROR(user.call(L"UserID"), kInvalidCall, L"OrviClassEvents.User");
}

TEST_CASE(qel_language_is_read_afresh_from_the_props_string) {
    Plugin p(L"UserID=1;language=chs");
    CHECK_EQ(p.qel.text(L"GetQelLanguage"), std::wstring(L"CHS"));
    // The first "Language=" anywhere wins, untrimmed and upper-cased.
    p.host.set(L"PropsString", L"Language=CHS;DefaultLanguage=fr; Language=de");
    CHECK_EQ(p.qel.text(L"GetQelLanguage"), std::wstring(L"CHS"));
    p.host.set(L"PropsString", L"DefaultLanguage=fr; Language=de");
    CHECK_EQ(p.qel.text(L"GetQelLanguage"), std::wstring(L"FR"));
    p.host.set(L"PropsString", L"Language={en;gb}");
    CHECK_EQ(p.qel.text(L"GetQelLanguage"), std::wstring(L"{EN"));
    p.host.set(L"PropsString", L"Language= eng ");
    CHECK_EQ(p.qel.text(L"GetQelLanguage"), std::wstring(L" ENG "));
    p.host.set(L"PropsString", L"UserID=1");
    CHECK_EQ(p.qel.text(L"GetQelLanguage"), std::wstring(L""));
    // Even an unreadable props string only means no language.
    p.host.fail(L"ShareProps.GetProperty", long(0x80040123), L"down");
    Outcome o = p.qel.call(L"GetQelLanguage");
    CHECK(o.ok());
    CHECK_EQ(textOf(o.value), std::wstring(L""));
}

// ---------------------------------------------------------------- CreateQelObject and GetData

TEST_CASE(create_qel_object_by_trimmed_progid) {
    Plugin p;
    Late made(asObject(p.qel.value(L"CreateQelObject", {str(L"  OrviHostKit.SessionKit  ")})));
    REQUIRE(made);
    CHECK_EQ(made.text(L"ResourceFolder"), p.host.resourceFolder());

    Outcome o = p.qel.call(L"CreateQelObject", {str(L"    ")});
    CHECK_ERROR(o, kBadArgument, L"OrviClassEvents.QelLib");
    CHECK_EQ(o.description, std::wstring(kNotEmpty));
    CHECK_EQ(o.value.vt(), VARTYPE(VT_EMPTY));

    o = p.qel.call(L"CreateQelObject", {str(L"OrviNoSuch.Component")});
    CHECK_ERROR(o, kCannotCreate, L"OrviClassEvents.QelLib");
}

TEST_CASE(get_data_returns_the_middle_tier_recordset) {
    Plugin p(L"UserID=12;Language=CHS;DBName=demo");
    p.host.setQueryData(L"select FNumber,FName from t_Item", L"FNumber\tFName\n1.01\t钢材\n1.02\t木材\n");

    // Only spaces are trimmed: with a tab left the query is another one.
    CHECK_ERROR(p.qel.call(L"GetData", {str(L"  select FNumber,FName from t_Item \t ")}), 0x80040E14,
                L"OrviClassEvents.QelLib");
    Outcome o = p.qel.call(L"GetData", {str(L"  select FNumber,FName from t_Item  ")});
    REQUIRE(o.ok());
    REQUIRE((o.value.vt() == VT_DISPATCH && V_DISPATCH(&o.value.get())));
    hostkit::AdoRecordset records(V_DISPATCH(&o.value.get()));
    CHECK_EQ(records.recordCount(), 2L);
    CHECK(records.fieldNames() == std::vector<std::wstring>({L"FNumber", L"FName"}));
    CHECK_EQ(textOf(records.field(str(L"FName"))), std::wstring(L"钢材"));
    records.moveNext();
    CHECK_EQ(textOf(records.field(str(L"FNumber"))), std::wstring(L"1.02"));
    records.moveNext();
    CHECK(records.eof());

    // The props string by value first, then the trimmed SQL by reference.
    CHECK_EQ(p.host.calls(L"ClassInfo.GetData"), 2L);
    CHECK_EQ(p.host.argCount(L"ClassInfo.GetData", -1), 2L);
    CHECK_EQ(textOf(p.host.arg(L"ClassInfo.GetData", -1, 1)), std::wstring(L"UserID=12;Language=CHS;DBName=demo"));
    CHECK_EQ(p.host.argType(L"ClassInfo.GetData", -1, 1), VARTYPE(VT_BSTR));
    CHECK_EQ(textOf(p.host.arg(L"ClassInfo.GetData", -1, 2)), std::wstring(L"select FNumber,FName from t_Item"));
    CHECK_EQ(p.host.argType(L"ClassInfo.GetData", -1, 2), VARTYPE(VT_BYREF | VT_BSTR));
    // A new component per call, released at once.
    CHECK_EQ(p.host.created(L"ClassInfo"), 2L);
    CHECK_EQ(p.host.alive(L"ClassInfo"), 0L);
}

TEST_CASE(get_data_errors) {
    Plugin p;
    Outcome o = p.qel.call(L"GetData", {str(L"   ")});
    CHECK_ERROR(o, kBadArgument, L"OrviClassEvents.QelLib");
    CHECK_EQ(o.description, std::wstring(kNotEmpty));
    CHECK_EQ(p.host.created(L"ClassInfo"), 0L);

    // The middle tier's own error, raised again with the source of QelLib.
    o = p.qel.call(L"GetData", {str(L"select * from nowhere")});
    CHECK_ERROR(o, 0x80040E14, L"OrviClassEvents.QelLib");
    CHECK_EQ(o.description, std::wstring(L"Unknown query: select * from nowhere"));
    CHECK_EQ(o.value.vt(), VARTYPE(VT_EMPTY));
    CHECK_EQ(p.host.alive(L"ClassInfo"), 0L);

    p.host.fail(L"ClassInfo", long(0x80004005));
    CHECK_ERROR(p.qel.call(L"GetData", {str(L"select 1")}), kCannotCreate, L"OrviClassEvents.QelLib");
}

// ---------------------------------------------------------------- UpdateData

TEST_CASE(update_data_sends_one_string_as_an_array) {
    Plugin p(L"UserID=12;Language=CHS");
    Outcome o = p.qel.call(L"UpdateData", {str(L"  update t_Item set FName='x'  ")});
    REQUIRE(o.ok());
    CHECK_EQ(o.value.vt(), VARTYPE(VT_EMPTY));
    REQUIRE(p.host.batchCount() == 1);
    ArrayShape batch = shapeOf(p.host.batch(1));
    CHECK_EQ(batch.lower, 0L);
    CHECK_EQ(batch.upper, 0L);
    REQUIRE(batch.items.size() == 1);
    CHECK_EQ(batch.items[0], std::wstring(L"  update t_Item set FName='x'  "));  // not trimmed
    CHECK_EQ(p.host.batchProps(1), std::wstring(L"UserID=12;Language=CHS"));
    CHECK_EQ(p.host.argType(L"ClassUpdate.UpdateBatch", 1, 1), VARTYPE(VT_BSTR));
    CHECK_EQ(p.host.argType(L"ClassUpdate.UpdateBatch", 1, 2), VARTYPE(VT_BYREF | VT_ARRAY | VT_BSTR));
    CHECK_EQ(p.host.alive(L"ClassUpdate"), 0L);

    // An empty string is not rejected.
    CHECK(p.qel.call(L"UpdateData", {str(L"")}).ok());
    CHECK_EQ(p.host.batchCount(), 2L);
}

TEST_CASE(update_data_sends_a_string_array_with_its_bounds) {
    Plugin p;
    Variant sqls = stringArray(3, {L"delete from a", L"", L" insert into b values (1) "});
    REQUIRE(p.qel.call(L"UpdateData", {sqls}).ok());
    REQUIRE(p.host.batchCount() == 1);
    ArrayShape batch = shapeOf(p.host.batch(1));
    CHECK_EQ(batch.lower, 3L);
    CHECK_EQ(batch.upper, 5L);
    REQUIRE(batch.items.size() == 3);
    CHECK_EQ(batch.items[0], std::wstring(L"delete from a"));
    CHECK_EQ(batch.items[1], std::wstring(L""));
    CHECK_EQ(batch.items[2], std::wstring(L" insert into b values (1) "));

    // Passed by reference from the plug-in's variable, the same.
    VARIANT holder;
    VariantInit(&holder);
    VariantCopy(&holder, &sqls.get());
    REQUIRE(p.qel.call(L"UpdateData", {ref(holder)}).ok());
    VariantClear(&holder);
    CHECK_EQ(shapeOf(p.host.batch(2)).lower, 3L);
}

TEST_CASE(update_data_rejects_other_kinds) {
    Plugin p;
    SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    LONG at = 0;
    VARIANT item;
    VariantInit(&item);
    V_VT(&item) = VT_BSTR;
    V_BSTR(&item) = SysAllocString(L"update x");
    SafeArrayPutElement(variants, &at, &item);
    VariantClear(&item);
    Variant variantArray;
    V_VT(&variantArray.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&variantArray.get()) = variants;

    for (const Variant& bad : {Variant(5L), Variant(), variantArray, Variant(true)}) {
        Outcome o = p.qel.call(L"UpdateData", {bad});
        CHECK_ERROR(o, kBadArgument, L"OrviClassEvents.QelLib");
        CHECK_EQ(o.description, std::wstring(kStringsOnly));
    }
    CHECK_EQ(p.host.created(L"ClassUpdate"), 0L);
    CHECK_EQ(p.host.batchCount(), 0L);
}

TEST_CASE(update_data_middle_tier_failure) {
    Plugin p;
    p.host.fail(L"ClassUpdate.UpdateBatch", long(0x80040E2F), L"Violation of PRIMARY KEY constraint");
    Outcome o = p.qel.call(L"UpdateData", {str(L"insert into t values (1)")});
    CHECK_ERROR(o, 0x80040E2F, L"OrviClassEvents.QelLib");
    CHECK_EQ(o.description, std::wstring(L"Violation of PRIMARY KEY constraint"));
    CHECK_EQ(p.host.created(L"ClassUpdate"), 1L);
    CHECK_EQ(p.host.alive(L"ClassUpdate"), 0L);
}

// ---------------------------------------------------------------- translation

TEST_CASE(source_language_needs_no_loader) {
    Plugin p;
    // Messages stay in Chinese and no loader is ever created on a "CHS" thread.
    Outcome o = p.qel.call(L"CreateQelObject", {str(L"")});
    CHECK_EQ(o.description, std::wstring(kNotEmpty));
    BSTR file = SysAllocString(L"  PluginRes  ");
    o = p.qel.call(L"LoadVyString", {str(L"  保存 "), ref(file)});
    CHECK(o.ok());
    CHECK_EQ(textOf(o.value), std::wstring(L"  保存 "));
    CHECK_EQ(std::wstring(file), std::wstring(L"  PluginRes  "));  // untouched
    SysFreeString(file);
    CHECK_EQ(p.host.created(L"OrviResLoader"), 0L);
    CHECK_EQ(p.host.created(L"QelResLoader"), 0L);
}

TEST_CASE(library_messages_follow_the_session_language) {
    Plugin p(L"UserID=12;Language=ENG");
    p.host.writeTable(L"OrviDesign", L"ENG",
                      {{kNotEmpty, L"Invalid argument: it must not be empty"},
                       {kGreaterThanZero, L"Invalid argument: it must be greater than 0"},
                       {kStringsOnly, L"Invalid argument: strings only"}});
    onFreshThread([&] {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        Late qel = ev.object(L"QelLib");
        Outcome o = qel.call(L"CreateQelObject", {str(L"  ")});
        CHECK_ERROR(o, kBadArgument, L"OrviClassEvents.QelLib");
        CHECK_EQ(o.description, std::wstring(L"Invalid argument: it must not be empty"));
        o = qel.call(L"UpdateData", {Variant(1L)});
        CHECK_EQ(o.description, std::wstring(L"Invalid argument: strings only"));
        Late net = qel.object(L"Net");
        o = net.call(L"BeginMutex", {Variant(-1L), str(L"F1")});
        CHECK_ERROR(o, kBadArgument, L"OrviClassEvents.Net");
        CHECK_EQ(o.description, std::wstring(L"Invalid argument: it must be greater than 0"));
        o = net.call(L"BeginMutex", {Variant(1L), str(L"   ")});
        CHECK_ERROR(o, kEmptyArgument, L"OrviClassEvents.Net");
        CHECK_EQ(o.description, std::wstring(L"Invalid argument: it must not be empty"));
    });
    // One loader for the thread, set up once: base name and language are compared before they
    // are set; the core of each text is what is looked up, by reference.
    CHECK_EQ(p.host.created(L"OrviResLoader"), 1L);
    CHECK_EQ(p.host.calls(L"OrviResLoader.ResFileBaseName="), 1L);
    CHECK_EQ(textOf(p.host.arg(L"OrviResLoader.ResFileBaseName=", 1, 1)), std::wstring(L"OrviDesign"));
    CHECK_EQ(p.host.calls(L"OrviResLoader.LanguageID="), 1L);
    CHECK_EQ(textOf(p.host.arg(L"OrviResLoader.LanguageID=", 1, 1)), std::wstring(L"ENG"));
    CHECK_EQ(p.host.calls(L"OrviResLoader.LoadString"), 4L);
    CHECK_EQ(p.host.argType(L"OrviResLoader.LoadString", 1, 1), VARTYPE(VT_BYREF | VT_BSTR));
    // Released with the thread's session state.
    CHECK_EQ(p.host.alive(L"OrviResLoader"), 0L);
}

TEST_CASE(load_vy_string_translates_from_the_plugins_resources) {
    Plugin p(L"UserID=12;Language=ENG");
    p.host.writeTable(L"QelDesign", L"ENG", {{L"保存", L"Save"}, {L"审核", L"Approve"}});
    p.host.writeTable(L"PluginRes", L"ENG", {{L"保存", L"Keep"}});
    p.host.writeTable(L"OrviDesign", L"ENG", {{kNotEmpty, L"Must not be empty"}});
    onFreshThread([&] {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        Late qel = ev.object(L"QelLib");
        // Spaces only: loaded from QelDesign, the plug-in's variable is left empty.
        BSTR file = SysAllocString(L"   ");
        CHECK_EQ(qel.text(L"LoadVyString", {str(L"  保存 "), ref(file)}), std::wstring(L"  Save "));
        CHECK_EQ(std::wstring(file ? file : L"", SysStringLen(file)), std::wstring(L""));
        SysFreeString(file);
        // The plug-in's own resource file, trimmed in its variable.
        file = SysAllocString(L" PluginRes ");
        CHECK_EQ(qel.text(L"LoadVyString", {str(L"保存"), ref(file)}), std::wstring(L"Keep"));
        CHECK_EQ(std::wstring(file), std::wstring(L"PluginRes"));
        SysFreeString(file);
        // Without the argument: QelDesign; a text without a translation comes back as it is.
        CHECK_EQ(qel.text(L"LoadVyString", {str(L"审核")}), std::wstring(L"Approve"));
        CHECK_EQ(qel.text(L"LoadVyString", {str(L" 未知 ")}), std::wstring(L" 未知 "));
        // The library's own messages then use the same loader with their own base name.
        Outcome o = qel.call(L"GetData", {str(L"")});
        CHECK_EQ(o.description, std::wstring(L"Must not be empty"));
        CHECK_EQ(qel.text(L"LoadVyString", {str(L"保存")}), std::wstring(L"Save"));
    });
    CHECK_EQ(p.host.created(L"QelResLoader"), 1L);
    CHECK_EQ(p.host.created(L"OrviResLoader"), 0L);
    // LoadVyString sets the base name on every call; LoadLangText only when it differs.
    CHECK_EQ(p.host.calls(L"QelResLoader.ResFileBaseName="), 6L);
    CHECK_EQ(textOf(p.host.arg(L"QelResLoader.ResFileBaseName=", 1, 1)), std::wstring(L"QelDesign"));
    CHECK_EQ(textOf(p.host.arg(L"QelResLoader.ResFileBaseName=", 2, 1)), std::wstring(L"PluginRes"));
    CHECK_EQ(textOf(p.host.arg(L"QelResLoader.ResFileBaseName=", 5, 1)), std::wstring(L"OrviDesign"));
    CHECK_EQ(textOf(p.host.arg(L"QelResLoader.ResFileBaseName=", 6, 1)), std::wstring(L"QelDesign"));
    CHECK_EQ(p.host.calls(L"QelResLoader.LanguageID="), 1L);
    CHECK_EQ(textOf(p.host.arg(L"QelResLoader.LoadString", 1, 1)), std::wstring(L"保存"));
    CHECK_EQ(p.host.alive(L"QelResLoader"), 0L);
}

TEST_CASE(load_vy_string_never_fails) {
    Plugin p(L"UserID=12;Language=ENG");
    onFreshThread([&] {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        Late qel = ev.object(L"QelLib");
        // No loader can be created: the text itself, and no error.
        p.host.fail(L"QelResLoader", long(0x80040154));
        BSTR file = SysAllocString(L" x ");
        Outcome o = qel.call(L"LoadVyString", {str(L" 保存 "), ref(file)});
        CHECK(o.ok());
        CHECK_EQ(textOf(o.value), std::wstring(L" 保存 "));
        CHECK_EQ(std::wstring(file), std::wstring(L" x "));
        p.host.fail(L"QelResLoader", 0);
        // A loader whose LoadString fails: the text itself again.
        p.host.fail(L"QelResLoader.LoadString", long(0x80040200), L"resource file damaged");
        o = qel.call(L"LoadVyString", {str(L" 保存 "), ref(file)});
        CHECK(o.ok());
        CHECK_EQ(textOf(o.value), std::wstring(L" 保存 "));
        CHECK_EQ(std::wstring(file), std::wstring(L"x"));
        SysFreeString(file);
    });
    CHECK_EQ(p.host.created(L"QelResLoader"), 1L);
    CHECK_EQ(p.host.alive(L"QelResLoader"), 0L);
}

namespace {

// Makes task-memory allocations of one size fail, from a given one on, and records every block
// freed meanwhile. BSTRs of the platform come from task memory once its string cache is off.
class AllocationFailure final : public IMallocSpy {
public:
    AllocationFailure(SIZE_T size, int succeedFirst) : size_(size), left_(succeedFirst) {}
    bool freed(const void* bstr) const {
        for (const void* block : freed_)
            if (block <= bstr && static_cast<const char*>(bstr) - static_cast<const char*>(block) <= 16) return true;
        return false;
    }
    int failures() const { return failures_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown || riid == IID_IMallocSpy ? static_cast<IMallocSpy*>(this) : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // outlives its registration
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T request) override {
        failNext_ = request == size_ && left_-- <= 0;
        return request;
    }
    STDMETHODIMP_(void*) PostAlloc(void* actual) override {
        if (!failNext_) return actual;
        ++failures_;
        return nullptr;  // the block is dropped: this test can spare it
    }
    STDMETHODIMP_(void*) PreFree(void* request, BOOL) override {
        freed_.push_back(request);
        return request;
    }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* request, SIZE_T size, void** actual, BOOL) override {
        *actual = request;
        return size;
    }
    STDMETHODIMP_(void*) PostRealloc(void* actual, BOOL) override { return actual; }
    STDMETHODIMP_(void*) PreGetSize(void* request, BOOL) override { return request; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    STDMETHODIMP_(void*) PreDidAlloc(void* request, BOOL) override { return request; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}

private:
    SIZE_T size_;
    int left_;
    bool failNext_ = false;
    int failures_ = 0;
    std::vector<const void*> freed_;
};

// What the platform allocates for a BSTR of n characters (count, text, terminator, 16-byte steps).
SIZE_T bstrBlock(size_t n) {
    SIZE_T header = sizeof(void*) == 8 ? 8 : 4;
    return (header + n * sizeof(WCHAR) + sizeof(WCHAR) + 15) & ~SIZE_T(15);
}

}  // namespace

TEST_CASE(load_vy_string_keeps_the_callers_file_when_its_replacement_cannot_be_made) {
    Plugin p(L"UserID=12;Language=ENG");
    onFreshThread([&] {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        Late qel = ev.object(L"QelLib");
        // The platform's string cache would hide allocations from the spy.
        if (auto noCache = reinterpret_cast<void(WINAPI*)()>(GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "SetOaNoCache")))
            noCache();
        // A file name long enough that only its copies have this size; the caller's padded text
        // has another. The trimmed copy is made, the replacement for the caller is not.
        std::wstring name(2999, L'R');
        std::wstring padded = std::wstring(20, L' ') + name + std::wstring(20, L' ');
        REQUIRE(bstrBlock(padded.size()) != bstrBlock(name.size()));
        BSTR file = SysAllocStringLen(padded.data(), UINT(padded.size()));
        static AllocationFailure spy(bstrBlock(name.size()), 1);
        REQUIRE(SUCCEEDED(CoRegisterMallocSpy(&spy)));
        Outcome o = qel.call(L"LoadVyString", {str(L"保存"), ref(file)});
        CoRevokeMallocSpy();
        CHECK(o.ok());
        CHECK_EQ(spy.failures(), 1);
        CHECK_EQ(textOf(o.value), std::wstring(L"保存"));
        // The caller still owns its own string, untouched.
        CHECK(!spy.freed(file));
        CHECK_EQ(std::wstring(file, SysStringLen(file)), padded);
        SysFreeString(file);
    });
}

TEST_CASE(a_missing_language_is_looked_up_again) {
    Plugin p(L"UserID=12");
    p.host.writeTable(L"OrviDesign", L"ENG", {{kNotEmpty, L"Empty!"}});
    onFreshThread([&] {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        Late qel = ev.object(L"QelLib");
        // No language yet: translation is attempted with an empty language, which has no table.
        CHECK_EQ(qel.call(L"CreateQelObject", {str(L"")}).description, std::wstring(kNotEmpty));
        p.host.set(L"PropsString", L"UserID=12;Language=ENG");
        CHECK_EQ(qel.call(L"CreateQelObject", {str(L"")}).description, std::wstring(L"Empty!"));
        // Once found, the language is kept for the thread.
        p.host.set(L"PropsString", L"UserID=12;Language=CHS");
        CHECK_EQ(qel.call(L"CreateQelObject", {str(L"")}).description, std::wstring(L"Empty!"));
    });
    CHECK_EQ(p.host.created(L"OrviResLoader"), 1L);
    CHECK_EQ(p.host.calls(L"OrviResLoader.LanguageID="), 1L);
    CHECK_EQ(p.host.calls(L"OrviResLoader.LoadString"), 3L);
}

TEST_CASE(session_state_is_kept_per_thread) {
    Plugin p(L"UserID=12;Language=CHS");
    p.host.writeTable(L"OrviDesign", L"ENG", {{kNotEmpty, L"Empty!"}});
    // This thread works in the source language, and keeps it after the client's props change.
    CHECK_EQ(p.qel.call(L"CreateQelObject", {str(L"")}).description, std::wstring(kNotEmpty));
    p.host.set(L"PropsString", L"UserID=12;Language=ENG");
    CHECK_EQ(p.qel.call(L"CreateQelObject", {str(L"")}).description, std::wstring(kNotEmpty));
    CHECK_EQ(p.host.created(L"OrviResLoader"), 0L);
    // A second apartment thread starts empty: it reads the language now published.
    onFreshThread([&] {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        CHECK_EQ(ev.object(L"QelLib").call(L"CreateQelObject", {str(L"")}).description, std::wstring(L"Empty!"));
    });
    CHECK_EQ(p.host.created(L"OrviResLoader"), 1L);
    CHECK_EQ(p.host.alive(L"OrviResLoader"), 0L);
    CHECK_EQ(p.qel.call(L"CreateQelObject", {str(L"")}).description, std::wstring(kNotEmpty));
}

// ---------------------------------------------------------------- Net over a scripted login object

namespace {

using hostkit::RecordedCall;

struct NetPlugin : Plugin {
    ComPtr<hostkit::FakeObject> login = hostkit::newFake(L"Login");
    Late net;
    NetPlugin() {
        login->returns(L"taskexec", Variant(5L));
        login->returns(L"CommitTask", Variant(true));
        host.set(L"OrviLogin", static_cast<IDispatch*>(login.Get()));
        net = qel.object(L"Net");
        host.reset();
    }
    ~NetPlugin() {
        net = Late();
        host.clear();  // the store lets go of the login object
    }
    const RecordedCall& lastTaskexec() const {
        const RecordedCall* c = login->last(L"taskexec");
        if (!c) stop(__FILE__, __LINE__, "taskexec was not called");
        return *c;
    }
};

}  // namespace

TEST_CASE(begin_mutex_validates_before_asking) {
    NetPlugin p;
    Outcome o = p.net.call(L"BeginMutex", {Variant(-1L), str(L"   ")});
    CHECK_ERROR(o, kBadArgument, L"OrviClassEvents.Net");  // the subsystem check comes first
    CHECK_EQ(o.description, std::wstring(kGreaterThanZero));
    o = p.net.call(L"BeginMutex", {Variant(2L), str(L"   ")});
    CHECK_ERROR(o, kEmptyArgument, L"OrviClassEvents.Net");
    CHECK_EQ(o.description, std::wstring(kNotEmpty));
    // Subsystem 0: -1, without a word to the lock service or even the store.
    p.host.reset();
    CHECK_EQ(p.net.number(L"BeginMutex", {Variant(0L), str(L"FA01")}), -1L);
    CHECK_EQ(p.net.number(L"BeginMutex", {Variant(0L), str(L"  x "), Variant(short(2024)), Variant(short(1)), Variant(3L)}), -1L);
    CHECK_EQ(p.login->count(L"taskexec"), size_t(0));
    CHECK_EQ(p.host.calls(L"ShareProps.GetProperty"), 0L);
}

TEST_CASE(begin_mutex_passes_six_or_seven_arguments) {
    NetPlugin p;
    CHECK_EQ(p.net.number(L"BeginMutex", {Variant(7L), str(L" FA01 ")}), 5L);
    {
        const RecordedCall& c = p.lastTaskexec();
        REQUIRE(c.args.size() == 6);
        CHECK_EQ(c.arg(0).vt, VARTYPE(VT_BYREF | VT_I4));
        CHECK_EQ(asLong(c.arg(0).value), 7L);
        CHECK_EQ(c.arg(1).vt, VARTYPE(VT_BYREF | VT_BSTR));
        CHECK_EQ(textOf(c.arg(1).value), std::wstring(L"FA01"));  // trimmed
        CHECK_EQ(c.arg(2).vt, VARTYPE(VT_BSTR));
        CHECK_EQ(textOf(c.arg(2).value), machineName());
        CHECK_EQ(c.arg(3).vt, VARTYPE(VT_I2));
        CHECK_EQ(asLong(c.arg(3).value), 3L);
        CHECK_EQ(c.arg(4).vt, VARTYPE(VT_BYREF | VT_I2));
        CHECK_EQ(asLong(c.arg(4).value), 0L);
        CHECK_EQ(c.arg(5).vt, VARTYPE(VT_BYREF | VT_I2));
        CHECK_EQ(asLong(c.arg(5).value), 0L);
    }
    // The login object is fetched anew for each call: two reads of "OrviLogin".
    CHECK_EQ(p.host.calls(L"ShareProps.GetProperty"), 2L);
    CHECK_EQ(textOf(p.host.arg(L"ShareProps.GetProperty", 1, 2)), std::wstring(L"OrviLogin"));

    // A row given, even an explicit Empty, makes a seventh argument; a missing one does not.
    p.net.number(L"BeginMutex", {Variant(7L), str(L"FA01"), Variant(short(2024)), Variant(short(6)), Variant()});
    {
        const RecordedCall& c = p.lastTaskexec();
        REQUIRE(c.args.size() == 7);
        CHECK_EQ(asLong(c.arg(4).value), 2024L);
        CHECK_EQ(asLong(c.arg(5).value), 6L);
        CHECK_EQ(c.arg(6).vt, VARTYPE(VT_BYREF | VT_VARIANT));
        CHECK_EQ(c.arg(6).value.vt(), VARTYPE(VT_EMPTY));
    }
    p.net.number(L"BeginMutex", {Variant(7L), str(L"FA01"), missing(), missing(), Variant(1234L)});
    {
        const RecordedCall& c = p.lastTaskexec();
        REQUIRE(c.args.size() == 7);
        CHECK_EQ(asLong(c.arg(4).value), 0L);
        CHECK_EQ(asLong(c.arg(6).value), 1234L);
    }
    p.net.number(L"BeginMutex", {Variant(7L), str(L"FA01"), Variant(short(1)), Variant(short(2)), missing()});
    CHECK_EQ(p.lastTaskexec().args.size(), size_t(6));
}

TEST_CASE(a_refusal_is_the_conflict_error) {
    NetPlugin p;
    for (long answer : {0L, -3L}) {
        p.login->returns(L"taskexec", Variant(answer));
        Outcome o = p.net.call(L"BeginMutex", {Variant(7L), str(L"FA01")});
        CHECK_ERROR(o, kConflict, L"OrviClassEvents.Net");
        CHECK_EQ(o.description, std::wstring(kConflictText));
    }
    // The lock service's own failure keeps its number and text.
    p.login->fails(L"taskexec", HRESULT(0x80040777), L"lock service stopped", L"Login");
    Outcome o = p.net.call(L"BeginMutex", {Variant(7L), str(L"FA01")});
    CHECK_ERROR(o, 0x80040777, L"OrviClassEvents.Net");
    CHECK_EQ(o.description, std::wstring(L"lock service stopped"));
    o = p.net.call(L"QueryFunc", {Variant(7L), str(L"FA01")});
    CHECK_ERROR(o, 0x80040777, L"OrviClassEvents.Net");
    // No login object published: the plug-in gets the error with Net's source.
    p.host.remove(L"OrviLogin");
    o = p.net.call(L"QuerySubSys", {Variant(7L)});
    CHECK_ERROR(o, HRESULT(0x800A01A8), L"OrviClassEvents.Net");
}

TEST_CASE(query_members_pass_their_arguments_as_given) {
    NetPlugin p;
    p.login->returns(L"taskexec", Variant(true));
    CHECK(p.net.flag(L"QueryFunc", {Variant(7L), str(L" FA01 ")}));
    {
        const RecordedCall& c = p.lastTaskexec();
        REQUIRE(c.args.size() == 6);
        CHECK_EQ(textOf(c.arg(1).value), std::wstring(L" FA01 "));  // untrimmed
        CHECK_EQ(c.arg(1).vt, VARTYPE(VT_BYREF | VT_BSTR));
        CHECK_EQ(textOf(c.arg(2).value), std::wstring(L""));
        CHECK_EQ(asLong(c.arg(3).value), 2L);
    }
    p.login->returns(L"taskexec", Variant(0L));
    CHECK(!p.net.flag(L"QueryFunc", {Variant(7L), str(L"FA01"), Variant(short(2024)), Variant(short(5)), Variant(9L)}));
    {
        const RecordedCall& c = p.lastTaskexec();
        REQUIRE(c.args.size() == 7);
        CHECK_EQ(asLong(c.arg(6).value), 9L);
    }
    // Neither query validates its arguments.
    CHECK(!p.net.flag(L"QueryFunc", {Variant(-5L), str(L"")}));
    p.login->returns(L"taskexec", Variant(-1L));
    CHECK(p.net.flag(L"QuerySubSys", {Variant(7L), Variant(short(2024)), Variant(short(3))}));
    {
        const RecordedCall& c = p.lastTaskexec();
        REQUIRE(c.args.size() == 6);
        CHECK_EQ(asLong(c.arg(0).value), 7L);
        CHECK_EQ(textOf(c.arg(1).value), std::wstring(L""));
        CHECK_EQ(textOf(c.arg(2).value), std::wstring(L""));
        CHECK_EQ(asLong(c.arg(3).value), 1L);
        CHECK_EQ(asLong(c.arg(4).value), 2024L);
        CHECK_EQ(asLong(c.arg(5).value), 3L);
    }
    CHECK_EQ(p.login->count(L"taskexec"), size_t(4));
}

TEST_CASE(commit_mutex) {
    NetPlugin p;
    // Task 0: False, and nothing is called or read.
    CHECK(!p.net.flag(L"CommitMutex", {Variant(0L)}));
    CHECK_EQ(p.login->count(L"CommitTask"), size_t(0));
    CHECK_EQ(p.host.calls(L"ShareProps.GetProperty"), 0L);
    // Any other ID goes to the service, by reference; its answer comes back as a Boolean.
    CHECK(p.net.flag(L"CommitMutex", {Variant(-4L)}));
    const RecordedCall* c = p.login->last(L"CommitTask");
    REQUIRE((c && c->args.size() == 1));
    CHECK_EQ(c->arg(0).vt, VARTYPE(VT_BYREF | VT_I4));
    CHECK_EQ(asLong(c->arg(0).value), -4L);
    p.login->returns(L"CommitTask", Variant(0L));
    Variant answer = p.net.value(L"CommitMutex", {Variant(12L)});
    CHECK_EQ(answer.vt(), VARTYPE(VT_BOOL));
    CHECK(!asBool(answer));
}

TEST_CASE(a_login_failure_is_re_raised_without_its_help_topic) {
    NetPlugin p;
    p.login->fails(L"taskexec", HRESULT(0x80040321), L"lock table damaged", L"Client.Login", L"login.chm", 77);
    for (const wchar_t* member : {L"BeginMutex", L"QueryFunc"}) {
        Outcome o = p.net.call(member, {Variant(3L), str(L"F1")});
        CHECK_ERROR(o, 0x80040321, L"OrviClassEvents.Net");
        CHECK_EQ(o.description, std::wstring(L"lock table damaged"));
        // The login object's help topic is its own, not the library's.
        CHECK_EQ(o.helpFile, std::wstring(L""));
        CHECK_EQ(o.helpContext, DWORD(0));
    }
}

// ---------------------------------------------------------------- Net over the kit's lock service

TEST_CASE(two_sessions_contend_for_one_function) {
    Plugin p;
    Late first = Late::create(L"OrviHostKit.Login");
    Late second = Late::create(L"OrviHostKit.Login");
    Late net = p.qel.object(L"Net");
    const std::wstring func = L"FX" + std::to_wstring(SessionHost::processId());

    p.host.set(L"OrviLogin", first.get());
    long task = net.number(L"BeginMutex", {Variant(31L), str((L" " + func + L" ").c_str())});
    CHECK(task >= 1);
    CHECK_EQ(first.number(L"SessionTasks"), 1L);
    CHECK_EQ(first.text(L"TaskMachine", {Variant(task)}), machineName());
    CHECK(!net.flag(L"QueryFunc", {Variant(31L), str(func.c_str())}));  // its own task

    p.host.set(L"OrviLogin", second.get());
    Outcome o = net.call(L"BeginMutex", {Variant(31L), str(func.c_str())});
    CHECK_ERROR(o, kConflict, L"OrviClassEvents.Net");
    CHECK_EQ(o.description, std::wstring(kConflictText));
    CHECK(net.flag(L"QueryFunc", {Variant(31L), str(func.c_str())}));
    CHECK(net.flag(L"QuerySubSys", {Variant(31L)}));
    CHECK(!net.flag(L"QuerySubSys", {Variant(32L)}));
    // Another function of the subsystem is free.
    o = net.call(L"BeginMutex", {Variant(31L), str((func + L"B").c_str())});
    REQUIRE(o.ok());
    CHECK(net.flag(L"CommitMutex", {o.value}));
    CHECK_EQ(second.number(L"SessionTasks"), 0L);
    // Someone else's task cannot be committed.
    CHECK(!net.flag(L"CommitMutex", {Variant(task)}));

    p.host.set(L"OrviLogin", first.get());
    CHECK(net.flag(L"CommitMutex", {Variant(task)}));
    CHECK(!net.flag(L"CommitMutex", {Variant(task)}));

    // Rows: two rows of one function can be held at once; the whole function cannot then.
    long row1 = net.number(L"BeginMutex", {Variant(31L), str(func.c_str()), missing(), missing(), Variant(1L)});
    p.host.set(L"OrviLogin", second.get());
    long row2 = net.number(L"BeginMutex", {Variant(31L), str(func.c_str()), missing(), missing(), Variant(2L)});
    CHECK((row1 >= 1 && row2 > row1));
    CHECK_ERROR(net.call(L"BeginMutex", {Variant(31L), str(func.c_str())}), kConflict, L"OrviClassEvents.Net");
    CHECK_ERROR(net.call(L"BeginMutex", {Variant(31L), str(func.c_str()), missing(), missing(), Variant(1L)}),
                kConflict, L"OrviClassEvents.Net");
    CHECK(net.flag(L"CommitMutex", {Variant(row2)}));
    // A session's tasks end with its login object.
    p.host.clear();
    first = Late();
    p.host.set(L"OrviLogin", second.get());
    long whole = net.number(L"BeginMutex", {Variant(31L), str(func.c_str())});
    CHECK(whole > row2);
    CHECK(net.flag(L"CommitMutex", {Variant(whole)}));
    p.host.clear();
}

TEST_CASE(the_lock_service_takes_function_codes_exactly) {
    Plugin p;
    Late first = Late::create(L"OrviHostKit.Login");
    Late second = Late::create(L"OrviHostKit.Login");
    Late net = p.qel.object(L"Net");
    const std::wstring func = L"FE" + std::to_wstring(SessionHost::processId());
    const std::wstring padded = L" " + func + L" ";
    std::wstring lower = func;
    lower[0] = L'f';
    lower[1] = L'e';

    // The first session begins through the library, which trims the code it is given.
    p.host.set(L"OrviLogin", first.get());
    long task = net.number(L"BeginMutex", {Variant(33L), str(padded.c_str())});
    REQUIRE(task >= 1);

    p.host.set(L"OrviLogin", second.get());
    // QueryFunc passes its code untrimmed: with spaces it names another function, and so does
    // the code in other letters.
    CHECK(net.flag(L"QueryFunc", {Variant(33L), str(func.c_str())}));
    CHECK(!net.flag(L"QueryFunc", {Variant(33L), str(padded.c_str())}));
    CHECK(!net.flag(L"QueryFunc", {Variant(33L), str(lower.c_str())}));
    // BeginMutex trims before it asks: the padded code is the held function.
    CHECK_ERROR(net.call(L"BeginMutex", {Variant(33L), str(padded.c_str())}), kConflict, L"OrviClassEvents.Net");
    // The service itself, asked for the padded code, grants it: another function.
    Outcome direct = second.call(L"taskexec", {Variant(33L), str(padded.c_str()), str(L""), Variant(short(3)),
                                               Variant(short(0)), Variant(short(0))});
    REQUIRE(direct.ok());
    CHECK(asLong(direct.value) >= 1);
    CHECK(second.flag(L"CommitTask", {direct.value}));

    p.host.set(L"OrviLogin", first.get());
    CHECK(net.flag(L"CommitMutex", {Variant(task)}));
    p.host.clear();
}

TEST_CASE(the_property_store_keeps_keys_as_spelled) {
    Plugin p(L"UserID=3;Language=CHS");
    IShareProps* store = p.host.store();
    long pid = SessionHost::processId();
    Variant value;
    CHECK_HR(store->GetProperty(pid, Bstr(L"PropsString").get(), &value.get()), S_OK);
    CHECK_EQ(textOf(value), std::wstring(L"UserID=3;Language=CHS"));
    // Another spelling is another key, neither found nor overwritten.
    value = Variant();
    CHECK_HR(store->GetProperty(pid, Bstr(L"propsstring").get(), &value.get()), S_OK);
    CHECK_EQ(value.vt(), VARTYPE(VT_EMPTY));
    p.host.set(L"PROPSSTRING", L"UserID=4;Language=ENG");
    CHECK_EQ(p.qel.text(L"GetQelLanguage"), std::wstring(L"CHS"));
    p.host.set(L"username", L"someone else");
    p.host.set(L"UserName", L"Li Lei");
    CHECK_EQ(p.qel.object(L"User").text(L"UserName"), std::wstring(L"Li Lei"));
    p.host.remove(L"propsstring");  // not there: removes nothing
    CHECK_EQ(p.qel.text(L"GetQelLanguage"), std::wstring(L"CHS"));
    p.host.clear();
}
