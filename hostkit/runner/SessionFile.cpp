// Reading a session file: toml++ parses, this file turns its tree into Values that keep their
// line and checks every table against the keys the runner knows, so that a misspelt key or a
// value of the wrong type is reported with its line before anything is played.
#include "hostkit/runner/SessionFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <toml++/toml.h>

namespace runner {

const Value* Value::find(std::wstring_view key) const {
    for (const auto& [k, v] : fields)
        if (k == key) return &v;
    return nullptr;
}

std::wstring Value::str(std::wstring_view key, std::wstring_view fallback) const {
    const Value* v = find(key);
    return v ? v->show() : std::wstring(fallback);
}

long Value::num(std::wstring_view key, long fallback) const {
    const Value* v = find(key);
    return v && v->kind == Int ? long(v->i) : fallback;
}

bool Value::flag(std::wstring_view key, bool fallback) const {
    const Value* v = find(key);
    return v && v->kind == Bool ? v->b : fallback;
}

std::wstring Value::show() const {
    switch (kind) {
    case Bool: return b ? L"True" : L"False";
    case Int: return std::to_wstring(i);
    case Float: {
        wchar_t s[32];
        swprintf(s, 32, L"%g", f);
        return s;
    }
    case Text: return text;
    case List: {
        std::wstring s = L"[";
        for (size_t n = 0; n < items.size(); ++n) s += (n ? L", " : L"") + items[n].show();
        return s + L"]";
    }
    case Table: {
        std::wstring s = L"{";
        for (size_t n = 0; n < fields.size(); ++n) s += (n ? L", " : L"") + fields[n].first + L" = " + fields[n].second.show();
        return s + L"}";
    }
    }
    return L"";
}

namespace {

Value convert(const toml::node& node) {
    Value v;
    v.line = int(node.source().begin.line);
    if (auto t = node.as_table()) {
        v.kind = Value::Table;
        std::vector<std::pair<toml::source_position, std::pair<std::wstring, Value>>> fields;
        for (auto&& [key, child] : *t)
            fields.push_back({key.source().begin, {widen(key.str()), convert(child)}});
        // toml++ keeps keys sorted: put them back in file order.
        std::stable_sort(fields.begin(), fields.end(), [](const auto& a, const auto& b) {
            return a.first.line != b.first.line ? a.first.line < b.first.line : a.first.column < b.first.column;
        });
        for (auto& f : fields) v.fields.push_back(std::move(f.second));
    } else if (auto a = node.as_array()) {
        v.kind = Value::List;
        for (const toml::node& item : *a) v.items.push_back(convert(item));
    } else if (auto s = node.as_string()) {
        v.kind = Value::Text;
        v.text = widen(s->get());
    } else if (auto i = node.as_integer()) {
        v.kind = Value::Int;
        v.i = i->get();
    } else if (auto f = node.as_floating_point()) {
        v.kind = Value::Float;
        v.f = f->get();
    } else if (auto b = node.as_boolean()) {
        v.kind = Value::Bool;
        v.b = b->get();
    } else {
        throw FileError("dates and times are not used in a session file: write them as text", v.line);
    }
    return v;
}

// ---------------------------------------------------------------- what the runner knows

enum : int { kBool = 1, kInt = 2, kFloat = 4, kText = 8, kList = 16, kTable = 32, kScalar = kBool | kInt | kFloat | kText };

struct Key {
    const wchar_t* name;
    int kinds;
    bool required = false;
};

std::string kindsText(int kinds) {
    std::string s;
    auto add = [&](int k, const char* name) {
        if (kinds & k) s += (s.empty() ? "" : " or ") + std::string(name);
    };
    add(kBool, "true/false");
    add(kInt, "a whole number");
    add(kFloat, "a number");
    add(kText, "text");
    add(kList, "a list");
    add(kTable, "a table");
    return s;
}

int kindOf(const Value& v) {
    switch (v.kind) {
    case Value::Bool: return kBool;
    case Value::Int: return kInt;
    case Value::Float: return kFloat;
    case Value::Text: return kText;
    case Value::List: return kList;
    case Value::Table: return kTable;
    }
    return 0;
}

void checkKind(const Value& v, int kinds, const std::string& what) {
    if (!(kindOf(v) & kinds)) throw FileError(what + " must be " + kindsText(kinds), v.line);
}

void checkTable(const Value& table, const std::string& where, std::initializer_list<Key> keys) {
    checkKind(table, kTable, where);
    for (const auto& [name, value] : table.fields) {
        const Key* known = nullptr;
        for (const Key& k : keys)
            if (name == k.name) known = &k;
        if (!known) {
            std::string list;
            for (const Key& k : keys) list += (list.empty() ? "" : ", ") + narrow(k.name);
            throw FileError("unknown key \"" + narrow(name) + "\" in " + where + " (known: " + list + ")", value.line);
        }
        checkKind(value, known->kinds, "\"" + narrow(name) + "\" in " + where);
    }
    for (const Key& k : keys)
        if (k.required && !table.find(k.name))
            throw FileError(where + " needs \"" + narrow(k.name) + "\"", table.line);
}

void checkItems(const Value& list, int kinds, const std::string& what) {
    for (const Value& item : list.items) checkKind(item, kinds, what);
}

void checkOneOf(const Value& table, const wchar_t* key, std::initializer_list<const wchar_t*> allowed, const std::string& where) {
    const Value* v = table.find(key);
    if (!v) return;
    std::string list;
    for (const wchar_t* a : allowed) {
        if (v->text == a) return;
        list += (list.empty() ? "" : ", ") + narrow(a);
    }
    throw FileError("\"" + narrow(key) + "\" in " + where + " is \"" + narrow(v->text) + "\"; it must be one of " + list, v->line);
}

// What each step does and the keys it takes besides "do", "title" and "expect".
struct Action {
    const wchar_t* name;
    std::vector<Key> keys;
    const wchar_t* forms;  // the form kinds it applies to
};

const std::vector<Action>& actions() {
    static const std::vector<Action> list = {
        {L"toolbar", {}, L"bill list base"},
        {L"click", {{L"tool", kText, true}}, L"bill list base"},
        {L"change", {{L"field", kText, true}, {L"value", kScalar, true}, {L"row", kInt}}, L"bill"},
        {L"save", {}, L"bill"},
        {L"check", {{L"mode", kInt}, {L"levels", kInt}, {L"level", kInt}}, L"bill list"},
        {L"send-message", {{L"to", kList, true}, {L"message_title", kText}, {L"message_text", kText}}, L"bill list base"},
        {L"fill", {{L"column", kText}}, L"list base"},
        {L"select", {{L"rows", kList, true}, {L"current", kInt}}, L"list"},
        {L"select-group", {{L"button", kInt}, {L"type", kInt}, {L"id", kInt, true}, {L"number", kText, true}}, L"base"},
        {L"second-client", {{L"user_id", kInt, true}, {L"user_name", kText}, {L"tool", kText, true}}, L"bill"},
        {L"script", {{L"file", kText, true}}, L"bill list base"},
    };
    return list;
}

void checkExpect(const Value& expect) {
    const std::string where = "\"expect\"";
    checkTable(expect, where,
               {{L"cancel", kBool}, {L"saved", kBool}, {L"level", kInt}, {L"send_check_message", kBool},
                {L"send_accept_message", kBool}, {L"check_title", kText}, {L"check_message", kText},
                {L"fields", kTable}, {L"tools", kTable}, {L"rows", kTable}, {L"property", kTable},
                {L"captions", kTable}, {L"status", kText}, {L"inbox", kTable}, {L"locks", kInt},
                {L"second_client", kText}, {L"exit", kInt}, {L"sent", kBool}});
    checkOneOf(expect, L"second_client", {L"refused", L"granted"}, where);
    if (const Value* fields = expect.find(L"fields"))
        for (const auto& [key, field] : fields->fields)
            checkTable(field, "the expected field \"" + narrow(key) + "\"",
                       {{L"FFLD", kScalar}, {L"FDSP", kScalar}, {L"FMODIFY", kScalar}, {L"shown", kScalar}, {L"row", kInt}});
    if (const Value* tools = expect.find(L"tools"))
        for (const auto& [band, list] : tools->fields) {
            checkKind(list, kList, "the tools of band \"" + narrow(band) + "\"");
            checkItems(list, kText, "a tool of band \"" + narrow(band) + "\"");
        }
    if (const Value* rows = expect.find(L"rows"))
        for (const auto& [row, shown] : rows->fields) {
            wchar_t* end = nullptr;
            long n = std::wcstol(row.c_str(), &end, 10);
            if (row.empty() || *end || n < 1)
                throw FileError("\"rows\" are keyed by row number from 1, not \"" + narrow(row) + "\"", shown.line);
            checkTable(shown, "the expected row " + narrow(row), {{L"back", kText | kInt}, {L"text", kScalar}});
        }
    if (const Value* captions = expect.find(L"captions"))
        for (const auto& [tool, caption] : captions->fields) checkKind(caption, kText, "the caption of tool \"" + narrow(tool) + "\"");
    if (const Value* property = expect.find(L"property"))
        for (const auto& [name, value] : property->fields) checkKind(value, kScalar, "the property \"" + narrow(name) + "\"");
    if (const Value* inbox = expect.find(L"inbox"))
        for (const auto& [user, box] : inbox->fields)
            checkTable(box, "the inbox of user " + narrow(user), {{L"count", kInt}, {L"from", kInt}, {L"title", kText}});
}

void checkStep(const Value& step, const std::wstring& formKind) {
    checkKind(step, kTable, "a step");
    const Value* action = step.find(L"do");
    if (!action) throw FileError("a step needs \"do\" (what the form does)", step.line);
    checkKind(*action, kText, "\"do\"");
    for (const Action& a : actions()) {
        if (action->text != a.name) continue;
        std::string where = "a \"" + narrow(a.name) + "\" step";
        std::wstring forms = std::wstring(L" ") + a.forms + L" ";
        if (forms.find(L" " + formKind + L" ") == std::wstring::npos)
            throw FileError(where + " does not apply to a " + narrow(formKind) + " form (only: " + narrow(a.forms) + ")",
                            action->line);
        // The keys every step takes, then the action's own.
        for (const auto& [name, value] : step.fields) {
            if (name == L"do" || name == L"title" || name == L"expect") continue;
            bool known = std::any_of(a.keys.begin(), a.keys.end(), [&](const Key& k) { return name == k.name; });
            if (!known) {
                std::string list = "do, title, expect";
                for (const Key& k : a.keys) list += ", " + narrow(k.name);
                throw FileError("unknown key \"" + narrow(name) + "\" in " + where + " (known: " + list + ")", value.line);
            }
        }
        for (const Key& k : a.keys) {
            const Value* v = step.find(k.name);
            if (v) checkKind(*v, k.kinds, "\"" + narrow(k.name) + "\" in " + where);
            else if (k.required) throw FileError(where + " needs \"" + narrow(k.name) + "\"", step.line);
        }
        if (const Value* title = step.find(L"title")) checkKind(*title, kText, "\"title\"");
        if (const Value* to = step.find(L"to")) checkItems(*to, kInt | kText, "a recipient in \"to\"");
        if (const Value* rows = step.find(L"rows")) checkItems(*rows, kInt, "a row in \"rows\"");
        if (const Value* expect = step.find(L"expect")) checkExpect(*expect);
        return;
    }
    std::string list;
    for (const Action& a : actions()) list += (list.empty() ? "" : ", ") + narrow(a.name);
    throw FileError("unknown step \"" + narrow(action->text) + "\" (known: " + list + ")", action->line);
}

// Columns and rows of text (a query result, a form's rows); `needed` are columns it must have.
void checkRows(const Value& table, const std::string& what, std::initializer_list<const wchar_t*> needed) {
    checkTable(table, "a " + what, {{L"sql", kText}, {L"columns", kList, true}, {L"rows", kList}});
    const Value& columns = *table.find(L"columns");
    checkItems(columns, kText, "a column name");
    for (const wchar_t* column : needed)
        if (std::none_of(columns.items.begin(), columns.items.end(), [&](const Value& c) { return c.text == column; }))
            throw FileError("the columns of a " + what + " need \"" + narrow(column) + "\"", columns.line);
    if (const Value* rows = table.find(L"rows"))
        for (const Value& row : rows->items) {
            checkKind(row, kList, "a row of a " + what);
            checkItems(row, kScalar, "a value of a " + what + " row");
            if (row.items.size() != columns.items.size())
                throw FileError("a " + what + " row has " + std::to_string(row.items.size()) + " values for " +
                                    std::to_string(columns.items.size()) + " columns",
                                row.line);
        }
}

// A value of a lookup or list field must be one of its codes.
void checkCode(const Value& field, const Value& value) {
    for (const wchar_t* items : {L"lookup", L"list"})
        if (const Value* table = field.find(items)) {
            if (table->find(value.show())) return;
            std::string codes;
            for (const auto& [code, shown] : table->fields) codes += (codes.empty() ? "" : ", ") + narrow(code);
            throw FileError("the value " + narrow(value.show()) + " of field \"" + narrow(field.str(L"key")) +
                                "\" is not in its " + narrow(items) + " (codes: " + codes + ")",
                            value.line);
        }
}

// A bill's own template: its header page first, then its grid pages, each with its fields.
void checkPages(const Value& pages) {
    if (pages.items.empty()) throw FileError("\"pages\" describes no page", pages.line);
    if (pages.items.size() > 10) throw FileError("a bill has at most 10 pages", pages.items[10].line);
    std::vector<std::pair<std::wstring, size_t>> seen;  // field key, page
    for (size_t p = 0; p < pages.items.size(); ++p) {
        const Value& page = pages.items[p];
        const std::string where = "page " + std::to_string(p + 1) + " of the bill";
        checkTable(page, where, {{L"kind", kText, true}, {L"table", kText}, {L"fields", kList, true}, {L"rows", kList}});
        checkOneOf(page, L"kind", {L"header", L"grid"}, where);
        const bool grid = page.find(L"kind")->text == L"grid";
        const int kindLine = page.find(L"kind")->line;
        if (p == 0 && grid) throw FileError("the first page of the bill must be its header (kind = \"header\")", kindLine);
        if (p > 0 && !grid) throw FileError("the bill has one header, its first page; " + where + " must be a grid", kindLine);
        const Value& fields = *page.find(L"fields");
        if (fields.items.empty()) throw FileError(where + " has no field", fields.line);
        for (const Value& field : fields.items) {
            const std::string what = "a field of " + where;
            checkTable(field, what,
                       {{L"key", kText, true}, {L"caption", kText}, {L"ctl", kText}, {L"lookup", kTable}, {L"list", kTable},
                        {L"value", kScalar}});
            checkOneOf(field, L"ctl", {L"text", L"date", L"check", L"list"}, what);
            const std::wstring key = field.find(L"key")->text;
            for (const auto& [k, on] : seen)
                if (k == key) throw FileError("field \"" + narrow(key) + "\" is already on page " + std::to_string(on), field.find(L"key")->line);
            seen.push_back({key, p + 1});
            for (const wchar_t* items : {L"lookup", L"list"})
                if (const Value* table = field.find(items))
                    for (const auto& [code, shown] : table->fields)
                        checkKind(shown, kText, "the text of code \"" + narrow(code) + "\" in \"" + narrow(items) + "\"");
            const Value* list = field.find(L"list");
            if (list && field.str(L"ctl") != L"list") throw FileError("only a list box (ctl = \"list\") has \"list\"", list->line);
            if (list && field.find(L"lookup")) throw FileError("a field has \"lookup\" or \"list\", not both", list->line);
            if (const Value* value = field.find(L"value")) {
                if (grid) throw FileError("a grid field's values are in its page's \"rows\"", value->line);
                checkCode(field, *value);
            }
        }
        if (const Value* rows = page.find(L"rows")) {
            if (!grid) throw FileError("the header has no rows: its values are its fields' \"value\"", rows->line);
            for (const Value& row : rows->items) {
                checkKind(row, kList, "a row of " + where);
                checkItems(row, kScalar, "a value of a row of " + where);
                if (row.items.size() != fields.items.size())
                    throw FileError("a row of " + where + " has " + std::to_string(row.items.size()) + " values for " +
                                        std::to_string(fields.items.size()) + " fields",
                                    row.line);
                for (size_t n = 0; n < row.items.size(); ++n) checkCode(fields.items[n], row.items[n]);
            }
        }
    }
}

void checkFile(const Value& root) {
    checkTable(root, "the file", {{L"runner", kTable}, {L"session", kTable}, {L"plugins", kList, true}, {L"forms", kList, true}});
    if (const Value* r = root.find(L"runner")) checkTable(*r, "[runner]", {{L"step_timeout", kInt}});
    if (const Value* s = root.find(L"session")) {
        checkTable(*s, "[session]",
                   {{L"user_id", kInt}, {L"user_name", kText}, {L"language", kText}, {L"account_id", kInt},
                    {L"account_name", kText}, {L"query", kList}});
        if (const Value* queries = s->find(L"query"))
            for (const Value& q : queries->items) {
                checkTable(q, "a [[session.query]]", {{L"sql", kText, true}, {L"columns", kList, true}, {L"rows", kList}});
                checkRows(q, "query", {});
            }
    }
    const Value& plugins = *root.find(L"plugins");
    if (plugins.items.empty()) throw FileError("\"plugins\" names no plug-in", plugins.line);
    for (const Value& p : plugins.items) {
        checkTable(p, "a [[plugins]]", {{L"progid", kText, true}, {L"connect", kText}, {L"connect_by", kText}, {L"disconnect", kText}});
        checkOneOf(p, L"connect_by", {L"call", L"set"}, "a [[plugins]]");
    }
    for (const Value& form : root.find(L"forms")->items) {
        checkTable(form, "a [[forms]]",
                   {{L"kind", kText, true}, {L"title", kText}, {L"toolbar", kList}, {L"fields", kTable}, {L"list", kTable},
                    {L"groups", kTable}, {L"items", kTable}, {L"pages", kList}, {L"steps", kList}});
        checkOneOf(form, L"kind", {L"bill", L"list", L"base"}, "a [[forms]]");
        const std::wstring& kind = form.find(L"kind")->text;
        if (const Value* list = form.find(L"list")) {
            if (kind != L"list") throw FileError("only a list form has \"list\"", list->line);
            checkRows(*list, "list", {L"FInterID", L"FBillNo"});
        }
        for (const wchar_t* key : {L"groups", L"items"})
            if (const Value* table = form.find(key)) {
                if (kind != L"base") throw FileError("only a base form has \"" + narrow(key) + "\"", table->line);
                checkRows(*table, narrow(key) + " table", {std::wstring_view(key) == L"groups" ? L"FClassGroupID" : L"FItemID"});
            }
        if (const Value* toolbar = form.find(L"toolbar"))
            for (const Value& band : toolbar->items) {
                checkTable(band, "a band of \"toolbar\"", {{L"band", kText, true}, {L"tools", kList}});
                if (const Value* tools = band.find(L"tools")) checkItems(*tools, kText, "a tool");
            }
        if (const Value* pages = form.find(L"pages")) {
            if (kind != L"bill") throw FileError("only a bill form has \"pages\"", pages->line);
            checkPages(*pages);
        }
        if (const Value* fields = form.find(L"fields")) {
            if (form.find(L"kind")->text != L"bill") throw FileError("only a bill form has \"fields\"", fields->line);
            for (const auto& [key, value] : fields->fields) checkKind(value, kScalar, "the value of field \"" + narrow(key) + "\"");
        }
        if (const Value* steps = form.find(L"steps"))
            for (const Value& step : steps->items) checkStep(step, form.find(L"kind")->text);
    }
}

}  // namespace

SessionFile loadSessionFile(const std::wstring& path) {
    SessionFile file;
    file.path = path;
    size_t slash = path.find_last_of(L"\\/");
    file.folder = slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
    std::string bytes;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) throw FileError("cannot open the file", 0);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
    std::fclose(f);
    try {
        toml::table table = toml::parse(bytes, std::string_view(narrow(path)));
        file.root = convert(table);
        file.root.line = 1;
    } catch (const toml::parse_error& e) {
        throw FileError(std::string(e.description()), int(e.source().begin.line));
    }
    checkFile(file.root);
    return file;
}

}  // namespace runner
