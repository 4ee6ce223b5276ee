// QelLib: the plug-in's general services: objects by ProgID, SQL reads and batch updates through
// the client's middle tier, translated strings, and the account set, operator and network-control
// objects. Each event object hands out one, created on the first read of its QelLib property.
#pragma once
#include "base/Library.h"

namespace orvi {

class Account;
class Net;
class User;

class QelLib final : public Object<QelLib, _QelLib> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.QelLib";

    QelLib();
    ~QelLib() override;

    // _QelLib
    STDMETHODIMP CreateQelObject(BSTR ClassString, IDispatch** ret) override;
    STDMETHODIMP GetData(BSTR SQLCode, IDispatch** ret) override;
    STDMETHODIMP UpdateData(VARIANT SQLCode) override;
    STDMETHODIMP LoadVyString(BSTR strGBText, BSTR* ResourceFile, BSTR* ret) override;
    STDMETHODIMP GetQelLanguage(BSTR* ret) override;
    STDMETHODIMP get_Account(_Account** ret) override;
    STDMETHODIMP get_User(_User** ret) override;
    STDMETHODIMP get_Net(_Net** ret) override;

private:
    // Each made on the first read of its property and kept while this object lives; released
    // last-declared first.
    ComPtr<Net> net_;
    ComPtr<User> user_;
    ComPtr<Account> account_;
};

}  // namespace orvi
