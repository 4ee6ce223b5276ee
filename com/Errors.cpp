#include "Errors.h"

#include <utility>

namespace orvi::com {

// The runtime's own texts of its trappable errors, which a VB client shows for an error that
// carries the number and no description of its own.
const wchar_t* runtimeErrorText(int number) noexcept {
    switch (number) {
    case 3: return L"Return without GoSub";
    case 5: return L"Invalid procedure call or argument";
    case 6: return L"Overflow";
    case 7: return L"Out of memory";
    case 9: return L"Subscript out of range";
    case 10: return L"This array is fixed or temporarily locked";
    case 11: return L"Division by zero";
    case 13: return L"Type mismatch";
    case 14: return L"Out of string space";
    case 16: return L"Expression too complex";
    case 17: return L"Can't perform requested operation";
    case 18: return L"User interrupt occurred";
    case 20: return L"Resume without error";
    case 28: return L"Out of stack space";
    case 35: return L"Sub or Function not defined";
    case 47: return L"Too many DLL application clients";
    case 48: return L"Error in loading DLL";
    case 49: return L"Bad DLL calling convention";
    case 51: return L"Internal error";
    case 52: return L"Bad file name or number";
    case 53: return L"File not found";
    case 54: return L"Bad file mode";
    case 55: return L"File already open";
    case 57: return L"Device I/O error";
    case 58: return L"File already exists";
    case 59: return L"Bad record length";
    case 61: return L"Disk full";
    case 62: return L"Input past end of file";
    case 63: return L"Bad record number";
    case 67: return L"Too many files";
    case 68: return L"Device unavailable";
    case 70: return L"Permission denied";
    case 71: return L"Disk not ready";
    case 74: return L"Can't rename with different drive";
    case 75: return L"Path/File access error";
    case 76: return L"Path not found";
    case 91: return L"Object variable or With block variable not set";
    case 92: return L"For loop not initialized";
    case 93: return L"Invalid pattern string";
    case 94: return L"Invalid use of Null";
    case 96: return L"Unable to sink events of object because the object is already firing events to the maximum number of event receivers that it supports";
    case 97: return L"Can not call friend function on object which is not an instance of defining class";
    case 98: return L"A property or method call cannot include a reference to a private object, either as an argument or as a return value";
    case 321: return L"Invalid file format";
    case 322: return L"Can't create necessary temporary file";
    case 325: return L"Invalid format in resource file";
    case 380: return L"Invalid property value";
    case 381: return L"Invalid property array index";
    case 382: return L"Set not supported at runtime";
    case 383: return L"Set not supported (read-only property)";
    case 385: return L"Need property array index";
    case 387: return L"Set not permitted";
    case 393: return L"Get not supported at runtime";
    case 394: return L"Get not supported (write-only property)";
    case 422: return L"Property not found";
    case 423: return L"Property or method not found";
    case 424: return L"Object required";
    case 429: return L"ActiveX component can't create object";
    case 430: return L"Class does not support Automation or does not support expected interface";
    case 432: return L"File name or class name not found during Automation operation";
    case 438: return L"Object doesn't support this property or method";
    case 440: return L"Automation error";
    case 442: return L"Connection to type library or object library for remote process has been lost. Press OK for dialog to remove reference.";
    case 443: return L"Automation object does not have a default value";
    case 445: return L"Object doesn't support this action";
    case 446: return L"Object doesn't support named arguments";
    case 447: return L"Object doesn't support current locale setting";
    case 448: return L"Named argument not found";
    case 449: return L"Argument not optional";
    case 450: return L"Wrong number of arguments or invalid property assignment";
    case 451: return L"Property let procedure not defined and property get procedure did not return an object";
    case 452: return L"Invalid ordinal";
    case 453: return L"Specified DLL function not found";
    case 454: return L"Code resource not found";
    case 455: return L"Code resource lock error";
    case 457: return L"This key is already associated with an element of this collection";
    case 458: return L"Variable uses an Automation type not supported in Visual Basic";
    case 459: return L"Object or class does not support the set of events";
    case 460: return L"Invalid clipboard format";
    case 461: return L"Method or data member not found";
    case 462: return L"The remote server machine does not exist or is unavailable";
    case 463: return L"Class not registered on local machine";
    case 481: return L"Invalid picture";
    case 482: return L"Printer error";
    case 735: return L"Can't save file to TEMP";
    case 744: return L"Search text not found";
    case 746: return L"Replacements too long";
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

HRESULT failureHresult() noexcept {
    try {
        throw;
    } catch (const ComError& e) {
        return e.hr();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT reportFailure(const wchar_t* defaultSource) noexcept {
    try {
        throw;
    } catch (const ComError& e) {
        return e.report(defaultSource);
    } catch (...) {
        HRESULT hr = failureHresult();
        try {
            return ComError(hr, hr == E_OUTOFMEMORY ? L"Out of memory" : L"Unexpected failure").report(defaultSource);
        } catch (...) {
            return hr;  // no memory left for the record either
        }
    }
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
