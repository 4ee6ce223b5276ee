// The DISPIDs of the three event interfaces, each written once. The type library takes them from
// here (the IDL includes this file) and so do the relays that raise the events, so an event's
// number changes in this file alone. Only preprocessor lines: widl reads it as well as C++.
#ifndef ORVI_EVENTS_EVENTIDS_H
#define ORVI_EVENTS_EVENTIDS_H

// __BillEvent (BillEvent)
#define BILL_EVENT_BarInitialize              1
#define BILL_EVENT_MenuBarInitialize          2
#define BILL_EVENT_HeadCtlClick               3
#define BILL_EVENT_BarClick                   4
#define BILL_EVENT_MenuBarClick               5
#define BILL_EVENT_AfterDeleteRow             6
#define BILL_EVENT_Change                     7
#define BILL_EVENT_BeforeSave                 8
#define BILL_EVENT_AfterSave                  9
#define BILL_EVENT_AfterFillRow               10
#define BILL_EVENT_AfterCopyBill              11
#define BILL_EVENT_BeforeVerify               12
#define BILL_EVENT_BeforeDoAction             13
#define BILL_EVENT_AfterDoAction              14
#define BILL_EVENT_SetCurrencyState           15
#define BILL_EVENT_Verify                     16
#define BILL_EVENT_AddNewRow                  17
#define BILL_EVENT_BeforeLoadBill             18
#define BILL_EVENT_AfterLoadBill              19
#define BILL_EVENT_BeforLoadBillFillData      20
#define BILL_EVENT_AfterNewEmptyData          21
#define BILL_EVENT_AfterNewBill               22
#define BILL_EVENT_AfterFirstNewBill          23
#define BILL_EVENT_SaveBillFailed             24
#define BILL_EVENT_BeforeSelBills             25
#define BILL_EVENT_AfterSelBill               26
#define BILL_EVENT_BeginEdit                  27
#define BILL_EVENT_AfterLoadBillSetSumData    28
#define BILL_EVENT_AfterInputBillSetSumData   29
#define BILL_EVENT_AfterSelBillBeforeFillData 30
#define BILL_EVENT_BeforeSelBillShowFilter    31
#define BILL_EVENT_BeforeMultiCheck           32
#define BILL_EVENT_MultiCheck                 33
#define BILL_EVENT_AfterMultiCheck            34
#define BILL_EVENT_StartMultiCheck            35
#define BILL_EVENT_FinishMultiCheck           36
#define BILL_EVENT_UnMultiCheck               37
#define BILL_EVENT_AfterUnMultiCheck          38
#define BILL_EVENT_BusinessCheck              39
#define BILL_EVENT_AfterBusinessCheck         40
#define BILL_EVENT_UnBusinessCheck            41
#define BILL_EVENT_AfterUnBusinessCheck       42
#define BILL_EVENT_BeforeSendMessage          43
#define BILL_EVENT_HeadCtlLostFocus           44
#define BILL_EVENT_SetAmountForEnd            45

// __ListEvents (ListEvents)
#define LIST_EVENT_BarInitialize           1
#define LIST_EVENT_MenuBarInitialize       2
#define LIST_EVENT_BarClick                3
#define LIST_EVENT_MenuBarClick            4
#define LIST_EVENT_AfterGetData            5
#define LIST_EVENT_DoCommand               6
#define LIST_EVENT_AfterSelList            7
#define LIST_EVENT_RefreshList             8
#define LIST_EVENT_BeforRefreshToolBar     9
#define LIST_EVENT_AfterCopyBillCreateData 10
#define LIST_EVENT_ListFillRow             11
#define LIST_EVENT_AfterDeleteBill         12
#define LIST_EVENT_ListRowSelected         13
#define LIST_EVENT_BeforeMultiCheck        14
#define LIST_EVENT_MultiCheck              15
#define LIST_EVENT_AfterMultiCheck         16
#define LIST_EVENT_StartMultiCheck         17
#define LIST_EVENT_FinishMultiCheck        18
#define LIST_EVENT_UnMultiCheck            19
#define LIST_EVENT_AfterUnMultiCheck       20
#define LIST_EVENT_BusinessCheck           21
#define LIST_EVENT_AfterBusinessCheck      22
#define LIST_EVENT_UnBusinessCheck         23
#define LIST_EVENT_AfterUnBusinessCheck    24
#define LIST_EVENT_BeforeSendMessage       25

// __BaseClassEvent (BaseClassEvent)
#define BASE_EVENT_BarInitialize      1
#define BASE_EVENT_MenuBarInitialize  2
#define BASE_EVENT_BarClick           3
#define BASE_EVENT_MenuBarClick       4
#define BASE_EVENT_AfterGetData       5
#define BASE_EVENT_ClassGroupSelected 6
#define BASE_EVENT_ListFillRow        7
#define BASE_EVENT_RefreshList        8
#define BASE_EVENT_DoCommand          9
#define BASE_EVENT_BeforeSendMessage  10

#endif
