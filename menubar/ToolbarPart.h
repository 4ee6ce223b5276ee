// What every wrapper of the toolbar control holds: the control's object it stands for, as the one
// kind of object it wraps, and the toolbar control that object belongs to.
#pragma once
#include <utility>

#include "base/Library.h"
#include "menubar/ToolbarInterfaces.h"
#include "menubar/ToolbarNames.h"

namespace orvi {

namespace toolbar {

// The control counts its collections in 16-bit Integers; the count widens with its sign.
inline long countOf(IDispatch* collection) {
    return long(com::toShort(com::get(collection, member::Count).get()));
}

// A wrapper its owner keeps (made on first use), pointed at `object` of the control `activeBar`.
template <class W>
ComPtr<W>& pointed(ComPtr<W>& wrapper, IDispatch* object, IDispatch* activeBar) {
    com::madeOnce(wrapper)->point(object, activeBar);
    return wrapper;
}

}  // namespace toolbar

template <class Wrapped>
class ToolbarPart {
public:
    // Points the wrapper at an object of the control (type mismatch for another kind of object;
    // Nothing empties it).
    void point(IDispatch* object) { wrapped_ = toolbar::bind<Wrapped>(object); }
    // The same, with the toolbar control it belongs to (the control is used late-bound, as it
    // comes). A wrapper without a control asks for no redraws.
    void point(IDispatch* object, IDispatch* activeBar) {
        point(object);
        control_ = activeBar;
    }
    Wrapped* wrapped() const noexcept { return wrapped_.Get(); }

protected:
    ToolbarPart() = default;
    ~ToolbarPart() = default;

    // The wrapped object, or error 91 when there is none.
    Wrapped* target() const {
        if (!wrapped_) com::raise(RuntimeError::ObjectNotSet);
        return wrapped_.Get();
    }

    // Reads and writes go straight to the wrapped object: nothing is cached, checked or refreshed
    // here.
    Variant read(const wchar_t* name) const { return com::get(target(), name); }
    void write(const wchar_t* name, Arg value) { com::put(target(), name, std::move(value)); }

    // A wrapper this object keeps, pointed at the object a member of the control answers, of the
    // same control.
    template <class W>
    ComPtr<W>& pointed(ComPtr<W>& wrapper, const Variant& object) {
        return toolbar::pointed(wrapper, com::toObject(object.get()).Get(), control_.Get());
    }

    // Released in this order when the wrapper goes (a wrapper that needs another order resets
    // them itself): the wrapped object, then the control.
    com::HostPtr control_;
    ComPtr<Wrapped> wrapped_;
};

}  // namespace orvi
