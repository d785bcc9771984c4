// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-gui-bench: the main window's event loop while a device with a photo library is
// surveyed, while a 50 MB book is imported and exported, and while a reader app's 200 covers
// are read, all through the emulator's link model. A timer on the main thread asks to run every 5 ms; how late it runs is the
// latency a user feels. Prints one line per phase: "PHASE p99_ms max_ms samples".
//   bookferry-gui-bench WORK_DIR BOOK.epub TITLE
// With --books, the window's first list of a folder device with 5,000 books instead: how long
// until the list shows, until the rows in view have their covers (at the top, and after a
// scroll to the middle) and until every row has its size; the event loop while the covers
// come in, during a sort and during a filter typed key by key; the peak memory. Lines are
// "KEY VALUE...".
//   bookferry-gui-bench --books WORK_DIR
#include "benchutil.h"
#include "emulatorharness.h"

#include "app/appshelf.h"
#include "app/bookcovers.h"
#include "app/maincontroler.h"
#include "core/log.h"
#include "core/mainqueue.h"
#include "device/deviceselection.h"
#include "device/backend/mobiledevice.h"
#include "operations/devicelistmodel.h"
#include "operations/epubarchive.h"
#include "operations/deviceoutline.h"
#include "widgets/aioutlineview.h"
#include "widgets/aitableview.h"

#include <QApplication>
#include <QBuffer>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QDialog>
#include <QElapsedTimer>
#include <QFrame>
#include <QMainWindow>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
class Script : public UserInteraction
{
public:
    QStringList chooseImportPaths(QWidget *) override { return take(imports); }
    QString chooseExportFolder(QWidget *) override { return take(folders); }
    int ask(QWidget *, const QString &, const QString &, const QStringList &) override { return 1001; }
    std::deque<QStringList> imports;
    std::deque<QString> folders;

private:
    template <typename T> static T take(std::deque<T> &queue)
    {
        if (queue.empty())
            return {};
        T v = queue.front();
        queue.pop_front();
        return v;
    }
};

// Records how late a 5 ms timer fires on the main thread.
class Probe
{
public:
    Probe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kPeriodMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last >= 0)
                m_lateMs.push_back(std::max(0.0, static_cast<double>(now - m_last) / 1e6 - kPeriodMs));
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    void restart()
    {
        m_lateMs.clear();
        m_last = -1;
    }
    std::string summary() const
    {
        std::vector<double> v = m_lateMs;
        if (v.empty())
            return "0 0 0";
        std::sort(v.begin(), v.end());
        const double p99 = v[std::min(v.size() - 1, static_cast<size_t>(static_cast<double>(v.size()) * 0.99))];
        return fmt("%.1f %.1f %zu", p99, v.back(), v.size());
    }

private:
    static constexpr int kPeriodMs = 5;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    std::vector<double> m_lateMs;
};

void sparseFile(const std::string &path, off_t size)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd >= 0) {
        if (::ftruncate(fd, size) != 0)
            std::fprintf(stderr, "cannot size %s\n", path.c_str());
        ::close(fd);
    }
}
constexpr int kBooks = 5000;

void processMainEventsFor(std::chrono::milliseconds span)
{
    processMainEventsUntil([] { return false; }, span);
}

int columnNamed(QAbstractItemModel *model, const char *name)
{
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == QLatin1String(name))
            return c;
    return -1;
}

void writeText(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// 5,000 small ePub folders, each with a real JPEG cover (one of eight colours) and six
// chapters, and a catalogue naming them.
void makeBooksDevice(const std::string &device)
{
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000b6");
    std::vector<std::string> covers;
    for (int c = 0; c < 8; ++c) {
        QImage image(300, 450, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(c * 45, 160, 200));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG");
        covers.push_back(bytes.toStdString());
    }
    const std::string container = "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
                                  "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
                                  "<rootfile full-path=\"OEBPS/content.opf\" "
                                  "media-type=\"application/oebps-package+xml\"/></rootfiles></container>\n";
    const std::string package =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" "
        "version=\"3.0\" unique-identifier=\"id\"><metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<dc:identifier id=\"id\">urn:uuid:1</dc:identifier><dc:title>T</dc:title></metadata><manifest>"
        "<item id=\"c\" href=\"cover.jpg\" media-type=\"image/jpeg\"/></manifest><spine/></package>\n";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                      "<key>Books</key><array>";
    for (int i = 0; i < kBooks; ++i) {
        const std::string n = std::to_string(i);
        const std::string book = device + "/root/Books/B" + n + ".epub";
        fs::create_directories(book + "/META-INF");
        fs::create_directories(book + "/OEBPS/Text");
        writeText(book + "/mimetype", "application/epub+zip");
        writeText(book + "/META-INF/container.xml", container);
        writeText(book + "/OEBPS/content.opf", package);
        writeText(book + "/OEBPS/cover.jpg", covers[static_cast<size_t>(i % 8)]);
        for (int c = 0; c < 6; ++c)
            sparseFile(book + "/OEBPS/Text/ch" + std::to_string(c) + ".xhtml", 8000 + (i * 104729 + c) % 20000);
        xml += "<dict><key>Name</key><string>A Book Called Number " + n + "</string><key>Artist</key><string>Writer " +
               std::to_string(i % 97) + "</string><key>Album</key><string>Series " + std::to_string(i % 211) +
               "</string><key>Genre</key><string>" + (i % 3 ? "Fiction" : "History") +
               "</string><key>Path</key><string>B" + n + ".epub</string><key>Cover Path</key><string>cover.jpg"
               "</string><key>User Item</key><true/></dict>";
    }
    xml += "</array></dict></plist>\n";
    writeText(device + "/root/Books/Books.plist", xml);
}

int benchBooks(const std::string &work)
{
    const std::string device = work + "/device";
    fs::remove_all(work);
    makeBooksDevice(device);
    // A first list: nothing cached yet.
    ::setenv("BOOKFERRY_DATA_DIR", (work + "/data").c_str(), 1);
    EmulatorProcess emulator(work);
    if (!emulator.start({device}))
        return 1;
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
    std::string error;
    auto backend = makeDeviceBackend("usb", &error);
    if (!backend)
        return 1;
    Probe probe;
    setDeviceBackend(std::move(backend));
    auto window = std::make_unique<mainControler>(std::make_unique<Script>());
    window->awakeFromNib();
    window->mainWindow->resize(1000, 700);
    window->mainWindow->show();
    const double surveyStart = nowSeconds();
    if (!processMainEventsUntil([&] { return window->treeListControler->ipodCount() == 1 && !window->box->isHidden(); },
                                std::chrono::minutes(3)))
        return 1;
    std::printf("survey %.2f\n", nowSeconds() - surveyStart);

    BookCovers *covers = window->findChild<BookCovers *>();
    AITableView *table = window->mediaTableView;
    QAbstractItemModel *shown = table->model();
    // Whether every row in the table's viewport has its details.
    auto viewFilled = [&] {
        const int first = table->rowAt(0);
        int last = table->rowAt(table->viewport()->height() - 1);
        if (first < 0)
            return false;
        if (last < 0)
            last = shown->rowCount() - 1;
        const int title = columnNamed(shown, "Name"); // the cover is drawn in the title column
        for (int row = first; row <= last; ++row)
            if (shown->index(row, title).data(Qt::DecorationRole).value<QImage>().isNull())
                return false;
        return true;
    };

    probe.restart();
    const double t0 = nowSeconds();
    DeviceListModel *model = window->treeListControler->model();
    window->iPodTableView->setCurrentIndex(model->index(1, 0, model->index(0, 0)));
    if (!processMainEventsUntil([&] { return !table->isHidden() && shown->rowCount() == kBooks; }, std::chrono::minutes(1)))
        return 1;
    std::printf("list_shown %.3f\n", nowSeconds() - t0);
    processMainEventsUntil(viewFilled, std::chrono::minutes(2));
    std::printf("top_in_view %.3f\n", nowSeconds() - t0);
    // The user scrolls to the middle of the list at once.
    table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum() / 2);
    const double t1 = nowSeconds();
    processMainEventsUntil(viewFilled, std::chrono::minutes(2));
    std::printf("scrolled_in_view %.3f\n", nowSeconds() - t1);
    const bool all = processMainEventsUntil([&] { return covers->loadedRows() == kBooks && covers->idle(); },
                                            std::chrono::minutes(5));
    std::printf("all_sizes %.3f\n", all ? nowSeconds() - t0 : -1.0);
    std::printf("covers %s\n", probe.summary().c_str());

    // Sorts by title, artist and size, each both ways, then back to the list's own order.
    probe.restart();
    for (int column : {columnNamed(shown, "Name"), columnNamed(shown, "Artist"), columnNamed(shown, "Size")}) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            table->sortByColumn(column, order);
            processMainEventsFor(std::chrono::milliseconds(50));
        }
    }
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    processMainEventsFor(std::chrono::milliseconds(50));
    std::printf("sort %s\n", probe.summary().c_str());

    // A filter typed at ten keys a second, then taken back key by key.
    QLineEdit *field = window->mainWindow->findChild<QLineEdit *>(QStringLiteral("bookFilterField"));
    probe.restart();
    const QString typed = QStringLiteral("number 12 writer");
    for (int i = 1; field && i <= typed.size(); ++i) {
        field->setText(typed.left(i));
        processMainEventsFor(std::chrono::milliseconds(100));
    }
    for (int i = typed.size() - 1; field && i >= 0; --i) {
        field->setText(typed.left(i));
        processMainEventsFor(std::chrono::milliseconds(100));
    }
    processMainEventsFor(std::chrono::milliseconds(200));
    std::printf("filter %s\n", field && shown->rowCount() == kBooks ? probe.summary().c_str() : "failed");
    table->scrollToTop();
    processMainEventsFor(std::chrono::milliseconds(100));
    window->mainWindow->grab().save(QString::fromStdString(work + "/window-5000-books.png"), "PNG");
    std::printf("memory_mb %.1f\n", static_cast<double>(peakResidentBytes()) / 1e6);
    std::fflush(stdout);
    window.reset();
    setDeviceBackend(nullptr);
    return all ? 0 : 1;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--books") {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        QApplication app(argc, argv);
        setLogSink([](const std::string &) {});
        return benchBooks(argv[2]);
    }
    if (argc < 4) {
        std::fprintf(stderr, "usage: bookferry-gui-bench WORK_DIR BOOK.epub TITLE\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    setLogSink([](const std::string &) {});
    const std::string work = argv[1], book = argv[2];

    // A device with 10,000 photos and 1,000 songs: a survey of a few seconds.
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000d4");
    for (int f = 0; f < 10; ++f) {
        const std::string dir = device + "/root/DCIM/" + std::to_string(100 + f) + "APPLE";
        fs::create_directories(dir);
        for (int i = 0; i < 1000; ++i)
            sparseFile(dir + "/IMG_" + std::to_string(i) + ".JPG", 2000000);
    }
    fs::create_directories(device + "/root/iTunes_Control/Music/F00");
    for (int i = 0; i < 1000; ++i)
        sparseFile(device + "/root/iTunes_Control/Music/F00/T" + std::to_string(i) + ".mp3", 4000000);

    // A reader app with 200 books, each with a real cover picture, for the window's app list.
    constexpr int kAppBooks = 200;
    FolderAppDescription reader;
    reader.identifier = "org.example.reader";
    reader.displayName = "Reader";
    addFolderApp(device, reader);
    {
        const BenchBook covered = makeBook(work + "/appbook", "Covered", 1, 1, 4, 4000);
        QImage picture(600, 900, QImage::Format_RGB32);
        picture.fill(QColor(40, 90, 160));
        picture.save(QString::fromStdString(covered.folder + "/OEBPS/images/img0.jpg"), "JPG");
        const std::string packed = work + "/covered.epub";
        std::string packError;
        if (!packEpub(covered.folder, packed, &packError))
            return 1;
        const std::string documents = device + "/apps/" + reader.identifier + "/container/Documents";
        fs::create_directories(documents);
        for (int i = 0; i < kAppBooks; ++i)
            linkOrCopy(packed, documents + "/Book " + std::to_string(i) + ".epub");
    }

    EmulatorProcess emulator(work);
    if (!emulator.start({"--link", device}))
        return 1;
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
    std::string error;
    auto backend = makeDeviceBackend("usb", &error);
    if (!backend)
        return 1;

    auto script = std::make_unique<Script>();
    Script *answers = script.get();
    Probe probe;
    // As the application starts: the backend, then the window; the device arrives at once and
    // is surveyed behind the load window.
    setDeviceBackend(std::move(backend));
    auto window = std::make_unique<mainControler>(std::move(script));
    window->awakeFromNib();
    window->mainWindow->show();
    probe.restart();
    const bool up = processMainEventsUntil(
        [&] { return window->treeListControler->ipodCount() == 1 && !window->box->isHidden(); },
        std::chrono::minutes(3));
    std::printf("survey %s\n", up ? probe.summary().c_str() : "failed");

    // "Custom Books" of the device, then the import and the export.
    DeviceListModel *model = window->treeListControler->model();
    window->iPodTableView->setCurrentIndex(model->index(1, 0, model->index(0, 0)));
    processMainEventsUntil([&] { return !window->mediaTableView->isHidden(); });
    answers->imports.push_back({QString::fromStdString(book)});
    probe.restart();
    window->loadMediaPCToIpod();
    const bool imported = processMainEventsUntil(
        [&] { return !window->isTransferRunning() && !window->progressWindow->isVisible(); }, std::chrono::minutes(3));
    std::printf("import %s\n", imported ? probe.summary().c_str() : "failed");

    fs::create_directories(work + "/out");
    answers->folders.push_back(QString::fromStdString(work + "/out"));
    processMainEventsUntil([&] { return window->mediaTableView->model()->rowCount() > 0; });
    probe.restart();
    window->loadMediaIpodToPC();
    const bool exported = processMainEventsUntil(
        [&] { return !window->isTransferRunning() && !window->progressWindow->isVisible(); }, std::chrono::minutes(3));
    std::printf("export %s\n", exported ? probe.summary().c_str() : "failed");

    // The reader app's list, its covers read from the books with ranged reads meanwhile.
    AppShelf *apps = window->appShelf();
    processMainEventsUntil([&] { return !apps->appNodes().empty(); }, std::chrono::minutes(1));
    bool appCovers = false;
    if (!apps->appNodes().empty()) {
        probe.restart();
        window->iPodTableView->setCurrentIndex(model->indexForNode(apps->appNodes().front()));
        appCovers = processMainEventsUntil(
            [&] {
                if (!apps->idle() || window->mediaTableView->model()->rowCount() != kAppBooks)
                    return false;
                for (int i = 0; i < kAppBooks; ++i)
                    if (apps->coverOf("/Documents/Book " + std::to_string(i) + ".epub").isNull())
                        return false;
                return true;
            },
            std::chrono::minutes(3));
    }
    std::printf("app_covers %s\n", appCovers ? probe.summary().c_str() : "failed");
    std::fflush(stdout);

    window->joinWorker();
    window.reset();
    setDeviceBackend(nullptr);
    return up && imported && exported && appCovers ? 0 : 1;
}
