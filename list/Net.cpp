#include "list/Net.h"

#include "host/MSession.h"
#include "list/MNetControl.h"
#include "text/PropsText.h"

namespace orvi {

namespace {

constexpr HRESULT kNegativeArgument = com::objectErrorHresult(1001);
constexpr HRESULT kEmptyArgument = com::objectErrorHresult(1002);

std::wstring text(BSTR b) {
    return std::wstring(b ? b : L"", SysStringLen(b));
}

}  // namespace

Net::Net() = default;
Net::~Net() = default;

STDMETHODIMP Net::BeginMutex(long lSubSysID, BSTR sFuncID, short iYear, short iPeriod, VARIANT lRowID, long* ret) {
    return guard([&] {
        com::initOut(ret, 0L);
        com::reraiseAs(kSource, [&] {
            if (lSubSysID < 0) com::raise(kNegativeArgument, session::LoadLangText(L"参数错误。参数必须大于 0"));
            std::wstring funcId = props::TrimSpaces(text(sFuncID));
            if (funcId.empty()) com::raise(kEmptyArgument, session::LoadLangText(L"参数错误。参数必须不为空"));
            // Subsystem 0 is never locked: no call to the lock service.
            if (lSubSysID == 0) {
                *ret = -1;
                return;
            }
            *ret = netcontrol::ExecFunc(lSubSysID, funcId, iYear, iPeriod, lRowID);
        });
    });
}

STDMETHODIMP Net::CommitMutex(long TaskID, VARIANT_BOOL* ret) {
    return guard([&] {
        com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        com::reraiseAs(kSource, [&] {
            if (TaskID == 0) return;
            *ret = netcontrol::CommitFuncTask(TaskID) ? VARIANT_TRUE : VARIANT_FALSE;
        });
    });
}

STDMETHODIMP Net::QueryFunc(long lSubSysID, BSTR sFuncID, short iYear, short iPeriod, VARIANT lRowID, VARIANT_BOOL* ret) {
    return guard([&] {
        com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        com::reraiseAs(kSource, [&] {
            bool inUse = netcontrol::QueryFuncTask(lSubSysID, text(sFuncID), iYear, iPeriod, lRowID);
            *ret = inUse ? VARIANT_TRUE : VARIANT_FALSE;
        });
    });
}

STDMETHODIMP Net::QuerySubSys(long lSubSysID, short iYear, short iPeriod, VARIANT_BOOL* ret) {
    return guard([&] {
        com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        com::reraiseAs(kSource, [&] {
            *ret = netcontrol::QuerySubSysTask(lSubSysID, iYear, iPeriod) ? VARIANT_TRUE : VARIANT_FALSE;
        });
    });
}

}  // namespace orvi
