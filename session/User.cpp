#include "session/User.h"

namespace orvi {

User::User() = default;
User::~User() = default;

STDMETHODIMP User::get_UserID(long* ret) {
    return pending(__func__);
}

STDMETHODIMP User::get_UserName(BSTR* ret) {
    return pending(__func__);
}

}  // namespace orvi
