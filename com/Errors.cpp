#include "Errors.h"

#include <utility>

namespace orvi::com {

const wchar_t* runtimeErrorText(int number) noexcept {
    switch (number) {
    case 5: return L"Invalid procedure call or argument";
    case 6: return L"Overflow";
    case 7: return L"Out of memory";
    case 9: return L"Subscript out of range";
    case 11: return L"Division by zero";
    case 13: return L"Type mismatch";
    case 91: return L"Object variable or With block variable not set";
    case 94: return L"Invalid use of Null";
    case 424: return L"Object required";
    case 438: return L"Object doesn't support this property or method";
    case 449: return L"Argument not optional";
    case 450: return L"Wrong number of arguments or invalid property assignment";
    case 457: return L"This key is already associated with an element of this collection";
    case 458: return L"Variable uses an Automation type not supported in Visual Basic";
    default: return nullptr;
    }
}

HRESULT ComError::report(const wchar_t* defaultSource) const noexcept {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetGUID(GUID_NULL);
        create->SetDescription(const_cast<LPOLESTR>(description_.c_str()));
        create->SetSource(const_cast<LPOLESTR>(hasSource() || !defaultSource ? source_.c_str() : defaultSource));
        create->SetHelpFile(const_cast<LPOLESTR>(helpFile_.c_str()));
        create->SetHelpContext(helpContext_);
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return hr_;
}

void raise(HRESULT hr, std::wstring description, std::wstring source) {
    throw ComError(hr, std::move(description), std::move(source));
}

void raise(RuntimeError e) {
    throw ComError(runtimeHresult(e), runtimeErrorText(int(e)));
}

static std::wstring systemMessage(HRESULT hr) {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, DWORD(hr), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring message = L"Automation error";
    if (n && text) {
        std::wstring s(text, n);
        while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r' || s.back() == L' ')) s.pop_back();
        if (!s.empty()) message += L": " + s;
    }
    if (text) LocalFree(text);
    return message;
}

ComError errorFromHresult(HRESULT hr) {
    RuntimeError mapped;
    switch (hr) {
    case DISP_E_TYPEMISMATCH: mapped = RuntimeError::TypeMismatch; break;
    case DISP_E_OVERFLOW: mapped = RuntimeError::Overflow; break;
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME: mapped = RuntimeError::NoSuchMember; break;
    case DISP_E_BADPARAMCOUNT: mapped = RuntimeError::WrongArgumentCount; break;
    case DISP_E_PARAMNOTOPTIONAL: mapped = RuntimeError::ArgumentNotOptional; break;
    case DISP_E_BADINDEX: mapped = RuntimeError::SubscriptOutOfRange; break;
    case DISP_E_DIVBYZERO: mapped = RuntimeError::DivisionByZero; break;
    case DISP_E_BADVARTYPE: mapped = RuntimeError::UnsupportedType; break;
    case E_OUTOFMEMORY: mapped = RuntimeError::OutOfMemory; break;
    default:
        if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) {
            if (const wchar_t* text = runtimeErrorText(HRESULT_CODE(hr))) return ComError(hr, text);
        }
        return ComError(hr, systemMessage(hr));
    }
    return ComError(runtimeHresult(mapped), runtimeErrorText(int(mapped)));
}

void throwHresult(HRESULT hr) {
    throw errorFromHresult(hr);
}

ComError errorFromCall(HRESULT hr) {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR description = nullptr, source = nullptr, helpFile = nullptr;
        DWORD helpContext = 0;
        info->GetDescription(&description);
        info->GetSource(&source);
        info->GetHelpFile(&helpFile);
        info->GetHelpContext(&helpContext);
        info->Release();
        ComError e(hr, description ? description : L"", source ? source : L"");
        e.withHelp(helpFile ? helpFile : L"", helpContext);
        SysFreeString(description);
        SysFreeString(source);
        SysFreeString(helpFile);
        if (e.description().empty()) {
            ComError mapped = errorFromHresult(hr);
            return ComError(hr, mapped.description(), e.source());
        }
        return e;
    }
    return errorFromHresult(hr);
}

ComError errorFromCall(HRESULT hr, IUnknown* obj, REFIID iid) {
    ISupportErrorInfo* support = nullptr;
    bool supported = obj && SUCCEEDED(obj->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) &&
                     support->InterfaceSupportsErrorInfo(iid) == S_OK;
    if (support) support->Release();
    return supported ? errorFromCall(hr) : errorFromHresult(hr);
}

ComError errorFromExcepInfo(EXCEPINFO& info) {
    if (info.pfnDeferredFillIn) {
        info.pfnDeferredFillIn(&info);
        info.pfnDeferredFillIn = nullptr;
    }
    HRESULT hr = info.scode;
    if (hr == S_OK) hr = info.wCode ? HRESULT(0x800A0000u | info.wCode) : DISP_E_EXCEPTION;
    std::wstring description = info.bstrDescription ? info.bstrDescription : L"";
    if (description.empty()) description = errorFromHresult(hr).description();
    ComError e(hr, std::move(description), info.bstrSource ? info.bstrSource : L"");
    e.withHelp(info.bstrHelpFile ? info.bstrHelpFile : L"", info.dwHelpContext);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    info.bstrDescription = info.bstrSource = info.bstrHelpFile = nullptr;
    return e;
}

void fillExcepInfo(EXCEPINFO* info, HRESULT hr) noexcept {
    if (!info) return;
    ZeroMemory(info, sizeof *info);
    info->scode = hr;
    IErrorInfo* error = nullptr;
    if (GetErrorInfo(0, &error) == S_OK && error) {
        error->GetDescription(&info->bstrDescription);
        error->GetSource(&info->bstrSource);
        error->GetHelpFile(&info->bstrHelpFile);
        error->GetHelpContext(&info->dwHelpContext);
        error->Release();
    }
}

}  // namespace orvi::com
