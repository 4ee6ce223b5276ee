// The font text of a field descriptor ("FFont"): four items "Name=value" separated by "|",
// FontName=name|FontSize=size|FontBold=bold|FontItalic=italic. Reading an item finds its name
// ignoring case; changing one replaces the exact text "Name=old value" wherever it stands, so an
// item written in another letter case, or missing, is left as it is. Nothing here touches COM,
// so the same code is built natively for sanitizer runs and fuzzing.
#pragma once
#include <string>
#include <string_view>

#include "text/PropsText.h"

namespace orvi::fonttext {

using props::UpperFn;

// The font text of a descriptor that has none yet.
inline constexpr std::wstring_view kEmptyFont = L"FontName=|FontSize=|FontBold=|FontItalic=";
inline constexpr std::wstring_view kSeparator = L"|";

// The value of an item: the text between the first "itemName=" (found ignoring case, by
// `upper`) and the first separator after it; a separator is supplied at the end when the text
// does not end with one. "" when the item is not there, and on any failure.
std::wstring GetFontItem(std::wstring_view text, std::wstring_view itemName, std::wstring_view separator,
                         UpperFn upper = props::AsciiUpper) noexcept;

// Every occurrence of what in text replaced by with, left to right, compared exactly; an empty
// what replaces nothing.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view what, std::wstring_view with);

// The font text after setting one item to newValue:
//  - an empty font text starts as kEmptyFont, whose items are all empty;
//  - otherwise the old value is GetFontItem(fontText, itemName, "|");
//  - every "itemName=old value" (exact, case-sensitive) becomes "itemName=newValue".
// The new value is written verbatim: a value holding "|" splits the item for later reads.
std::wstring SetFontItem(std::wstring_view fontText, std::wstring_view itemName, std::wstring_view newValue,
                         UpperFn upper = props::AsciiUpper);

}  // namespace orvi::fonttext
