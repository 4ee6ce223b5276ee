// The built type library against the object model as designed: every interface's members with
// their DISPIDs and kinds, the counts of each class, flags, classes, enumerations, the alias,
// and the Chinese texts (help strings and the "就绪" default) coming back intact.
#include <map>
#include <set>
#include <sstream>

#include "Late.h"
#include "OrviClassEvents.h"

using namespace testkit;

namespace {

// Member tables: "Name kinds DISPID", kinds = g (property get), l (let), s (set), m (method).
const wchar_t* const kMembers = LR"(
_BillEvent 114
BillCtl gl 68030048
ClassType g 68030046
TableInfo g 68030045
ClassTypeEntry g 68030044
ParentID g 68030043
DataSrv g 68030042
Data g 68030041
MultiCheckMgr gs 6803002E
ReSaveSuccess gl 6803002D
QelLib g 6803002C
MenuBar g 6803002B
BillEntrys g 6803002A
BillHeads g 68030029
BillStatus g 68030047
CurBillID g 68030040
rsBillID g 6803003F
TaskID gl 6803003E
RPSetPart gl 6803003D
PrimaryKey g 6803003C
EntryPrimaryKey g 6803003B
AccessoryTypeID g 6803003A
ShowType g 68030039
ObjectID g 68030038
ObjectType g 68030037
ClassTypeKey g 68030036
LayerNames g 68030035
LayerCount g 68030034
TableName g 68030033
BillHeight g 68030032
BillWidth g 68030031
BillName gl 68030030
FID g 6803002F
FireBarInitialize m 60030049
FireBarClick m 6003004A
FireAfterSave m 6003004B
FireBeforeSave m 6003004C
FireBeforeVerify m 6003004D
FireVerify m 6003004E
FireAfterLoadBill m 6003004F
FireAfterDeleteRow m 60030050
FireAddNewRow m 60030051
FireHeadCtlClick m 60030052
ChangeCurrencyState m 60030053
ChangeAmountForEnd m 6003009D
FireHeadCtlLostFocus m 60030054
FireAfterFirstNewBill m 60030055
FireAfterNewEmptyData m 60030056
FireBeforLoadBillFillData m 60030057
FireChange m 60030058
FireBeforeLoadBill m 60030059
FireBeforeSelBills m 6003005A
FireAfterSelBill m 6003005B
FireBeginEdit m 6003005C
FireAfterLoadBillSetSumData m 6003005D
FireAfterInputBillSetSumData m 6003005E
FireBeforeDoAction m 6003005F
FireAfterDoAction m 60030060
FireAfterSelBillBeforeFillData m 60030061
FireAfterNewBill m 60030062
FireAfterCopyBill m 60030063
FireSaveBillFailed m 60030064
FireBeforeSelBillShowFilter m 60030065
FireAfterFillRow m 60030066
GetFieldInfoByKey m 60030073
GetDataFld m 60030074
GetDataFldbyKey m 60030082
UpdateNormalFld m 60030075
UpdateLookFld m 60030076
GetFieldValue m 60030084
SetFieldValue m 60030085
IsFileNeedFilter m 60030083
SetText m 60030067
SetDecimal m 60030068
SetSumDecimal m 60030069
LockBill m 6003006A
SetCaption m 6003006B
SetBarStatus m 6003006C
ShowHideField m 6003006D
ShowHideGrid m 6003006E
LockCell m 6003006F
GetActiveCtl m 60030070
SetTypeFloatMin m 60030071
SetTypeFloatMax m 60030072
RefreshBill m 60030077
SaveSearchText m 60030078
IsChange m 60030079
SetStatus m 6003007A
GetActiveField m 6003007B
GetToolIndex m 6003007C
Sum m 6003007D
SetSumData m 6003007E
DeleteEntryData m 6003007F
SetBillFormCaption m 60030086
InsertNewRowAndFill m 60030087
ClearGrids m 6003009C
SendMessage m 60030096
FireBeforeMultiCheck m 6003008A
FireMultiCheck m 6003008B
FireAfterMultiCheck m 6003008C
FireStartMultiCheck m 6003008D
FireFinishMultiCheck m 6003008E
FireUnMultiCheck m 6003008F
FireAfterUnMultiCheck m 60030090
FireBusinessCheck m 60030091
FireAfterBusinessCheck m 60030092
FireUnBusinessCheck m 60030093
FireAfterUnBusinessCheck m 60030094
FireBeforeSendMessage m 60030095

_ListEvents 45
FireBarInitialize m 60030026
FireAfterGetData m 60030027
FireDoCommand m 60030028
FireRefreshList m 60030029
FireAfterSelList m 6003002A
FireBarClick m 6003002B
FireAfterCopyBillCreateData m 6003002C
FireBeforRefreshToolBar m 6003002D
FireListFillRow m 6003002E
FireAfterDeleteBill m 6003002F
FireListRowSelected m 60030030
List gl 68030025
RsId g 68030024
DataSrv gs 68030023
Data s 68030022
LedgerProperty g 68030021
EnableListFillRowEvents gl 68030020
MultiCheckMgr gs 6803001F
SetBarStatus m 60030031
GetCurrentSelRowInfo m 60030032
GetDataFld m 60030033
GetDataFldbyKey m 60030034
UpdateNormalFld m 60030036
UpdateNormalFldByKey m 60030037
GetSelectedBillInfo m 60030038
LoadSelectedBill m 60030039
QelLib g 6803001E
MenuBar g 6803001D
FireBeforeMultiCheck m 6003003E
FireMultiCheck m 6003003F
FireAfterMultiCheck m 60030040
FireStartMultiCheck m 60030041
FireFinishMultiCheck m 60030042
FireUnMultiCheck m 60030043
FireAfterUnMultiCheck m 60030044
FireBusinessCheck m 60030045
FireAfterBusinessCheck m 60030046
FireUnBusinessCheck m 60030047
FireAfterUnBusinessCheck m 60030048
FireBeforeSendMessage m 60030049
SendMessage m 6003004A

_BaseClassEvent 38
FireBarInitialize m 6003000A
FireAfterGetData m 6003000B
FireDoCommand m 6003000C
FireListFillRow m 6003000D
FireRefreshList m 6003000E
FireBarClick m 6003000F
FireClassGroupSelected m 60030010
BrowseCtl gl 68030009
ListActiveBar gs 68030008
RsItem gs 68030007
RsId gs 68030006
RsClassGroup gs 68030005
DataSrv gs 68030004
LedgerProperty gs 68030003
EnableListFillRowEvents gl 68030002
QelLib g 68030001
MenuBar g 68030000
GetSelectedClassID m 60030015
GetSelectedItemID m 60030016
GetSelectedClassType m 60030017
GetActiveCtl m 60030018
SelectClassGroupByID m 60030019
RefreshListByClassGroupID m 6003001A
RefreshSelectedClassGroup m 6003001B
RefreshSelectedClassGroupList m 6003001C
RefreshClassGroups m 6003001D
PitchItemByID m 6003001E
IsSearchState m 6003001F
FireBeforeSendMessage m 60030020
SendMessage m 60030021

_BillHeads 2
Item g 0
Count g 68030000

_BillHead 2
VeskFields gs 68030000

_BillEntrys 2
Item g 0
Count g 68030000

_BillEntry 19
EntryIndex g 6803000D
KeyField g 6803000A
EntryType g 68030009
Layer g 68030008
EntryHeight gl 68030007
EntryWidth gl 68030006
EntryTop gl 68030005
EntryLeft gl 68030004
MaxRows gl 68030003
Visible gl 68030002
TableName g 68030001
VeskFields gs 68030000

_VeskFields 2
Item g 0
Count g 68030000

_VeskField 50
Value gl 6803001C
Number gl 6803001B
Text g 6803001A
Row l 68030019
Visible gl 68030018
TextColor gl 68030017
TableName g 68030016
Page g 68030015
Note gl 68030014
NeedSave g 68030013
MustInput gl 68030012
FieldLock gl 68030011
FieldTop gl 68030010
FieldLeft gl 6803000F
Layer g 6803000E
LabelWidth gl 6803000D
LabelColor gl 6803000C
FKey g 6803000B
FieldHeight gl 6803000A
FieldWidth gl 68030009
FrameBorderColor gl 68030008
FrameBorder gl 68030007
FontName gl 68030006
FontSize gl 68030005
FontBold gl 68030004
FontItalic gl 68030003
Filter gl 68030002
FieldName g 68030001
Caption gl 68030000

_QelLib 8
CreateQelObject m 60030003
GetData m 60030004
UpdateData m 60030005
LoadVyString m 60030006
GetQelLanguage m 60030007
Account g 68030002
User g 68030001
Net g 68030000

_Account 3
AccountID g 68030002
SetupType g 68030001
AccountName g 68030000

_User 2
UserID g 68030001
UserName g 68030000

_Net 4
BeginMutex m 60030000
CommitMutex m 60030001
QueryFunc m 60030002
QuerySubSys m 60030003

_MenuBar 4
Refresh m 60030004
ActiveBand g 68030002
VeskBands g 68030001
VeskTools g 68030000

_VeskBands 5
Add m 60030003
Item g 0
Count g 68030000
RemoveAll m 60030004
Remove m 60030005

_VeskBand 22
Refresh m 6003000D
Wrappable gl 6803000A
Visible gl 68030009
BandType gl 68030008
BandName gl 68030007
Flags gl 68030006
DockLine gl 68030005
DockingOffset gl 68030004
DockingArea gl 68030003
Caption gl 68030002
CurrentTool gl 68030001
VeskTools g 68030000

_VeskTools 8
InsertBefore m 60030003
InsertAfter m 60030004
RemoveAll m 60030005
Add m 60030006
Item g 0
Count g 68030000
Remove m 60030007
GetFreeToolID m 6003000A

_VeskTool 36
ToolPicture l 68030010
SetPicture m 60030013
SetPicture2 m 60030014
PasteToolFace m 60030015
Visible gl 6803000F
Default gl 6803000E
TooltipText gl 6803000D
ToolID gl 6803000C
Tag gl 6803000B
Style gl 6803000A
ShortcutKey gl 68030009
ToolName gl 68030008
Enabled gl 68030007
Description gl 68030006
Checked gl 68030005
CaptionPosition gl 68030004
Caption gl 68030003
SubBand gl 68030002
BeginGroup gl 68030001
Alignment gl 68030000
)";

// Events in declaration order: "Name DISPID" (decimal).
const wchar_t* const kEvents = LR"(
__BillEvent 45
BarInitialize 1
MenuBarInitialize 2
HeadCtlClick 3
BarClick 4
MenuBarClick 5
AfterDeleteRow 6
Change 7
BeforeSave 8
AfterSave 9
AfterFillRow 10
AfterCopyBill 11
BeforeVerify 12
BeforeDoAction 13
AfterDoAction 14
SetCurrencyState 15
SetAmountForEnd 45
Verify 16
AddNewRow 17
BeforeLoadBill 18
AfterLoadBill 19
BeforLoadBillFillData 20
AfterNewEmptyData 21
AfterNewBill 22
AfterFirstNewBill 23
SaveBillFailed 24
BeforeSelBills 25
AfterSelBill 26
BeginEdit 27
AfterLoadBillSetSumData 28
AfterInputBillSetSumData 29
AfterSelBillBeforeFillData 30
BeforeSelBillShowFilter 31
BeforeMultiCheck 32
MultiCheck 33
AfterMultiCheck 34
StartMultiCheck 35
FinishMultiCheck 36
UnMultiCheck 37
AfterUnMultiCheck 38
BusinessCheck 39
AfterBusinessCheck 40
UnBusinessCheck 41
AfterUnBusinessCheck 42
BeforeSendMessage 43
HeadCtlLostFocus 44

__ListEvents 25
BarInitialize 1
MenuBarInitialize 2
BarClick 3
MenuBarClick 4
AfterGetData 5
DoCommand 6
AfterSelList 7
RefreshList 8
BeforRefreshToolBar 9
AfterCopyBillCreateData 10
ListFillRow 11
AfterDeleteBill 12
ListRowSelected 13
BeforeMultiCheck 14
MultiCheck 15
AfterMultiCheck 16
StartMultiCheck 17
FinishMultiCheck 18
UnMultiCheck 19
AfterUnMultiCheck 20
BusinessCheck 21
AfterBusinessCheck 22
UnBusinessCheck 23
AfterUnBusinessCheck 24
BeforeSendMessage 25

__BaseClassEvent 10
BarInitialize 1
MenuBarInitialize 2
BarClick 3
MenuBarClick 4
AfterGetData 5
ClassGroupSelected 6
ListFillRow 7
RefreshList 8
DoCommand 9
BeforeSendMessage 10
)";

struct Expected {
    std::map<std::wstring, std::pair<std::wstring, DISPID>> members;  // name -> kinds, DISPID
    std::vector<std::pair<std::wstring, DISPID>> events;
    long count = 0;
};

std::map<std::wstring, Expected> parse(const wchar_t* text, bool events) {
    std::map<std::wstring, Expected> r;
    std::wistringstream in(text);
    std::wstring line, current;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::wistringstream f(line);
        std::wstring a, b, c;
        f >> a >> b;
        if (a[0] == L'_') {
            current = a;
            r[current].count = std::stol(b);
            continue;
        }
        if (events) {
            r[current].events.emplace_back(a, DISPID(std::stol(b)));
        } else {
            f >> c;
            r[current].members[a] = {b, DISPID(std::stoul(c, nullptr, 16))};
        }
    }
    return r;
}

ComPtr<ITypeLib> library() {
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadRegTypeLib(LIBID_OrviClassEvents, 2, 1, 0, lib.GetAddressOf());
    if (FAILED(hr)) stop(__FILE__, __LINE__, "LoadRegTypeLib: 0x%08lx", (unsigned long)hr);
    return lib;
}

// The client view of the library: what plug-ins get from an object of ours.
ComPtr<ITypeLib> clientLibrary(Late& object) {
    ComPtr<ITypeInfo> info;
    REQUIRE(SUCCEEDED(object.get()->GetTypeInfo(0, 0, info.GetAddressOf())));
    ComPtr<ITypeLib> lib;
    UINT index = 0;
    REQUIRE(SUCCEEDED(info->GetContainingTypeLib(lib.GetAddressOf(), &index)));
    return lib;
}

ComPtr<ITypeInfo> typeByName(ITypeLib* lib, const wchar_t* name) {
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        BSTR n = nullptr;
        lib->GetDocumentation(int(i), &n, nullptr, nullptr, nullptr);
        bool match = n && std::wstring(n) == name;
        SysFreeString(n);
        if (match) {
            ComPtr<ITypeInfo> info;
            lib->GetTypeInfo(i, info.GetAddressOf());
            return info;
        }
    }
    stop(__FILE__, __LINE__, "no type %s", narrow(name).c_str());
}

// The vtable half of a dual interface.
ComPtr<ITypeInfo> vtableHalf(ITypeInfo* dispatch) {
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> info;
    REQUIRE(SUCCEEDED(dispatch->GetRefTypeOfImplType(UINT(-1), &ref)));
    REQUIRE(SUCCEEDED(dispatch->GetRefTypeInfo(ref, info.GetAddressOf())));
    return info;
}

wchar_t kindLetter(INVOKEKIND k) {
    switch (k) {
    case INVOKE_PROPERTYGET: return L'g';
    case INVOKE_PROPERTYPUT: return L'l';
    case INVOKE_PROPERTYPUTREF: return L's';
    default: return L'm';
    }
}

std::wstring documentation(ITypeInfo* info, MEMBERID id) {
    BSTR doc = nullptr;
    info->GetDocumentation(id, nullptr, &doc, nullptr, nullptr);
    std::wstring r = doc ? doc : L"";
    SysFreeString(doc);
    return r;
}

UINT funcIndex(ITypeInfo* info, const wchar_t* name, INVOKEKIND kind) {
    MEMBERID id = 0;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    REQUIRE(SUCCEEDED(info->GetIDsOfNames(names, 1, &id)));
    ComPtr<ITypeInfo2> info2;
    REQUIRE(SUCCEEDED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(info2.GetAddressOf()))));
    UINT index = 0;
    REQUIRE(SUCCEEDED(info2->GetFuncIndexOfMemId(id, kind, &index)));
    return index;
}

}  // namespace

TEST_CASE(typelib_identity) {
    ComPtr<ITypeLib> lib = library();
    TLIBATTR* attr = nullptr;
    REQUIRE(SUCCEEDED(lib->GetLibAttr(&attr)));
    CHECK_EQ(attr->wMajorVerNum, WORD(2));
    CHECK_EQ(attr->wMinorVerNum, WORD(1));
    CHECK(attr->guid == LIBID_OrviClassEvents);
    lib->ReleaseTLibAttr(attr);
    BSTR name = nullptr;
    lib->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
    CHECK_EQ(std::wstring(name), std::wstring(L"OrviClassEvents"));
    SysFreeString(name);
}

TEST_CASE(typelib_members_match_the_object_model) {
    ComPtr<ITypeLib> lib = library();
    for (auto& [iface, expected] : parse(kMembers, false)) {
        ComPtr<ITypeInfo> vtbl = vtableHalf(typeByName(lib.Get(), iface.c_str()).Get());
        TYPEATTR* attr = nullptr;
        REQUIRE(SUCCEEDED(vtbl->GetTypeAttr(&attr)));
        int funcs = attr->cFuncs;
        vtbl->ReleaseTypeAttr(attr);
        if (funcs != expected.count)
            fail(__FILE__, __LINE__, "%s has %d members, expected %ld", narrow(iface).c_str(), funcs, expected.count);
        std::map<std::wstring, std::pair<std::wstring, DISPID>> actual;
        for (int i = 0; i < funcs; ++i) {
            FUNCDESC* fd = nullptr;
            REQUIRE(SUCCEEDED(vtbl->GetFuncDesc(UINT(i), &fd)));
            BSTR n = nullptr;
            vtbl->GetDocumentation(fd->memid, &n, nullptr, nullptr, nullptr);
            auto& a = actual[n];
            if (!a.first.empty() && a.second != fd->memid)
                fail(__FILE__, __LINE__, "%s.%s: accessors with different DISPIDs", narrow(iface).c_str(), narrow(n).c_str());
            a.first += kindLetter(fd->invkind);
            a.second = fd->memid;
            SysFreeString(n);
            vtbl->ReleaseFuncDesc(fd);
        }
        for (auto& [member, want] : expected.members) {
            auto it = actual.find(member);
            if (it == actual.end()) {
                fail(__FILE__, __LINE__, "%s.%s missing", narrow(iface).c_str(), narrow(member).c_str());
                continue;
            }
            std::set<wchar_t> gotKinds(it->second.first.begin(), it->second.first.end());
            std::set<wchar_t> wantKinds(want.first.begin(), want.first.end());
            if (gotKinds != wantKinds || it->second.first.size() != want.first.size())
                fail(__FILE__, __LINE__, "%s.%s kinds %s, expected %s", narrow(iface).c_str(), narrow(member).c_str(),
                     narrow(it->second.first).c_str(), narrow(want.first).c_str());
            CHECK_EQ(unsigned(it->second.second), unsigned(want.second));
        }
        for (auto& [member, got] : actual)
            if (!expected.members.count(member))
                fail(__FILE__, __LINE__, "%s.%s is not part of the object model", narrow(iface).c_str(),
                     narrow(member).c_str());
    }
}

TEST_CASE(typelib_events_in_declaration_order) {
    ComPtr<ITypeLib> lib = library();
    for (auto& [iface, expected] : parse(kEvents, true)) {
        ComPtr<ITypeInfo> info = typeByName(lib.Get(), iface.c_str());
        TYPEATTR* attr = nullptr;
        REQUIRE(SUCCEEDED(info->GetTypeAttr(&attr)));
        CHECK_EQ(int(attr->typekind), int(TKIND_DISPATCH));
        CHECK_EQ(long(attr->cFuncs), expected.count);
        if (!(attr->wTypeFlags & TYPEFLAG_FHIDDEN) || !(attr->wTypeFlags & TYPEFLAG_FNONEXTENSIBLE))
            fail(__FILE__, __LINE__, "%s flags 0x%x", narrow(iface).c_str(), attr->wTypeFlags);
        CHECK(!(attr->wTypeFlags & TYPEFLAG_FDUAL));
        int funcs = attr->cFuncs;
        info->ReleaseTypeAttr(attr);
        REQUIRE(size_t(funcs) == expected.events.size());
        for (int i = 0; i < funcs; ++i) {
            FUNCDESC* fd = nullptr;
            REQUIRE(SUCCEEDED(info->GetFuncDesc(UINT(i), &fd)));
            BSTR n = nullptr;
            info->GetDocumentation(fd->memid, &n, nullptr, nullptr, nullptr);
            CHECK_EQ(std::wstring(n), expected.events[size_t(i)].first);
            CHECK_EQ(long(fd->memid), long(expected.events[size_t(i)].second));
            SysFreeString(n);
            info->ReleaseFuncDesc(fd);
        }
    }
}

TEST_CASE(typelib_flags_of_default_interfaces) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<ITypeLib> lib = clientLibrary(ev);
    for (auto& [iface, expected] : parse(kMembers, false)) {
        ComPtr<ITypeInfo> dispatch = typeByName(lib.Get(), iface.c_str());
        ComPtr<ITypeInfo> vtbl = vtableHalf(dispatch.Get());
        for (ITypeInfo* half : {dispatch.Get(), vtbl.Get()}) {
            TYPEATTR* attr = nullptr;
            REQUIRE(SUCCEEDED(half->GetTypeAttr(&attr)));
            WORD want = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION;
            if ((attr->wTypeFlags & want) != want)
                fail(__FILE__, __LINE__, "%s (kind %d) flags 0x%x", narrow(iface).c_str(), attr->typekind,
                     attr->wTypeFlags);
            half->ReleaseTypeAttr(attr);
        }
    }
}

TEST_CASE(typelib_classes_and_creatability) {
    ComPtr<ITypeLib> lib = library();
    const std::set<std::wstring> creatable = {L"BillEvent", L"ListEvents", L"BaseClassEvent",
                                              L"BillHead", L"BillEntry", L"VeskField"};
    const std::set<std::wstring> eventObjects = {L"BillEvent", L"ListEvents", L"BaseClassEvent"};
    int classes = 0;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        ComPtr<ITypeInfo> info;
        lib->GetTypeInfo(i, info.GetAddressOf());
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        if (attr->typekind == TKIND_COCLASS) {
            ++classes;
            BSTR n = nullptr;
            info->GetDocumentation(MEMBERID_NIL, &n, nullptr, nullptr, nullptr);
            std::wstring name = n;
            SysFreeString(n);
            CHECK_EQ(bool(attr->wTypeFlags & TYPEFLAG_FCANCREATE), creatable.count(name) > 0);
            CHECK_EQ(int(attr->cImplTypes), eventObjects.count(name) ? 2 : 1);
            for (UINT k = 0; k < attr->cImplTypes; ++k) {
                INT flags = 0;
                info->GetImplTypeFlags(k, &flags);
                HREFTYPE ref;
                ComPtr<ITypeInfo> impl;
                info->GetRefTypeOfImplType(k, &ref);
                info->GetRefTypeInfo(ref, impl.GetAddressOf());
                BSTR iname = nullptr;
                impl->GetDocumentation(MEMBERID_NIL, &iname, nullptr, nullptr, nullptr);
                std::wstring want = (flags & IMPLTYPEFLAG_FSOURCE) ? L"__" + name : L"_" + name;
                CHECK_EQ(std::wstring(iname), want);
                CHECK((flags & IMPLTYPEFLAG_FDEFAULT));
                SysFreeString(iname);
            }
        }
        info->ReleaseTypeAttr(attr);
    }
    CHECK_EQ(classes, 18);
}

TEST_CASE(typelib_enumerations) {
    ComPtr<ITypeLib> lib = library();
    const std::map<std::wstring, std::vector<std::pair<std::wstring, long>>> enums = {
        {L"Enu_BandTypes", {{L"Enu_BTNormal", 0}, {L"Enu_BTMenuBar", 1}, {L"Enu_BTPopup", 2}}},
        {L"Enu_DockingArea",
         {{L"Enu_DATop", 1}, {L"Enu_DABottom", 2}, {L"Enu_DALeft", 4}, {L"Enu_DARight", 8}, {L"Enu_DAFloat", 16},
          {L"Enu_DAPopup", 32}}},
        {L"Enu_ToolStyles", {{L"Enu_TSStandard", 0}, {L"Enu_TSText", 1}, {L"Enu_TSIcon", 2}, {L"Enu_TSIconText", 3}}},
        {L"Enu_ToolCaptionPositions",
         {{L"Enu_TCPStandard", 0}, {L"Enu_TCPLeft", 1}, {L"Enu_TCPRight", 2}, {L"Enu_TCPAbove", 3},
          {L"Enu_TCPBelow", 4}, {L"Enu_TCPCenter", 5}}},
        {L"Enu_ToolAlignment",
         {{L"Enu_TALeftTop", 0}, {L"Enu_TACenterTop", 1}, {L"Enu_TARightTop", 2}, {L"Enu_TALeftCenter", 3},
          {L"Enu_TACenterCenter", 4}, {L"Enu_TARightCenter", 5}, {L"Enu_TALeftBottom", 6},
          {L"Enu_TACenterBottom", 7}, {L"Enu_TARightBottom", 8}}},
        {L"Enu_BillStatusExt",
         {{L"Enu_BillStatusExt_View", 0}, {L"Enu_BillStatusExt_New", 1}, {L"Enu_BillStatusExt_Modify", 2}}},
        {L"Enu_ValueType", {{L"Enu_ValueType_FFLD", 1}, {L"Enu_ValueType_FFND", 2}, {L"Enu_ValueType_FDSP", 3}}},
    };
    for (auto& [name, values] : enums) {
        ComPtr<ITypeInfo> info = typeByName(lib.Get(), name.c_str());
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        CHECK_EQ(int(attr->typekind), int(TKIND_ENUM));
        CHECK_EQ(size_t(attr->cVars), values.size());
        int vars = attr->cVars;
        info->ReleaseTypeAttr(attr);
        for (int i = 0; i < vars && size_t(i) < values.size(); ++i) {
            VARDESC* vd = nullptr;
            info->GetVarDesc(UINT(i), &vd);
            BSTR n = nullptr;
            info->GetDocumentation(vd->memid, &n, nullptr, nullptr, nullptr);
            CHECK_EQ(std::wstring(n), values[size_t(i)].first);
            CHECK_EQ(V_VT(vd->lpvarValue) == VT_I4 ? long(V_I4(vd->lpvarValue)) : -999L, values[size_t(i)].second);
            SysFreeString(n);
            info->ReleaseVarDesc(vd);
        }
    }
}

TEST_CASE(typelib_alias_and_foreign_types) {
    ComPtr<ITypeLib> lib = library();
    ComPtr<ITypeInfo> alias = typeByName(lib.Get(), L"BillEvent___v0");
    TYPEATTR* attr = nullptr;
    alias->GetTypeAttr(&attr);
    CHECK_EQ(int(attr->typekind), int(TKIND_ALIAS));
    CHECK((attr->guid != GUID_NULL && attr->guid != IID__BillEvent));
    REQUIRE(attr->tdescAlias.vt == VT_USERDEFINED);
    ComPtr<ITypeInfo> target;
    alias->GetRefTypeInfo(attr->tdescAlias.hreftype, target.GetAddressOf());
    alias->ReleaseTypeAttr(attr);
    BSTR n = nullptr;
    target->GetDocumentation(MEMBERID_NIL, &n, nullptr, nullptr, nullptr);
    CHECK_EQ(std::wstring(n), std::wstring(L"_BillEvent"));
    SysFreeString(n);

    // Objects of other products (Dictionary, Vector, Recordset, Tool) are plain object
    // references: GetDataFld takes one by value and returns one.
    ComPtr<ITypeInfo> vtbl = vtableHalf(typeByName(lib.Get(), L"_BillEvent").Get());
    FUNCDESC* fd = nullptr;
    REQUIRE(SUCCEEDED(vtbl->GetFuncDesc(funcIndex(vtbl.Get(), L"GetDataFld", INVOKE_FUNC), &fd)));
    CHECK_EQ(int(fd->lprgelemdescParam[0].tdesc.vt), int(VT_DISPATCH));
    CHECK_EQ(int(fd->lprgelemdescParam[2].tdesc.vt), int(VT_PTR));
    CHECK_EQ(int(fd->lprgelemdescParam[2].tdesc.lptdesc->vt), int(VT_DISPATCH));
    vtbl->ReleaseFuncDesc(fd);
    // Nothing else is declared: the classes, their interfaces, three event interfaces, the
    // alias and the enumerations.
    CHECK_EQ(lib->GetTypeInfoCount(), 18u + 18u + 3u + 1u + 7u);
}

TEST_CASE(typelib_chinese_texts_come_back_intact) {
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    ComPtr<ITypeLib> lib = clientLibrary(ev);
    struct Doc {
        const wchar_t* type;
        const wchar_t* member;  // nullptr: the type itself
        const wchar_t* text;
    };
    const Doc docs[] = {
        {L"MenuBar", nullptr, L"菜单及工具栏对象"},
        {L"VeskBands", nullptr, L"工具条对象集合"},
        {L"VeskBand", nullptr, L"工具条对象"},
        {L"VeskTools", nullptr, L"菜单项、工具栏按钮对象集合"},
        {L"VeskTool", nullptr, L"菜单项、工具栏按钮对象"},
        {L"_Net", L"BeginMutex", L"开始网络控制"},
        {L"_Net", L"CommitMutex", L"提交网络控制。提交后会将指定的网络控制结束"},
        {L"_Net", L"QueryFunc", L"查询功能"},
        {L"_Net", L"QuerySubSys", L"查询子系统"},
        {L"_QelLib", L"CreateQelObject", L"创建Qel对象，返回值即为该对象"},
        {L"_QelLib", L"GetData", L"通过SQL语句从中间层访问数据库，返回数据。返回值是 ADODB.Recordset 类型"},
        {L"_QelLib", L"UpdateData", L"通过SQL语句从中间层访问数据库，更新数据"},
        {L"_QelLib", L"LoadVyString", L"根据Qel的语言，从指定的Qel语言资源包中返回多语言化的资源"},
        {L"_QelLib", L"GetQelLanguage", L"返回Qel的语言信息"},
        {L"_Account", L"AccountID", L"返回当前账套 ID"},
        {L"_Account", L"SetupType", L"返回当前账套类型"},
        {L"_Account", L"AccountName", L"返回当前账套名称"},
        {L"_User", L"UserID", L"返回当前操作者的 ID"},
        {L"_User", L"UserName", L"返回当前操作者的用户名"},
    };
    for (const Doc& d : docs) {
        ComPtr<ITypeInfo> info = typeByName(lib.Get(), d.type);
        MEMBERID id = MEMBERID_NIL;
        if (d.member) {
            LPOLESTR names[1] = {const_cast<LPOLESTR>(d.member)};
            REQUIRE(SUCCEEDED(info->GetIDsOfNames(names, 1, &id)));
        }
        CHECK_EQ(documentation(info.Get(), id), std::wstring(d.text));
    }

    // The default of SetStatus's sStatus, as a client reads it from the function description.
    ComPtr<ITypeInfo> vtbl = vtableHalf(typeByName(lib.Get(), L"_BillEvent").Get());
    FUNCDESC* fd = nullptr;
    REQUIRE(SUCCEEDED(vtbl->GetFuncDesc(funcIndex(vtbl.Get(), L"SetStatus", INVOKE_FUNC), &fd)));
    REQUIRE(fd->cParams == 2);
    const PARAMDESC& status = fd->lprgelemdescParam[1].paramdesc;
    REQUIRE((status.wParamFlags & PARAMFLAG_FHASDEFAULT));
    const VARIANT& def = status.pparamdescex->varDefaultValue;
    CHECK_EQ(int(V_VT(&def)), int(VT_BSTR));
    if (V_VT(&def) == VT_BSTR) CHECK_EQ(std::wstring(V_BSTR(&def)), std::wstring(L"就绪"));
    const PARAMDESC& panel = fd->lprgelemdescParam[0].paramdesc;
    CHECK((panel.wParamFlags & PARAMFLAG_FHASDEFAULT));
    vtbl->ReleaseFuncDesc(fd);
}

TEST_CASE(typelib_optional_parameters_and_defaults) {
    ComPtr<ITypeLib> lib = library();
    ComPtr<ITypeInfo> vtbl = vtableHalf(typeByName(lib.Get(), L"_BillEvent").Get());
    struct Default {
        const wchar_t* method;
        int param;
        long value;
    };
    const Default defaults[] = {{L"SetText", 2, 0},        {L"GetDataFld", 1, 0},     {L"GetDataFldbyKey", 1, -1},
                                {L"UpdateNormalFld", 2, 0}, {L"UpdateLookFld", 2, 0},  {L"GetFieldValue", 1, -1},
                                {L"GetFieldValue", 2, 1},   {L"SetFieldValue", 2, -1}, {L"Sum", 1, 0},
                                {L"Sum", 2, 0},             {L"ClearGrids", 0, -1},    {L"SetStatus", 0, 1},
                                {L"SendMessage", 3, 0}};
    for (const Default& d : defaults) {
        FUNCDESC* fd = nullptr;
        REQUIRE(SUCCEEDED(vtbl->GetFuncDesc(funcIndex(vtbl.Get(), d.method, INVOKE_FUNC), &fd)));
        const PARAMDESC& p = fd->lprgelemdescParam[d.param].paramdesc;
        bool ok = (p.wParamFlags & PARAMFLAG_FOPT) && (p.wParamFlags & PARAMFLAG_FHASDEFAULT);
        VARIANT v;
        VariantInit(&v);
        if (ok) ok = SUCCEEDED(VariantChangeType(&v, &p.pparamdescex->varDefaultValue, 0, VT_I4)) && V_I4(&v) == d.value;
        if (!ok) fail(__FILE__, __LINE__, "%s parameter %d: default is not %ld", narrow(d.method).c_str(), d.param, d.value);
        vtbl->ReleaseFuncDesc(fd);
    }
}
