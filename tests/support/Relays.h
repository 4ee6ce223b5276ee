// Driving an event object's relays the way its host form does: a table of relays (name, event,
// argument kinds), the host's variables for one call, and the checks every relay table goes
// through.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "Late.h"
#include "Sink.h"
#include "hostkit/FakeHost.h"

namespace testkit {

// A relay table has one line per relay: the relay's name, then the argument kinds in declaration
// order: L Long, I Integer, B Boolean, S String, D Double, O object (also Dictionary, Vector,
// Recordset); a leading r marks a by-reference argument. The relay FireX raises the event X;
// one that raises another event names it after "=": "ChangeCurrencyState=SetCurrencyState O".
struct Relay {
    std::wstring name;
    std::wstring eventName;
    DISPID event;  // from the type information of the object's source interface
    std::vector<std::string> args;
};

// The relays of the tables, with the DISPIDs of their events read from the type information of
// the object's source interface `events` (a relay whose event it lacks fails the test).
std::vector<Relay> relayTable(IUnknown* ev, REFIID events, std::initializer_list<const char*> tables,
                              Where where = Where::current());

// The check relays, the same on the bill event object and the list event object.
extern const char* const kCheckRelays;
VARTYPE typeOf(const std::string& kind);

// The host's side of one call: a variable per argument, the way a VB form holds them.
struct HostCall {
    std::vector<VARIANT> vars;  // the host's variables (values of their own type)
    std::vector<ComPtr<hostkit::FakeObject>> objects;

    explicit HostCall(const Relay& r) {
        for (size_t i = 0; i < r.args.size(); ++i) {
            VARIANT v;
            VariantInit(&v);
            V_VT(&v) = VARTYPE(typeOf(r.args[i]) & ~VT_BYREF);
            switch (V_VT(&v)) {
            case VT_I4: V_I4(&v) = long(100 + i); break;
            case VT_I2: V_I2(&v) = short(10 + i); break;
            case VT_BOOL: V_BOOL(&v) = VARIANT_FALSE; break;
            case VT_R8: V_R8(&v) = 1.5 + double(i); break;
            case VT_BSTR: V_BSTR(&v) = SysAllocString((L"text" + std::to_wstring(i)).c_str()); break;
            default: {
                objects.push_back(hostkit::newFake(L"object" + std::to_wstring(i)));
                V_DISPATCH(&v) = objects.back().Get();
                V_DISPATCH(&v)->AddRef();
            }
            }
            vars.push_back(v);
        }
    }
    ~HostCall() {
        for (VARIANT& v : vars) VariantClear(&v);
    }
    // Copies of the variables as they stand (objects by reference).
    std::vector<Variant> snapshot() const {
        std::vector<Variant> r;
        for (const VARIANT& v : vars) r.emplace_back(v);
        return r;
    }
    // rgvarg as the host passes it: by-reference arguments point at its variables.
    std::vector<VARIANT> arguments(const Relay& r) {
        std::vector<VARIANT> rgvarg;
        for (size_t i = r.args.size(); i-- > 0;) {
            VARIANT a = vars[i];
            if (r.args[i][0] == 'r') {
                V_VT(&a) = VARTYPE(VT_BYREF | V_VT(&vars[i]));
                V_BYREF(&a) = &V_I4(&vars[i]);
            }
            rgvarg.push_back(a);
        }
        return rgvarg;
    }
};

// Calls the relay by name through IDispatch with the host's arguments.
HRESULT fire(IDispatch* ev, const Relay& r, HostCall& host, Variant& result);
bool sameValue(const VARIANT& a, const VARIANT& b);
// Answers every by-reference argument of an event: Booleans True, texts "answer", numbers
// changed, objects replaced by `replacement`.
void answerAll(std::vector<VARIANT*>& args, IDispatch* replacement);

// Each relay of the table raises its event once with the host's arguments in order (types,
// by-reference forms, values) and the sink's answers reach the host's variables.
void checkEveryRelay(IDispatch* ev, REFIID events, const std::vector<Relay>& relays);
// With no sink connected, each relay succeeds and leaves the host's variables as they were.
void checkRelaysWithoutSinks(IDispatch* ev, const std::vector<Relay>& relays);

}  // namespace testkit
