// The error numbers the tests expect, as plug-ins see them: VB run-time errors (0x800A....) and
// the library's own (0x8004....). Each test file picks the ones it needs.
#pragma once
#include <windows.h>

namespace testkit {

// VB run-time errors.
constexpr HRESULT kInvalidCall = HRESULT(0x800A0005);       // 5
constexpr HRESULT kOverflow = HRESULT(0x800A0006);          // 6
constexpr HRESULT kSubscript = HRESULT(0x800A0009);         // 9
constexpr HRESULT kTypeMismatch = HRESULT(0x800A000D);      // 13
constexpr HRESULT kFileNotFound = HRESULT(0x800A0035);      // 53
constexpr HRESULT kObjectNotSet = HRESULT(0x800A005B);      // 91
constexpr HRESULT kInvalidUseOfNull = HRESULT(0x800A005E);  // 94
constexpr HRESULT kObjectRequired = HRESULT(0x800A01A8);    // 424
constexpr HRESULT kCannotCreate = HRESULT(0x800A01AD);      // 429
constexpr HRESULT kNoSuchMember = HRESULT(0x800A01B6);      // 438
constexpr HRESULT kDuplicateKey = HRESULT(0x800A01C9);      // 457
constexpr HRESULT kInvalidPicture = HRESULT(0x800A01E1);    // 481
constexpr HRESULT kConflict = HRESULT(0x800A4006);          // 16390: the session lock is held

// The library's own errors.
constexpr HRESULT kFieldNotFound = HRESULT(0x80040064);
constexpr HRESULT kSendFailed = HRESULT(0x80040064);  // the same number, raised by SendMessage
constexpr HRESULT kValueNotFound = HRESULT(0x80040065);
constexpr HRESULT kUpdateFailed = HRESULT(0x80040066);
constexpr HRESULT kLookupFailed = HRESULT(0x80040067);
constexpr HRESULT kNotInList = HRESULT(0x80040068);
constexpr HRESULT kBadArgument = HRESULT(0x800403E9);
constexpr HRESULT kEmptyArgument = HRESULT(0x800403EA);
constexpr HRESULT kBadIndex = HRESULT(0x80040BB9);  // 3001

}  // namespace testkit
