// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The book table as a person uses it: sorting by the header, the filter field, check boxes
// clicked with other rows highlighted, and the keyboard.
#include "appfixture.h"

#include "app/appglobals.h"
#include "app/mediatablemodel.h"
#include "core/mainqueue.h"
#include "widgets/aitableview.h"
#include "widgets/linkbutton.h"
#include "widgets/xlpopupmenubutton.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCollator>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <numeric>

namespace {

std::vector<std::string> viewTitles(QAbstractItemModel *model)
{
    std::vector<std::string> titles;
    for (int row = 0; row < model->rowCount(); ++row)
        titles.push_back(model->data(model->index(row, 1)).toString().toStdString());
    return titles;
}

// The titles whose box the view shows checked, in view order.
std::vector<std::string> viewChecked(QAbstractItemModel *model)
{
    std::vector<std::string> titles;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->data(model->index(row, 0), Qt::CheckStateRole).toInt() == Qt::Checked)
            titles.push_back(model->data(model->index(row, 1)).toString().toStdString());
    }
    return titles;
}

// The titles of the checked records, in the list's own order.
std::vector<std::string> checkedRecords()
{
    std::vector<std::string> titles;
    for (const auto &record : *medias) {
        if (record->isSelect())
            titles.push_back(record->mediaName());
    }
    return titles;
}

using Titles = std::vector<std::string>;

} // namespace

TEST_F(MainWindowTest, SortAndFilterKeepCheckMarksWithTheirBooks)
{
    writeCatalogue({{"delta", "DDDD.epub", true, "Sam Harlow"},
                    {"Alpha", "AAAA.epub", true, "Ann Lee"},
                    {"charlie", "CCCC.epub", true, "Rowan Hart"},
                    {"Bravo", "BBBB.epub", true, "Bo Grant"}});
    attach();
    selectList(1);
    AITableView *table = m_window->mediaTableView;
    QAbstractItemModel *model = table->model();
    ASSERT_EQ(viewTitles(model), (Titles{"delta", "Alpha", "charlie", "Bravo"})); // the list's own order
    auto *field = m_window->mainWindow->findChild<QLineEdit *>(QStringLiteral("bookFilterField"));
    ASSERT_TRUE(field);
    EXPECT_TRUE(field->isVisible());

    // A click on a header sorts by that column, titles ignoring case; any column sorts.
    QHeaderView *header = table->horizontalHeader();
    auto clickHeader = [&](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 20, header->height() / 2));
    };
    clickHeader(2);
    EXPECT_EQ(viewTitles(model), (Titles{"Alpha", "Bravo", "charlie", "delta"})); // Ann, Bo, Rowan, Sam
    clickHeader(1);
    ASSERT_EQ(viewTitles(model), (Titles{"Alpha", "Bravo", "charlie", "delta"}));
    clickHeader(1);
    ASSERT_EQ(viewTitles(model), (Titles{"delta", "charlie", "Bravo", "Alpha"}));
    clickHeader(1); // a third click gives the list's own order back
    ASSERT_EQ(viewTitles(model), (Titles{"delta", "Alpha", "charlie", "Bravo"}));
    clickHeader(1);
    ASSERT_EQ(viewTitles(model), (Titles{"Alpha", "Bravo", "charlie", "delta"}));

    // The box of "charlie" acts on its own row, whichever row is highlighted.
    highlightRows({0});
    table->setCurrentIndex(model->index(0, 1));
    highlightRows({0});
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      table->visualRect(model->index(2, 0)).center());
    EXPECT_EQ(checkedRecords(), (Titles{"delta", "Alpha", "Bravo"}));
    EXPECT_EQ(viewChecked(model), (Titles{"Alpha", "Bravo", "delta"}));

    // Typing narrows the list by title or artist, ignoring case; the marks stay with the books.
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("HAR"));
    ASSERT_EQ(viewTitles(model), (Titles{"charlie", "delta"})); // "charlie" by title, "delta" by its artist
    EXPECT_EQ(viewChecked(model), (Titles{"delta"}));
    EXPECT_EQ(m_window->selectAllButton->checkState(), Qt::Unchecked);

    // "Uncheck All" acts on the shown rows; the hidden checked books keep their marks, but
    // the export, like every command on checked books, takes only books that are shown.
    EXPECT_TRUE(action(QStringLiteral("Uncheck All"))->isEnabled());
    action(QStringLiteral("Uncheck All"))->trigger();
    EXPECT_EQ(checkedRecords(), (Titles{"Alpha", "Bravo"}));
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Uncheck All")));
    EXPECT_TRUE(m_window->menuStatus(QStringLiteral("Check All")));
    EXPECT_FALSE(m_window->ipodtoMacButton->isEnabled());
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Export to Mac")));

    // The highlighted second shown row is "delta": the "selected" commands map it to its book.
    highlightRows({1});
    EXPECT_TRUE(m_window->menuStatus(QStringLiteral("Check Selected")));
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Uncheck Selected")));
    m_window->selectMenu();
    EXPECT_EQ(checkedRecords(), (Titles{"delta", "Alpha", "Bravo"}));
    // The check-all box: the shown rows, the box over them, walked in the order shown.
    m_window->selectAllButton->setCheckState(Qt::Checked);
    m_window->clickAll();
    EXPECT_EQ(checkedRecords(), (Titles{"delta", "Alpha", "charlie", "Bravo"}));
    m_window->selectAllButton->setCheckState(Qt::Unchecked);
    m_window->clickAll();
    EXPECT_EQ(checkedRecords(), (Titles{"Alpha", "Bravo"}));

    // Every word must match somewhere; a filter that hides everything turns both items off.
    field->setText(QStringLiteral("rowan har"));
    EXPECT_EQ(viewTitles(model), (Titles{"charlie"}));
    field->setText(QStringLiteral("nothing like it"));
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Check All")));
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Uncheck All")));

    // Cleared, the sorted list is whole again with every mark where it was.
    field->clear();
    EXPECT_EQ(viewChecked(model), (Titles{"Alpha", "Bravo"}));
    EXPECT_EQ(viewTitles(model), (Titles{"Alpha", "Bravo", "charlie", "delta"}));
    // The marks follow the books back into the list's own order too.
    clickHeader(1);
    clickHeader(1);
    EXPECT_EQ(viewChecked(model), (Titles{"Alpha", "Bravo"}));
    EXPECT_EQ(viewTitles(model), (Titles{"delta", "Alpha", "charlie", "Bravo"}));

    // The filter goes with the table; the rows leave only inside the model's reset.
    int rowsAtResetStart = -1;
    QAbstractItemModel *books = static_cast<QSortFilterProxyModel *>(model)->sourceModel();
    QObject::connect(books, &QAbstractItemModel::modelAboutToBeReset,
                     [&] { rowsAtResetStart = books->rowCount(); });
    selectDevice();
    EXPECT_FALSE(field->isVisible());
    EXPECT_EQ(rowsAtResetStart, 4);
    EXPECT_EQ(books->rowCount(), 0);
}

TEST_F(MainWindowTest, KeyboardLinksAndQuestionAnswers)
{
    writeCatalogue({{"One", "AAAA.epub", true}, {"Two", "BBBB.epub", true}, {"Three", "CCCC.epub", true}});
    attach();
    selectList(1);
    AITableView *table = m_window->mediaTableView;

    // Ctrl+A selects rows and nothing else; "Check All" has a key of its own.
    for (QAction *item : m_window->mainWindow->findChildren<QAction *>())
        EXPECT_NE(item->shortcut(), QKeySequence(QKeySequence::SelectAll)) << item->text().toStdString();
    QAction *checkAll = action(QStringLiteral("Check All"));
    ASSERT_FALSE(checkAll->shortcut().isEmpty());
    m_window->unClickAllMenu();
    // Shortcuts act in the active window; the offscreen platform activates none by itself.
    QApplication::setActiveWindow(m_window->mainWindow);
    table->setFocus();
    QTest::keySequence(table, QKeySequence::SelectAll);
    EXPECT_EQ(table->selectionModel()->selectedRows().size(), 3);
    EXPECT_EQ(checkedRecords(), Titles{});
    ASSERT_TRUE(checkAll->isEnabled());
    QTest::keySequence(table, checkAll->shortcut());
    EXPECT_EQ(checkedRecords(), (Titles{"One", "Two", "Three"}));

    // Link buttons open their address from the keyboard: Space and Return.
    m_opened.clear();
    QTest::keyClick(m_window->homeLinkButton, Qt::Key_Space);
    QTest::keyClick(m_window->homeLinkButton, Qt::Key_Return);
    ASSERT_EQ(m_opened.size(), 2u);
    EXPECT_EQ(m_opened[0], m_window->homeLinkButton->linkURL());

    // A question's answer is the button clicked, even when a style has marked every
    // button's text with an accelerator.
    DialogInteraction dialogs;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [this] {
        for (auto *question : m_window->mainWindow->findChildren<QMessageBox *>()) {
            if (!question->isVisible())
                continue;
            for (QAbstractButton *button : question->buttons())
                button->setText(QLatin1Char('&') + button->text());
            for (QAbstractButton *button : question->buttons()) {
                if (button->text() == QStringLiteral("&YES"))
                    button->click();
            }
        }
    });
    clicker.start(10);
    EXPECT_EQ(dialogs.ask(m_window->mainWindow, QStringLiteral("Warning"), QStringLiteral("Replace?"),
                          {QStringLiteral("NO"), QStringLiteral("YES")}),
              AlertFirstButtonReturn + 1);
    clicker.stop();

    // Once cancel is asked, the title keeps saying so while the last reports come in.
    m_window->showProgressWindow();
    m_window->cancelCopyMediaIpodToPC();
    m_window->progressFun(1, "/books/next.epub", 4);
    ASSERT_TRUE(processMainEventsUntil([this] { return m_window->progressTitleLable->text() == QStringLiteral("25%"); }));
    EXPECT_EQ(m_window->progressTitle->text(), QStringLiteral("Stopping..."));
    m_window->endProgressWindow();
    // The next transfer's sheet starts afresh.
    m_window->showProgressWindow();
    m_window->progressFun(1, "/books/next.epub", 2);
    ASSERT_TRUE(processMainEventsUntil([this] { return m_window->progressTitleLable->text() == QStringLiteral("50%"); }));
    EXPECT_EQ(m_window->progressTitle->text(), QStringLiteral("Copying to: /books/next.epub"));
    m_window->endProgressWindow();
}

// A catalogue may hold a title of megabytes. Its record keeps it whole, but a cell lays out
// its whole text on every repaint, so the table shows (and its tool tip holds) a bounded part.
TEST_F(MainWindowTest, TitleOfMegabytesIsShownInPart)
{
    std::string huge = "Start of a long title";
    while (huge.size() < 4 * 1024 * 1024)
        huge += "\tand on";
    writeCatalogue({{huge, "HUGE.epub", true, "Ann Lee"}, {"Short", "SHRT.epub", true}});
    attach();
    selectList(1);
    ASSERT_EQ(rowCount(), 2);
    EXPECT_EQ((*medias)[0]->mediaName(), huge);

    QAbstractItemModel *model = m_window->mediaTableView->model();
    const QString shown = model->data(model->index(0, 1)).toString();
    EXPECT_LE(shown.size(), 1000);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Start of a long title and on and on"))) << shown.left(60).toStdString();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    const QString tip = model->data(model->index(0, 1), Qt::ToolTipRole).toString();
    EXPECT_LE(tip.size(), 5000);
    EXPECT_TRUE(tip.startsWith(shown.chopped(1)));
    EXPECT_EQ(rowTitle(1), "Short");

    // The window paints, and the filter still finds the book by its title.
    EXPECT_FALSE(m_window->mainWindow->grab().isNull());
    m_window->mainWindow->findChild<QLineEdit *>(QStringLiteral("bookFilterField"))->setText(QStringLiteral("start long"));
    ASSERT_EQ(rowCount(), 1);
    EXPECT_TRUE(rowTitle(0).starts_with("Start of a long title"));
}

// The table sorts by kept collation keys and filters by kept texts: over a thousand rows, the
// rows must be those a plain comparison of the records' own texts gives.
TEST(BookTableModel, SortAndFilterOfAThousandRowsMatchThePlainComparison)
{
    const std::shared_ptr<EpubList> saved = medias;
    medias = std::make_shared<EpubList>();
    const char *words[] = {"book", "Book", "BOOK", "Élan", "elan", "zebra", "Äpfel", "apfel", "10", "9"};
    for (int i = 0; i < 1000; ++i) {
        auto record = std::make_shared<epub>();
        // Titles that tie, differ in case and accents, and carry numbers that sort by value.
        record->setMediaName(std::string(words[i % 10]) + " " + std::to_string((i * 7919) % 1300) + " " +
                             words[(i / 10) % 10]);
        record->setMediaArtist("Writer " + std::to_string(i % 97));
        record->setMediaAlbum(i % 5 ? "" : "Series " + std::to_string(i % 211));
        record->setMediaGenre(i % 3 ? "Fiction" : "History");
        record->setMediaPcPath("B" + std::to_string(i) + ".epub");
        medias->push_back(std::move(record));
    }
    MediaTableModel books;
    books.setColumnIdentifiers({mediaNameRowTitle, mediaArtistRowTitle, mediaAlbumRowTitle, mediaGenreRowTitle, "Size"});
    // A column of numbers filled from elsewhere, as the books' sizes are; many tie.
    auto sizeOf = [](const epub &record) { return qulonglong(std::hash<std::string>()(record.mediaPcPath()) % 700); };
    books.setCellSource([&](const epub &record, const std::string &identifier, int role) {
        return identifier == "Size" && role == MediaTableModel::SortRole ? QVariant(sizeOf(record)) : QVariant();
    });
    books.reloadData();
    MediaSortFilterModel shown(&books);

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    auto shownOrder = [&] {
        std::vector<int> rows;
        for (int row = 0; row < shown.rowCount(); ++row)
            rows.push_back(shown.sourceRow(row));
        return rows;
    };
    // A sort keeps the order the rows had for ties (the proxy's sort is stable).
    std::vector<int> expected(medias->size());
    std::iota(expected.begin(), expected.end(), 0);
    for (int column = 1; column <= 3; ++column) {
        const std::string identifier = books.columnIdentifier(column);
        auto text = [&](int row) {
            return MediaTableModel::recordData(identifier, *(*medias)[static_cast<size_t>(row)], MediaTableModel::SortRole)
                .toString();
        };
        std::stable_sort(expected.begin(), expected.end(),
                         [&](int a, int b) { return collator.compare(text(a), text(b)) < 0; });
        shown.sort(column, Qt::AscendingOrder);
        std::vector<int> seen = shownOrder();
        ASSERT_EQ(seen.size(), expected.size());
        for (size_t i = 0; i < seen.size(); ++i)
            ASSERT_EQ(seen[i], expected[i]) << identifier << " at " << i << ": " << text(seen[i]).toStdString()
                                            << " / " << text(expected[i]).toStdString();
        std::stable_sort(expected.begin(), expected.end(),
                         [&](int a, int b) { return collator.compare(text(b), text(a)) < 0; });
        shown.sort(column, Qt::DescendingOrder);
        EXPECT_EQ(shownOrder(), expected) << identifier;
    }

    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
        return sizeOf(*(*medias)[static_cast<size_t>(a)]) < sizeOf(*(*medias)[static_cast<size_t>(b)]);
    });
    shown.sort(5, Qt::AscendingOrder);
    EXPECT_EQ(shownOrder(), expected) << "Size";

    // A filter typed key by key: every word in one of the four texts, ignoring case.
    shown.sort(-1);
    const QString typed = QStringLiteral("élan 12 writer 5 hist");
    for (qsizetype length = 1; length <= typed.size(); ++length) {
        shown.setFilterText(typed.left(length));
        const QStringList filter = typed.left(length).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        std::vector<int> expected;
        for (int row = 0; row < static_cast<int>(medias->size()); ++row) {
            const epub &record = *(*medias)[static_cast<size_t>(row)];
            const QString all[] = {QString::fromStdString(record.mediaName()), QString::fromStdString(record.mediaArtist()),
                                   QString::fromStdString(record.mediaAlbum()), QString::fromStdString(record.mediaGenre())};
            const bool passes = std::all_of(filter.begin(), filter.end(), [&](const QString &word) {
                return std::any_of(std::begin(all), std::end(all),
                                   [&](const QString &t) { return t.contains(word, Qt::CaseInsensitive); });
            });
            if (passes)
                expected.push_back(row);
        }
        ASSERT_EQ(shownOrder(), expected) << typed.left(length).toStdString();
        for (int row = 0; row < static_cast<int>(medias->size()); ++row)
            ASSERT_EQ(shown.showsRow(row), std::binary_search(expected.begin(), expected.end(), row)) << row;
    }
    EXPECT_FALSE(shownOrder().empty());
    medias = saved;
}
