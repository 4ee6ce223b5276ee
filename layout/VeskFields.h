#pragma once
#include "server/Library.h"

namespace orvi {

class VeskFields final : public Object<VeskFields, _VeskFields> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.VeskFields";

    VeskFields();
    ~VeskFields() override;

    // _VeskFields
    STDMETHODIMP get_Item(VARIANT Index, _VeskField** ret) override;
    STDMETHODIMP get_Count(long* ret) override;
};

}  // namespace orvi
