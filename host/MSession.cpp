#include "host/MSession.h"

#include <memory>

#include "com/LateCall.h"
#include "text/PropsText.h"

namespace orvi::session {

using com::Arg;
using com::Bstr;
using com::ComError;
using com::RuntimeError;

namespace {

constexpr const wchar_t* kStoreProgId = L"OrviPropsMgr.ShareProps";
constexpr const wchar_t* kLoaderProgId = L"OrviResLoader.Loader";
constexpr const wchar_t* kLibraryResources = L"OrviDesign";
constexpr const wchar_t* kSourceLanguage = L"CHS";

// Runtime error 429, what CreateObject reports for a class it cannot create.
constexpr HRESULT kCannotCreateObject = HRESULT(0x800A01ADu);

struct ThreadSession {
    std::wstring language;
    ComPtr<IDispatch> loader;
    props::PropsCollection parsed{UpperChar};
};

// This thread's state, in a plain TLS slot: no thread-exit callback, so a thread that outlives the
// module calls nothing here. The state is released by ReleaseThreadSession on its own thread.
DWORD allocatedSlot = TLS_OUT_OF_INDEXES;

BOOL CALLBACK allocateSlot(PINIT_ONCE, PVOID, PVOID*) {
    allocatedSlot = TlsAlloc();
    return TRUE;
}

DWORD sessionSlot() {
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    InitOnceExecuteOnce(&once, allocateSlot, nullptr, nullptr);
    return allocatedSlot;
}

ThreadSession* currentSession() noexcept {
    DWORD slot = sessionSlot();
    if (slot == TLS_OUT_OF_INDEXES) return nullptr;
    DWORD error = GetLastError();
    auto* state = static_cast<ThreadSession*>(TlsGetValue(slot));
    SetLastError(error);
    return state;
}

ThreadSession& threadSession() {
    DWORD slot = sessionSlot();
    if (slot == TLS_OUT_OF_INDEXES) com::raise(RuntimeError::OutOfMemory);
    ThreadSession* state = currentSession();
    if (!state) {
        auto fresh = std::make_unique<ThreadSession>();
        if (!TlsSetValue(slot, fresh.get())) com::raise(RuntimeError::OutOfMemory);
        state = fresh.release();
    }
    return *state;
}

// Takes the thread's error info on entry and puts exactly that back on exit (or none, if there
// was none): whatever fails in between does not show through.
class PendingErrorKeeper {
public:
    PendingErrorKeeper() noexcept {
        if (GetErrorInfo(0, &info_) != S_OK) info_ = nullptr;
    }
    ~PendingErrorKeeper() {
        SetErrorInfo(0, info_);
        if (info_) info_->Release();
    }
    PendingErrorKeeper(const PendingErrorKeeper&) = delete;
    PendingErrorKeeper& operator=(const PendingErrorKeeper&) = delete;

private:
    IErrorInfo* info_ = nullptr;
};

}  // namespace

void ReleaseThreadSession() noexcept {
    ThreadSession* state = currentSession();
    if (!state) return;
    // Detach first: releasing the loader may call back into the library on this thread.
    TlsSetValue(sessionSlot(), nullptr);
    delete state;
}

void ShutdownSessions() noexcept {
    DWORD slot = sessionSlot();
    if (slot != TLS_OUT_OF_INDEXES) TlsFree(slot);
}

wchar_t UpperChar(wchar_t c) noexcept {
    CharUpperBuffW(&c, 1);
    return c;
}

ComPtr<IDispatch> CreateObjectByProgID(std::wstring_view progId) {
    std::wstring name(progId);
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
    ComPtr<IDispatch> object;
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(object.GetAddressOf()));
    if (hr == E_OUTOFMEMORY) com::raise(RuntimeError::OutOfMemory);
    if (FAILED(hr) || !object) com::raise(kCannotCreateObject, L"ActiveX component can't create object");
    return object;
}

Variant GetShareProp(std::wstring_view key) {
    long processId = long(GetCurrentProcessId());
    Bstr name(key);
    ComPtr<IDispatch> store = CreateObjectByProgID(kStoreProgId);
    // The first read tells whether the property is an object; the second one is taken.
    bool isObject = com::call(store.Get(), L"GetProperty", {Arg::ref(processId), Arg::ref(name)}).isObject();
    Variant value = com::call(store.Get(), L"GetProperty", {Arg::ref(processId), Arg::ref(name)});
    if (isObject) return Variant(com::toObject(value.get()).Get());
    return value;
}

std::wstring GetPropsString() {
    return com::toString(GetShareProp(L"PropsString").get());
}

ComPtr<IDispatch> GetLoginObject() {
    return com::toObject(GetShareProp(L"OrviLogin").get());
}

std::wstring ShareUserName() {
    return com::toString(GetShareProp(L"UserName").get());
}

std::wstring ShareAcctID() {
    return com::toString(GetShareProp(L"AcctID").get());
}

std::wstring ShareAcctName() {
    return com::toString(GetShareProp(L"AcctName").get());
}

std::wstring ShareSetupType() {
    return com::toString(GetShareProp(L"SetupType").get());
}

std::wstring GetPropValue(std::wstring_view key) noexcept {
    try {
        std::wstring props;
        try {
            props = GetPropsString();
        } catch (...) {
            // An unreadable props string reads as "", which has no entries.
        }
        return props::PropValueIn(props, key, UpperChar);
    } catch (...) {
        return {};
    }
}

bool ParseProps(std::wstring_view props) {
    ThreadSession& state = threadSession();
    state.parsed = props::PropsCollection(UpperChar);
    try {
        props::ParseInto(props, state.parsed);
    } catch (const props::PropsCollection::DuplicateKey&) {
        com::raise(RuntimeError::DuplicateKey);
    }
    return true;
}

std::wstring GetParsedItem(std::wstring_view key) {
    try {
        return threadSession().parsed.Item(key);
    } catch (const props::PropsCollection::MissingKey&) {
        com::raise(RuntimeError::InvalidProcedureCall);
    }
}

const std::wstring& SessionLanguage() {
    ThreadSession& state = threadSession();
    if (state.language.empty()) state.language = GetPropValue(L"Language");
    return state.language;
}

IDispatch* SessionLoader(const wchar_t* progId) {
    ThreadSession& state = threadSession();
    if (!state.loader) state.loader = CreateObjectByProgID(progId);
    return state.loader.Get();
}

std::wstring LoadThrough(IDispatch* loader, std::wstring_view text) {
    props::SpacedText parts = props::SplitSpaces(text);
    Bstr core(parts.core);
    Variant translated = com::call(loader, L"LoadString", {Arg::ref(core)});
    return parts.leading + com::toString(translated.get()) + parts.trailing;
}

std::wstring LoadLangText(std::wstring_view text) noexcept {
    PendingErrorKeeper pending;
    try {
        const std::wstring& language = SessionLanguage();
        if (language == kSourceLanguage) return std::wstring(text);
        // Keep the thread's loader alive through the calls below.
        ComPtr<IDispatch> loader = SessionLoader(kLoaderProgId);
        if (com::toString(com::get(loader.Get(), L"ResFileBaseName").get()) != kLibraryResources)
            com::put(loader.Get(), L"ResFileBaseName", Arg(kLibraryResources));
        if (com::toString(com::get(loader.Get(), L"LanguageID").get()) != language)
            com::put(loader.Get(), L"LanguageID", Arg(language.c_str()));
        return LoadThrough(loader.Get(), text);
    } catch (...) {
    }
    try {
        return std::wstring(text);
    } catch (...) {
        return {};
    }
}

}  // namespace orvi::session
