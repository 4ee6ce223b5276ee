// The session kit: stand-ins for the client components that the library's session routines,
// QelLib and Net reach by ProgID, registered in OrviHostKit.dll:
//
//   OrviPropsMgr.ShareProps   shared property store, properties kept per process ID in the
//                             memory of the process (a host sets them with SetProperty)
//   OrviResLoader.Loader      resource loaders: translation tables read from
//   QelResLoader.Loader         <ResourceFolder>\<ResFileBaseName>.<LanguageID>.txt, UTF-8, one
//                             "source<TAB>translation" a line ('#' starts a comment); a text
//                             without a translation comes back unchanged
//   OrviMClass.ClassInfo      GetData: an ADO Recordset of the rows the kit holds for the SQL
//   OrviMClass.ClassUpdate    UpdateBatch: records every batch
//   OrviHostKit.Login         login object whose lock service arbitrates between all its sessions
//                             in all processes (LockService.cpp)
//   OrviHostKit.SessionKit    control object: resource folder, query data, the journal of every
//                             late-bound call the stand-ins received, creation counts, failures
//
// The stand-ins take what they are given exactly. The property store keeps its keys as they were
// set and finds them only under the same spelling ("PropsString" is not "propsstring"), and the
// lock service compares function codes and rows character for character, spaces and letter
// case included (" FA01" and "fa01" are other functions than "FA01"). The client's own components
// may be more forgiving, but a kit that folded case or trimmed would hide a library that sends
// the wrong key or forgets to trim a code; only the journal and failure lookups of the control
// object (member and kind names a test asks about) ignore letter case.
//
// The kit's state lives in the module that implements the objects (OrviHostKit.dll when they are
// created by ProgID), so hosts and tests reach it through COM; SessionHost below is the C++ face.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "OrviSessionKit.h"
#include "hostkit/HostKit.h"

namespace hostkit {

struct SessionKitLibrary {
    static const orvi::com::TypeLibDesc& typeLib() noexcept;
};

// ---------------------------------------------------------------- state of this module's kit

// Records one late-bound call ("<Kind>.<Member>", "=" appended for puts) with its arguments.
void journalCall(const std::wstring& member, const DISPPARAMS& params);
// The failure set for a member or kind (S_OK when none); description and source filled.
HRESULT failureOf(const std::wstring& member, std::wstring* description = nullptr);
void objectCreated(const wchar_t* kind);
void objectDestroyed(const wchar_t* kind);

// Base of the kit's stand-ins: counts its objects by kind, journals every late-bound call and
// applies the failures set for its members. Derived classes give kKind and kSource (the ProgID).
template <class Derived, class Itf>
class KitObject : public orvi::com::ComObject<Derived, SessionKitLibrary, Itf> {
    using Base = orvi::com::ComObject<Derived, SessionKitLibrary, Itf>;

public:
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (riid == IID_NULL && params) {
            std::wstring member;
            try {
                member = memberKey(id, flags);
                if (!member.empty()) journalCall(member, *params);
            } catch (...) {
                return E_OUTOFMEMORY;
            }
            std::wstring description;
            HRESULT failure = member.empty() ? S_OK : failureOf(member, &description);
            if (FAILED(failure)) {
                if (result) VariantInit(result);
                HRESULT hr = orvi::com::ComError(failure, description, Derived::kSource).report(Derived::kSource);
                if (!excep) return hr;
                orvi::com::fillExcepInfo(excep, hr);
                return DISP_E_EXCEPTION;
            }
        }
        return Base::Invoke(id, riid, lcid, flags, params, result, excep, argErr);
    }

protected:
    KitObject() { objectCreated(Derived::kKind); }
    ~KitObject() override { objectDestroyed(Derived::kKind); }

private:
    static std::wstring memberKey(DISPID id, WORD flags) {
        for (const auto& f : Base::table().functions())
            if (f.id == id)
                return std::wstring(Derived::kKind) + L"." + f.name +
                       ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) ? L"=" : L"");
        return {};
    }
};

// Class factory body of a stand-in: refuses while a failure is set for its kind.
template <class T>
HRESULT createKitObject(REFIID riid, void** ppv) noexcept {
    if (HRESULT failure = failureOf(T::kKind); FAILED(failure)) {
        if (ppv) *ppv = nullptr;
        return failure;
    }
    return orvi::com::createInstance<T>(riid, ppv);
}

// ---------------------------------------------------------------- the stand-ins

class PropsStore final : public KitObject<PropsStore, IShareProps> {
public:
    static constexpr const wchar_t* kKind = L"ShareProps";
    static constexpr const wchar_t* kSource = L"OrviPropsMgr.ShareProps";

    STDMETHODIMP GetProperty(long ProcessID, BSTR Key, VARIANT* ret) override;
    STDMETHODIMP SetProperty(long ProcessID, BSTR Key, VARIANT Value) override;
    STDMETHODIMP RemoveProperty(long ProcessID, BSTR Key) override;
    STDMETHODIMP Clear(long ProcessID) override;
};

// One class for both loaders; they differ in ProgID and kind only.
template <class Tag>
class TextLoader final : public KitObject<TextLoader<Tag>, IResLoader> {
public:
    static constexpr const wchar_t* kKind = Tag::kKind;
    static constexpr const wchar_t* kSource = Tag::kSource;

    STDMETHODIMP get_ResFileBaseName(BSTR* ret) override;
    STDMETHODIMP put_ResFileBaseName(BSTR Value) override;
    STDMETHODIMP get_LanguageID(BSTR* ret) override;
    STDMETHODIMP put_LanguageID(BSTR Value) override;
    STDMETHODIMP LoadString(BSTR Text, BSTR* ret) override;

private:
    std::wstring baseName_, language_;
};
struct OrviLoaderTag {
    static constexpr const wchar_t* kKind = L"OrviResLoader";
    static constexpr const wchar_t* kSource = L"OrviResLoader.Loader";
};
struct QelLoaderTag {
    static constexpr const wchar_t* kKind = L"QelResLoader";
    static constexpr const wchar_t* kSource = L"QelResLoader.Loader";
};
using OrviTextLoader = TextLoader<OrviLoaderTag>;
using QelTextLoader = TextLoader<QelLoaderTag>;

class MiddleTierInfo final : public KitObject<MiddleTierInfo, IClassInfo> {
public:
    static constexpr const wchar_t* kKind = L"ClassInfo";
    static constexpr const wchar_t* kSource = L"OrviMClass.ClassInfo";

    STDMETHODIMP GetData(BSTR PropsString, BSTR SQL, IDispatch** ret) override;
};

class MiddleTierUpdate final : public KitObject<MiddleTierUpdate, IClassUpdate> {
public:
    static constexpr const wchar_t* kKind = L"ClassUpdate";
    static constexpr const wchar_t* kSource = L"OrviMClass.ClassUpdate";

    STDMETHODIMP UpdateBatch(BSTR PropsString, VARIANT SQLs, VARIANT_BOOL* ret) override;
};

class SessionControl final : public orvi::com::ComObject<SessionControl, SessionKitLibrary, ISessionKit> {
public:
    static constexpr const wchar_t* kSource = L"OrviHostKit.SessionKit";

    STDMETHODIMP get_ResourceFolder(BSTR* ret) override;
    STDMETHODIMP put_ResourceFolder(BSTR Value) override;
    STDMETHODIMP SetQueryData(BSTR SQL, BSTR Table) override;
    STDMETHODIMP get_BatchCount(long* ret) override;
    STDMETHODIMP Batch(long Index, VARIANT* ret) override;
    STDMETHODIMP BatchProps(long Index, BSTR* ret) override;
    STDMETHODIMP CallCount(BSTR Member, long* ret) override;
    STDMETHODIMP ArgCount(BSTR Member, long Call, long* ret) override;
    STDMETHODIMP ArgValue(BSTR Member, long Call, long Index, VARIANT* ret) override;
    STDMETHODIMP ArgType(BSTR Member, long Call, long Index, long* ret) override;
    STDMETHODIMP Created(BSTR Kind, long* ret) override;
    STDMETHODIMP Alive(BSTR Kind, long* ret) override;
    STDMETHODIMP Fail(BSTR Member, long Number, BSTR Description) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP CallSequence(BSTR Member, long Call, long* ret) override;
    STDMETHODIMP get_ProcessID(long* ret) override;
};

// ---------------------------------------------------------------- C++ face for hosts and tests

// A host of the library in this process, talking to the kit in OrviHostKit.dll through COM. It
// starts from a clean kit (Reset, no properties for this process, a resource folder of its own
// under the temporary folder) and leaves it clean: the destructor removes this process's
// properties and resets the kit, which drops every reference the kit held.
class SessionHost {
public:
    SessionHost();
    ~SessionHost();
    SessionHost(const SessionHost&) = delete;
    SessionHost& operator=(const SessionHost&) = delete;

    static long processId() noexcept;

    // Properties of this process in the shared property store.
    void set(const wchar_t* key, const Variant& value);
    void set(const wchar_t* key, const wchar_t* text) { set(key, Variant(text)); }
    void set(const wchar_t* key, IDispatch* object) { set(key, objectValue(object)); }
    void remove(const wchar_t* key);
    void clear();

    // A translation table of the resource loaders: file <folder>\<base>.<language>.txt.
    void writeTable(const std::wstring& base, const std::wstring& language,
                    const std::vector<std::pair<std::wstring, std::wstring>>& entries);
    const std::wstring& resourceFolder() const noexcept { return folder_; }

    void setQueryData(const wchar_t* sql, const wchar_t* table);
    long batchCount() const;
    Variant batch(long index) const;
    std::wstring batchProps(long index) const;

    long calls(const wchar_t* member) const;
    long argCount(const wchar_t* member, long call) const;
    Variant arg(const wchar_t* member, long call, long index) const;
    VARTYPE argType(const wchar_t* member, long call, long index) const;
    long sequence(const wchar_t* member, long call) const;
    long created(const wchar_t* kind) const;
    long alive(const wchar_t* kind) const;
    void fail(const wchar_t* member, long number, const wchar_t* description = L"");
    void reset();

    ISessionKit* kit() const noexcept { return kit_.Get(); }
    IShareProps* store() const noexcept { return store_.Get(); }

private:
    ComPtr<ISessionKit> kit_;
    ComPtr<IShareProps> store_;
    std::wstring folder_;
    std::vector<std::wstring> files_;
};

}  // namespace hostkit
