#include "hostkit/ToolbarKit.h"

#include <utility>

#include "com/Errors.h"

namespace hostkit {

// The control's published interface identifiers.
const IID IID_ToolbarBand = {0x2ACF56E2, 0x56F1, 0x11D0, {0x9C, 0x43, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC}};
const IID IID_ToolbarBands = {0x0F987293, 0x56EE, 0x11D0, {0x9C, 0x43, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC}};
const IID IID_ToolbarTools = {0xFED621D4, 0x59B0, 0x11D0, {0x9C, 0x47, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC}};
const IID IID_ToolbarTool = {0xFED621D1, 0x59B0, 0x11D0, {0x9C, 0x47, 0x00, 0xA0, 0xC9, 0x0F, 0x29, 0xFC}};

namespace {

// Answered by every object of the stand-in with its C++ object, so that the stand-in can find
// its own objects behind the references it is handed. {6AE2BD02-C89C-470D-8E73-4B5099B018EF}
const IID IID_ToolbarKitObject = {0x6ae2bd02, 0xc89c, 0x470d, {0x8e, 0x73, 0x4b, 0x50, 0x99, 0xb0, 0x18, 0xef}};

bool recording = true;
bool tracing = false;

bool is(const wchar_t* member, const wchar_t* name) {
    return UntypedDispatch::sameName(member, name);
}

std::wstring text(const Variant& v) {
    return orvi::com::toString(v.get());
}

template <class T>
ComPtr<T> kitObject(IUnknown* object) {
    if (!object) return nullptr;
    ToolbarObject* found = nullptr;
    if (FAILED(object->QueryInterface(IID_ToolbarKitObject, reinterpret_cast<void**>(&found))) || !found)
        return nullptr;
    ComPtr<ToolbarObject> held = orvi::com::adopt(found);
    return ComPtr<T>(dynamic_cast<T*>(held.Get()));
}

// ---------------------------------------------------------------- published interfaces

using Face = ToolbarObject::PublishedFace;

constexpr size_t kDispatchSlots = 7;
constexpr size_t kRefusingSlots = 128;

const wchar_t* interfaceName(const IID* itf) {
    if (!itf) return L"unknown";
    if (*itf == IID_ToolbarBand) return L"band";
    if (*itf == IID_ToolbarBands) return L"band collection";
    if (*itf == IID_ToolbarTools) return L"tool collection";
    if (*itf == IID_ToolbarTool) return L"tool";
    return L"unknown";
}

HRESULT STDMETHODCALLTYPE faceQueryInterface(Face* self, REFIID riid, void** ppv) {
    return self->owner->QueryInterface(riid, ppv);
}
ULONG STDMETHODCALLTYPE faceAddRef(Face* self) {
    return self->owner->AddRef();
}
ULONG STDMETHODCALLTYPE faceRelease(Face* self) {
    return self->owner->Release();
}
HRESULT STDMETHODCALLTYPE faceGetTypeInfoCount(Face* self, UINT* count) {
    return self->owner->GetTypeInfoCount(count);
}
HRESULT STDMETHODCALLTYPE faceGetTypeInfo(Face* self, UINT index, LCID lcid, ITypeInfo** info) {
    return self->owner->GetTypeInfo(index, lcid, info);
}
HRESULT STDMETHODCALLTYPE faceGetIDsOfNames(Face* self, REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) {
    return self->owner->GetIDsOfNames(riid, names, count, lcid, ids);
}
HRESULT STDMETHODCALLTYPE faceInvoke(Face* self, DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    return self->owner->Invoke(id, riid, lcid, flags, params, result, excep, argErr);
}

// The refusal of an early-bound call through vtable slot `slot`. Every method of a dual
// interface returns an HRESULT; on x64 the caller removes its own arguments, so the refusal can
// return one. On x86 the callee would have to remove arguments of a size it does not know, so it
// never returns.
HRESULT refuseEarlyBound(Face* self, size_t slot) {
    std::wstring description = L"The toolbar stand-in has no early-bound " +
                               std::wstring(interfaceName(self->owner->publishedInterface())) +
                               L" interface (vtable slot " + std::to_wstring(slot) + L"); call it through IDispatch";
    HRESULT hr = ComError(E_NOTIMPL, description, kToolbarSource).report(kToolbarSource);
#ifdef _WIN64
    return hr;
#else
    (void)hr;
    OutputDebugStringW(description.c_str());
    RaiseException(kToolbarEarlyBoundCall, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    return hr;
#endif
}

template <size_t N>
HRESULT STDMETHODCALLTYPE refusingSlot(Face* self) {
    return refuseEarlyBound(self, kDispatchSlots + N);
}

template <size_t... N>
const void* const* publishedTable(std::index_sequence<N...>) {
    static const void* const table[] = {
        reinterpret_cast<const void*>(&faceQueryInterface),   reinterpret_cast<const void*>(&faceAddRef),
        reinterpret_cast<const void*>(&faceRelease),          reinterpret_cast<const void*>(&faceGetTypeInfoCount),
        reinterpret_cast<const void*>(&faceGetTypeInfo),      reinterpret_cast<const void*>(&faceGetIDsOfNames),
        reinterpret_cast<const void*>(&faceInvoke),           reinterpret_cast<const void*>(&refusingSlot<N>)...};
    static_assert(sizeof table / sizeof table[0] == kDispatchSlots + sizeof...(N));
    return table;
}

const void* const* publishedVtable() {
    static const void* const* table = publishedTable(std::make_index_sequence<kRefusingSlots>());
    return table;
}

}  // namespace

// ---------------------------------------------------------------- ToolbarObject

ToolbarObject::ToolbarObject(std::wstring label, const Member* members, size_t count, const IID* itf)
    : label_(std::move(label)), members_(members), memberCount_(count), itf_(itf), values_(count),
      face_{publishedVtable(), this} {
    for (size_t i = 0; i < count; ++i) {
        VARTYPE vt = members[i].vt;
        if (vt == VT_EMPTY) continue;
        VARIANT& v = values_[i].get();
        V_VT(&v) = vt;
        if (vt == VT_BSTR) V_BSTR(&v) = SysAllocString(L"");
        else if (vt == VT_BOOL) V_BOOL(&v) = VARIANT_FALSE;
        else if (vt == VT_I2) V_I2(&v) = 0;
        else V_I4(&v) = 0;
    }
}


void ToolbarObject::recordCalls(bool on) noexcept {
    recording = on;
}

void ToolbarObject::traceReleases(bool on) noexcept {
    tracing = on;
}

std::vector<std::wstring>& ToolbarObject::releaseLog() {
    static std::vector<std::wstring> log;
    return log;
}

int ToolbarObject::memberIndex(const wchar_t* name) const {
    for (size_t i = 0; i < memberCount_; ++i)
        if (sameName(members_[i].name, name)) return int(i);
    return -1;
}

std::vector<const RecordedCall*> ToolbarObject::callsOf(const std::wstring& member) const {
    std::vector<const RecordedCall*> r;
    for (const RecordedCall& c : calls_)
        if (sameName(c.member.c_str(), member.c_str())) r.push_back(&c);
    return r;
}

size_t ToolbarObject::count(const std::wstring& member) const {
    return callsOf(member).size();
}

const RecordedCall* ToolbarObject::last(const std::wstring& member) const {
    auto all = callsOf(member);
    return all.empty() ? nullptr : all.back();
}

ToolbarObject& ToolbarObject::fails(const std::wstring& member, HRESULT hr, std::wstring description,
                                    std::wstring source) {
    for (Failure& f : failures_)
        if (sameName(f.member.c_str(), member.c_str())) {
            f = {member, hr, std::move(description), std::move(source)};
            return *this;
        }
    failures_.push_back({member, hr, std::move(description), std::move(source)});
    return *this;
}

Variant ToolbarObject::prop(const wchar_t* name) const {
    int i = memberIndex(name);
    return i < 0 ? Variant() : values_[size_t(i)];
}

void ToolbarObject::setProp(const wchar_t* name, const Variant& value) {
    int i = memberIndex(name);
    if (i < 0 || members_[i].vt == VT_EMPTY) return;
    Variant converted;
    orvi::com::changeType(converted.get(), value.get(), members_[i].vt);
    values_[size_t(i)] = std::move(converted);
}

void ToolbarObject::raise(HRESULT hr, std::wstring description) {
    throw ComError(hr, std::move(description), kToolbarSource);
}

Variant ToolbarObject::Call::value(size_t i) const {
    if (i >= args.size()) throw ComError(orvi::com::runtimeHresult(RuntimeError::ArgumentNotOptional),
                                         orvi::com::runtimeErrorText(449), kToolbarSource);
    return Variant(*args[i]);
}

void ToolbarObject::call(Call&) {
    throw ComError(orvi::com::runtimeHresult(RuntimeError::NoSuchMember), orvi::com::runtimeErrorText(438),
                   kToolbarSource);
}

void* ToolbarObject::extraInterface(REFIID riid) noexcept {
    if (itf_ && riid == *itf_) return &face_;
    if (riid == IID_ToolbarKitObject) return this;
    return nullptr;
}

void ToolbarObject::onRelease() noexcept {
    if (tracing) releaseLog().push_back(label_);
}

STDMETHODIMP ToolbarObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excep, UINT*) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!params || (params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs) return E_INVALIDARG;
    if (result) VariantInit(result);
    if (id < 1 || size_t(id) > memberCount_) return DISP_E_MEMBERNOTFOUND;
    AddRef();  // a handler may drop the caller's last outside reference
    HRESULT hr = S_OK;
    try {
        const size_t m = size_t(id - 1);
        const Member& member = members_[m];
        Call c{m, flags, {}, {}};
        UINT named = params->cNamedArgs;
        for (UINT i = params->cArgs; i > named; --i) c.args.push_back(&params->rgvarg[i - 1]);
        for (UINT i = 0; i < named; ++i) c.args.push_back(&params->rgvarg[i]);
        if (recording) {
            RecordedCall record{member.name, flags, {}};
            for (VARIANT* a : c.args) record.args.push_back({V_VT(a), Variant(*a)});
            calls_.push_back(std::move(record));
        }
        for (const Failure& f : failures_)
            if (FAILED(f.hr) && sameName(f.member.c_str(), member.name)) throw ComError(f.hr, f.description, f.source);
        if (member.vt == VT_EMPTY) {
            call(c);
        } else if (c.isPut()) {
            Variant converted;
            orvi::com::changeType(converted.get(), c.value(c.args.size() - 1).get(), member.vt);
            values_[m] = std::move(converted);
        } else {
            c.result = values_[m];
        }
        if (result && !c.isPut()) c.result.detach(result);
    } catch (const ComError& e) {
        hr = failed(e, excep, kToolbarSource);
    } catch (...) {
        hr = E_OUTOFMEMORY;
    }
    Release();
    return hr;
}

// ---------------------------------------------------------------- tools

static const ToolbarObject::Member kToolMembers[] = {
    {L"ToolID", VT_I4},       {L"ToolName", VT_BSTR},   {L"Caption", VT_BSTR},        {L"TooltipText", VT_BSTR},
    {L"Description", VT_BSTR}, {L"SubBand", VT_BSTR},   {L"Visible", VT_BOOL},        {L"Default", VT_BOOL},
    {L"Enabled", VT_BOOL},    {L"Checked", VT_BOOL},    {L"BeginGroup", VT_BOOL},     {L"Tag", VT_I4},
    {L"ShortcutKey", VT_I4},  {L"Style", VT_I4},        {L"CaptionPosition", VT_I4},  {L"Alignment", VT_I4},
    {L"SetPicture", VT_EMPTY},
};

ToolbarTool::ToolbarTool(long id, const std::wstring& name)
    : ToolbarObject(L"tool:" + std::to_wstring(id), kToolMembers, sizeof kToolMembers / sizeof kToolMembers[0],
                    &IID_ToolbarTool) {
    setProp(L"ToolID", Variant(id));
    setProp(L"ToolName", Variant(std::wstring_view(name)));
    setProp(L"Visible", Variant(true));
    setProp(L"Enabled", Variant(true));
}

long ToolbarTool::id() const {
    return V_I4(&prop(L"ToolID").get());
}

std::wstring ToolbarTool::name() const {
    return text(prop(L"ToolName"));
}

const ToolbarTool::Face* ToolbarTool::face(short index) const {
    auto it = faces_.find(index);
    return it == faces_.end() ? nullptr : &it->second;
}

ComPtr<ToolbarTool> ToolbarTool::from(IUnknown* object) {
    return kitObject<ToolbarTool>(object);
}

void ToolbarTool::call(Call& c) {
    const wchar_t* m = kToolMembers[c.member].name;
    if (is(m, L"SetPicture")) {
        short index = orvi::com::toShort(c.value(0).get());
        Variant picture = c.value(1);
        if (!picture.isObject())
            raise(orvi::com::runtimeHresult(RuntimeError::TypeMismatch), L"Picture object required");
        long mask = orvi::com::toLong(c.value(2).get());
        faces_[index] = Face{std::move(picture), mask};
        return;
    }
    ToolbarObject::call(c);
}

static const ToolbarObject::Member kToolsMembers[] = {
    {L"Add", VT_EMPTY},    {L"Item", VT_EMPTY},      {L"Count", VT_EMPTY},
    {L"Remove", VT_EMPTY}, {L"RemoveAll", VT_EMPTY}, {L"Insert", VT_EMPTY},
};

ToolbarTools::ToolbarTools(std::wstring owner)
    : ToolbarObject(L"tools:" + owner, kToolsMembers, sizeof kToolsMembers / sizeof kToolsMembers[0],
                    &IID_ToolbarTools) {}

ComPtr<ToolbarTool> ToolbarTools::add(long id, const std::wstring& name) {
    ComPtr<ToolbarTool> tool = orvi::com::adopt(new ToolbarTool(id, name));
    tools_.push_back(tool);
    return tool;
}

void ToolbarTools::insert(long position, ToolbarTool* tool) {
    ComPtr<ToolbarTool> held(tool);
    if (position >= 0 && size_t(position) <= tools_.size())
        tools_.insert(tools_.begin() + position, held);
    else
        tools_.push_back(held);
}

void ToolbarTools::removeAt(size_t position) {
    tools_.erase(tools_.begin() + long(position));
}

std::vector<long> ToolbarTools::ids() const {
    std::vector<long> r;
    for (const auto& t : tools_) r.push_back(t->id());
    return r;
}

// The position an index names: a string is a name (exact match), anything else a position
// counted from 0.
template <class Item>
size_t resolveIndex(const Variant& index, const std::vector<ComPtr<Item>>& items) {
    if (index.vt() == VT_BSTR) {
        std::wstring name = text(index);
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i]->name() == name) return i;
        throw ComError(kToolbarBadIndex, L"Invalid index: " + name, kToolbarSource);
    }
    long position = -1;
    try {
        position = orvi::com::toLong(index.get());
    } catch (const ComError&) {
        throw ComError(kToolbarBadIndex, L"Invalid index", kToolbarSource);
    }
    if (position < 0 || size_t(position) >= items.size())
        throw ComError(kToolbarBadIndex, L"Invalid index: " + std::to_wstring(position), kToolbarSource);
    return size_t(position);
}

size_t ToolbarTools::resolve(const Variant& index) const {
    return resolveIndex(index, tools_);
}

void ToolbarTools::call(Call& c) {
    const wchar_t* m = kToolsMembers[c.member].name;
    if (is(m, L"Add")) {
        long id = orvi::com::toLong(c.value(0).get());
        std::wstring name = text(c.value(1));
        for (const auto& t : tools_)
            if (t->id() == id) raise(kToolbarDuplicateId, L"Tool ID " + std::to_wstring(id) + L" is already in use");
        c.result = objectValue(add(id, name).Get());
    } else if (is(m, L"Item")) {
        c.result = objectValue(tools_[resolve(c.value(0))].Get());
    } else if (is(m, L"Count")) {
        c.result = Variant(short(tools_.size()));
    } else if (is(m, L"Remove")) {
        removeAt(resolve(c.value(0)));
    } else if (is(m, L"RemoveAll")) {
        clear();
    } else if (is(m, L"Insert")) {
        long position = orvi::com::toLong(c.value(0).get());
        Variant object = c.value(1);
        ComPtr<ToolbarTool> tool = object.isObject() ? ToolbarTool::from(V_UNKNOWN(&object.get())) : nullptr;
        if (!tool) raise(kToolbarNotATool, L"Tool object required");
        insert(position, tool.Get());
    } else {
        ToolbarObject::call(c);
    }
}

// ---------------------------------------------------------------- bands

static const ToolbarObject::Member kBandMembers[] = {
    {L"Refresh", VT_EMPTY},     {L"Tools", VT_EMPTY},   {L"BandName", VT_BSTR},      {L"Caption", VT_BSTR},
    {L"BandType", VT_I4},       {L"Flags", VT_I4},      {L"DockLine", VT_I4},        {L"DockingOffset", VT_I4},
    {L"DockingArea", VT_I4},    {L"Visible", VT_BOOL},  {L"Wrappable", VT_BOOL},     {L"CurrentTool", VT_I2},
};

ToolbarBand::ToolbarBand(const std::wstring& name)
    : ToolbarObject(L"band:" + name, kBandMembers, sizeof kBandMembers / sizeof kBandMembers[0], &IID_ToolbarBand),
      tools_(orvi::com::adopt(new ToolbarTools(name))) {
    setProp(L"BandName", Variant(std::wstring_view(name)));
    setProp(L"Visible", Variant(true));
    setProp(L"DockingArea", Variant(1L));
}

ToolbarBand::~ToolbarBand() = default;

std::wstring ToolbarBand::name() const {
    return text(prop(L"BandName"));
}

void ToolbarBand::call(Call& c) {
    const wchar_t* m = kBandMembers[c.member].name;
    if (is(m, L"Refresh")) return;
    if (is(m, L"Tools") && !c.isPut()) {
        c.result = objectValue(tools_.Get());
        return;
    }
    ToolbarObject::call(c);
}

static const ToolbarObject::Member kBandsMembers[] = {
    {L"Add", VT_EMPTY}, {L"Item", VT_EMPTY}, {L"Count", VT_EMPTY}, {L"Remove", VT_EMPTY}, {L"RemoveAll", VT_EMPTY},
};

ToolbarBands::ToolbarBands()
    : ToolbarObject(L"bands", kBandsMembers, sizeof kBandsMembers / sizeof kBandsMembers[0], &IID_ToolbarBands) {}

ToolbarBands::~ToolbarBands() = default;

ComPtr<ToolbarBand> ToolbarBands::add(const std::wstring& name) {
    ComPtr<ToolbarBand> band = orvi::com::adopt(new ToolbarBand(name));
    bands_.push_back(band);
    return band;
}

size_t ToolbarBands::resolve(const Variant& index) const {
    return resolveIndex(index, bands_);
}

void ToolbarBands::call(Call& c) {
    const wchar_t* m = kBandsMembers[c.member].name;
    if (is(m, L"Add")) {
        c.result = objectValue(add(text(c.value(0))).Get());
    } else if (is(m, L"Item")) {
        c.result = objectValue(bands_[resolve(c.value(0))].Get());
    } else if (is(m, L"Count")) {
        c.result = Variant(short(bands_.size()));
    } else if (is(m, L"Remove")) {
        bands_.erase(bands_.begin() + long(resolve(c.value(0))));
    } else if (is(m, L"RemoveAll")) {
        bands_.clear();
    } else {
        ToolbarObject::call(c);
    }
}

// ---------------------------------------------------------------- form and control

static const ToolbarObject::Member kFormMembers[] = {{L"RefreshToolbarTool", VT_EMPTY}};

ToolbarForm::ToolbarForm() : ToolbarObject(L"form", kFormMembers, 1, nullptr) {}

void ToolbarForm::leaves(IDispatch* object) {
    replaces_ = true;
    replacement_ = object;
}

void ToolbarForm::call(Call& c) {
    if (c.args.size() != 1)
        raise(orvi::com::runtimeHresult(RuntimeError::WrongArgumentCount), orvi::com::runtimeErrorText(450));
    if (!replaces_) return;
    VARIANT* arg = c.args[0];
    if (V_VT(arg) == (VT_BYREF | VT_DISPATCH) && V_DISPATCHREF(arg)) {
        IDispatch*& slot = *V_DISPATCHREF(arg);
        if (replacement_) replacement_->AddRef();
        if (slot) slot->Release();
        slot = replacement_.Get();
    } else if (V_VT(arg) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(arg)) {
        VariantClear(V_VARIANTREF(arg));
        objectValue(replacement_.Get()).detach(V_VARIANTREF(arg));
    }
}

static const ToolbarObject::Member kControlMembers[] = {
    {L"Refresh", VT_EMPTY}, {L"ActiveBand", VT_EMPTY}, {L"Bands", VT_EMPTY},
    {L"Tools", VT_EMPTY},   {L"Parent", VT_EMPTY},
};

ToolbarControl::ToolbarControl()
    : ToolbarObject(L"control", kControlMembers, sizeof kControlMembers / sizeof kControlMembers[0], nullptr),
      bands_(orvi::com::adopt(new ToolbarBands())),
      tools_(orvi::com::adopt(new ToolbarTools(L"control"))) {}

ToolbarControl::~ToolbarControl() {
    active_.Reset();
    form_.Reset();
    tools_.Reset();
    bands_.Reset();
}

void* ToolbarControl::extraInterface(REFIID riid) noexcept {
    if (riid == DIID_DToolbarControl) return static_cast<IDispatch*>(this);
    return ToolbarObject::extraInterface(riid);
}

void ToolbarControl::call(Call& c) {
    const wchar_t* m = kControlMembers[c.member].name;
    if (is(m, L"Refresh")) return;
    if (is(m, L"ActiveBand")) {
        if (c.isPut()) {
            Variant band = c.value(c.args.size() - 1);
            ComPtr<ToolbarBand> found = band.isObject() ? kitObject<ToolbarBand>(V_UNKNOWN(&band.get())) : nullptr;
            if (band.isObject() && V_UNKNOWN(&band.get()) && !found) raise(kToolbarBadIndex, L"Band object required");
            active_ = found;
        } else {
            c.result = objectValue(active_.Get());
        }
        return;
    }
    if (c.isPut()) ToolbarObject::call(c);
    if (is(m, L"Bands")) c.result = objectValue(bands_.Get());
    else if (is(m, L"Tools")) c.result = objectValue(tools_.Get());
    else if (is(m, L"Parent")) c.result = objectValue(form_.Get());
    else ToolbarObject::call(c);
}

ComPtr<ToolbarControl> newToolbar(bool withForm) {
    ComPtr<ToolbarControl> control = orvi::com::adopt(new ToolbarControl());
    if (withForm) control->setForm(orvi::com::adopt(new ToolbarForm()));
    return control;
}

HRESULT createToolbar(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    try {
        return newToolbar()->QueryInterface(riid, ppv);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace hostkit
