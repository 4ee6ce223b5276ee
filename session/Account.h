// Account: the account set the client is logged into, read from the shared property store on
// every read.
#pragma once
#include "base/Library.h"

namespace orvi {

class Account final : public Object<Account, _Account> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.Account";

    // _Account
    STDMETHODIMP get_AccountID(BSTR* ret) override;
    STDMETHODIMP get_SetupType(BSTR* ret) override;
    STDMETHODIMP get_AccountName(BSTR* ret) override;
};

}  // namespace orvi
