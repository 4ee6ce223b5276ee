// What the three event objects of the host's forms (BillEvent, ListEvents, BaseClassEvent) share:
// raising an event to every connected plug-in, the menu bar built by FireBarInitialize, the one
// tool wrapper that FireBarClick re-points at the clicked tool, the QelLib they hand out, the data
// service with its templates and the check manager the host binds, and the order of release.
//
// A class names the DISPIDs of its bar events (events/EventIds.h) by their prefix:
//   static constexpr BarEvents kBarEvents = ORVI_BAR_EVENTS(BILL_EVENT);
#pragma once
#include "base/Library.h"
#include "events/EventIds.h"
#include "events/FormObjects.h"
#include "events/MMessage.h"
#include "host/HostData.h"
#include "host/HostForm.h"

#include <tuple>

namespace orvi {

struct BarEvents {
    DISPID barInitialize, menuBarInitialize, barClick, menuBarClick;
};
#define ORVI_BAR_EVENTS(prefix) \
    { prefix##_BarInitialize, prefix##_MenuBarInitialize, prefix##_BarClick, prefix##_MenuBarClick }

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
        return this->answer(ret, [&]() -> const auto& {
            if (!qelLib_) qelLib_ = forms::NewQelLib();
            return qelLib_;
        });
    }
    // The MenuBar property: the menu bar of the last FireBarInitialize, or Nothing.
    HRESULT getMenuBar(_MenuBar** ret) noexcept {
        return this->answer(ret, [&]() -> const auto& { return menuBar_; });
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
                Bstr n(com::view(name));
                Bstr p(com::view(property));
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

    // The data service and the three templates it publishes, read when it is bound and kept.
    // Each step replaces its field; a failing step leaves the earlier ones replaced.
    void bindDataSrv(IDispatch* dataSrv) {
        dataSrv_ = dataSrv;
        classType_ = host::toDictionary(com::get(dataSrv_, host::member::ClassType).get());
        tableInfo_ = host::toDictionary(com::get(dataSrv_, host::member::TableInfo).get());
        classTypeEntry_ = host::toVector(com::get(dataSrv_, host::member::ClassTypeEntry).get());
    }

    // The order in which an event object lets go of what it holds, called by each class's
    // destructor with what only it holds. It is seen from outside: most of these objects are the
    // host's, this reference may be their last, and their termination runs host code that may
    // still reach the others. So what was made or read from an object goes before that object:
    //   1. the tool wrapper, then `made`: the collections made over the form's control, which
    //      hold that control (BillEvent's BillHeads and BillEntrys);
    //   2. QelLib and the menu bar (which holds the host's toolbar control);
    //   3. the templates ClassTypeEntry, TableInfo and ClassType, then `data`: what the host
    //      handed in beside them (ListEvents' Data, BaseClassEvent's LedgerProperty);
    //   4. the data service the templates were read from;
    //   5. `controls`: the form's controls, from which the data service was read (BillCtl,
    //      List, or the base-data form's recordsets, toolbar and browse control, in that order);
    //   6. the multi-level check manager, which the host assigns last.
    // A host that terminates its form while a plug-in still runs relies on this order; the tests
    // of each class pin it.
    template <class... Made, class... Data, class... Controls>
    void releaseInOrder(std::tuple<Made&...> made, std::tuple<Data&...> data,
                        std::tuple<Controls&...> controls) noexcept {
        constexpr auto resetAll = [](auto&... held) { (held.Reset(), ...); };
        tool_.Reset();
        std::apply(resetAll, made);
        resetAll(qelLib_, menuBar_, classTypeEntry_, tableInfo_, classType_);
        std::apply(resetAll, data);
        dataSrv_.Reset();
        std::apply(resetAll, controls);
        multiCheckMgr_.Reset();
    }

    ComPtr<_VeskTool> tool_;
    ComPtr<_QelLib> qelLib_;
    ComPtr<_MenuBar> menuBar_;
    com::HostPtr dataSrv_;
    host::DictionaryPtr classType_;
    host::DictionaryPtr tableInfo_;
    host::VectorPtr classTypeEntry_;
    ComPtr<IDispatch> multiCheckMgr_;

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
