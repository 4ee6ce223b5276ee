#include "SamplePlugin.h"

#include <cstdio>

#include "OrviClassEvents.h"
#include "Records.h"

namespace plugin {

const CLSID CLSID_SamplePlugin = {0x0bd85432, 0x6354, 0x4c2b, {0xa6, 0xd7, 0x82, 0xc2, 0x29, 0x7b, 0xdc, 0x7a}};
volatile LONG liveObjects = 0;

namespace {

// The function the plug-in locks while it approves a bill (subsystem 1, sales).
constexpr long kSalesSubsystem = 1;
constexpr const wchar_t* kApproveFunction = L"SO_APPROVE";

constexpr long kGrey = 0xC0C0C0, kYellow = 0x80FFFF, kGreen = 0xC0FFC0;

enum class Form { Bill, List, Base };

const wchar_t* formName(Form f) {
    switch (f) {
    case Form::Bill: return L"bill";
    case Form::List: return L"bill list";
    default: return L"base-data";
    }
}

std::wstring money(double x) {
    wchar_t s[32];
    swprintf(s, 32, L"%.2f", x);
    return s;
}

void note(const std::wstring& line) {
    say(L"  [plug-in] " + line);
}

}  // namespace

// One event object the plug-in is connected to, and the sink of its events.
class Connection final : public IDispatch {
public:
    Connection(IDispatch* eventObject, Form form, const IID& events)
        : ev_(eventObject), form_(form), events_(events) {
        InterlockedIncrement(&liveObjects);
        ev_->AddRef();
    }

    void advise() {
        IConnectionPointContainer* container = nullptr;
        check(ev_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)));
        HRESULT hr = container->FindConnectionPoint(events_, &point_);
        container->Release();
        check(hr);
        check(point_->Advise(static_cast<IDispatch*>(this), &cookie_));
        note(std::wstring(L"connected to the ") + formName(form_) + L" form's event object");
    }

    // Stops listening and lets go of the event object (and of a lock still held).
    void unadvise() {
        if (task_) {
            note(L"the form closes with the lock still held: committing task " + std::to_wstring(task_));
            commitLock();
        }
        if (point_) {
            point_->Unadvise(cookie_);
            point_->Release();
            point_ = nullptr;
        }
        if (ev_) {
            ev_->Release();
            ev_ = nullptr;
        }
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == events_) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (!n) delete this;
        return ULONG(n);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return n ? (*n = 0, S_OK) : E_POINTER; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    // Events arrive by DISPID, arguments last first. A handler's failure is reported here: the
    // form that raised the event could not act on it.
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (result) VariantInit(result);
        if (!params || !ev_) return S_OK;
        args_ = params;
        try {
            switch (form_) {
            case Form::Bill: billEvent(id); break;
            case Form::List: listEvent(id); break;
            case Form::Base: baseEvent(id); break;
            }
        } catch (const Failure& f) {
            note(L"handler of event " + std::to_wstring(id) + L" failed: " + f.what());
        }
        args_ = nullptr;
        return S_OK;
    }

private:
    ~Connection() {
        unadvise();
        InterlockedDecrement(&liveObjects);
    }

    // Argument i of the event, counted from the first in its declaration.
    VARIANT& arg(UINT i) const {
        if (i >= args_->cArgs) throw Failure{DISP_E_BADPARAMCOUNT, L"missing event argument", L""};
        return args_->rgvarg[args_->cArgs - 1 - i];
    }
    Var value(UINT i) const { return argValue(arg(i)); }

    // ------------------------------------------------------------ every form

    // A tool of the plug-in's, with the first free tool ID, placed after `after` on the band
    // "Standard".
    void addTool(IDispatch* menuBar, const wchar_t* name, const wchar_t* caption, const wchar_t* after) {
        Var tools = get(menuBar, L"VeskTools");
        long id = call(tools.object(), L"GetFreeToolID").number();
        Var tool = call(tools.object(), L"Add", {name});
        put(tool.object(), L"Caption", caption);
        Var bands = get(menuBar, L"VeskBands");
        Var band = call(bands.object(), L"Item", {L"Standard"});
        Var bandTools = get(band.object(), L"VeskTools");
        call(bandTools.object(), L"InsertAfter", {after, tool.ref()});
        long count = get(bandTools.object(), L"Count").number();
        note(std::wstring(L"MenuBarInitialize: added tool \"") + name + L"\" (" + caption + L") with tool ID " +
             std::to_wstring(id) + L" after \"" + after + L"\" on band Standard, " + std::to_wstring(count) +
             L" tools on the band now");
    }

    Var qel() const { return get(ev_, L"QelLib"); }
    Var net() const { return get(qel().object(), L"Net"); }
    std::wstring userName() const {
        Var user = get(qel().object(), L"User");
        return get(user.object(), L"UserName").text();
    }

    void commitLock() {
        bool done = call(net().object(), L"CommitMutex", {task_}).flag();
        note(L"network lock task " + std::to_wstring(task_) + L" committed: " + (done ? L"yes" : L"no"));
        task_ = 0;
    }

    // ------------------------------------------------------------ bill form

    void billEvent(DISPID id) {
        switch (id) {
        case 2: addTool(value(0).object(), L"Approve", L"审核", L"Save"); break;  // MenuBarInitialize
        case 5: billClick(value(0).object(), arg(1)); break;                    // MenuBarClick
        case 8: beforeSave(arg(0)); break;                                      // BeforeSave
        case 9: afterSave(); break;                                             // AfterSave
        case 32: beforeMultiCheck(); break;                                     // BeforeMultiCheck
        case 33: multiCheck(); break;                                           // MultiCheck
        default: break;
        }
    }

    std::wstring billNo() const { return call(ev_, L"GetFieldValue", {L"FBillNo"}).text(); }
    std::wstring display(const wchar_t* key) const { return call(ev_, L"GetFieldValue", {key, -1L, 3L}).text(); }

    // The bill's amount, row by row through the layout model: BillEntrys(1).VeskFields(key) on
    // each row. A collection hands out one field object re-pointed at each lookup, so a value is
    // read before the next lookup.
    double billTotal(bool tell) const {
        Var entrys = get(ev_, L"BillEntrys");
        Var grid = call(entrys.object(), L"Item", {1L});
        Var fields = get(grid.object(), L"VeskFields");
        double total = 0;
        for (long row = 1;; ++row) {
            Var field = call(fields.object(), L"Item", {L"FQty"});
            put(field.object(), L"Row", row);
            Var qty = get(field.object(), L"Value");
            if (qty.empty()) break;
            field = call(fields.object(), L"Item", {L"FPrice"});
            put(field.object(), L"Row", row);
            Var price = get(field.object(), L"Value");
            if (tell)
                note(L"  row " + std::to_wstring(row) + L" of grid " + get(grid.object(), L"TableName").text() +
                     L": FQty " + qty.text() + L" x FPrice " + price.text());
            total += qty.real() * price.real();
        }
        return total;
    }

    void billClick(IDispatch* tool, VARIANT& cancel) {
        std::wstring name = get(tool, L"ToolName").text();
        note(L"MenuBarClick on \"" + name + L"\"");
        if (name != L"Approve") return;
        long bill = get(ev_, L"CurBillID").number();
        try {
            task_ = call(net().object(), L"BeginMutex", {kSalesSubsystem, kApproveFunction, 0L, 0L, bill}).number();
        } catch (const Failure& f) {
            note(L"network lock on " + std::wstring(kApproveFunction) + L" for bill " + std::to_wstring(bill) +
                 L" refused: " + f.what());
            answer(cancel, Var::boolean(true));
            return;
        }
        note(L"network lock on " + std::wstring(kApproveFunction) + L" for bill " + std::to_wstring(bill) +
             L" granted to " + userName() + L": task " + std::to_wstring(task_));

        // By key through the event object.
        note(L"GetFieldValue: FBillNo " + billNo() + L", FCustID " + display(L"FCustID") + L", FStatus " +
             display(L"FStatus"));
        double total = billTotal(true);
        note(L"bill total from the layout model: " + money(total));
        bool set = call(ev_, L"SetFieldValue", {L"FStatus", L"Closed"}).flag();
        note(std::wstring(L"SetFieldValue(\"FStatus\", \"Closed\"): ") + (set ? L"True" : L"False") +
             L", FStatus now " + display(L"FStatus"));

        // Through the layout model: the header page's FExplanation.
        Var heads = get(ev_, L"BillHeads");
        Var head = call(heads.object(), L"Item", {1L});
        Var fields = get(head.object(), L"VeskFields");
        Var explanation = call(fields.object(), L"Item", {L"FExplanation"});
        std::wstring before = get(explanation.object(), L"Value").text();
        put(explanation.object(), L"Value", L"审核: " + userName() + L", " + money(total));
        note(L"BillHeads(1).VeskFields(\"FExplanation\").Value: \"" + before + L"\" -> \"" +
             get(explanation.object(), L"Value").text() + L"\"");
        call(ev_, L"SetStatus", {1L, L"SO approved by " + userName()});
        approved_ = true;
        answer(cancel, Var::boolean(false));
    }

    void beforeSave(VARIANT& cancel) {
        std::wstring status = display(L"FStatus");
        if (!approved_ || status != L"Closed") {
            answer(cancel, Var::boolean(true));
            note(L"BeforeSave: vetoed, bill " + billNo() + L" is not approved (FStatus " + status + L")");
            return;
        }
        note(L"BeforeSave: bill " + billNo() + L" approved, save allowed");
    }

    void afterSave() {
        note(L"AfterSave: bill " + billNo() + L" saved");
        if (task_) commitLock();
    }

    void beforeMultiCheck() {
        long maxLevel = value(1).number(), level = value(3).number();
        double total = billTotal(false);
        if (total < 100 && level < maxLevel) {
            answer(arg(3), Var(level + 1));
            note(L"BeforeMultiCheck: total " + money(total) + L" is under 100.00, level " + std::to_wstring(level) +
                 L" is skipped: check goes on at level " + std::to_wstring(level + 1));
        } else {
            note(L"BeforeMultiCheck: level " + std::to_wstring(level) + L" kept");
        }
    }

    void multiCheck() {
        long level = value(3).number();
        std::wstring message = billNo() + L" (" + display(L"FCustID") + L", " + money(billTotal(false)) +
                               L") passed check level " + std::to_wstring(level);
        answer(arg(5), Var::boolean(true));
        answer(arg(7), Var(L"销售订单审核"));
        answer(arg(8), Var(message));
        note(L"MultiCheck at level " + std::to_wstring(level) + L": send the check message \"" + message + L"\"");
    }

    // ------------------------------------------------------------ bill list form

    void listEvent(DISPID id) {
        switch (id) {
        case 2: addTool(value(0).object(), L"CreditCheck", L"信用检查", L"Refresh"); break;  // MenuBarInitialize
        case 4: listClick(value(0).object()); break;                                        // MenuBarClick
        case 11: fillRow(L"FBillNo", L"FAmount"); break;                                   // ListFillRow
        default: break;
        }
    }

    void listClick(IDispatch* tool) {
        std::wstring name = get(tool, L"ToolName").text();
        note(L"MenuBarClick on \"" + name + L"\"");
        if (name != L"CreditCheck") return;
        Var selected = call(ev_, L"GetSelectedBillInfo");
        Var row = call(ev_, L"GetCurrentSelRowInfo");
        std::wstring customer = call(row.object(), L"Item", {L"FCustName"}).text();
        double amount = call(row.object(), L"Item", {L"FAmount"}).real();
        note(L"GetSelectedBillInfo: " + std::to_wstring(get(selected.object(), L"Count").number()) +
             L" selected; current row " + call(row.object(), L"Item", {L"FBillNo"}).text() + L", " + customer + L", " +
             money(amount));
        const wchar_t* sql = L"SELECT FName, FCreditLimit FROM t_Organization";
        Var data = call(qel().object(), L"GetData", {sql});
        note(std::wstring(L"QelLib.GetData(\"") + sql + L"\")");
        for (Records rs(data.object()); !rs.atEnd(); rs.next()) {
            std::wstring org = rs.field(L"FName").text();
            double limit = rs.field(L"FCreditLimit").real();
            note(L"  " + org + L": credit limit " + money(limit));
            if (org == customer)
                note(L"credit check of " + customer + L": " + money(amount) +
                     (amount <= limit ? L" within the limit" : L" OVER the limit"));
        }
    }

    // Colours the row by its amount: grey for nothing, yellow for a large amount.
    void fillRow(const wchar_t* keyColumn, const wchar_t* amountColumn) {
        long row = value(0).number();
        IDispatch* data = value(1).object();
        double amount = call(data, L"Item", {amountColumn}).real();
        long color = amount == 0 ? kGrey : amount > 1000 ? kYellow : -1;
        std::wstring key = call(data, L"Item", {keyColumn}).text();
        if (color < 0) {
            note(L"ListFillRow " + std::to_wstring(row) + L" (" + key + L", " + money(amount) + L"): colour kept");
            return;
        }
        answer(arg(4), Var(color));
        wchar_t hex[16];
        swprintf(hex, 16, L"&H%06X", unsigned(color));
        note(L"ListFillRow " + std::to_wstring(row) + L" (" + key + L", " + money(amount) + L"): BackColor " + hex);
    }

    // ------------------------------------------------------------ base-data form

    void baseEvent(DISPID id) {
        switch (id) {
        case 2: addTool(value(0).object(), L"Electronics", L"电子产品", L"Refresh"); break;  // MenuBarInitialize
        case 4: baseClick(value(0).object()); break;                                        // MenuBarClick
        case 6:                                                                             // ClassGroupSelected
            note(L"ClassGroupSelected: group " + value(2).text() + L" (" + value(3).text() + L"), type " +
                 value(1).text());
            break;
        case 7: itemRow(); break;  // ListFillRow
        default: break;
        }
    }

    void baseClick(IDispatch* tool) {
        std::wstring name = get(tool, L"ToolName").text();
        note(L"MenuBarClick on \"" + name + L"\"");
        if (name != L"Electronics") return;
        long was = call(ev_, L"GetSelectedClassID").number();
        long group = call(ev_, L"SelectClassGroupByID", {15L}).number();
        long type = call(ev_, L"GetSelectedClassType").number();
        call(ev_, L"RefreshListByClassGroupID", {type, group});
        bool pitched = call(ev_, L"PitchItemByID", {401L}).flag();
        long item = call(ev_, L"GetSelectedItemID").number();
        note(L"class group " + std::to_wstring(was) + L" -> SelectClassGroupByID(15) = " + std::to_wstring(group) +
             L"; RefreshListByClassGroupID(" + std::to_wstring(type) + L", " + std::to_wstring(group) +
             L"); PitchItemByID(401) = " + (pitched ? L"True" : L"False") + L"; selected item " +
             std::to_wstring(item));
    }

    void itemRow() {
        long row = value(0).number();
        IDispatch* data = value(1).object();
        std::wstring item = call(data, L"Item", {L"FName"}).text();
        if (call(data, L"Item", {L"FClassGroupID"}).number() != 15) {
            note(L"ListFillRow " + std::to_wstring(row) + L" (" + item + L"): colour kept");
            return;
        }
        answer(arg(4), Var(kGreen));
        answer(arg(3), Var(item + L" *"));
        note(L"ListFillRow " + std::to_wstring(row) + L" (" + item + L"): electronics, BackColor &HC0FFC0, CellData \"" +
             item + L" *\"");
    }

    volatile LONG refs_ = 1;
    IDispatch* ev_;
    Form form_;
    IID events_;
    IConnectionPoint* point_ = nullptr;
    DWORD cookie_ = 0;
    DISPPARAMS* args_ = nullptr;
    long task_ = 0;
    bool approved_ = false;
};

// ---------------------------------------------------------------- the plug-in object

SamplePlugin::SamplePlugin() {
    InterlockedIncrement(&liveObjects);
}

SamplePlugin::~SamplePlugin() {
    disconnect();
    InterlockedDecrement(&liveObjects);
}

STDMETHODIMP SamplePlugin::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) SamplePlugin::AddRef() {
    return ULONG(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) SamplePlugin::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (!n) delete this;
    return ULONG(n);
}

STDMETHODIMP SamplePlugin::GetTypeInfoCount(UINT* n) {
    return n ? (*n = 0, S_OK) : E_POINTER;
}

STDMETHODIMP SamplePlugin::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

namespace {
const wchar_t* const kMembers[] = {L"Connect", L"Disconnect", L"Connections"};
}

STDMETHODIMP SamplePlugin::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i == 0)
            for (DISPID m = 0; m < 3; ++m)
                if (_wcsicmp(names[0], kMembers[m]) == 0) ids[0] = m + 1;
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP SamplePlugin::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* excep, UINT* argErr) {
    if (result) VariantInit(result);
    UINT n = params ? params->cArgs : 0;
    try {
        switch (id) {
        case 1:  // Connect(EventObject)
            if (n != 1) return DISP_E_BADPARAMCOUNT;
            connect(argValue(params->rgvarg[0]).object());
            return S_OK;
        case 2:  // Disconnect()
            if (n) return DISP_E_BADPARAMCOUNT;
            disconnect();
            return S_OK;
        case 3:  // Connections
            if (n) return DISP_E_BADPARAMCOUNT;
            if (result) V_VT(result) = VT_I4, V_I4(result) = long(connections_.size());
            return S_OK;
        default: return DISP_E_MEMBERNOTFOUND;
        }
    } catch (const Failure& f) {
        if (!excep) return f.hr;
        *excep = EXCEPINFO{};
        excep->scode = f.hr;
        excep->bstrSource = SysAllocString(kProgId);
        excep->bstrDescription = SysAllocString(f.description.c_str());
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

void SamplePlugin::connect(IDispatch* eventObject) {
    struct Kind {
        Form form;
        const IID* events;
    };
    const Kind kinds[] = {{Form::Bill, &DIID___BillEvent}, {Form::List, &DIID___ListEvents},
                          {Form::Base, &DIID___BaseClassEvent}};
    IConnectionPointContainer* container = nullptr;
    check(eventObject->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)));
    const Kind* found = nullptr;
    for (const Kind& k : kinds) {
        IConnectionPoint* point = nullptr;
        if (SUCCEEDED(container->FindConnectionPoint(*k.events, &point))) {
            point->Release();
            found = &k;
            break;
        }
    }
    container->Release();
    if (!found) throw Failure{E_NOINTERFACE, L"not an event object of OrviClassEvents", L""};
    Connection* c = new Connection(eventObject, found->form, *found->events);
    try {
        c->advise();
    } catch (...) {
        c->Release();
        throw;
    }
    connections_.push_back(c);
}

void SamplePlugin::disconnect() {
    std::vector<Connection*> all;
    all.swap(connections_);
    for (Connection* c : all) {
        c->unadvise();
        c->Release();
    }
}

}  // namespace plugin
