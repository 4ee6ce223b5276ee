// The multi-level check, business-check and before-send-message relays, written once for the two
// event objects that have them (BillEvent over _BillEvent, ListEvents over _ListEvents). Each
// relay raises exactly its one event with the host's arguments in order: by-value arguments as
// values of their own type, by-reference ones pointing at the host's variables. They are
// procedures: no result.
//
// A class uses them as the implementation layer of its interface,
//   class ListEvents final : public EventObject<ListEvents, CheckRelays<ListEvents, _ListEvents>>
// and names the events' DISPIDs in its source interface (events/EventIds.h) by their prefix:
//   static constexpr CheckEvents kCheckEvents = ORVI_CHECK_EVENTS(LIST_EVENT);
#pragma once
#include "com/ConnectionPoint.h"
#include "events/EventIds.h"

namespace orvi {

struct CheckEvents {
    DISPID beforeMultiCheck, multiCheck, afterMultiCheck, startMultiCheck, finishMultiCheck, unMultiCheck,
        afterUnMultiCheck, businessCheck, afterBusinessCheck, unBusinessCheck, afterUnBusinessCheck,
        beforeSendMessage;
};
#define ORVI_CHECK_EVENTS(prefix)                                                                            \
    {                                                                                                        \
        prefix##_BeforeMultiCheck, prefix##_MultiCheck, prefix##_AfterMultiCheck, prefix##_StartMultiCheck,  \
            prefix##_FinishMultiCheck, prefix##_UnMultiCheck, prefix##_AfterUnMultiCheck,                    \
            prefix##_BusinessCheck, prefix##_AfterBusinessCheck, prefix##_UnBusinessCheck,                   \
            prefix##_AfterUnBusinessCheck, prefix##_BeforeSendMessage                                        \
    }

template <class Derived, class I>
class CheckRelays : public I {
public:
    using Interface = I;

    STDMETHODIMP FireBeforeMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long* lCheckLevel,
                                      long lCheckStatus, long lLastCheckFrom, long lLastCheckTo,
                                      VARIANT_BOOL* Cancel) override {
        return raise(ids().beforeMultiCheck, com::EventArgs()
                                                 .value(lCheckMode)
                                                 .value(lCheckMaxLevel)
                                                 .value(lBusinessLevel)
                                                 .ref(lCheckLevel)
                                                 .value(lCheckStatus)
                                                 .value(lLastCheckFrom)
                                                 .value(lLastCheckTo)
                                                 .refBool(Cancel));
    }
    STDMETHODIMP FireMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel,
                                long lCheckStatus, VARIANT_BOOL* bSendCheckMessage, VARIANT_BOOL* bSendAcceptMessage,
                                BSTR* sMessageTitle, BSTR* sMessage, VARIANT_BOOL* Cancel) override {
        return raise(ids().multiCheck, com::EventArgs()
                                           .value(lCheckMode)
                                           .value(lCheckMaxLevel)
                                           .value(lBusinessLevel)
                                           .value(lCheckLevel)
                                           .value(lCheckStatus)
                                           .refBool(bSendCheckMessage)
                                           .refBool(bSendAcceptMessage)
                                           .ref(sMessageTitle)
                                           .ref(sMessage)
                                           .refBool(Cancel));
    }
    STDMETHODIMP FireAfterMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel,
                                     long lCheckStatus, VARIANT_BOOL Success) override {
        return afterCheck(ids().afterMultiCheck, lCheckMode, lCheckMaxLevel, lBusinessLevel, lCheckLevel, lCheckStatus,
                          Success);
    }
    STDMETHODIMP FireStartMultiCheck(long lCheckMode, long lCheckMaxLevel, VARIANT_BOOL* bSendMessage,
                                     VARIANT_BOOL* Cancel) override {
        return raise(ids().startMultiCheck,
                     com::EventArgs().value(lCheckMode).value(lCheckMaxLevel).refBool(bSendMessage).refBool(Cancel));
    }
    STDMETHODIMP FireFinishMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckStatus,
                                      VARIANT_BOOL* bSendMessage) override {
        return raise(ids().finishMultiCheck, com::EventArgs()
                                                 .value(lCheckMode)
                                                 .value(lCheckMaxLevel)
                                                 .value(lBusinessLevel)
                                                 .value(lCheckStatus)
                                                 .refBool(bSendMessage));
    }
    STDMETHODIMP FireUnMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckStatus,
                                  long lLastCheckFrom, long lLastCheckTo, VARIANT_BOOL* bSendMessage,
                                  VARIANT_BOOL* Cancel) override {
        return raise(ids().unMultiCheck, com::EventArgs()
                                             .value(lCheckMode)
                                             .value(lCheckMaxLevel)
                                             .value(lBusinessLevel)
                                             .value(lCheckStatus)
                                             .value(lLastCheckFrom)
                                             .value(lLastCheckTo)
                                             .refBool(bSendMessage)
                                             .refBool(Cancel));
    }
    STDMETHODIMP FireAfterUnMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel,
                                       long lCheckStatus, VARIANT_BOOL Success) override {
        return afterCheck(ids().afterUnMultiCheck, lCheckMode, lCheckMaxLevel, lBusinessLevel, lCheckLevel,
                          lCheckStatus, Success);
    }
    STDMETHODIMP FireBusinessCheck(VARIANT_BOOL* Cancel) override {
        return raise(ids().businessCheck, com::EventArgs().refBool(Cancel));
    }
    STDMETHODIMP FireAfterBusinessCheck(VARIANT_BOOL Success) override {
        return raise(ids().afterBusinessCheck, com::EventArgs().boolean(Success));
    }
    STDMETHODIMP FireUnBusinessCheck(VARIANT_BOOL* Cancel) override {
        return raise(ids().unBusinessCheck, com::EventArgs().refBool(Cancel));
    }
    STDMETHODIMP FireAfterUnBusinessCheck(VARIANT_BOOL Success) override {
        return raise(ids().afterUnBusinessCheck, com::EventArgs().boolean(Success));
    }
    STDMETHODIMP FireBeforeSendMessage(BSTR ActionCode, IDispatch** dctMessage, VARIANT_BOOL* Cancel) override {
        return raise(ids().beforeSendMessage, com::EventArgs().text(ActionCode).ref(dctMessage).refBool(Cancel));
    }

private:
    static constexpr const CheckEvents& ids() noexcept { return Derived::kCheckEvents; }
    HRESULT raise(DISPID id, com::EventArgs& args) noexcept { return static_cast<Derived*>(this)->procedure(id, args); }
    // AfterMultiCheck and AfterUnMultiCheck take the same arguments.
    HRESULT afterCheck(DISPID id, long mode, long maxLevel, long businessLevel, long level, long status,
                       VARIANT_BOOL success) noexcept {
        return raise(id, com::EventArgs()
                             .value(mode)
                             .value(maxLevel)
                             .value(businessLevel)
                             .value(level)
                             .value(status)
                             .boolean(success));
    }
};

}  // namespace orvi
