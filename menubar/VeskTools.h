// VeskTools: a tool collection of the toolbar control (the control's own, or a band's).
#pragma once
#include "base/Library.h"
#include "menubar/ToolbarPart.h"

namespace orvi {

class VeskTool;

class VeskTools final : public Object<VeskTools, _VeskTools>, public ToolbarPart<toolbar::ToolCollection> {
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

private:
    long freeToolId() const noexcept;
    long positionOf(const VARIANT& index) const;
    void insert(const VARIANT& index, _VeskTool** tool, bool after);

    ComPtr<VeskTool> tool_;  // the one wrapper every Add and Item returns
};

}  // namespace orvi
