// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/devicepanel.h"

#include "core/resources.h"
#include "core/scratch.h"
#include "device/storage/loadiphone.h"
#include "device/backend/mobiledevice.h"
#include "library/nodeinfo.h"
#include "library/surveyvalues.h"
#include "ui_mainwindow.h"
#include "widgets/aitableview.h"
#include "widgets/linkbutton.h"
#include "widgets/silder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QProcess>

namespace {

double doubleValue(const StringDictionary &values, const char *key)
{
    return surveyNumber(values, key);
}

QString stringValue(const StringDictionary &values, const char *key)
{
    return QString::fromStdString(surveyText(values, key));
}

// A value the survey fills in when the device does not say it is one of the device layer's
// fixed texts, said in the user's language; a value the device gave matches none of them.
QString surveyWord(const StringDictionary &values, const char *key)
{
    return QCoreApplication::translate("Device", surveyText(values, key).c_str());
}

QString sizeLabel(double bytes)
{
    return QString::fromStdString(sizeText(bytes));
}

void setImage(QLabel *view, const char *name)
{
    if (view)
        view->setPixmap(QPixmap(QString::fromStdString(resourcePath(name)))); // a missing file leaves it empty
}

bool relaunchOnDemoDevice()
{
    return QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                   {QStringLiteral("--device"), QStringLiteral("demo")});
}

std::function<bool()> &demoLauncher()
{
    static std::function<bool()> launcher = relaunchOnDemoDevice;
    return launcher;
}

} // namespace

void DevicePanel::setDemoLauncher(std::function<bool()> launcher)
{
    demoLauncher() = launcher ? std::move(launcher) : relaunchOnDemoDevice;
}

DevicePanel::DevicePanel(const Ui::MainWindow &form, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_message(new QLabel(form.ipodBgView->parentWidget()))
{
    m_message->setObjectName(QStringLiteral("deviceMessageLabel"));
    m_message->setWordWrap(true);
    m_message->hide();
    form.rightLayout->insertWidget(form.rightLayout->indexOf(form.ipodBgView), m_message);
}

void DevicePanel::setUp()
{
    const Ui::MainWindow &w = m_form;
    // Nothing is selected yet.
    setImage(w.ipodBgView, "gettingstarted_enu.png");
    w.mediaTableView->hide();
    w.box->hide();
    w.albumsPopupButton->hide();
    // The demo device is there on request only; a folder device needs no offer.
    DeviceBackend *backend = deviceBackend();
    if (backend && backend->name() == "imobiledevice" && !m_demoLink) {
        m_demoLink = new LinkButton(w.ipodBgView->parentWidget());
        m_demoLink->setObjectName(QStringLiteral("demoLinkButton"));
        m_demoLink->setText(tr("Try the demo device"));
        m_demoLink->setToolTip(tr("Start again on a simulated device with a few sample books"));
        QBoxLayout *layout = w.rightLayout;
        layout->insertWidget(layout->indexOf(w.ipodBgView) + 1, m_demoLink, 0, Qt::AlignHCenter);
        connect(m_demoLink, &LinkButton::clicked, this, [this] { tryDemoDevice(); });
        showDemoLink(true); // nothing is selected yet
    }
    if (const std::string problem = scratchProblem(); !problem.empty()) {
        m_message->setText(QString::fromStdString(problem));
        m_message->show();
    }
}

void DevicePanel::showArrivalFailure(const DeviceArrivalFailure &failure)
{
    // The reason comes from the device layer, in the language of the installed translator.
    const QString text = !failure.reason.empty()
                             ? QString::fromStdString(failure.reason)
                             : tr("The device could not be opened (%1). Unplug it and plug it in again.")
                                   .arg(QString::fromStdString(failure.step));
    m_message->setText(text);
    m_message->show();
}

void DevicePanel::showDemoLink(bool show)
{
    if (m_demoLink)
        m_demoLink->setVisible(show);
}

void DevicePanel::tryDemoDevice()
{
    if (demoLauncher()()) {
        m_form.ipodBgView->window()->close();
        return;
    }
    m_message->setText(tr("The demo device could not be started."));
    m_message->show();
}

QString DevicePanel::BytesToMB(double bytes)
{
    return QString::fromStdString(bytesToMB(bytes));
}

QString DevicePanel::BytesToGB(double bytes)
{
    return QString::fromStdString(bytesToGB(bytes));
}

QString DevicePanel::productImageName(int modelNumber)
{
    switch (modelNumber) {
    case 1: return QStringLiteral("ipod 1G.png");
    case 2: return QStringLiteral("ipod 3G.png");
    case 3: return QStringLiteral("ipod mini.png");
    case 4: return QStringLiteral("ipod 4G.png");
    case 5: return QStringLiteral("iPod photo.png");
    case 6: return QStringLiteral("iPod (5th gereration).png");
    case 7: return QStringLiteral("iPod Nano 1.png");
    case 9: return QStringLiteral("iPod Nano 2.png");
    case 11: return QStringLiteral("iPod Classic.png");
    case 12:
    case 15:
    case 16: return QStringLiteral("iPod Nano 3.png");
    case 128: return QStringLiteral("iPod Shuffle 1.png");
    case 130: return QStringLiteral("iPod Shuffle 2.png");
    case 10000: return QStringLiteral("iPhone.png");
    case 10001: return QStringLiteral("iPod Touch.png");
    case 10002: return QStringLiteral("ipadview.png");
    default: return QStringLiteral("ipodnor.png");
    }
}

void DevicePanel::setProductViewImage(int modelNumber)
{
    const QString path = QString::fromStdString(resourceDir()) + QLatin1Char('/') + productImageName(modelNumber);
    m_form.ipodProductView->setPixmap(QPixmap(path));
    m_form.ipodProductView->setProperty("pictureName", productImageName(modelNumber));
}

void DevicePanel::hideBookCount()
{
    const Ui::MainWindow &w = m_form;
    w.mediaTableView->hide();
    w.ipodBgView->show();
    w.box->hide();
    w.ebooksstaticTextField->hide();
    w.ebooksTextField->hide();
    w.ebooksImageView->hide();
    setImage(w.ipodBgView, "gettingstarted_enu.png");
    showDemoLink(true);
}

void DevicePanel::showGettingStarted()
{
    hideBookCount();
}

void DevicePanel::showDeviceGone()
{
    hideBookCount();
    m_form.albumsPopupButton->hide();
}

void DevicePanel::showDevice(const StringDictionary &values)
{
    const Ui::MainWindow &w = m_form;
    m_message->hide();
    showDemoLink(false);
    w.mediaTableView->hide();
    w.ipodBgView->show();
    w.ipodBgView->clear();
    for (QWidget *view : std::initializer_list<QWidget *>{w.box, w.ebooksstaticTextField, w.ebooksTextField,
                                                          w.ebooksImageView, w.typeTextField, w.SizeTextField,
                                                          w.FramworkTextField, w.SerNumberTextField, w.VolumTextField})
        view->show();

    const QString model = stringValue(values, ipod_Type);
    w.ipodTypeTextField->setText(values.count(ipod_Type) ? model : tr("Unknow IPod"));
    w.ipodNameTextField->setText(QString::fromStdString(listedDeviceName(values)));
    w.ipodFramworkTypeTextField->setText(surveyWord(values, Product_Version));
    w.ipodNameSerNumberTextField->setText(surveyWord(values, Serial_Number));
    w.ipodVolumTypeTextField->setText(stringValue(values, Volume_Format));

    const double total = doubleValue(values, FSTotal_Bytes);
    const double freeBytes = doubleValue(values, FSFree_Bytes);
    w.ipodSizeTextField->setText(BytesToGB(total));
    w.ipodSize_1TextField->setText(BytesToGB(total));
    w.freeSizeTextField->setText(BytesToGB(freeBytes));

    const double books = doubleValue(values, NodeInfoKey::books_size);
    const double audio = doubleValue(values, NodeInfoKey::music_Size);
    const double video = doubleValue(values, NodeInfoKey::vide_Size);
    const double photos = doubleValue(values, NodeInfoKey::picture_Size);
    const double other = doubleValue(values, NodeInfoKey::other_Size);
    w.ebooksTextField->setText(sizeLabel(books));
    w.audioSizeTextField->setText(sizeLabel(audio));
    w.videoTextField->setText(sizeLabel(video));
    w.pictureTextField->setText(sizeLabel(photos));
    w.otherTextField->setText(sizeLabel(other));

    if (silder *bar = w.ipodSizeView) {
        bar->ipodSize(total);
        bar->freeSize(freeBytes);
        bar->videoSize(video);
        bar->audioSize(audio);
        bar->photoSize(photos);
        bar->otherSize(other);
        bar->booksSize(books);
        bar->update();
        // What the bar shows by colour, in words, as the legend beside it says it.
        QStringList segments;
        for (const auto &[caption, size] : {std::pair{w.audioCaption, w.audioSizeTextField},
                                            {w.videoCaption, w.videoTextField},
                                            {w.pictureCaption, w.pictureTextField},
                                            {w.ebooksstaticTextField, w.ebooksTextField},
                                            {w.otherCaption, w.otherTextField},
                                            {w.freeCaption, w.freeSizeTextField}})
            segments << caption->text() + QLatin1Char(' ') + size->text();
        bar->setAccessibleDescription(segments.join(QStringLiteral(", ")));
    }

    setProductViewImage(static_cast<int>(doubleValue(values, Family_ID)));
    w.ipodProductView->setAccessibleName(w.ipodTypeTextField->text());
    setImage(w.AudioImageView, "size_audio.png");
    setImage(w.VideoImageView, "size_video.png");
    setImage(w.PictureImageView, "size_photo.png");
    setImage(w.ebooksImageView, "size_books.png");
    setImage(w.OtherImageView, "size_other.png");
    setImage(w.FreeSizeImageView, "size_free.png");
}

void DevicePanel::showBookList()
{
    const Ui::MainWindow &w = m_form;
    w.mediaTableView->show();
    w.ipodBgView->hide();
    showDemoLink(false);
    for (QWidget *view : std::initializer_list<QWidget *>{w.typeTextField, w.SizeTextField, w.FramworkTextField,
                                                          w.SerNumberTextField, w.VolumTextField,
                                                          w.ebooksstaticTextField, w.ebooksTextField,
                                                          w.ebooksImageView})
        view->hide();
}
