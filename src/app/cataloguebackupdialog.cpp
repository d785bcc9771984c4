// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/cataloguebackupdialog.h"

#include "library/catalogue.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimeZone>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column
{
    KeptColumn,
    BooksColumn,
    SizeColumn
};

// The locale's short time format with seconds added where it has none: two copies are
// often kept within the same minute.
QString timeFormatWithSeconds(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1String("ss")))
        return format;
    const qsizetype minutes = format.indexOf(QLatin1String("mm"));
    if (minutes < 0)
        return locale.timeFormat(QLocale::LongFormat);
    const QChar separator = minutes > 0 ? format.at(minutes - 1) : QLatin1Char(':');
    format.insert(minutes + 2, separator + QStringLiteral("ss"));
    return format;
}

} // namespace

CatalogueBackupDialog::CatalogueBackupDialog(const QString &deviceName,
                                             const std::vector<CatalogueBackup> &backups, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("catalogueBackupDialog"));
    setWindowTitle(tr("Restore Catalogue Backup"));
    setWindowModality(Qt::WindowModal);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    m_heading = new QLabel(this);
    m_heading->setWordWrap(true);
    layout->addWidget(m_heading);

    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHeaderLabels({tr("Kept on"), tr("Books"), tr("Size")});
    // Room between the right-aligned numbers and the next column.
    m_list->setStyleSheet(QStringLiteral("QTreeView::item { padding: 3px 10px 3px 4px; }"));
    m_list->headerItem()->setTextAlignment(BooksColumn, Qt::AlignRight | Qt::AlignVCenter);
    m_list->headerItem()->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    const QLocale locale;
    for (const CatalogueBackup &backup : backups) {
        auto *row = new QTreeWidgetItem(m_list);
        row->setText(KeptColumn, keptAtText(backup.created, locale));
        row->setData(KeptColumn, Qt::UserRole, QString::fromStdString(backup.path));
        row->setToolTip(KeptColumn, QString::fromStdString(backup.path));
        row->setText(BooksColumn, bookCountText(backup.path));
        row->setText(SizeColumn, locale.formattedDataSize(static_cast<qint64>(backup.size), 1,
                                                          QLocale::DataSizeTraditionalFormat));
        row->setTextAlignment(BooksColumn, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(KeptColumn, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(BooksColumn, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(SizeColumn, QHeaderView::ResizeToContents);
    layout->addWidget(m_list);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_restore = new QPushButton(tr("Restore..."), this);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_restore);
    layout->addLayout(buttons);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });

    const QString name =
        deviceName.isEmpty() ? tr("the device") : tr("\u201C%1\u201D", "a device's name in quotation marks").arg(deviceName);
    if (backups.empty()) {
        m_heading->setText(tr("No copies of the book catalogue of %1 have been kept yet. A copy is kept "
                              "before every change made to it.")
                               .arg(name));
        m_list->hide();
        m_restore->hide();
        m_cancel->setText(tr("Close"));
        m_cancel->setDefault(true);
        resize(420, 120);
    } else {
        m_heading->setText(tr("Copies of the book catalogue of %1, kept before each change, newest first. "
                              "Choose the one to put back on the device.")
                               .arg(name));
        m_list->setCurrentItem(m_list->topLevelItem(0));
        m_restore->setDefault(true);
        resize(480, 320);
    }
    updateButtons();
}

QString CatalogueBackupDialog::chosenPath() const
{
    const QList<QTreeWidgetItem *> rows = m_list->selectedItems();
    return rows.isEmpty() ? QString() : rows.front()->data(KeptColumn, Qt::UserRole).toString();
}

void CatalogueBackupDialog::updateButtons()
{
    m_restore->setEnabled(!chosenPath().isEmpty());
}

QString CatalogueBackupDialog::keptAtText(const std::string &createdUtc, const QLocale &locale)
{
    const QString text = QString::fromStdString(createdUtc);
    QDateTime when = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    if (!when.isValid())
        return text;
    when.setTimeZone(QTimeZone::utc());
    const QDateTime local = when.toLocalTime();
    return locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(local.time(), timeFormatWithSeconds(locale));
}

QString CatalogueBackupDialog::bookCountText(const std::string &path)
{
    const Catalogue catalogue = Catalogue::load(path);
    if (!catalogue.isLoaded() || !catalogue.hadBooksArray())
        return tr("unreadable");
    return QString::number(catalogue.bookCount());
}
