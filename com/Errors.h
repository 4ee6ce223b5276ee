// COM errors as one C++ exception type. Inside the library a failure throws ComError; at the
// COM boundary (every interface method) the exception becomes an HRESULT plus an error-info
// record (number, description, source), which is the only form a COM client ever sees.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <new>
#include <string>

namespace orvi::com {

// Runtime errors of the automation platform, by the numbers a VB or script client knows.
enum class RuntimeError : int {
    InvalidProcedureCall = 5,
    Overflow = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    DivisionByZero = 11,
    TypeMismatch = 13,
    ObjectNotSet = 91,
    InvalidUseOfNull = 94,
    ObjectRequired = 424,
    NoSuchMember = 438,
    ArgumentNotOptional = 449,
    WrongArgumentCount = 450,
    DuplicateKey = 457,
    UnsupportedType = 458,
};

// HRESULT of a runtime error: the control facility with the error number (91 -> 0x800A005B).
constexpr HRESULT runtimeHresult(RuntimeError e) {
    return HRESULT(0x800A0000u | unsigned(e));
}
// HRESULT of an error defined by this library: the interface facility (100 -> 0x80040064).
constexpr HRESULT objectErrorHresult(int code) {
    return HRESULT(0x80040000u + unsigned(code));
}

// The text the platform gives a runtime error ("Type mismatch"); nullptr for unknown numbers.
const wchar_t* runtimeErrorText(int number) noexcept;

class ComError {
public:
    ComError(HRESULT hr, std::wstring description, std::wstring source = {})
        : hr_(hr), description_(std::move(description)), source_(std::move(source)) {}

    HRESULT hr() const noexcept { return hr_; }
    const std::wstring& description() const noexcept { return description_; }
    const std::wstring& source() const noexcept { return source_; }
    const std::wstring& helpFile() const noexcept { return helpFile_; }
    DWORD helpContext() const noexcept { return helpContext_; }

    // Errors that carry their own source (a host's error passed through) keep it; others get
    // the source of the class whose member reports them.
    bool hasSource() const noexcept { return !source_.empty(); }
    ComError& withSource(std::wstring source) {
        source_ = std::move(source);
        return *this;
    }
    ComError& withHelp(std::wstring file, DWORD context) {
        helpFile_ = std::move(file);
        helpContext_ = context;
        return *this;
    }

    // Publishes the error as the thread's error info and returns its HRESULT.
    HRESULT report(const wchar_t* defaultSource) const noexcept;

private:
    HRESULT hr_;
    std::wstring description_;
    std::wstring source_;
    std::wstring helpFile_;
    DWORD helpContext_ = 0;
};

[[noreturn]] void raise(HRESULT hr, std::wstring description, std::wstring source = {});
[[noreturn]] void raise(RuntimeError e);

// Converts a failed platform HRESULT into the error a VB client would see: dispatch errors
// (DISP_E_TYPEMISMATCH, DISP_E_MEMBERNOTFOUND, ...) become the matching runtime error, anything
// else keeps its HRESULT with the system's message.
ComError errorFromHresult(HRESULT hr);
[[noreturn]] void throwHresult(HRESULT hr);
inline void check(HRESULT hr) {
    if (FAILED(hr)) throwHresult(hr);
}

// The error a failed call reported: the thread's error-info record when there is one,
// otherwise errorFromHresult.
ComError errorFromCall(HRESULT hr);
// The error of a failed vtable call on obj's interface iid: its error info when the object
// declares support for it (ISupportErrorInfo), otherwise errorFromHresult.
ComError errorFromCall(HRESULT hr, IUnknown* obj, REFIID iid);
inline void checkCall(HRESULT hr, IUnknown* obj, REFIID iid) {
    if (FAILED(hr)) throw errorFromCall(hr, obj, iid);
}
// The error described by an EXCEPINFO filled by IDispatch::Invoke (frees its strings).
ComError errorFromExcepInfo(EXCEPINFO& info);

// Fills an EXCEPINFO from the thread's error info (consuming it) for a call that failed with hr.
void fillExcepInfo(EXCEPINFO* info, HRESULT hr) noexcept;

// The one table by which the library turns an exception into an HRESULT. Every catch site (member
// boundaries, object creation, the class factory, connection points and enumerators, the
// Collection, the dispatch layer, registration) calls one of the two functions below inside its
// catch block:
//   ComError         its own HRESULT; reportFailure publishes its record (description, source,
//                    help) as the thread's error info
//   std::bad_alloc   E_OUTOFMEMORY, described "Out of memory"
//   anything else    E_UNEXPECTED, described "Unexpected failure"
// Out of memory is E_OUTOFMEMORY everywhere, not the runtime's error 7 (0x800A0007): most sites
// answer callers that read nothing but the HRESULT (COM creating an object, a client advising a
// sink, registration), and E_OUTOFMEMORY is what those callers and the system's own objects use.
// Automation clients lose nothing by it: VB and VBScript report E_OUTOFMEMORY as their error 7
// "Out of memory", as this library's own late calls do (errorFromHresult). One code then means
// one thing at every site, whether the caller reads the HRESULT or the error record.
HRESULT failureHresult() noexcept;
HRESULT reportFailure(const wchar_t* defaultSource) noexcept;

// The three ways a member treats failures inside it:
//  - no handling: let the ComError propagate (a host's error reaches the caller unchanged);
//  - reraiseAs: any failure is raised again with its number and description and the class's
//    source ("OrviClassEvents.BillEvent");
//  - ignoring: any failure is dropped and the member keeps its initial result.
//
// A re-raised error carries number, description and source only: the help file and context of
// the error it was made from stay behind (they belong to the component that raised it).
template <class F>
void reraiseAs(const wchar_t* source, F&& f) {
    try {
        f();
    } catch (const ComError& e) {
        throw ComError(e.hr(), e.description(), source);
    } catch (const std::bad_alloc&) {
        throw;  // the boundary reports it
    } catch (...) {
        throw ComError(failureHresult(), L"Unexpected failure", source);
    }
}
template <class F>
bool ignoring(F&& f) noexcept {
    try {
        f();
        return true;
    } catch (...) {
        return false;
    }
}

// The policy of a member, as a value: for members whose behaviour is driven from a table.
enum class OnError { Ignore, Reraise, Pass };
template <class F>
void withPolicy(OnError policy, const wchar_t* source, F&& f) {
    switch (policy) {
    case OnError::Ignore: ignoring(f); return;
    case OnError::Reraise: reraiseAs(source, f); return;
    case OnError::Pass: f(); return;
    }
}

// Runs f; any exception becomes an HRESULT with error info whose default source is `source`.
template <class F>
HRESULT boundary(const wchar_t* source, F&& f) noexcept {
    try {
        f();
        return S_OK;
    } catch (...) {
        return reportFailure(source);
    }
}

}  // namespace orvi::com
