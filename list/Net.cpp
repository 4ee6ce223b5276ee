#include "list/Net.h"

namespace orvi {

Net::Net() = default;
Net::~Net() = default;

STDMETHODIMP Net::BeginMutex(long lSubSysID, BSTR sFuncID, short iYear, short iPeriod, VARIANT lRowID, long* ret) {
    return pending(__func__);
}

STDMETHODIMP Net::CommitMutex(long TaskID, VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP Net::QueryFunc(long lSubSysID, BSTR sFuncID, short iYear, short iPeriod, VARIANT lRowID, VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP Net::QuerySubSys(long lSubSysID, short iYear, short iPeriod, VARIANT_BOOL* ret) {
    return pending(__func__);
}

}  // namespace orvi
