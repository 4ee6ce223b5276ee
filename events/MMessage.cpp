#include "events/MMessage.h"

#include <algorithm>
#include <new>

#include "base/Library.h"
#include "com/Collection.h"
#include "com/LateCall.h"
#include "host/MSession.h"

namespace orvi::message {

namespace {

constexpr const wchar_t* kFileSystemProgId = L"Scripting.FileSystemObject";
constexpr const wchar_t* kMessageProgId = L"OrviMessage.CMessage";
constexpr DWORD kTempPathLength = 255;
constexpr wchar_t kTitleLineBreak = wchar_t(20);  // what a carriage return becomes in a title

std::wstring text(BSTR b) {
    return std::wstring(com::view(b));
}

[[noreturn]] void refuse(const wchar_t* sourceText) {
    com::raise(kSendFailed, session::LoadLangText(sourceText), kRefusalSource);
}

[[noreturn]] void raiseLastError() {
    com::throwHresult(HRESULT_FROM_WIN32(GetLastError()));
}

// The temporary directory as GetTempPathA gives it, with a trailing "\\"; "" when it gives none
// (the file is then made in the current directory).
std::wstring GetTempDir() {
    char buffer[256] = {};
    DWORD n = GetTempPathA(kTempPathLength, buffer);
    if (n <= 1) return {};
    int length = int(std::min<DWORD>(n, sizeof buffer));
    length = int(std::find(buffer, buffer + length, '\0') - buffer);
    std::wstring dir;
    if (length > 0) {
        int wide = MultiByteToWideChar(CP_ACP, 0, buffer, length, nullptr, 0);
        dir.resize(size_t(wide > 0 ? wide : 0));
        if (wide > 0) MultiByteToWideChar(CP_ACP, 0, buffer, length, dir.data(), wide);
    }
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    return dir;
}

// "temp" + the seconds as the platform writes a Single (at most 7 significant digits, the
// locale's decimal separator) + ".tmp", in the temporary directory.
std::wstring TempFileName(float seconds) {
    Bstr timeText;
    com::check(VarBstrFromR4(seconds, LOCALE_USER_DEFAULT, 0, timeText.put()));
    return GetTempDir() + L"temp" + timeText.str() + L".tmp";
}

// Whether a value reads as a number the way VB's IsNumeric reads it: numbers, Booleans and Empty
// do, a text does when it converts to a Double, an object by its default value.
bool IsNumericValue(const VARIANT& v) {
    Variant value(v);
    switch (value.vt()) {
    case VT_EMPTY:
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT:
    case VT_R4: case VT_R8: case VT_CY: case VT_DECIMAL: case VT_BOOL:
        return true;
    case VT_BSTR: {
        Variant number;
        return SUCCEEDED(VariantChangeTypeEx(&number.get(), &value.get(), LOCALE_USER_DEFAULT, 0, VT_R8));
    }
    case VT_DISPATCH: {
        // An object reads as its default value.
        if (!V_DISPATCH(&value.get())) return false;
        Variant inner;
        if (FAILED(VariantChangeTypeEx(&inner.get(), &value.get(), LOCALE_USER_DEFAULT, 0, VT_BSTR))) return false;
        return IsNumericValue(inner.get());
    }
    default:
        return false;
    }
}

// Adds the value to the recipients when its text is not empty and it reads as a number.
void addIfUserCode(com::Collection& recipients, const VARIANT& given) {
    Variant value(given);
    switch (value.vt()) {
    case VT_EMPTY:
    case VT_NULL:   // no text at all
    case VT_ERROR:  // an error value is never a number
        return;
    default:
        break;
    }
    if (value.vt() & VT_ARRAY) com::raise(RuntimeError::TypeMismatch);  // an array has no text
    if (com::toBstr(value.get()).empty() || !IsNumericValue(value.get())) return;
    recipients.add(value.get());
}

// Element i (first dimension) of a one-dimensional array; a position outside its bounds, or an
// array of more dimensions, is the subscript error.
Variant elementOf(SAFEARRAY* array, LONG i) {
    if (SafeArrayGetDim(array) != 1) com::raise(RuntimeError::SubscriptOutOfRange);
    VARTYPE vt = VT_EMPTY;
    com::check(SafeArrayGetVartype(array, &vt));
    com::check(SafeArrayLock(array));
    struct Unlock {
        SAFEARRAY* a;
        ~Unlock() { SafeArrayUnlock(a); }
    } unlock{array};
    void* data = nullptr;
    com::check(SafeArrayPtrOfIndex(array, &i, &data));
    if (vt == VT_VARIANT) return Variant(*static_cast<VARIANT*>(data));
    VARIANT ref;
    V_VT(&ref) = VARTYPE(VT_BYREF | vt);
    V_BYREF(&ref) = data;
    return Variant(ref);
}

com::ComPtr<com::Collection> recipientsOf(const VARIANT& users) {
    ComPtr<com::Collection> recipients = com::Collection::create();
    Variant given(users);
    if (given.vt() & VT_ARRAY) {
        SAFEARRAY* array = V_ARRAY(&given.get());
        if (!array) com::raise(RuntimeError::SubscriptOutOfRange);
        LONG upper = -1;
        com::check(SafeArrayGetUBound(array, 1, &upper));
        for (LONG i = 0; i <= upper; ++i) addIfUserCode(*recipients.Get(), elementOf(array, i).get());
    } else {
        addIfUserCode(*recipients.Get(), given.get());
    }
    return recipients;
}

// Seconds since midnight, local time, as a Single.
float secondsSinceMidnight() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return float(now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0);
}

void writeTempFile(const std::wstring& name, BSTR message) {
    ComPtr<IDispatch> fso = session::CreateObjectByProgID(kFileSystemProgId);
    Bstr fileName(name);
    ComPtr<IDispatch> stream =
        com::toObject(com::call(fso.Get(), L"CreateTextFile", {Arg::ref(fileName), Arg::boolean(VARIANT_TRUE)}).get());
    Bstr body(com::view(message));
    com::call(stream.Get(), L"Write", {Arg::ref(body)});
    com::call(stream.Get(), L"Close");
}

long tempFileSize(const std::wstring& name) {
    ComPtr<IDispatch> fso = session::CreateObjectByProgID(kFileSystemProgId);
    Bstr fileName(name);
    ComPtr<IDispatch> file = com::toObject(com::call(fso.Get(), L"GetFile", {Arg::ref(fileName)}).get());
    return com::toLong(com::get(file.Get(), L"Size").get());
}

// The body buffer: size + 1 bytes, all 0, the file's bytes read into it from index 0.
Variant readTempFile(const std::wstring& name, long size) {
    if (size < 0) com::raise(RuntimeError::Overflow);
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) raiseLastError();
    struct Close {
        HANDLE h;
        ~Close() { CloseHandle(h); }
    } close{file};

    Variant body;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, ULONG(size) + 1);
    if (!array) com::raise(RuntimeError::OutOfMemory);
    V_VT(&body.get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(&body.get()) = array;
    auto* bytes = static_cast<BYTE*>(array->pvData);
    DWORD total = 0;
    while (total < DWORD(size)) {
        DWORD got = 0;
        if (!ReadFile(file, bytes + total, DWORD(size) - total, &got, nullptr)) raiseLastError();
        if (!got) break;
        total += got;
    }
    return body;
}

bool send(BSTR sTitle, BSTR sMessage, const VARIANT& users) {
    ComPtr<com::Collection> recipients = recipientsOf(users);
    if (recipients->count() == 0)
        refuse(L"没有设置消息接收用户代码数组,或者消息接受用户代码格式不正确!");
    if (SysStringLen(sTitle) == 0 && SysStringLen(sMessage) == 0) refuse(L"消息标题和消息内容不能都是空值!");

    long operatorId = com::toLong(Variant(session::GetPropValue(L"UserID")).get());

    // The directory is asked for again each time the name is used.
    float sendTime = secondsSinceMidnight();
    auto fileName = [&] { return TempFileName(sendTime); };

    writeTempFile(fileName(), sMessage);
    long size = tempFileSize(fileName());

    std::wstring titleText = text(sTitle);
    std::replace(titleText.begin(), titleText.end(), L'\r', kTitleLineBreak);
    Bstr title(titleText);

    Variant body = readTempFile(fileName(), size);

    {
        ComPtr<IDispatch> component = session::CreateObjectByProgID(kMessageProgId);
        ComPtr<IDispatch> list(static_cast<IDispatch*>(recipients.Get()));
        com::call(component.Get(), L"SendMessage",
                  {Arg::ref(operatorId), Arg::ref(list), Arg::ref(title), Arg(short(0)), Arg::refArray(body),
                   Arg::ref(size)});
    }

    if (!DeleteFileW(fileName().c_str())) raiseLastError();
    return true;
}

}  // namespace

bool SendUserMessage(BSTR title, BSTR message, const VARIANT& users) {
    try {
        return send(title, message, users);
    } catch (const ComError& e) {
        throw ComError(kSendFailed, e.description(), e.source());
    } catch (const std::bad_alloc&) {
        throw ComError(kSendFailed, com::runtimeErrorText(int(RuntimeError::OutOfMemory)));
    }
}

}  // namespace orvi::message
