#include "text/PropsText.h"

namespace orvi::props {

wchar_t AsciiUpper(wchar_t c) noexcept {
    return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c;
}

std::wstring TrimSpaces(std::wstring_view s) {
    std::size_t begin = 0, end = s.size();
    while (begin < end && s[begin] == L' ') ++begin;
    while (end > begin && s[end - 1] == L' ') --end;
    return std::wstring(s.substr(begin, end - begin));
}

std::wstring SplitFirst(std::wstring& rest, std::wstring_view sep) {
    std::size_t at = sep.empty() ? std::wstring::npos : rest.find(sep);
    if (at == std::wstring::npos) {
        std::wstring whole = std::move(rest);
        rest.clear();
        return whole;
    }
    std::wstring before = rest.substr(0, at);
    rest.erase(0, at + sep.size());
    return before;
}

std::size_t FindNoCase(std::wstring_view text, std::wstring_view what, UpperFn upper, std::size_t from) {
    if (from > text.size()) return std::wstring_view::npos;
    if (what.size() > text.size() - from) return std::wstring_view::npos;
    const std::size_t last = text.size() - what.size();
    for (std::size_t i = from; i <= last; ++i) {
        std::size_t k = 0;
        while (k < what.size() && upper(text[i + k]) == upper(what[k])) ++k;
        if (k == what.size()) return i;
    }
    return std::wstring_view::npos;
}

std::wstring PropValueIn(std::wstring_view props, std::wstring_view key, UpperFn upper) {
    std::wstring s(props);
    if (s.empty() || s.back() != L';') s += L';';
    std::wstring pattern(key);
    pattern += L'=';
    std::size_t at = FindNoCase(s, pattern, upper);
    if (at == std::wstring::npos) return {};
    std::wstring_view cut = std::wstring_view(s).substr(at);
    std::size_t semi = cut.find(L';');  // the text ends with ";", so there is one
    // A key that itself holds a ";" leaves nothing between the "=" and the ";".
    if (semi == std::wstring_view::npos || semi < pattern.size()) return {};
    std::wstring value(cut.substr(pattern.size(), semi - pattern.size()));
    for (wchar_t& c : value) c = upper(c);
    return value;
}

SpacedText SplitSpaces(std::wstring_view text) {
    SpacedText r;
    r.core = TrimSpaces(text);
    std::size_t at = text.find(r.core);  // the core begins right after the leading spaces
    if (at == std::wstring_view::npos) at = 0;
    r.leading = std::wstring(text.substr(0, at));
    std::size_t trailing = text.size() - at - r.core.size();
    r.trailing = std::wstring(text.substr(text.size() - trailing));
    return r;
}

std::wstring PropsCollection::fold(std::wstring_view key) const {
    std::wstring folded(key);
    for (wchar_t& c : folded) c = upper_(c);
    return folded;
}

void PropsCollection::Add(std::wstring key, std::wstring value) {
    std::wstring folded = fold(key);
    if (index_.count(folded)) throw DuplicateKey{};
    index_.emplace(std::move(folded), items_.size());
    items_.emplace_back(std::move(key), std::move(value));
}

const std::wstring& PropsCollection::Item(std::wstring_view key) const {
    auto it = index_.find(fold(key));
    if (it == index_.end()) throw MissingKey{};
    return items_[it->second].second;
}

bool PropsCollection::Contains(std::wstring_view key) const {
    return index_.count(fold(key)) != 0;
}

void ParseInto(std::wstring_view props, PropsCollection& coll) {
    std::wstring rest(props);
    for (;;) {
        std::wstring key = TrimSpaces(SplitFirst(rest, L"="));
        rest = TrimSpaces(rest);
        std::wstring value;
        if (!rest.empty() && rest.front() == L'{') {
            rest.erase(0, 1);
            value = SplitFirst(rest, L"}");
            SplitFirst(rest, L";");  // whatever stands between "}" and ";" is dropped
        } else {
            value = SplitFirst(rest, L";");
        }
        value = TrimSpaces(value);
        if (key.empty()) break;
        coll.Add(std::move(key), std::move(value));
    }
}

}  // namespace orvi::props
