// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Books as a real producer writes them, made in the run by pandoc (EPUB 3 and EPUB 2) and
// imported onto a folder device. Each format is asked for one book with what trips a naive
// reader (an ampersand and an apostrophe, a subtitle, a translator listed after the author, a
// cover) and one plain book; the catalogue must show what it was asked to write.
#include "devicefixture.h"
#include "library/bookkeys.h"
#include "operations/epubarchive.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <cctype>
#include <filesystem>
#include <fstream>
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

// What pandoc is asked for: the tricky book and the plain one (cover: the picture's bytes).
struct Ask
{
    std::string title, subtitle, author, other, otherRole, cover;
};
const Ask kTricky{
    "Fish & Chips: A History", "Batter and Brine", "Flann O'Brien", "Tina Translator", "trl", {}};
const Ask kPlain{"Plain Book", {}, "Pat Plain", {}, {}, {}};

bool pandocBook(const fs::path &dir, const Ask &ask, const char *format, const fs::path &file,
                std::string *log)
{
    std::string md = "---\ntitle:\n- type: main\n  text: \"" + ask.title + "\"\n";
    if (!ask.subtitle.empty())
        md += "- type: subtitle\n  text: \"" + ask.subtitle + "\"\n";
    md += "creator:\n- role: author\n  text: \"" + ask.author + "\"\n";
    if (!ask.other.empty())
        md += "- role: " + ask.otherRole + "\n  text: \"" + ask.other + "\"\n";
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
} // namespace

using EpubCorpusTest = FolderDeviceTest;

TEST_F(EpubCorpusTest, BooksFromPandocImportAsTheyWereWritten)
{
    if (!installed("pandoc"))
        GTEST_SKIP() << "pandoc is not installed";
    writeDeviceCatalogue(Catalogue());
    attach();
    int number = 0;
    for (const char *format : {"epub3", "epub2"}) {
        for (Ask ask : {kTricky, kPlain}) {
            const std::string tag = std::to_string(++number);
            if (!ask.subtitle.empty())
                ask.cover = picture(static_cast<char>('A' + number));
            const fs::path dir = m_files.file("make" + tag);
            fs::create_directories(dir);
            const fs::path file = m_files.file("book" + tag + ".epub");
            std::string log;
            ASSERT_TRUE(pandocBook(dir, ask, format, file, &log)) << format << ": " << log;
            ASSERT_FALSE(importBook(file.string()).empty()) << format;
            const Catalogue catalogue = deviceCatalogue();
            plist_t entry = catalogue.bookAt(catalogue.bookCount() - 1);
            EXPECT_EQ(entryString(entry, BookKey::Name), ask.title) << format;
            EXPECT_EQ(entryString(entry, BookKey::Album), ask.title) << format;
            EXPECT_EQ(entryString(entry, BookKey::Artist), ask.author) << format;
            EXPECT_EQ(entryString(entry, BookKey::SortArtist), ask.author) << format;
            EXPECT_EQ(entryString(entry, BookKey::CoverHash), upperMd5(ask.cover)) << format << ": the cover";
        }
    }
}
