#include "text/FontText.h"

namespace orvi::fonttext {

std::wstring GetFontItem(std::wstring_view text, std::wstring_view itemName, std::wstring_view separator,
                         UpperFn upper) noexcept {
    try {
        std::wstring s(text);
        if (s.size() < separator.size() || s.compare(s.size() - separator.size(), separator.size(), separator) != 0)
            s += separator;
        std::wstring pattern(itemName);
        pattern += L'=';
        std::size_t at = props::FindNoCase(s, pattern, upper);
        if (at == std::wstring::npos) return {};
        std::size_t begin = at + pattern.size();
        // The text ends with the separator, so one follows the match (an empty separator is
        // found right after it).
        std::size_t end = s.find(separator, begin);
        if (end == std::wstring::npos) return {};
        return s.substr(begin, end - begin);
    } catch (...) {
        return {};
    }
}

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view what, std::wstring_view with) {
    if (what.empty()) return std::wstring(text);
    std::wstring out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(what, from)) != std::wstring_view::npos; from = at + what.size()) {
        out.append(text.substr(from, at - from));
        out.append(with);
    }
    out.append(text.substr(from));
    return out;
}

std::wstring SetFontItem(std::wstring_view fontText, std::wstring_view itemName, std::wstring_view newValue,
                         UpperFn upper) {
    std::wstring font(fontText);
    std::wstring old;
    if (font.empty())
        font = kEmptyFont;
    else
        old = GetFontItem(font, itemName, kSeparator, upper);
    std::wstring name(itemName);
    name += L'=';
    return ReplaceAll(font, name + old, name + std::wstring(newValue));
}

}  // namespace orvi::fonttext
