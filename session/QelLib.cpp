#include "session/QelLib.h"

#include "events/FormObjects.h"
#include "host/MSession.h"
#include "list/Net.h"
#include "session/Account.h"
#include "session/User.h"
#include "text/PropsText.h"

namespace orvi {

namespace {

constexpr HRESULT kBadArgument = com::objectErrorHresult(1001);
constexpr const wchar_t* kEmptyArgument = L"参数错误。参数必须不为空";
constexpr const wchar_t* kNotStrings = L"参数错误。参数类型必须为字符串或字符串数组";

constexpr const wchar_t* kClassInfoProgId = L"OrviMClass.ClassInfo";
constexpr const wchar_t* kClassUpdateProgId = L"OrviMClass.ClassUpdate";
constexpr const wchar_t* kPluginLoaderProgId = L"QelResLoader.Loader";
constexpr const wchar_t* kPluginResources = L"QelDesign";
constexpr const wchar_t* kSourceLanguage = L"CHS";

[[noreturn]] void raiseBadArgument(const wchar_t* message) {
    com::raise(kBadArgument, session::LoadLangText(message));
}

// SQLCode as the array of strings UpdateBatch takes: one string becomes a one-element array
// with index 0, an array of strings is taken as it is (with its own bounds).
Variant sqlBatch(const VARIANT& sqlCode) {
    Variant value(sqlCode);  // a copy, references followed
    if (value.vt() == (VT_ARRAY | VT_BSTR)) return value;
    if (value.vt() != VT_BSTR) raiseBadArgument(kNotStrings);
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 1);
    if (!array) com::raise(RuntimeError::OutOfMemory);
    Variant batch;
    V_VT(&batch.get()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(&batch.get()) = array;
    LONG index = 0;
    com::check(SafeArrayPutElement(array, &index, V_BSTR(&value.get())));  // copies the string
    return batch;
}

}  // namespace

QelLib::QelLib() = default;

QelLib::~QelLib() = default;

STDMETHODIMP QelLib::CreateQelObject(BSTR ClassString, IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::reraiseAs(kSource, [&] {
            std::wstring progId = props::TrimSpaces(com::view(ClassString));
            if (progId.empty()) raiseBadArgument(kEmptyArgument);
            *ret = session::CreateObjectByProgID(progId).Detach();
        });
    });
}

STDMETHODIMP QelLib::GetData(BSTR SQLCode, IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::reraiseAs(kSource, [&] {
            Bstr sql(props::TrimSpaces(com::view(SQLCode)));
            if (sql.empty()) raiseBadArgument(kEmptyArgument);
            ComPtr<IDispatch> info = session::CreateObjectByProgID(kClassInfoProgId);
            Variant props(session::GetPropsString());
            Variant records = com::call(info.Get(), L"GetData", {Arg::value(props.get()), Arg::ref(sql)});
            info.Reset();
            *ret = com::toObject(records.get()).Detach();
        });
    });
}

STDMETHODIMP QelLib::UpdateData(VARIANT SQLCode) {
    return guard([&] {
        com::reraiseAs(kSource, [&] {
            Variant batch = sqlBatch(SQLCode);
            ComPtr<IDispatch> update = session::CreateObjectByProgID(kClassUpdateProgId);
            Variant props(session::GetPropsString());
            // The array goes by reference, as the variable it is.
            VARIANT batchRef;
            VariantInit(&batchRef);
            V_VT(&batchRef) = VT_BYREF | VT_ARRAY | VT_BSTR;
            V_ARRAYREF(&batchRef) = &V_ARRAY(&batch.get());
            com::call(update.Get(), L"UpdateBatch", {Arg::value(props.get()), Arg::value(batchRef)});
        });
    });
}

STDMETHODIMP QelLib::LoadVyString(BSTR strGBText, BSTR* ResourceFile, BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        std::wstring source(com::view(strGBText));
        std::wstring result = source;
        try {
            const std::wstring& language = session::SessionLanguage();
            if (language != kSourceLanguage) {
                ComPtr<IDispatch> loader = session::SessionLoader(kPluginLoaderProgId);
                Bstr file(props::TrimSpaces(ResourceFile ? com::view(*ResourceFile) : std::wstring_view()));
                if (ResourceFile) {
                    // The caller's string is replaced only once its replacement exists.
                    BSTR trimmed = Bstr(file).release();
                    SysFreeString(*ResourceFile);
                    *ResourceFile = trimmed;
                }
                Variant baseName(file.empty() ? std::wstring_view(kPluginResources) : file.view());
                com::put(loader.Get(), L"ResFileBaseName", Arg::value(baseName.get()));
                if (com::toString(com::get(loader.Get(), L"LanguageID").get()) != language)
                    com::put(loader.Get(), L"LanguageID", Arg(language.c_str()));
                result = session::LoadThrough(loader.Get(), source);
            }
        } catch (...) {
            // Whatever fails, the plug-in gets its own text back and no error.
            result = source;
        }
        *ret = Bstr(result).release();
    });
}

STDMETHODIMP QelLib::GetQelLanguage(BSTR* ret) {
    return answerOwn(ret, [] { return session::GetPropValue(L"Language"); });
}

STDMETHODIMP QelLib::get_Account(_Account** ret) { return answer(ret, [&] { return com::madeOnce(account_); }); }

STDMETHODIMP QelLib::get_User(_User** ret) { return answer(ret, [&] { return com::madeOnce(user_); }); }

STDMETHODIMP QelLib::get_Net(_Net** ret) { return answer(ret, [&] { return com::madeOnce(net_); }); }

ComPtr<_QelLib> forms::NewQelLib() { return com::make<QelLib>(); }

}  // namespace orvi
