// The error numbers the tests expect, as plug-ins see them: VB run-time errors (0x800A....) and
// the library's own (0x8004....); and the library's own descriptions. Each test file picks the
// ones it needs.
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

// The library's descriptions of its errors (in the client's source language).
constexpr const wchar_t* kOutOfRange = L"Index 值错误。超出范围";
constexpr const wchar_t* kNotAboveZero = L"Index 值错误。必须为大于 0 的整数";
constexpr const wchar_t* kNoSuchField = L"Index 值错误。没有该字段";
constexpr const wchar_t* kCannotUpdate = L"无法更新字段的值";
constexpr const wchar_t* kLookupText = L"更新查找类型字段时出现错误";
constexpr const wchar_t* kNotInListText = L"没有在列表项中找到指定的值";
constexpr const wchar_t* kNotEmpty = L"参数错误。参数必须不为空";
constexpr const wchar_t* kGreaterThanZero = L"参数错误。参数必须大于 0";
constexpr const wchar_t* kStringsOnly = L"参数错误。参数类型必须为字符串或字符串数组";
constexpr const wchar_t* kConflictText = L"当前使用的功能与其他用户有冲突,目前无法使用!";
constexpr const wchar_t* kNoRecipients = L"没有设置消息接收用户代码数组,或者消息接受用户代码格式不正确!";
constexpr const wchar_t* kNothingToSend = L"消息标题和消息内容不能都是空值!";

}  // namespace testkit
