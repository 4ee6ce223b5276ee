// A simulated bill form: a bill control and data service (fake host objects) over a sample
// template with a header page and two entry grids, and the bill's data. Used by the demo, by
// tests and, as OrviHostKit.SimBill, by scripts.
#pragma once
#include "hostkit/FakeHost.h"
#include "hostkit/PyxContainers.h"

namespace hostkit {

struct SampleBill {
    ComPtr<FakeObject> billCtl;
    ComPtr<FakeObject> dataSrv;
    ComPtr<PyxDictionary> classType;
    ComPtr<PyxDictionary> tableInfo;
    ComPtr<PyxVector> classTypeEntry;
    ComPtr<PyxDictionary> data;
};

// The sample: sales order 1001 ("销售订单"), header page t_SEOrder, entry grids t_SEOrderEntry
// (rows) and t_SEOrderFee (rows), a few fields on each.
SampleBill buildSampleBill();

class SimBill final : public orvi::com::ComObject<SimBill, HostKitLibrary, ISimBill> {
public:
    static constexpr const wchar_t* kSource = L"OrviHostKit.SimBill";
    SimBill();

    STDMETHODIMP get_BillCtl(IDispatch** ret) override;
    STDMETHODIMP get_BillCtlControl(IFakeHostControl** ret) override;
    STDMETHODIMP get_DataSrv(IDispatch** ret) override;
    STDMETHODIMP get_ClassType(IDispatch** ret) override;
    STDMETHODIMP get_TableInfo(IDispatch** ret) override;
    STDMETHODIMP get_ClassTypeEntry(IDispatch** ret) override;
    STDMETHODIMP get_Data(IDispatch** ret) override;

private:
    SampleBill bill_;
};

}  // namespace hostkit
