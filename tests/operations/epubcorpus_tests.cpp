// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Books as real producers write them, made in the run by the tools Debian ships (pandoc for
// EPUB 3 and EPUB 2, ebooklib, Sphinx, DocBook XSL for EPUB 3 and EPUB 2) and by npm's
// epub-gen-memory, and imported onto a folder device. Each producer is asked for one book with
// what trips a naive reader (an ampersand and an apostrophe, a subtitle, a translator listed
// after the author, a cover) and one plain book; the catalogue must show what it was asked to
// write. A producer that is not installed is skipped and named.
#include "devicefixture.h"
#include "library/bookkeys.h"
#include "operations/epubarchive.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// A 1x1 picture; each book's cover differs in its last byte so a hash names one book's cover.
std::string picture(char mark)
{
    static const unsigned char png[] = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
        0x00, 0x90, 0x77, 0x53, 0xde, 0x00, 0x00, 0x00, 0x0c, 0x49, 0x44, 0x41, 0x54, 0x78,
        0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0xc9, 0xfe, 0x92,
        0xef, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    return std::string(reinterpret_cast<const char *>(png), sizeof png) + mark;
}

bool write(const fs::path &file, const std::string &text)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

// Runs a producer without a shell; false (with what it printed) when it is missing or fails.
bool run(const std::string &program, const QStringList &arguments, const fs::path &folder,
         std::string *output)
{
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(folder.string()));
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NODE_PATH"), QStringLiteral(BOOKFERRY_NPM_PRODUCERS "/node_modules"));
    process.setProcessEnvironment(environment);
    process.start(QString::fromStdString(program), arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(5000);
        *output = "did not finish: " + process.errorString().toStdString();
        return false;
    }
    *output = process.readAll().toStdString();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool installed(const char *program)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty();
}

std::string upperMd5(const std::string &bytes)
{
    const fs::path file = fs::temp_directory_path() / ("bookferry-corpus-md5-" + std::to_string(::getpid()));
    write(file, bytes);
    std::string hash = md5HexOfFile(file.string());
    fs::remove(file);
    for (char &c : hash)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return hash;
}

// One book and what it was made to say.
struct Book
{
    std::string producer, file, title, author, cover; // cover: the picture's bytes, empty for none
};

// What each producer is asked for: the tricky book and the plain one.
struct Ask
{
    std::string title, subtitle, author, other, otherRole, cover;
};
const Ask kTricky{
    "Fish & Chips: A History", "Batter and Brine", "Flann O'Brien", "Tina Translator", "trl", {}};
const Ask kPlain{"Plain Book", {}, "Pat Plain", {}, {}, {}};

std::string yamlQuoted(const std::string &text)
{
    return "\"" + text + "\"";
}

bool pandocBook(const fs::path &dir, const Ask &ask, const char *format, const fs::path &file,
                std::string *log)
{
    std::string md = "---\ntitle:\n- type: main\n  text: " + yamlQuoted(ask.title) + "\n";
    if (!ask.subtitle.empty())
        md += "- type: subtitle\n  text: " + yamlQuoted(ask.subtitle) + "\n";
    md += "creator:\n- role: author\n  text: " + yamlQuoted(ask.author) + "\n";
    if (!ask.other.empty())
        md += "- role: " + ask.otherRole + "\n  text: " + yamlQuoted(ask.other) + "\n";
    if (!ask.cover.empty()) {
        write(dir / "cover.png", ask.cover);
        md += "cover-image: cover.png\n";
    }
    md += "lang: en\n---\n# One\n\nText.\n";
    write(dir / "book.md", md);
    return run("pandoc",
               {QStringLiteral("-f"), QStringLiteral("markdown-smart"), QStringLiteral("-t"),
                QString::fromLatin1(format), QStringLiteral("book.md"), QStringLiteral("-o"),
                QString::fromStdString(file.string())},
               dir, log);
}

bool ebooklibBook(const fs::path &dir, const Ask &ask, const fs::path &file, std::string *log)
{
    write(dir / "cover.png", ask.cover);
    const std::string script =
        "import sys\nfrom ebooklib import epub\n"
        "title, author, other, role, cover, out = sys.argv[1:7]\n"
        "b = epub.EpubBook()\nb.set_identifier('corpus-' + title)\nb.set_title(title)\nb.set_language('en')\n"
        "b.add_author(author, role='aut', uid='author')\n"
        "if other: b.add_author(other, role=role, uid='other')\n"
        "if cover: b.set_cover('images/cover.png', open('cover.png', 'rb').read())\n"
        "c = epub.EpubHtml(title='One', file_name='one.xhtml', lang='en')\nc.content = "
        "'<h1>One</h1><p>Text.</p>'\n"
        "b.add_item(c)\nb.toc = [c]\nb.add_item(epub.EpubNcx())\nb.add_item(epub.EpubNav())\nb.spine = "
        "['nav', c]\n"
        "epub.write_epub(out, b)\n";
    return run("/usr/bin/python3",
               {QStringLiteral("-c"), QString::fromStdString(script), QString::fromStdString(ask.title),
                QString::fromStdString(ask.author), QString::fromStdString(ask.other),
                QString::fromStdString(ask.otherRole), ask.cover.empty() ? QString() : QStringLiteral("1"),
                QString::fromStdString(file.string())},
               dir, log);
}

std::string pythonQuoted(const std::string &text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return out + "'";
}

bool sphinxBook(const fs::path &dir, const Ask &ask, const fs::path &file, std::string *log)
{
    std::string conf =
        "project = 'Corpus'\nversion = '1'\ncopyright = '2026'\nepub_title = " + pythonQuoted(ask.title) +
        "\nepub_author = " + pythonQuoted(ask.author) +
        "\nepub_publisher = 'Corpus'\n"
        "epub_identifier = 'corpus-sphinx'\nepub_scheme = 'URL'\nhtml_static_path = ['_static']\n";
    if (!ask.cover.empty())
        conf += "epub_cover = ('_static/cover.png', '')\n";
    write(dir / "src/conf.py", conf);
    write(dir / "src/index.rst", "Chapter\n=======\n\nText.\n");
    write(dir / "src/_static/cover.png", ask.cover);
    if (!run("sphinx-build",
             {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("epub"), QStringLiteral("src"),
              QStringLiteral("out")},
             dir, log))
        return false;
    std::error_code ec;
    fs::rename(dir / "out/Corpus.epub", file, ec);
    return !ec;
}

std::string xmlEscaped(const std::string &text)
{
    std::string out;
    for (char c : text)
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : std::string(1, c);
    return out;
}

bool docbookBook(const fs::path &dir, const Ask &ask, const char *stylesheet, const fs::path &file,
                 std::string *log)
{
    const auto name = [](const std::string &full) {
        const std::size_t space = full.find(' ');
        return "<personname><firstname>" + xmlEscaped(full.substr(0, space)) + "</firstname><surname>" +
               xmlEscaped(full.substr(space + 1)) + "</surname></personname>";
    };
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<book "
                      "xmlns=\"http://docbook.org/ns/docbook\" version=\"5.0\">\n"
                      "<info><title>" +
                      xmlEscaped(ask.title) + "</title>";
    if (!ask.subtitle.empty())
        xml += "<subtitle>" + xmlEscaped(ask.subtitle) + "</subtitle>";
    xml += "<author>" + name(ask.author) + "</author>";
    if (!ask.other.empty())
        xml += "<othercredit class=\"translator\">" + name(ask.other) + "</othercredit>";
    if (!ask.cover.empty())
        xml += "<cover><mediaobject><imageobject><imagedata "
               "fileref=\"cover.png\"/></imageobject></mediaobject></cover>";
    xml += "</info>\n<chapter><title>One</title><para>Text.</para></chapter>\n</book>\n";
    write(dir / "book.xml", xml);
    if (!run("xsltproc",
             {QStringLiteral("--nonet"), QStringLiteral("--stringparam"), QStringLiteral("base.dir"),
              QStringLiteral("out/OEBPS/"), QString::fromLatin1(stylesheet), QStringLiteral("book.xml")},
             dir, log))
        return false;
    // The stylesheets leave the pictures to the author's build.
    if (!ask.cover.empty())
        write(dir / "out/OEBPS/cover.png", ask.cover);
    return packEpub((dir / "out").string(), file.string(), log);
}

// epub-gen-memory writes every author into one creator, so it is asked for the author alone.
bool npmBook(const fs::path &dir, const Ask &ask, const fs::path &file, std::string *log)
{
    write(dir / "cover.png", ask.cover);
    const char *script = "const [title, author, cover, out] = process.argv.slice(1);\n"
                         "const options = {title, author, lang: 'en', verbose: false};\n"
                         "if (cover) options.cover = 'file://' + require('path').resolve('cover.png');\n"
                         "require('epub-gen-memory').default(options, [{title: 'One', content: '<p>Text.</p>'}])\n"
                         "  .then(b => require('fs').writeFileSync(out, b)).catch(e => { console.error(e); process.exit(1); });\n";
    return run("node",
               {QStringLiteral("-e"), QString::fromLatin1(script), QString::fromStdString(ask.title),
                QString::fromStdString(ask.author), ask.cover.empty() ? QString() : QStringLiteral("1"),
                QString::fromStdString(file.string())},
               dir, log);
}
} // namespace

using EpubCorpusTest = FolderDeviceTest;

TEST_F(EpubCorpusTest, BooksFromDebiansProducersImportAsTheyWereWritten)
{
    writeDeviceCatalogue(Catalogue());
    attach();
    const std::string docbook = "/usr/share/xml/docbook/stylesheet/docbook-xsl/";
    std::string log;
    const bool ebooklib = run("/usr/bin/python3", {QStringLiteral("-c"), QStringLiteral("import ebooklib")},
                              fs::current_path(), &log);
    struct Producer
    {
        std::string name;
        bool available;
        std::function<bool(const fs::path &, const Ask &, const fs::path &, std::string *)> make;
    };
    const std::vector<Producer> producers{
        {"pandoc EPUB 3", installed("pandoc"),
         [](auto &d, auto &a, auto &f, auto *l) { return pandocBook(d, a, "epub3", f, l); }},
        {"pandoc EPUB 2", installed("pandoc"),
         [](auto &d, auto &a, auto &f, auto *l) { return pandocBook(d, a, "epub2", f, l); }},
        {"ebooklib", ebooklib, ebooklibBook},
        {"Sphinx", installed("sphinx-build"), sphinxBook},
        {"DocBook XSL EPUB 3", installed("xsltproc") && fs::exists(docbook + "epub3/chunk.xsl"),
         [&](auto &d, auto &a, auto &f, auto *l) {
             return docbookBook(d, a, (docbook + "epub3/chunk.xsl").c_str(), f, l);
         }},
        {"DocBook XSL EPUB 2", installed("xsltproc") && fs::exists(docbook + "epub/docbook.xsl"),
         [&](auto &d, auto &a, auto &f, auto *l) {
             return docbookBook(d, a, (docbook + "epub/docbook.xsl").c_str(), f, l);
         }},
        {"epub-gen-memory (npm)", installed("node") && fs::exists(BOOKFERRY_NPM_PRODUCERS "/node_modules/epub-gen-memory"),
         npmBook},
    };

    std::vector<Book> books;
    std::string skipped;
    int number = 0;
    for (const Producer &producer : producers) {
        if (!producer.available) {
            skipped += " " + producer.name + ";";
            continue;
        }
        for (Ask ask : {kTricky, kPlain}) {
            const std::string tag = std::to_string(++number);
            if (!ask.subtitle.empty())
                ask.cover = picture(static_cast<char>('A' + number));
            const fs::path dir = m_files.file("make" + tag);
            fs::create_directories(dir);
            const fs::path file = m_files.file("book" + tag + ".epub");
            ASSERT_TRUE(producer.make(dir, ask, file, &log)) << producer.name << ": " << log;
            books.push_back({producer.name, file.string(), ask.title, ask.author, ask.cover});
        }
    }
    if (books.empty())
        GTEST_SKIP() << "no producer is installed:" << skipped;

    int titles = 0, authors = 0, covers = 0, withCover = 0;
    for (const Book &book : books) {
        ASSERT_FALSE(importBook(book.file).empty()) << book.producer;
        const Catalogue catalogue = deviceCatalogue();
        plist_t entry = catalogue.bookAt(catalogue.bookCount() - 1);
        const std::string title = entryString(entry, BookKey::Name).value_or("");
        const std::string author = entryString(entry, BookKey::Artist).value_or("");
        const std::string cover = entryString(entry, BookKey::CoverHash).value_or("");
        titles += title == book.title && entryString(entry, BookKey::Album) == book.title;
        authors += author == book.author && entryString(entry, BookKey::SortArtist) == book.author;
        withCover += !book.cover.empty();
        covers += !book.cover.empty() && cover == upperMd5(book.cover);
        EXPECT_EQ(title, book.title) << book.producer;
        EXPECT_EQ(author, book.author) << book.producer;
        EXPECT_EQ(cover, upperMd5(book.cover))
            << book.producer << ": the cover " << (book.cover.empty() ? "(none)" : "");
    }
    std::printf("corpus of %zu books: titles right %d/%zu, authors right %d/%zu, covers right %d/%d%s%s\n",
                books.size(), titles, books.size(), authors, books.size(), covers, withCover,
                skipped.empty() ? "" : "; skipped:", skipped.c_str());
}
