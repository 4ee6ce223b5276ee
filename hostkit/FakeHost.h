// A scriptable fake host object: an IDispatch whose members are registered by name and whose
// every call is recorded with its arguments' variant types and by-reference-ness. Results,
// writes into by-reference arguments and failures (HRESULT, description, source) are scripted
// per member, in C++ (FakeObject) or from a script (FakeHost, ProgID OrviHostKit.FakeHost).
// Bill controls, data services and other host doubles are built from it.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "hostkit/HostKit.h"
#include "hostkit/UntypedDispatch.h"

namespace hostkit {

struct RecordedArg {
    VARTYPE vt;     // as passed, VT_BYREF included
    Variant value;  // the value when the call arrived (references followed)
    bool byRef() const noexcept { return (vt & VT_BYREF) != 0; }
    VARTYPE baseType() const noexcept { return VARTYPE(vt & ~VT_BYREF); }
};

struct RecordedCall {
    std::wstring member;
    WORD flags;
    std::vector<RecordedArg> args;  // in call order; the value of a property put comes last
    const RecordedArg& arg(size_t i) const { return args.at(i); }
};

class FakeObject;

// A parameter of a host member as the VB program that implements it declares it. A typed member
// checks what it is given the way the platform's dispatcher does for such a member:
//  - ByVal T: any value or reference whose value converts to T (Null converts to Variant only);
//  - ByRef T: a reference to exactly T, or a value that converts to T (the member then works on
//    a copy and what it writes is lost); a reference to another type, a Variant among them, is
//    refused;
//  - ByRef Variant: anything; Object: an object or Nothing; Dictionary: an object answering the
//    foundation Dictionary interface, or Nothing.
// A refused argument fails the call with DISP_E_TYPEMISMATCH and its position (error 13 to a VB
// caller) before the member runs; too many arguments are DISP_E_BADPARAMCOUNT (450), a missing
// one that is not Optional DISP_E_PARAMNOTOPTIONAL (449). The call is recorded either way.
struct Param {
    bool byRef = true;
    bool optional = false;
    VARTYPE type = VT_VARIANT;  // VT_I2, VT_I4, VT_R8, VT_BOOL, VT_BSTR, VT_VARIANT, VT_DISPATCH
    bool dictionary = false;    // VT_DISPATCH that must be a Dictionary
};
// "ByRef Dictionary, ByRef Long, ByVal String, Optional ByRef Integer": one entry per parameter,
// separated by commas; ByRef when neither is given; types Integer, Long, Double, Boolean, String,
// Variant, Object, Dictionary. An empty text is a member without parameters.
std::vector<Param> parseSignature(const std::wstring& text);

// One call as a handler sees it.
struct Invocation {
    FakeObject& self;
    const std::wstring& member;
    WORD flags;
    std::vector<VARIANT*> args;  // the caller's VARIANTs in call order
    Variant result;

    bool isPut() const noexcept { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    size_t count() const noexcept { return args.size(); }
    // The value of argument i (references followed).
    Variant value(size_t i) const;
    // Writes into by-reference argument i, converted to its type; by-value arguments are left.
    void setRef(size_t i, const Variant& v) const;
};

class FakeObject final : public UntypedDispatch {
public:
    using Handler = std::function<void(Invocation&)>;

    explicit FakeObject(std::wstring name = L"FakeHost");

    // Scripting (each call replaces what the member did before).
    FakeObject& returns(const std::wstring& member, const Variant& value);
    FakeObject& returns(const std::wstring& member, IDispatch* object);
    FakeObject& property(const std::wstring& member, const Variant& initial = Variant());
    FakeObject& on(const std::wstring& member, Handler handler);
    // Calls of the member fail with this error (hr S_OK: no longer), help file and context included.
    FakeObject& fails(const std::wstring& member, HRESULT hr, std::wstring description, std::wstring source,
                      std::wstring helpFile = {}, DWORD helpContext = 0);
    // Calls of the member answer as usual and then report this failure as well (a host that fills
    // the result and fails): what callers that keep such answers must cope with.
    FakeObject& answersThenFails(const std::wstring& member, HRESULT hr, std::wstring description, std::wstring source);
    // Calls of the member write value into by-reference argument `index` (0-based), converted to
    // its type, as a VB member assigning its ByRef parameter does: on entry, before the member
    // does its work (which then sees the new value), or on return, after it (a host that does its
    // work and then leaves another value in the argument). A by-value argument keeps it (the
    // member's own copy). Several writes per member are kept, in order.
    enum class When { OnEntry, OnReturn };
    FakeObject& setsArg(const std::wstring& member, size_t index, const Variant& value, When when = When::OnEntry);
    // The member's parameters (parseSignature): from now on every call is checked against them.
    FakeObject& signature(const std::wstring& member, const std::wstring& params);

    // Inspection.
    const std::vector<RecordedCall>& calls() const noexcept { return calls_; }
    std::vector<const RecordedCall*> callsOf(const std::wstring& member) const;
    size_t count(const std::wstring& member) const;
    const RecordedCall* last(const std::wstring& member) const;
    Variant propertyValue(const std::wstring& member) const;
    void clearCalls() { calls_.clear(); }
    const std::wstring& name() const noexcept { return name_; }

    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;

private:
    struct Member {
        std::wstring name;
        Handler handler;
        bool hasResult = false;
        Variant result;
        bool isProperty = false;
        Variant stored;
        HRESULT failHr = S_OK;
        std::wstring failDescription, failSource, failHelpFile;
        DWORD failHelpContext = 0;
        bool failAfterAnswer = false;
        struct ArgWrite {
            size_t index;
            Variant value;
            When when;
        };
        std::vector<ArgWrite> argWrites;
        bool typed = false;
        std::vector<Param> params;
    };
    // DISP_E_TYPEMISMATCH (and the argument's rgvarg position), DISP_E_BADPARAMCOUNT or
    // DISP_E_PARAMNOTOPTIONAL when the call does not suit the member's parameters; S_OK otherwise.
    static HRESULT checkArgs(const Member& m, const std::vector<VARIANT*>& args, UINT* argErr) noexcept;
    int memberIndex(const wchar_t* name) const override;
    Member& member(const std::wstring& name);
    const Member* find(const std::wstring& name) const;

    std::wstring name_;
    std::vector<Member> members_;  // DISPID = index + 1
    std::vector<RecordedCall> calls_;
};

ComPtr<FakeObject> newFake(std::wstring name = L"FakeHost");

// The script face of a FakeObject (OrviHostKit.FakeHost).
class FakeHost final : public orvi::com::ComObject<FakeHost, HostKitLibrary, IFakeHostControl> {
public:
    static constexpr const wchar_t* kSource = L"OrviHostKit.FakeHost";
    FakeHost();
    explicit FakeHost(ComPtr<FakeObject> target);

    STDMETHODIMP get_Target(IDispatch** ret) override;
    STDMETHODIMP Define(BSTR Name, VARIANT Result) override;
    STDMETHODIMP DefineProperty(BSTR Name, VARIANT Initial) override;
    STDMETHODIMP Fail(BSTR Name, long Number, BSTR Description, BSTR Source) override;
    STDMETHODIMP SetArg(BSTR Name, long Index, VARIANT Value) override;
    STDMETHODIMP CallCount(BSTR Name, long* ret) override;
    STDMETHODIMP ArgCount(BSTR Name, long Call, long* ret) override;
    STDMETHODIMP ArgValue(BSTR Name, long Call, long Index, VARIANT* ret) override;
    STDMETHODIMP ArgType(BSTR Name, long Call, long Index, long* ret) override;
    STDMETHODIMP Reset() override;

    FakeObject& target() noexcept { return *target_.Get(); }

private:
    const RecordedArg& argOf(BSTR name, long call, long index) const;
    ComPtr<FakeObject> target_;
};

}  // namespace hostkit
