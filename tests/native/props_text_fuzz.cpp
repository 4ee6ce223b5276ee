// libFuzzer target for the session text routines. Besides the sanitizers' checks it holds the
// routines to properties that must hold for any input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/PropsText.h"

using namespace orvi::props;

namespace {

// Bytes to text: ASCII stays (so "=", ";", "{", "}" and spaces are common), other bytes become
// letters outside ASCII.
std::wstring textOf(const uint8_t* data, size_t size) {
    std::wstring s;
    s.reserve(size);
    for (size_t i = 0; i < size; ++i) s += data[i] < 0x80 ? wchar_t(data[i]) : wchar_t(0x4E00 + data[i]);
    return s;
}

void require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks where the key for the single-key lookup ends.
    size_t keyLength = size ? data[0] % 8 : 0;
    std::wstring text = textOf(data + (size ? 1 : 0), size ? size - 1 : 0);
    std::wstring key = text.substr(0, keyLength);

    SpacedText spaced = SplitSpaces(text);
    require(spaced.leading + spaced.core + spaced.trailing == text);
    require(spaced.core == TrimSpaces(text));
    require(spaced.leading.find_first_not_of(L' ') == std::wstring::npos);
    require(spaced.trailing.find_first_not_of(L' ') == std::wstring::npos);

    std::wstring rest = text;
    std::wstring before = SplitFirst(rest, L"=");
    if (text.find(L'=') == std::wstring::npos)
        require(before == text && rest.empty());
    else
        require(before + L"=" + rest == text && before.find(L'=') == std::wstring::npos);

    std::wstring value = PropValueIn(text, key);
    require(value.find(L';') == std::wstring::npos);
    if (!value.empty()) require(FindNoCase(text + L";", key + L"=") != std::wstring::npos);

    PropsCollection parsed;
    try {
        ParseInto(text, parsed);
    } catch (const PropsCollection::DuplicateKey&) {
    }
    for (const auto& [k, v] : parsed.Items()) {
        require(!k.empty() && k == TrimSpaces(k) && k.find(L'=') == std::wstring::npos);
        require(v == TrimSpaces(v));
        require(parsed.Item(k) == v);
    }
    return 0;
}
