// The demo host: one client session played on the host kit's simulated forms the way the client
// drives the library, with the sample plug-in (OrviDemo.SamplePlugin, its own DLL) connected to
// each form's event object, a second client process contending for the plug-in's network lock,
// and the VBScript sample plug-in run at its fixed points.
//
//   orvi-demo.exe [DLL...]          registers the DLLs it is given (Windows paths), then plays
//   orvi-demo.exe --second-client   the second client: opens the same bill and clicks Approve;
//                                   exit 10 when its plug-in approved and saved the bill, 20 when
//                                   the plug-in was refused the lock, 30 and above for a failure
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "OrviClassEvents.h"
#include "com/ComObject.h"
#include "com/LateCall.h"
#include "hostkit/AdoRecords.h"
#include "hostkit/MessageKit.h"
#include "hostkit/SessionKit.h"
#include "hostkit/SimBill.h"
#include "hostkit/SimList.h"
#include "hostkit/ToolbarKit.h"

using orvi::com::Arg;
using orvi::com::Bstr;
using orvi::com::ComError;
using orvi::com::ComPtr;
using orvi::com::Variant;
namespace late = orvi::com;

namespace {

constexpr const wchar_t* kPluginProgId = L"OrviDemo.SamplePlugin";
constexpr int kSecondClientApproved = 10, kSecondClientRefused = 20;

void say(const std::wstring& line) {
    int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), int(line.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), int(line.size()), utf8.data(), n, nullptr, nullptr);
    std::fputs((utf8 + "\n").c_str(), stdout);
    std::fflush(stdout);  // the plug-in writes to the same handle
}

void heading(const std::wstring& title) {
    say(L"");
    say(L"== " + title);
}

std::wstring text(const Variant& v) {
    return late::toString(v.get());
}
IDispatch* object(const Variant& v) {
    return V_VT(&v.get()) == VT_DISPATCH ? V_DISPATCH(&v.get()) : nullptr;
}
const wchar_t* yesNo(VARIANT_BOOL b) {
    return b ? L"True" : L"False";
}
std::wstring color(long c) {
    wchar_t s[16];
    swprintf(s, 16, L"&H%06X", unsigned(c));
    return s;
}

ComPtr<IDispatch> create(const wchar_t* progId) {
    CLSID clsid;
    late::check(CLSIDFromProgID(progId, &clsid));
    ComPtr<IDispatch> p;
    late::check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                 reinterpret_cast<void**>(p.GetAddressOf())));
    return p;
}

bool registerDll(const std::wstring& path) {
    HMODULE dll = LoadLibraryW(path.c_str());
    auto reg = dll ? reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(dll, "DllRegisterServer")) : nullptr;
    HRESULT hr = reg ? reg() : E_FAIL;
    if (dll) FreeLibrary(dll);
    say(L"registered " + path + (SUCCEEDED(hr) ? L": ok" : L": FAILED"));
    return SUCCEEDED(hr);
}

std::wstring ownFolder() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring s(self);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

// Runs a program with its output in a temporary file, then prints that output indented.
// Answers the program's exit code (or -1 when it could not be started).
long runChild(std::wstring command) {
    wchar_t folder[MAX_PATH] = {}, file[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"orv", 0, file);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_TEMPORARY, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = si.hStdError = out;
    PROCESS_INFORMATION pi{};
    DWORD code = DWORD(-1);
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    } else {
        say(L"  cannot start: " + command);
    }
    CloseHandle(out);
    std::string bytes;
    if (FILE* f = _wfopen(file, L"rb")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
        std::fclose(f);
    }
    DeleteFileW(file);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::fputs(("  | " + line + "\n").c_str(), stdout);
        start = end + 1;
    }
    std::fflush(stdout);
    return long(code);
}

// ---------------------------------------------------------------- the client session

// The client's login has published the session in the shared property store.
struct Session {
    hostkit::SessionHost host;
    ComPtr<IDispatch> login = create(L"OrviHostKit.Login");
    Session(const wchar_t* props, const wchar_t* userName) {
        host.set(L"PropsString", props);
        host.set(L"UserName", userName);
        host.set(L"AcctName", L"演示账套");
        host.set(L"AcctID", L"3");
        host.set(L"OrviLogin", login.Get());
    }
    ~Session() { host.clear(); }
};

// A plug-in object for one form, connected to the form's event object.
struct Plugin {
    ComPtr<IDispatch> object = create(kPluginProgId);
    explicit Plugin(IDispatch* eventObject) { late::call(object.Get(), L"Connect", {eventObject}); }
    ~Plugin() {
        try {
            late::call(object.Get(), L"Disconnect");
        } catch (const ComError&) {
        }
    }
};

// A toolbar with the band "Standard" holding the given tools (IDs from 1).
ComPtr<hostkit::ToolbarControl> toolbarWith(hostkit::ToolbarControl* toolbar, std::initializer_list<const wchar_t*> names) {
    auto standard = toolbar->bands().add(L"Standard");
    long id = 1;
    for (const wchar_t* name : names) standard->tools().insert(-1, toolbar->tools().add(id++, name).Get());
    return toolbar;
}

std::wstring bandTools(hostkit::ToolbarControl* toolbar) {
    hostkit::ToolbarTools& tools = toolbar->bands().at(0)->tools();
    std::wstring order;
    for (size_t i = 0; i < tools.size(); ++i)
        order += (i ? L", " : L"") + tools.at(i)->name() + L" (" + std::to_wstring(tools.at(i)->id()) + L")";
    return order;
}

hostkit::ToolbarTool* findTool(hostkit::ToolbarControl* toolbar, const wchar_t* name) {
    hostkit::ToolbarTools& tools = toolbar->bands().at(0)->tools();
    for (size_t i = 0; i < tools.size(); ++i)
        if (tools.at(i)->name() == name) return tools.at(i);
    return nullptr;
}

// The toolbar's initialisation, through the event object; the plug-in's tool afterwards.
hostkit::ToolbarTool* initializeToolbar(IDispatch* ev, hostkit::ToolbarControl* toolbar, const wchar_t* pluginTool,
                                        bool heldToolbar = false) {
    say(L"host: band Standard holds " + bandTools(toolbar));
    say(L"host: FireBarInitialize");
    if (heldToolbar)
        late::call(ev, L"FireBarInitialize");
    else
        late::call(ev, L"FireBarInitialize", {static_cast<IDispatch*>(toolbar)});
    say(L"host: band Standard now holds " + bandTools(toolbar));
    hostkit::ToolbarTool* tool = findTool(toolbar, pluginTool);
    if (!tool) say(std::wstring(L"host: the plug-in's tool \"") + pluginTool + L"\" is not on the band");
    return tool;
}

VARIANT_BOOL click(IDispatch* ev, hostkit::ToolbarTool* tool) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    say(L"host: the user clicks \"" + tool->name() + L"\": FireBarClick");
    late::call(ev, L"FireBarClick", {static_cast<IDispatch*>(tool), Arg::refBool(cancel)});
    say(std::wstring(L"host: click answered with Cancel = ") + yesNo(cancel));
    return cancel;
}

// What the bill form holds for a header field: its data and what the form was asked to show.
std::wstring headerField(const hostkit::SampleBill& bill, const wchar_t* descriptor, const wchar_t* fkey) {
    Variant page = late::call(bill.data.Get(), L"Item", {L"Page1"});
    Variant field = late::call(object(page), L"Item", {descriptor});
    Variant shown = hostkit::shownText(bill, fkey, -1);
    return L"FFLD \"" + text(late::call(object(field), L"Item", {L"FFLD"})) + L"\", FDSP \"" +
           text(late::call(object(field), L"Item", {L"FDSP"})) + L"\", FMODIFY " +
           text(late::call(object(field), L"Item", {L"FMODIFY"})) + L", SetText got \"" + text(shown) + L"\"";
}

// Saves the bill if the plug-in lets it: BeforeSave, then AfterSave once saved.
bool save(IDispatch* ev, int attempt, const wchar_t* who = L"host") {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    say(std::wstring(who) + L": the user saves (attempt " + std::to_wstring(attempt) + L"): FireBeforeSave");
    late::call(ev, L"FireBeforeSave", {Arg::refBool(cancel)});
    if (cancel) {
        say(std::wstring(who) + L": bCancel = True: the save is cancelled");
        return false;
    }
    say(std::wstring(who) + L": bCancel = False: the bill is saved; FireAfterSave");
    VARIANT_BOOL afterCancel = VARIANT_FALSE;
    late::call(ev, L"FireAfterSave", {Arg::refBool(afterCancel)});
    return true;
}

// A VB-style array of user codes (Variant elements, from index 0).
Variant userList(std::initializer_list<long> users) {
    SAFEARRAYBOUND bound{ULONG(users.size()), 0};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
    LONG i = 0;
    for (long u : users) {
        Variant v(u);
        SafeArrayPutElement(array, &i, &v.get());
        ++i;
    }
    Variant r;
    V_VT(&r.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&r.get()) = array;
    return r;
}

// The other user's process: prints and removes the messages in its inbox; the exit code is
// their number.
int readInbox(const std::wstring& user) {
    std::vector<hostkit::InboxMessage> inbox = hostkit::readInbox(hostkit::defaultInboxFolder(), user);
    for (const hostkit::InboxMessage& m : inbox) {
        // The body is text in the sender's ANSI code page.
        std::wstring body(size_t(MultiByteToWideChar(CP_ACP, 0, m.body.data(), int(m.body.size()), nullptr, 0)), L'\0');
        MultiByteToWideChar(CP_ACP, 0, m.body.data(), int(m.body.size()), body.data(), int(body.size()));
        say(L"user " + user + L": message from user " + std::to_wstring(m.sender) + L": \"" + m.title + L"\" - " + body);
    }
    hostkit::clearInbox(hostkit::defaultInboxFolder(), user);
    return int(inbox.size());
}

long secondClient() {
    long code = runChild(L"\"" + ownFolder() + L"orvi-demo.exe\" --second-client");
    say(L"host: the second client ended with " + std::to_wstring(code) +
        (code == kSecondClientRefused   ? L": its plug-in was refused the lock"
         : code == kSecondClientApproved ? L": its plug-in got the lock, approved and saved"
                                         : L": it failed"));
    return code;
}

void billForm() {
    heading(L"bill form: OrviClassEvents.BillEvent over the simulated sales order");
    ComPtr<IDispatch> ev = create(L"OrviClassEvents.BillEvent");
    hostkit::SampleBill bill = hostkit::buildSampleBill();
    late::put(ev.Get(), L"BillCtl", Arg(static_cast<IDispatch*>(bill.billCtl.Get())));
    say(L"host: BillCtl assigned");
    for (const wchar_t* p : {L"FID", L"BillName", L"TableName", L"PrimaryKey", L"CurBillID", L"BillStatus"})
        say(std::wstring(L"  ") + p + L" = " + text(late::get(ev.Get(), p)));
    Plugin plugin(ev.Get());

    auto toolbar = toolbarWith(hostkit::newToolbar().Get(), {L"New", L"Save", L"Print"});
    hostkit::ToolbarTool* approve = initializeToolbar(ev.Get(), toolbar.Get(), L"Approve");

    save(ev.Get(), 1);
    if (approve) click(ev.Get(), approve);
    say(L"host: FStatus " + headerField(bill, L"F4", L"FStatus"));
    say(L"host: FExplanation " + headerField(bill, L"F7", L"FExplanation"));

    say(L"host: a second client process opens bill " + text(late::get(ev.Get(), L"CurBillID")) + L" and clicks Approve");
    long refused = secondClient();
    say(std::wstring(L"host: lock refused to the second process: ") + (refused == kSecondClientRefused ? L"yes" : L"NO"));

    bool saved = save(ev.Get(), 2);
    say(L"host: the second client tries again after the save");
    long granted = secondClient();
    say(std::wstring(L"host: lock granted to the second process after the commit: ") +
        (granted == kSecondClientApproved ? L"yes" : L"NO"));

    // The multi-level check: the plug-in may move the level the form goes on with.
    long level = 1;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    say(L"host: multi-level check of 3 levels starts at level 1: FireBeforeMultiCheck");
    late::call(ev.Get(), L"FireBeforeMultiCheck", {1L, 3L, 1L, Arg::ref(level), 0L, 0L, 0L, Arg::refBool(cancel)});
    say(L"host: lCheckLevel = " + std::to_wstring(level) + (level != 1 ? L": check level changed by the plug-in" : L"") +
        L", Cancel = " + yesNo(cancel));
    VARIANT_BOOL sendCheck = VARIANT_FALSE, sendAccept = VARIANT_FALSE, checkCancel = VARIANT_FALSE;
    Bstr title(L""), message(L"");
    say(L"host: FireMultiCheck at level " + std::to_wstring(level));
    late::call(ev.Get(), L"FireMultiCheck",
               {1L, 3L, 1L, level, 1L, Arg::refBool(sendCheck), Arg::refBool(sendAccept), Arg::ref(title),
                Arg::ref(message), Arg::refBool(checkCancel)});
    say(std::wstring(L"host: bSendCheckMessage = ") + yesNo(sendCheck) + L", bSendAcceptMessage = " +
        yesNo(sendAccept) + L", Cancel = " + yesNo(checkCancel));
    say(L"host: check message title \"" + title.str() + L"\", text \"" + message.str() + L"\"");

    // The check machinery sends the check message the plug-in asked for to the next checker,
    // user 8, whose client runs in another process and reads it from its inbox.
    if (sendCheck) {
        Variant recipients = userList({8L});
        hostkit::clearInbox(hostkit::defaultInboxFolder(), L"8");
        say(L"host: BillEvent.SendMessage to user 8");
        Variant sent = late::call(ev.Get(), L"SendMessage", {Arg::ref(title), Arg::ref(message), Arg::ref(recipients)});
        say(L"host: SendMessage answered " + text(sent));
        long read = runChild(L"\"" + ownFolder() + L"orvi-demo.exe\" --read-inbox 8");
        say(L"host: the other process read " + std::to_wstring(read) + L" message(s) from user 8's inbox");
    } else {
        say(L"host: no check message to send");
    }

    say(L"host: how the bill ended: " + std::wstring(saved ? L"saved" : L"NOT saved") + L", CurBillID " +
        text(late::get(ev.Get(), L"CurBillID")));
    say(L"  FStatus " + headerField(bill, L"F4", L"FStatus"));
    say(L"  FExplanation " + headerField(bill, L"F7", L"FExplanation"));
    say(L"  check level " + std::to_wstring(level) + L", check message " + (sendCheck ? L"to be sent" : L"none"));
}

// A Dictionary of one record of a recordset, as the list forms hand rows to their events.
ComPtr<hostkit::PyxDictionary> rowData(const hostkit::AdoRecordset& rs) {
    auto row = hostkit::newDictionary();
    for (const std::wstring& name : rs.fieldNames()) row->set(name, rs.field(Variant(name.c_str())));
    return row;
}

// Fills the list's rows through ListFillRow; answers the colours the rows got.
void fillRows(IDispatch* ev, IDispatch* recordset, const wchar_t* cellColumn) {
    hostkit::AdoRecordset rs(recordset);
    auto head = hostkit::newDictionary();
    for (const std::wstring& name : rs.fieldNames()) head->set(name, Variant(name.c_str()));
    long row = 0;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        ++row;
        auto data = rowData(rs);
        Bstr cell(text(rs.field(Variant(cellColumn))));
        long back = 0xFFFFFF;
        VARIANT_BOOL goOn = VARIANT_TRUE;
        say(L"host: FireListFillRow " + std::to_wstring(row));
        late::call(ev, L"FireListFillRow",
                   {row, static_cast<IDispatch*>(data.Get()), static_cast<IDispatch*>(head.Get()), Arg::ref(cell),
                    Arg::ref(back), Arg::refBool(goOn)});
        say(L"host: row " + std::to_wstring(row) + L" shown as \"" + cell.str() + L"\" on BackColor " + color(back) +
            (back != 0xFFFFFF ? L" (coloured by the plug-in)" : L""));
    }
}

void listForm(hostkit::SessionHost& session) {
    heading(L"bill list form: OrviClassEvents.ListEvents over the simulated list of sales orders");
    // The middle tier's answer to the plug-in's credit query.
    session.setQueryData(L"SELECT FName, FCreditLimit FROM t_Organization",
                         L"FName\tFCreditLimit\n东方商贸\t5000\n西部电子\t1000\n");
    ComPtr<IDispatch> ev = create(L"OrviClassEvents.ListEvents");
    hostkit::SampleList list = hostkit::buildSampleList();
    late::put(ev.Get(), L"List", Arg(static_cast<IDispatch*>(list.listCtl.Get())));
    late::putRef(ev.Get(), L"Data", Arg(static_cast<IDispatch*>(list.bill.data.Get())));
    say(L"host: List and Data assigned");
    Plugin plugin(ev.Get());

    auto toolbar = toolbarWith(hostkit::newToolbar().Get(), {L"New", L"Refresh", L"Print"});
    hostkit::ToolbarTool* check = initializeToolbar(ev.Get(), toolbar.Get(), L"CreditCheck");
    fillRows(ev.Get(), list.rsId.Get(), L"FBillNo");

    say(L"host: the user selects row 2");
    hostkit::selectRows(list, {2});
    list.listCtl->property(L"CurrentRow", Variant(2L));
    if (check) click(ev.Get(), check);
}

void baseDataForm() {
    heading(L"base-data form: OrviClassEvents.BaseClassEvent over the simulated item browser");
    ComPtr<IDispatch> ev = create(L"OrviClassEvents.BaseClassEvent");
    hostkit::SampleBrowse browse = hostkit::buildSampleBrowse();
    toolbarWith(browse.toolbar.Get(), {L"New", L"Refresh", L"Delete"});
    late::put(ev.Get(), L"BrowseCtl", Arg(static_cast<IDispatch*>(browse.browseCtl.Get())));
    for (auto [name, value] : {std::pair{L"ListActiveBar", static_cast<IDispatch*>(browse.toolbar.Get())},
                               std::pair{L"RsItem", browse.rsItem.Get()}, std::pair{L"RsId", browse.rsId.Get()},
                               std::pair{L"RsClassGroup", browse.rsClassGroup.Get()},
                               std::pair{L"DataSrv", static_cast<IDispatch*>(browse.dataSrv.Get())},
                               std::pair{L"LedgerProperty", static_cast<IDispatch*>(browse.ledger.Get())}})
        late::putRef(ev.Get(), name, Arg(value));
    say(L"host: BrowseCtl, ListActiveBar, recordsets and ledger property assigned");
    Plugin plugin(ev.Get());

    hostkit::ToolbarTool* tool = initializeToolbar(ev.Get(), browse.toolbar.Get(), L"Electronics", true);
    say(L"host: the user selects class group 02.01: FireClassGroupSelected");
    late::call(ev.Get(), L"FireClassGroupSelected", {1L, 4L, 15L, L"02.01"});
    if (tool) click(ev.Get(), tool);
    say(L"host: the browse control now lists group " +
        text(browse.browseCtl->propertyValue(L"ListedClassGroupID")) + L" and has item " +
        text(browse.browseCtl->propertyValue(L"SelectedItemID")) + L" selected");
    fillRows(ev.Get(), browse.rsItem.Get(), L"FName");
}

void scriptPlugin() {
    heading(L"VBScript plug-in: demo\\plugin.vbs run with cscript at the form's fixed points");
    long code = runChild(L"cscript.exe //nologo \"" + ownFolder() + L"plugin.vbs\"");
    say(L"host: the script plug-in ended with " + std::to_wstring(code) + (code == 0 ? L" (no failures)" : L" failures"));
}

void run() {
    Session session(L"UserID=7;UserName=wang;Language=CHS;AcctID=3", L"王工");
    say(L"host: session of user 王工 (UserID 7) published, login object " +
        std::wstring(session.login ? L"ready" : L"missing"));
    billForm();
    listForm(session.host);
    baseDataForm();
    scriptPlugin();
}

// The second client: another user's session on the same machine, the same bill and plug-in.
int runSecondClient() {
    Session session(L"UserID=8;UserName=li;Language=CHS;AcctID=3", L"李工");
    say(L"client 2: session of user 李工 (UserID 8)");
    ComPtr<IDispatch> ev = create(L"OrviClassEvents.BillEvent");
    hostkit::SampleBill bill = hostkit::buildSampleBill();
    late::put(ev.Get(), L"BillCtl", Arg(static_cast<IDispatch*>(bill.billCtl.Get())));
    say(L"client 2: bill " + text(late::get(ev.Get(), L"CurBillID")) + L" opened");
    Plugin plugin(ev.Get());
    auto toolbar = toolbarWith(hostkit::newToolbar().Get(), {L"New", L"Save", L"Print"});
    late::call(ev.Get(), L"FireBarInitialize", {static_cast<IDispatch*>(toolbar.Get())});
    hostkit::ToolbarTool* approve = findTool(toolbar.Get(), L"Approve");
    if (!approve) return 31;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    say(L"client 2: FireBarClick on \"Approve\"");
    late::call(ev.Get(), L"FireBarClick", {static_cast<IDispatch*>(approve), Arg::refBool(cancel)});
    if (cancel) {
        say(L"client 2: the plug-in cancelled the click");
        return kSecondClientRefused;
    }
    return save(ev.Get(), 1, L"client 2") ? kSecondClientApproved : 32;
}

long liveLibraryObjects(bool* loaded) {
    HMODULE lib = GetModuleHandleW(L"OrviClassEvents.dll");
    *loaded = lib != nullptr;
    auto count = lib ? reinterpret_cast<LONG(WINAPI*)()>(GetProcAddress(lib, "OrviLiveObjectCount")) : nullptr;
    return count ? count() : 0;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    LocalFree(argv);
    if (args.size() == 2 && args[0] == L"--read-inbox") return readInbox(args[1]);
    bool second = !args.empty() && args[0] == L"--second-client";
    if (!second)
        for (const std::wstring& dll : args)
            if (!registerDll(dll)) return 1;

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int rc = 0;
    try {
        if (second)
            rc = runSecondClient();
        else
            run();
    } catch (const ComError& e) {
        wchar_t hr[16];
        swprintf(hr, 16, L"0x%08X", unsigned(e.hr()));
        say(std::wstring(second ? L"client 2" : L"host") + L": error " + hr + L" " + e.description() + L" (" +
            e.source() + L")");
        rc = second ? 33 : 1;
    }
    if (!second) {
        heading(L"end of the session");
        bool loaded = false;
        long alive = liveLibraryObjects(&loaded);
        say(L"host: objects of the library still alive: " + std::to_wstring(alive) +
            (loaded ? L"" : L" (OrviClassEvents.dll not loaded)"));
        CoFreeUnusedLibraries();
        liveLibraryObjects(&loaded);
        say(std::wstring(L"host: OrviClassEvents.dll ") + (loaded ? L"still loaded" : L"unloaded") +
            L" after CoFreeUnusedLibraries");
        HMODULE plugin = GetModuleHandleW(L"OrviSamplePlugin.dll");
        auto canUnload = plugin ? reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(plugin, "DllCanUnloadNow")) : nullptr;
        say(std::wstring(L"host: objects of the plug-in still alive: ") +
            (!plugin ? L"none (OrviSamplePlugin.dll unloaded)" : canUnload && canUnload() == S_OK ? L"none" : L"SOME"));
        if (alive) rc = 1;
    }
    CoUninitialize();
    return rc;
}
