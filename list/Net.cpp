#include "list/Net.h"

#include "host/MSession.h"
#include "list/MNetControl.h"
#include "text/PropsText.h"

namespace orvi {

namespace {

constexpr HRESULT kNegativeArgument = com::objectErrorHresult(1001);
constexpr HRESULT kEmptyArgument = com::objectErrorHresult(1002);

}  // namespace

STDMETHODIMP Net::BeginMutex(long lSubSysID, BSTR sFuncID, short iYear, short iPeriod, VARIANT lRowID, long* ret) {
    return answerOwn(ret, [&] {
        if (lSubSysID < 0) com::raise(kNegativeArgument, session::LoadLangText(L"参数错误。参数必须大于 0"));
        std::wstring funcId = props::TrimSpaces(com::view(sFuncID));
        if (funcId.empty()) com::raise(kEmptyArgument, session::LoadLangText(L"参数错误。参数必须不为空"));
        // Subsystem 0 is never locked: no call to the lock service.
        if (lSubSysID == 0) return -1L;
        return netcontrol::ExecFunc(lSubSysID, funcId, iYear, iPeriod, lRowID);
    });
}

STDMETHODIMP Net::CommitMutex(long TaskID, VARIANT_BOOL* ret) {
    return answerOwn(ret, [&] { return TaskID != 0 && netcontrol::CommitFuncTask(TaskID); });
}

STDMETHODIMP Net::QueryFunc(long lSubSysID, BSTR sFuncID, short iYear, short iPeriod, VARIANT lRowID, VARIANT_BOOL* ret) {
    return answerOwn(ret, [&] {
        return netcontrol::QueryFuncTask(lSubSysID, std::wstring(com::view(sFuncID)), iYear, iPeriod, lRowID);
    });
}

STDMETHODIMP Net::QuerySubSys(long lSubSysID, short iYear, short iPeriod, VARIANT_BOOL* ret) {
    return answerOwn(ret, [&] { return netcontrol::QuerySubSysTask(lSubSysID, iYear, iPeriod); });
}

}  // namespace orvi
