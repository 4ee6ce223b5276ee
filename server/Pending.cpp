// The members whose behaviour is not built yet. Each answers E_NOTIMPL with the text
// "<Member> is not implemented yet", through IDispatch and through the vtable alike. The list
// shrinks as the behaviour of each part of the object model lands.
#include "server/Library.h"

#include <string>

namespace orvi {

namespace {

const wchar_t* const kPending[] = {
    L"_ListEvents.FireBarInitialize",
    L"_ListEvents.FireAfterGetData",
    L"_ListEvents.FireDoCommand",
    L"_ListEvents.FireRefreshList",
    L"_ListEvents.FireAfterSelList",
    L"_ListEvents.FireBarClick",
    L"_ListEvents.FireAfterCopyBillCreateData",
    L"_ListEvents.FireBeforRefreshToolBar",
    L"_ListEvents.FireListFillRow",
    L"_ListEvents.FireAfterDeleteBill",
    L"_ListEvents.FireListRowSelected",
    L"_ListEvents.List",
    L"_ListEvents.RsId",
    L"_ListEvents.DataSrv",
    L"_ListEvents.Data",
    L"_ListEvents.LedgerProperty",
    L"_ListEvents.EnableListFillRowEvents",
    L"_ListEvents.MultiCheckMgr",
    L"_ListEvents.SetBarStatus",
    L"_ListEvents.GetCurrentSelRowInfo",
    L"_ListEvents.GetDataFld",
    L"_ListEvents.GetDataFldbyKey",
    L"_ListEvents.UpdateNormalFld",
    L"_ListEvents.UpdateNormalFldByKey",
    L"_ListEvents.GetSelectedBillInfo",
    L"_ListEvents.LoadSelectedBill",
    L"_ListEvents.QelLib",
    L"_ListEvents.MenuBar",
    L"_ListEvents.FireBeforeMultiCheck",
    L"_ListEvents.FireMultiCheck",
    L"_ListEvents.FireAfterMultiCheck",
    L"_ListEvents.FireStartMultiCheck",
    L"_ListEvents.FireFinishMultiCheck",
    L"_ListEvents.FireUnMultiCheck",
    L"_ListEvents.FireAfterUnMultiCheck",
    L"_ListEvents.FireBusinessCheck",
    L"_ListEvents.FireAfterBusinessCheck",
    L"_ListEvents.FireUnBusinessCheck",
    L"_ListEvents.FireAfterUnBusinessCheck",
    L"_ListEvents.FireBeforeSendMessage",
    L"_ListEvents.SendMessage",
    L"_BaseClassEvent.FireBarInitialize",
    L"_BaseClassEvent.FireAfterGetData",
    L"_BaseClassEvent.FireDoCommand",
    L"_BaseClassEvent.FireListFillRow",
    L"_BaseClassEvent.FireRefreshList",
    L"_BaseClassEvent.FireBarClick",
    L"_BaseClassEvent.FireClassGroupSelected",
    L"_BaseClassEvent.BrowseCtl",
    L"_BaseClassEvent.ListActiveBar",
    L"_BaseClassEvent.RsItem",
    L"_BaseClassEvent.RsId",
    L"_BaseClassEvent.RsClassGroup",
    L"_BaseClassEvent.DataSrv",
    L"_BaseClassEvent.LedgerProperty",
    L"_BaseClassEvent.EnableListFillRowEvents",
    L"_BaseClassEvent.QelLib",
    L"_BaseClassEvent.MenuBar",
    L"_BaseClassEvent.GetSelectedClassID",
    L"_BaseClassEvent.GetSelectedItemID",
    L"_BaseClassEvent.GetSelectedClassType",
    L"_BaseClassEvent.GetActiveCtl",
    L"_BaseClassEvent.SelectClassGroupByID",
    L"_BaseClassEvent.RefreshListByClassGroupID",
    L"_BaseClassEvent.RefreshSelectedClassGroup",
    L"_BaseClassEvent.RefreshSelectedClassGroupList",
    L"_BaseClassEvent.RefreshClassGroups",
    L"_BaseClassEvent.PitchItemByID",
    L"_BaseClassEvent.IsSearchState",
    L"_BaseClassEvent.FireBeforeSendMessage",
    L"_BaseClassEvent.SendMessage",
    nullptr,
};

}  // namespace

const wchar_t* const* OrviLibrary::pending() noexcept {
    return kPending;
}

HRESULT reportPending(const wchar_t* source, const char* function) noexcept {
    std::wstring member;
    for (const char* p = function; *p; ++p) member.push_back(wchar_t(*p));
    for (const wchar_t* prefix : {L"putref_", L"put_", L"get_"})
        if (member.rfind(prefix, 0) == 0) {
            member.erase(0, wcslen(prefix));
            break;
        }
    return com::boundary(source, [&] { com::raise(E_NOTIMPL, member + L" is not implemented yet"); });
}

}  // namespace orvi
