#include "Relays.h"

#include <sstream>

namespace testkit {

const char* const kCheckRelays = R"(
FireBeforeMultiCheck L L L rL L L L rB
FireMultiCheck L L L L L rB rB rS rS rB
FireAfterMultiCheck L L L L L B
FireStartMultiCheck L L rB rB
FireFinishMultiCheck L L L L rB
FireUnMultiCheck L L L L L L rB rB
FireAfterUnMultiCheck L L L L L B
FireBusinessCheck rB
FireAfterBusinessCheck B
FireUnBusinessCheck rB
FireAfterUnBusinessCheck B
FireBeforeSendMessage S rO rB
)";

std::vector<Relay> relayTable(IUnknown* ev, REFIID events, std::initializer_list<const char*> tables, Where where) {
    ComPtr<ITypeInfo> info = eventsInfo(ev, events, where);
    std::vector<Relay> r;
    for (const char* table : tables) {
        std::istringstream in(table);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty()) continue;
            std::istringstream f(line);
            std::string name;
            f >> name;
            std::string event = name.rfind("Fire", 0) == 0 ? name.substr(4) : name;
            if (size_t eq = name.find('='); eq != std::string::npos) {
                event = name.substr(eq + 1);
                name.resize(eq);
            }
            Relay relay{std::wstring(name.begin(), name.end()), std::wstring(event.begin(), event.end()), 0, {}};
            relay.event = memberId(info.Get(), relay.eventName.c_str());
            if (relay.event == DISPID_UNKNOWN)
                fail(where.file_name(), int(where.line()), "%s: no event %s", name.c_str(), event.c_str());
            std::string a;
            while (f >> a) relay.args.push_back(a);
            r.push_back(relay);
        }
    }
    return r;
}

VARTYPE typeOf(const std::string& kind) {
    char k = kind.back();
    VARTYPE vt = k == 'L' ? VT_I4 : k == 'I' ? VT_I2 : k == 'B' ? VT_BOOL : k == 'S' ? VT_BSTR : k == 'D' ? VT_R8 : VT_DISPATCH;
    return kind[0] == 'r' ? VARTYPE(VT_BYREF | vt) : vt;
}

HRESULT fire(IDispatch* ev, const Relay& r, HostCall& host, Variant& result) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(r.name.c_str());
    if (FAILED(ev->GetIDsOfNames(IID_NULL, &name, 1, 0, &id))) return DISP_E_UNKNOWNNAME;
    std::vector<VARIANT> rgvarg = host.arguments(r);
    DISPPARAMS params = {rgvarg.empty() ? nullptr : rgvarg.data(), nullptr, UINT(rgvarg.size()), 0};
    EXCEPINFO excep = {};
    UINT argErr = 0;
    HRESULT hr = ev->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result.put(), &excep, &argErr);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
    return hr;
}

bool sameValue(const VARIANT& a, const VARIANT& b) {
    if (V_VT(&a) != V_VT(&b)) return false;
    if (V_VT(&a) == VT_DISPATCH) return V_DISPATCH(&a) == V_DISPATCH(&b);
    return VarCmp(const_cast<VARIANT*>(&a), const_cast<VARIANT*>(&b), 0, 0) == VARCMP_EQ;
}

// Answers every by-reference argument of an event: Booleans True, texts "answer", numbers
// changed, objects replaced by `replacement`.
void answerAll(std::vector<VARIANT*>& args, IDispatch* replacement) {
    for (VARIANT* a : args) {
        switch (V_VT(a)) {
        case VT_BYREF | VT_BOOL: *V_BOOLREF(a) = VARIANT_TRUE; break;
        case VT_BYREF | VT_I4: *V_I4REF(a) += 1000; break;
        case VT_BYREF | VT_R8: *V_R8REF(a) *= 2; break;
        case VT_BYREF | VT_BSTR:
            SysFreeString(*V_BSTRREF(a));
            *V_BSTRREF(a) = SysAllocString(L"answer");
            break;
        case VT_BYREF | VT_DISPATCH:
            if (*V_DISPATCHREF(a)) (*V_DISPATCHREF(a))->Release();
            *V_DISPATCHREF(a) = replacement;
            replacement->AddRef();
            break;
        default: break;
        }
    }
}

void checkEveryRelay(IDispatch* ev, REFIID events, const std::vector<Relay>& relays) {
    ComPtr<Sink> sink = Sink::create();
    sink->connect(ev, events);
    auto replacement = hostkit::newFake(L"replacement");
    for (const Relay& r : relays) {
        sink->clear();
        sink->on(r.eventName.c_str(), [&](std::vector<VARIANT*>& args) { answerAll(args, replacement.Get()); });
        HostCall host(r);
        std::vector<Variant> before = host.snapshot();
        Variant result;
        HRESULT hr = fire(ev, r, host, result);
        if (FAILED(hr)) {
            fail(__FILE__, __LINE__, "%s failed: 0x%08lx", narrow(r.name).c_str(), (unsigned long)hr);
            continue;
        }
        CHECK_EQ(int(result.vt()), int(VT_EMPTY));
        if (sink->events().size() != 1 || sink->events()[0].id != r.event) {
            fail(__FILE__, __LINE__, "%s did not raise %s once", narrow(r.name).c_str(), narrow(r.eventName).c_str());
            continue;
        }
        const EventCall& e = sink->events()[0];
        REQUIRE(e.args.size() == r.args.size());
        for (size_t i = 0; i < r.args.size(); ++i) {
            VARTYPE want = typeOf(r.args[i]);
            if (e.args[i].vt != want)
                fail(__FILE__, __LINE__, "%s argument %zu: type %d, expected %d", narrow(r.name).c_str(), i + 1,
                     e.args[i].vt, want);
            // Values as the host set them (the record was taken before the handler answered).
            if (!sameValue(e.args[i].value.get(), before[i].get()))
                fail(__FILE__, __LINE__, "%s argument %zu: value %s, expected %s", narrow(r.name).c_str(), i + 1,
                     show(e.args[i].value.get()).c_str(), show(before[i].get()).c_str());
        }
        // The handler's answers are in the host's own variables now.
        for (size_t i = 0; i < r.args.size(); ++i) {
            if (r.args[i][0] != 'r') continue;
            VARIANT& var = host.vars[i];
            bool ok = false;
            switch (V_VT(&var)) {
            case VT_BOOL: ok = V_BOOL(&var) == VARIANT_TRUE; break;
            case VT_I4: ok = V_I4(&var) == long(100 + i + 1000); break;
            case VT_R8: ok = V_R8(&var) == (1.5 + double(i)) * 2; break;
            case VT_BSTR: ok = std::wstring(V_BSTR(&var)) == L"answer"; break;
            case VT_DISPATCH: ok = V_DISPATCH(&var) == replacement.Get(); break;
            }
            if (!ok) fail(__FILE__, __LINE__, "%s argument %zu: the answer did not reach the host", narrow(r.name).c_str(), i + 1);
        }
        sink->on(r.eventName.c_str(), nullptr);
    }
    sink->disconnect();
}

void checkRelaysWithoutSinks(IDispatch* ev, const std::vector<Relay>& relays) {
    for (const Relay& r : relays) {
        HostCall host(r);
        std::vector<Variant> before = host.snapshot();
        Variant result;
        CHECK_HR(fire(ev, r, host, result), S_OK);
        CHECK_EQ(int(result.vt()), int(VT_EMPTY));
        for (size_t i = 0; i < r.args.size(); ++i)
            if (!sameValue(host.vars[i], before[i].get()))
                fail(__FILE__, __LINE__, "%s changed argument %zu", narrow(r.name).c_str(), i + 1);
    }
}

}  // namespace testkit
