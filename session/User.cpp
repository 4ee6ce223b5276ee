#include "session/User.h"

#include "host/MSession.h"

namespace orvi {

User::User() = default;
User::~User() = default;

STDMETHODIMP User::get_UserID(long* ret) {
    return guard([&] {
        com::initOut(ret, 0L);
        com::reraiseAs(kSource, [&] {
            // The entry whose whole key is UserID: the parse honours braces and trims spaces.
            session::ParseProps(session::GetPropsString());
            Variant item(session::GetParsedItem(L"UserID"));
            *ret = com::toLong(item.get());
        });
    });
}

STDMETHODIMP User::get_UserName(BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        com::reraiseAs(kSource, [&] { *ret = Bstr(session::ShareUserName()).release(); });
    });
}

}  // namespace orvi
