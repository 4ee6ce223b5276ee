#include "session/User.h"

#include "host/MSession.h"

namespace orvi {

// The entry whose whole key is UserID: the parse honours braces and trims spaces.
STDMETHODIMP User::get_UserID(long* ret) {
    return answerOwn(ret, [] {
        session::ParseProps(session::GetPropsString());
        return Variant(session::GetParsedItem(L"UserID"));
    });
}

STDMETHODIMP User::get_UserName(BSTR* ret) { return answerOwn(ret, [] { return session::ShareUserName(); }); }

}  // namespace orvi
