// Session context: what the library knows about the running session, read from the client
// process that loaded it, and the translation of the library's own Chinese message texts into
// the session language. Module routines shared by every class of the library.
//
// Two components of the client are used, created late-bound by ProgID:
//   OrviPropsMgr.ShareProps  the shared property store (GetProperty(process ID, key))
//   OrviResLoader.Loader     the resource loader (ResFileBaseName, LanguageID, LoadString(text))
//
// Module state exists once per thread (apartment) and starts empty there: the session language
// (read from the props string at the first translation that finds it empty), the resource
// loader (created by LoadLangText or QelLib.LoadVyString, whichever runs first on the thread,
// and shared by both) and the parsed props of the last ParseProps. A thread's state lives while
// the thread holds objects of the library: ReleaseThreadSession runs on the thread when its last
// object goes (the module's thread-idle hook), while its apartment is still alive, and the next
// use on that thread starts empty again.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

#include "com/Errors.h"
#include "com/Variant.h"

namespace orvi::session {

using com::ComPtr;
using com::Variant;

// One property of this process (GetCurrentProcessId) from a new store object: read once to learn
// whether it is an object and once more to take it. Failures propagate.
Variant GetShareProp(std::wstring_view key);
// "PropsString": the props string handed to every middle-tier call.
std::wstring GetPropsString();
// "OrviLogin": the client's login object, owner of the network-control lock service.
ComPtr<IDispatch> GetLoginObject();
// The string properties of the account set and the operator.
std::wstring ShareUserName();
std::wstring ShareAcctID();
std::wstring ShareAcctName();
std::wstring ShareSetupType();

// One entry of the props string, upper-cased, untrimmed: the first "key=" anywhere in it,
// ignoring case. "" when absent or on any failure.
std::wstring GetPropValue(std::wstring_view key) noexcept;

// Rebuilds this thread's parsed props from the text (braces honoured, spaces trimmed) and
// returns true. A key given twice fails with runtime error 457, leaving the entries before it.
bool ParseProps(std::wstring_view props);
// The parsed item under key (ignoring case); a key not there fails with runtime error 5.
std::wstring GetParsedItem(std::wstring_view key);

// text in the session language, its leading and trailing spaces kept; text itself when the
// language is "CHS" or anything fails. Never fails, and leaves the thread's pending error
// (its error info) exactly as it found it.
std::wstring LoadLangText(std::wstring_view text) noexcept;

// Pieces of translation shared with QelLib.LoadVyString.
// This thread's session language, looked up in the props string while it is empty.
const std::wstring& SessionLanguage();
// This thread's resource loader, created with progId if there is none yet.
IDispatch* SessionLoader(const wchar_t* progId);
// leading spaces + loader.LoadString(core) + trailing spaces.
std::wstring LoadThrough(IDispatch* loader, std::wstring_view text);

// A new object of a class named by ProgID (what a VB client's CreateObject does); error 429
// when it cannot be created.
ComPtr<IDispatch> CreateObjectByProgID(std::wstring_view progId);

// Releases the calling thread's session state (the loader with it); the next use starts empty.
void ReleaseThreadSession() noexcept;
// Gives back the per-thread slot (the module's DLL_PROCESS_DETACH).
void ShutdownSessions() noexcept;

// Upper-cases one character by the platform's rules.
wchar_t UpperChar(wchar_t c) noexcept;

}  // namespace orvi::session
