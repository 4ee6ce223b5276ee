// Network control: each routine is one call on the client's login object, which owns the lock
// service that keeps two users from running conflicting functions at once. The login object is
// fetched from the session context on every call and not kept.
//
//   taskexec(subsystem, function, machine, mode, year, period[, row])
//     mode 3  begin a task; answers the task ID (1 or more) or less than 1 when refused
//     mode 2  query a function; mode 1  query a subsystem
//   CommitTask(task ID) ends a task.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace orvi::netcontrol {

// Number of the refusal raised by ExecFunc (a plain error number, not an HRESULT code of ours).
constexpr int kConflict = 16390;
constexpr HRESULT kConflictHresult = HRESULT(0x800A0000u | unsigned(kConflict));

// This computer's name as GetComputerNameA gives it; "NoName" when that fails.
std::wstring GetMachineName();

// Begins a task on sFuncID (already trimmed); a refusal raises kConflict with source
// "MNetControl.ExecFunc". lRowID is passed on only when the caller gave it (not missing).
long ExecFunc(long lSubSysID, const std::wstring& sFuncID, short iYear, short iPeriod, const VARIANT& lRowID);
bool QueryFuncTask(long lSubSysID, const std::wstring& sFuncID, short iYear, short iPeriod, const VARIANT& lRowID);
bool QuerySubSysTask(long lSubSysID, short iYear, short iPeriod);
bool CommitFuncTask(long taskId);

}  // namespace orvi::netcontrol
