// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/packagedocument.h"

#include "library/bookkeys.h"
#include "library/catalogue.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kValueLimit = 1023;
// How deep the package document's elements are followed. A real one nests a handful; the
// reader keeps a frame per open element, so a document may not make it keep thousands.
constexpr int kDepthLimit = 256;
const char *const kDublinCore = "http://purl.org/dc/elements/1.1/";
const char *const kOpf = "http://www.idpf.org/2007/opf";

bool startsWith(std::string_view text, std::size_t at, std::string_view prefix)
{
    return text.substr(at, prefix.size()) == prefix;
}

// Whether `text` at `at` (just past a "&") holds a reference an XML reader takes: "#123;",
// "#x1F;" or a name and ";".
bool isReference(std::string_view text, std::size_t at)
{
    std::size_t i = at;
    if (i < text.size() && text[i] == '#') {
        ++i;
        const bool hex = i < text.size() && text[i] == 'x';
        i += hex ? 1 : 0;
        const std::size_t digits = i;
        while (i < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[i]))
                                       : std::isdigit(static_cast<unsigned char>(text[i]))))
            ++i;
        return i > digits && i < text.size() && text[i] == ';';
    }
    while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_' ||
                               text[i] == '.' || text[i] == '-' || text[i] == ':'))
        ++i;
    return i > at && !std::isdigit(static_cast<unsigned char>(text[at])) && i < text.size() && text[i] == ';';
}

// The length of the UTF-8 sequence at `at`, 0 when there is none.
std::size_t utf8Length(std::string_view text, std::size_t at)
{
    const auto c = static_cast<unsigned char>(text[at]);
    const std::size_t length = c < 0x80                        ? 1
                               : (c >> 5) == 0x6 && c >= 0xc2  ? 2
                               : (c >> 4) == 0xe               ? 3
                               : (c >> 3) == 0x1e && c <= 0xf4 ? 4
                                                               : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[at + k]) >> 6) != 0x2)
            return 0;
    }
    return length;
}

// Whether the bytes are UTF-16 or UTF-32, by their byte order mark or first character.
bool isWide(std::string_view bytes)
{
    return bytes.size() >= 2 &&
           (bytes[0] == '\0' || bytes[1] == '\0' || (bytes[0] == '\xfe' && bytes[1] == '\xff') ||
            (bytes[0] == '\xff' && bytes[1] == '\xfe'));
}

// Whether the XML declaration names an encoding other than UTF-8 (or ASCII).
bool declaresOtherEncoding(std::string_view bytes)
{
    if (!startsWith(bytes, bytes.size() >= 3 && bytes.substr(0, 3) == "\xef\xbb\xbf" ? 3 : 0, "<?xml"))
        return false;
    const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
    const std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return false;
    const std::size_t open = declaration.find_first_of("\"'", at);
    if (open == std::string_view::npos)
        return false;
    const std::size_t close = declaration.find(declaration[open], open + 1);
    std::string name(declaration.substr(open + 1, close == std::string_view::npos ? 0 : close - open - 1));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name != "utf-8" && name != "utf8" && name != "us-ascii" && name != "ascii";
}

// The bytes as an XML reader takes them. In UTF-8 (and its ASCII-compatible kin), control
// characters XML does not allow are left out, and a bare "&" outside comments and CDATA
// sections becomes "&amp;"; in UTF-8 every byte that starts no character becomes U+FFFD, which
// marks its value as unreadable. UTF-16 and UTF-32 are left to the reader.
QByteArray xmlReady(std::string_view bytes)
{
    if (isWide(bytes))
        return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const bool utf8 = !declaresOtherEncoding(bytes);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t verbatimEnd = 0; // the end of the comment or CDATA section `i` is in
    for (std::size_t i = 0; i < bytes.size();) {
        for (const auto &[open, close] : {std::pair{"<!--", "-->"}, std::pair{"<![CDATA[", "]]>"}}) {
            if (i >= verbatimEnd && startsWith(bytes, i, open)) {
                const std::size_t end = bytes.find(close, i);
                verbatimEnd =
                    end == std::string_view::npos ? bytes.size() : end + std::string_view(close).size();
            }
        }
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            ++i;
        } else if (c == '&' && i >= verbatimEnd) {
            out.append(isReference(bytes, i + 1) ? "&" : "&amp;");
            ++i;
        } else if (c < 0x80 || !utf8) {
            out.append(static_cast<char>(c));
            ++i;
        } else if (const std::size_t length = utf8Length(bytes, i); length > 0) {
            out.append(bytes.data() + i, static_cast<qsizetype>(length));
            i += length;
        } else {
            out.append("\xef\xbf\xbd");
            ++i;
        }
    }
    return out;
}

// A line break, with the indentation around it, becomes one space, and the text is trimmed: a
// value wrapped over several lines reads as one line. White space within a line (a tab in a
// title, say) is the author's and stays.
std::string collapsed(const QString &text)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    QString out;
    out.reserve(end - begin);
    for (qsizetype i = begin; i < end;) {
        if (!blank(text[i])) {
            out += text[i++];
            continue;
        }
        qsizetype j = i;
        bool lineBreak = false;
        for (; j < end && blank(text[j]); ++j)
            lineBreak = lineBreak || text[j] == u'\n' || text[j] == u'\r';
        if (lineBreak)
            out += u' ';
        else
            out += text.mid(i, j - i);
        i = j;
    }
    return out.toStdString();
}

// Namespace prefixes in force, innermost last. The reader's own namespace processing would stop
// at the first undeclared prefix; books that use "dc:" without declaring it are read all the same.
class Namespaces
{
public:
    void enter(const QXmlStreamAttributes &attributes)
    {
        std::vector<std::pair<QString, QString>> scope;
        for (const QXmlStreamAttribute &a : attributes) {
            const QString name = a.qualifiedName().toString();
            if (name == u"xmlns")
                scope.emplace_back(QString(), a.value().toString());
            else if (name.startsWith(u"xmlns:"))
                scope.emplace_back(name.mid(6), a.value().toString());
        }
        m_scopes.push_back(std::move(scope));
    }
    void leave()
    {
        if (!m_scopes.empty())
            m_scopes.pop_back();
    }
    QString uri(const QString &prefix) const
    {
        for (auto scope = m_scopes.rbegin(); scope != m_scopes.rend(); ++scope) {
            for (const auto &[p, u] : *scope) {
                if (p == prefix)
                    return u;
            }
        }
        if (prefix == u"dc")
            return QString::fromLatin1(kDublinCore);
        if (prefix == u"opf")
            return QString::fromLatin1(kOpf);
        return {};
    }

private:
    std::vector<std::vector<std::pair<QString, QString>>> m_scopes;
};

// The value of the attribute `local` without a prefix, else with one naming `uri`.
QString attribute(const QXmlStreamReader &reader, const Namespaces &ns, QStringView local,
                  const char *uri = kOpf)
{
    QString prefixed;
    for (const QXmlStreamAttribute &a : reader.attributes()) {
        const QStringView name = a.qualifiedName();
        const qsizetype colon = name.indexOf(u':');
        if (colon < 0 && name == local)
            return a.value().toString();
        if (colon >= 0 && name.mid(colon + 1) == local && prefixed.isNull() &&
            ns.uri(name.left(colon).toString()) == QLatin1String(uri))
            prefixed = a.value().toString();
    }
    return prefixed;
}

bool hasToken(const QString &list, QStringView token)
{
    const QStringList words = list.split(u' ', Qt::SkipEmptyParts);
    return std::any_of(words.begin(), words.end(), [&](const QString &w) { return w.trimmed() == token; });
}

// `value` cut to at most `limit` bytes, at the end of a character.
std::string limited(std::string value)
{
    if (value.size() <= kValueLimit)
        return value;
    std::size_t cut = kValueLimit;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) >> 6) == 0x2)
        --cut;
    value.resize(cut);
    return value;
}

bool isPage(const std::string &path)
{
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".xhtml" || ext == ".html" || ext == ".htm" || ext == ".xml";
}

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Pages are read leniently, tag by tag: a cover page in plain HTML is no XML document. The
// value of `name` in the attribute text of one tag.
std::string attributeOf(const std::string &tag, const std::string &name)
{
    size_t i = 0;
    while (i < tag.size()) {
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])))
            ++i;
        size_t start = i;
        while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i])) && tag[i] != '=')
            ++i;
        const std::string key = tag.substr(start, i - start);
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])))
            ++i;
        std::string value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])))
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char quote = tag[i];
                const size_t close = tag.find(quote, i + 1);
                if (close == std::string::npos)
                    return {};
                value = tag.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                start = i;
                while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i])))
                    ++i;
                value = tag.substr(start, i - start);
            }
        }
        if (key == name)
            return value;
        if (key.empty())
            ++i;
    }
    return {};
}

std::string trimmed(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The text of the element the reader has just started, its children's text included, read
// element by element (no call per level). `depth` counts the open elements, this one included;
// null when the document ends or breaks before the element does, or nests deeper than
// kDepthLimit (the reader is then left in error).
std::optional<QString> elementText(QXmlStreamReader &reader, int depth)
{
    QString text;
    for (int open = 1; open > 0;) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (depth + open >= kDepthLimit) {
                reader.raiseError(QStringLiteral("the document nests too deep"));
                return std::nullopt;
            }
            ++open;
            break;
        case QXmlStreamReader::EndElement:
            --open;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            text += reader.text();
            break;
        case QXmlStreamReader::Invalid:
        case QXmlStreamReader::EndDocument:
            return std::nullopt;
        default:
            break;
        }
    }
    return text;
}

} // namespace

std::string packagePathFromContainer(std::string_view container)
{
    QXmlStreamReader reader(xmlReady(container));
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        depth += token == QXmlStreamReader::StartElement ? 1 : token == QXmlStreamReader::EndElement ? -1 : 0;
        if (depth > kDepthLimit)
            break; // as in the package document: no rootfile lies that deep
        if (token != QXmlStreamReader::StartElement || reader.name() != u"rootfile")
            continue;
        for (const QXmlStreamAttribute &a : reader.attributes()) {
            if (a.name() == u"full-path")
                return limited(a.value().toString().toStdString());
        }
    }
    return {};
}

PackageDocument readPackageDocument(std::string_view bytes)
{
    struct Creator
    {
        std::string text, id;
        QString role;
    };
    std::vector<std::pair<std::string, std::string>> titles; // text, id
    std::vector<Creator> creators;
    std::map<std::string, QString> refinedRole, refinedTitleType;
    std::map<std::string, std::string> itemHrefById;
    std::vector<std::string> itemHrefs;
    std::string idCover, coverImage, metaCover, guideCover;
    PackageDocument document;

    QXmlStreamReader reader(xmlReady(bytes));
    reader.setNamespaceProcessing(false);
    Namespaces ns;
    int depth = 0; // the elements open, the one just started included
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            ns.leave();
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        // A document nested deeper than any book's is read as far as that point, like one that
        // breaks off there: what came before it is kept.
        if (++depth > kDepthLimit)
            break;
        ns.enter(reader.attributes());
        const QString local = reader.name().toString();
        const std::string id = reader.attributes().value(QLatin1StringView("id")).toString().toStdString();
        if (ns.uri(reader.prefix().toString()) == QLatin1String(kDublinCore)) {
            const QString role = attribute(reader, ns, u"role");
            const std::optional<QString> read = elementText(reader, depth);
            ns.leave(); // elementText consumed the end tag
            --depth;
            if (!read)
                break; // an element that never ends, or nests too deep, gives no value
            const std::string text = collapsed(*read);
            if (text.find("\xef\xbf\xbd") != std::string::npos && local != u"creator" && local != u"title")
                continue; // a value that could not be decoded is passed over
            if (local == u"title")
                titles.emplace_back(text, id);
            else if (local == u"creator")
                creators.push_back({text, id, role.trimmed()});
            else if (local == u"subject")
                document.subject = text;
            else if (local == u"identifier")
                document.identifier = text;
        } else if (local == u"meta") {
            const QXmlStreamAttributes a = reader.attributes();
            if (a.value(QLatin1StringView("name")) == u"cover" && metaCover.empty())
                metaCover = a.value(QLatin1StringView("content")).toString().trimmed().toStdString();
            const QString property = a.value(QLatin1StringView("property")).toString().trimmed();
            std::string refines = a.value(QLatin1StringView("refines")).toString().trimmed().toStdString();
            if (!refines.empty() && refines[0] == '#' && (property == u"role" || property == u"title-type")) {
                const std::optional<QString> text = elementText(reader, depth);
                ns.leave();
                --depth;
                if (!text)
                    break;
                auto &refined = property == u"role" ? refinedRole : refinedTitleType;
                refined.emplace(refines.substr(1), text->trimmed());
            }
        } else if (local == u"item") {
            const std::string href =
                reader.attributes().value(QLatin1StringView("href")).toString().toStdString();
            if (href.empty())
                continue;
            itemHrefs.push_back(href);
            itemHrefById.emplace(id, href);
            if (id == "cover" && idCover.empty())
                idCover = href;
            if (coverImage.empty() &&
                hasToken(reader.attributes().value(QLatin1StringView("properties")).toString(),
                         u"cover-image"))
                coverImage = href;
        } else if (local == u"reference" && guideCover.empty() &&
                   reader.attributes()
                           .value(QLatin1StringView("type"))
                           .toString()
                           .trimmed()
                           .compare(u"cover", Qt::CaseInsensitive) == 0) {
            guideCover = reader.attributes().value(QLatin1StringView("href")).toString().toStdString();
        }
    }

    auto usable = [](const std::string &text) { return text.find("\xef\xbf\xbd") == std::string::npos; };
    const auto main = std::find_if(titles.begin(), titles.end(), [&](const auto &t) {
        const auto it = refinedTitleType.find(t.second);
        return !t.second.empty() && it != refinedTitleType.end() && it->second == u"main";
    });
    const auto title = main != titles.end() ? main : titles.begin();
    if (title != titles.end() && usable(title->first))
        document.title = title->first;

    auto roleOf = [&](const Creator &c) {
        const auto it = c.id.empty() ? refinedRole.end() : refinedRole.find(c.id);
        return it != refinedRole.end() ? it->second : c.role;
    };
    auto author = std::find_if(creators.begin(), creators.end(), [&](const Creator &c) {
        return !c.text.empty() && roleOf(c).compare(u"aut", Qt::CaseInsensitive) == 0;
    });
    if (author == creators.end())
        author =
            std::find_if(creators.begin(), creators.end(), [](const Creator &c) { return !c.text.empty(); });
    if (author == creators.end())
        author = creators.begin();
    if (author != creators.end() && usable(author->text))
        document.author = author->text;

    std::string metaItem;
    if (!metaCover.empty()) {
        if (const auto it = itemHrefById.find(metaCover); it != itemHrefById.end())
            metaItem = it->second;
        else if (std::find(itemHrefs.begin(), itemHrefs.end(), metaCover) != itemHrefs.end())
            metaItem = metaCover; // names the file rather than its item
    }
    for (const std::string *href : {&idCover, &coverImage, &metaItem, &guideCover}) {
        if (!href->empty() && std::find(document.coverHrefs.begin(), document.coverHrefs.end(), *href) ==
                                  document.coverHrefs.end())
            document.coverHrefs.push_back(*href);
    }
    return document;
}

StringDictionary packageCatalogueValues(const PackageDocument &document,
                                        const std::optional<std::string> &coverPath)
{
    StringDictionary values;
    auto set = [&](std::initializer_list<const char *> keys, const std::optional<std::string> &value) {
        if (!value)
            return;
        const std::string clean = limited(withoutNonXmlCharacters(*value));
        for (const char *key : keys)
            values[key] = clean;
    };
    set({BookKey::Name, BookKey::Album}, document.title);
    set({BookKey::Artist, BookKey::SortArtist}, document.author);
    set({BookKey::Genre}, document.subject);
    set({BookKey::PublisherUniqueID}, document.identifier);
    if (coverPath)
        set({BookKey::CoverPath}, coverPath);
    else if (!document.coverHrefs.empty())
        set({BookKey::CoverPath}, document.coverHrefs.front());
    return values;
}

std::string referencesDecoded(std::string_view text)
{
    static const std::pair<std::string_view, char> kPredefined[] = {
        {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '&' || !isReference(text, i + 1)) {
            out += text[i++];
            continue;
        }
        const std::size_t end = text.find(';', i);
        const std::string_view name = text.substr(i + 1, end - i); // with its ';'
        bool decoded = false;
        for (const auto &[entity, c] : kPredefined) {
            if (name == entity) {
                out += c;
                decoded = true;
            }
        }
        if (!decoded && name.front() == '#') {
            const bool hex = name.size() > 1 && name[1] == 'x';
            const std::string digits(name.substr(hex ? 2 : 1, name.size() - (hex ? 3 : 2)));
            const unsigned long code = digits.size() <= 8 ? std::stoul(digits, nullptr, hex ? 16 : 10) : 0;
            const bool allowed = code == 0x9 || code == 0xa || code == 0xd || (code >= 0x20 && code <= 0x10ffff &&
                                 !(code >= 0xd800 && code <= 0xdfff) && code != 0xfffe && code != 0xffff);
            if (allowed) {
                const char32_t c = static_cast<char32_t>(code);
                out += QString::fromUcs4(&c, 1).toStdString();
                decoded = true;
            }
        }
        if (!decoded)
            out.append(text.substr(i, end + 1 - i));
        i = end + 1;
    }
    return out;
}

std::string bookPathOf(const std::string &from, const std::string &href)
{
    const std::string path = href.substr(0, href.find_first_of("#?"));
    std::string decoded;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && hexValue(path[i + 1]) >= 0 &&
            hexValue(path[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(path[i + 1]) * 16 + hexValue(path[i + 2]));
            i += 2;
        } else {
            decoded += path[i];
        }
    }
    if (decoded.empty() || decoded[0] == '/' || decoded.find('\0') != std::string::npos)
        return {};
    const std::string text = (fs::path(folderOf(from)) / decoded).lexically_normal().generic_string();
    if (text.empty() || text == "." || text == ".." || text.rfind("../", 0) == 0 || text.back() == '/')
        return {};
    return text;
}

std::string firstImageHref(std::string_view page)
{
    size_t i = 0;
    while ((i = page.find('<', i)) != std::string::npos) {
        if (page.compare(i, 4, "<!--") == 0) {
            const size_t close = page.find("-->", i + 4);
            if (close == std::string::npos)
                return {};
            i = close + 3;
            continue;
        }
        const size_t close = page.find('>', i + 1);
        if (close == std::string::npos)
            return {};
        const std::string tag(page.substr(i + 1, close - i - 1));
        i = close + 1;
        size_t nameEnd = 0;
        while (nameEnd < tag.size() && !std::isspace(static_cast<unsigned char>(tag[nameEnd])) &&
               tag[nameEnd] != '/')
            ++nameEnd;
        std::string name = tag.substr(0, nameEnd);
        if (const size_t colon = name.rfind(':'); colon != std::string::npos)
            name = name.substr(colon + 1);
        const std::string attributes = tag.substr(nameEnd);
        if (name == "img" || name == "IMG") {
            const std::string src = trimmed(attributeOf(attributes, "src"));
            if (!src.empty())
                return src;
        } else if (name == "image") {
            std::string href = trimmed(attributeOf(attributes, "xlink:href"));
            if (href.empty())
                href = trimmed(attributeOf(attributes, "href"));
            if (!href.empty())
                return href;
        }
    }
    return {};
}

BookCover findBookCover(const std::string &packagePath, const PackageDocument &document,
                        const BookFiles &files, const std::string &knownHref)
{
    std::vector<std::string> hrefs;
    if (!knownHref.empty())
        hrefs.push_back(knownHref);
    hrefs.insert(hrefs.end(), document.coverHrefs.begin(), document.coverHrefs.end());
    std::string page;
    for (const std::string &href : hrefs) {
        for (const std::string &from : {packagePath, std::string()}) {
            const std::string file = bookPathOf(from, href);
            if (file.empty() || !files.has(file))
                continue;
            if (!isPage(file))
                return {href, file};
            if (page.empty())
                page = file;
            break;
        }
    }
    if (page.empty())
        return {};
    const std::optional<std::string> text = files.read(page);
    const std::string file = text ? bookPathOf(page, firstImageHref(*text)) : std::string();
    if (file.empty() || !files.has(file))
        return {};
    const std::string fromPackage = fs::path(file).lexically_relative(folderOf(packagePath)).generic_string();
    return {fromPackage.empty() ? file : fromPackage, file};
}
