#pragma once
#include "server/Library.h"

namespace orvi {

class VeskTools final : public Object<VeskTools, _VeskTools> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.VeskTools";

    VeskTools();
    ~VeskTools() override;

    // _VeskTools
    STDMETHODIMP InsertBefore(VARIANT Index, _VeskTool** oTool) override;
    STDMETHODIMP InsertAfter(VARIANT Index, _VeskTool** oTool) override;
    STDMETHODIMP RemoveAll() override;
    STDMETHODIMP Add(BSTR ToolName, _VeskTool** ret) override;
    STDMETHODIMP get_Item(VARIANT Index, _VeskTool** ret) override;
    STDMETHODIMP get_Count(long* ret) override;
    STDMETHODIMP Remove(VARIANT Index) override;
    STDMETHODIMP GetFreeToolID(long* ret) override;
};

}  // namespace orvi
