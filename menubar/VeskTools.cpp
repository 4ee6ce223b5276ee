#include "menubar/VeskTools.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "menubar/ToolbarNames.h"
#include "menubar/VeskTool.h"

namespace orvi {

namespace member = toolbar::member;
using toolbar::countOf;

namespace {

// Adds the ToolID of every tool in a tool collection to `ids`; a tool that cannot be read is
// left out.
void collectToolIds(IDispatch* collection, std::vector<long>& ids) {
    long count = 0;
    if (!com::ignoring([&] { count = countOf(collection); })) return;
    com::Member itemAt(collection, member::Item);
    for (long i = 0; i < count; ++i) {
        com::ignoring([&] {
            ComPtr<toolbar::Tool> tool = toolbar::bind<toolbar::Tool>(itemAt({Arg(i)}).get());
            ids.push_back(com::toLong(com::get(tool.Get(), member::ToolID).get()));
        });
    }
}

}  // namespace

VeskTools::VeskTools() = default;

// The host sees the releases: the collection, then the tool wrapper (and what it holds), then
// the control.
VeskTools::~VeskTools() {
    wrapped_.Reset();
    tool_.Reset();
}

// The smallest positive ID that no tool of the control uses, on any band or in the control's own
// collection. Built afresh on every call from one pass over the tools; nothing is reserved.
long VeskTools::freeToolId() const noexcept {
    std::vector<long> used;
    com::ignoring([&] { used.reserve(64); });
    IDispatch* control = control_.Get();
    com::ignoring([&] {
        ComPtr<IDispatch> bands = com::toObject(com::get(control, member::Bands).get());
        long count = 0;
        if (!com::ignoring([&] { count = countOf(bands.Get()); })) return;
        com::Member bandAt(bands.Get(), member::Item);
        for (long i = 0; i < count; ++i) {
            com::ignoring([&] {
                ComPtr<toolbar::Band> band = toolbar::bind<toolbar::Band>(bandAt({Arg(i)}).get());
                ComPtr<IDispatch> tools = com::toObject(com::get(band.Get(), member::Tools).get());
                collectToolIds(tools.Get(), used);
            });
        }
    });
    com::ignoring([&] {
        ComPtr<IDispatch> tools = com::toObject(com::get(control, member::Tools).get());
        collectToolIds(tools.Get(), used);
    });
    // The IDs in order: the first gap after 0 is the answer (a list, not a set: one allocation
    // for the walk instead of one per tool).
    std::sort(used.begin(), used.end());
    long id = 1;
    for (long u : used)
        if (u == id)
            ++id;
        else if (u > id)
            break;
    return id;
}

// The position an Index names in the wrapped collection: a string is the name of a tool (exact,
// letter case included; the first match counts), anything else a position; -1 when there is no
// such tool or the value is no number.
long VeskTools::positionOf(const VARIANT& index) const {
    const VARIANT& d = com::deref(index);
    const BSTR* text = V_VT(&d) == VT_BSTR ? &V_BSTR(&d) : V_VT(&d) == (VT_BYREF | VT_BSTR) ? V_BSTRREF(&d) : nullptr;
    if (text) {
        std::wstring_view name = com::view(*text);
        long position = -1;
        com::ignoring([&] {
            IDispatch* collection = target();
            long count = countOf(collection);
            com::Member itemAt(collection, member::Item);
            for (long i = 0; i < count && position < 0; ++i) {
                com::ignoring([&] {
                    ComPtr<IDispatch> tool = com::toObject(itemAt({Arg(i)}).get());
                    if (com::toBstr(com::get(tool.Get(), member::ToolName).get()).view() == name) position = i;
                });
            }
        });
        return position;
    }
    long position = -1;
    com::ignoring([&] { position = com::toLong(d); });
    return position;
}

void VeskTools::insert(const VARIANT& index, _VeskTool** oTool, bool after) {
    if (!oTool || !*oTool) com::raise(RuntimeError::ObjectNotSet);
    ComPtr<VeskTool> wrapper = VeskTool::from(*oTool);
    long position = positionOf(index);
    if (after && position != -1) ++position;
    // Held for the call: the control may run code that re-points the wrapper meanwhile.
    ComPtr<IDispatch> tool(wrapper->wrapped());
    com::call(target(), member::Insert, {Arg(position), Arg(tool.Get())});
}

STDMETHODIMP VeskTools::InsertBefore(VARIANT Index, _VeskTool** oTool) {
    return guard([&] { insert(Index, oTool, false); });
}

STDMETHODIMP VeskTools::InsertAfter(VARIANT Index, _VeskTool** oTool) {
    return guard([&] { insert(Index, oTool, true); });
}

STDMETHODIMP VeskTools::RemoveAll() {
    return guard([&] { com::call(target(), member::RemoveAll); });
}

STDMETHODIMP VeskTools::Add(BSTR ToolName, _VeskTool** ret) {
    return answer(ret, [&] {
        long id = freeToolId();
        // Always the control's own collection, whichever collection this object wraps.
        ComPtr<IDispatch> controlTools = com::toObject(com::get(control_, member::Tools).get());
        Bstr name(com::view(ToolName));
        return pointed(tool_, com::call(controlTools.Get(), member::Add, {Arg(id), Arg::ref(name)}));
    });
}

STDMETHODIMP VeskTools::get_Item(VARIANT Index, _VeskTool** ret) {
    return answer(ret, [&] { return pointed(tool_, com::call(target(), member::Item, {Arg::value(Index)})); });
}

STDMETHODIMP VeskTools::get_Count(long* ret) { return answer(ret, [&] { return countOf(target()); }); }

STDMETHODIMP VeskTools::Remove(VARIANT Index) {
    return guard([&] { com::call(target(), member::Remove, {Arg::value(Index)}); });
}

STDMETHODIMP VeskTools::GetFreeToolID(long* ret) { return answer(ret, [&] { return freeToolId(); }); }

}  // namespace orvi
