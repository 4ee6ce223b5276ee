// Names of the members the library calls late-bound on the host's toolbar control, on its bands,
// band and tool collections and tools, and on the form that parents the control. They are the
// control's and the form's published names; every call the menu model makes goes through one of
// these, so this is the one place to change if a name differs.
#pragma once

namespace orvi::toolbar::member {

// The control.
inline constexpr const wchar_t* Refresh = L"Refresh";
inline constexpr const wchar_t* ActiveBand = L"ActiveBand";
inline constexpr const wchar_t* Bands = L"Bands";
inline constexpr const wchar_t* Tools = L"Tools";  // also the tool collection of a band
inline constexpr const wchar_t* Parent = L"Parent";

// Band and tool collections.
inline constexpr const wchar_t* Add = L"Add";
inline constexpr const wchar_t* Item = L"Item";
inline constexpr const wchar_t* Count = L"Count";
inline constexpr const wchar_t* Remove = L"Remove";
inline constexpr const wchar_t* RemoveAll = L"RemoveAll";
inline constexpr const wchar_t* Insert = L"Insert";  // insert at a position: (position, tool)

// A band (its Refresh is the control's name above).
inline constexpr const wchar_t* Wrappable = L"Wrappable";
inline constexpr const wchar_t* Visible = L"Visible";
inline constexpr const wchar_t* BandType = L"BandType";
inline constexpr const wchar_t* BandName = L"BandName";
inline constexpr const wchar_t* Flags = L"Flags";
inline constexpr const wchar_t* DockLine = L"DockLine";
inline constexpr const wchar_t* DockingOffset = L"DockingOffset";
inline constexpr const wchar_t* DockingArea = L"DockingArea";
inline constexpr const wchar_t* Caption = L"Caption";  // bands and tools
inline constexpr const wchar_t* CurrentTool = L"CurrentTool";

// A tool (Visible and Caption as above).
inline constexpr const wchar_t* Default = L"Default";
inline constexpr const wchar_t* TooltipText = L"TooltipText";
inline constexpr const wchar_t* ToolID = L"ToolID";
inline constexpr const wchar_t* Tag = L"Tag";
inline constexpr const wchar_t* Style = L"Style";
inline constexpr const wchar_t* ShortcutKey = L"ShortcutKey";
inline constexpr const wchar_t* ToolName = L"ToolName";
inline constexpr const wchar_t* Enabled = L"Enabled";
inline constexpr const wchar_t* Description = L"Description";
inline constexpr const wchar_t* Checked = L"Checked";
inline constexpr const wchar_t* CaptionPosition = L"CaptionPosition";
inline constexpr const wchar_t* SubBand = L"SubBand";
inline constexpr const wchar_t* BeginGroup = L"BeginGroup";
inline constexpr const wchar_t* Alignment = L"Alignment";
inline constexpr const wchar_t* SetPicture = L"SetPicture";  // (index As Integer, picture, mask colour)

// The form that parents the control.
inline constexpr const wchar_t* RefreshToolbarTool = L"RefreshToolbarTool";

}  // namespace orvi::toolbar::member
