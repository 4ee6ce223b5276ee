// A stand-in for the host form's toolbar control: the control with its band collection, bands,
// tool collections and tools, and the form that parents it. Each object answers IDispatch by
// member name. Every call is recorded (member, flags, arguments with their variant types), and
// any member can be scripted to fail with a given number, description and source. Scripts create
// a control (with its form) as OrviHostKit.Toolbar.
//
// Like the real control's objects, the band, the band collection, the tool collection and the
// tool also answer their published interface by IID, since the library asks for it. The
// stand-in has only the IDispatch part of those interfaces: the pointer it hands out for one of
// them has the seven IUnknown and IDispatch slots, which lead to the object, followed by 128
// slots that refuse an early-bound call loudly instead of running past the table. On x64 such a
// call returns E_NOTIMPL with error info (source kToolbarSource) naming the interface and the
// slot; on x86, where the callee pops arguments whose size it cannot know, it raises the
// non-continuable exception kToolbarEarlyBoundCall. Plug-ins under test call these objects
// through IDispatch.
//
// Shape of the stand-in:
//   control  : Refresh, ActiveBand (get, let/set), Bands, Tools, Parent
//   bands    : Add(name), Item(index), Count, Remove(index), RemoveAll
//   band     : Refresh, Tools, BandName, Caption, BandType, Flags, DockLine, DockingOffset,
//              DockingArea, Visible, Wrappable, CurrentTool (Integer)
//   tools    : Add(id, name), Item(index), Count, Remove(index), RemoveAll, Insert(position, tool)
//   tool     : ToolID, ToolName, Caption, TooltipText, Description, SubBand, Visible, Default,
//              Enabled, Checked, BeginGroup, Tag, ShortcutKey, Style, CaptionPosition,
//              Alignment, SetPicture(index As Integer, picture, mask colour)
//   form     : RefreshToolbarTool(ByRef tool)
// Counts are 16-bit Integers (VT_I2), as the real control reports them; a collection of more
// than 32767 items reports a negative count. An index that is a string names an item (BandName or
// ToolName, exact match); any other index is a position counted from 0. Insert puts the tool
// before the item at `position` when 0 <= position <= Count, and appends it at the end for any
// other position, -1 included. A band's tools are the same tool objects as the control's (a tool
// inserted into a band is shared, not copied).
#pragma once
#include <map>
#include <string>
#include <vector>

#include "hostkit/FakeHost.h"
#include "hostkit/UntypedDispatch.h"

namespace hostkit {

// The control's published interfaces (band, band collection, tool collection, tool).
extern const IID IID_ToolbarBand;
extern const IID IID_ToolbarBands;
extern const IID IID_ToolbarTools;
extern const IID IID_ToolbarTool;

// Errors the stand-in raises of its own accord (source kToolbarSource).
inline constexpr const wchar_t* kToolbarSource = L"OrviHostKit.Toolbar";
inline constexpr HRESULT kToolbarBadIndex = HRESULT(0x80040301);   // "Invalid index: <index>"
inline constexpr HRESULT kToolbarDuplicateId = HRESULT(0x80040302);  // "Tool ID <id> is already in use"
inline constexpr HRESULT kToolbarNotATool = HRESULT(0x80040303);   // "Tool object required"
// Exception code of an early-bound call on x86 (see above).
inline constexpr DWORD kToolbarEarlyBoundCall = 0xE0070BA1;

class ToolbarObject : public UntypedDispatch {
public:
    // Calls received through IDispatch.
    const std::vector<RecordedCall>& calls() const noexcept { return calls_; }
    std::vector<const RecordedCall*> callsOf(const std::wstring& member) const;
    size_t count(const std::wstring& member) const;
    const RecordedCall* last(const std::wstring& member) const;
    void clearCalls() { calls_.clear(); }
    // Calls of `member` fail with this error from now on (hr S_OK: no longer).
    ToolbarObject& fails(const std::wstring& member, HRESULT hr, std::wstring description, std::wstring source);

    // A property's value, read and written from C++ (no call recorded).
    Variant prop(const wchar_t* name) const;
    void setProp(const wchar_t* name, const Variant& value);

    const std::wstring& label() const noexcept { return label_; }
    // The published interface this object answers (null for the control and the form).
    const IID* publishedInterface() const noexcept { return itf_; }

    // Recording of calls, for every object of the stand-in (on by default; benchmarks switch it
    // off).
    static void recordCalls(bool on) noexcept;
    // While on, every Release of an object of the stand-in appends its label to releaseLog().
    static void traceReleases(bool on) noexcept;
    static std::vector<std::wstring>& releaseLog();

    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;

    // A member: a property of type vt kept by the base class, or (vt VT_EMPTY) a method or object
    // property answered by call().
    struct Member {
        const wchar_t* name;
        VARTYPE vt;
    };

protected:
    struct Call {
        size_t member;
        WORD flags;
        std::vector<VARIANT*> args;  // the caller's VARIANTs in call order; a put's value last
        Variant result;
        bool isPut() const noexcept { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
        Variant value(size_t i) const;  // argument i, references followed (error 449 when absent)
    };

    ToolbarObject(std::wstring label, const Member* members, size_t count, const IID* itf);
    int memberIndex(const wchar_t* name) const override;
    void* extraInterface(REFIID riid) noexcept override;
    void onRelease() noexcept override;
    virtual void call(Call& call);
    [[noreturn]] static void raise(HRESULT hr, std::wstring description);

    void setLabel(std::wstring label) { label_ = std::move(label); }

private:
    struct Failure {
        std::wstring member;
        HRESULT hr;
        std::wstring description, source;
    };

    std::wstring label_;
    const Member* members_;
    size_t memberCount_;
    const IID* itf_;
    std::vector<Variant> values_;
    std::vector<RecordedCall> calls_;
    std::vector<Failure> failures_;

public:
    // The published interface as this object hands it out (ToolbarKit.cpp).
    struct PublishedFace {
        const void* const* vtbl;
        ToolbarObject* owner;
    };

private:
    PublishedFace face_;
};

class ToolbarTool final : public ToolbarObject {
public:
    struct Face {
        Variant picture;  // as passed (an object, or Nothing)
        long maskColor;
    };
    ToolbarTool(long id, const std::wstring& name);

    long id() const;
    std::wstring name() const;
    // Pictures set through SetPicture, by picture index.
    const std::map<short, Face>& faces() const noexcept { return faces_; }
    const Face* face(short index) const;

    // The stand-in's tool behind an object (null for anything else).
    static ComPtr<ToolbarTool> from(IUnknown* object);

protected:
    void call(Call& call) override;

private:
    std::map<short, Face> faces_;
};

class ToolbarTools final : public ToolbarObject {
public:
    explicit ToolbarTools(std::wstring owner);

    // C++ side (no calls recorded): appends a new tool; inserts a tool by the control's rule.
    ComPtr<ToolbarTool> add(long id, const std::wstring& name);
    void insert(long position, ToolbarTool* tool);
    void removeAt(size_t position);
    void clear() { tools_.clear(); }
    size_t size() const noexcept { return tools_.size(); }
    ToolbarTool* at(size_t position) const { return tools_.at(position).Get(); }
    // Tool IDs in collection order.
    std::vector<long> ids() const;

protected:
    void call(Call& call) override;

private:
    size_t resolve(const Variant& index) const;
    std::vector<ComPtr<ToolbarTool>> tools_;
};

class ToolbarBand final : public ToolbarObject {
public:
    explicit ToolbarBand(const std::wstring& name);
    ~ToolbarBand() override;

    std::wstring name() const;
    ToolbarTools& tools() const noexcept { return *tools_.Get(); }

protected:
    void call(Call& call) override;

private:
    ComPtr<ToolbarTools> tools_;
};

class ToolbarBands final : public ToolbarObject {
public:
    ToolbarBands();
    ~ToolbarBands() override;

    ComPtr<ToolbarBand> add(const std::wstring& name);
    size_t size() const noexcept { return bands_.size(); }
    ToolbarBand* at(size_t position) const { return bands_.at(position).Get(); }

protected:
    void call(Call& call) override;

private:
    size_t resolve(const Variant& index) const;
    std::vector<ComPtr<ToolbarBand>> bands_;
};

// The form that parents the control; it records RefreshToolbarTool requests (the tool argument
// with its variant type) and can hand another object back through the by-reference argument.
class ToolbarForm final : public ToolbarObject {
public:
    ToolbarForm();

    size_t refreshRequests() const { return count(L"RefreshToolbarTool"); }
    // From now on RefreshToolbarTool leaves `object` in its argument (nullptr: Nothing).
    void leaves(IDispatch* object);

protected:
    void call(Call& call) override;

private:
    bool replaces_ = false;
    ComPtr<IDispatch> replacement_;
};

class ToolbarControl final : public ToolbarObject {
public:
    ToolbarControl();
    ~ToolbarControl() override;

    ToolbarBands& bands() const noexcept { return *bands_.Get(); }
    ToolbarTools& tools() const noexcept { return *tools_.Get(); }
    ToolbarForm* form() const noexcept { return form_.Get(); }
    void setForm(ComPtr<ToolbarForm> form) { form_ = std::move(form); }
    ToolbarBand* activeBand() const noexcept { return active_.Get(); }
    void setActiveBand(ToolbarBand* band) { active_ = band; }

protected:
    void call(Call& call) override;
    // Also DToolbarControl of the host kit's type library, the shape of OrviHostKit.Toolbar.
    void* extraInterface(REFIID riid) noexcept override;

private:
    ComPtr<ToolbarBands> bands_;
    ComPtr<ToolbarTools> tools_;
    ComPtr<ToolbarForm> form_;
    ComPtr<ToolbarBand> active_;
};

// A control with no bands and no tools, parented by a form (or by Nothing).
ComPtr<ToolbarControl> newToolbar(bool withForm = true);
// Class factory body of OrviHostKit.Toolbar: newToolbar() as the interface asked for.
HRESULT createToolbar(REFIID riid, void** ppv) noexcept;

}  // namespace hostkit
