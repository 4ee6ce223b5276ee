#include "hostkit/MessageKit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwctype>

#include "com/Collection.h"
#include "com/LateCall.h"
#include "hostkit/KitState.h"
#include "hostkit/WideText.h"

namespace hostkit {

using orvi::com::Arg;

const orvi::com::TypeLibDesc& MessageKitLibrary::typeLib() noexcept {
    static const orvi::com::TypeLibDesc lib(LIBID_MessageKit, 1, 0, 4);
    return lib;
}

namespace {

constexpr DISPID kSendMessageId = 1;
constexpr const char* kFormatLine = "OrviMessageKit 1";

std::wstring trimSpaces(const std::wstring& s) {
    size_t begin = s.find_first_not_of(L' ');
    if (begin == std::wstring::npos) return {};
    return s.substr(begin, s.find_last_not_of(L' ') - begin + 1);
}

std::wstring escapeTitle(const std::wstring& s) {
    std::wstring r;
    for (wchar_t c : s) {
        if (c < 32 || c == L'%') {
            wchar_t code[4];
            std::swprintf(code, 4, L"%%%02X", unsigned(c));
            r += code;
        } else {
            r += c;
        }
    }
    return r;
}

std::wstring unescapeTitle(const std::wstring& s) {
    std::wstring r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'%' && i + 2 < s.size() && iswxdigit(s[i + 1]) && iswxdigit(s[i + 2])) {
            r += wchar_t(std::wcstoul(s.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            r += s[i];
        }
    }
    return r;
}

struct RecordedArg {
    VARTYPE vt;
    Variant value;
};
using RecordedCall = std::vector<RecordedArg>;

struct SendFailure {
    HRESULT hr = S_OK;
    std::wstring description;
    long helpContext = 0;
};

// What the kit of this module holds. Made once and never destroyed: objects may still be
// released late in the life of the process.
struct KitState {
    CRITICAL_SECTION lock;
    std::vector<RecordedCall> calls;
    SendFailure sendFailure;
    HRESULT createFailure = S_OK;
    long created = 0, alive = 0;
    std::wstring inboxFolder = defaultInboxFolder();
    KitState() { InitializeCriticalSection(&lock); }
};

using Locked = LockedState<KitState>;

std::wstring currentInboxFolder() {
    Locked k;
    return k->inboxFolder;
}

// Element i of a one-dimensional array, whatever its element type.
Variant elementAt(SAFEARRAY* array, LONG i) {
    VARTYPE vt = VT_EMPTY;
    orvi::com::check(SafeArrayGetVartype(array, &vt));
    void* data = nullptr;
    orvi::com::check(SafeArrayLock(array));
    HRESULT hr = SafeArrayPtrOfIndex(array, &i, &data);
    Variant r;
    if (SUCCEEDED(hr)) {
        if (vt == VT_VARIANT) {
            r = Variant(*static_cast<VARIANT*>(data));
        } else {
            VARIANT ref;
            V_VT(&ref) = VARTYPE(VT_BYREF | vt);
            V_BYREF(&ref) = data;
            try {
                r = Variant(ref);
            } catch (...) {
                SafeArrayUnlock(array);
                throw;
            }
        }
    }
    SafeArrayUnlock(array);
    orvi::com::check(hr);
    return r;
}

// The items of the recipient collection (1 to Count). The client's component declares the
// parameter As Collection: it asks the object for the automation _Collection interface and calls
// it early-bound, so an object without that interface is a type mismatch.
std::vector<Variant> itemsOf(IUnknown* list) {
    ComPtr<orvi::com::AutomationCollection> collection;
    if (!list || FAILED(list->QueryInterface(__uuidof(orvi::com::AutomationCollection),
                                             reinterpret_cast<void**>(collection.GetAddressOf()))))
        raise(RuntimeError::TypeMismatch);
    std::vector<Variant> items;
    long count = 0;
    orvi::com::checkCall(collection->Count(&count), collection.Get(), __uuidof(orvi::com::AutomationCollection));
    for (long i = 1; i <= count; ++i) {
        Variant index(i), item;
        orvi::com::checkCall(collection->Item(&index.get(), &item.get()), collection.Get(),
                             __uuidof(orvi::com::AutomationCollection));
        items.push_back(std::move(item));
    }
    return items;
}

// What is recorded for an argument: its value with references followed; an object as the array
// of its items (so that the kit keeps no reference to the caller's objects).
Variant recordedValue(const VARIANT& arg) {
    Variant value(arg);
    if (!value.isObject()) return value;
    std::vector<Variant> items;
    try {
        items = itemsOf(V_UNKNOWN(&value.get()));
    } catch (...) {
        return Variant();
    }
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, ULONG(items.size()));
    if (!array) return Variant();
    for (LONG i = 0; i < LONG(items.size()); ++i) SafeArrayPutElement(array, &i, &items[size_t(i)].get());
    Variant r;
    V_VT(&r.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&r.get()) = array;
    return r;
}

// The recipients' texts, spaces trimmed.
std::vector<std::wstring> recipientsOf(const VARIANT& users) {
    Variant given(users);
    std::vector<Variant> values;
    if (given.isObject()) {
        values = itemsOf(V_UNKNOWN(&given.get()));
    } else if (given.vt() & VT_ARRAY) {
        SAFEARRAY* array = V_ARRAY(&given.get());
        if (!array || SafeArrayGetDim(array) != 1) raise(RuntimeError::TypeMismatch);
        LONG lower = 0, upper = -1;
        orvi::com::check(SafeArrayGetLBound(array, 1, &lower));
        orvi::com::check(SafeArrayGetUBound(array, 1, &upper));
        for (LONG i = lower; i <= upper; ++i) values.push_back(elementAt(array, i));
    } else {
        values.push_back(std::move(given));
    }
    std::vector<std::wstring> recipients;
    for (const Variant& v : values) {
        std::wstring r = trimSpaces(orvi::com::toString(v.get()));
        if (r.empty()) raise(RuntimeError::InvalidProcedureCall);
        recipients.push_back(std::move(r));
    }
    return recipients;
}

InboxMessage* parse(const std::string& bytes, InboxMessage& m) {
    size_t end = bytes.find("\r\n\r\n");
    if (end == std::string::npos) return nullptr;
    std::string header = bytes.substr(0, end + 2);
    std::vector<std::string> lines;
    for (size_t at = 0; at < header.size();) {
        size_t eol = header.find("\r\n", at);
        lines.push_back(header.substr(at, eol - at));
        at = eol + 2;
    }
    if (lines.empty() || lines[0] != kFormatLine) return nullptr;
    long length = -1;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        size_t colon = line.find(": ");
        if (colon == std::string::npos) return nullptr;
        std::string name = line.substr(0, colon), value = line.substr(colon + 2);
        if (name == "Sender") m.sender = std::strtol(value.c_str(), nullptr, 10);
        else if (name == "Kind") m.kind = std::strtol(value.c_str(), nullptr, 10);
        else if (name == "Title") m.title = unescapeTitle(widen(value));
        else if (name == "Length") length = std::strtol(value.c_str(), nullptr, 10);
    }
    m.body = bytes.substr(end + 4);
    if (length < 0 || size_t(length) != m.body.size()) return nullptr;
    return &m;
}

bool readFile(const std::wstring& path, std::string& out) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    out.clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) out.append(buffer, got);
    CloseHandle(file);
    return true;
}

std::vector<std::wstring> messageFiles(const std::wstring& folder, const std::wstring& recipient) {
    std::wstring dir = folder + L"\\" + inboxName(recipient);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\*.msg").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, L".msg") == 0) names.push_back(dir + L"\\" + name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

InboxMessage inboxMessage(BSTR recipient, long index) {
    std::vector<InboxMessage> inbox = readInbox(currentInboxFolder(), std::wstring(view(recipient)));
    if (index < 1 || size_t(index) > inbox.size()) raise(RuntimeError::SubscriptOutOfRange);
    return std::move(inbox[size_t(index - 1)]);
}

const RecordedArg& recordedArg(const Locked& k, long call, long index) {
    size_t at = call == -1 ? k->calls.size() : size_t(call);
    if (call == 0 || at < 1 || at > k->calls.size()) raise(RuntimeError::SubscriptOutOfRange);
    const RecordedCall& c = k->calls[at - 1];
    if (index < 1 || size_t(index) > c.size()) raise(RuntimeError::SubscriptOutOfRange);
    return c[size_t(index - 1)];
}

}  // namespace

// ---------------------------------------------------------------- inboxes

std::wstring defaultInboxFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH, temp);
    std::wstring dir(temp, n <= MAX_PATH ? n : 0);
    if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
    return dir + L"\\OrviMessageKit";
}

std::wstring inboxName(const std::wstring& recipient) {
    std::wstring name = trimSpaces(recipient);
    for (wchar_t& c : name)
        if (!iswalnum(c) && c != L'-' && c != L'_') c = L'_';
    return name;
}

std::vector<InboxMessage> readInbox(const std::wstring& folder, const std::wstring& recipient) {
    std::vector<InboxMessage> inbox;
    for (const std::wstring& path : messageFiles(folder, recipient)) {
        std::string bytes;
        InboxMessage m;
        m.file = path;
        if (readFile(path, bytes) && parse(bytes, m)) inbox.push_back(std::move(m));
    }
    return inbox;
}

bool deliver(const std::wstring& folder, const std::wstring& recipient, const InboxMessage& message) {
    static volatile LONG sequence = 0;
    std::wstring dir = folder + L"\\" + inboxName(recipient);
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW(dir.c_str(), nullptr);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    unsigned long long stamp = (unsigned long long)now.dwHighDateTime << 32 | now.dwLowDateTime;
    wchar_t name[64];
    std::swprintf(name, 64, L"%016llX-%08lX-%08lX.msg", stamp, (unsigned long)GetCurrentProcessId(),
                  (unsigned long)InterlockedIncrement(&sequence));
    std::wstring path = dir + L"\\" + name, part = path + L".part";

    std::string content = std::string(kFormatLine) + "\r\n";
    content += "Sender: " + std::to_string(message.sender) + "\r\n";
    content += "Kind: " + std::to_string(message.kind) + "\r\n";
    content += "Title: " + narrow(escapeTitle(message.title)) + "\r\n";
    content += "Length: " + std::to_string(message.body.size()) + "\r\n\r\n";
    content += message.body;

    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, content.data(), DWORD(content.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != content.size() || !MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(part.c_str());
        return false;
    }
    return true;
}

void clearInbox(const std::wstring& folder, const std::wstring& recipient) {
    for (const std::wstring& path : messageFiles(folder, recipient)) DeleteFileW(path.c_str());
    RemoveDirectoryW((folder + L"\\" + inboxName(recipient)).c_str());
}

// ---------------------------------------------------------------- MessageComponent

MessageComponent::MessageComponent() {
    Locked k;
    ++k->created;
    ++k->alive;
}

MessageComponent::~MessageComponent() {
    Locked k;
    --k->alive;
}

STDMETHODIMP MessageComponent::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                      VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    if (riid == IID_NULL && id == kSendMessageId && params && (params->rgvarg || !params->cArgs)) {
        SendFailure failure;
        try {
            RecordedCall call;
            for (UINT i = params->cArgs; i > params->cNamedArgs; --i) {
                const VARIANT& a = params->rgvarg[i - 1];
                call.push_back({V_VT(&a), recordedValue(a)});
            }
            Locked k;
            k->calls.push_back(std::move(call));
            failure = k->sendFailure;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        if (FAILED(failure.hr)) {
            if (result) VariantInit(result);
            ComError e(failure.hr, failure.description, kSource);
            if (failure.helpContext) e.withHelp(L"OrviMessageKit.chm", DWORD(failure.helpContext));
            HRESULT hr = e.report(kSource);
            if (!excep) return hr;
            orvi::com::fillExcepInfo(excep, hr);
            return DISP_E_EXCEPTION;
        }
    }
    return Base::Invoke(id, riid, lcid, flags, params, result, excep, argErr);
}

STDMETHODIMP MessageComponent::SendMessage(VARIANT FromUser, VARIANT Users, VARIANT Title, VARIANT Kind,
                                           VARIANT Body, VARIANT Length, VARIANT_BOOL* ret) {
    return guard([&] {
        initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        InboxMessage m;
        m.sender = orvi::com::toLong(FromUser);
        m.kind = orvi::com::toLong(Kind);
        m.title = orvi::com::toString(Title);
        long length = orvi::com::toLong(Length);
        Variant body(Body);
        if (body.vt() != (VT_ARRAY | VT_UI1) || !V_ARRAY(&body.get()) || SafeArrayGetDim(V_ARRAY(&body.get())) != 1)
            raise(RuntimeError::TypeMismatch);
        SAFEARRAY* bytes = V_ARRAY(&body.get());
        LONG lower = 0, upper = -1;
        orvi::com::check(SafeArrayGetLBound(bytes, 1, &lower));
        orvi::com::check(SafeArrayGetUBound(bytes, 1, &upper));
        if (length < 0 || length > upper - lower + 1) raise(RuntimeError::InvalidProcedureCall);
        m.body.assign(static_cast<const char*>(bytes->pvData), size_t(length));
        std::wstring folder = currentInboxFolder();
        for (const std::wstring& recipient : recipientsOf(Users))
            if (!deliver(folder, recipient, m)) orvi::com::throwHresult(HRESULT_FROM_WIN32(GetLastError()));
        *ret = VARIANT_TRUE;
    });
}

HRESULT createMessageComponent(REFIID riid, void** ppv) noexcept {
    HRESULT failure;
    {
        Locked k;
        failure = k->createFailure;
    }
    if (FAILED(failure)) {
        if (ppv) *ppv = nullptr;
        return failure;
    }
    return orvi::com::createInstance<MessageComponent>(riid, ppv);
}

// ---------------------------------------------------------------- MessageControl

STDMETHODIMP MessageControl::get_CallCount(long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        Locked k;
        *ret = long(k->calls.size());
    });
}

STDMETHODIMP MessageControl::ArgType(long Call, long Index, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        Locked k;
        *ret = long(recordedArg(k, Call, Index).vt);
    });
}

STDMETHODIMP MessageControl::ArgValue(long Call, long Index, VARIANT* ret) {
    return guard([&] {
        initOut(ret);
        Variant copy;
        {
            Locked k;
            copy = recordedArg(k, Call, Index).value;
        }
        copy.detach(ret);
    });
}

STDMETHODIMP MessageControl::FailSend(long Number, BSTR Description, long HelpContext) {
    return guard([&] {
        // Small numbers are runtime errors, as scripts give them.
        HRESULT hr = Number > 0 && Number < 0x10000 ? HRESULT(0x800A0000u | unsigned(Number)) : HRESULT(Number);
        Locked k;
        k->sendFailure = Number == 0 ? SendFailure{} : SendFailure{hr, std::wstring(view(Description)), HelpContext};
    });
}

STDMETHODIMP MessageControl::FailCreate(long Result) {
    return guard([&] {
        Locked k;
        k->createFailure = HRESULT(Result);
    });
}

STDMETHODIMP MessageControl::Reset() {
    return guard([&] {
        std::vector<RecordedCall> calls;  // released after the lock is left
        Locked k;
        std::swap(calls, k->calls);
        k->sendFailure = SendFailure{};
        k->createFailure = S_OK;
        k->created = 0;
    });
}

STDMETHODIMP MessageControl::get_Created(long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        Locked k;
        *ret = k->created;
    });
}

STDMETHODIMP MessageControl::get_Alive(long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        Locked k;
        *ret = k->alive;
    });
}

STDMETHODIMP MessageControl::get_InboxFolder(BSTR* ret) {
    return guard([&] {
        initOut(ret);
        *ret = Bstr(currentInboxFolder()).release();
    });
}

STDMETHODIMP MessageControl::put_InboxFolder(BSTR Value) {
    return guard([&] {
        std::wstring folder(view(Value));
        if (folder.empty()) raise(RuntimeError::InvalidProcedureCall);
        Locked k;
        k->inboxFolder = folder;
    });
}

STDMETHODIMP MessageControl::InboxCount(BSTR Recipient, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        *ret = long(readInbox(currentInboxFolder(), std::wstring(view(Recipient))).size());
    });
}

STDMETHODIMP MessageControl::InboxSender(BSTR Recipient, long Index, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        *ret = inboxMessage(Recipient, Index).sender;
    });
}

STDMETHODIMP MessageControl::InboxTitle(BSTR Recipient, long Index, BSTR* ret) {
    return guard([&] {
        initOut(ret);
        *ret = Bstr(inboxMessage(Recipient, Index).title).release();
    });
}

STDMETHODIMP MessageControl::InboxKind(BSTR Recipient, long Index, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        *ret = inboxMessage(Recipient, Index).kind;
    });
}

STDMETHODIMP MessageControl::InboxBody(BSTR Recipient, long Index, VARIANT* ret) {
    return guard([&] {
        initOut(ret);
        std::string body = inboxMessage(Recipient, Index).body;
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, ULONG(body.size()));
        if (!array) raise(RuntimeError::OutOfMemory);
        if (!body.empty()) std::copy(body.begin(), body.end(), static_cast<char*>(array->pvData));
        V_VT(ret) = VT_ARRAY | VT_UI1;
        V_ARRAY(ret) = array;
    });
}

STDMETHODIMP MessageControl::InboxText(BSTR Recipient, long Index, BSTR* ret) {
    return guard([&] {
        initOut(ret);
        *ret = Bstr(widen(inboxMessage(Recipient, Index).body, CP_ACP)).release();
    });
}

STDMETHODIMP MessageControl::ClearInbox(BSTR Recipient) {
    return guard([&] { clearInbox(currentInboxFolder(), std::wstring(view(Recipient))); });
}

// ---------------------------------------------------------------- MessageHost

namespace {

void checked(HRESULT hr, IUnknown* object) {
    orvi::com::checkCall(hr, object, __uuidof(IMessageKit));
}

}  // namespace

MessageHost::MessageHost() {
    CLSID clsid;
    orvi::com::check(CLSIDFromProgID(L"OrviHostKit.MessageKit", &clsid));
    orvi::com::check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IMessageKit),
                                      reinterpret_cast<void**>(kit_.GetAddressOf())));
    reset();
}

MessageHost::~MessageHost() {
    if (!kit_) return;
    kit_->Reset();
    for (const std::wstring& recipient : cleared_) kit_->ClearInbox(Bstr(recipient).get());
}

long MessageHost::calls() const {
    long n = 0;
    checked(kit_->get_CallCount(&n), kit_.Get());
    return n;
}

VARTYPE MessageHost::argType(long call, long index) const {
    long vt = 0;
    checked(kit_->ArgType(call, index, &vt), kit_.Get());
    return VARTYPE(vt);
}

Variant MessageHost::arg(long call, long index) const {
    Variant v;
    checked(kit_->ArgValue(call, index, v.put()), kit_.Get());
    return v;
}

void MessageHost::failSend(long number, const wchar_t* description, long helpContext) {
    checked(kit_->FailSend(number, Bstr(description).get(), helpContext), kit_.Get());
}

void MessageHost::failCreate(HRESULT result) {
    checked(kit_->FailCreate(long(result)), kit_.Get());
}

void MessageHost::reset() {
    checked(kit_->Reset(), kit_.Get());
}

long MessageHost::created() const {
    long n = 0;
    checked(kit_->get_Created(&n), kit_.Get());
    return n;
}

long MessageHost::alive() const {
    long n = 0;
    checked(kit_->get_Alive(&n), kit_.Get());
    return n;
}

std::wstring MessageHost::inboxFolder() const {
    Bstr b;
    checked(kit_->get_InboxFolder(b.put()), kit_.Get());
    return b.str();
}

std::vector<InboxMessage> MessageHost::inbox(const std::wstring& recipient) const {
    return readInbox(inboxFolder(), recipient);
}

void MessageHost::clearInbox(const std::wstring& recipient) {
    checked(kit_->ClearInbox(Bstr(recipient).get()), kit_.Get());
    cleared_.push_back(recipient);
}

}  // namespace hostkit
