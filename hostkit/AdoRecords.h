// ADO recordsets for the kit's middle tier and for tests that read what it returned.
//
// Members are called by name through ADO's own type library, loaded from the module that
// implements ADODB.Recordset, onto the objects' vtables. ADO's IDispatch is not used: under Wine it
// asks the registry for a version of its type library that is not registered, and fails.
#pragma once
#include <string>
#include <vector>

#include "hostkit/HostKit.h"

namespace hostkit {

class AdoRecordset {
public:
    // A new, open recordset with text columns and the given rows (fields by column).
    static AdoRecordset build(const std::vector<std::wstring>& columns,
                              const std::vector<std::vector<std::wstring>>& rows);
    explicit AdoRecordset(IDispatch* recordset);

    IDispatch* get() const noexcept { return recordset_.Get(); }
    long recordCount() const;
    bool eof() const;
    void moveFirst() const;
    void moveNext() const;
    // The value of a field of the current record, by name or index.
    Variant field(const Variant& index) const;
    std::vector<std::wstring> fieldNames() const;

private:
    ComPtr<IDispatch> recordset_;
};

}  // namespace hostkit
