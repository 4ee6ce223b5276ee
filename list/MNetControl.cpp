#include "list/MNetControl.h"

#include <cstring>
#include <string>
#include <utility>

#include "com/LateCall.h"
#include "host/MSession.h"

namespace orvi::netcontrol {

using com::Arg;
using com::Bstr;
using com::ComPtr;
using com::Variant;

namespace {

constexpr short kModeQuerySubSys = 1;
constexpr short kModeQueryFunc = 2;
constexpr short kModeBegin = 3;

// taskexec with six arguments, or seven when the caller gave a row.
Variant taskexec(long subSys, Arg funcId, const wchar_t* machine, short mode, short year, short period,
                 const VARIANT* rowId) {
    ComPtr<IDispatch> login = session::GetLoginObject();
    Variant machineName(machine);
    if (!rowId)
        return com::call(login.Get(), L"taskexec",
                         {Arg::ref(subSys), std::move(funcId), Arg::value(machineName.get()), Arg(mode),
                          Arg::ref(year), Arg::ref(period)});
    Variant row(*rowId);
    return com::call(login.Get(), L"taskexec",
                     {Arg::ref(subSys), std::move(funcId), Arg::value(machineName.get()), Arg(mode),
                      Arg::ref(year), Arg::ref(period), Arg::ref(row)});
}

const VARIANT* givenRow(const VARIANT& lRowID) {
    return com::isMissing(lRowID) ? nullptr : &lRowID;
}

}  // namespace

std::wstring GetMachineName() {
    char buffer[40];
    std::memset(buffer, ' ', sizeof buffer);
    DWORD size = sizeof buffer;
    if (!GetComputerNameA(buffer, &size)) return L"NoName";
    // The buffer as a 40-character text: the name, its terminating NUL, then the spaces that
    // were there. Trimmed, it ends with the NUL, which goes.
    std::string name(buffer, sizeof buffer);
    size_t begin = name.find_first_not_of(' ');
    size_t end = name.find_last_not_of(' ');
    name = begin == std::string::npos ? std::string() : name.substr(begin, end - begin + 1);
    if (!name.empty()) name.pop_back();
    if (name.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), wide.data(), n);
    return wide;
}

long ExecFunc(long lSubSysID, const std::wstring& sFuncID, short iYear, short iPeriod, const VARIANT& lRowID) {
    Bstr funcId(sFuncID);
    std::wstring machine = GetMachineName();
    long taskId = com::toLong(
        taskexec(lSubSysID, Arg::ref(funcId), machine.c_str(), kModeBegin, iYear, iPeriod, givenRow(lRowID)).get());
    if (taskId < 1)
        com::raise(kConflictHresult, L"当前使用的功能与其他用户有冲突,目前无法使用!", L"MNetControl.ExecFunc");
    return taskId;
}

bool QueryFuncTask(long lSubSysID, const std::wstring& sFuncID, short iYear, short iPeriod, const VARIANT& lRowID) {
    Bstr funcId(sFuncID);
    return com::toBool(taskexec(lSubSysID, Arg::ref(funcId), L"", kModeQueryFunc, iYear, iPeriod, givenRow(lRowID)).get());
}

bool QuerySubSysTask(long lSubSysID, short iYear, short iPeriod) {
    return com::toBool(taskexec(lSubSysID, Arg(L""), L"", kModeQuerySubSys, iYear, iPeriod, nullptr).get());
}

bool CommitFuncTask(long taskId) {
    ComPtr<IDispatch> login = session::GetLoginObject();
    return com::toBool(com::call(login.Get(), L"CommitTask", {Arg::ref(taskId)}).get());
}

}  // namespace orvi::netcontrol
