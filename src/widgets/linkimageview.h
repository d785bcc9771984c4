// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QImage>
#include <QLabel>
#include <QUrl>

// The clickable logo: shows logolink.png from the resource folder and opens the home page
// when pressed, with the pointing-hand cursor over all of it.
class linkImageView final : public QLabel
{
    Q_OBJECT
public:
    Q_DISABLE_COPY_MOVE(linkImageView)
    explicit linkImageView(QWidget *parent = nullptr);

    QUrl linkURL() const { return m_linkURL; }
    void setLinkURL(const QUrl &url) { m_linkURL = url; }
    QImage bgImage() const { return m_bgImage; }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    QUrl m_linkURL;
    QImage m_bgImage;
};
