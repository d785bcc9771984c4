// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
//
// bookferry-gallery [FOLDER]: draws each skinned widget in its main states and writes one PNG
// per picture into FOLDER (default: gallery/ beside the build's bin/ folder). Needs no
// display: without QT_QPA_PLATFORM it draws offscreen.
#include "core/resources.h"
#include "widgets/aioutlineview.h"
#include "widgets/aitableview.h"
#include "widgets/imageandtextcell.h"
#include "widgets/linkbutton.h"
#include "widgets/linkimageview.h"
#include "widgets/silder.h"
#include "widgets/xlpopupmenubutton.h"
#include "widgets/xlview.h"
#include "widgets/xlwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>

namespace {

QImage resourceImage(const char *name)
{
    return QImage(QString::fromStdString(resourcePath(name)));
}

// The add button with its caption and menu arrow drawn over the skin.
class CaptionedPopupButton : public XLPopupMenuButton
{
public:
    using XLPopupMenuButton::XLPopupMenuButton;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        XLPopupMenuButton::paintEvent(event);
        QPainter painter(this);
        drawTitle(painter);
        drawPullDownArrow(painter);
    }
};

class Gallery
{
public:
    explicit Gallery(QDir folder) : m_folder(std::move(folder)) {}

    // Lays the widget out on a neutral card with a margin and writes it.
    void shoot(const char *name, QWidget &widget, int margin = 12)
    {
        QWidget card;
        QPalette palette = card.palette();
        palette.setColor(QPalette::Window, QColor(0xfa, 0xfa, 0xfb));
        card.setPalette(palette);
        card.setAutoFillBackground(true);
        auto *layout = new QVBoxLayout(&card);
        layout->setContentsMargins(margin, margin, margin, margin);
        QWidget *previousParent = widget.parentWidget();
        const QSize size = widget.size();
        widget.setParent(&card);
        widget.setFixedSize(size);
        layout->addWidget(&widget);
        card.adjustSize();
        card.show();
        card.setFocus(); // no focus frame on the first focusable child
        QApplication::processEvents();
        save(name, card.grab().toImage());
        layout->removeWidget(&widget);
        widget.setParent(previousParent);
    }

    void save(const char *name, const QImage &image)
    {
        const QString path = m_folder.filePath(QString::fromUtf8(name));
        if (image.isNull() || !image.save(path, "PNG")) {
            std::fprintf(stderr, "bookferry-gallery: cannot write %s\n", qPrintable(path));
            m_failed = true;
            return;
        }
        std::printf("%s\n", qPrintable(path));
    }

    bool failed() const { return m_failed; }

private:
    QDir m_folder;
    bool m_failed = false;
};

void storageBars(Gallery &gallery)
{
    const QSize size = silder().sizeHint();
    silder empty;
    empty.resize(size);
    gallery.shoot("silder_empty.png", empty);

    // A 64 GB device: audio 12, video 8, photos 5, other 3, the rest free.
    silder typical(64, 36, 8, 12, 5, 3);
    typical.resize(size);
    gallery.shoot("silder_typical.png", typical);

    silder full(64, 0, 20, 24, 12, 8);
    full.resize(size);
    gallery.shoot("silder_full.png", full);
}

void skinnedViews(Gallery &gallery)
{
    const QImage panel = resourceImage("skin_panel.png");
    const QImage window = resourceImage("skin_window.png");
    // A small woven tile to show the tiling.
    QImage tile(12, 12, QImage::Format_ARGB32);
    tile.fill(QColor(0xf1, 0xf5, 0xf9));
    {
        QPainter painter(&tile);
        painter.fillRect(0, 0, 6, 6, QColor(0xe2, 0xe8, 0xf0));
        painter.fillRect(6, 6, 6, 6, QColor(0xe2, 0xe8, 0xf0));
    }
    struct
    {
        const char *name;
        int mode;
        QImage skin;
    } modes[] = {{"xlview_tile.png", 0, tile}, {"xlview_stretch.png", 1, window}, {"xlview_corners.png", 2, panel}};
    for (const auto &mode : modes) {
        XLView view;
        view.setImageBackgroundByImage(mode.skin);
        view.setFillMode(mode.mode);
        view.resize(220, 120);
        gallery.shoot(mode.name, view);
    }

    XLView plain;
    plain.resize(220, 120);
    gallery.shoot("xlview_window_colour.png", plain);

    XLView bordered;
    bordered.setColorBackground(QColor(0xee, 0xf2, 0xff));
    bordered.setColorBorder(QColor(0x3b, 0x82, 0xf6));
    bordered.setDrawBorder(true);
    bordered.resize(220, 120);
    gallery.shoot("xlview_colour_border.png", bordered);

    // Buttons too narrow for their titles are cut at the tail.
    XLView buttons;
    buttons.setImageBackgroundByImage(panel);
    buttons.resize(260, 90);
    auto *narrow = new QPushButton(QStringLiteral("Export selected books to the computer"));
    narrow->setGeometry(14, 14, 140, 28);
    buttons.addSubview(narrow);
    auto *fits = new QPushButton(QStringLiteral("Export"));
    fits->setGeometry(164, 14, 80, 28);
    buttons.addSubview(fits);
    auto *check = new QCheckBox(QStringLiteral("Replace books that already exist"));
    check->setGeometry(14, 50, 180, 24);
    buttons.addSubview(check);
    gallery.shoot("xlview_buttons.png", buttons);
}

void skinnedWindow(Gallery &gallery)
{
    XLWindow window;
    window.setCentralWidget(new QWidget);
    auto *layout = new QVBoxLayout(window.centralWidget());
    auto *label = new QLabel(QStringLiteral("Skinned window, corners and edges"));
    layout->addWidget(label, 0, Qt::AlignTop | Qt::AlignHCenter);
    // A view with no colour of its own shows the window's background, lined up with it.
    auto *inner = new XLView;
    inner->setDrawBorder(true);
    inner->setColorBorder(QColor(0xd1, 0xd5, 0xdb));
    layout->addWidget(inner, 1);
    window.resize(360, 220);
    window.setImageBackground(resourceImage("skin_window.png"));
    window.show();
    QApplication::processEvents();
    gallery.save("xlwindow_corners.png", window.grab().toImage());
}

void popupButtons(Gallery &gallery)
{
    auto make = [](XLPopupMenuButton &button) {
        button.setImageSelected(resourceImage("mac to ipod-1.png"));
        button.setImage(resourceImage("mac to ipod-2.png"));
        button.setImageDisabled(resourceImage("mac to ipod-3.png"));
        button.resize(button.sizeHint());
    };
    XLPopupMenuButton normal;
    make(normal);
    gallery.shoot("xlpopupmenubutton_normal.png", normal);

    XLPopupMenuButton pressed;
    make(pressed);
    pressed.setState(1);
    gallery.shoot("xlpopupmenubutton_pressed.png", pressed);

    XLPopupMenuButton disabled;
    make(disabled);
    disabled.setEnabled(false);
    gallery.shoot("xlpopupmenubutton_disabled.png", disabled);

    XLPopupMenuButton missing;
    missing.resize(48, 32);
    gallery.shoot("xlpopupmenubutton_no_image.png", missing);

    CaptionedPopupButton captioned;
    captioned.setImage(resourceImage("popup_button.png"));
    captioned.setImagePullDown(resourceImage("popup_arrow.png"));
    captioned.setTitle(QStringLiteral("Add"));
    captioned.resize(96, 32);
    gallery.shoot("xlpopupmenubutton_title_arrow.png", captioned);
}

void links(Gallery &gallery)
{
    QWidget row;
    auto *layout = new QHBoxLayout(&row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *home = new LinkButton;
    home->setLinkAttribute(QStringLiteral("https://bookferry.org/"));
    auto *empty = new LinkButton;
    empty->setLinkAttribute(QStringLiteral("Support"));
    layout->addWidget(home);
    layout->addWidget(empty);
    layout->addStretch();
    row.resize(320, home->sizeHint().height());
    gallery.shoot("linkbutton.png", row);

    linkImageView logo;
    if (!logo.bgImage().isNull()) {
        logo.resize(logo.bgImage().size());
        gallery.shoot("linkimageview.png", logo);
    }
}

QImage iconOr(const char *name, QColor fallback)
{
    QImage icon = resourceImage(name);
    if (icon.isNull()) {
        icon = QImage(16, 16, QImage::Format_ARGB32);
        icon.fill(fallback);
    }
    return icon.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void lists(Gallery &gallery)
{
    QStandardItemModel devices;
    auto *device = new QStandardItem(QStringLiteral("Reading iPhone with a rather long name"));
    device->setData(iconOr("iphonenor.png", QColor(0x37, 0x41, 0x51)), Qt::DecorationRole);
    for (const char *title : {"iTunes Books", "Custom Books"}) {
        auto *list = new QStandardItem(QString::fromUtf8(title));
        list->setData(iconOr("book.png", QColor(0x10, 0xb9, 0x81)), Qt::DecorationRole);
        device->appendRow(list);
    }
    devices.appendRow(device);
    AIOutLineView outline;
    outline.setHeaderHidden(true);
    ImageAndTextCell cell;
    outline.setItemDelegate(&cell);
    outline.setModel(&devices);
    outline.expandAll();
    outline.setCurrentIndex(devices.index(1, 0, devices.index(0, 0)));
    outline.resize(220, 110);
    gallery.shoot("aioutlineview_imageandtextcell.png", outline);

    QStandardItemModel books;
    books.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Artist"), QStringLiteral("Genre")});
    const char *rows[][3] = {{"Pride and Prejudice", "Jane Austen", "Fiction"},
                             {"The Time Machine", "H. G. Wells", "Science Fiction"},
                             {"A Tale of Two Cities", "Charles Dickens", "Fiction"},
                             {"Meditations", "Marcus Aurelius", "Philosophy"}};
    for (const auto &row : rows)
        books.appendRow({new QStandardItem(QString::fromUtf8(row[0])), new QStandardItem(QString::fromUtf8(row[1])),
                         new QStandardItem(QString::fromUtf8(row[2]))});
    AITableView table;
    table.setModel(&books);
    table.verticalHeader()->hide();
    table.horizontalHeader()->setStretchLastSection(true);
    table.setColumnWidth(0, 170);
    table.setColumnWidth(1, 130);
    table.selectRow(1);
    table.selectionModel()->select(books.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table.resize(420, 150);
    table.setFocus();
    gallery.shoot("aitableview.png", table);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 || (args.size() == 2 && args[1].startsWith(u'-'))) {
        std::fprintf(stderr, "usage: bookferry-gallery [FOLDER]\n");
        return 2;
    }
    const QString folder =
        args.size() == 2 ? args[1] : QString::fromStdString(executableDir()) + QStringLiteral("/../gallery");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "bookferry-gallery: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    Gallery gallery{QDir(QDir(folder).absolutePath())};
    storageBars(gallery);
    skinnedViews(gallery);
    skinnedWindow(gallery);
    popupButtons(gallery);
    links(gallery);
    lists(gallery);
    return gallery.failed() ? 1 : 0;
}
