// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-cli: the device's books from a terminal. The device comes up as in the
// application (the connection object with a headless load window, the survey, the
// device list), and the books go through the library's shelves.
#include "clioptions.h"

#include "core/appconfigure.h"
#include "core/fullio.h"
#include "core/log.h"
#include "core/mainqueue.h"
#include "core/scratch.h"
#include "core/utf8.h"
#include "device/storage/loadiphone.h"
#include "device/storage/shelf.h"
#include "device/deviceselection.h"
#include "device/backend/deviceapps.h"
#include "device/backend/mobiledevice.h"
#include "library/epubnode.h"
#include "library/ipodrootnode.h"
#include "operations/appbooks.h"
#include "operations/bookbatch.h"
#include "operations/bookimport.h"
#include "operations/bookshelf.h"
#include "operations/cataloguebackup.h"
#include "operations/cataloguerestore.h"
#include "operations/devicelibrary.h"
#include "operations/deviceoutline.h"
#include "operations/readerapps.h"

#include "ipodinfo/ipodinfocommand.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <syslog.h>
#include <unistd.h>

namespace {
enum ExitCode { kOk = 0, kItemFailed = 1, kUsage = 2 };

QString q(const std::string &text)
{
    return QString::fromStdString(text);
}

std::string field(const std::string &value);

// One line on standard error that rewrites itself, only when a person is watching.
class Progress
{
public:
    Progress() : m_enabled(::isatty(2) == 1) {}
    void show(std::size_t done, std::size_t total, const std::string &what)
    {
        m_total = total;
        m_what = what;
        if (m_enabled)
            std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", done, total, field(what).c_str());
    }
    // A batch that overlaps its books starts some before the earlier ones end: the count is
    // of the books ended, the text the book started last.
    void started(std::size_t total, const std::string &what) { show(m_ended, total, what); }
    void ended() { show(++m_ended, m_total, m_what); }
    void finish()
    {
        if (m_enabled)
            std::fprintf(stderr, "\r\033[K");
    }

private:
    bool m_enabled;
    std::size_t m_ended = 0, m_total = 0;
    std::string m_what;
};

const char *statusText(const BookOperationResult &r)
{
    switch (r.status) {
    case BookOperationResult::Status::Done:
        return "done";
    case BookOperationResult::Status::Skipped:
        return "skipped";
    case BookOperationResult::Status::Failed:
        break;
    }
    return "failed";
}

QJsonObject resultJson(const BookOperationResult &r, bool failed)
{
    QJsonObject o{{QStringLiteral("item"), q(r.item)}, {QStringLiteral("status"), QString::fromLatin1(failed && r.status == BookOperationResult::Status::Skipped ? "failed" : statusText(r))}};
    if (!r.message.empty())
        o.insert(QStringLiteral("message"), q(r.message));
    if (!r.detail.empty())
        o.insert(QStringLiteral("detail"), q(r.detail));
    return o;
}

// What the tool itself prints. The device layer prints its fixed lines on standard output,
// so while the device is in use standard output is pointed elsewhere, and this text is
// written to the real standard output at the end: a --json document stays one document.
std::ostringstream g_out;

// A device's text as the plain output writes it. A tab or a line break would split a listing's
// line, and any other control character (C0, DEL, C1) would reach the terminal as a command
// (a new window title, a moved cursor, a changed colour). So the backslash, tab, line break
// and carriage return are written \\, \t, \n, \r, and every other control character and
// every byte that is not part of a well-formed UTF-8 character as \xNN, byte by byte (U+009B
// is \xc2\x9b). The messages that carry a device's text (titles, names) write it so too.
std::string field(const std::string &value)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size();) {
        const auto [code, length] = decodeUtf8(value, i);
        const std::size_t step = std::max<std::size_t>(length, 1);
        if (length > 0 && code == '\\') {
            out += "\\\\";
        } else if (length > 0 && code == '\t') {
            out += "\\t";
        } else if (length > 0 && code == '\n') {
            out += "\\n";
        } else if (length > 0 && code == '\r') {
            out += "\\r";
        } else if (length == 0 || code < 0x20 || (code >= 0x7f && code <= 0x9f)) {
            for (std::size_t k = i; k < i + step; ++k) {
                const auto byte = static_cast<unsigned char>(value[k]);
                out += {'\\', 'x', hex[byte >> 4], hex[byte & 0xf]};
            }
        } else {
            out.append(value, i, length);
        }
        i += step;
    }
    return out;
}

void printJson(const QJsonDocument &doc)
{
    g_out << doc.toJson(QJsonDocument::Indented).toStdString();
}

// The device layer's own lines go to standard error with --verbose and nowhere without it.
class DeviceOutputAside
{
public:
    explicit DeviceOutputAside(bool verbose)
    {
        std::fflush(stdout);
        m_saved = ::dup(1);
        const int target = verbose ? 2 : ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (target >= 0) {
            ::dup2(target, 1);
            if (target != 2)
                ::close(target);
        }
    }
    ~DeviceOutputAside()
    {
        std::fflush(stdout);
        std::cout.flush();
        if (m_saved >= 0) {
            ::dup2(m_saved, 1);
            ::close(m_saved);
        }
        const std::string text = g_out.str();
        writeFull(1, text.data(), text.size());
    }
    DeviceOutputAside(const DeviceOutputAside &) = delete;
    DeviceOutputAside &operator=(const DeviceOutputAside &) = delete;

private:
    int m_saved = -1;
};

// The device layer reports a device it could not open; the report ends the wait with its
// reason at once (a locked or untrusted device).
class ArrivalWatch
{
public:
    explicit ArrivalWatch(bool verbose)
    {
        // The window keeps the device link's log; a command line shows it only when asked.
        setLogSink([verbose](const std::string &line) {
            if (verbose)
                std::fprintf(stderr, "bookferry: %s\n", field(line).c_str());
            if (std::getenv("BOOKFERRY_SYSLOG"))
                syslog(LOG_NOTICE, "%s", line.c_str());
        });
        addArrivalFailureObserver(this, [this](const DeviceArrivalFailure &failure) {
            m_failure = failure;
            m_failed = true;
        });
    }
    ~ArrivalWatch()
    {
        removeArrivalFailureObserver(this);
        setLogSink(nullptr);
    }
    ArrivalWatch(const ArrivalWatch &) = delete;
    ArrivalWatch &operator=(const ArrivalWatch &) = delete;

    bool failed() const { return m_failed; }
    // Why the device could not be opened: the backend's sentence when it has one.
    std::string reason() const
    {
        if (!m_failure.reason.empty())
            return m_failure.reason;
        return "the device could not be opened (" + m_failure.step + ")";
    }

private:
    std::atomic_bool m_failed{false};
    DeviceArrivalFailure m_failure; // written before m_failed is set, read after
};

class Session
{
public:
    Session(const CliOptions &options) : m_options(options), m_arrival(options.verbose) {}
    ~Session()
    {
        m_outline.reset();
        m_library.reset();
        setDeviceBackend(nullptr);
    }

    // Brings the device up; false (with the message printed) when there is none.
    bool start()
    {
        const std::string selection = m_options.device.value_or("usb");
        std::string error;
        std::unique_ptr<DeviceBackend> backend = makeDeviceBackend(selection, &error);
        if (!backend) {
            std::cerr << "bookferry-cli: " << error << "\n";
            return false;
        }
        setDeviceBackend(std::move(backend));
        // Only `info` shows the media sizes; the other commands need the values and the
        // catalogues, and the sums are most of a large device's survey.
        const SurveyScope scope =
            m_options.command == "info" ? SurveyScope::Everything : SurveyScope::WithoutMediaSums;
        m_library = std::make_unique<DeviceLibrary>(&m_window, scope);
        m_outline = std::make_unique<DeviceOutline>(*m_library);
        if (!m_library->watching()) {
            std::cerr << "bookferry-cli: cannot watch for devices (" << selection << ")\n";
            return false;
        }
        const char *wait = std::getenv("BOOKFERRY_CLI_WAIT_SECONDS");
        const int seconds = wait ? std::atoi(wait) : 5;
        const bool arrived = processMainEventsUntil(
            [this] { return m_outline->ipodCount() > 0 || m_arrival.failed(); },
            std::chrono::seconds(seconds > 0 ? seconds : 5));
        if (m_outline->ipodCount() == 0 && m_arrival.failed()) {
            std::cerr << "bookferry-cli: " << field(m_arrival.reason()) << "\n";
            return false;
        }
        if (!arrived) {
            if (selection.rfind("usb", 0) == 0)
                std::cerr << "bookferry-cli: no device is attached (or it is locked or not trusted). Connect a "
                             "device by USB, or use --device folder:DIR or --device demo.\n";
            else
                std::cerr << "bookferry-cli: the device " << selection << " did not come up\n";
            return false;
        }
        m_node = std::dynamic_pointer_cast<iPodRootNode>(m_outline->rootNode()->firstChild());
        return m_node && m_node->device();
    }

    int info()
    {
        const StringDictionary &survey = m_node->deviceInfoDic();
        if (m_options.json) {
            QJsonObject o;
            for (const auto &[key, value] : survey)
                o.insert(q(key), q(value));
            printJson(QJsonDocument(o));
        } else {
            for (const auto &[key, value] : survey)
                g_out << field(key) << ": " << field(value) << "\n";
        }
        return kOk;
    }

    EpubList books(bool library, bool custom) const
    {
        EpubList out;
        if (library)
            out = m_node->device()->getiPodEbooks();
        if (custom) {
            EpubList mine = m_node->device()->getiPodCustomEbooks();
            out.insert(out.end(), mine.begin(), mine.end());
        }
        return out;
    }

    int list()
    {
        const EpubList records = books(!m_options.customOnly, !m_options.libraryOnly);
        if (m_options.json) {
            QJsonArray array;
            for (const auto &r : records)
                array.append(QJsonObject{{QStringLiteral("Name"), q(r->mediaName())},
                                         {QStringLiteral("Artist"), q(r->mediaArtist())},
                                         {QStringLiteral("Album"), q(r->mediaAlbum())},
                                         {QStringLiteral("Genre"), q(r->mediaGenre())},
                                         {QStringLiteral("Path"), q(r->mediaPcPath())},
                                         {QStringLiteral("userItem"), r->isuserItem()},
                                         {QStringLiteral("purchased"), r->ispurchases()}});
            printJson(QJsonDocument(array));
        } else {
            g_out << "Path\tName\tArtist\tAlbum\tGenre\tUser item\tPurchased\n";
            for (const auto &r : records)
                g_out << field(r->mediaPcPath()) << "\t" << field(r->mediaName()) << "\t"
                      << field(r->mediaArtist()) << "\t" << field(r->mediaAlbum()) << "\t" << field(r->mediaGenre())
                      << "\t" << (r->isuserItem() ? "yes" : "no")
                      << "\t" << (r->ispurchases() ? "yes" : "no") << "\n";
        }
        return kOk;
    }

    // The apps that share their documents, with the number of books each holds.
    int apps()
    {
        // On a session, as the batches: no arrival swaps the device while its apps are asked.
        const std::shared_ptr<DeviceSession> session = m_library->openSession();
        am_device *device = session ? session->data()->dev : nullptr;
        if (!device) {
            std::cerr << "bookferry-cli: no device is connected\n";
            return kItemFailed;
        }
        std::vector<DeviceApp> found;
        std::string why;
        // The window's "Use for Books" choices count here too: they live in its settings.
        const QSettings settings(QString::fromUtf8(AppName), QString::fromUtf8(AppName));
        const std::string deviceIdentifier = AMDeviceCopyDeviceIdentifier(device);
        if (listBookApps(device, appsUsedForBooks(settings, deviceIdentifier), found, &why) != MDERR_OK) {
            std::cerr << "bookferry-cli: the apps could not be listed. " << field(why) << "\n";
            return kItemFailed;
        }
        bool anyFailed = false;
        QJsonArray array;
        if (!m_options.json)
            g_out << "Identifier\tName\tVersion\tBooks\tReader\n";
        const bool anyReader =
            std::any_of(found.begin(), found.end(), [](const DeviceApp &a) { return a.readsBooks(); });
        if (!anyReader)
            std::cerr
                << "bookferry-cli: " << noReaderAppHint().toStdString()
                << " Any app that shares its files can be used: \"bookferry-cli apps --all\" lists them, and "
                   "\"Use for Books\" in the window's device list makes one a reader.\n";
        for (const DeviceApp &app : found) {
            if (!app.readsBooks() && !m_options.allApps)
                continue;
            afc_connection *connection = nullptr;
            std::vector<ShelfBook> books;
            const bool counted = openAppDocuments(device, app.identifier, &connection, &why) == MDERR_OK
                && findAppBooks(connection, books, {}, 8, app.takesPdf) == MDERR_OK;
            if (connection)
                AFCConnectionClose(connection);
            if (!counted) {
                anyFailed = true;
                std::cerr << "bookferry-cli: " << field(app.identifier) << ": its books could not be counted. " << field(why)
                          << "\n";
            }
            if (m_options.json) {
                QJsonObject o{{QStringLiteral("identifier"), q(app.identifier)},
                              {QStringLiteral("name"), q(app.displayName)},
                              {QStringLiteral("version"), q(app.version)},
                              {QStringLiteral("reader"), app.readsBooks()}};
                if (counted)
                    o.insert(QStringLiteral("books"), static_cast<qint64>(books.size()));
                array.append(o);
            } else {
                g_out << field(app.identifier) << "\t" << field(app.displayName) << "\t" << field(app.version) << "\t"
                      << (counted ? std::to_string(books.size()) : std::string("?")) << "\t"
                      << (app.readsBooks() ? "yes" : "no") << "\n";
            }
        }
        if (m_options.json)
            printJson(QJsonDocument(array));
        return anyFailed ? kItemFailed : kOk;
    }

    int import()
    {
        Progress progress;
        const std::vector<std::string> &paths = m_options.arguments;
        BookBatch batch;
        batch.syncLock = true;
        batch.onItemStarting = [&](std::size_t i) { progress.started(paths.size(), "importing " + paths[i]); };
        std::vector<bool> duplicate(paths.size(), false);
        // Asked before the lock is taken, of the catalogue and of the books ahead in the list.
        std::vector<BatchDuplicate> same(paths.size());
        if (!m_options.duplicates)
            batch.beforeLock = [&](userDataIphone *device) { same = findBatchDuplicates(device, paths); };
        std::vector<std::string> imported(paths.size()); // the new "Path" of each book done
        batch.onItemDone = [&](std::size_t i, const BookOperationResult &r) {
            if (r.done())
                imported[i] = r.detail;
            progress.ended();
        };
        auto skip = [&](std::size_t i, const CatalogueDuplicate &found) {
            duplicate[i] = true;
            return BookOperationResult::makeSkipped(std::filesystem::path(paths[i]).filename().string(),
                                                    "already on the device as \"" + found.name + "\" (" + found.path +
                                                        "); --duplicates imports it again");
        };
        std::vector<BookOperationResult> results = resultsOf(
            batch.runOverlapped(*m_library, paths.size(), [&](std::size_t i, BookContext &context) -> BookStart {
                if (same[i].onDevice)
                    return skip(i, *same[i].onDevice);
                if (same[i].earlier.empty())
                    return m_library->books().startImport(context, paths[i]);
                // Whether it is on the device by now depends on how the books it repeats ended.
                return inTurnOnly([&, i](BookContext &context) {
                    for (std::size_t k : same[i].earlier) {
                        if (!imported[k].empty())
                            return skip(i, {same[i].title, imported[k]});
                    }
                    return BookShelf::wholeBook(context, m_library->books().startImport(context, paths[i]));
                });
            }));
        progress.finish();
        // A file that was not imported is a failure here (also one skipped for its name), a
        // book the device has already is not. Every file has its result, in order.
        std::size_t i = 0;
        return report(
            results, "imported",
            [&](const BookOperationResult &r) {
                const bool repeated = duplicate[i++];
                return !r.done() && !repeated;
            },
            "skipped");
    }

    int exportBooks()
    {
        m_library->setReplaceQuestion([replace = m_options.replace](const std::string &) { return replace; });
        const EpubList all = books(true, true);
        std::vector<BookOperationResult> results;
        std::vector<std::shared_ptr<epub>> chosen;
        if (m_options.arguments.empty()) {
            chosen = all;
        } else {
            for (const std::string &path : m_options.arguments) {
                auto it = std::find_if(all.begin(), all.end(), [&](const auto &r) { return r->mediaPcPath() == path; });
                if (it == all.end())
                    results.push_back(BookOperationResult::makeFailed(path, "no book with this \"Path\" is listed"));
                else
                    chosen.push_back(*it);
            }
        }
        Progress progress;
        BookBatch batch;
        batch.onItemStarting = [&](std::size_t i) { progress.started(chosen.size(), "exporting " + chosen[i]->mediaName()); };
        batch.onItemDone = [&](std::size_t, const BookOperationResult &) { progress.ended(); };
        const std::vector<BookOperationResult> exported = resultsOf(
            batch.runOverlapped(*m_library, chosen.size(), [&](std::size_t i, BookContext &context) -> BookStart {
                return m_library->books().startExport(context, *chosen[i], m_options.exportDir);
            }));
        results.insert(results.end(), exported.begin(), exported.end());
        progress.finish();
        return report(results, "exported", [](const BookOperationResult &r) { return r.failed(); });
    }

    int deleteBooks()
    {
        const EpubList library = books(true, false);
        const EpubList custom = books(false, true);
        Progress progress;
        const std::vector<std::string> &paths = m_options.arguments;
        BookBatch batch;
        batch.syncLock = true;
        batch.onItemStarting = [&](std::size_t i) { progress.show(i, paths.size(), "deleting " + paths[i]); };
        std::vector<BookOperationResult> results =
            resultsOf(batch.run(*m_library, paths.size(), [&](std::size_t i, BookContext &context) {
                const std::string &path = paths[i];
                auto mine = std::find_if(custom.begin(), custom.end(),
                                         [&](const auto &r) { return r->mediaPcPath() == path; });
                if (mine != custom.end())
                    return m_library->books().removeBook(context, **mine);
                const bool listed = std::any_of(library.begin(), library.end(),
                                                [&](const auto &r) { return r->mediaPcPath() == path; });
                return BookOperationResult::makeFailed(path,
                                                       listed ? "only books added by the user can be deleted"
                                                              : "no book with this \"Path\" is listed");
            }));
        progress.finish();
        return report(results, "deleted", [](const BookOperationResult &r) { return !r.done(); });
    }

    // The books of the app --app names, on a connection confined to its container, run as one
    // batch on its documents shelf as the window runs them.
    int appCommand()
    {
        const std::string &command = m_options.command;
        if (command == "list")
            return appList();
        const AppNameClash clash = m_options.replaceInApp ? AppNameClash::Replace
                                   : m_options.keepBoth   ? AppNameClash::KeepBoth
                                                          : AppNameClash::Skip;
        DocumentsShelf shelf(*m_options.app, *m_options.app, [clash](const std::string &) { return clash; });
        shelf.setTakesPdf(appTakesPdf());
        std::vector<std::string> items = m_options.arguments;
        if (command == "export" && items.empty()) {
            std::vector<AppBook> books;
            if (listApp(books) != MDERR_OK)
                return kItemFailed;
            for (const AppBook &book : books)
                items.push_back(book.relative);
        }
        m_library->setReplaceQuestion([replace = m_options.replace](const std::string &) { return replace; });
        Progress progress;
        const char *verb = command == "import" ? "importing " : command == "export" ? "exporting " : "deleting ";
        BookBatch batch;
        batch.shelf = &shelf;
        batch.aheadBooks = 0; // an app's books are one file each, written on lanes of their own
        batch.onItemStarting = [&](std::size_t i) { progress.started(items.size(), verb + items[i]); };
        batch.onItemDone = [&](std::size_t, const BookOperationResult &) { progress.ended(); };
        const std::vector<BookOperationResult> results = resultsOf(
            batch.runOverlapped(*m_library, items.size(), [&](std::size_t i, BookContext &context) -> BookStart {
                if (command == "import")
                    return shelf.startImport(context, items[i]);
                epub book;
                book.setMediaPcPath(items[i]);
                if (command == "export")
                    return shelf.startExport(context, book, m_options.exportDir);
                return inTurnOnly([&shelf, book](BookContext &c) { return shelf.removeBook(c, book); });
            }));
        progress.finish();
        if (command == "delete")
            return report(results, "deleted", [](const BookOperationResult &r) { return !r.done(); });
        return report(results, command == "import" ? "imported" : "exported",
                      [](const BookOperationResult &r) { return r.failed(); });
    }

    // Whether the device says the app --app names takes PDFs (one more Browse of its apps).
    bool appTakesPdf()
    {
        std::vector<DeviceApp> found;
        const std::shared_ptr<DeviceSession> session = m_library->openSession();
        if (!session || session->gone() || !session->data()->dev || listSharingApps(session->data()->dev, found) != MDERR_OK)
            return false;
        const auto app = std::find_if(found.begin(), found.end(),
                                      [this](const DeviceApp &a) { return a.identifier == *m_options.app; });
        return app != found.end() && app->takesPdf;
    }

    // The books of the app with their values, read on a documents shelf's connection and lanes.
    int listApp(std::vector<AppBook> &books)
    {
        DocumentsShelf shelf(*m_options.app, *m_options.app);
        BookContext context = m_library->bookContext();
        std::string why;
        afc_connection *connection = shelf.connection(context, &why);
        if (!connection) {
            std::cerr << "bookferry-cli: " << field(*m_options.app) << ": " << field(why) << "\n";
            return kItemFailed;
        }
        if (listAppBookDetails(connection, books, {}, shelf.lanes(context), {}, appTakesPdf()) != MDERR_OK) {
            std::cerr << "bookferry-cli: the app's Documents folder cannot be read\n";
            return kItemFailed;
        }
        return MDERR_OK;
    }

    int appList()
    {
        std::vector<AppBook> books;
        if (listApp(books) != MDERR_OK)
            return kItemFailed;
        auto value = [](const AppBook &b, const char *key) {
            const auto it = b.values.find(key);
            return it == b.values.end() ? std::string() : it->second;
        };
        QJsonArray array;
        if (!m_options.json)
            g_out << "Path\tName\tArtist\tAlbum\tGenre\tSize\n";
        for (const AppBook &b : books) {
            if (m_options.json) {
                QJsonObject o{{QStringLiteral("Path"), q(b.relative)},
                              {QStringLiteral("Name"), q(value(b, "Name"))},
                              {QStringLiteral("Artist"), q(value(b, "Artist"))},
                              {QStringLiteral("Album"), q(value(b, "Album"))},
                              {QStringLiteral("Genre"), q(value(b, "Genre"))},
                              {QStringLiteral("Size"), static_cast<qint64>(b.size)},
                              {QStringLiteral("folder"), b.folder}};
                if (!b.problem.empty())
                    o.insert(QStringLiteral("problem"), q(b.problem));
                array.append(o);
            } else {
                g_out << field(b.relative) << "\t" << field(value(b, "Name")) << "\t" << field(value(b, "Artist"))
                      << "\t" << field(value(b, "Album")) << "\t" << field(value(b, "Genre")) << "\t" << b.size << "\n";
            }
        }
        if (m_options.json)
            printJson(QJsonDocument(array));
        return kOk;
    }

    int restore()
    {
        // On a session, as the window restores: no arrival swaps the device meanwhile.
        const std::shared_ptr<DeviceSession> session = m_library->openSession();
        const BookOperationResult r =
            restoreCatalogueBackup(m_options.arguments.front(), session ? session->data() : nullptr);
        return report({r}, "restored", [](const BookOperationResult &result) { return !result.done(); });
    }

private:
    static std::vector<BookOperationResult> resultsOf(std::vector<BookBatch::ItemResult> items)
    {
        std::vector<BookOperationResult> results;
        for (BookBatch::ItemResult &item : items)
            results.push_back(std::move(item.result));
        return results;
    }

    template<typename IsFailure>
    int report(const std::vector<BookOperationResult> &results, const char *verb, IsFailure isFailure,
               const char *notDone = "kept")
    {
        bool anyFailed = false;
        QJsonArray array;
        for (const auto &r : results) {
            const bool failed = isFailure(r);
            anyFailed = anyFailed || failed;
            if (failed)
                std::cerr << "bookferry-cli: " << field(r.item) << ": " << field(r.message) << "\n";
            if (m_options.json) {
                array.append(resultJson(r, failed));
            } else if (!failed) {
                g_out << (r.done() ? verb : notDone) << " " << field(r.item);
                if (!r.detail.empty())
                    g_out << (r.done() ? " -> " : ": ") << field(r.detail);
                else if (!r.message.empty())
                    g_out << ": " << field(r.message);
                g_out << "\n";
            }
        }
        if (m_options.json)
            printJson(QJsonDocument(QJsonObject{{QStringLiteral("results"), array}, {QStringLiteral("ok"), !anyFailed}}));
        return anyFailed ? kItemFailed : kOk;
    }

    CliOptions m_options;
    ArrivalWatch m_arrival;
    HeadlessLoadWindow m_window;
    std::unique_ptr<DeviceLibrary> m_library;
    std::unique_ptr<DeviceOutline> m_outline;
    std::shared_ptr<iPodRootNode> m_node;
};
} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const std::optional<CliOptions> options = parseCliOptions(args, &error);
    if (!options) {
        std::cerr << "bookferry-cli: " << error << "\n" << kCliUsage;
        return kUsage;
    }
    if (options->help) {
        std::cout << kCliUsage;
        return kOk;
    }
    if (options->version) {
        std::cout << "bookferry-cli " << BOOKFERRY_VERSION << "\n";
        return kOk;
    }
    if (options->command == "ipod-info") {
        return runIPodInfoCommand(options->arguments.front(), std::cout, std::cerr);
    }

    if (options->command == "backups") {
        // Kept in the user's data folder: no device needed.
        const std::vector<CatalogueBackup> backups = listCatalogueBackups();
        if (options->json) {
            QJsonArray array;
            for (const CatalogueBackup &b : backups)
                array.append(QJsonObject{{QStringLiteral("file"), q(b.path)},
                                         {QStringLiteral("device"), q(b.deviceIdentifier)},
                                         {QStringLiteral("created"), q(b.created)},
                                         {QStringLiteral("size"), static_cast<qint64>(b.size)}});
            std::cout << QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
        } else {
            std::cout << "File\tDevice\tCreated (UTC)\tBytes\n";
            for (const CatalogueBackup &b : backups)
                std::cout << b.path << "\t" << b.deviceIdentifier << "\t" << b.created << "\t" << b.size << "\n";
        }
        return kOk;
    }

    // Without the scratch folder no device can be listed: say why rather than wait for one.
    if (const std::string problem = scratchProblem(); !problem.empty()) {
        std::cerr << "bookferry-cli: " << problem << "\n";
        return kUsage;
    }
    processScratchDir(); // this run's working folder; those of runs that were killed go

    DeviceOutputAside deviceOutput(options->verbose);
    QCoreApplication app(argc, argv);
    Session session(*options);
    if (!session.start())
        return kUsage;
    if (options->app)
        return session.appCommand();
    if (options->command == "info")
        return session.info();
    if (options->command == "list")
        return session.list();
    if (options->command == "apps")
        return session.apps();
    if (options->command == "import")
        return session.import();
    if (options->command == "export")
        return session.exportBooks();
    if (options->command == "restore")
        return session.restore();
    return session.deleteBooks();
}
