// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicepanel.h"

#include "aitableview.h"
#include "loadiphone.h"
#include "maincontroler.h"
#include "nodeinfo.h"
#include "resources.h"
#include "silder.h"
#include "surveyvalues.h"
#include "xlpopupmenubutton.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

double doubleValue(const StringDictionary &values, const char *key)
{
    return surveyNumber(values, key);
}

QString stringValue(const StringDictionary &values, const char *key)
{
    return QString::fromStdString(surveyText(values, key));
}

QString panelSizeText(double bytes)
{
    return QString::fromStdString(::sizeText(bytes));
}

void setImage(QLabel *view, const char *name)
{
    if (view)
        view->setPixmap(QPixmap(QString::fromStdString(resourcePath(name)))); // a missing file leaves it empty
}

} // namespace

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
    m_window.ipodProductView->setPixmap(QPixmap(path));
    m_window.ipodProductView->setProperty("pictureName", productImageName(modelNumber));
}

void DevicePanel::hideBookCount()
{
    mainControler &w = m_window;
    w.mediaTableView->hide();
    w.ipodBgView->show();
    w.box->hide();
    w.ebooksstaticTextField->hide();
    w.ebooksTextField->hide();
    w.ebooksImageView->hide();
    setImage(w.ipodBgView, "gettingstarted_enu.png");
}

void DevicePanel::showGettingStarted()
{
    m_window.ipodtoMacButton->setEnabled(false);
    m_window.addMediaButton->setEnabled(false);
    hideBookCount();
}

void DevicePanel::showDeviceGone()
{
    hideBookCount();
    m_window.albumsPopupButton->hide();
}

void DevicePanel::showDevice(const StringDictionary &values)
{
    mainControler &w = m_window;
    w.deviceMessageLabel->hide();
    w.mediaTableView->hide();
    w.ipodBgView->show();
    w.ipodBgView->clear();
    for (QWidget *view : std::initializer_list<QWidget *>{w.box, w.ebooksstaticTextField, w.ebooksTextField,
                                                          w.ebooksImageView, w.typeTextField, w.SizeTextField,
                                                          w.FramworkTextField, w.SerNumberTextField, w.VolumTextField})
        view->show();

    const QString model = stringValue(values, ipod_Type);
    w.ipodTypeTextField->setText(values.count(ipod_Type) ? model : QStringLiteral("Unknow IPod"));
    w.ipodNameTextField->setText(stringValue(values, Device_Name));
    w.ipodFramworkTypeTextField->setText(stringValue(values, Product_Version));
    w.ipodNameSerNumberTextField->setText(stringValue(values, Serial_Number));
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
    w.ebooksTextField->setText(panelSizeText(books));
    w.audioSizeTextField->setText(panelSizeText(audio));
    w.videoTextField->setText(panelSizeText(video));
    w.pictureTextField->setText(panelSizeText(photos));
    w.otherTextField->setText(panelSizeText(other));

    if (silder *bar = w.ipodSizeView) {
        bar->ipodSize(total);
        bar->freeSize(freeBytes);
        bar->videoSize(video);
        bar->audioSize(audio);
        bar->photoSize(photos);
        bar->otherSize(other);
        bar->update();
    }

    setProductViewImage(static_cast<int>(doubleValue(values, Family_ID)));
    setImage(w.AudioImageView, "size_audio.png");
    setImage(w.VideoImageView, "size_video.png");
    setImage(w.PictureImageView, "size_photo.png");
    setImage(w.ebooksImageView, "size_books.png");
    setImage(w.OtherImageView, "size_other.png");
    setImage(w.FreeSizeImageView, "size_free.png");

    w.ipodtoMacButton->setEnabled(false);
    w.addMediaButton->setEnabled(false);
}

void DevicePanel::showBookList()
{
    mainControler &w = m_window;
    w.ipodtoMacButton->setEnabled(true);
    w.addMediaButton->setEnabled(true);
    w.mediaTableView->show();
    w.ipodBgView->hide();
    for (QWidget *view : std::initializer_list<QWidget *>{w.typeTextField, w.SizeTextField, w.FramworkTextField,
                                                          w.SerNumberTextField, w.VolumTextField,
                                                          w.ebooksstaticTextField, w.ebooksTextField,
                                                          w.ebooksImageView})
        view->hide();
}
