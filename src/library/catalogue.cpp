// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/catalogue.h"

#include "core/uitext.h"
#include "core/utf8.h"
#include "library/bookkeys.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {
// Property-list dates count from 2001-01-01 UTC.
constexpr int64_t kPlistEpochOffset = 978307200;
// A catalogue larger than this is not a catalogue this system should read into memory.
constexpr std::uintmax_t kMaxCatalogueBytes = 256u * 1024u * 1024u;

// The items of an array or the values of a dictionary, in order. An array read from a file is
// a linked list (fetching by index walks it from the start every time), so it is walked once
// with an iterator.
std::vector<plist_t> children(plist_t node)
{
    std::vector<plist_t> out;
    const plist_type type = plist_get_node_type(node);
    if (type == PLIST_ARRAY) {
        out.reserve(plist_array_get_size(node));
        plist_array_iter iter = nullptr;
        plist_array_new_iter(node, &iter);
        for (plist_t item = nullptr;;) {
            plist_array_next_item(node, iter, &item);
            if (!item)
                break;
            out.push_back(item);
        }
        std::free(iter);
    } else if (type == PLIST_DICT) {
        // Values only: libplist asserts on a key holding a NUL when asked for its text.
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (plist_t value = nullptr;;) {
            plist_dict_next_item(node, iter, nullptr, &value);
            if (!value)
                break;
            out.push_back(value);
        }
        std::free(iter);
    }
    return out;
}

// Whether XML 1.0 can carry the character at all, raw or as a character reference.
bool isXmlChar(char32_t cp)
{
    return cp == 0x9 || cp == 0xa || cp == 0xd || (cp >= 0x20 && cp <= 0xd7ff) || (cp >= 0xe000 && cp <= 0xfffd) ||
           (cp >= 0x10000 && cp <= 0x10ffff);
}

// Every string value under `node` without the characters XML cannot carry.
void dropNonXmlCharacters(plist_t node, unsigned depth)
{
    if (depth > 64)
        return;
    if (plist_get_node_type(node) == PLIST_STRING) {
        uint64_t length = 0;
        const char *value = plist_get_string_ptr(node, &length);
        if (!value)
            return;
        const std::string text(value, static_cast<std::size_t>(length));
        if (text.find('\0') != std::string::npos)
            return; // libplist cannot set it as a C string; the XML writer drops the NUL
        const std::string clean = withoutNonXmlCharacters(text);
        if (clean != text)
            plist_set_string_val(node, clean.c_str());
        return;
    }
    for (plist_t child : children(node))
        dropNonXmlCharacters(child, depth + 1);
}

// The XML text as a strict XML 1.0 reader takes it. The writer puts string values in raw, so
// characters XML cannot carry at all (most control characters, U+FFFE, U+FFFF) are dropped,
// bytes that are no UTF-8 become U+FFFD, and a carriage return is written as a reference
// (a raw one would read back as a line feed). *changed tells whether the text lost anything.
std::string strictXml(const std::string &xml, bool *changed)
{
    *changed = false;
    std::string out;
    out.reserve(xml.size());
    for (std::size_t i = 0; i < xml.size();) {
        const auto [cp, length] = decodeUtf8(xml, i);
        if (length == 0) {
            out += "\xef\xbf\xbd";
            *changed = true;
            ++i;
            continue;
        }
        if (cp == '\r')
            out += "&#13;";
        else if (isXmlChar(cp))
            out.append(xml, i, length);
        else
            *changed = true;
        i += length;
    }
    return out;
}
} // namespace

Catalogue::Catalogue() : m_root(plist_new_dict())
{
    plist_dict_set_item(m_root.get(), BookKey::Books, plist_new_array());
}

Catalogue Catalogue::load(const std::string &path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec || size == 0) {
        Catalogue c;
        c.m_state = State::Missing;
        c.m_error = uiArgs(ec ? uiText("Catalogue", "no catalogue at %1") : uiText("Catalogue", "the catalogue at %1 is empty"), {path});
        return c;
    }
    if (size > kMaxCatalogueBytes) {
        Catalogue c;
        c.m_root.reset();
        c.m_state = State::Unreadable;
        c.m_error = uiArgs(uiText("Catalogue", "the catalogue at %1 is too large"), {path});
        return c;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    if (!in && !in.eof()) {
        Catalogue c;
        c.m_root.reset();
        c.m_state = State::Unreadable;
        c.m_error = uiArgs(uiText("Catalogue", "cannot read %1"), {path});
        return c;
    }
    Catalogue c = fromData(ss.str());
    if (!c.isLoaded())
        c.m_error += " (" + path + ")";
    return c;
}

Catalogue Catalogue::fromData(const std::string &data)
{
    Catalogue c;
    c.m_root.reset();
    if (data.empty()) {
        c.m_state = State::Missing;
        c.m_error = uiText("Catalogue", "the catalogue is empty");
        return c;
    }
    plist_t root = nullptr;
    if (data.size() <= std::numeric_limits<uint32_t>::max())
        plist_from_memory(data.data(), static_cast<uint32_t>(data.size()), &root);
    c.m_root.reset(root);
    if (!root) {
        c.m_state = State::Unreadable;
        c.m_error = uiText("Catalogue", "the catalogue is not a readable property list");
        return c;
    }
    if (plist_get_node_type(root) != PLIST_DICT) {
        c.m_state = State::Unreadable;
        c.m_error = uiText("Catalogue", "the catalogue's root is not a dictionary");
        return c;
    }
    plist_t books = plist_dict_get_item(root, BookKey::Books);
    if (!books) {
        c.m_hadBooks = false;
    } else if (plist_get_node_type(books) != PLIST_ARRAY) {
        c.m_state = State::Unreadable;
        c.m_error = uiText("Catalogue", "the catalogue's \"Books\" value is not an array");
        return c;
    }
    c.m_state = State::Loaded;
    return c;
}

plist_t Catalogue::booksArray(bool create)
{
    if (!isLoaded())
        return nullptr;
    plist_t books = plist_dict_get_item(m_root.get(), BookKey::Books);
    if (!books && create) {
        books = plist_new_array();
        plist_dict_set_item(m_root.get(), BookKey::Books, books);
    }
    return books;
}

uint32_t Catalogue::bookCount() const
{
    if (!isLoaded())
        return 0;
    plist_t books = plist_dict_get_item(m_root.get(), BookKey::Books);
    return books ? plist_array_get_size(books) : 0;
}

plist_t Catalogue::bookAt(uint32_t index) const
{
    if (index >= bookCount())
        return nullptr;
    return plist_array_get_item(plist_dict_get_item(m_root.get(), BookKey::Books), index);
}

std::vector<plist_t> Catalogue::books() const
{
    plist_t books = isLoaded() ? plist_dict_get_item(m_root.get(), BookKey::Books) : nullptr;
    if (!books || plist_get_node_type(books) != PLIST_ARRAY)
        return {};
    return children(books);
}

std::vector<std::string> Catalogue::stringValues(const char *key) const
{
    std::vector<std::string> out;
    for (plist_t entry : books()) {
        if (auto value = entryString(entry, key))
            out.push_back(*value);
    }
    return out;
}

void Catalogue::appendBook(PlistPtr entry)
{
    plist_t books = booksArray(true);
    if (!books)
        return;
    dropNonXmlCharacters(entry.get(), 0);
    plist_array_append_item(books, entry.release());
}

int Catalogue::removeBooksWithPath(const std::string &path)
{
    plist_t books = booksArray(false);
    if (!books)
        return 0;
    int removed = 0;
    for (uint32_t i = plist_array_get_size(books); i-- > 0;) {
        if (entryString(plist_array_get_item(books, i), BookKey::Path) == path) {
            plist_array_remove_item(books, i);
            ++removed;
        }
    }
    return removed;
}

std::string Catalogue::toXml(bool *lostCharacters) const
{
    if (lostCharacters)
        *lostCharacters = false;
    if (!m_root)
        return {};
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(m_root.get(), &xml, &length);
    std::string out = xml ? std::string(xml, length) : std::string();
    if (xml)
        plist_to_xml_free(xml);
    bool changed = false;
    out = strictXml(out, &changed);
    if (lostCharacters)
        *lostCharacters = changed;
    return out;
}

namespace {
enum class Repeats { No, Yes, Unknown };

// Whether some dictionary holds a key twice. Keys are compared as the XML reader would
// merge them; a dictionary too large to compare key by key answers Unknown.
Repeats repeatsAKey(plist_t node, unsigned depth)
{
    if (depth > 512)
        return Repeats::Unknown;
    const std::vector<plist_t> values = children(node);
    if (plist_get_node_type(node) == PLIST_DICT) {
        if (values.size() > 2048)
            return Repeats::Unknown;
        std::vector<plist_t> keys;
        keys.reserve(values.size());
        for (plist_t value : values)
            keys.push_back(plist_dict_item_get_key(value));
        for (size_t i = 0; i < keys.size(); ++i) {
            for (size_t j = i + 1; j < keys.size(); ++j) {
                if (plist_compare_node_value(keys[i], keys[j]))
                    return Repeats::Yes;
            }
        }
    }
    Repeats result = Repeats::No;
    for (plist_t child : values) {
        const Repeats r = repeatsAKey(child, depth + 1);
        if (r == Repeats::Yes)
            return r;
        if (r == Repeats::Unknown)
            result = r;
    }
    return result;
}

// Whether two trees have the same shape: the same kinds of node, the same number of
// entries in every array and dictionary.
bool sameShape(plist_t a, plist_t b, unsigned depth)
{
    if (depth > 512 || plist_get_node_type(a) != plist_get_node_type(b))
        return false;
    const std::vector<plist_t> ca = children(a), cb = children(b);
    if (ca.size() != cb.size())
        return false;
    for (size_t i = 0; i < ca.size(); ++i) {
        if (!sameShape(ca[i], cb[i], depth + 1))
            return false;
    }
    return true;
}
} // namespace

std::string Catalogue::serialise(std::string *error) const
{
    auto fail = [&](const std::string &text) {
        if (error)
            *error = text;
        return std::string();
    };
    if (!isLoaded())
        return fail(uiText("Catalogue", "refusing to write a catalogue that was not read"));
    bool lostCharacters = false;
    std::string xml = toXml(&lostCharacters);
    if (xml.empty())
        return fail(uiText("Catalogue", "cannot serialise the catalogue"));
    // The XML must read back as the same tree. A dictionary holding a key twice does not:
    // the binary form keeps both and readers take the first, XML readers keep the last.
    const char *const repeated = QT_TRANSLATE_NOOP("Catalogue", "the catalogue holds a key twice in one dictionary; it is left as it is");
    const Repeats repeats = repeatsAKey(m_root.get(), 0);
    if (repeats == Repeats::Yes)
        return fail(uiText("Catalogue", repeated));
    // Characters dropped from keys may make two keys one: read back, the tree must keep its shape.
    if (repeats == Repeats::Unknown || lostCharacters) {
        // Too large to compare keys pairwise: read the XML back and compare the shapes.
        plist_t back = nullptr;
        if (xml.size() <= std::numeric_limits<uint32_t>::max())
            plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &back);
        const PlistPtr reread(back);
        if (!back || !sameShape(m_root.get(), back, 0))
            return fail(uiText("Catalogue", repeated));
    }
    return xml;
}

bool Catalogue::writable(std::string *error) const
{
    return !serialise(error).empty();
}

bool Catalogue::write(const std::string &path, std::string *error) const
{
    auto fail = [&](const std::string &text) {
        if (error)
            *error = text;
        return false;
    };
    const std::string xml = serialise(error);
    if (xml.empty())
        return false;
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    const std::string tmp = path + ".new";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(xml.data(), static_cast<std::streamsize>(xml.size()));
        out.flush();
        if (!out)
            return fail(uiArgs(uiText("Catalogue", "cannot write %1"), {tmp}));
    }
    fs::rename(tmp, path, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return fail(uiArgs(uiText("Catalogue", "cannot replace %1"), {path}));
    }
    return true;
}

std::optional<std::string> entryString(plist_t entry, const char *key)
{
    if (!entry || plist_get_node_type(entry) != PLIST_DICT)
        return std::nullopt;
    plist_t node = plist_dict_get_item(entry, key);
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    // The string is taken with its length: libplist aborts when asked to copy one that holds
    // a NUL, and such a value (a "Path" cut at the NUL would name another book) reads as none.
    uint64_t length = 0;
    const char *value = plist_get_string_ptr(node, &length);
    if (!value)
        return std::nullopt;
    std::string out(value, static_cast<std::size_t>(length));
    if (out.find('\0') != std::string::npos)
        return std::nullopt;
    return out;
}

std::optional<bool> entryBool(plist_t entry, const char *key)
{
    if (!entry || plist_get_node_type(entry) != PLIST_DICT)
        return std::nullopt;
    plist_t node = plist_dict_get_item(entry, key);
    if (!node || plist_get_node_type(node) != PLIST_BOOLEAN)
        return std::nullopt;
    uint8_t value = 0;
    plist_get_bool_val(node, &value);
    return value != 0;
}

void entrySetString(plist_t entry, const char *key, const std::string &value)
{
    plist_dict_set_item(entry, key, plist_new_string(value.c_str()));
}

void entrySetBool(plist_t entry, const char *key, bool value)
{
    plist_dict_set_item(entry, key, plist_new_bool(value ? 1 : 0));
}

void entrySetDate(plist_t entry, const char *key, int64_t unixSeconds)
{
    plist_dict_set_item(entry, key, plist_new_date(static_cast<int32_t>(unixSeconds - kPlistEpochOffset), 0));
}

std::string withoutNonXmlCharacters(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto [cp, length] = decodeUtf8(text, i);
        if (length == 0) {
            out += text[i++];
            continue;
        }
        if (isXmlChar(cp))
            out.append(text, i, length);
        i += length;
    }
    return out;
}
