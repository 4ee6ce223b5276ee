// SendMessage as a plug-in calls it: late-bound on the bill event object, over the session kit's
// property store and the message kit's stand-in for the client's message component, which
// records every call and delivers into inboxes that any process can read.
//
// The main thread works in the source language ("Language=CHS"); the translated refusal runs on
// a thread of its own, whose session state starts empty.
#include <algorithm>
#include <cstring>
#include <cwctype>
#include <set>

#include "hostkit/FakeHost.h"
#include "hostkit/MessageKit.h"
#include "hostkit/WideText.h"
#include "test_session_support.h"

using namespace testkit;
using namespace sessiontest;
using hostkit::InboxMessage;
using hostkit::MessageHost;
using hostkit::SessionHost;

namespace {

constexpr const wchar_t* kRefusalSource = L"OrviClassEvents.BillEvent:SendMessage";

// A plug-in in a client session of operator 4711, with the message kit in a clean state.
struct Plugin {
    SessionHost session;
    MessageHost messages;
    Late ev;
    explicit Plugin(const wchar_t* props = L"UserID=4711;Language=CHS", const wchar_t* progId = L"OrviClassEvents.BillEvent") {
        session.set(L"PropsString", props);
        ev = Late::create(progId);
    }
    // Recipients whose inboxes the case reads: empty now, and cleared again at the end.
    void useInboxes(std::initializer_list<const wchar_t*> recipients) {
        for (const wchar_t* r : recipients) messages.clearInbox(r);
    }
    Outcome send(const wchar_t* title, const wchar_t* message, const Variant& users) const {
        return ev.call(L"SendMessage", {str(title), str(message), users});
    }
};

// The elements of a one-dimensional array of Variants as the kit recorded it.
std::vector<Variant> elements(const Variant& v) {
    std::vector<Variant> r;
    if (v.vt() != (VT_ARRAY | VT_VARIANT) || !V_ARRAY(&v.get())) return r;
    SAFEARRAY* array = V_ARRAY(&v.get());
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        Variant item;
        SafeArrayGetElement(array, &i, &item.get());
        r.push_back(std::move(item));
    }
    return r;
}

// The bytes of an array of bytes, with its bounds checked to start at 0.
std::string bytesOf(const Variant& v) {
    if (v.vt() != (VT_ARRAY | VT_UI1) || !V_ARRAY(&v.get())) return "<not an array of bytes>";
    SAFEARRAY* array = V_ARRAY(&v.get());
    LONG lower = -1, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    if (lower != 0) return "<lower bound not 0>";
    return std::string(static_cast<const char*>(array->pvData), size_t(upper + 1));
}

std::wstring tempDir() {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH, buffer);
    std::wstring dir(buffer, n);
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    return dir;
}

// Names of the message files in the temporary directory now.
std::set<std::wstring> messageFiles() {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((tempDir() + L"temp*.tmp").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.insert(found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

// The message files that are there now and were not before; they are deleted when it goes.
struct NewFiles {
    std::set<std::wstring> before = messageFiles();
    std::vector<std::wstring> found() const {
        std::vector<std::wstring> r;
        for (const std::wstring& name : messageFiles())
            if (!before.count(name)) r.push_back(name);
        return r;
    }
    ~NewFiles() {
        for (const std::wstring& name : found()) DeleteFileW((tempDir() + name).c_str());
    }
};

std::string fileBytes(const std::wstring& path) {
    std::string r;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) r.append(buffer, got);
    CloseHandle(file);
    return r;
}

double secondsNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

// A recipient code no other process uses at the same time.
std::wstring ownRecipient(long offset) {
    return std::to_wstring(700000000L + (long(GetCurrentProcessId()) % 1000000L) * 10 + offset);
}

void checkRefused(const Outcome& o, const wchar_t* description, const char* file, int line) {
    checkError(o, kSendFailed, kRefusalSource, file, line);
    record(o.description == description, file, line, "o.description == description",
           format("description \"%s\", expected \"%s\"", narrow(o.description).c_str(), narrow(description).c_str()));
}
#define CHECK_REFUSED(outcome, description) checkRefused((outcome), (description), __FILE__, __LINE__)

}  // namespace

TEST_CASE(one_number_reaches_one_recipient) {
    Plugin p;
    p.useInboxes({L"1001"});
    Outcome o = p.send(L"Greeting", L"Hello", Variant(1001L));
    REQUIRE(o.ok());
    CHECK_EQ(o.value.vt(), VARTYPE(VT_BOOL));
    CHECK(asBool(o.value));
    REQUIRE(p.messages.calls() == 1);
    std::vector<Variant> users = elements(p.messages.arg(1, 2));
    REQUIRE(users.size() == 1);
    CHECK_EQ(users[0].vt(), VARTYPE(VT_I4));
    CHECK_EQ(asLong(users[0]), 1001L);
    // Delivered: the operator as sender, the title, the body without the trailing 0.
    std::vector<InboxMessage> inbox = p.messages.inbox(L"1001");
    REQUIRE(inbox.size() == 1);
    CHECK_EQ(inbox[0].sender, 4711L);
    CHECK_EQ(inbox[0].kind, 0L);
    CHECK_EQ(inbox[0].title, std::wstring(L"Greeting"));
    CHECK_EQ(inbox[0].body, std::string("Hello"));
    // The component was made for this call and released after it.
    CHECK_EQ(p.messages.created(), 1L);
    CHECK_EQ(p.messages.alive(), 0L);
}

TEST_CASE(one_text_that_reads_as_a_number_is_kept_as_text) {
    Plugin p;
    p.useInboxes({L"1001"});
    CHECK(p.send(L"T", L"M", str(L"1001")).ok());
    std::vector<Variant> users = elements(p.messages.arg(-1, 2));
    REQUIRE(users.size() == 1);
    CHECK_EQ(users[0].vt(), VARTYPE(VT_BSTR));
    CHECK_EQ(asText(users[0]), std::wstring(L"1001"));
    CHECK_EQ(p.messages.inbox(L"1001").size(), size_t(1));
    // A variable passed by reference is read the same way.
    VARIANT user;
    VariantInit(&user);
    V_VT(&user) = VT_I4, V_I4(&user) = 1001;
    CHECK(p.send(L"T", L"M", ref(user)).ok());
    CHECK_EQ(p.messages.inbox(L"1001").size(), size_t(2));
}

TEST_CASE(an_empty_or_non_numeric_single_recipient_is_refused) {
    Plugin p;
    NewFiles files;
    CHECK_REFUSED(p.send(L"T", L"M", str(L"")), kNoRecipients);
    CHECK_REFUSED(p.send(L"T", L"M", str(L"ABC")), kNoRecipients);
    CHECK_REFUSED(p.send(L"T", L"M", str(L" ")), kNoRecipients);
    CHECK_REFUSED(p.send(L"T", L"M", Variant()), kNoRecipients);
    CHECK_REFUSED(p.send(L"T", L"M", null()), kNoRecipients);
    Outcome o = p.send(L"T", L"M", str(L"12abc"));
    CHECK_REFUSED(o, kNoRecipients);
    // A refusal comes without a help topic, and nothing was written or sent.
    CHECK_EQ(o.helpFile, std::wstring());
    CHECK_EQ(o.helpContext, DWORD(0));
    CHECK_EQ(p.messages.created(), 0L);
    CHECK_EQ(p.messages.calls(), 0L);
    CHECK(files.found().empty());
}

TEST_CASE(an_array_gives_its_numeric_codes_in_order) {
    Plugin p;
    p.useInboxes({L"1001", L"1002"});
    CHECK(p.send(L"T", L"M", variantArray(0, {Variant(1001L), str(L""), str(L"ABC"), Variant(1002L)})).ok());
    std::vector<Variant> users = elements(p.messages.arg(1, 2));
    REQUIRE(users.size() == 2);
    CHECK_EQ(asLong(users[0]), 1001L);
    CHECK_EQ(asLong(users[1]), 1002L);
    CHECK_EQ(p.messages.inbox(L"1001").size(), size_t(1));
    CHECK_EQ(p.messages.inbox(L"1002").size(), size_t(1));
    // An array of texts, and one passed by reference, work alike.
    CHECK(p.send(L"T", L"M", stringArray(0, {L"1002", L"x", L" 1001 "})).ok());
    users = elements(p.messages.arg(2, 2));
    REQUIRE(users.size() == 2);
    CHECK_EQ(asText(users[0]), std::wstring(L"1002"));
    CHECK_EQ(asText(users[1]), std::wstring(L" 1001 "));
    Variant held = variantArray(0, {str(L"1001")});
    CHECK(p.send(L"T", L"M", ref(held.get())).ok());
    CHECK_EQ(elements(p.messages.arg(3, 2)).size(), size_t(1));
    CHECK_EQ(p.messages.inbox(L"1001").size(), size_t(3));
    CHECK_EQ(p.messages.inbox(L"1002").size(), size_t(2));
    // An array with nothing usable in it is refused like a single bad value.
    CHECK_REFUSED(p.send(L"T", L"M", variantArray(0, {str(L""), str(L"ABC")})), kNoRecipients);
    CHECK_REFUSED(p.send(L"T", L"M", stringArray(0, {})), kNoRecipients);
}

TEST_CASE(an_array_starting_at_one_fails_with_the_subscript_error) {
    Plugin p;
    NewFiles files;
    Outcome o = p.send(L"T", L"M", variantArray(1, {Variant(1001L), Variant(1002L)}));
    CHECK_ERROR(o, kSendFailed, L"OrviClassEvents.BillEvent");
    CHECK_EQ(o.description, std::wstring(L"Subscript out of range"));
    CHECK_EQ(o.helpContext, DWORD(0));
    CHECK_EQ(p.messages.calls(), 0L);
    CHECK(files.found().empty());
}

TEST_CASE(title_and_message_may_not_both_be_empty) {
    Plugin p;
    CHECK_REFUSED(p.send(L"", L"", Variant(1001L)), kNothingToSend);
    // The recipients are checked first.
    CHECK_REFUSED(p.send(L"", L"", str(L"ABC")), kNoRecipients);
    CHECK_EQ(p.messages.calls(), 0L);
}

TEST_CASE(a_title_without_a_message_sends_an_empty_body) {
    Plugin p;
    p.useInboxes({L"1001"});
    CHECK(p.send(L"Only a title", L"", Variant(1001L)).ok());
    CHECK_EQ(bytesOf(p.messages.arg(1, 5)), std::string(1, '\0'));
    CHECK_EQ(asLong(p.messages.arg(1, 6)), 0L);
    std::vector<InboxMessage> inbox = p.messages.inbox(L"1001");
    REQUIRE(inbox.size() == 1);
    CHECK_EQ(inbox[0].body, std::string());
    // A message without a title is enough too.
    CHECK(p.send(L"", L"x", Variant(1001L)).ok());
    CHECK_EQ(asText(p.messages.arg(2, 3)), std::wstring(L""));
}

TEST_CASE(carriage_returns_of_the_title_become_character_20) {
    Plugin p;
    p.useInboxes({L"1001"});
    CHECK(p.send(L"Line 1\r\nLine 2\r", L"Body\r\n", Variant(1001L)).ok());
    CHECK_EQ(asText(p.messages.arg(1, 3)), std::wstring(L"Line 1\x14\nLine 2\x14"));
    // The message text keeps its line breaks.
    CHECK_EQ(bytesOf(p.messages.arg(1, 5)), std::string("Body\r\n", 7));
    std::vector<InboxMessage> inbox = p.messages.inbox(L"1001");
    REQUIRE(inbox.size() == 1);
    CHECK_EQ(inbox[0].title, std::wstring(L"Line 1\x14\nLine 2\x14"));
}

TEST_CASE(three_letters_give_a_buffer_of_four_bytes_and_length_three) {
    Plugin p;
    p.useInboxes({L"1001"});
    CHECK(p.send(L"T", L"abc", Variant(1001L)).ok());
    CHECK_EQ(bytesOf(p.messages.arg(1, 5)), std::string("abc", 4));
    CHECK_EQ(asLong(p.messages.arg(1, 6)), 3L);
    std::vector<InboxMessage> inbox = p.messages.inbox(L"1001");
    REQUIRE(inbox.size() == 1);
    CHECK_EQ(inbox[0].body, std::string("abc"));
}

TEST_CASE(the_six_arguments_and_how_they_are_passed) {
    Plugin p;
    p.useInboxes({L"1001"});
    CHECK(p.send(L"Title", L"Text", Variant(1001L)).ok());
    const VARTYPE expected[6] = {VT_BYREF | VT_I4,   VT_BYREF | VT_DISPATCH,          VT_BYREF | VT_BSTR,
                                 VT_I2,              VT_BYREF | VT_ARRAY | VT_UI1,   VT_BYREF | VT_I4};
    for (long i = 1; i <= 6; ++i) CHECK_EQ(long(p.messages.argType(1, i)), long(expected[i - 1]));
    CHECK_EQ(asLong(p.messages.arg(1, 1)), 4711L);
    CHECK_EQ(asText(p.messages.arg(1, 3)), std::wstring(L"Title"));
    Variant kind = p.messages.arg(1, 4);
    CHECK_EQ(kind.vt(), VARTYPE(VT_I2));
    CHECK_EQ(asLong(kind), 0L);
    CHECK_EQ(bytesOf(p.messages.arg(1, 5)), std::string("Text", 5));
    CHECK_EQ(asLong(p.messages.arg(1, 6)), 4L);
    // Six, no more.
    Late control(p.messages.kit());
    CHECK_ERROR(control.call(L"ArgType", {Variant(1L), Variant(7L)}), HRESULT(0x800A0009), L"");
}

TEST_CASE(the_recipient_list_is_a_one_based_collection) {
    // The component sees the collection the library made: Count, Item from 1, _NewEnum.
    Plugin p;
    p.useInboxes({L"1001", L"1002"});
    CHECK(p.send(L"T", L"M", variantArray(0, {Variant(1001L), str(L"1002")})).ok());
    // The kit read the object through Count and Item(1..Count): both items, in order.
    std::vector<Variant> users = elements(p.messages.arg(1, 2));
    REQUIRE(users.size() == 2);
    CHECK_EQ(asLong(users[0]), 1001L);
    CHECK_EQ(asText(users[1]), std::wstring(L"1002"));
    CHECK_EQ(p.messages.inbox(L"1002").size(), size_t(1));
}

TEST_CASE(the_message_file_is_named_by_the_time_and_left_when_the_component_fails) {
    Plugin p;
    NewFiles files;
    p.messages.failSend(0x80040200, L"Message service down", 42);
    double before = secondsNow();
    Outcome o = p.send(L"T", L"abc", Variant(1001L));
    double after = secondsNow();
    // The component's error under the library's number, with its description and source and no
    // help topic.
    CHECK_ERROR(o, kSendFailed, L"OrviMessage.CMessage");
    CHECK_EQ(o.description, std::wstring(L"Message service down"));
    CHECK_EQ(o.helpFile, std::wstring());
    CHECK_EQ(o.helpContext, DWORD(0));
    CHECK_EQ(p.messages.calls(), 1L);
    CHECK_EQ(p.messages.alive(), 0L);

    std::vector<std::wstring> left = files.found();
    REQUIRE(left.size() == 1);
    const std::wstring& name = left[0];
    // temp<seconds>.tmp: at most 7 significant digits, the locale's decimal separator, no
    // trailing zeros.
    wchar_t separator[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    REQUIRE((name.size() > 8 && name.compare(0, 4, L"temp") == 0 && name.compare(name.size() - 4, 4, L".tmp") == 0));
    std::wstring number = name.substr(4, name.size() - 8);
    size_t point = number.find(separator);
    std::wstring whole = number.substr(0, point);
    std::wstring fraction = point == std::wstring::npos ? L"" : number.substr(point + wcslen(separator));
    CHECK((!whole.empty() && std::all_of(whole.begin(), whole.end(), iswdigit)));
    CHECK(std::all_of(fraction.begin(), fraction.end(), iswdigit));
    CHECK((point == std::wstring::npos || (!fraction.empty() && fraction.back() != L'0')));
    std::wstring digits = whole + fraction;
    digits.erase(0, std::min(digits.find_first_not_of(L'0'), digits.size() - 1));
    CHECK(digits.size() <= 7);
    double seconds = std::wcstod(whole.c_str(), nullptr);
    if (!fraction.empty()) seconds += std::wcstod((L"0." + fraction).c_str(), nullptr);
    // A Single holds this time of day to within a few hundredths of a second.
    CHECK((seconds >= before - 0.1 && seconds <= after + 0.1));
    // What it holds: the message in ANSI, nothing added.
    CHECK_EQ(fileBytes(tempDir() + name), std::string("abc"));
}

TEST_CASE(no_message_file_is_left_after_a_success) {
    Plugin p;
    p.useInboxes({L"1001"});
    NewFiles files;
    CHECK(p.send(L"T", L"Some text", Variant(1001L)).ok());
    CHECK(p.send(L"T", L"", Variant(1001L)).ok());
    CHECK(files.found().empty());
    CHECK_EQ(p.messages.inbox(L"1001").size(), size_t(2));
}

TEST_CASE(a_component_that_cannot_be_created) {
    Plugin p;
    NewFiles files;
    p.messages.failCreate(REGDB_E_CLASSNOTREG);
    Outcome o = p.send(L"T", L"xyz", Variant(1001L));
    CHECK_ERROR(o, kSendFailed, L"OrviClassEvents.BillEvent");
    CHECK_EQ(o.description, std::wstring(L"ActiveX component can't create object"));
    CHECK_EQ(p.messages.calls(), 0L);
    // The file was written before the component was asked for.
    std::vector<std::wstring> left = files.found();
    REQUIRE(left.size() == 1);
    CHECK_EQ(fileBytes(tempDir() + left[0]), std::string("xyz"));
}

TEST_CASE(a_temporary_directory_that_does_not_exist_fails_with_path_not_found) {
    // The file system reports runtime error 76 without a text of its own: the plug-in reads the
    // runtime's text for it under the library's number.
    Plugin p;
    wchar_t saved[MAX_PATH + 1] = {};
    DWORD had = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
    std::wstring missing = tempDir() + L"orvi-no-such-folder\\below";
    SetEnvironmentVariableW(L"TMP", missing.c_str());
    Outcome o = p.send(L"T", L"abc", Variant(1001L));
    SetEnvironmentVariableW(L"TMP", had ? saved : nullptr);
    CHECK_EQ(o.error, kSendFailed);
    CHECK_EQ(o.description, std::wstring(L"Path not found"));
    CHECK_EQ(p.messages.created(), 0L);
}

TEST_CASE(the_kit_component_takes_any_argument_form) {
    // Called directly, by value: what a plug-in author's own test may do.
    MessageHost messages;
    std::wstring recipient = ownRecipient(3);
    messages.clearInbox(recipient);
    Late component = Late::create(L"OrviMessage.CMessage");
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 3);
    std::memcpy(array->pvData, "xyz", 3);
    Variant body;
    V_VT(&body.get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(&body.get()) = array;
    // Two of the three bytes are delivered: the length decides, not a trailing 0.
    Outcome o = component.call(L"SendMessage", {str(L"9"), str(recipient.c_str()), str(L"Hi"), Variant(3L), body,
                                                Variant(short(2))});
    REQUIRE(o.ok());
    CHECK_EQ(long(messages.argType(1, 1)), long(VT_BSTR));
    CHECK_EQ(long(messages.argType(1, 6)), long(VT_I2));
    std::vector<InboxMessage> inbox = messages.inbox(recipient);
    REQUIRE(inbox.size() == 1);
    CHECK_EQ(inbox[0].sender, 9L);
    CHECK_EQ(inbox[0].kind, 3L);
    CHECK_EQ(inbox[0].body, std::string("xy"));
    // A body that is no array of bytes, and a length beyond it, are refused (and recorded).
    CHECK_ERROR(component.call(L"SendMessage", {Variant(1L), Variant(1001L), str(L"T"), Variant(short(0)),
                                                str(L"not bytes"), Variant(1L)}),
                HRESULT(0x800A000D), L"OrviMessage.CMessage");
    CHECK_ERROR(component.call(L"SendMessage", {Variant(1L), Variant(1001L), str(L"T"), Variant(short(0)), body,
                                                Variant(4L)}),
                HRESULT(0x800A0005), L"OrviMessage.CMessage");
    CHECK_EQ(messages.calls(), 3L);
    CHECK_EQ(messages.inbox(recipient).size(), size_t(1));
}

TEST_CASE(the_kit_component_takes_a_collection_as_the_client_component_does) {
    // An object that answers Count and Item late-bound but not the automation _Collection
    // interface is refused, as by a component whose parameter is declared As Collection.
    MessageHost messages;
    Late component = Late::create(L"OrviMessage.CMessage");
    auto lookalike = hostkit::newFake(L"NotACollection");
    lookalike->returns(L"Count", Variant(1L));
    lookalike->returns(L"Item", Variant(1001L));
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 1);
    Variant body;
    V_VT(&body.get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(&body.get()) = array;
    CHECK_ERROR(component.call(L"SendMessage", {Variant(1L), obj(lookalike.Get()), str(L"T"), Variant(short(0)), body,
                                                Variant(0L)}),
                HRESULT(0x800A000D), L"OrviMessage.CMessage");
    CHECK_EQ(lookalike->count(L"Count"), size_t(0));
    CHECK_EQ(messages.calls(), 1L);
}

TEST_CASE(an_operator_id_that_is_not_a_number) {
    NewFiles files;
    {
        Plugin p(L"UserID=abc;Language=CHS");
        Outcome o = p.send(L"T", L"M", Variant(1001L));
        CHECK_ERROR(o, kSendFailed, L"OrviClassEvents.BillEvent");
        CHECK_EQ(o.description, std::wstring(L"Type mismatch"));
        CHECK_EQ(p.messages.created(), 0L);
    }
    {
        // No UserID at all reads as "", which is no number either.
        Plugin p(L"Language=CHS");
        Outcome o = p.send(L"T", L"M", Variant(1001L));
        CHECK_ERROR(o, kSendFailed, L"OrviClassEvents.BillEvent");
        CHECK_EQ(o.description, std::wstring(L"Type mismatch"));
    }
    // This fails before the file is written.
    CHECK(files.found().empty());
    {
        // The first "UserID=" anywhere in the props string is the one read.
        Plugin p(L"Language=CHS;OldUserID=12;UserID=13");
        p.useInboxes({L"1001"});
        CHECK(p.send(L"T", L"M", Variant(1001L)).ok());
        CHECK_EQ(asLong(p.messages.arg(1, 1)), 12L);
    }
}

TEST_CASE(a_chinese_message_goes_in_the_ansi_code_page) {
    Plugin p;
    p.useInboxes({L"1001"});
    const std::wstring text = L"审核通过,请查收";
    const std::wstring title = L"通知";
    CHECK(p.send(title.c_str(), text.c_str(), Variant(1001L)).ok());
    std::string expected = hostkit::narrow(text, CP_ACP);
    // On the client machines (code page 936) that is GBK: "审核" is C9 F3 BA CB.
    if (GetACP() == 936) CHECK_EQ(expected.substr(0, 4), std::string("\xC9\xF3\xBA\xCB"));
    CHECK_EQ(bytesOf(p.messages.arg(1, 5)), expected + std::string(1, '\0'));
    CHECK_EQ(asLong(p.messages.arg(1, 6)), long(expected.size()));
    // The title stays a UTF-16 string.
    CHECK_EQ(asText(p.messages.arg(1, 3)), title);
    std::vector<InboxMessage> inbox = p.messages.inbox(L"1001");
    REQUIRE(inbox.size() == 1);
    CHECK_EQ(inbox[0].body, expected);
    CHECK_EQ(inbox[0].title, title);
}

TEST_CASE(refusals_are_translated_into_the_session_language) {
    Plugin p(L"UserID=4711;Language=ENG");
    p.session.writeTable(L"OrviDesign", L"ENG", {{kNoRecipients, L"No recipients, or a recipient code is not valid!"},
                                                 {kNothingToSend, L"Title and text cannot both be empty!"}});
    onFreshThread([&] {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        Outcome o = ev.call(L"SendMessage", {str(L"T"), str(L"M"), str(L"ABC")});
        CHECK_ERROR(o, kSendFailed, kRefusalSource);
        CHECK_EQ(o.description, std::wstring(L"No recipients, or a recipient code is not valid!"));
        o = ev.call(L"SendMessage", {str(L""), str(L""), Variant(1001L)});
        CHECK_ERROR(o, kSendFailed, kRefusalSource);
        CHECK_EQ(o.description, std::wstring(L"Title and text cannot both be empty!"));
    });
}

TEST_CASE(every_send_uses_a_new_component) {
    Plugin p;
    p.useInboxes({L"1001"});
    CHECK(p.send(L"1", L"a", Variant(1001L)).ok());
    CHECK(p.send(L"2", L"b", Variant(1001L)).ok());
    CHECK_EQ(p.messages.created(), 2L);
    CHECK_EQ(p.messages.alive(), 0L);
    // The send type is optional and, given or not, changes nothing.
    CHECK(p.ev.call(L"SendMessage", {str(L"3"), str(L"c"), Variant(1001L), Variant(7L)}).ok());
    CHECK_EQ(p.messages.calls(), 3L);
    CHECK_EQ(long(p.messages.argType(3, 4)), long(VT_I2));
    std::vector<InboxMessage> inbox = p.messages.inbox(L"1001");
    REQUIRE(inbox.size() == 3);
    CHECK_EQ(inbox[0].title, std::wstring(L"1"));
    CHECK_EQ(inbox[2].title, std::wstring(L"3"));
}

// ---------------------------------------------------------------- between processes

namespace {

// Runs message_peer with the arguments and returns its exit code (STILL_ACTIVE after 60 s).
DWORD runPeer(const std::wstring& arguments) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program(self);
    program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"message_peer.exe";
    std::wstring command = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        fail(__FILE__, __LINE__, "cannot start %s", narrow(program).c_str());
        return DWORD(-1);
    }
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

}  // namespace

TEST_CASE(a_message_sent_here_is_read_in_another_process) {
    Plugin p;
    std::wstring recipient = ownRecipient(1);
    p.useInboxes({recipient.c_str()});
    CHECK(p.send(L"Approved\r\nBill 17", L"Bill 17 is approved", str(recipient.c_str())).ok());
    // The peer reads the inbox through its own control object and checks sender, title and text.
    CHECK_EQ(runPeer(L"read " + recipient + L" 4711"), DWORD(10));
    // The peer leaves the inbox as it found it.
    CHECK_EQ(p.messages.inbox(recipient).size(), size_t(1));
}

TEST_CASE(a_message_sent_in_another_process_is_read_here) {
    MessageHost messages;
    std::wstring recipient = ownRecipient(2);
    messages.clearInbox(recipient);
    CHECK_EQ(runPeer(L"send " + recipient), DWORD(10));
    std::vector<InboxMessage> inbox = messages.inbox(recipient);
    REQUIRE(inbox.size() == 1);
    CHECK_EQ(inbox[0].sender, 2L);
    CHECK_EQ(inbox[0].title, std::wstring(L"From the peer\x14\nline 2"));
    CHECK_EQ(inbox[0].body, std::string("peer text"));
    // Nothing was called in this process.
    CHECK_EQ(messages.calls(), 0L);
}

TEST_CASE(the_list_and_base_data_objects_send_the_same_way) {
    for (const wchar_t* progId : {L"OrviClassEvents.ListEvents", L"OrviClassEvents.BaseClassEvent"}) {
        {
            Plugin p(L"UserID=4711;Language=CHS", progId);
            p.useInboxes({L"1001", L"1002"});
            Outcome o = p.ev.call(L"SendMessage", {str(L"Line 1\r\nLine 2"), str(L"abc"),
                                                   variantArray(0, {Variant(1001L), str(L""), str(L"ABC"), str(L"1002")}),
                                                   Variant(3L)});
            REQUIRE(o.ok());
            CHECK(asBool(o.value));
            REQUIRE(p.messages.calls() == 1);
            std::vector<Variant> users = elements(p.messages.arg(1, 2));
            REQUIRE(users.size() == 2);
            CHECK_EQ(asLong(users[0]), 1001L);
            CHECK_EQ(asText(users[1]), std::wstring(L"1002"));
            CHECK_EQ(asText(p.messages.arg(1, 3)), std::wstring(L"Line 1\x14\nLine 2"));
            CHECK_EQ(bytesOf(p.messages.arg(1, 5)), std::string("abc", 4));
            CHECK_EQ(p.messages.inbox(L"1002").size(), size_t(1));
            // The refusals carry the same source whichever object refused.
            CHECK_REFUSED(p.ev.call(L"SendMessage", {str(L""), str(L""), Variant(1001L)}), kNothingToSend);
        }
        // Failures of the library itself carry the calling object's source.
        Plugin q(L"UserID=abc;Language=CHS", progId);
        CHECK_ERROR(q.ev.call(L"SendMessage", {str(L"T"), str(L"M"), Variant(1001L)}), kSendFailed, progId);
    }
}
