#include "session/Account.h"

#include "host/MSession.h"

namespace orvi {

STDMETHODIMP Account::get_AccountID(BSTR* ret) { return answerOwn(ret, [] { return session::ShareAcctID(); }); }

STDMETHODIMP Account::get_SetupType(BSTR* ret) { return answerOwn(ret, [] { return session::ShareSetupType(); }); }

STDMETHODIMP Account::get_AccountName(BSTR* ret) { return answerOwn(ret, [] { return session::ShareAcctName(); }); }

}  // namespace orvi
