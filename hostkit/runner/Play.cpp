// Playing a session file: the forms are the host kit's simulated ones (SimBill.h, SimList.h,
// ToolbarKit.h), the session is published in the kit's property store with a login object
// (SessionKit.h, LockService.h), messages go through the kit's message component (MessageKit.h).
// Each step calls the form's event object the way the form would and then checks what the
// file expects from the answers, the form and the kit.
#include "hostkit/runner/Play.h"

#include <cstdio>
#include <map>
#include <memory>
#include <optional>

#include "com/ComObject.h"
#include "com/LateCall.h"
#include "hostkit/AdoRecords.h"
#include "hostkit/MessageKit.h"
#include "hostkit/SessionKit.h"
#include "hostkit/SimBill.h"
#include "hostkit/SimList.h"
#include "hostkit/ToolbarKit.h"

namespace runner {

using orvi::com::Arg;
using orvi::com::Bstr;
using orvi::com::ComError;
using orvi::com::ComPtr;
using orvi::com::Variant;
namespace late = orvi::com;

void say(const std::wstring& line) {
    std::fputs((narrow(line) + "\n").c_str(), stdout);
    std::fflush(stdout);  // plug-ins write to the same handle
}

std::wstring ownPath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return self;
}

Child::~Child() {
    if (process_) CloseHandle(process_);
    if (!output_.empty()) DeleteFileW(output_.c_str());
}

bool Child::start(std::wstring command) {
    wchar_t folder[MAX_PATH] = {}, file[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"orh", 0, file);
    output_ = file;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = si.hStdError = out;
    PROCESS_INFORMATION pi{};
    bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(out);
    if (!started) return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    return true;
}

long runChild(std::wstring command, DWORD seconds) {
    Child child;
    DWORD code = DWORD(-1);
    if (child.start(command)) {
        if (WaitForSingleObject(child.process(), seconds * 1000) == WAIT_TIMEOUT) {
            TerminateProcess(child.process(), 99);
            WaitForSingleObject(child.process(), 5000);
        }
        GetExitCodeProcess(child.process(), &code);
    } else {
        say(L"  cannot start: " + command);
    }
    std::string bytes;
    if (FILE* f = _wfopen(child.outputPath().c_str(), L"rb")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
        std::fclose(f);
    }
    for (size_t start = 0; start < bytes.size();) {
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

namespace {

std::wstring text(const Variant& v) {
    return late::toString(v.get());
}
IDispatch* object(const Variant& v) {
    return V_VT(&v.get()) == VT_DISPATCH ? V_DISPATCH(&v.get()) : nullptr;
}
const wchar_t* yesNo(bool b) {
    return b ? L"True" : L"False";
}
std::wstring color(long c) {
    wchar_t s[16];
    swprintf(s, 16, L"&H%06X", unsigned(c));
    return s;
}
std::wstring hex(HRESULT hr) {
    wchar_t s[16];
    swprintf(s, 16, L"0x%08X", unsigned(hr));
    return s;
}
std::wstring quoted(const std::wstring& s) {
    return L"\"" + s + L"\"";
}

ComPtr<IDispatch> create(const std::wstring& progId) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
    if (FAILED(hr)) throw ComError(hr, L"no class is registered as " + quoted(progId));
    ComPtr<IDispatch> p;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(p.GetAddressOf()));
    if (FAILED(hr)) throw ComError(hr, L"cannot create " + quoted(progId));
    return p;
}

// ---------------------------------------------------------------- results

int passed = 0, failed = 0;

void pass(const std::wstring& what) {
    ++passed;
    say(L"  pass: " + what);
}
void fail(const std::wstring& what) {
    ++failed;
    say(L"  FAIL: " + what);
}
// One expectation: `what` reads as "<what> = <actual>" when it holds.
void expectEqual(const std::wstring& what, const std::wstring& expected, const std::wstring& actual) {
    if (expected == actual)
        pass(what + L" = " + actual);
    else
        fail(what + L": expected " + expected + L", got " + actual);
}

// How a value the forms or the plug-in left reads next to a value written in the file: text as
// it is, numbers in decimal, Booleans as True/False.
std::wstring shown(const Variant& v) {
    if (V_VT(&v.get()) == VT_BOOL) return yesNo(V_BOOL(&v.get()) != VARIANT_FALSE);
    if (V_VT(&v.get()) == VT_EMPTY) return L"Empty";
    if (V_VT(&v.get()) == VT_NULL) return L"Null";
    if (V_VT(&v.get()) == VT_DISPATCH) return L"(object)";
    return text(v);
}

// Columns and rows of a session file, as text.
hostkit::TextTable textTable(const Value& v) {
    hostkit::TextTable t;
    for (const Value& c : v.find(L"columns")->items) t.columns.push_back(c.text);
    if (const Value* rows = v.find(L"rows"))
        for (const Value& r : rows->items) {
            t.rows.emplace_back();
            for (const Value& cell : r.items) t.rows.back().push_back(cell.show());
        }
    return t;
}

// ---------------------------------------------------------------- the session

struct Session {
    hostkit::SessionHost host;
    ComPtr<IDispatch> login = create(L"OrviHostKit.Login");
    Session(const Value* s, long userId, const std::wstring& userName) {
        std::wstring language = s ? s->str(L"language", L"CHS") : L"CHS";
        long account = s ? s->num(L"account_id", 1) : 1;
        host.set(L"PropsString", (L"UserID=" + std::to_wstring(userId) + L";UserName=" + userName + L";Language=" +
                                  language + L";AcctID=" + std::to_wstring(account)).c_str());
        host.set(L"UserName", userName.c_str());
        host.set(L"AcctName", (s ? s->str(L"account_name") : L"").c_str());
        host.set(L"AcctID", std::to_wstring(account).c_str());
        host.set(L"OrviLogin", login.Get());
        if (const Value* queries = s ? s->find(L"query") : nullptr)
            for (const Value& q : queries->items) {
                // The kit's middle tier takes a result as tab-separated lines, the column names first.
                hostkit::TextTable result = textTable(q);
                result.rows.insert(result.rows.begin(), result.columns);
                std::wstring table;
                for (const auto& row : result.rows) {
                    for (size_t c = 0; c < row.size(); ++c) table += (c ? L"\t" : L"") + row[c];
                    table += L"\n";
                }
                host.setQueryData(q.str(L"sql").c_str(), table.c_str());
            }
    }
    ~Session() { host.clear(); }
};

// ---------------------------------------------------------------- the forms

struct Form {
    std::wstring kind;
    ComPtr<IDispatch> ev;
    std::unique_ptr<hostkit::SampleBill> bill;  // the bill form's, or the list's current bill
    std::unique_ptr<hostkit::SampleList> list;
    std::unique_ptr<hostkit::SampleBrowse> browse;
    ComPtr<hostkit::ToolbarControl> toolbar;
    std::vector<std::pair<std::wstring, ComPtr<IDispatch>>> plugins;  // ProgID, object
    // What the last "check" step answered, for a "send-message" step after it.
    std::wstring checkTitle, checkMessage;

    hostkit::FakeObject* control() const {
        return bill && !list ? bill->billCtl.Get() : list ? list->listCtl.Get() : browse->browseCtl.Get();
    }
};

const wchar_t* eventClass(const std::wstring& kind) {
    return kind == L"bill" ? L"OrviClassEvents.BillEvent"
           : kind == L"list" ? L"OrviClassEvents.ListEvents"
                             : L"OrviClassEvents.BaseClassEvent";
}

// Writes an item of one of the kit's Dictionaries.
void setItem(IDispatch* dictionary, const wchar_t* key, const Variant& value) {
    ComPtr<IPyxDictionary> d;
    late::check(dictionary->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(d.GetAddressOf())));
    late::check(d->put_Item(Bstr(key).get(), value.get()));
}

// A bill field's data by its key: the header's, or a grid's on row `row` (from 1).
Variant fieldData(const hostkit::SampleBill& bill, const std::wstring& key, long row) {
    Variant descriptor = late::call(object(late::call(bill.tableInfo.Get(), L"Item", {L"Map"})), L"Item", {key.c_str()});
    if (text(descriptor).empty()) throw ComError(E_INVALIDARG, L"the bill has no field " + quoted(key));
    Variant info = late::call(bill.tableInfo.Get(), L"Item", {text(descriptor).c_str()});
    std::wstring page = L"Page" + text(late::call(object(info), L"Item", {L"FPage"}));
    Variant pageData = late::call(bill.data.Get(), L"Item", {page.c_str()});
    if (row > 0) {
        long lower = late::toLong(late::get(object(pageData), L"LowerBound").get());
        long count = late::toLong(late::get(object(pageData), L"Count").get());
        if (row > count) throw ComError(E_INVALIDARG, L"field " + quoted(key) + L" has no row " + std::to_wstring(row));
        Variant record = late::call(object(pageData), L"Item", {row - 1 + lower});
        Variant field = late::call(object(record), L"Item", {text(descriptor).c_str()});
        if (!object(field)) throw ComError(E_INVALIDARG, L"field " + quoted(key) + L" has no row " + std::to_wstring(row));
        return field;
    }
    Variant field = late::call(object(pageData), L"Item", {text(descriptor).c_str()});
    if (!object(field)) throw ComError(E_INVALIDARG, L"field " + quoted(key) + L" is not a header field (give its row)");
    return field;
}

// A file's value as the bill keeps it.
Variant variantOf(const Value& value) {
    switch (value.kind) {
    case Value::Int: return Variant(long(value.i));
    case Value::Float: return Variant(value.f);
    case Value::Bool: return Variant(value.b);
    default: return Variant(value.show().c_str());
    }
}

// The value of a bill field by its key (a grid's on row `row`): FFLD and FDSP both.
void setFieldValue(const hostkit::SampleBill& bill, const std::wstring& key, long row, const Value& value) {
    Variant field = fieldData(bill, key, row);
    Variant v = value.kind == Value::Int ? Variant(long(value.i)) : Variant(value.show().c_str());
    setItem(object(field), L"FFLD", v);
    setItem(object(field), L"FDSP", Variant(value.show().c_str()));
}

void addBands(hostkit::ToolbarControl* toolbar, const Value* bands) {
    if (!bands) return;
    long id = 1;
    for (const Value& b : bands->items) {
        auto band = toolbar->bands().add(b.str(L"band"));
        if (const Value* tools = b.find(L"tools"))
            for (const Value& t : tools->items) band->tools().insert(-1, toolbar->tools().add(id++, t.text).Get());
    }
}

std::wstring bandTools(hostkit::ToolbarBand* band) {
    std::wstring order;
    for (size_t i = 0; i < band->tools().size(); ++i) order += (i ? L", " : L"") + band->tools().at(i)->name();
    return L"[" + order + L"]";
}

hostkit::ToolbarBand* findBand(hostkit::ToolbarControl* toolbar, const std::wstring& name) {
    for (size_t i = 0; i < toolbar->bands().size(); ++i)
        if (toolbar->bands().at(i)->name() == name) return toolbar->bands().at(i);
    return nullptr;
}

// A tool on one of the bands by its caption, or else by its name.
hostkit::ToolbarTool* findTool(hostkit::ToolbarControl* toolbar, const std::wstring& caption) {
    hostkit::ToolbarTool* named = nullptr;
    for (size_t b = 0; b < toolbar->bands().size(); ++b) {
        hostkit::ToolbarTools& tools = toolbar->bands().at(b)->tools();
        for (size_t i = 0; i < tools.size(); ++i) {
            if (text(tools.at(i)->prop(L"Caption")) == caption) return tools.at(i);
            if (!named && tools.at(i)->name() == caption) named = tools.at(i);
        }
    }
    return named;
}

// The bill template a form's "pages" describe (checked when the file was read).
hostkit::BillLayoutDesc billLayout(const Value& pages) {
    hostkit::BillLayoutDesc shape;
    for (const Value& p : pages.items) {
        hostkit::BillPageDesc page;
        page.grid = p.str(L"kind") == L"grid";
        page.table = p.str(L"table", page.grid ? L"t_BillEntry" + std::to_wstring(shape.pages.size()) : L"t_Bill");
        std::vector<Variant> header;
        for (const Value& f : p.find(L"fields")->items) {
            hostkit::BillFieldDesc field;
            field.key = f.str(L"key");
            field.caption = f.str(L"caption", field.key);
            const std::wstring ctl = f.str(L"ctl", L"text");
            field.ctlType = ctl == L"date" ? 3 : ctl == L"check" ? 4 : ctl == L"list" ? 8 : 1;
            const Value* value = f.find(L"value");
            field.valueType = ctl == L"date" ? 61 : ctl == L"check" ? 104 : value && value->kind == Value::Int ? 56
                            : value && value->kind == Value::Float                                          ? 60
                                                                                                            : 167;
            for (const auto& [items, into] : {std::pair{L"lookup", &field.lookup}, std::pair{L"list", &field.list}})
                if (const Value* table = f.find(items))
                    for (const auto& [code, shown] : table->fields) into->push_back({code, shown.text});
            header.push_back(value ? variantOf(*value) : Variant(L""));
            page.fields.push_back(std::move(field));
        }
        if (!page.grid) page.rows.push_back(std::move(header));
        if (const Value* rows = p.find(L"rows"))
            for (const Value& r : rows->items) {
                std::vector<Variant> row;
                for (const Value& v : r.items) row.push_back(variantOf(v));
                page.rows.push_back(std::move(row));
            }
        shape.pages.push_back(std::move(page));
    }
    return shape;
}

std::unique_ptr<Form> openForm(const Value& entry, const Value& plugins, const std::wstring& who = L"host") {
    auto form = std::make_unique<Form>();
    form->kind = entry.str(L"kind");
    form->ev = create(eventClass(form->kind));
    if (form->kind == L"bill") {
        const Value* pages = entry.find(L"pages");
        form->bill = std::make_unique<hostkit::SampleBill>(pages ? hostkit::buildBill(billLayout(*pages)) : hostkit::buildSampleBill());
        if (const Value* fields = entry.find(L"fields"))
            for (const auto& [key, value] : fields->fields) setFieldValue(*form->bill, key, 0, value);
        late::put(form->ev.Get(), L"BillCtl", Arg(static_cast<IDispatch*>(form->bill->billCtl.Get())));
        form->toolbar = hostkit::newToolbar();
        say(who + L": BillCtl assigned (bill " + text(late::get(form->ev.Get(), L"CurBillID")) + L")");
    } else if (form->kind == L"list") {
        const Value* rows = entry.find(L"list");
        form->list = std::make_unique<hostkit::SampleList>(rows ? hostkit::buildList(textTable(*rows)) : hostkit::buildSampleList());
        late::put(form->ev.Get(), L"List", Arg(static_cast<IDispatch*>(form->list->listCtl.Get())));
        late::putRef(form->ev.Get(), L"Data", Arg(static_cast<IDispatch*>(form->list->bill.data.Get())));
        form->toolbar = hostkit::newToolbar();
        say(who + L": List and Data assigned");
    } else {
        const Value *groups = entry.find(L"groups"), *items = entry.find(L"items");
        form->browse = std::make_unique<hostkit::SampleBrowse>(hostkit::buildBrowse(
            groups ? textTable(*groups) : hostkit::sampleClassGroups(), items ? textTable(*items) : hostkit::sampleItems()));
        hostkit::SampleBrowse& b = *form->browse;
        form->toolbar = b.toolbar;
        late::put(form->ev.Get(), L"BrowseCtl", Arg(static_cast<IDispatch*>(b.browseCtl.Get())));
        for (auto [name, value] : {std::pair{L"ListActiveBar", static_cast<IDispatch*>(b.toolbar.Get())},
                                   std::pair{L"RsItem", b.rsItem.Get()}, std::pair{L"RsId", b.rsId.Get()},
                                   std::pair{L"RsClassGroup", b.rsClassGroup.Get()},
                                   std::pair{L"DataSrv", static_cast<IDispatch*>(b.dataSrv.Get())},
                                   std::pair{L"LedgerProperty", static_cast<IDispatch*>(b.ledger.Get())}})
            late::putRef(form->ev.Get(), name, Arg(value));
        say(who + L": BrowseCtl, ListActiveBar, recordsets and ledger property assigned");
    }
    addBands(form->toolbar.Get(), entry.find(L"toolbar"));
    for (size_t b = 0; b < form->toolbar->bands().size(); ++b)
        say(who + L": band " + form->toolbar->bands().at(b)->name() + L" holds " + bandTools(form->toolbar->bands().at(b)));
    for (const Value& p : plugins.items) {
        std::wstring progId = p.str(L"progid");
        ComPtr<IDispatch> plugin = create(progId);
        std::wstring member = p.str(L"connect", L"Connect");
        if (p.str(L"connect_by", L"call") == L"set") {
            late::putRef(plugin.Get(), member.c_str(), Arg(form->ev.Get()));
            say(who + L": Set " + progId + L"." + member + L" = the event object");
        } else {
            late::call(plugin.Get(), member.c_str(), {form->ev.Get()});
            say(who + L": " + progId + L"." + member + L" given the event object");
        }
        form->plugins.push_back({progId, plugin});
    }
    return form;
}

void closeForm(Form& form, const Value& plugins) {
    for (size_t i = 0; i < form.plugins.size() && i < plugins.items.size(); ++i) {
        const Value* disconnect = plugins.items[i].find(L"disconnect");
        if (!disconnect) continue;
        try {
            late::call(form.plugins[i].second.Get(), disconnect->text.c_str());
        } catch (const ComError& e) {
            fail(form.plugins[i].first + L"." + disconnect->text + L" failed: " + hex(e.hr()) + L" " + e.description());
        }
    }
}

// ---------------------------------------------------------------- the steps

// What a step answered, for its expectations.
struct Answers {
    std::optional<bool> cancel, saved, sendCheck, sendAccept, sent;
    std::optional<long> level, exit;
    std::optional<std::wstring> title, message, secondClient;
    std::map<long, std::pair<long, std::wstring>> rows;  // row -> back colour, cell text
};

// A plug-in's handler that fails cannot tell the form (the event object drops the failure), but
// a handler that raises leaves its error record on the thread: the runner reports it.
void clearErrorRecord() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) info->Release();
}
void reportErrorRecord(const std::wstring& step) {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return;
    BSTR description = nullptr, source = nullptr;
    info->GetDescription(&description);
    info->GetSource(&source);
    fail(step + L": a plug-in raised an error: " + std::wstring(description ? description : L"") + L" (" +
         std::wstring(source ? source : L"") + L")");
    SysFreeString(description);
    SysFreeString(source);
    info->Release();
}

void click(Form& form, const std::wstring& caption, Answers& a, const wchar_t* who = L"host") {
    hostkit::ToolbarTool* tool = findTool(form.toolbar.Get(), caption);
    if (!tool) throw ComError(E_INVALIDARG, L"no tool " + quoted(caption) + L" on the toolbar");
    VARIANT_BOOL cancel = VARIANT_FALSE;
    say(std::wstring(who) + L": the user clicks " + quoted(caption) + L": FireBarClick");
    late::call(form.ev.Get(), L"FireBarClick", {static_cast<IDispatch*>(tool), Arg::refBool(cancel)});
    a.cancel = cancel != VARIANT_FALSE;
    say(std::wstring(who) + L": click answered with Cancel = " + yesNo(*a.cancel));
}

void save(Form& form, Answers& a, const wchar_t* who = L"host") {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    say(std::wstring(who) + L": the user saves: FireBeforeSave");
    late::call(form.ev.Get(), L"FireBeforeSave", {Arg::refBool(cancel)});
    a.cancel = cancel != VARIANT_FALSE;
    a.saved = !*a.cancel;
    if (*a.cancel) {
        say(std::wstring(who) + L": bCancel = True: the save is cancelled");
        return;
    }
    say(std::wstring(who) + L": bCancel = False: the bill is saved; FireAfterSave");
    VARIANT_BOOL after = VARIANT_FALSE;
    late::call(form.ev.Get(), L"FireAfterSave", {Arg::refBool(after)});
}

void initializeToolbar(Form& form, const std::wstring& who = L"host") {
    say(who + L": FireBarInitialize");
    // The base-data form's event object already holds its toolbar (ListActiveBar).
    if (form.kind == L"base")
        late::call(form.ev.Get(), L"FireBarInitialize");
    else
        late::call(form.ev.Get(), L"FireBarInitialize", {static_cast<IDispatch*>(form.toolbar.Get())});
    for (size_t b = 0; b < form.toolbar->bands().size(); ++b)
        say(who + L": band " + form.toolbar->bands().at(b)->name() + L" now holds " + bandTools(form.toolbar->bands().at(b)));
}

// A VB-style array of recipients (Variant elements, from index 0).
Variant recipientList(const Value& to) {
    SAFEARRAYBOUND bound{ULONG(to.items.size()), 0};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
    LONG i = 0;
    for (const Value& r : to.items) {
        Variant v = r.kind == Value::Int ? Variant(long(r.i)) : Variant(r.text.c_str());
        SafeArrayPutElement(array, &i, &v.get());
        ++i;
    }
    Variant list;
    V_VT(&list.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&list.get()) = array;
    return list;
}

ComPtr<hostkit::PyxDictionary> rowData(const hostkit::AdoRecordset& rs) {
    auto row = hostkit::newDictionary();
    for (const std::wstring& name : rs.fieldNames()) row->set(name, rs.field(Variant(name.c_str())));
    return row;
}

void fillRows(Form& form, const std::wstring& column, Answers& a) {
    IDispatch* recordset = form.list ? form.list->rsId.Get() : form.browse->rsItem.Get();
    hostkit::AdoRecordset rs(recordset);
    auto head = hostkit::newDictionary();
    for (const std::wstring& name : rs.fieldNames()) head->set(name, Variant(name.c_str()));
    long row = 0;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        ++row;
        auto data = rowData(rs);
        Bstr cell(text(rs.field(Variant(column.c_str()))));
        long back = 0xFFFFFF;
        VARIANT_BOOL goOn = VARIANT_TRUE;
        late::call(form.ev.Get(), L"FireListFillRow",
                   {row, static_cast<IDispatch*>(data.Get()), static_cast<IDispatch*>(head.Get()), Arg::ref(cell),
                    Arg::ref(back), Arg::refBool(goOn)});
        say(L"host: row " + std::to_wstring(row) + L" shown as " + quoted(cell.str()) + L" on BackColor " + color(back) +
            (back != 0xFFFFFF ? L" (coloured by the plug-in)" : L""));
        a.rows[row] = {back, cell.str()};
        if (!goOn) {
            say(L"host: the plug-in stopped the row events");
            break;
        }
    }
}

struct Player {
    const SessionFile& file;
    Session& session;
    size_t formIndex = 0;
    int stepNumber = 0;

    void play(Form& form, const Value& step, size_t index) {
        std::wstring action = step.str(L"do");
        std::wstring title = step.str(L"title", action == L"click"    ? L"click " + quoted(step.str(L"tool"))
                                                : action == L"change" ? L"change " + step.str(L"field")
                                                                      : action);
        ++stepNumber;
        std::wstring name = L"step " + std::to_wstring(stepNumber) + L" (" + title + L", line " + std::to_wstring(step.line) + L")";
        say(L"-- step " + std::to_wstring(stepNumber) + L": " + title + L" (line " + std::to_wstring(step.line) + L")");
        Answers a;
        clearErrorRecord();
        try {
            act(form, action, step, index, a);
        } catch (const ComError& e) {
            fail(name + L": error " + hex(e.hr()) + L" " + e.description() + (e.source().empty() ? L"" : L" (" + e.source() + L")"));
            clearErrorRecord();
            return;
        }
        reportErrorRecord(name);
        if (const Value* expect = step.find(L"expect")) check(form, *expect, a);
    }

    void act(Form& form, const std::wstring& action, const Value& step, size_t index, Answers& a) {
        if (action == L"toolbar") {
            initializeToolbar(form);
        } else if (action == L"click") {
            click(form, step.str(L"tool"), a);
        } else if (action == L"save") {
            save(form, a);
        } else if (action == L"change") {
            change(form, step, a);
        } else if (action == L"check") {
            multiCheck(form, step, a);
        } else if (action == L"send-message") {
            sendMessage(form, step, a);
        } else if (action == L"fill") {
            fillRows(form, step.str(L"column", form.list ? L"FBillNo" : L"FName"), a);
        } else if (action == L"select") {
            std::vector<long> rows;
            for (const Value& r : step.find(L"rows")->items) rows.push_back(long(r.i));
            hostkit::selectRows(*form.list, rows);
            long current = step.num(L"current", rows.empty() ? 1 : rows.front());
            form.list->listCtl->property(L"CurrentRow", Variant(current));
            say(L"host: the user selects row(s) " + step.find(L"rows")->show() + L", current row " + std::to_wstring(current) +
                L": FireListRowSelected");
            late::call(form.ev.Get(), L"FireListRowSelected", {current});
        } else if (action == L"select-group") {
            say(L"host: the user selects class group " + step.str(L"number") + L": FireClassGroupSelected");
            late::call(form.ev.Get(), L"FireClassGroupSelected",
                       {step.num(L"button", 1), step.num(L"type", 4), step.num(L"id"), step.str(L"number").c_str()});
        } else if (action == L"second-client") {
            say(L"host: user " + std::to_wstring(step.num(L"user_id")) + L" opens the same bill in another process and clicks " +
                quoted(step.str(L"tool")));
            long code = runChild(L"\"" + ownPath() + L"\" --second-client \"" + file.path + L"\" " + std::to_wstring(formIndex) +
                                 L" " + std::to_wstring(index));
            a.secondClient = code == kRefused ? L"refused" : code == kGranted ? L"granted" : L"failed (" + std::to_wstring(code) + L")";
            say(L"host: the second client ended with " + std::to_wstring(code) + L": " +
                (code == kRefused   ? L"its plug-in was refused the lock"
                 : code == kGranted ? L"its plug-in got the lock, approved and saved"
                                    : L"it failed"));
        } else if (action == L"script") {
            std::wstring path = step.str(L"file");
            if (path.size() < 2 || (path[1] != L':' && path[0] != L'\\' && path[0] != L'/')) path = file.folder + path;
            say(L"host: cscript " + path);
            a.exit = runChild(L"cscript.exe //nologo \"" + path + L"\"");
            say(L"host: the script ended with " + std::to_wstring(*a.exit));
        }
    }

    void change(Form& form, const Value& step, Answers& a) {
        const hostkit::SampleBill& bill = *form.bill;
        std::wstring key = step.str(L"field");
        long row = step.num(L"row", 0);
        setFieldValue(bill, key, row, *step.find(L"value"));
        Variant descriptor = late::call(object(late::call(bill.tableInfo.Get(), L"Item", {L"Map"})), L"Item", {key.c_str()});
        Variant dct = late::call(bill.tableInfo.Get(), L"Item", {text(descriptor).c_str()});
        Variant field = fieldData(bill, key, row);
        setItem(object(field), L"FMODIFY", Variant(short(1)));
        VARIANT_BOOL cancel = VARIANT_FALSE;
        say(L"host: the user types " + quoted(step.find(L"value")->show()) + L" into " + key +
            (row > 0 ? L" on row " + std::to_wstring(row) : L"") + L": FireChange");
        late::call(form.ev.Get(), L"FireChange", {object(dct), object(field), 0L, row, Arg::refBool(cancel)});
        a.cancel = cancel != VARIANT_FALSE;
        say(std::wstring(L"host: change answered with Cancel = ") + yesNo(*a.cancel));
    }

    void multiCheck(Form& form, const Value& step, Answers& a) {
        long mode = step.num(L"mode", 1), levels = step.num(L"levels", 3), level = step.num(L"level", 1);
        VARIANT_BOOL cancel = VARIANT_FALSE;
        say(L"host: multi-level check of " + std::to_wstring(levels) + L" levels at level " + std::to_wstring(level) +
            L": FireBeforeMultiCheck");
        late::call(form.ev.Get(), L"FireBeforeMultiCheck",
                   {mode, levels, 1L, Arg::ref(level), 0L, 0L, 0L, Arg::refBool(cancel)});
        a.level = level;
        a.cancel = cancel != VARIANT_FALSE;
        say(L"host: lCheckLevel = " + std::to_wstring(level) + L", Cancel = " + yesNo(*a.cancel));
        if (*a.cancel) return;
        VARIANT_BOOL sendCheck = VARIANT_FALSE, sendAccept = VARIANT_FALSE, checkCancel = VARIANT_FALSE;
        Bstr title(L""), message(L"");
        say(L"host: FireMultiCheck at level " + std::to_wstring(level));
        late::call(form.ev.Get(), L"FireMultiCheck",
                   {mode, levels, 1L, level, 1L, Arg::refBool(sendCheck), Arg::refBool(sendAccept), Arg::ref(title),
                    Arg::ref(message), Arg::refBool(checkCancel)});
        a.sendCheck = sendCheck != VARIANT_FALSE;
        a.sendAccept = sendAccept != VARIANT_FALSE;
        a.cancel = checkCancel != VARIANT_FALSE;
        a.title = form.checkTitle = title.str();
        a.message = form.checkMessage = message.str();
        say(std::wstring(L"host: bSendCheckMessage = ") + yesNo(*a.sendCheck) + L", bSendAcceptMessage = " +
            yesNo(*a.sendAccept) + L", Cancel = " + yesNo(*a.cancel));
        say(L"host: check message title " + quoted(*a.title) + L", text " + quoted(*a.message));
        say(std::wstring(L"host: the level is ") + (*a.cancel ? L"not passed" : L"passed") + L": FireAfterMultiCheck");
        late::call(form.ev.Get(), L"FireAfterMultiCheck", {mode, levels, 1L, level, 1L, Arg::boolean(*a.cancel ? VARIANT_FALSE : VARIANT_TRUE)});
    }

    void sendMessage(Form& form, const Value& step, Answers& a) {
        const Value& to = *step.find(L"to");
        for (const Value& r : to.items) hostkit::clearInbox(hostkit::defaultInboxFolder(), r.show());
        Bstr title(step.str(L"message_title", form.checkTitle)), message(step.str(L"message_text", form.checkMessage));
        Variant recipients = recipientList(to);
        say(L"host: SendMessage " + quoted(title.str()) + L" to " + to.show());
        Variant sent = late::call(form.ev.Get(), L"SendMessage", {Arg::ref(title), Arg::ref(message), Arg::ref(recipients)});
        a.sent = V_VT(&sent.get()) == VT_BOOL ? V_BOOL(&sent.get()) != VARIANT_FALSE : late::toBool(sent.get());
        say(L"host: SendMessage answered " + shown(sent));
    }

    // ---------------------------------------------------------------- expectations

    void check(Form& form, const Value& expect, const Answers& a) {
        for (const auto& [key, value] : expect.fields) {
            if (key == L"fields") {
                for (const auto& [fkey, field] : value.fields) checkField(form, fkey, field);
            } else if (key == L"tools") {
                for (const auto& [bandName, tools] : value.fields) {
                    hostkit::ToolbarBand* band = findBand(form.toolbar.Get(), bandName);
                    if (!band)
                        fail(L"band " + bandName + L": there is no such band");
                    else
                        expectEqual(L"tools on band " + bandName, tools.show(), bandTools(band));
                }
            } else if (key == L"rows") {
                for (const auto& [row, want] : value.fields) {
                    long n = std::wcstol(row.c_str(), nullptr, 10);
                    auto got = a.rows.find(n);
                    if (got == a.rows.end()) {
                        fail(L"row " + row + L": the step filled no such row");
                        continue;
                    }
                    if (const Value* back = want.find(L"back"))
                        expectEqual(L"row " + row + L" BackColor", back->kind == Value::Int ? color(long(back->i)) : back->text,
                                    color(got->second.first));
                    if (const Value* cell = want.find(L"text"))
                        expectEqual(L"row " + row + L" text", quoted(cell->show()), quoted(got->second.second));
                }
            } else if (key == L"property") {
                for (const auto& [name, want] : value.fields)
                    expectEqual(L"the form's " + name, want.show(), shown(form.control()->propertyValue(name)));
            } else if (key == L"captions") {
                for (const auto& [caption, want] : value.fields) {
                    hostkit::ToolbarTool* tool = findTool(form.toolbar.Get(), caption);
                    if (!tool)
                        fail(L"tool " + caption + L": there is no such tool on the toolbar");
                    else
                        expectEqual(L"caption of tool " + caption, quoted(want.text), quoted(text(tool->prop(L"Caption"))));
                }
            } else if (key == L"status") {
                // What the form was last asked to show in its status bar (SetStatus's text).
                hostkit::FakeObject* ctl = form.control();
                const hostkit::RecordedCall* last = ctl->last(L"SetStatus");
                if (!last || last->args.size() < 2)
                    fail(L"the status: expected " + quoted(value.text) + L", the form was never asked to show one");
                else
                    expectEqual(L"the status", quoted(value.text), quoted(text(last->args[1].value)));
            } else if (key == L"inbox") {
                for (const auto& [user, box] : value.fields) checkInbox(user, box);
            } else if (key == L"locks") {
                expectEqual(L"network locks held by this session", value.show(),
                            text(late::get(session.login.Get(), L"SessionTasks")));
            } else {
                checkAnswer(key, value, a);
            }
        }
    }

    void checkAnswer(const std::wstring& key, const Value& want, const Answers& a) {
        auto flag = [&](const wchar_t* what, const std::optional<bool>& got) {
            if (!got) return fail(std::wstring(what) + L": the step gives no such answer");
            expectEqual(what, want.show(), yesNo(*got));
        };
        auto number = [&](const wchar_t* what, const std::optional<long>& got) {
            if (!got) return fail(std::wstring(what) + L": the step gives no such answer");
            expectEqual(what, want.show(), std::to_wstring(*got));
        };
        auto words = [&](const wchar_t* what, const std::optional<std::wstring>& got) {
            if (!got) return fail(std::wstring(what) + L": the step gives no such answer");
            expectEqual(what, quoted(want.show()), quoted(*got));
        };
        if (key == L"cancel") flag(L"Cancel", a.cancel);
        else if (key == L"saved") flag(L"saved", a.saved);
        else if (key == L"send_check_message") flag(L"bSendCheckMessage", a.sendCheck);
        else if (key == L"send_accept_message") flag(L"bSendAcceptMessage", a.sendAccept);
        else if (key == L"sent") flag(L"SendMessage answered", a.sent);
        else if (key == L"level") number(L"lCheckLevel", a.level);
        else if (key == L"exit") number(L"exit code", a.exit);
        else if (key == L"check_title") words(L"check message title", a.title);
        else if (key == L"check_message") words(L"check message text", a.message);
        else if (key == L"second_client") {
            if (!a.secondClient) return fail(L"second client: the step gives no such answer");
            expectEqual(L"second client", want.text, *a.secondClient);
        }
    }

    void checkField(Form& form, const std::wstring& key, const Value& want) {
        if (!form.bill) return fail(L"field " + key + L": the form has no bill");
        const hostkit::SampleBill& bill = *form.bill;
        Variant descriptor = late::call(object(late::call(bill.tableInfo.Get(), L"Item", {L"Map"})), L"Item", {key.c_str()});
        if (text(descriptor).empty()) return fail(L"field " + key + L": the bill has no such field");
        Variant info = late::call(bill.tableInfo.Get(), L"Item", {text(descriptor).c_str()});
        std::wstring page = L"Page" + text(late::call(object(info), L"Item", {L"FPage"}));
        IDispatch* pageData = object(late::call(bill.data.Get(), L"Item", {page.c_str()}));
        long row = want.num(L"row", 0);
        IDispatch* record = pageData;
        if (row > 0) {
            long lower = late::toLong(late::get(pageData, L"LowerBound").get());
            Variant r = late::call(pageData, L"Item", {row - 1 + lower});
            record = object(r);
            if (!record) return fail(L"field " + key + L": no row " + std::to_wstring(row));
            Variant field = late::call(record, L"Item", {text(descriptor).c_str()});
            return compareField(bill, key, row, object(field), want);
        }
        Variant field = late::call(record, L"Item", {text(descriptor).c_str()});
        compareField(bill, key, -1, object(field), want);
    }

    void compareField(const hostkit::SampleBill& bill, const std::wstring& key, long row, IDispatch* field, const Value& want) {
        std::wstring where = L"field " + key + (row > 0 ? L" row " + std::to_wstring(row) : L"");
        if (!field) return fail(where + L": no data (a grid field needs \"row\")");
        for (const auto& [item, value] : want.fields) {
            if (item == L"row") continue;
            if (item == L"shown")
                expectEqual(where + L" shown", quoted(value.show()), quoted(text(hostkit::shownText(bill, key, row))));
            else
                expectEqual(where + L" " + item, quoted(value.show()), quoted(shown(late::call(field, L"Item", {item.c_str()}))));
        }
    }

    void checkInbox(const std::wstring& user, const Value& want) {
        std::vector<hostkit::InboxMessage> inbox = hostkit::readInbox(hostkit::defaultInboxFolder(), user);
        if (const Value* from = want.find(L"from")) {
            if (inbox.empty()) fail(L"user " + user + L"'s inbox: no message from " + from->show());
            for (const hostkit::InboxMessage& m : inbox)
                expectEqual(L"user " + user + L"'s message from", from->show(), std::to_wstring(m.sender));
        }
        if (const Value* title = want.find(L"title")) {
            if (inbox.empty()) fail(L"user " + user + L"'s inbox: no message titled " + quoted(title->text));
            for (const hostkit::InboxMessage& m : inbox)
                expectEqual(L"user " + user + L"'s message title", quoted(title->text), quoted(m.title));
        }
        // The recipient's own process reads (and removes) them.
        long read = runChild(L"\"" + ownPath() + L"\" --read-inbox " + user);
        if (const Value* count = want.find(L"count"))
            expectEqual(L"messages read by user " + user + L"'s process", count->show(), std::to_wstring(read));
    }
};

long liveLibraryObjects(bool* loaded) {
    HMODULE lib = GetModuleHandleW(L"OrviClassEvents.dll");
    *loaded = lib != nullptr;
    auto count = lib ? reinterpret_cast<LONG(WINAPI*)()>(GetProcAddress(lib, "OrviLiveObjectCount")) : nullptr;
    return count ? count() : 0;
}

// The DLL a plug-in's ProgID leads to, when this process has it loaded.
HMODULE pluginModule(const std::wstring& progId) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) return nullptr;
    wchar_t guid[64];
    StringFromGUID2(clsid, guid, 64);
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof path;
    std::wstring key = L"CLSID\\" + std::wstring(guid) + L"\\InprocServer32";
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS) return nullptr;
    return GetModuleHandleW(path);
}

}  // namespace

int playSession(const SessionFile& file) {
    const Value& root = file.root;
    const Value* s = root.find(L"session");
    const Value& plugins = *root.find(L"plugins");
    {
        long userId = s ? s->num(L"user_id", 1) : 1;
        std::wstring userName = s ? s->str(L"user_name", L"user") : L"user";
        Session session(s, userId, userName);
        say(L"host: session of user " + userName + L" (UserID " + std::to_wstring(userId) + L") published");
        Player player{file, session};
        const Value& forms = *root.find(L"forms");
        for (size_t f = 0; f < forms.items.size(); ++f) {
            const Value& entry = forms.items[f];
            player.formIndex = f;
            say(L"");
            say(L"== form " + std::to_wstring(f + 1) + L": " + entry.str(L"title", entry.str(L"kind")) + L" (" +
                eventClass(entry.str(L"kind")) + L", line " + std::to_wstring(entry.line) + L")");
            std::unique_ptr<Form> form;
            try {
                form = openForm(entry, plugins);
            } catch (const ComError& e) {
                fail(L"form " + std::to_wstring(f + 1) + L" could not be opened: error " + hex(e.hr()) + L" " + e.description() +
                     (e.source().empty() ? L"" : L" (" + e.source() + L")"));
                continue;
            }
            if (const Value* steps = entry.find(L"steps"))
                for (size_t i = 0; i < steps->items.size(); ++i) player.play(*form, steps->items[i], i);
            closeForm(*form, plugins);
        }
    }
    say(L"");
    say(L"== end of the session");
    bool loaded = false;
    long alive = liveLibraryObjects(&loaded);
    expectEqual(L"objects of the library still alive", L"0", std::to_wstring(alive));
    for (const Value& p : plugins.items) {
        HMODULE module = pluginModule(p.str(L"progid"));
        auto canUnload = module ? reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(module, "DllCanUnloadNow")) : nullptr;
        expectEqual(L"objects of the plug-in " + p.str(L"progid") + L" still alive", L"none",
                    !canUnload || canUnload() == S_OK ? L"none" : L"some");
    }
    CoFreeUnusedLibraries();
    say(L"@@ " + std::to_wstring(passed) + L" " + std::to_wstring(failed));
    return 0;
}

int playSecondClient(const SessionFile& file, size_t formIndex, size_t stepIndex) {
    const Value& entry = file.root.find(L"forms")->items.at(formIndex);
    const Value& step = entry.find(L"steps")->items.at(stepIndex);
    std::wstring userName = step.str(L"user_name", L"user " + std::to_wstring(step.num(L"user_id")));
    Session session(file.root.find(L"session"), step.num(L"user_id"), userName);
    say(L"client 2: session of user " + userName + L" (UserID " + std::to_wstring(step.num(L"user_id")) + L")");
    std::unique_ptr<Form> form = openForm(entry, *file.root.find(L"plugins"), L"client 2");
    initializeToolbar(*form, L"client 2");
    Answers a;
    click(*form, step.str(L"tool"), a, L"client 2");
    int code = *a.cancel ? kRefused : 32;
    if (!*a.cancel) {
        save(*form, a, L"client 2");
        if (*a.saved) code = kGranted;
    }
    closeForm(*form, *file.root.find(L"plugins"));
    return code;
}

int readInboxOf(const std::wstring& user) {
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

}  // namespace runner
