#include "hostkit/SessionKit.h"

#include <map>
#include <memory>

#include "com/LateCall.h"
#include "hostkit/AdoRecords.h"
#include "hostkit/KitState.h"
#include "hostkit/WideText.h"

namespace hostkit {

using orvi::com::Arg;

const orvi::com::TypeLibDesc& SessionKitLibrary::typeLib() noexcept {
    static const orvi::com::TypeLibDesc lib(LIBID_SessionKit, 1, 0, 3);
    return lib;
}

namespace {

std::wstring fold(std::wstring s) {
    if (!s.empty()) CharUpperBuffW(s.data(), DWORD(s.size()));
    return s;
}

// HRESULT of an error number as scripts give it: small numbers are runtime errors.
HRESULT hresultOfNumber(long number) {
    return number > 0 && number < 0x10000 ? HRESULT(0x800A0000u | unsigned(number)) : HRESULT(number);
}

struct JournalArg {
    VARTYPE vt;
    Variant value;
};
struct JournalEntry {
    std::wstring member;  // folded
    std::vector<JournalArg> args;
};
struct Failure {
    HRESULT hr;
    std::wstring description;
};
struct ReceivedBatch {
    std::wstring props;
    Variant sqls;
};
struct KindCount {
    long created = 0;
    long alive = 0;
};

// Everything the kit of this module holds. Made once and never destroyed: objects may still be
// released late in the life of the process.
struct KitState {
    CRITICAL_SECTION lock;
    std::map<long, std::map<std::wstring, Variant>> properties;  // process ID -> key (exact) -> value
    std::vector<JournalEntry> journal;
    std::map<std::wstring, Failure> failures;  // folded member or kind
    std::map<std::wstring, KindCount> kinds;   // folded kind
    std::map<std::wstring, std::wstring> queries;
    std::vector<ReceivedBatch> batches;
    std::wstring resourceFolder;

    KitState() {
        InitializeCriticalSection(&lock);
        std::wstring module = orvi::com::Module::path();
        resourceFolder = module.substr(0, module.find_last_of(L"\\/") + 1) + L"resources";
    }
};

using Locked = LockedState<KitState>;

const JournalEntry& journalEntry(const Locked& k, BSTR member, long call) {
    std::wstring key = fold(std::wstring(view(member)));
    std::vector<const JournalEntry*> found;
    for (const JournalEntry& e : k->journal)
        if (e.member == key) found.push_back(&e);
    size_t at = call == -1 ? found.size() : size_t(call);
    if (call == 0 || at < 1 || at > found.size()) raise(RuntimeError::SubscriptOutOfRange);
    return *found[at - 1];
}

const JournalArg& journalArg(const Locked& k, BSTR member, long call, long index) {
    const JournalEntry& e = journalEntry(k, member, call);
    if (index < 1 || size_t(index) > e.args.size()) raise(RuntimeError::SubscriptOutOfRange);
    return e.args[size_t(index - 1)];
}

// Lines of a text, without their line breaks.
std::vector<std::wstring> linesOf(const std::wstring& s) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start <= s.size()) {
        size_t end = s.find(L'\n', start);
        if (end == std::wstring::npos) end = s.size();
        std::wstring line = s.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::vector<std::wstring> fieldsOf(const std::wstring& line) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find(L'\t', start);
        fields.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
        if (tab == std::wstring::npos) break;
        start = tab + 1;
    }
    return fields;
}

// The whole of a UTF-8 file; false when it cannot be read.
bool readUtf8(const std::wstring& path, std::wstring& out) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    CloseHandle(file);
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    out.clear();
    if (bytes.empty()) return true;
    out = widen(bytes);
    return true;
}

}  // namespace

// ---------------------------------------------------------------- state

void journalCall(const std::wstring& member, const DISPPARAMS& params) {
    JournalEntry entry{fold(member), {}};
    // Positional arguments come last to first; named ones (a put's value) after them.
    auto record = [&](const VARIANT& v) {
        Variant value;
        try {
            value = Variant(v);
        } catch (...) {
        }
        entry.args.push_back({V_VT(&v), std::move(value)});
    };
    if (params.rgvarg) {
        for (UINT i = params.cArgs; i > params.cNamedArgs; --i) record(params.rgvarg[i - 1]);
        for (UINT i = 0; i < params.cNamedArgs; ++i) record(params.rgvarg[i]);
    }
    Locked k;
    k->journal.push_back(std::move(entry));
}

HRESULT failureOf(const std::wstring& member, std::wstring* description) {
    Locked k;
    auto it = k->failures.find(fold(member));
    if (it == k->failures.end()) return S_OK;
    if (description) *description = it->second.description;
    return it->second.hr;
}

void objectCreated(const wchar_t* kind) {
    Locked k;
    KindCount& c = k->kinds[fold(kind)];
    ++c.created;
    ++c.alive;
}

void objectDestroyed(const wchar_t* kind) {
    Locked k;
    --k->kinds[fold(kind)].alive;
}

// ---------------------------------------------------------------- PropsStore

STDMETHODIMP PropsStore::GetProperty(long ProcessID, BSTR Key, VARIANT* ret) {
    return guard([&] {
        initOut(ret);
        Variant value;
        {
            Locked k;
            auto process = k->properties.find(ProcessID);
            if (process != k->properties.end()) {
                auto it = process->second.find(std::wstring(view(Key)));
                if (it != process->second.end()) value = it->second;
            }
        }
        value.detach(ret);
    });
}

STDMETHODIMP PropsStore::SetProperty(long ProcessID, BSTR Key, VARIANT Value) {
    return guard([&] {
        Variant value(Value);
        Variant old;
        Locked k;
        Variant& slot = k->properties[ProcessID][std::wstring(view(Key))];
        std::swap(old, slot);
        std::swap(slot, value);
        // `old` (a replaced object, say) is released after the lock is left.
    });
}

STDMETHODIMP PropsStore::RemoveProperty(long ProcessID, BSTR Key) {
    return guard([&] {
        Variant old;
        Locked k;
        auto process = k->properties.find(ProcessID);
        if (process == k->properties.end()) return;
        auto it = process->second.find(std::wstring(view(Key)));
        if (it == process->second.end()) return;
        std::swap(old, it->second);
        process->second.erase(it);
    });
}

STDMETHODIMP PropsStore::Clear(long ProcessID) {
    return guard([&] {
        std::map<std::wstring, Variant> old;
        Locked k;
        auto process = k->properties.find(ProcessID);
        if (process == k->properties.end()) return;
        std::swap(old, process->second);
        k->properties.erase(process);
    });
}

// ---------------------------------------------------------------- TextLoader

template <class Tag>
STDMETHODIMP TextLoader<Tag>::get_ResFileBaseName(BSTR* ret) {
    return this->guard([&] {
        initOut(ret);
        *ret = Bstr(baseName_).release();
    });
}

template <class Tag>
STDMETHODIMP TextLoader<Tag>::put_ResFileBaseName(BSTR Value) {
    return this->guard([&] { baseName_ = std::wstring(view(Value)); });
}

template <class Tag>
STDMETHODIMP TextLoader<Tag>::get_LanguageID(BSTR* ret) {
    return this->guard([&] {
        initOut(ret);
        *ret = Bstr(language_).release();
    });
}

template <class Tag>
STDMETHODIMP TextLoader<Tag>::put_LanguageID(BSTR Value) {
    return this->guard([&] { language_ = std::wstring(view(Value)); });
}

template <class Tag>
STDMETHODIMP TextLoader<Tag>::LoadString(BSTR Text, BSTR* ret) {
    return this->guard([&] {
        initOut(ret);
        std::wstring source(view(Text));
        std::wstring folder;
        {
            Locked k;
            folder = k->resourceFolder;
        }
        std::wstring content;
        std::wstring result = source;
        if (!baseName_.empty() && !language_.empty() &&
            readUtf8(folder + L"\\" + baseName_ + L"." + language_ + L".txt", content)) {
            for (const std::wstring& line : linesOf(content)) {
                if (line.empty() || line[0] == L'#') continue;
                size_t tab = line.find(L'\t');
                if (tab != std::wstring::npos && line.compare(0, tab, source) == 0 && tab == source.size()) {
                    result = line.substr(tab + 1);
                    break;
                }
            }
        }
        *ret = Bstr(result).release();
    });
}

template class TextLoader<OrviLoaderTag>;
template class TextLoader<QelLoaderTag>;

// ---------------------------------------------------------------- middle tier

STDMETHODIMP MiddleTierInfo::GetData(BSTR PropsString, BSTR SQL, IDispatch** ret) {
    return guard([&] {
        initOut(ret);
        std::wstring sql(view(SQL));
        std::wstring table;
        {
            Locked k;
            auto it = k->queries.find(sql);
            if (it == k->queries.end()) raise(HRESULT(0x80040E14), L"Unknown query: " + sql, kSource);
            table = it->second;
        }
        std::vector<std::wstring> lines = linesOf(table);
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
        if (lines.empty()) raise(HRESULT(0x80040E14), L"No columns for query: " + sql, kSource);

        std::vector<std::vector<std::wstring>> rows;
        for (size_t r = 1; r < lines.size(); ++r) rows.push_back(fieldsOf(lines[r]));
        AdoRecordset records = AdoRecordset::build(fieldsOf(lines[0]), rows);
        *ret = records.get();
        (*ret)->AddRef();
    });
}

STDMETHODIMP MiddleTierUpdate::UpdateBatch(BSTR PropsString, VARIANT SQLs, VARIANT_BOOL* ret) {
    return guard([&] {
        initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        Variant sqls(SQLs);
        if (sqls.vt() != (VT_ARRAY | VT_BSTR)) raise(HRESULT(0x80040E14), L"A batch is an array of SQL texts", kSource);
        Locked k;
        k->batches.push_back({std::wstring(view(PropsString)), std::move(sqls)});
        *ret = VARIANT_TRUE;
    });
}

// ---------------------------------------------------------------- SessionControl

STDMETHODIMP SessionControl::get_ResourceFolder(BSTR* ret) {
    return guard([&] {
        initOut(ret);
        Locked k;
        *ret = Bstr(k->resourceFolder).release();
    });
}

STDMETHODIMP SessionControl::put_ResourceFolder(BSTR Value) {
    return guard([&] {
        Locked k;
        k->resourceFolder = std::wstring(view(Value));
    });
}

STDMETHODIMP SessionControl::SetQueryData(BSTR SQL, BSTR Table) {
    return guard([&] {
        Locked k;
        k->queries[std::wstring(view(SQL))] = std::wstring(view(Table));
    });
}

STDMETHODIMP SessionControl::get_BatchCount(long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        Locked k;
        *ret = long(k->batches.size());
    });
}

STDMETHODIMP SessionControl::Batch(long Index, VARIANT* ret) {
    return guard([&] {
        initOut(ret);
        Variant copy;
        {
            Locked k;
            if (Index < 1 || size_t(Index) > k->batches.size()) raise(RuntimeError::SubscriptOutOfRange);
            copy = k->batches[size_t(Index - 1)].sqls;
        }
        copy.detach(ret);
    });
}

STDMETHODIMP SessionControl::BatchProps(long Index, BSTR* ret) {
    return guard([&] {
        initOut(ret);
        Locked k;
        if (Index < 1 || size_t(Index) > k->batches.size()) raise(RuntimeError::SubscriptOutOfRange);
        *ret = Bstr(k->batches[size_t(Index - 1)].props).release();
    });
}

STDMETHODIMP SessionControl::CallCount(BSTR Member, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        std::wstring key = fold(std::wstring(view(Member)));
        Locked k;
        for (const JournalEntry& e : k->journal)
            if (e.member == key) ++*ret;
    });
}

STDMETHODIMP SessionControl::ArgCount(BSTR Member, long Call, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        Locked k;
        *ret = long(journalEntry(k, Member, Call).args.size());
    });
}

STDMETHODIMP SessionControl::ArgValue(BSTR Member, long Call, long Index, VARIANT* ret) {
    return guard([&] {
        initOut(ret);
        Variant copy;
        {
            Locked k;
            copy = journalArg(k, Member, Call, Index).value;
        }
        copy.detach(ret);
    });
}

STDMETHODIMP SessionControl::ArgType(BSTR Member, long Call, long Index, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        Locked k;
        *ret = long(journalArg(k, Member, Call, Index).vt);
    });
}

STDMETHODIMP SessionControl::Created(BSTR Kind, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        Locked k;
        auto it = k->kinds.find(fold(std::wstring(view(Kind))));
        if (it != k->kinds.end()) *ret = it->second.created;
    });
}

STDMETHODIMP SessionControl::Alive(BSTR Kind, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        Locked k;
        auto it = k->kinds.find(fold(std::wstring(view(Kind))));
        if (it != k->kinds.end()) *ret = it->second.alive;
    });
}

STDMETHODIMP SessionControl::Fail(BSTR Member, long Number, BSTR Description) {
    return guard([&] {
        std::wstring key = fold(std::wstring(view(Member)));
        if (key.empty()) raise(RuntimeError::InvalidProcedureCall);
        Locked k;
        if (Number == 0)
            k->failures.erase(key);
        else
            k->failures[key] = Failure{hresultOfNumber(Number), std::wstring(view(Description))};
    });
}

STDMETHODIMP SessionControl::Reset() {
    return guard([&] {
        // What the kit held is released after the lock is left.
        std::vector<JournalEntry> journal;
        std::vector<ReceivedBatch> batches;
        Locked k;
        std::swap(journal, k->journal);
        std::swap(batches, k->batches);
        k->failures.clear();
        k->queries.clear();
        for (auto& [kind, count] : k->kinds) count.created = 0;
    });
}

STDMETHODIMP SessionControl::CallSequence(BSTR Member, long Call, long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        std::wstring key = fold(std::wstring(view(Member)));
        Locked k;
        long seen = 0;
        for (size_t i = 0; i < k->journal.size(); ++i) {
            if (k->journal[i].member != key) continue;
            if (++seen == Call) {
                *ret = long(i + 1);
                return;
            }
        }
    });
}

STDMETHODIMP SessionControl::get_ProcessID(long* ret) {
    return guard([&] { initOut(ret, long(GetCurrentProcessId())); });
}

// ---------------------------------------------------------------- SessionHost

namespace {

template <class I>
ComPtr<I> createKitInterface(const wchar_t* progId) {
    CLSID clsid;
    orvi::com::check(CLSIDFromProgID(progId, &clsid));
    ComPtr<I> p;
    orvi::com::check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I),
                                      reinterpret_cast<void**>(p.GetAddressOf())));
    return p;
}

void checked(HRESULT hr, IUnknown* object, REFIID iid) {
    orvi::com::checkCall(hr, object, iid);
}

}  // namespace

SessionHost::SessionHost() {
    kit_ = createKitInterface<ISessionKit>(L"OrviHostKit.SessionKit");
    store_ = createKitInterface<IShareProps>(L"OrviPropsMgr.ShareProps");
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp, n) + L"orvi-session-kit-" + std::to_wstring(processId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    checked(kit_->put_ResourceFolder(Bstr(folder_).get()), kit_.Get(), __uuidof(ISessionKit));
    reset();
    clear();
}

SessionHost::~SessionHost() {
    if (store_) store_->Clear(processId());
    if (kit_) kit_->Reset();
    for (const std::wstring& file : files_) DeleteFileW(file.c_str());
    RemoveDirectoryW(folder_.c_str());
}

long SessionHost::processId() noexcept {
    return long(GetCurrentProcessId());
}

void SessionHost::set(const wchar_t* key, const Variant& value) {
    checked(store_->SetProperty(processId(), Bstr(key).get(), value.get()), store_.Get(), __uuidof(IShareProps));
}

void SessionHost::remove(const wchar_t* key) {
    checked(store_->RemoveProperty(processId(), Bstr(key).get()), store_.Get(), __uuidof(IShareProps));
}

void SessionHost::clear() {
    checked(store_->Clear(processId()), store_.Get(), __uuidof(IShareProps));
}

void SessionHost::writeTable(const std::wstring& base, const std::wstring& language,
                             const std::vector<std::pair<std::wstring, std::wstring>>& entries) {
    std::wstring content;
    for (const auto& [source, translation] : entries) content += source + L"\t" + translation + L"\r\n";
    std::string bytes = narrow(content);
    std::wstring path = folder_ + L"\\" + base + L"." + language + L".txt";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) orvi::com::throwHresult(HRESULT_FROM_WIN32(GetLastError()));
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) orvi::com::throwHresult(E_FAIL);
    files_.push_back(path);
}

void SessionHost::setQueryData(const wchar_t* sql, const wchar_t* table) {
    checked(kit_->SetQueryData(Bstr(sql).get(), Bstr(table).get()), kit_.Get(), __uuidof(ISessionKit));
}

long SessionHost::batchCount() const {
    long n = 0;
    checked(kit_->get_BatchCount(&n), kit_.Get(), __uuidof(ISessionKit));
    return n;
}

Variant SessionHost::batch(long index) const {
    Variant v;
    checked(kit_->Batch(index, v.put()), kit_.Get(), __uuidof(ISessionKit));
    return v;
}

std::wstring SessionHost::batchProps(long index) const {
    Bstr b;
    checked(kit_->BatchProps(index, b.put()), kit_.Get(), __uuidof(ISessionKit));
    return b.str();
}

long SessionHost::calls(const wchar_t* member) const {
    long n = 0;
    checked(kit_->CallCount(Bstr(member).get(), &n), kit_.Get(), __uuidof(ISessionKit));
    return n;
}

long SessionHost::argCount(const wchar_t* member, long call) const {
    long n = 0;
    checked(kit_->ArgCount(Bstr(member).get(), call, &n), kit_.Get(), __uuidof(ISessionKit));
    return n;
}

Variant SessionHost::arg(const wchar_t* member, long call, long index) const {
    Variant v;
    checked(kit_->ArgValue(Bstr(member).get(), call, index, v.put()), kit_.Get(), __uuidof(ISessionKit));
    return v;
}

VARTYPE SessionHost::argType(const wchar_t* member, long call, long index) const {
    long vt = 0;
    checked(kit_->ArgType(Bstr(member).get(), call, index, &vt), kit_.Get(), __uuidof(ISessionKit));
    return VARTYPE(vt);
}

long SessionHost::sequence(const wchar_t* member, long call) const {
    long n = 0;
    checked(kit_->CallSequence(Bstr(member).get(), call, &n), kit_.Get(), __uuidof(ISessionKit));
    return n;
}

long SessionHost::created(const wchar_t* kind) const {
    long n = 0;
    checked(kit_->Created(Bstr(kind).get(), &n), kit_.Get(), __uuidof(ISessionKit));
    return n;
}

long SessionHost::alive(const wchar_t* kind) const {
    long n = 0;
    checked(kit_->Alive(Bstr(kind).get(), &n), kit_.Get(), __uuidof(ISessionKit));
    return n;
}

void SessionHost::fail(const wchar_t* member, long number, const wchar_t* description) {
    checked(kit_->Fail(Bstr(member).get(), number, Bstr(description).get()), kit_.Get(), __uuidof(ISessionKit));
}

void SessionHost::reset() {
    checked(kit_->Reset(), kit_.Get(), __uuidof(ISessionKit));
}

}  // namespace hostkit
