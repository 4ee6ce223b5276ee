// Unit tests of the session text routines, built natively under ASan and UBSan.
#include <cstdio>
#include <string>

#include "text/PropsText.h"

using namespace orvi::props;

namespace {

int passed = 0, failed = 0;

std::string narrow(const std::wstring& s) {
    std::string r;
    for (wchar_t c : s) r += (c >= 0x20 && c < 0x7f) ? char(c) : '?';
    return r;
}

void expectText(const std::wstring& got, const std::wstring& want, const char* what, int line) {
    if (got == want) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("  line %d: %s: got \"%s\", expected \"%s\"\n", line, what, narrow(got).c_str(), narrow(want).c_str());
}

void expectTrue(bool ok, const char* what, int line) {
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("  line %d: check failed: %s\n", line, what);
}

#define EXPECT_TEXT(got, want) expectText((got), (want), #got, __LINE__)
#define EXPECT(cond) expectTrue((cond), #cond, __LINE__)

void splitFirst() {
    std::wstring rest = L"a=b=c";
    EXPECT_TEXT(SplitFirst(rest, L"="), L"a");
    EXPECT_TEXT(rest, L"b=c");
    rest = L"abc";
    EXPECT_TEXT(SplitFirst(rest, L"="), L"abc");
    EXPECT_TEXT(rest, L"");
    rest = L"";
    EXPECT_TEXT(SplitFirst(rest, L";"), L"");
    EXPECT_TEXT(rest, L"");
    rest = L";x";
    EXPECT_TEXT(SplitFirst(rest, L";"), L"");
    EXPECT_TEXT(rest, L"x");
}

void trimAndSpaces() {
    EXPECT_TEXT(TrimSpaces(L"  a b  "), L"a b");
    EXPECT_TEXT(TrimSpaces(L"\ta\t"), L"\ta\t");  // spaces only
    EXPECT_TEXT(TrimSpaces(L"    "), L"");

    SpacedText t = SplitSpaces(L"  word ");
    EXPECT_TEXT(t.leading, L"  ");
    EXPECT_TEXT(t.core, L"word");
    EXPECT_TEXT(t.trailing, L" ");
    t = SplitSpaces(L"   ");
    EXPECT_TEXT(t.leading, L"");
    EXPECT_TEXT(t.core, L"");
    EXPECT_TEXT(t.trailing, L"   ");
    t = SplitSpaces(L"");
    EXPECT(t.leading.empty() && t.core.empty() && t.trailing.empty());
    t = SplitSpaces(L"a  b");
    EXPECT_TEXT(t.leading, L"");
    EXPECT_TEXT(t.core, L"a  b");
    EXPECT_TEXT(t.trailing, L"");
}

void propValue() {
    // Lower-case key and value: found, and the value comes back upper-cased.
    EXPECT_TEXT(PropValueIn(L"UserID=3;language=chs", L"Language"), L"CHS");
    // The first match anywhere wins, also at the end of a longer key.
    EXPECT_TEXT(PropValueIn(L"MainUserID=7;UserID=3", L"UserID"), L"7");
    // ... or inside a value.
    EXPECT_TEXT(PropValueIn(L"Note=userid=5;UserID=9", L"UserID"), L"5");
    // Braces mean nothing to this reader: the value runs to the first ";".
    EXPECT_TEXT(PropValueIn(L"DSN={a;b};X=1", L"DSN"), L"{A");
    // No trimming.
    EXPECT_TEXT(PropValueIn(L"Language= eng ;X=1", L"Language"), L" ENG ");
    // The last entry needs no ";".
    EXPECT_TEXT(PropValueIn(L"A=1;B=two", L"B"), L"TWO");
    EXPECT_TEXT(PropValueIn(L"A=1;B=2", L"C"), L"");
    EXPECT_TEXT(PropValueIn(L"", L"A"), L"");
    EXPECT_TEXT(PropValueIn(L"A=;B=2", L"A"), L"");
    // A key with ";" in it leaves nothing between its "=" and the ";".
    EXPECT_TEXT(PropValueIn(L"x;y=1;", L"x;y"), L"");
    // Spaces before the "=" are part of what is searched for.
    EXPECT_TEXT(PropValueIn(L"UserID =4", L"UserID"), L"");
}

void parse() {
    PropsCollection c;
    ParseInto(L"  UserID = 12 ;  Language=  chs  ; AcctID =3", c);
    EXPECT(c.Count() == 3);
    EXPECT_TEXT(c.Item(L"userid"), L"12");
    EXPECT_TEXT(c.Item(L"LANGUAGE"), L"chs");
    EXPECT_TEXT(c.Item(L"AcctID"), L"3");

    PropsCollection braced;
    ParseInto(L"DSN = { Server=db;Uid=sa } lost text ; UserID={ 42 }", braced);
    EXPECT(braced.Count() == 2);
    EXPECT_TEXT(braced.Item(L"DSN"), L"Server=db;Uid=sa");
    EXPECT_TEXT(braced.Item(L"UserID"), L"42");

    PropsCollection open;
    ParseInto(L"A={abc", open);
    EXPECT_TEXT(open.Item(L"A"), L"abc");

    PropsCollection empty;
    ParseInto(L"", empty);
    EXPECT(empty.Count() == 0);

    PropsCollection leadingEquals;
    ParseInto(L"=1;A=2", leadingEquals);
    EXPECT(leadingEquals.Count() == 0);

    // An empty key stops the parse even with entries after it.
    PropsCollection stops;
    ParseInto(L"A=1; =2;B=3", stops);
    EXPECT(stops.Count() == 1 && stops.Contains(L"A") && !stops.Contains(L"B"));

    // An entry without "=" swallows text up to the next "=" into its key.
    PropsCollection swallow;
    ParseInto(L"A=1;junk;B=2", swallow);
    EXPECT(swallow.Count() == 2);
    EXPECT_TEXT(swallow.Item(L"junk;B"), L"2");
    PropsCollection tail;
    ParseInto(L"A=1;tail", tail);
    EXPECT_TEXT(tail.Item(L"tail"), L"");

    PropsCollection twice;
    bool duplicate = false;
    try {
        ParseInto(L"A=1;B=2;a=3", twice);
    } catch (const PropsCollection::DuplicateKey&) {
        duplicate = true;
    }
    EXPECT(duplicate);
    EXPECT(twice.Count() == 2);

    bool missing = false;
    try {
        c.Item(L"Nope");
    } catch (const PropsCollection::MissingKey&) {
        missing = true;
    }
    EXPECT(missing);
}

void findNoCase() {
    EXPECT(FindNoCase(L"abcABC", L"CA") == 2);
    EXPECT(FindNoCase(L"abc", L"") == 0);
    EXPECT(FindNoCase(L"abc", L"abcd") == std::wstring_view::npos);
    EXPECT(FindNoCase(L"abc", L"c", AsciiUpper, 3) == std::wstring_view::npos);
    EXPECT(FindNoCase(L"abc", L"x", AsciiUpper, 9) == std::wstring_view::npos);
}

}  // namespace

int main() {
    splitFirst();
    trimAndSpaces();
    propValue();
    parse();
    findNoCase();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
