// The session routines themselves (they have no COM surface of their own): this program is
// built with the library's session module, and drives it over the session kit's property store
// and resource loaders. Translation cases run on threads of their own, whose session state
// starts empty.
#include "host/MSession.h"
#include "hostkit/FakeHost.h"
#include "test_session_support.h"

using namespace testkit;
using namespace sessiontest;
using hostkit::SessionHost;
namespace session = orvi::session;

namespace {

// A fresh apartment thread whose session state is released at its end, as the library's module
// does when a thread's last object goes (this program has the routines without the library).
void onSessionThread(const std::function<void()>& body) {
    onFreshThread(body, [] { session::ReleaseThreadSession(); });
}

// The error a routine raised (number and text), or S_OK.
struct Raised {
    HRESULT hr = S_OK;
    std::wstring description;
};
template <class F>
Raised raisedBy(F&& f) {
    try {
        f();
    } catch (const orvi::com::ComError& e) {
        return {e.hr(), e.description()};
    }
    return {};
}

// An error info record as a caller's pending error.
ComPtr<IErrorInfo> pendingError(const wchar_t* description, const wchar_t* source, const wchar_t* helpFile,
                                DWORD helpContext) {
    ComPtr<ICreateErrorInfo> create;
    CreateErrorInfo(create.GetAddressOf());
    create->SetDescription(const_cast<LPOLESTR>(description));
    create->SetSource(const_cast<LPOLESTR>(source));
    create->SetHelpFile(const_cast<LPOLESTR>(helpFile));
    create->SetHelpContext(helpContext);
    ComPtr<IErrorInfo> info;
    create.As(&info);
    return info;
}

// The thread's error info now (taken, then put back as it was).
ComPtr<IErrorInfo> currentError() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.GetAddressOf()) != S_OK) return nullptr;
    SetErrorInfo(0, info.Get());
    return info;
}

std::wstring descriptionOf(IErrorInfo* info) {
    Bstr b;
    info->GetDescription(b.put());
    return b.str();
}

}  // namespace

TEST_CASE(share_prop_reads_twice_from_a_new_store) {
    SessionHost host;
    host.set(L"AcctID", L"0012");
    host.reset();
    Variant v = session::GetShareProp(L"AcctID");
    CHECK_EQ(v.vt(), VARTYPE(VT_BSTR));
    CHECK_EQ(textOf(v), std::wstring(L"0012"));
    CHECK_EQ(host.created(L"ShareProps"), 1L);
    CHECK_EQ(host.alive(L"ShareProps"), 1L);  // the host's own: the routine's is gone
    CHECK_EQ(host.calls(L"ShareProps.GetProperty"), 2L);
    CHECK_EQ(asLong(host.arg(L"ShareProps.GetProperty", 1, 1)), SessionHost::processId());
    CHECK_EQ(host.argType(L"ShareProps.GetProperty", 2, 1), VARTYPE(VT_BYREF | VT_I4));
    CHECK_EQ(textOf(host.arg(L"ShareProps.GetProperty", 2, 2)), std::wstring(L"AcctID"));
    CHECK_EQ(host.argType(L"ShareProps.GetProperty", 2, 2), VARTYPE(VT_BYREF | VT_BSTR));

    // An object comes back as an object reference; the login object is one.
    auto login = hostkit::newFake(L"Login");
    host.set(L"OrviLogin", static_cast<IDispatch*>(login.Get()));
    Variant object = session::GetShareProp(L"OrviLogin");
    CHECK_EQ(object.vt(), VARTYPE(VT_DISPATCH));
    CHECK(sameObject(V_DISPATCH(&object.get()), login.Get()));
    object = Variant();
    CHECK(sameObject(session::GetLoginObject().Get(), login.Get()));
    // Properties never set read as Empty, which converts to "".
    CHECK_EQ(session::GetShareProp(L"Nothing").vt(), VARTYPE(VT_EMPTY));
    CHECK_EQ(session::ShareUserName(), std::wstring(L""));
    host.clear();
}

TEST_CASE(share_prop_failures_propagate) {
    SessionHost host;
    host.fail(L"ShareProps.GetProperty", long(0x80040123), L"store is down");
    Raised r = raisedBy([] { session::GetPropsString(); });
    CHECK_EQ(r.hr, HRESULT(0x80040123));
    CHECK_EQ(r.description, std::wstring(L"store is down"));
    host.fail(L"ShareProps.GetProperty", 0);
    host.fail(L"ShareProps", long(0x80004005));
    CHECK_EQ(raisedBy([] { session::ShareAcctName(); }).hr, HRESULT(0x800A01AD));
    host.fail(L"ShareProps", 0);
    // No login object published: an object is required.
    CHECK_EQ(raisedBy([] { session::GetLoginObject(); }).hr, HRESULT(0x800A01A8));
}

TEST_CASE(prop_value_takes_the_first_match_anywhere) {
    SessionHost host;
    host.set(L"PropsString", L"UserID=3;language=chs");
    CHECK_EQ(session::GetPropValue(L"Language"), std::wstring(L"CHS"));
    host.set(L"PropsString", L"MainUserID=7;UserID=3;");
    CHECK_EQ(session::GetPropValue(L"UserID"), std::wstring(L"7"));
    host.set(L"PropsString", L"DSN={Server=db;Uid=sa};UserID=3");
    CHECK_EQ(session::GetPropValue(L"DSN"), std::wstring(L"{SERVER=DB"));
    CHECK_EQ(session::GetPropValue(L"UserID"), std::wstring(L"3"));
    host.set(L"PropsString", L"Name= äbc ");
    CHECK_EQ(session::GetPropValue(L"name"), std::wstring(L" ÄBC "));
    CHECK_EQ(session::GetPropValue(L"Missing"), std::wstring(L""));
    // Never fails: an unreadable props string, or no store at all, reads as "".
    host.fail(L"ShareProps.GetProperty", long(0x80040123), L"down");
    CHECK_EQ(session::GetPropValue(L"Name"), std::wstring(L""));
    host.fail(L"ShareProps", long(0x80004005));
    CHECK_EQ(session::GetPropValue(L"Name"), std::wstring(L""));
}

TEST_CASE(parse_props_rebuilds_the_collection) {
    CHECK(session::ParseProps(L"  UserID = { 42 } x ;  Acct = 1 ; DSN={a;b=c}"));
    CHECK_EQ(session::GetParsedItem(L"userid"), std::wstring(L"42"));
    CHECK_EQ(session::GetParsedItem(L"ACCT"), std::wstring(L"1"));
    CHECK_EQ(session::GetParsedItem(L"DSN"), std::wstring(L"a;b=c"));
    // Each parse starts from an empty collection.
    CHECK(session::ParseProps(L"Other=2"));
    Raised r = raisedBy([] { session::GetParsedItem(L"UserID"); });
    CHECK_EQ(r.hr, HRESULT(0x800A0005));
    CHECK_EQ(r.description, std::wstring(L"Invalid procedure call or argument"));
    CHECK(session::ParseProps(L""));
    CHECK_EQ(raisedBy([] { session::GetParsedItem(L"Other"); }).hr, HRESULT(0x800A0005));
    CHECK(session::ParseProps(L"=1;A=2"));
    CHECK_EQ(raisedBy([] { session::GetParsedItem(L"A"); }).hr, HRESULT(0x800A0005));

    r = raisedBy([] { session::ParseProps(L"A=1;B=2;b=3;C=4"); });
    CHECK_EQ(r.hr, HRESULT(0x800A01C9));
    CHECK_EQ(r.description, std::wstring(L"This key is already associated with an element of this collection"));
    // What was added before the doubled key stays.
    CHECK_EQ(session::GetParsedItem(L"B"), std::wstring(L"2"));
    CHECK_EQ(raisedBy([] { session::GetParsedItem(L"C"); }).hr, HRESULT(0x800A0005));
}

TEST_CASE(parsed_props_are_kept_per_thread) {
    session::ParseProps(L"Main=1");
    onSessionThread([] {
        CHECK_EQ(raisedBy([] { session::GetParsedItem(L"Main"); }).hr, HRESULT(0x800A0005));
        session::ParseProps(L"Main=2");
        CHECK_EQ(session::GetParsedItem(L"Main"), std::wstring(L"2"));
    });
    CHECK_EQ(session::GetParsedItem(L"Main"), std::wstring(L"1"));
}

TEST_CASE(lang_text_in_the_source_language_creates_no_loader) {
    SessionHost host;
    host.set(L"PropsString", L"UserID=1;language=chs");
    onSessionThread([] {
        CHECK_EQ(session::LoadLangText(L"  保存 "), std::wstring(L"  保存 "));
        CHECK_EQ(session::SessionLanguage(), std::wstring(L"CHS"));
    });
    CHECK_EQ(host.created(L"OrviResLoader"), 0L);
}

TEST_CASE(lang_text_keeps_leading_and_trailing_spaces) {
    SessionHost host;
    host.set(L"PropsString", L"UserID=1;Language=ENG");
    host.writeTable(L"OrviDesign", L"ENG", {{L"保存", L"Save"}, {L"审 核", L"Approve"}});
    onSessionThread([&] {
        CHECK_EQ(session::LoadLangText(L"  保存 "), std::wstring(L"  Save "));
        CHECK_EQ(session::LoadLangText(L"保存"), std::wstring(L"Save"));
        CHECK_EQ(session::LoadLangText(L" 审 核   "), std::wstring(L" Approve   "));
        CHECK_EQ(session::LoadLangText(L"   "), std::wstring(L"   "));
        CHECK_EQ(session::LoadLangText(L""), std::wstring(L""));
        CHECK_EQ(session::LoadLangText(L" 没有 "), std::wstring(L" 没有 "));
        // Another routine may point the loader at another base name: it is set back.
        Late loader(session::SessionLoader(L"OrviResLoader.Loader"));
        loader.set(L"ResFileBaseName", str(L"QelDesign"));
        CHECK_EQ(session::LoadLangText(L"保存"), std::wstring(L"Save"));
    });
    CHECK_EQ(textOf(host.arg(L"OrviResLoader.LoadString", 1, 1)), std::wstring(L"保存"));
    CHECK_EQ(textOf(host.arg(L"OrviResLoader.LoadString", 3, 1)), std::wstring(L"审 核"));
    CHECK_EQ(textOf(host.arg(L"OrviResLoader.LoadString", 4, 1)), std::wstring(L""));
    CHECK_EQ(host.calls(L"OrviResLoader.ResFileBaseName="), 3L);  // first use, the test's, the set back
    CHECK_EQ(host.calls(L"OrviResLoader.LanguageID="), 1L);
    CHECK_EQ(host.alive(L"OrviResLoader"), 0L);
}

TEST_CASE(lang_text_leaves_a_pending_error_as_it_was) {
    SessionHost host;
    host.set(L"PropsString", L"UserID=1;Language=ENG");
    host.writeTable(L"OrviDesign", L"ENG", {{L"保存", L"Save"}});
    onSessionThread([&] {
        ComPtr<IErrorInfo> pending = pendingError(L"调用者的错误", L"Plugin.Module", L"plugin.chm", 4711);
        // Translation that succeeds.
        SetErrorInfo(0, pending.Get());
        CHECK_EQ(session::LoadLangText(L"保存"), std::wstring(L"Save"));
        ComPtr<IErrorInfo> after = currentError();
        CHECK(after.Get() == pending.Get());
        // Translation that fails inside the loader, which reports an error of its own.
        host.fail(L"OrviResLoader.LoadString", long(0x80040200), L"resource file damaged");
        CHECK_EQ(session::LoadLangText(L" 保存"), std::wstring(L" 保存"));
        after = currentError();
        REQUIRE(after);
        CHECK(after.Get() == pending.Get());
        CHECK_EQ(descriptionOf(after.Get()), std::wstring(L"调用者的错误"));
        Bstr source, helpFile;
        DWORD context = 0;
        after->GetSource(source.put());
        after->GetHelpFile(helpFile.put());
        after->GetHelpContext(&context);
        CHECK_EQ(source.str(), std::wstring(L"Plugin.Module"));
        CHECK_EQ(helpFile.str(), std::wstring(L"plugin.chm"));
        CHECK_EQ(context, DWORD(4711));
        // Without a pending error, a failure inside leaves none behind.
        SetErrorInfo(0, nullptr);
        CHECK_EQ(session::LoadLangText(L"保存"), std::wstring(L"保存"));
        CHECK(!currentError());
        SetErrorInfo(0, nullptr);
    });
}

TEST_CASE(lang_text_without_a_loader) {
    SessionHost host;
    host.set(L"PropsString", L"UserID=1;Language=ENG");
    host.fail(L"OrviResLoader", long(0x80040154));
    onSessionThread([&] {
        ComPtr<IErrorInfo> pending = pendingError(L"pending", L"Caller", L"", 0);
        SetErrorInfo(0, pending.Get());
        CHECK_EQ(session::LoadLangText(L" 保存  "), std::wstring(L" 保存  "));
        CHECK(currentError().Get() == pending.Get());
        SetErrorInfo(0, nullptr);
        // The loader is tried again at the next translation.
        host.fail(L"OrviResLoader", 0);
        CHECK_EQ(session::LoadLangText(L"保存"), std::wstring(L"保存"));
    });
    CHECK_EQ(host.created(L"OrviResLoader"), 1L);
    CHECK_EQ(host.calls(L"OrviResLoader.LoadString"), 1L);
}

TEST_CASE(the_loader_slot_is_shared_and_kept_per_thread) {
    SessionHost host;
    host.set(L"PropsString", L"UserID=1;Language=ENG");
    onSessionThread([&] {
        IDispatch* first = session::SessionLoader(L"QelResLoader.Loader");
        // Whichever ProgID comes next, the thread's loader is the one made first.
        CHECK(session::SessionLoader(L"OrviResLoader.Loader") == first);
        session::LoadLangText(L"保存");
        CHECK_EQ(session::SessionLanguage(), std::wstring(L"ENG"));
        onSessionThread([&] { CHECK(session::SessionLoader(L"OrviResLoader.Loader") != first); });
    });
    CHECK_EQ(host.created(L"QelResLoader"), 1L);
    CHECK_EQ(host.created(L"OrviResLoader"), 1L);
    CHECK_EQ(host.alive(L"QelResLoader") + host.alive(L"OrviResLoader"), 0L);
}
