// An ADO recordset read through ADO's own interfaces (the middle tier's answer to
// QelLib.GetData): the current record's fields by name.
#pragma once
#include "Automation.h"

struct _ADORecordset;

namespace plugin {

class Records {
public:
    explicit Records(IDispatch* recordset);  // positioned on the first record
    ~Records();
    Records(const Records&) = delete;
    Records& operator=(const Records&) = delete;

    bool atEnd() const;
    void next() const;
    Var field(const wchar_t* name) const;

private:
    _ADORecordset* rs_ = nullptr;
};

}  // namespace plugin
