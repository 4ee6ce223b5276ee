#include "hostkit/FakeHost.h"

#include "com/Errors.h"

namespace hostkit {

Variant Invocation::value(size_t i) const {
    return Variant(*args.at(i));
}

void Invocation::setRef(size_t i, const Variant& v) const {
    VARIANT* a = args.at(i);
    if (V_VT(a) == (VT_BYREF | VT_VARIANT)) {
        VariantClear(V_VARIANTREF(a));
        Variant(v).detach(V_VARIANTREF(a));
        return;
    }
    if (!(V_VT(a) & VT_BYREF) || !V_BYREF(a)) return;
    VARTYPE vt = VARTYPE(V_VT(a) & ~VT_BYREF);
    Variant converted;
    orvi::com::changeType(converted.get(), v.get(), vt);
    // Free what the reference held, then store the new value in its place.
    VARIANT old;
    VariantInit(&old);
    V_VT(&old) = vt;
    switch (vt) {
    case VT_BSTR: V_BSTR(&old) = *V_BSTRREF(a); *V_BSTRREF(a) = V_BSTR(&converted.get()); break;
    case VT_DISPATCH: V_DISPATCH(&old) = *V_DISPATCHREF(a); *V_DISPATCHREF(a) = V_DISPATCH(&converted.get()); break;
    case VT_UNKNOWN: V_UNKNOWN(&old) = *V_UNKNOWNREF(a); *V_UNKNOWNREF(a) = V_UNKNOWN(&converted.get()); break;
    case VT_I2: *V_I2REF(a) = V_I2(&converted.get()); break;
    case VT_I4: *V_I4REF(a) = V_I4(&converted.get()); break;
    case VT_R8: *V_R8REF(a) = V_R8(&converted.get()); break;
    case VT_R4: *V_R4REF(a) = V_R4(&converted.get()); break;
    case VT_BOOL: *V_BOOLREF(a) = V_BOOL(&converted.get()); break;
    case VT_CY: *V_CYREF(a) = V_CY(&converted.get()); break;
    case VT_DATE: *V_DATEREF(a) = V_DATE(&converted.get()); break;
    case VT_UI1: *V_UI1REF(a) = V_UI1(&converted.get()); break;
    default: raise(RuntimeError::TypeMismatch);
    }
    if (vt == VT_BSTR || vt == VT_DISPATCH || vt == VT_UNKNOWN) V_VT(&converted.get()) = VT_EMPTY;  // moved out
    VariantClear(&old);
}

std::vector<Param> parseSignature(const std::wstring& text) {
    std::vector<Param> params;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(L',', at);
        if (end == std::wstring::npos) end = text.size();
        std::wstring part = text.substr(at, end - at);
        at = end + 1;
        Param p;
        bool typed = false;
        size_t w = 0;
        while (w < part.size()) {
            while (w < part.size() && part[w] == L' ') ++w;
            size_t e = part.find(L' ', w);
            if (e == std::wstring::npos) e = part.size();
            std::wstring word = part.substr(w, e - w);
            w = e;
            if (word.empty()) continue;
            if (UntypedDispatch::sameName(word.c_str(), L"Optional")) p.optional = true;
            else if (UntypedDispatch::sameName(word.c_str(), L"ByRef")) p.byRef = true;
            else if (UntypedDispatch::sameName(word.c_str(), L"ByVal")) p.byRef = false;
            else if (UntypedDispatch::sameName(word.c_str(), L"Integer")) p.type = VT_I2, typed = true;
            else if (UntypedDispatch::sameName(word.c_str(), L"Long")) p.type = VT_I4, typed = true;
            else if (UntypedDispatch::sameName(word.c_str(), L"Double")) p.type = VT_R8, typed = true;
            else if (UntypedDispatch::sameName(word.c_str(), L"Boolean")) p.type = VT_BOOL, typed = true;
            else if (UntypedDispatch::sameName(word.c_str(), L"String")) p.type = VT_BSTR, typed = true;
            else if (UntypedDispatch::sameName(word.c_str(), L"Variant")) p.type = VT_VARIANT, typed = true;
            else if (UntypedDispatch::sameName(word.c_str(), L"Object")) p.type = VT_DISPATCH, typed = true;
            else if (UntypedDispatch::sameName(word.c_str(), L"Dictionary")) p.type = VT_DISPATCH, p.dictionary = true, typed = true;
            else raise(RuntimeError::InvalidProcedureCall);
        }
        if (!typed) raise(RuntimeError::InvalidProcedureCall);
        params.push_back(p);
    }
    return params;
}

namespace {

// Whether an argument's value suits a parameter of type `type` (references followed).
bool suits(const Param& p, const VARIANT& arg) noexcept {
    VARIANT v;
    VariantInit(&v);
    if (FAILED(VariantCopyInd(&v, const_cast<VARIANT*>(&arg)))) return false;
    bool ok = false;
    if (p.type == VT_VARIANT) {
        ok = true;
    } else if (p.type == VT_DISPATCH) {
        // An object or Nothing; a Dictionary must answer the foundation interface.
        bool object = V_VT(&v) == VT_DISPATCH || V_VT(&v) == VT_UNKNOWN;
        ok = object;
        if (object && p.dictionary && V_UNKNOWN(&v)) {
            IPyxDictionary* d = nullptr;
            ok = SUCCEEDED(V_UNKNOWN(&v)->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(&d)));
            if (d) d->Release();
        }
    } else {
        VARIANT converted;
        VariantInit(&converted);
        ok = V_VT(&v) != VT_NULL && SUCCEEDED(VariantChangeType(&converted, &v, 0, p.type));
        VariantClear(&converted);
    }
    VariantClear(&v);
    return ok;
}

}  // namespace

HRESULT FakeObject::checkArgs(const Member& m, const std::vector<VARIANT*>& args, UINT* argErr) noexcept {
    if (!m.typed) return S_OK;
    if (args.size() > m.params.size()) return DISP_E_BADPARAMCOUNT;
    for (size_t i = 0; i < m.params.size(); ++i) {
        const Param& p = m.params[i];
        if (i >= args.size() || orvi::com::isMissing(*args[i])) {
            if (p.optional) continue;
            return DISP_E_PARAMNOTOPTIONAL;
        }
        const VARIANT& a = *args[i];
        bool byRef = (V_VT(&a) & VT_BYREF) != 0;
        VARTYPE base = VARTYPE(V_VT(&a) & ~VT_BYREF);
        bool ok;
        if (p.byRef && byRef && p.type != VT_VARIANT)
            // A reference goes to the member as it is: it must be a reference to the type.
            ok = base == p.type && (!p.dictionary || suits(p, a));
        else
            ok = suits(p, a);
        if (!ok) {
            if (argErr) *argErr = UINT(args.size() - 1 - i);
            return DISP_E_TYPEMISMATCH;
        }
    }
    return S_OK;
}

FakeObject::FakeObject(std::wstring name) : name_(std::move(name)) {}

int FakeObject::memberIndex(const wchar_t* name) const {
    for (size_t i = 0; i < members_.size(); ++i)
        if (sameName(members_[i].name.c_str(), name)) return int(i);
    return -1;
}

FakeObject::Member& FakeObject::member(const std::wstring& name) {
    for (Member& m : members_)
        if (sameName(m.name.c_str(), name.c_str())) return m;
    members_.push_back(Member{name});
    return members_.back();
}

const FakeObject::Member* FakeObject::find(const std::wstring& name) const {
    for (const Member& m : members_)
        if (sameName(m.name.c_str(), name.c_str())) return &m;
    return nullptr;
}

FakeObject& FakeObject::returns(const std::wstring& name, const Variant& value) {
    Member& m = member(name);
    m.hasResult = true;
    m.result = value;
    m.isProperty = false;
    m.handler = nullptr;  // a scripted answer replaces what the member computed
    return *this;
}

FakeObject& FakeObject::returns(const std::wstring& name, IDispatch* object) {
    return returns(name, objectValue(object));
}

FakeObject& FakeObject::property(const std::wstring& name, const Variant& initial) {
    Member& m = member(name);
    m.isProperty = true;
    m.stored = initial;
    return *this;
}

FakeObject& FakeObject::on(const std::wstring& name, Handler handler) {
    member(name).handler = std::move(handler);
    return *this;
}

FakeObject& FakeObject::fails(const std::wstring& name, HRESULT hr, std::wstring description, std::wstring source,
                              std::wstring helpFile, DWORD helpContext) {
    Member& m = member(name);
    m.failHr = hr;
    m.failDescription = std::move(description);
    m.failSource = std::move(source);
    m.failHelpFile = std::move(helpFile);
    m.failHelpContext = helpContext;
    m.failAfterAnswer = false;
    return *this;
}

FakeObject& FakeObject::answersThenFails(const std::wstring& name, HRESULT hr, std::wstring description,
                                         std::wstring source) {
    fails(name, hr, std::move(description), std::move(source));
    member(name).failAfterAnswer = true;
    return *this;
}

FakeObject& FakeObject::setsArg(const std::wstring& name, size_t index, const Variant& value, When when) {
    member(name).argWrites.push_back(Member::ArgWrite{index, value, when});
    return *this;
}

FakeObject& FakeObject::signature(const std::wstring& name, const std::wstring& params) {
    std::vector<Param> parsed = parseSignature(params);
    Member& m = member(name);
    m.typed = true;
    m.params = std::move(parsed);
    return *this;
}

std::vector<const RecordedCall*> FakeObject::callsOf(const std::wstring& name) const {
    std::vector<const RecordedCall*> r;
    for (const RecordedCall& c : calls_)
        if (sameName(c.member.c_str(), name.c_str())) r.push_back(&c);
    return r;
}

size_t FakeObject::count(const std::wstring& name) const {
    return callsOf(name).size();
}

const RecordedCall* FakeObject::last(const std::wstring& name) const {
    auto all = callsOf(name);
    return all.empty() ? nullptr : all.back();
}

Variant FakeObject::propertyValue(const std::wstring& name) const {
    const Member* m = find(name);
    return m ? m->stored : Variant();
}

STDMETHODIMP FakeObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* excep, UINT* argErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!params || (params->cArgs && !params->rgvarg)) return E_INVALIDARG;
    if (result) VariantInit(result);
    if (id < 1 || size_t(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    // Keep this object alive through handlers that release the last outside reference.
    AddRef();
    HRESULT hr = S_OK;
    try {
        Member& m = members_[size_t(id - 1)];
        std::wstring memberName = m.name;
        Invocation inv{*this, memberName, flags, {}, {}};
        UINT named = params->cNamedArgs;
        for (UINT i = params->cArgs; i > named; --i) inv.args.push_back(&params->rgvarg[i - 1]);
        for (UINT i = 0; i < named; ++i) inv.args.push_back(&params->rgvarg[i]);

        RecordedCall call{memberName, flags, {}};
        for (VARIANT* a : inv.args) call.args.push_back({V_VT(a), Variant(*a)});
        calls_.push_back(std::move(call));
        // A typed member refuses what does not suit its parameters before it runs (property
        // accessors are not typed here).
        if (!inv.isPut()) {
            HRESULT refused = checkArgs(members_[size_t(id - 1)], inv.args, argErr);
            if (FAILED(refused)) {
                Release();
                return refused;
            }
        }

        // members_ may grow inside a handler: copy what is needed first.
        HRESULT failHr = m.failHr;
        std::wstring failDescription = m.failDescription, failSource = m.failSource, failHelpFile = m.failHelpFile;
        DWORD failHelpContext = m.failHelpContext;
        bool failAfterAnswer = m.failAfterAnswer;
        auto writes = m.argWrites;
        Handler handler = m.handler;
        if (FAILED(failHr) && !failAfterAnswer)
            throw ComError(failHr, failDescription, failSource).withHelp(failHelpFile, failHelpContext);
        auto writeArgs = [&](When when) {
            for (const Member::ArgWrite& w : writes)
                if (w.when == when && w.index < inv.args.size()) inv.setRef(w.index, w.value);
        };
        writeArgs(When::OnEntry);
        if (m.isProperty) {
            if (inv.isPut()) {
                if (!inv.args.empty()) members_[size_t(id - 1)].stored = inv.value(inv.args.size() - 1);
            } else {
                inv.result = m.stored;
            }
        }
        if (handler) {
            handler(inv);
        } else if (!members_[size_t(id - 1)].isProperty && members_[size_t(id - 1)].hasResult) {
            inv.result = members_[size_t(id - 1)].result;
        }
        writeArgs(When::OnReturn);
        if (result) inv.result.detach(result);
        if (FAILED(failHr)) throw ComError(failHr, failDescription, failSource).withHelp(failHelpFile, failHelpContext);
    } catch (ComError& e) {
        hr = failed(e, excep, L"");
    } catch (...) {
        hr = E_OUTOFMEMORY;
    }
    Release();
    return hr;
}

ComPtr<FakeObject> newFake(std::wstring name) {
    return orvi::com::adopt(new FakeObject(std::move(name)));
}

// ---------------------------------------------------------------- FakeHost

FakeHost::FakeHost() : target_(newFake()) {}
FakeHost::FakeHost(ComPtr<FakeObject> target) : target_(std::move(target)) {}

STDMETHODIMP FakeHost::get_Target(IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        *ret = target_.Get();
        (*ret)->AddRef();
    });
}

STDMETHODIMP FakeHost::Define(BSTR Name, VARIANT Result) {
    return guard([&] {
        target_->returns(std::wstring(view(Name)), orvi::com::isMissing(Result) ? Variant() : Variant(Result));
    });
}

STDMETHODIMP FakeHost::DefineProperty(BSTR Name, VARIANT Initial) {
    return guard([&] {
        target_->property(std::wstring(view(Name)), orvi::com::isMissing(Initial) ? Variant() : Variant(Initial));
    });
}

STDMETHODIMP FakeHost::Fail(BSTR Name, long Number, BSTR Description, BSTR Source) {
    return guard([&] {
        // Small numbers are runtime error numbers (91), others HRESULTs (&H80040064).
        HRESULT hr = Number > 0 && Number < 0x10000 ? HRESULT(0x800A0000u | unsigned(Number)) : HRESULT(Number);
        target_->fails(std::wstring(view(Name)), hr, std::wstring(view(Description)), std::wstring(view(Source)));
    });
}

STDMETHODIMP FakeHost::SetArg(BSTR Name, long Index, VARIANT Value) {
    return guard([&] {
        if (Index < 1) raise(RuntimeError::InvalidProcedureCall);
        target_->setsArg(std::wstring(view(Name)), size_t(Index - 1), Variant(Value));
    });
}

STDMETHODIMP FakeHost::CallCount(BSTR Name, long* ret) {
    return guard([&] { initOut(ret, long(target_->count(std::wstring(view(Name))))); });
}

STDMETHODIMP FakeHost::ArgCount(BSTR Name, long Call, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        auto calls = target_->callsOf(std::wstring(view(Name)));
        size_t at = Call == -1 ? calls.size() : size_t(Call);
        if (at < 1 || at > calls.size()) raise(RuntimeError::SubscriptOutOfRange);
        *ret = long(calls[at - 1]->args.size());
    });
}

const RecordedArg& FakeHost::argOf(BSTR name, long call, long index) const {
    auto calls = target_->callsOf(std::wstring(view(name)));
    size_t at = call == -1 ? calls.size() : size_t(call);
    if (at < 1 || at > calls.size()) raise(RuntimeError::SubscriptOutOfRange);
    const RecordedCall& c = *calls[at - 1];
    if (index < 1 || size_t(index) > c.args.size()) raise(RuntimeError::SubscriptOutOfRange);
    return c.args[size_t(index - 1)];
}

STDMETHODIMP FakeHost::ArgValue(BSTR Name, long Call, long Index, VARIANT* ret) {
    return guard([&] {
        initOut(ret);
        Variant(argOf(Name, Call, Index).value).detach(ret);
    });
}

STDMETHODIMP FakeHost::ArgType(BSTR Name, long Call, long Index, long* ret) {
    return guard([&] { initOut(ret, long(argOf(Name, Call, Index).vt)); });
}

STDMETHODIMP FakeHost::Reset() {
    return guard([&] { target_->clearCalls(); });
}

}  // namespace hostkit
