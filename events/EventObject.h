// What the three event objects of the host's forms (BillEvent, ListEvents, BaseClassEvent) share:
// raising an event to every connected plug-in, the menu bar built by FireBarInitialize, the one
// tool wrapper that FireBarClick re-points at the clicked tool, and the QelLib they hand out.
//
// A class gives the DISPIDs of its bar events as
//   static constexpr BarEvents kBarEvents = {BarInitialize, MenuBarInitialize, BarClick, MenuBarClick};
#pragma once
#include "base/Library.h"
#include "events/FormObjects.h"
#include "events/MMessage.h"
#include "host/HostForm.h"

namespace orvi {

struct BarEvents {
    DISPID barInitialize, menuBarInitialize, barClick, menuBarClick;
};

template <class Derived, class Itf>
class EventObject : public Object<Derived, Itf, com::EventSource<Derived, OrviLibrary>> {
    template <class, class>
    friend class CheckRelays;

protected:
    // The tool wrapper is made with the object, before anything a derived class makes.
    EventObject() : tool_(forms::NewToolWrapper()) {}

    // Raises one event to every connected sink. Relays of the forms' events return an Empty
    // Variant in ret; procedures (the check relays) have no result.
    HRESULT relay(DISPID id, com::EventArgs& args, VARIANT* ret) noexcept { return raiseAll(id, args, ret, true); }
    HRESULT relay(DISPID id, com::EventArgs&& args, VARIANT* ret) noexcept { return raiseAll(id, args, ret, true); }
    HRESULT procedure(DISPID id, com::EventArgs& args) noexcept { return raiseAll(id, args, nullptr, false); }
    HRESULT procedure(DISPID id, com::EventArgs&& args) noexcept { return raiseAll(id, args, nullptr, false); }

    // InitMenuBar: a new MenuBar over the host's toolbar control replaces the earlier one.
    void initMenuBar(IDispatch* bar) {
        menuBar_ = forms::NewMenuBar(bar);
    }

    // FireBarInitialize: the new menu bar, then BarInitialize(bar), then MenuBarInitialize(menu bar).
    HRESULT fireBarInitialize(IDispatch* bar, VARIANT* ret) noexcept {
        return this->guard([&] {
            com::initOut(ret);
            ComPtr<Derived> self(static_cast<Derived*>(this));
            initMenuBar(bar);
            ComPtr<_MenuBar> menu = menuBar_;  // a handler may start another FireBarInitialize
            this->raiseEvent(Derived::kBarEvents.barInitialize, com::EventArgs().object(bar));
            this->raiseEvent(Derived::kBarEvents.menuBarInitialize,
                             com::EventArgs().object(menu.Get()));
        });
    }

    // FireBarClick: BarClick(tool, Cancel), the tool wrapper pointed at the tool, then
    // MenuBarClick(wrapper, Cancel) whatever BarClick left in Cancel.
    HRESULT fireBarClick(IDispatch* tool, VARIANT_BOOL* cancel, VARIANT* ret) noexcept {
        return this->guard([&] {
            com::initOut(ret);
            if (!cancel) com::raise(E_POINTER, L"Invalid pointer");
            ComPtr<Derived> self(static_cast<Derived*>(this));
            this->raiseEvent(Derived::kBarEvents.barClick, com::EventArgs().object(tool).refBool(cancel));
            ComPtr<_VeskTool> wrapper = tool_;
            forms::PointToolWrapper(wrapper.Get(), tool);
            this->raiseEvent(Derived::kBarEvents.menuBarClick,
                             com::EventArgs().object(wrapper.Get()).refBool(cancel));
        });
    }

    // The QelLib property: made on the first read, the same object afterwards.
    HRESULT getQelLib(_QelLib** ret) noexcept {
        return this->guard([&] {
            com::initOut(ret);
            if (!qelLib_) qelLib_ = forms::NewQelLib();
            com::copyOut(ret, qelLib_);
        });
    }
    // The MenuBar property: the menu bar of the last FireBarInitialize, or Nothing.
    HRESULT getMenuBar(_MenuBar** ret) noexcept {
        return this->guard([&] {
            com::initOut(ret);
            com::copyOut(ret, menuBar_);
        });
    }

    // The list forms' relays of the same shape on ListEvents and BaseClassEvent (their DISPIDs
    // differ): DoCommand(Tool, ByRef lngReturnCode) and ListFillRow(lRow, RowData, HeadDict,
    // ByRef CellData, ByRef BackColor, ByRef ContinueRaise).
    HRESULT doCommand(DISPID id, IDispatch* tool, long* returnCode, VARIANT* ret) noexcept {
        return relay(id, com::EventArgs().object(tool).ref(returnCode), ret);
    }
    HRESULT listFillRow(DISPID id, long row, IDispatch* rowData, IDispatch* headDict, BSTR* cellData, long* backColor,
                        VARIANT_BOOL* continueRaise, VARIANT* ret) noexcept {
        return relay(id,
                     com::EventArgs().value(row).object(rowData).object(headDict).ref(cellData).ref(backColor).refBool(
                         continueRaise),
                     ret);
    }

    // SetBarStatus(Name, Property, a copy of Value) on the form's control (error 91 when there is
    // none), every error ignored.
    HRESULT setBarStatus(IDispatch* control, BSTR name, BSTR property, VARIANT* value, VARIANT* ret) noexcept {
        return this->guard([&] {
            com::initOut(ret);
            com::ignoring([&] {
                Bstr n(std::wstring_view(name ? name : L"", SysStringLen(name)));
                Bstr p(std::wstring_view(property ? property : L"", SysStringLen(property)));
                Variant copy = value ? Variant(*value) : Variant();
                com::call(control, host::member::SetBarStatus, {Arg::ref(n), Arg::ref(p), Arg::value(copy.get())});
            });
        });
    }

    // SendMessage: the one message routine of the three event objects. Its failures carry their
    // own source, or this class's when the library itself failed.
    HRESULT sendMessage(BSTR title, BSTR message, const VARIANT& users, VARIANT_BOOL* ret) noexcept {
        return this->guard([&] {
            com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
            *ret = message::SendUserMessage(title, message, users) ? VARIANT_TRUE : VARIANT_FALSE;
        });
    }

    ComPtr<_VeskTool> tool_;
    ComPtr<_QelLib> qelLib_;
    ComPtr<_MenuBar> menuBar_;

private:
    HRESULT raiseAll(DISPID id, com::EventArgs& args, VARIANT* ret, bool hasResult) noexcept {
        return this->guard([&] {
            if (hasResult) com::initOut(ret);
            if (args.hasNullReference()) com::raise(E_POINTER, L"Invalid pointer");
            // A handler may drop the last outside reference to this object (the host closing its
            // form from a plug-in): hold one until the event is over.
            ComPtr<Derived> self(static_cast<Derived*>(this));
            this->raiseEvent(id, args);
        });
    }
};

}  // namespace orvi
