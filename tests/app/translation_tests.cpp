// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The window in other languages: in a pseudo-language that marks every text going through
// Qt's translation, every window, dialog, menu and reason shows only marked texts and names; with the
// user's language German, the window and Qt's own dialog buttons speak German.
#include "app/cataloguebackupdialog.h"
#include "app/devicenamecell.h"
#include "app/qtloadwindow.h"
#include "app/translations.h"
#include "appfixture.h"
#include "core/appconfigure.h"
#include "core/mainqueue.h"
#include "operations/bookpath.h"
#include "operations/epubarchive.h"
#include "widgets/aioutlineview.h"
#include "widgets/xlpopupmenubutton.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTranslator>

#include <functional>
#include <string>

namespace {

const QString kOpen = QStringLiteral("\u27E6");
const QString kClose = QStringLiteral("\u27E7");

// Every source text, of ours and of Qt, comes back wrapped in the marks.
class PseudoTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *source, const char *, int) const override
    {
        return source && *source ? kOpen + QString::fromUtf8(source) + kClose : QString();
    }
};

struct Shown
{
    QString where;
    QString text;
};

void addShown(std::vector<Shown> &out, const QObject *owner, const char *what, const QString &text)
{
    if (!text.trimmed().isEmpty())
        out.push_back(
            {QString::fromLatin1(owner->metaObject()->className()) + QLatin1Char(' ') + owner->objectName() + QLatin1Char('.')
                 + QLatin1String(what),
             text});
}

// What a window and everything in it shows or reads out: titles, texts, tool tips, hints in
// empty fields, accessible names, menu items and column headings.
void collectShown(QWidget *root, std::vector<Shown> &out)
{
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : widgets) {
        if (widget->isWindow())
            addShown(out, widget, "windowTitle", widget->windowTitle());
        addShown(out, widget, "toolTip", widget->toolTip());
        addShown(out, widget, "accessibleName", widget->accessibleName());
        if (auto *label = qobject_cast<QLabel *>(widget))
            addShown(out, widget, "text", label->text());
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            addShown(out, widget, "text", button->text());
        if (auto *field = qobject_cast<QLineEdit *>(widget))
            addShown(out, widget, "placeholderText", field->placeholderText());
        if (auto *menu = qobject_cast<QMenu *>(widget))
            addShown(out, widget, "title", menu->title());
        if (auto *view = qobject_cast<QAbstractItemView *>(widget); view && view->model()) {
            for (int column = 0; column < view->model()->columnCount(); ++column)
                addShown(out, widget, "header", view->model()->headerData(column, Qt::Horizontal).toString());
        }
    }
    for (QAction *action : root->findChildren<QAction *>())
        addShown(out, action, "text", action->text());
}

// The rows of the device list as its cells show them, with their tool tips, and what a screen
// reader reads: the accessible text, or the display text when there is none.
void collectListNames(const QAbstractItemModel &model, const QModelIndex &parent, std::vector<Shown> &out)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        addShown(out, &model, "row", shownListName(index.data().toString()));
        addShown(out, &model, "toolTip", index.data(Qt::ToolTipRole).toString());
        const QString accessible = index.data(Qt::AccessibleTextRole).toString();
        addShown(out, &model, "accessibleText", accessible.isEmpty() ? index.data().toString() : accessible);
        collectListNames(model, index, out);
    }
}

class TranslationTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        installLanguage();
        MainWindowTest::SetUp();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    virtual void installLanguage() = 0;

private:
};

class PseudoLanguageTest : public TranslationTest
{
protected:
    void installLanguage() override { QCoreApplication::installTranslator(new PseudoTranslator(qApp)); }
};

// A name (of a device, a book, the program), a number or a size: shown as it is in every
// language.
bool isName(const QString &text)
{
    static const QStringList names = {QString::fromUtf8(AppName), QStringLiteral("Anna"), QStringLiteral("F2LZK0QMN72J"),
                                      QStringLiteral("16.7"), QStringLiteral("APFS"), QStringLiteral("iPhone"),
                                      QStringLiteral("Emma"), QStringLiteral("Middlemarch")};
    static const QRegularExpression sizeOrNumber(QStringLiteral("^[0-9 .,:%]*(bytes|B|KB|MB|GB|TB)?$"));
    static const QRegularExpression deviceRow(QStringLiteral("^Anna\\([0-9.]+GB/[0-9.]+GB\\)$"));
    return names.contains(text) || sizeOrNumber.match(text).hasMatch() || deviceRow.match(text).hasMatch()
           || text.startsWith(QLatin1String("https://"));
}

} // namespace

TEST_F(PseudoLanguageTest, EveryWindowDialogAndMenuShowsOnlyTranslatedTextsAndNames)
{
    // "Odd" names no book folder: its deletion fails with a reason from the layers below.
    writeCatalogue({{"Emma", "/Books/emma.epub", false},
                    {"Middlemarch", "/Books/middlemarch.epub", true},
                    {"Odd", "x/y.epub", true}});
    std::vector<Shown> shown;
    collectShown(m_window->mainWindow, shown); // without a device: the getting-started page
    attach();
    selectDevice(); // the device panel
    collectShown(m_window->mainWindow, shown);
    selectList(1); // "Custom Books": the book table and its headings
    collectShown(m_window->mainWindow, shown);
    collectListNames(*m_window->iPodTableView->model(), {}, shown);

    // The windows beside the main one, each filled as it is shown.
    m_window->showProgressWindow();
    m_window->progressFun(1, m_files.file("Emma.epub"), 2);
    const auto *progressTitle = m_window->progressWindow->findChild<QLabel *>(QStringLiteral("progressTitle"));
    ASSERT_TRUE(progressTitle);
    ASSERT_TRUE(processMainEventsUntil([&] { return progressTitle->text().contains(QLatin1String("Emma.epub")); }));
    collectShown(m_window->progressWindow, shown);
    m_window->endProgressWindow();
    m_window->fillFailedWindow({{"Emma.epub", "no space left"}});
    collectShown(m_window->failedWindow, shown);
    for (QWidget *window : std::initializer_list<QWidget *>{m_window->aboultDlg, m_window->preferencesWindow,
                                                            m_window->loadwindow, m_window->tableMenu, m_window->deviceMenu})
        collectShown(window, shown);
    CatalogueBackupDialog none(QStringLiteral("Anna"), {}, m_window->mainWindow);
    collectShown(&none, shown);
    CatalogueBackupDialog kept(QStringLiteral("Anna"), {{"/nowhere/0.plist", "demo", "2026-12-06 09:41:07.120", 2048}},
                               m_window->mainWindow);
    collectShown(&kept, shown);

    // The questions the commands ask go through the same translation, and so do the reasons
    // the operations give, in the failure window too.
    QString shownReason;
    closeFailuresAsTheyShow([&] {
        const auto *failed = m_window->failedWindow->findChild<QListWidget *>(QStringLiteral("failedList"));
        if (failed && failed->count() > 0)
            shownReason = failed->item(0)->text();
    });
    ASSERT_EQ(rowTitle(1), "Odd");
    highlightRows({1});
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    m_window->deleteSelectedItem();
    ASSERT_TRUE(waitForTransferEnd());
    ASSERT_TRUE(processMainEventsUntil([&] { return !shownReason.isEmpty(); }));
    ASSERT_FALSE(m_interaction->questions.empty());
    for (const QString &question : m_interaction->questions)
        shown.push_back({QStringLiteral("question"), question});
    ASSERT_EQ(m_window->lastFailures().size(), 1u);
    const QString reason = QString::fromStdString(m_window->lastFailures()[0].reason);
    EXPECT_TRUE(reason.startsWith(kOpen) && reason.contains(QLatin1String("x/y.epub"))) << reason.toStdString();
    shown.push_back({QStringLiteral("failure window"), shownReason});

    ASSERT_GT(shown.size(), 100u); // the sweep reached the windows
    QStringList unmarked;
    for (const Shown &item : shown) {
        if (!item.text.contains(kOpen) && !isName(item.text))
            unmarked << item.where + QStringLiteral(": ") + item.text;
    }
    unmarked.removeDuplicates();
    EXPECT_TRUE(unmarked.isEmpty()) << "shown without translation:\n" << unmarked.join(QLatin1Char('\n')).toStdString();
}

class GermanTest : public TranslationTest
{
protected:
    void installLanguage() override
    {
        ASSERT_EQ(installTranslations(*qApp, {QStringLiteral("de-AT"), QStringLiteral("fr")}), QStringLiteral("de_AT"))
            << "no translation in " << translationsDir().toStdString();
    }
};

TEST_F(GermanTest, TheWindowAndQtsOwnButtonsSpeakTheUsersLanguage)
{
    attach();
    EXPECT_EQ(m_window->addMediaButton->accessibleName(), QStringLiteral("Bücher hinzufügen"));
    EXPECT_EQ(m_window->mainWindow->findChild<QMenu *>(QStringLiteral("fileMenu"))->title(), QStringLiteral("Datei"));
    EXPECT_EQ(shownListName(QStringLiteral("Custom Books")), QStringLiteral("Eigene Bücher"));
    // The rules still know the commands: with Custom Books selected, adding books is offered.
    selectList(1);
    m_window->validateMenus();
    EXPECT_TRUE(m_window->mainWindow->findChild<QAction *>(QStringLiteral("actionFileToDevice"))->isEnabled());
    // The help opens on the page in the user's language.
    m_window->help();
    ASSERT_FALSE(m_opened.empty());
    EXPECT_TRUE(m_opened.back().toLocalFile().endsWith(QLatin1String("help/index.de.html"))) << m_opened.back().toString().toStdString();
    // Qt's own texts come from Qt's translations.
    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    // The reasons of the layers below: the operations', and the ePub archive's, which stand
    // without Qt and are handed the same translation.
    EXPECT_EQ(bookPathProblem({}), "das Buch hat keinen „Path“ im Katalog");
    std::string error;
    EXPECT_FALSE(unpackEpubArchive(m_files.file("none.epub"), m_files.file("unpacked"), &error));
    EXPECT_EQ(error.rfind("keine lesbare ePub-Datei (ZIP): ", 0), 0u) << error;
}

// English is the source language: an English user gets no translation even where a later
// language in the list has one.
TEST(TranslationChoiceTest, TheFirstLanguageWithATranslationWinsAndEnglishEndsTheSearch)
{
    const struct
    {
        QStringList languages;
        QString installed;
    } cases[] = {
        {{QStringLiteral("en-GB"), QStringLiteral("de")}, {}},
        {{QStringLiteral("C")}, {}},
        {{QStringLiteral("pt-BR"), QStringLiteral("es-MX"), QStringLiteral("fr")}, QStringLiteral("es_MX")},
        {{QStringLiteral("fr-CA")}, QStringLiteral("fr_CA")},
    };
    for (const auto &each : cases) {
        EXPECT_EQ(installTranslations(*qApp, each.languages), each.installed) << each.languages.join(u':').toStdString();
        const QList<QTranslator *> installed = qApp->findChildren<QTranslator *>();
        EXPECT_EQ(installed.isEmpty(), each.installed.isEmpty());
        for (QTranslator *translator : installed) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
}
