#include "session/QelLib.h"

namespace orvi {

QelLib::QelLib() = default;
QelLib::~QelLib() = default;

STDMETHODIMP QelLib::CreateQelObject(BSTR ClassString, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP QelLib::GetData(BSTR SQLCode, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP QelLib::UpdateData(VARIANT SQLCode) {
    return pending(__func__);
}

STDMETHODIMP QelLib::LoadVyString(BSTR strGBText, BSTR* ResourceFile, BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP QelLib::GetQelLanguage(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP QelLib::get_Account(_Account** ret) {
    return pending(__func__);
}

STDMETHODIMP QelLib::get_User(_User** ret) {
    return pending(__func__);
}

STDMETHODIMP QelLib::get_Net(_Net** ret) {
    return pending(__func__);
}

}  // namespace orvi
