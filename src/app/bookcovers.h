// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "operations/bookdetailsloader.h"

#include <QImage>
#include <QObject>
#include <QStyledItemDelegate>
#include <QTimer>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class AITableView;
class QTableView;
class epub;
class DeviceLibrary;
struct Notification;

// Each book's cover, drawn beside its title, and the table's "Size" column. Whenever the table
// is given a list, the books it has not seen yet are handed to a BookDetailsLoader; the table
// shows at once, with a drawn placeholder and an empty size, and each row fills in as its
// details arrive. The pictures are decoded and scaled on the loader's worker and kept in the
// data folder. The rows in the table's viewport go first, and again whenever the view
// scrolls, sorts or filters (then the page below them), so a long list fills where the user
// looks.
//
// Threads: main thread, apart from the loader's callbacks, which reach it by queued calls.
class BookCovers : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *kSizeColumn = "Size";
    // The largest thumbnail kept: twice the size drawn, so it stays sharp on dense screens.
    static constexpr int kThumbnailWidth = 64;
    static constexpr int kThumbnailHeight = 88;

    // Draws in `view`, whose model is the book table's; `library` lends the sessions the covers are
    // read in and outlives this object.
    BookCovers(AITableView *view, const DeviceLibrary &library, QObject *parent);
    ~BookCovers() override;

    // A list's columns with the size last.
    static std::vector<std::string> withDetailColumns(const std::vector<std::string> &identifiers);
    // After the table laid its columns out: the size column narrowed, the title column
    // widened by the room it gave up (the cover takes some), the covers drawn in it.
    void fitColumns();

    // Tests and the screenshots: how many of the table's books have their details, and
    // whether the loader has nothing left to read.
    int loadedRows() const;
    bool idle() const;
    // The cover of a table row; null while it loads or when the book has none.
    QImage coverOfRow(int row) const;
    // The books still to be read, in the order they will be (tests).
    std::vector<BookDetailsRequest> queuedBooks() const;

    // The rows of `view` whose details are read first: those in view, then a page below them
    // (where the user most likely goes next). Empty (first > last) when no row is in view.
    static std::pair<int, int> rowsToReadFirst(const QTableView *view);

    // Writes a picture as PNG whole or not at all (beside it, then renamed): a reader never
    // finds half a file. Safe on any thread.
    static bool savePicture(const QImage &image, const std::string &target);

    // Decodes picture bytes and scales them to fit the thumbnail box; a null image when they
    // are no picture. Safe on any thread.
    static QImage thumbnail(const QByteArray &bytes);

private:
    using BookKey = std::pair<bool, std::string>; // (purchases, "Path")
    struct Details
    {
        QImage cover;
        std::optional<uint64_t> size;
    };

    void tableReset();
    // The view scrolled, sorted or filtered: its rows go to the head of the loader's queue.
    void viewMoved();
    void deviceGone();
    void arrived(const BookDetails &details, const QImage &cover);
    QVariant cell(const epub &record, const std::string &identifier, int role) const;
    const Details *detailsOf(const epub &record) const;
    const Details *detailsOfRow(int row) const;

    AITableView *m_view;
    const DeviceLibrary &m_library;
    std::unique_ptr<BookDetailsLoader> m_loader;
    std::map<BookKey, Details> m_details;
    std::set<BookKey> m_asked; // asked for in the current generation
    std::map<BookKey, std::vector<int>> m_rowsOf; // the model's rows of each book
    QTimer m_viewTimer; // gathers a burst of scrolling into a few reorderings
    QStyledItemDelegate *m_cell = nullptr;
    unsigned m_generation = 0;
    std::shared_ptr<ReadSession> m_session; // on the device whose books the table shows
};

// The title cell: the book's cover at the left, scaled to fit a book-shaped box (or a drawn
// book while there is none), and the title beside it.
class CoverCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The placeholder, as drawn into `box`.
    static void drawPlaceholder(QPainter *painter, const QRectF &box);
};
