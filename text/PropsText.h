// Text routines of the session context, over standard strings only: the props string (entries
// "key=value" separated by ";", values optionally in braces), the keyed collection the parser
// fills, and the split of a text into leading spaces, core and trailing spaces used by
// translation. Nothing here touches COM, so the same code is built natively for sanitizer runs
// and fuzzing.
//
// Case-insensitive comparisons fold characters with an upper-casing function supplied by the
// caller: the library passes the platform's rules; the default folds ASCII letters only.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orvi::props {

using UpperFn = wchar_t (*)(wchar_t);
wchar_t AsciiUpper(wchar_t c) noexcept;

// Removes spaces (U+0020 only: not tabs or line breaks) from both ends.
std::wstring TrimSpaces(std::wstring_view s);

// Splits at the first occurrence of sep: returns the part before it and leaves the part after
// it in rest. Without sep the whole text is returned and rest becomes "".
std::wstring SplitFirst(std::wstring& rest, std::wstring_view sep);

// Position of the first occurrence of what in text at or after from, ignoring case; npos if
// none. An empty what is found at from (when from <= text.size()).
std::size_t FindNoCase(std::wstring_view text, std::wstring_view what, UpperFn upper = AsciiUpper,
                       std::size_t from = 0);

// The value of key in a props string the way the single-key lookup reads it: the first
// "key=" anywhere in the text (ignoring case, also inside a longer key or a value), up to the
// next ";", upper-cased, untrimmed; "" when there is no match.
std::wstring PropValueIn(std::wstring_view props, std::wstring_view key, UpperFn upper = AsciiUpper);

// A text as leading spaces, core (the text without them) and trailing spaces.
struct SpacedText {
    std::wstring leading, core, trailing;
};
SpacedText SplitSpaces(std::wstring_view text);

// Keyed collection of texts; keys compare ignoring case. Add of a key already present and Item
// of a key not present fail with the exceptions below.
class PropsCollection {
public:
    struct DuplicateKey {};
    struct MissingKey {};

    explicit PropsCollection(UpperFn upper = AsciiUpper) : upper_(upper) {}

    void Add(std::wstring key, std::wstring value);
    const std::wstring& Item(std::wstring_view key) const;
    bool Contains(std::wstring_view key) const;
    std::size_t Count() const noexcept { return items_.size(); }
    // Entries in the order they were added.
    const std::vector<std::pair<std::wstring, std::wstring>>& Items() const noexcept { return items_; }

private:
    std::wstring fold(std::wstring_view key) const;

    UpperFn upper_;
    std::vector<std::pair<std::wstring, std::wstring>> items_;
    std::unordered_map<std::wstring, std::size_t> index_;  // folded key -> position in items_
};

// Parses a props string into coll, entry by entry:
//   key:   the text up to the first "=", spaces trimmed (the rest continues after the "=");
//   value: after trimming spaces, a "{" opens a braced value that ends at the first "}" (the
//          text from there to the next ";" is dropped); otherwise the value runs to the first
//          ";". The value is trimmed.
// An empty key ends the parse. A key already in coll throws DuplicateKey (entries before it
// stay added).
void ParseInto(std::wstring_view props, PropsCollection& coll);

}  // namespace orvi::props
