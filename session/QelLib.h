#pragma once
#include "server/Library.h"

namespace orvi {

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
};

}  // namespace orvi
