// User: the operator of the client: the numeric ID from the props string, the name from the
// shared property store, read afresh every time.
#pragma once
#include "base/Library.h"

namespace orvi {

class User final : public Object<User, _User> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.User";

    // _User
    STDMETHODIMP get_UserID(long* ret) override;
    STDMETHODIMP get_UserName(BSTR* ret) override;
};

}  // namespace orvi
