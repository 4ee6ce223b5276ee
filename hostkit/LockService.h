// The login object of the session kit (OrviHostKit.Login) and the lock service behind it.
//
// Every login object is one user session. Tasks live in a table in named shared memory
// ("OrviHostKit.LockService.Table"), guarded by a named mutex ("OrviHostKit.LockService.Mutex"),
// so that all processes on the machine (the Wine server's processes) arbitrate against one
// table. A task is a subsystem, a function code (taken exactly as given: see SessionKit.h), a
// year and a period (0 = every one) and an optional row (no row = every row). Two tasks conflict when
// they belong to different sessions and agree on subsystem and function, and their years,
// periods and rows overlap. Mode 3 of taskexec grants a task unless another session holds a
// conflicting one (task IDs count up from 1; 0 means refused); CommitTask ends a task of its own
// session. A session's tasks end with its login object, and tasks of processes that have ended
// are dropped at the next call.
#pragma once
#include "hostkit/SessionKit.h"

namespace hostkit {

class LoginObject final : public KitObject<LoginObject, ILoginSession> {
public:
    static constexpr const wchar_t* kKind = L"Login";
    static constexpr const wchar_t* kSource = L"OrviHostKit.Login";

    LoginObject();
    ~LoginObject() override;

    STDMETHODIMP taskexec(long SubSysID, BSTR FuncID, BSTR Machine, short Mode, short Year, short Period,
                          VARIANT RowID, VARIANT* ret) override;
    STDMETHODIMP CommitTask(long TaskID, VARIANT_BOOL* ret) override;
    STDMETHODIMP get_SessionTasks(long* ret) override;
    STDMETHODIMP get_ActiveTasks(long* ret) override;
    STDMETHODIMP TaskMachine(long TaskID, BSTR* ret) override;

private:
    long session_ = 0;
};

}  // namespace hostkit
