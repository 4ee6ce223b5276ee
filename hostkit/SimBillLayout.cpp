// The simulated bill control's layout members (see SimBill.h for what each answers): grid row
// limits and visibility by the control's grid number, run-time visibility and locks of fields,
// the properties of the header's controls, and the re-layout after a geometry change. The state
// is kept by the control (in its handlers), not in the template.
#include <map>
#include <memory>

#include "com/Errors.h"
#include "hostkit/SimBill.h"

namespace hostkit {

namespace {


Variant get(IPyxDictionary* d, const std::wstring& key) {
    Variant r;
    Bstr k(key);
    orvi::com::check(d->get_Item(k.get(), &r.get()));
    return r;
}

// What the control keeps of the form's run-time layout.
struct LayoutState {
    std::map<long, bool> gridVisible;        // grid number -> shown (default: shown)
    std::map<long, long> gridMaxRows;        // grid number -> row limit (default 0: none)
    std::map<std::wstring, bool> shown;      // FKey -> field shown (default: shown)
    std::map<std::wstring, bool> locked;     // shownKey (FKey, or FKey@row on pages of rows) -> locked
    std::map<std::wstring, Variant> look;    // FKey + "." + property -> header control property
};

// The number of grids: pages after the header whose FEntryType is 0 or 1. The control numbers
// them from 0 in page order.
long gridCount(IPyxVector* pages) {
    long lower = 0, upper = -1, n = 0;
    orvi::com::check(pages->get_LowerBound(&lower));
    orvi::com::check(pages->get_UpperBound(&upper));
    for (long p = lower; p <= upper; ++p) {
        if (p == 1) continue;
        Variant item;
        orvi::com::check(pages->get_Item(p, &item.get()));
        ComPtr<IPyxDictionary> page = dictOf(item);
        if (!page) continue;
        Variant type = get(page.Get(), L"FEntryType");
        long t = type.isEmpty() ? 0 : orvi::com::toLong(type.get());
        if (t == 0 || t == 1) ++n;
    }
    return n;
}

// The grid number of argument i; a number the control has no grid for is error 9.
long gridOf(const Invocation& inv, size_t i, IPyxVector* pages) {
    long grid = orvi::com::toLong(inv.value(i).get());
    if (grid < 0 || grid >= gridCount(pages)) raise(RuntimeError::SubscriptOutOfRange);
    return grid;
}

// The descriptor of argument i (an object that is no Dictionary is "Object required").
ComPtr<IPyxDictionary> descriptorOf(const Invocation& inv, size_t i) {
    ComPtr<IPyxDictionary> dct = dictOf(inv.value(i));
    if (!dct) raise(RuntimeError::ObjectRequired);
    return dct;
}

std::wstring fkeyOf(IPyxDictionary* dct) {
    return orvi::com::toString(get(dct, L"FKey").get());
}

// One item of a font text "FontName=..|FontSize=..|..", by its exact name; empty when missing.
std::wstring fontItem(const std::wstring& font, const std::wstring& name) {
    size_t start = 0;
    while (start <= font.size()) {
        size_t end = font.find(L'|', start);
        if (end == std::wstring::npos) end = font.size();
        std::wstring item = font.substr(start, end - start);
        if (item.compare(0, name.size() + 1, name + L"=") == 0) return item.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

// A header control's property as the descriptor sets it (converted to the property's type);
// Empty when the descriptor gives nothing usable for it. An unknown property is error 5.
Variant lookFromDescriptor(IPyxDictionary* dct, const std::wstring& prop) {
    struct Key {
        const wchar_t* prop;
        const wchar_t* key;  // descriptor key, or null for a font item
        VARTYPE vt;
    };
    static const Key keys[] = {{L"TextColor", L"FTextColor", VT_I4},
                               {L"LabelWidth", L"FLabelWidth", VT_I2},
                               {L"LabelColor", L"FLabelColor", VT_I4},
                               {L"FrameBorderColor", L"FFrameBorderColor", VT_I4},
                               {L"FrameBorder", L"FFrameBorder", VT_BOOL},
                               {L"FontName", nullptr, VT_BSTR},
                               {L"FontSize", nullptr, VT_CY},
                               {L"FontBold", nullptr, VT_BOOL},
                               {L"FontItalic", nullptr, VT_BOOL}};
    for (const Key& k : keys) {
        if (prop != k.prop) continue;
        Variant source = k.key ? get(dct, k.key) : Variant();
        if (!k.key) {
            std::wstring text = fontItem(orvi::com::toString(get(dct, L"FFont").get()), prop);
            if (text.empty() && k.vt != VT_BSTR) return Variant();
            source = Variant(text.c_str());
        }
        if (source.isEmpty()) return Variant();
        Variant converted;
        if (FAILED(VariantChangeType(&converted.get(), &source.get(), 0, k.vt))) return Variant();
        return converted;
    }
    raise(RuntimeError::InvalidProcedureCall);
}

}  // namespace

void addLayoutMembers(SampleBill& b) {
    SampleBill view = b;
    view.billCtl.Reset();
    FakeObject* ctl = b.billCtl.Get();
    auto state = std::make_shared<LayoutState>();
    auto bill = [view, ctl] {
        SampleBill s = view;
        s.billCtl = ctl;
        return s;
    };

    ctl->on(L"SizeControl", [](Invocation& inv) {
        if (inv.count()) raise(RuntimeError::WrongArgumentCount);
    });

    ctl->on(L"SetGridMaxRows", [view, state](Invocation& inv) {
        if (inv.count() < 2) raise(RuntimeError::ArgumentNotOptional);
        long grid = gridOf(inv, 0, view.classTypeEntry.Get());
        state->gridMaxRows[grid] = orvi::com::toLong(inv.value(1).get());
    });
    ctl->on(L"GetGridMaxRows", [view, state](Invocation& inv) {
        if (inv.count() < 1) raise(RuntimeError::ArgumentNotOptional);
        auto at = state->gridMaxRows.find(gridOf(inv, 0, view.classTypeEntry.Get()));
        inv.result = Variant(at == state->gridMaxRows.end() ? 0L : at->second);
    });
    ctl->on(L"ShowHideGrid", [view, state](Invocation& inv) {
        if (inv.count() < 2) raise(RuntimeError::ArgumentNotOptional);
        long grid = gridOf(inv, 0, view.classTypeEntry.Get());
        state->gridVisible[grid] = orvi::com::toBool(inv.value(1).get());
    });
    ctl->on(L"IsGridVisible", [view, state](Invocation& inv) {
        if (inv.count() < 1) raise(RuntimeError::ArgumentNotOptional);
        auto at = state->gridVisible.find(gridOf(inv, 0, view.classTypeEntry.Get()));
        inv.result = Variant(at == state->gridVisible.end() || at->second);
    });

    ctl->on(L"ShowHideField", [state](Invocation& inv) {
        if (inv.count() < 2) raise(RuntimeError::ArgumentNotOptional);
        state->shown[fkeyOf(descriptorOf(inv, 0).Get())] = orvi::com::toBool(inv.value(1).get());
    });
    ctl->on(L"IsFieldVisibleRunTime", [state](Invocation& inv) {
        if (inv.count() < 1) raise(RuntimeError::ArgumentNotOptional);
        auto at = state->shown.find(fkeyOf(descriptorOf(inv, 0).Get()));
        inv.result = Variant(at == state->shown.end() || at->second);
    });
    ctl->on(L"LockCell", [bill, state](Invocation& inv) {
        if (inv.count() < 3) raise(RuntimeError::ArgumentNotOptional);
        std::wstring key = shownKey(bill(), fkeyOf(descriptorOf(inv, 0).Get()), orvi::com::toLong(inv.value(1).get()));
        state->locked[key] = orvi::com::toBool(inv.value(2).get());
    });
    ctl->on(L"IsFieldLockRunTime", [bill, state](Invocation& inv) {
        if (inv.count() < 2) raise(RuntimeError::ArgumentNotOptional);
        std::wstring key = shownKey(bill(), fkeyOf(descriptorOf(inv, 0).Get()), orvi::com::toLong(inv.value(1).get()));
        auto at = state->locked.find(key);
        inv.result = Variant(at != state->locked.end() && at->second);
    });

    // Header controls only: a field of another page has none (error 5).
    auto headField = [](const Invocation& inv) {
        ComPtr<IPyxDictionary> dct = descriptorOf(inv, 0);
        Variant page = get(dct.Get(), L"FPage");
        if (page.isEmpty() || orvi::com::toLong(page.get()) != 1) raise(RuntimeError::InvalidProcedureCall);
        return dct;
    };
    ctl->on(L"SetHeadCtlProperty", [state, headField](Invocation& inv) {
        if (inv.count() < 2) raise(RuntimeError::ArgumentNotOptional);
        ComPtr<IPyxDictionary> dct = headField(inv);
        std::wstring prop = orvi::com::toString(inv.value(1).get());
        // The control applies what the descriptor now says; what it cannot read stays as it was.
        Variant value = lookFromDescriptor(dct.Get(), prop);
        if (!value.isEmpty()) state->look[fkeyOf(dct.Get()) + L"." + prop] = value;
    });
    ctl->on(L"GetHeadCtlProperty", [state, headField](Invocation& inv) {
        if (inv.count() < 2) raise(RuntimeError::ArgumentNotOptional);
        ComPtr<IPyxDictionary> dct = headField(inv);
        std::wstring prop = orvi::com::toString(inv.value(1).get());
        // A property never set shows what the template gave the control when the form was built.
        auto at = state->look.find(fkeyOf(dct.Get()) + L"." + prop);
        inv.result = at != state->look.end() ? at->second : lookFromDescriptor(dct.Get(), prop);
    });
}

}  // namespace hostkit
