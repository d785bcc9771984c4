// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// What the window shows beside the catalogue: the books' share of the storage bar, each
// book's cover and size, and the commands on the checked books shown.
#include "appfixture.h"

#include "app/appglobals.h"
#include "app/bookcovers.h"
#include "app/mediatablemodel.h"
#include "core/mainqueue.h"
#include "epubbuilder.h"
#include "library/catalogue.h"
#include "widgets/aitableview.h"
#include "widgets/silder.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {

const QColor kRed(220, 30, 30);
const QColor kGreen(30, 200, 60);
const QColor kBlue(30, 60, 220);
const QColor kYellow(230, 210, 20);

std::string package(const std::string &metadata, const std::string &manifest)
{
    return EpubBuilder::packageDocument("T", "A", metadata, manifest);
}

std::string page(const std::string &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" "
           "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><head><title>Cover</title></head><body>" +
           body + "</body></html>\n";
}

const std::string kContainer = EpubBuilder::containerFor("OEBPS/content.opf");

struct DeviceBook
{
    std::string title;
    std::string folder;
    std::string coverPath;                    // the catalogue's "Cover Path"
    std::string coverHash;                    // the catalogue's "Cover Hash"
    std::map<std::string, std::string> files; // below the book folder
};

class BookDetailsTest : public MainWindowTest
{
protected:
    // Writes the books' folders and a catalogue naming them as user items.
    void writeBooks(const std::vector<DeviceBook> &books)
    {
        std::vector<Entry> entries;
        for (const DeviceBook &book : books) {
            for (const auto &[name, content] : book.files) {
                const std::string path = deviceFile("/Books/" + book.folder + "/" + name);
                fs::create_directories(fs::path(path).parent_path());
                writeWholeFile(path, content);
            }
            entries.push_back({book.title, book.folder, true, {}, book.coverPath, book.coverHash});
        }
        writeCatalogue(entries);
    }

    static DeviceBook book(const std::string &title, const std::string &folder, const QColor &colour)
    {
        return {title, folder, "cover.png", "HASH1",
                {{"mimetype", "application/epub+zip"},
                 {"META-INF/container.xml", kContainer},
                 {"OEBPS/content.opf",
                  package({}, "<item id=\"c\" href=\"cover.png\" media-type=\"image/png\"/>\n")},
                 {"OEBPS/cover.png", picture(colour)}}};
    }

    BookCovers *covers() const { return m_window->findChild<BookCovers *>(); }
    QAbstractItemModel *table() const { return m_window->mediaTableView->model(); }
    int column(const char *identifier) const
    {
        for (int c = 0; c < table()->columnCount(); ++c)
            if (table()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() ==
                QLatin1String(identifier))
                return c;
        ADD_FAILURE() << "no column " << identifier;
        return -1;
    }
    QImage coverAt(int row) const
    {
        return table()->index(row, column("Name")).data(Qt::DecorationRole).value<QImage>();
    }
    qulonglong sizeAt(int row) const
    {
        return table()->index(row, column(BookCovers::kSizeColumn)).data(MediaTableModel::SortRole).toULongLong();
    }
    int rowOf(const std::string &title) const
    {
        for (int row = 0; row < rowCount(); ++row)
            if (rowTitle(row) == title)
                return row;
        ADD_FAILURE() << "no row " << title;
        return 0;
    }
    bool waitForDetails(int rows)
    {
        return processMainEventsUntil([&] { return covers()->loadedRows() == rows; },
                                      std::chrono::seconds(60));
    }
    static bool near(const QImage &image, const QColor &colour)
    {
        if (image.isNull())
            return false;
        const QColor seen = image.pixelColor(image.width() / 2, image.height() / 2);
        return std::abs(seen.red() - colour.red()) < 24 && std::abs(seen.green() - colour.green()) < 24 &&
               std::abs(seen.blue() - colour.blue()) < 24;
    }
};

} // namespace

TEST_F(BookDetailsTest, StorageBarGivesTheBooksTheirOwnSegment)
{
    // 2 GiB of books (a sparse file) on a device of 8 GiB with 4 GiB free: books take a
    // quarter of the bar, the other data another quarter.
    const std::string big = deviceFile("/Books/BIGA/big.bin");
    fs::create_directories(fs::path(big).parent_path());
    {
        std::ofstream(big, std::ios::binary);
    }
    fs::resize_file(big, 2ull << 30);
    attach();
    silder *bar = m_window->ipodSizeView;
    EXPECT_EQ(bar->booksSize(), 2147483648.0);
    EXPECT_EQ(bar->otherSize(), 2147483648.0);
    EXPECT_EQ(m_window->ebooksTextField->text(), QStringLiteral("2.0GB"));
}

// A list is read with every book checked, and the filter text stays when the list changes:
// the commands on checked books take only the books shown, or a user would export or
// delete books they cannot see.
TEST_F(BookDetailsTest, CheckedCommandsTakeOnlyTheBooksShown)
{
    writeBooks({book("Sea Tales", "SEAA", kRed), book("Mountain Days", "MTNA", kBlue),
                book("Sea Songs", "SEAB", kYellow)});
    attach();
    selectList(1);
    auto *field = m_window->mainWindow->findChild<QLineEdit *>(QStringLiteral("bookFilterField"));
    ASSERT_TRUE(field);
    field->setText(QStringLiteral("sea"));
    selectList(0);
    selectList(1);
    ASSERT_EQ(rowCount(), 2);
    ASSERT_EQ(medias->size(), 3u);
    ASSERT_TRUE(std::all_of(medias->begin(), medias->end(), [](const auto &r) { return r->isSelect(); }));

    TempDir folder;
    m_interaction->folderAnswers.push_back(QString::fromStdString(folder.path()));
    const size_t reportsBefore = progressSeen().size();
    m_window->loadMediaIpodToPC();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(progressSeen(reportsBefore), (std::vector<std::string>{"0", "66"}));
    std::vector<std::string> exported;
    for (const auto &entry : fs::directory_iterator(folder.path()))
        exported.push_back(entry.path().filename().string());
    std::sort(exported.begin(), exported.end());
    EXPECT_EQ(exported, (std::vector<std::string>{"Sea Songs.epub", "Sea Tales.epub"}));

    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    action(QStringLiteral("Delete check item"))->trigger();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(Catalogue::load(deviceFile("/Books/Books.plist")).stringValues("Name"),
              (std::vector<std::string>{"Mountain Days"}));
}

TEST_F(BookDetailsTest, CoverIsFoundBehindAnXhtmlCoverPage)
{
    const std::string opfMeta = "<meta name=\"cover\" content=\"front\"/>\n";
    std::vector<DeviceBook> books = {
        // The common EPUB library's way: "Cover Path" is its XHTML page; the package names the
        // picture with the cover-image property, which wins over what the page shows.
        {"Item", "ITEM", "cover.xhtml", "H",
         {{"META-INF/container.xml", kContainer},
          {"OEBPS/content.opf",
           package({}, "<item id=\"cover\" href=\"cover.xhtml\" media-type=\"application/xhtml+xml\"/>\n"
                       "<item id=\"ci\" href=\"images/cover%20art.png\" media-type=\"image/png\" "
                       "properties=\"cover-image\"/>\n")},
          {"OEBPS/cover.xhtml", page("<img src=\"images/other.png\" alt=\"\"/>")},
          {"OEBPS/images/cover art.png", picture(kGreen)},
          {"OEBPS/images/other.png", picture(kRed)}}},
        // EPUB 2: <meta name="cover"> names the picture's item.
        {"Meta", "META", "titlepage.xhtml", "H",
         {{"META-INF/container.xml", kContainer},
          {"OEBPS/content.opf",
           package(opfMeta, "<item id=\"front\" href=\"pics/front.jpg\" media-type=\"image/jpeg\"/>\n")},
          {"OEBPS/titlepage.xhtml", page("<p>Title</p>")},
          {"OEBPS/pics/front.jpg", picture(kBlue, "JPG")}}},
        // Neither: the first picture the page shows, relative to the page.
        {"Page", "PAGE", "Text/cover.xhtml", "H",
         {{"META-INF/container.xml", kContainer},
          {"OEBPS/content.opf", package({}, {})},
          {"OEBPS/Text/cover.xhtml",
           page("<!-- <img src=\"../Images/wrong.png\"/> --><svg xmlns=\"http://www.w3.org/2000/svg\">"
                "<image width=\"600\" height=\"800\" xlink:href=\"../Images/c.png\"/></svg>")},
          {"OEBPS/Images/c.png", picture(kYellow)}}},
        // A "Cover Path" that leads out of the book is not followed.
        {"Escape", "ESCP", "../../ITEM/OEBPS/images/other.png", "H",
         {{"META-INF/container.xml", kContainer}, {"OEBPS/content.opf", package({}, {})}}},
        // No cover at all: the placeholder stays, the size still comes.
        {"Bare", "BARE", "", "",
         {{"META-INF/container.xml", kContainer}, {"OEBPS/content.opf", package({}, {})}}},
    };
    writeBooks(books);
    attach();
    selectList(1);
    ASSERT_EQ(rowCount(), 5);
    ASSERT_TRUE(waitForDetails(5));
    EXPECT_TRUE(near(coverAt(rowOf("Item")), kGreen));
    EXPECT_TRUE(near(coverAt(rowOf("Meta")), kBlue));
    EXPECT_TRUE(near(coverAt(rowOf("Page")), kYellow));
    EXPECT_TRUE(coverAt(rowOf("Bare")).isNull());
    EXPECT_TRUE(coverAt(rowOf("Escape")).isNull());
    // Thumbnails keep the picture's proportions within their box.
    const QImage item = coverAt(rowOf("Item"));
    EXPECT_LE(item.height(), BookCovers::kThumbnailHeight);
    EXPECT_NEAR(item.width() * 1.5, item.height(), 2.0);
    // Each size is the bytes of the book's files.
    for (const DeviceBook &b : books) {
        uint64_t bytes = 0;
        for (const auto &[name, content] : b.files)
            bytes += content.size();
        EXPECT_EQ(sizeAt(rowOf(b.title)), bytes) << b.title;
    }
}

TEST_F(BookDetailsTest, CoversAreCachedAndFetchedAgainWhenTheBookChanges)
{
    writeBooks({book("Kept", "KEPT", kRed), book("Changed", "CHNG", kRed)});
    attach();
    selectList(1);
    ASSERT_TRUE(waitForDetails(2));
    EXPECT_TRUE(near(coverAt(rowOf("Kept")), kRed));
    const fs::path cache = fs::path(m_data.path()) / "covers" / "00008030-0016D8A43C0B802E";
    ASSERT_TRUE(fs::is_directory(cache));
    detach();

    // The kept book's picture is gone from the device, but the book is otherwise unchanged:
    // the cache answers for it. The other book got a new cover, which its catalogue entry
    // records: it is read again.
    DeviceBook changed = book("Changed", "CHNG", kBlue);
    changed.coverHash = "HASH2";
    writeBooks({book("Kept", "KEPT", kRed), changed});
    fs::remove(deviceFile("/Books/KEPT/OEBPS/cover.png"));
    attach();
    selectList(1);
    ASSERT_TRUE(waitForDetails(2));
    EXPECT_TRUE(near(coverAt(rowOf("Kept")), kRed));
    EXPECT_TRUE(near(coverAt(rowOf("Changed")), kBlue));
}

TEST_F(BookDetailsTest, CoversComeAfterTheTableIsShown)
{
    std::vector<DeviceBook> books;
    for (int i = 0; i < 200; ++i) {
        char folder[8];
        std::snprintf(folder, sizeof folder, "B%03d", i);
        books.push_back(book("Book " + std::to_string(i), folder, kGreen));
    }
    writeBooks(books);
    attach();
    // The table is there at once, the covers not yet (how late the event loop runs meanwhile
    // is timed by bookferry-gui-bench, not here).
    selectList(1);
    ASSERT_EQ(rowCount(), 200);
    EXPECT_LT(covers()->loadedRows(), 200);
    EXPECT_TRUE(coverAt(199).isNull());
    ASSERT_TRUE(waitForDetails(200));
    for (int row = 0; row < 200; ++row)
        ASSERT_TRUE(near(coverAt(row), kGreen)) << row;
}
