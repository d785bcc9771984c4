// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/mainqueue.h"
#include "testimages.h"
#include "widgets/xldrawfunc.h"
#include "widgets/xlview.h"
#include "widgets/xlwindow.h"

#include <QBuffer>
#include <QDataStream>
#include <QDialog>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

const QColor kWindowColour(0x12, 0x34, 0x56);

// A view inside a window whose background colour the tests know.
struct ViewInWindow
{
    ViewInWindow()
    {
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, kWindowColour);
        window.setPalette(palette);
        window.resize(100, 100);
        view = new XLView(&window);
        view->setGeometry(10, 10, 30, 20);
    }
    QWidget window;
    XLView *view;
};

bool allPixels(const QImage &image, const QRect &area, QRgb colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != colour)
                return false;
    return true;
}

TEST(XLViewBackground, UnsetColourPaintsTheWindowBackgroundButBlackIsHonoured)
{
    ViewInWindow setup;
    EXPECT_TRUE(allPixels(renderWidget(*setup.view), QRect(0, 0, 30, 20), kWindowColour.rgb()));

    setup.view->setColorBackground(QColor(0, 0, 0));
    EXPECT_TRUE(allPixels(renderWidget(*setup.view), QRect(0, 0, 30, 20), qRgb(0, 0, 0)));
}

TEST(XLViewBackground, BorderSurroundsAFillThatStartsOnePixelInside)
{
    ViewInWindow setup;
    setup.view->setDrawBorder(true);
    setup.view->setColorBorder(Qt::red);
    setup.view->setColorBackground(Qt::blue);
    const QImage drawn = renderWidget(*setup.view);
    EXPECT_TRUE(allPixels(drawn, QRect(0, 0, 30, 1), qRgb(255, 0, 0)));
    EXPECT_TRUE(allPixels(drawn, QRect(0, 19, 30, 1), qRgb(255, 0, 0)));
    EXPECT_TRUE(allPixels(drawn, QRect(0, 0, 1, 20), qRgb(255, 0, 0)));
    EXPECT_TRUE(allPixels(drawn, QRect(29, 0, 1, 20), qRgb(255, 0, 0)));
    EXPECT_TRUE(allPixels(drawn, QRect(1, 1, 28, 18), qRgb(0, 0, 255)));

    // Tiles reach past their area but never over the border.
    setup.view->setUseBackgroundColor(false);
    setup.view->setImageBackgroundByImage(solidImage(16, 16, Qt::green));
    setup.view->setFillMode(0);
    const QImage tiled = renderWidget(*setup.view);
    EXPECT_TRUE(allPixels(tiled, QRect(29, 0, 1, 20), qRgb(255, 0, 0)));
    EXPECT_TRUE(allPixels(tiled, QRect(0, 19, 30, 1), qRgb(255, 0, 0)));
    EXPECT_TRUE(allPixels(tiled, QRect(1, 1, 28, 18), qRgb(0, 255, 0)));
}

TEST(XLViewBackground, FillModesAndTheColourSwitch)
{
    ViewInWindow setup;
    XLView &view = *setup.view;
    const QImage skin = codedImage(30, 30);
    view.setImageBackgroundByImage(skin);
    view.resize(60, 40);

    // Mode 2 (the default) composes the skin for the view's size.
    EXPECT_EQ(renderWidget(view), makeImage(skin, QSizeF(60, 40), 10, 10).convertToFormat(QImage::Format_ARGB32));

    view.setFillMode(1);
    const QImage stretched = renderWidget(view);
    EXPECT_EQ(stretched.pixel(0, 0), skin.pixel(0, 0));
    EXPECT_EQ(stretched.pixel(59, 39), skin.pixel(29, 29));

    view.setFillMode(0);
    const QImage tiled = renderWidget(view);
    EXPECT_EQ(tiled.pixel(31, 5), skin.pixel(1, 5));
    EXPECT_EQ(tiled.pixel(5, 35), skin.pixel(5, 5));

    // An unknown mode paints nothing at all.
    view.setFillMode(3);
    EXPECT_TRUE(allPixels(renderWidget(view, Qt::magenta), QRect(0, 0, 60, 40), QColor(Qt::magenta).rgb()));

    // The plain colour wins over the skin.
    view.setFillMode(2);
    view.setColorBackground(Qt::yellow);
    view.setUseBackgroundColor(true);
    EXPECT_TRUE(allPixels(renderWidget(view), QRect(0, 0, 60, 40), qRgb(255, 255, 0)));
}

TEST(XLViewBackground, UnreadableSkinKeepsThePreviousOne)
{
    XLView view;
    const QImage skin = codedImage(8, 8);
    view.setImageBackgroundByImage(skin);
    EXPECT_FALSE(view.setImageBackgroundByPath(QStringLiteral("/nonexistent/skin.png")));
    EXPECT_EQ(view.imageBackground(), skin);
}

void configure(XLView &view)
{
    view.setSplitterHorizontal(7);
    view.setSplitterVertical(-3);
    view.setImageBackgroundByImage(codedImage(12, 9));
    view.setColorBackground(QColor(0, 0, 0));
    view.setColorBorder(QColor(10, 20, 30, 40));
    view.setFillMode(1);
    view.setUseBackgroundColor(true);
    view.setDrawBorder(true);
}

void expectSameSettings(const XLView &a, const XLView &b)
{
    EXPECT_EQ(a.splitterHorizontal(), b.splitterHorizontal());
    EXPECT_EQ(a.splitterVertical(), b.splitterVertical());
    EXPECT_EQ(a.imageBackground(), b.imageBackground());
    EXPECT_EQ(a.colorBackground(), b.colorBackground());
    EXPECT_EQ(a.colorBorder(), b.colorBorder());
    EXPECT_EQ(a.fillMode(), b.fillMode());
    EXPECT_EQ(a.useBackgroundColor(), b.useBackgroundColor());
    EXPECT_EQ(a.drawBorder(), b.drawBorder());
}

TEST(XLViewArchive, StreamsTheEightSettingsInOrderAndRejectsATruncatedRecord)
{
    XLView original;
    configure(original);
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << original;
    }
    // The record starts with the two splitters as 32-bit integers.
    QDataStream head(bytes);
    qint32 first = 0, second = 0;
    head >> first >> second;
    EXPECT_EQ(first, 7);
    EXPECT_EQ(second, -3);

    XLView restored;
    QDataStream in(bytes);
    in >> restored;
    EXPECT_EQ(in.status(), QDataStream::Ok);
    expectSameSettings(original, restored);

    // A record cut short changes nothing.
    XLView untouched;
    const QByteArray cut = bytes.left(bytes.size() - 1);
    QDataStream shortIn(cut);
    EXPECT_FALSE(untouched.initWithCoder(shortIn));
    EXPECT_EQ(untouched.fillMode(), 2);
    EXPECT_EQ(untouched.splitterHorizontal(), 10);
    EXPECT_FALSE(untouched.colorBackground().isValid());
}

TEST(XLViewCopy, CopiesTheSettingsButNotGeometryOrChildren)
{
    XLView original;
    configure(original);
    original.setGeometry(5, 6, 123, 45);
    new QPushButton(QStringLiteral("child"), &original);
    const auto copy = original.copyWithZone();
    expectSameSettings(original, *copy);
    EXPECT_NE(copy->geometry(), original.geometry());
    EXPECT_TRUE(copy->findChildren<QWidget *>().isEmpty());
}

TEST(XLViewButtons, TitlesAreCutAtTheTailOnce)
{
    XLView view;
    view.resize(300, 100);
    const QString title = QStringLiteral("Transfer every selected book to the computer");
    auto *button = new QPushButton(title);
    button->resize(90, 30);
    view.addSubview(button);
    EXPECT_EQ(button->parent(), &view);
    EXPECT_EQ(button->property("key").toString(), title);
    EXPECT_EQ(button->text(), title); // the title itself stays whole

    const QString shown = XLView::displayedTitle(button);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(title.startsWith(shown.chopped(1)));
    EXPECT_LT(button->fontMetrics().horizontalAdvance(shown), 90);

    // Adding it again changes nothing.
    const QImage once = renderWidget(*button);
    view.addSubview(button);
    EXPECT_EQ(button->property("key").toString(), title);
    EXPECT_EQ(XLView::displayedTitle(button), shown);
    EXPECT_EQ(renderWidget(*button), once);

    // The cut title is what the button shows: it differs from a plain button's picture.
    QPushButton plain(title);
    plain.resize(90, 30);
    EXPECT_NE(renderWidget(plain), once);

    // A wide enough button shows its whole title.
    button->resize(600, 30);
    EXPECT_EQ(XLView::displayedTitle(button), title);
}

TEST(XLViewButtons, FormMadeButtonsAreConvertedAndEmptyTitlesLeftAlone)
{
    XLView view;
    auto *titled = new QPushButton(&view);
    titled->setText(QStringLiteral("Add"));
    auto *empty = new QPushButton(&view);
    titled->ensurePolished();
    empty->ensurePolished();
    EXPECT_EQ(titled->property("key").toString(), QStringLiteral("Add"));
    EXPECT_FALSE(empty->property("key").isValid());
}

class LanguageAware : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    int refreshed = 0;
public Q_SLOTS:
    void refreshLanguage() { ++refreshed; }
};

TEST(XLViewLanguage, PassesTheRefreshToChildrenThatHaveIt)
{
    XLView view;
    auto *first = new LanguageAware(&view);
    new QWidget(&view);
    auto *nestedView = new XLView(&view);
    auto *nested = new LanguageAware(nestedView);
    view.refreshLanguage();
    EXPECT_EQ(first->refreshed, 1);
    EXPECT_EQ(nested->refreshed, 1);

    XLWindow window;
    auto *content = new LanguageAware(&window);
    window.setCentralWidget(content);
    auto *dialog = new LanguageAware(&window);
    dialog->setWindowFlag(Qt::Dialog);
    window.refreshLanguage();
    EXPECT_EQ(content->refreshed, 1);
    EXPECT_EQ(dialog->refreshed, 1);
}

TEST(XLWindowSkin, BackgroundIsRebuiltOnResizeWithCornersAtPixelSize)
{
    XLWindow window;
    window.setSplitterHorizontal(10);
    window.setSplitterVertical(10);
    window.resize(200, 120);
    window.show();
    ASSERT_TRUE(processMainEventsUntil([&] { return window.size() == QSize(200, 120); }));

    const QImage skin = codedImage(30, 30);
    window.setImageBackground(skin);
    auto background = [&] { return window.palette().brush(QPalette::Window).textureImage(); };
    EXPECT_EQ(background(), makeImage(skin, QSizeF(200, 120), 10, 10));

    window.resize(150, 90);
    ASSERT_TRUE(processMainEventsUntil([&] { return background().size() == QSize(150, 90); }));
    const QImage rebuilt = background();
    EXPECT_EQ(rebuilt.copy(0, 0, 10, 20), skin.copy(0, 0, 10, 20).convertToFormat(rebuilt.format()));
    EXPECT_EQ(rebuilt.copy(130, 0, 20, 20), skin.copy(10, 0, 20, 20).convertToFormat(rebuilt.format()));
    EXPECT_EQ(rebuilt.copy(0, 80, 10, 10), skin.copy(0, 20, 10, 10).convertToFormat(rebuilt.format()));
    EXPECT_EQ(rebuilt.copy(130, 80, 20, 10), skin.copy(10, 20, 20, 10).convertToFormat(rebuilt.format()));

    // What the window shows is that picture.
    const QImage shown = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(shown.pixel(0, 0), skin.pixel(0, 0));
    EXPECT_EQ(shown.pixel(149, 89), skin.pixel(29, 29));

    // An unreadable skin and an unknown mode keep the current background.
    EXPECT_FALSE(window.setImageBackgroundByPath(QStringLiteral("/nonexistent/skin.png")));
    EXPECT_FALSE(window.setImageBackgroundByPath(QString()));
    EXPECT_EQ(window.imageBackground(), skin);
    window.setFillMode(7);
    window.windowDidResize();
    EXPECT_EQ(background(), rebuilt);
}

TEST(XLWindowSkin, TileAndStretchModesCoverTheWindow)
{
    XLWindow window;
    window.resize(40, 40);
    window.show();
    ASSERT_TRUE(processMainEventsUntil([&] { return window.size() == QSize(40, 40); }));
    const QImage tile = codedImage(16, 16);
    window.setFillMode(0);
    window.setImageBackground(tile);
    const QImage tiled = window.palette().brush(QPalette::Window).textureImage();
    ASSERT_EQ(tiled.size(), QSize(40, 40));
    EXPECT_EQ(tiled.pixel(17, 33), tile.pixel(1, 1));

    window.setFillMode(1);
    window.windowDidResize();
    const QImage stretched = window.palette().brush(QPalette::Window).textureImage();
    EXPECT_EQ(stretched.pixel(39, 39), tile.pixel(15, 15));
}

} // namespace

#include "xlview_tests.moc"
