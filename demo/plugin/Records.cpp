// Built with -fpermissive: mingw-w64's adoint.h declares its coclasses in C++ with lines that
// declare nothing ("Recordset;"), which g++ otherwise rejects.
#include "Records.h"

#include <adoint.h>

namespace plugin {

namespace {
// _Recordset of ADO 2.x.
const IID IID_AdoRecordset = {0x00000556, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
}  // namespace

Records::Records(IDispatch* recordset) {
    check(recordset->QueryInterface(IID_AdoRecordset, reinterpret_cast<void**>(&rs_)));
    check(rs_->MoveFirst());
}

Records::~Records() {
    if (rs_) rs_->Release();
}

bool Records::atEnd() const {
    VARIANT_BOOL eof = VARIANT_TRUE;
    check(rs_->get_EOF(&eof));
    return eof != VARIANT_FALSE;
}

void Records::next() const {
    check(rs_->MoveNext());
}

Var Records::field(const wchar_t* name) const {
    ADOFields* fields = nullptr;
    check(rs_->get_Fields(&fields));
    ADOField* f = nullptr;
    Var index(name);
    HRESULT hr = fields->get_Item(index.get(), &f);
    fields->Release();
    check(hr);
    Var value;
    hr = f->get_Value(value.receive());
    f->Release();
    check(hr);
    return value;
}

}  // namespace plugin
