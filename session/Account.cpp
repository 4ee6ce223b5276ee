#include "session/Account.h"

namespace orvi {

Account::Account() = default;
Account::~Account() = default;

STDMETHODIMP Account::get_AccountID(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP Account::get_SetupType(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP Account::get_AccountName(BSTR* ret) {
    return pending(__func__);
}

}  // namespace orvi
