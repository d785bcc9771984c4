// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/bookfields.h"

#include "library/bookkeys.h"
#include "library/catalogue.h"

#include <cstdint>
#include <cstring>
#include <limits>

BookFieldList readCatalogueBooks(std::string_view bytes)
{
    if (auto fast = readBinaryCatalogueBooks(bytes))
        return std::move(*fast);
    return readCatalogueBooksWithTree(bytes);
}

BookFieldList readCatalogueBooksWithTree(std::string_view bytes)
{
    BookFieldList out;
    const Catalogue catalogue = Catalogue::fromData(std::string(bytes));
    for (plist_t entry : catalogue.books()) {
        BookFields f;
        f.name = entryString(entry, BookKey::Name).value_or(std::string());
        f.artist = entryString(entry, BookKey::Artist).value_or(std::string());
        f.album = entryString(entry, BookKey::Album).value_or(std::string());
        f.genre = entryString(entry, BookKey::Genre).value_or(std::string());
        f.path = entryString(entry, BookKey::Path).value_or(std::string());
        f.userItem = entryBool(entry, BookKey::UserItem).value_or(false);
        out.push_back(std::move(f));
    }
    return out;
}

namespace {
// The binary form: "bplist00", the objects, a table of their offsets, and a 32-byte trailer
// giving the table's entry size, the reference size, the object count, the root object and
// where the table starts. Every object starts with a marker: type in the high four bits,
// size (or 15, then an integer object holding the size) in the low four.
//
// The reader accepts a subset of what libplist accepts, checked by the same rules (every
// object reachable from the root well formed and inside the object area, no object its own
// ancestor, dictionary keys strings), so that whenever it answers, libplist would have read
// the file and its tree would give the same fields. Anything unusual (unusual sizes, sets,
// UIDs, surrogates in a value it returns, ...) is left to libplist.
class BinaryReader
{
public:
    explicit BinaryReader(std::string_view bytes) : m_data(reinterpret_cast<const uint8_t *>(bytes.data())), m_size(bytes.size()) {}

    std::optional<BookFieldList> read()
    {
        if (!readTrailer() || !check(m_root, 0))
            return std::nullopt;
        Object root;
        if (!object(m_root, &root) || root.type != kDict)
            return std::nullopt;
        uint64_t books = 0;
        bool found = false;
        for (uint64_t i = 0; i < root.count && !found; ++i) {
            Text key;
            if (!text(ref(root.body, i), &key))
                return std::nullopt;
            if (key.view == BookKey::Books) {
                books = ref(root.body, root.count + i);
                found = true;
            }
        }
        Object array;
        if (!found || !object(books, &array) || array.type != kArray)
            return std::nullopt;
        BookFieldList out;
        out.reserve(static_cast<size_t>(array.count));
        for (uint64_t i = 0; i < array.count; ++i) {
            out.emplace_back();
            if (!entry(ref(array.body, i), &out.back()))
                return std::nullopt;
        }
        return out;
    }

private:
    enum : uint8_t { kSimple = 0x0, kInt = 0x1, kReal = 0x2, kDate = 0x3, kData = 0x4, kAscii = 0x5, kUtf16 = 0x6,
                     kArray = 0xA, kDict = 0xD };
    struct Object
    {
        uint8_t type = 0;
        uint8_t info = 0;
        uint64_t count = 0; // elements, bytes or UTF-16 units
        uint64_t body = 0;  // offset of what follows the marker and its size
    };
    // A string as a C string: libplist compares keys, and cuts single-byte strings, at the
    // first NUL.
    struct Text
    {
        std::string_view view;
        std::string decoded; // for UTF-16
        bool hasNul = false;
    };

    uint64_t be(uint64_t at, unsigned width) const
    {
        uint64_t v = 0;
        for (unsigned i = 0; i < width; ++i)
            v = (v << 8) | m_data[at + i];
        return v;
    }
    // Offsets and references are big-endian numbers of 1 to 8 bytes (writers use 3 too).
    static bool plainWidth(unsigned w) { return w >= 1 && w <= 8; }

    bool readTrailer()
    {
        constexpr uint64_t kTrailer = 32;
        if (m_size < 8 + kTrailer || m_size > std::numeric_limits<uint32_t>::max() ||
            std::memcmp(m_data, "bplist00", 8) != 0)
            return false;
        const uint64_t t = m_size - kTrailer;
        m_offsetSize = m_data[t + 6];
        m_refSize = m_data[t + 7];
        m_count = be(t + 8, 8);
        m_root = be(t + 16, 8);
        m_table = be(t + 24, 8);
        if (!plainWidth(m_offsetSize) || !plainWidth(m_refSize) || m_count == 0 || m_root >= m_count)
            return false;
        if (m_table < 8 || m_table >= t || m_count > (t - m_table) / m_offsetSize)
            return false;
        m_state.assign(static_cast<size_t>(m_count), 0);
        return true;
    }

    uint64_t ref(uint64_t at, uint64_t index) const { return be(at + index * m_refSize, m_refSize); }

    // The object's marker and size; false for one outside the object area or of a kind left
    // to libplist.
    bool object(uint64_t index, Object *o) const
    {
        if (index >= m_count)
            return false;
        uint64_t at = be(m_table + index * m_offsetSize, m_offsetSize);
        if (at < 8 || at >= m_table)
            return false;
        const uint8_t marker = m_data[at++];
        o->type = marker >> 4;
        o->info = marker & 0x0f;
        o->count = o->info;
        if (o->info == 0x0f && (o->type == kData || o->type == kAscii || o->type == kUtf16 || o->type == kArray ||
                                o->type == kDict)) {
            if (at >= m_table || m_data[at] < 0x10 || m_data[at] > 0x13)
                return false;
            const unsigned width = 1u << (m_data[at++] & 0x0f);
            if (width > m_table - at)
                return false;
            o->count = be(at, width);
            at += width;
        }
        o->body = at;
        const uint64_t room = m_table - at;
        switch (o->type) {
        case kSimple:
            return marker == 0x08 || marker == 0x09;
        case kInt:
            return o->info <= 4 && (uint64_t(1) << o->info) <= room;
        case kReal:
            return (o->info == 2 || o->info == 3) && (uint64_t(1) << o->info) <= room;
        case kDate:
            return o->info == 3 && 8 <= room;
        case kData:
        case kAscii:
            return o->count <= room;
        case kUtf16:
            return o->count >= 1 && o->count <= room / 2;
        case kArray:
            return o->count <= room / m_refSize;
        case kDict:
            return o->count <= room / m_refSize / 2;
        default:
            return false;
        }
    }

    // The object and all it holds are well formed, without loops; `depth` bounds the walk.
    bool check(uint64_t index, unsigned depth)
    {
        if (index >= m_count || depth > 64)
            return false;
        if (m_state[index] == 2)
            return true;
        if (m_state[index] == 1)
            return false; // an object inside itself
        Object o;
        if (!object(index, &o))
            return false;
        if (o.type == kArray || o.type == kDict) {
            m_state[index] = 1;
            const uint64_t refs = o.type == kDict ? 2 * o.count : o.count;
            for (uint64_t i = 0; i < refs; ++i) {
                const uint64_t child = ref(o.body, i);
                if (!check(child, depth + 1))
                    return false;
                Object key;
                if (o.type == kDict && i < o.count && (!object(child, &key) || (key.type != kAscii && key.type != kUtf16)))
                    return false;
            }
        }
        m_state[index] = 2;
        return true;
    }

    // A string object as libplist holds it; false when it is no string, or a UTF-16 string
    // with surrogates (libplist's way with broken pairs is left to it).
    bool text(uint64_t index, Text *t) const
    {
        Object o;
        if (!object(index, &o))
            return false;
        const char *p = reinterpret_cast<const char *>(m_data + o.body);
        if (o.type == kAscii) {
            const size_t n = static_cast<size_t>(o.count);
            const void *nul = std::memchr(p, 0, n);
            t->view = std::string_view(p, nul ? static_cast<size_t>(static_cast<const char *>(nul) - p) : n);
            return true;
        }
        if (o.type != kUtf16)
            return false;
        t->decoded.clear();
        t->decoded.reserve(static_cast<size_t>(o.count));
        for (uint64_t i = 0; i < o.count; ++i) {
            const unsigned c = static_cast<unsigned>(be(o.body + 2 * i, 2));
            if (c >= 0xd800 && c <= 0xdfff)
                return false;
            if (c == 0)
                t->hasNul = true;
            if (c < 0x80) {
                t->decoded += static_cast<char>(c);
            } else if (c < 0x800) {
                t->decoded += static_cast<char>(0xc0 | (c >> 6));
                t->decoded += static_cast<char>(0x80 | (c & 0x3f));
            } else {
                t->decoded += static_cast<char>(0xe0 | (c >> 12));
                t->decoded += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
                t->decoded += static_cast<char>(0x80 | (c & 0x3f));
            }
        }
        const size_t nul = t->decoded.find('\0');
        t->view = std::string_view(t->decoded).substr(0, nul);
        return true;
    }

    // One entry's fields, the first of each key as libplist's lookup finds it. Only a
    // dictionary is taken; libplist keeps the rest.
    bool entry(uint64_t index, BookFields *f) const
    {
        Object o;
        if (!object(index, &o) || o.type != kDict)
            return false;
        std::string *strings[] = {&f->name, &f->artist, &f->album, &f->genre, &f->path};
        const char *const names[] = {BookKey::Name, BookKey::Artist, BookKey::Album, BookKey::Genre, BookKey::Path};
        bool seen[6] = {};
        Text key;
        for (uint64_t i = 0; i < o.count; ++i) {
            if (!text(ref(o.body, i), &key))
                return false;
            int which = -1;
            for (int k = 0; k < 5 && which < 0; ++k) {
                if (key.view == names[k])
                    which = k;
            }
            if (which < 0 && key.view == BookKey::UserItem)
                which = 5;
            if (which < 0 || seen[which])
                continue;
            seen[which] = true;
            const uint64_t value = ref(o.body, o.count + i);
            Object v;
            if (!object(value, &v))
                return false;
            if (which == 5) {
                f->userItem = v.type == kSimple && v.info == 0x09;
            } else if (v.type == kAscii || v.type == kUtf16) {
                Text t;
                if (!text(value, &t))
                    return false;
                // A value holding a NUL reads as none (see entryString).
                if (!t.hasNul)
                    strings[which]->assign(t.view);
            }
        }
        return true;
    }

    const uint8_t *m_data;
    uint64_t m_size;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    uint64_t m_count = 0;
    uint64_t m_root = 0;
    uint64_t m_table = 0;
    std::vector<uint8_t> m_state; // 0 not seen, 1 being checked, 2 checked
};
} // namespace

std::optional<BookFieldList> readBinaryCatalogueBooks(std::string_view bytes)
{
    return BinaryReader(bytes).read();
}
