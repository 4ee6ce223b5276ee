#include "session/Account.h"

#include "host/MSession.h"

namespace orvi {

Account::Account() = default;
Account::~Account() = default;

STDMETHODIMP Account::get_AccountID(BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        com::reraiseAs(kSource, [&] { *ret = Bstr(session::ShareAcctID()).release(); });
    });
}

STDMETHODIMP Account::get_SetupType(BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        com::reraiseAs(kSource, [&] { *ret = Bstr(session::ShareSetupType()).release(); });
    });
}

STDMETHODIMP Account::get_AccountName(BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        com::reraiseAs(kSource, [&] { *ret = Bstr(session::ShareAcctName()).release(); });
    });
}

}  // namespace orvi
