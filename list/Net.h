// Net: the plug-in's face of the client's network control. Begins, queries and commits tasks
// through the login object's lock service (MNetControl); holds no state of its own.
#pragma once
#include "base/Library.h"

namespace orvi {

class Net final : public Object<Net, _Net> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.Net";

    // _Net
    STDMETHODIMP BeginMutex(long lSubSysID, BSTR sFuncID, short iYear, short iPeriod, VARIANT lRowID, long* ret) override;
    STDMETHODIMP CommitMutex(long TaskID, VARIANT_BOOL* ret) override;
    STDMETHODIMP QueryFunc(long lSubSysID, BSTR sFuncID, short iYear, short iPeriod, VARIANT lRowID, VARIANT_BOOL* ret) override;
    STDMETHODIMP QuerySubSys(long lSubSysID, short iYear, short iPeriod, VARIANT_BOOL* ret) override;
};

}  // namespace orvi
