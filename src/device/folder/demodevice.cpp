// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/folder/demodevice.h"

#include "core/datadir.h"

#include "device/folder/demoapps.h"
#include "device/folder/folderbackend.h"
#include "device/backend/plistutil.h"
#include "library/packagedocument.h"
#include "library/samplepdf.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
struct Chapter
{
    const char *title;
    std::vector<const char *> paragraphs;
};

struct SampleBook
{
    const char *folder;     // the book's folder name on the device
    const char *title;
    const char *author;
    const char *subject;
    const char *identifier;
    const char *coverColour; // background of the drawn cover
    int userItem;            // 1 user item, 0 "User Item" false, -1 key absent
    bool purchased;
    std::vector<Chapter> chapters;
};

// Short texts written for the demo device, free to share like any public-domain tale.
const std::vector<SampleBook> &sampleBooks()
{
    static const std::vector<SampleBook> books = {
        {"QLMT.epub", "The Lamplighter's Apprentice", "Margaret Elling", "Fiction",
         "urn:uuid:6f1d3c52-8a0e-4b7a-9f3e-1c2d3e4f5a61", "#2f4858", 1, false,
         {{"The Long Pole",
           {"Every evening at a quarter past five, old Tobias took down the long brass pole from its hooks "
            "above the door and set out along Weaver Street.",
            "Nell followed two steps behind him, carrying the tin of matches and the little book in which "
            "every lamp of the parish was written down by number."}},
          {"A Lamp That Would Not Light",
           {"Lamp forty-one, at the corner by the chandler's, would not take the flame. Tobias tried three "
            "matches and muttered at the fourth.",
            "Nell climbed the iron post, wiped the soot from the glass with her sleeve, and found a "
            "sparrow's nest tucked against the burner, with three speckled eggs inside."}},
          {"The Dark Corner",
           {"They left lamp forty-one dark that spring. People grumbled and walked around the corner a little "
            "more carefully, and in May three young sparrows flew out over the chandler's roof.",
            "Tobias wrote in the little book, in his slow round hand: forty-one, unlit by order of the "
            "apprentice. Nell thought it was the finest line in the whole book."}}}},
        {"BRVK.epub", "A Short Almanac of Clouds", "Thomas Wren", "Nature",
         "urn:uuid:0b9e7a44-52c1-4d88-a3f0-7e6d5c4b3a29", "#5b8bb5", -1, false,
         {{"Morning",
           {"The first clouds of the day are the shyest. They gather over rivers and low meadows and leave "
            "as soon as the sun has found them.",
            "Farmers call them the milk clouds, because they are gone by the time the cows are milked."}},
          {"Afternoon",
           {"By afternoon the heaps rise: white towers with flat grey floors, leaning a little towards the "
            "east as if listening for thunder.",
            "Count the towers. Three or fewer, and you may leave the washing on the line."}}}},
        {"DNXC.epub", "The Clockmaker's Garden", "Ada Penrose", "Fairy Tales",
         "urn:uuid:c4a8e2f1-93b7-4e06-8d15-2a3b4c5d6e70", "#7a5c3e", 1, false,
         {{"Seeds of Brass",
           {"In a town where every house kept a clock, there lived a clockmaker who planted his spare "
            "gears in the garden, one in each flower pot, just to see what would happen.",
            "Nothing happened all winter. His neighbours laughed and set their clocks by his chimney smoke."}},
          {"What Grew",
           {"In April the pots sprouted thin green stems with tiny wheels for leaves, and every leaf turned "
            "once a minute, exactly.",
            "By summer the whole town came to his garden to set their clocks, and nobody laughed again, "
            "though some of them secretly planted buttons."}}}},
        {"HPWA.epub", "Letters from the Lighthouse", "Henry Calloway", "Letters",
         "urn:uuid:91d2b6c3-7e4f-4a50-b8c9-d0e1f2a3b4c5", "#a23b2a", 0, true,
         {{"First Letter",
           {"Dear Martha, the island is smaller than the map made it look, and the wind is larger. The lamp "
            "is kept by me and a grey cat who does not approve of me yet.",
            "I have counted the stairs: one hundred and twelve. I shall count them again tomorrow, for I do "
            "not trust the number."}},
          {"Second Letter",
           {"Dear Martha, the cat has approved of me. It happened on the ninetieth stair, during a storm, "
            "and neither of us has mentioned it since.",
            "A ship passed close last night and dipped its flag to the light. I waved, though of course no "
            "one could see me. Write soon; the supply boat comes on Thursdays."}}}},
    };
    return books;
}

std::string escapeXml(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

bool writeText(const fs::path &path, const std::string &text)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return !out.fail();
}

std::string md5Hex(const std::string &data)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(data), QCryptographicHash::Md5)
        .toHex()
        .toUpper()
        .toStdString();
}

std::string coverSvg(const SampleBook &book)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"600\" height=\"900\" viewBox=\"0 0 600 900\">\n"
           "  <rect width=\"600\" height=\"900\" fill=\"" +
           std::string(book.coverColour) +
           "\"/>\n"
           "  <rect x=\"40\" y=\"40\" width=\"520\" height=\"820\" fill=\"none\" stroke=\"#f4e9d8\" "
           "stroke-width=\"6\"/>\n"
           "  <circle cx=\"300\" cy=\"560\" r=\"90\" fill=\"#f4e9d8\" opacity=\"0.35\"/>\n"
           "  <text x=\"300\" y=\"300\" font-family=\"serif\" font-size=\"40\" fill=\"#f4e9d8\" "
           "text-anchor=\"middle\">" +
           escapeXml(book.title) +
           "</text>\n"
           "  <text x=\"300\" y=\"780\" font-family=\"serif\" font-size=\"30\" fill=\"#f4e9d8\" "
           "text-anchor=\"middle\">" +
           escapeXml(book.author) + "</text>\n</svg>\n";
}

std::string chapterXhtml(const Chapter &chapter)
{
    std::string body;
    for (const char *p : chapter.paragraphs)
        body += "    <p>" + escapeXml(p) + "</p>\n";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">\n"
           "  <head><title>" +
           escapeXml(chapter.title) + "</title></head>\n  <body>\n    <h1>" + escapeXml(chapter.title) +
           "</h1>\n" + body + "  </body>\n</html>\n";
}

// Writes the book unpacked, as the device keeps it; returns the package document's text.
bool writeBook(const fs::path &dir, const SampleBook &book, std::string &opf, std::string &cover)
{
    const std::string container =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
        "  <rootfiles>\n"
        "    <rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>\n"
        "  </rootfiles>\n</container>\n";
    std::string manifest, spine, navList, ncxPoints;
    for (size_t i = 0; i < book.chapters.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        const std::string file = "chapter" + n + ".xhtml";
        const std::string title = escapeXml(book.chapters[i].title);
        manifest += "    <item id=\"chapter" + n + "\" href=\"" + file + "\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "    <itemref idref=\"chapter" + n + "\"/>\n";
        navList += "        <li><a href=\"" + file + "\">" + title + "</a></li>\n";
        ncxPoints += "    <navPoint id=\"nav" + n + "\" playOrder=\"" + n + "\"><navLabel><text>" + title +
                     "</text></navLabel><content src=\"" + file + "\"/></navPoint>\n";
        if (!writeText(dir / "OEBPS" / file, chapterXhtml(book.chapters[i])))
            return false;
    }
    opf = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"bookid\">\n"
          "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
          "    <dc:identifier id=\"bookid\">" +
          std::string(book.identifier) + "</dc:identifier>\n    <dc:title>" + escapeXml(book.title) +
          "</dc:title>\n    <dc:creator>" + escapeXml(book.author) + "</dc:creator>\n    <dc:subject>" +
          escapeXml(book.subject) +
          "</dc:subject>\n    <dc:language>en</dc:language>\n"
          "    <meta property=\"dcterms:modified\">2024-01-01T00:00:00Z</meta>\n"
          "    <meta name=\"cover\" content=\"cover-image\"/>\n"
          "  </metadata>\n  <manifest>\n"
          "    <item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n"
          "    <item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n"
          "    <item id=\"cover-image\" href=\"cover.svg\" media-type=\"image/svg+xml\" properties=\"cover-image\"/>\n" +
          manifest + "  </manifest>\n  <spine toc=\"ncx\">\n" + spine + "  </spine>\n</package>\n";
    const std::string nav = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
                            "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">\n"
                            "  <head><title>Contents</title></head>\n  <body>\n    <nav epub:type=\"toc\">\n"
                            "      <h1>Contents</h1>\n      <ol>\n" +
                            navList + "      </ol>\n    </nav>\n  </body>\n</html>\n";
    const std::string ncx = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">\n"
                            "  <head><meta name=\"dtb:uid\" content=\"" +
                            std::string(book.identifier) + "\"/></head>\n  <docTitle><text>" + escapeXml(book.title) +
                            "</text></docTitle>\n  <navMap>\n" + ncxPoints + "  </navMap>\n</ncx>\n";
    cover = coverSvg(book);
    return writeText(dir / "mimetype", "application/epub+zip") &&
           writeText(dir / "META-INF" / "container.xml", container) && writeText(dir / "OEBPS" / "content.opf", opf) &&
           writeText(dir / "OEBPS" / "nav.xhtml", nav) && writeText(dir / "OEBPS" / "toc.ncx", ncx) &&
           writeText(dir / "OEBPS" / "cover.svg", cover);
}

plist_t catalogueEntry(const SampleBook &book, int number, const std::string &opf, const std::string &cover)
{
    plist_t entry = plist_new_dict();
    auto text = [&](const char *key, const std::string &value) {
        plist_dict_set_item(entry, key, plist_new_string(value.c_str()));
    };
    char id[32];
    std::snprintf(id, sizeof id, "000000000000%d", 2000 + number);
    // The catalogue says what an import of the book would say.
    for (const auto &[key, value] : packageCatalogueValues(readPackageDocument(opf)))
        text(key.c_str(), value);
    text("Path", book.folder);
    text("Persistent ID", id);
    std::snprintf(id, sizeof id, "000000000000%d", 3000 + number);
    text("Unique ID", id);
    if (book.userItem >= 0)
        plist_dict_set_item(entry, "User Item", plist_new_bool(book.userItem ? 1 : 0));
    plist_dict_set_item(entry, "Has Artwork", plist_new_bool(0));
    // Seconds since 2001-01-01, the catalogue's epoch.
    plist_dict_set_item(entry, "Release Date", plist_new_date(static_cast<int32_t>(std::time(nullptr) - 978307200), 0));
    text("Cover Hash", md5Hex(cover));
    text("Package Hash", md5Hex(opf));
    return entry;
}

// Media files are sparse: they take no disk space but give the storage bar real figures.
bool sparseFile(const fs::path &path, uint64_t size)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    return ::close(fd) == 0 && ok;
}

bool writeMedia(const fs::path &root)
{
    constexpr uint64_t MiB = 1024ull * 1024;
    struct Item
    {
        const char *path;
        uint64_t size;
    };
    const Item items[] = {
        {"iTunes_Control/Music/F00/KQWE.mp3", 612 * MiB},  {"iTunes_Control/Music/F00/LRTA.m4a", 845 * MiB},
        {"iTunes_Control/Music/F01/PZXM.m4a", 1230 * MiB}, {"iTunes_Control/Music/F01/BNVC.mp3", 977 * MiB},
        {"iTunes_Control/Music/F02/WSDE.aiff", 1460 * MiB}, {"iTunes_Control/Music/F02/ABCD.m4v", 2870 * MiB},
        {"iTunes_Control/Music/F03/HGFR.mp4", 3410 * MiB}, {"iTunes_Control/Music/F03/TYUI.mov", 1780 * MiB},
        {"DCIM/100APPLE/IMG_0001.JPG", 720 * MiB},         {"DCIM/100APPLE/IMG_0002.HEIC", 940 * MiB},
        {"DCIM/100APPLE/IMG_0003.MOV", 1650 * MiB},        {"Photos/Thumbs/F01/thumbs.ithmb", 210 * MiB},
        {"iTunes_Control/iTunes/MediaLibrary.sqlitedb", 2450 * MiB},
        {"Downloads/downloads.28.sqlitedb", 3120 * MiB},
    };
    for (const Item &item : items)
        if (!sparseFile(root / item.path, item.size))
            return false;
    return true;
}
// Two reader apps holding a couple of the sample books each as .epub files (one inside a
// folder of its own; the one that takes PDF two PDFs beside them), and a sharing app that
// takes no ePub.
bool writeDemoApps(const std::string &dir, std::string *error)
{
    const auto &books = sampleBooks();
    struct DemoApp
    {
        FolderDeviceApp app;
        std::vector<std::pair<std::string, const SampleBook *>> books; // path under Documents
        std::vector<SamplePdf> pdfs; // named after their titles
    };
    std::vector<DemoApp> apps(3);
    apps[0].app = {"org.example.pagelight", "Pagelight", "Pagelight", "4.2", true, {"org.idpf.epub-container"}, {},
                   iconPng(60, 0x2f4858, 0xf6ae2d)};
    apps[0].books = {{"The Lamplighter's Apprentice.epub", &books[0]}, {"Clouds/A Short Almanac of Clouds.epub", &books[1]}};
    apps[1].app = {"org.example.inkwell", "Inkwell Reader", "Inkwell", "2.0.1", true, {"public.data"}, {"epub", "pdf"},
                   iconPng(60, 0x5b2a86, 0xffffff)};
    apps[1].books = {{"The Clockmaker's Garden.epub", &books[2]}, {"Letters from the Lighthouse.epub", &books[3]}};
    SamplePdf charts;
    charts.title = "Star Charts for the Northern Sky";
    charts.author = "Mara Quist";
    charts.pages = 3;
    charts.colour = 0x1d3557;
    SamplePdf moths;
    moths.title = "A Field Guide to Moths";
    moths.author = "Tobias Renn";
    moths.pages = 2;
    moths.colour = 0x6a994e;
    apps[1].pdfs = {charts, moths};
    apps[2].app = {"org.example.filebox", "Filebox", "Filebox", "1.3", true, {"public.data"}, {},
                   iconPng(60, 0x33658a, 0x86bbd8)};
    const fs::path unpacked = fs::path(dir) / ".demo-books";
    for (const DemoApp &demo : apps) {
        if (!writeFolderDeviceApp(dir, demo.app, error))
            return false;
        const fs::path documents = fs::path(dir) / "apps" / demo.app.identifier / "container" / "Documents";
        for (const auto &[name, book] : demo.books) {
            std::error_code ec;
            fs::remove_all(unpacked, ec);
            std::string opf, cover;
            const fs::path target = documents / name;
            fs::create_directories(target.parent_path(), ec);
            if (!writeBook(unpacked, *book, opf, cover) || !packEpubFolder(unpacked.string(), target.string())) {
                fs::remove_all(unpacked, ec);
                if (error)
                    *error = "cannot write the demo device's app book " + target.string();
                return false;
            }
        }
        for (const SamplePdf &pdf : demo.pdfs) {
            const fs::path target = documents / (pdf.title + ".pdf");
            if (!writeText(target, samplePdf(pdf))) {
                if (error)
                    *error = "cannot write the demo device's app document " + target.string();
                return false;
            }
        }
    }
    std::error_code ec;
    fs::remove_all(unpacked, ec);
    const fs::path notes = fs::path(dir) / "apps" / "org.example.filebox" / "container" / "Documents" / "Notes.txt";
    if (!writeText(notes, "Shopping: bread, apples, lamp oil.\n")) {
        if (error)
            *error = "cannot write " + notes.string();
        return false;
    }
    return true;
}
} // namespace

std::string demoDeviceDir()
{
    const std::string data = userDataDir();
    return data.empty() ? std::string() : data + "/demo-device";
}

bool ensureDemoDevice(const std::string &dir, std::string *error)
{
    std::error_code ec;
    if (fs::exists(fs::path(dir) / "device.plist", ec) && fs::is_directory(fs::path(dir) / "root", ec))
        return true;
    return createDemoDevice(dir, error);
}

bool createDemoDevice(const std::string &dir, std::string *error)
{
    FolderDeviceDescription desc;
    desc.uniqueDeviceID = "00008030-0016D8A43C0B802E";
    desc.values = {{"DeviceName", "Demo iPhone"},     {"ProductVersion", "16.7"},
                   {"SerialNumber", "F2LZK0QMN72J"},  {"VolumeFormat", "APFS"},
                   {"ProductType", "iPhone12,1"},     {"DeviceClass", "iPhone"},
                   {"ModelNumber", "MWLT2"},          {"BuildVersion", "20H19"}};
    // 64 GB phone; the free space is computed from what root/ holds.
    desc.deviceInfo = {{"Model", "iPhone12,1"}, {"FSTotalBytes", "63933894656"}, {"FSBlockSize", "4096"}};
    if (!writeFolderDevice(dir, desc, error))
        return false;
    const fs::path root = fs::path(dir) / "root";
    auto fail = [&](const std::string &what) {
        if (error)
            *error = "cannot write the demo device's " + what + " in " + dir;
        return false;
    };
    if (!writeMedia(root))
        return fail("media files");

    PlistPtr library(plist_new_dict());
    PlistPtr purchases(plist_new_dict());
    plist_t libraryBooks = plist_new_array();
    plist_t purchasedBooks = plist_new_array();
    int number = 0;
    for (const SampleBook &book : sampleBooks()) {
        const fs::path folder = root / "Books" / (book.purchased ? "Purchases" : "") / book.folder;
        std::string opf, cover;
        if (!writeBook(folder, book, opf, cover))
            return fail(std::string("book ") + book.folder);
        plist_array_append_item(book.purchased ? purchasedBooks : libraryBooks, catalogueEntry(book, ++number, opf, cover));
    }
    plist_dict_set_item(library.get(), "Books", libraryBooks);
    plist_dict_set_item(purchases.get(), "Books", purchasedBooks);
    if (!writePlistXmlFile((root / "Books" / "Books.plist").string(), library.get()) ||
        !writePlistXmlFile((root / "Books" / "Purchases" / "Purchases.plist").string(), purchases.get()))
        return fail("book catalogue");
    return writeDemoApps(dir, error);
}
