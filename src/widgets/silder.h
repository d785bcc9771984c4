// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QImage>
#include <QWidget>

// The storage bar of the device panel. It paints the free-space picture over its whole
// length and then uncovers, from the left, a stretch of each usage picture (audio, video,
// photo, books, other) proportional to that usage, in the legend's order. The pictures are whole-bar images read from the
// resource folder; the bar copies their pixels to the same coordinates in the widget.
//
// The setters only store; the caller sets the values it wants and then calls update().
class silder final : public QWidget
{
    Q_OBJECT
public:
    Q_DISABLE_COPY_MOVE(silder)
    // A bar made by a form: every size 0, so only the free picture shows.
    explicit silder(QWidget *parent = nullptr);
    silder(double tatolSize, double freesize, double videosize, double audiosize, double photosize,
           double othersize, QWidget *parent = nullptr);

    void ipodSize(double value) { m_ipodSize = value; }
    void freeSize(double value) { m_freeSize = value; }
    void videoSize(double value) { m_videoSize = value; }
    void audioSize(double value) { m_audioSize = value; }
    void photoSize(double value) { m_photoSize = value; }
    void otherSize(double value) { m_otherSize = value; }
    // The books' share has its own segment, so book bytes are not drawn as free space.
    void booksSize(double value) { m_booksSize = value; }

    double ipodSize() const { return m_ipodSize; }
    double freeSize() const { return m_freeSize; }
    double videoSize() const { return m_videoSize; }
    double audioSize() const { return m_audioSize; }
    double photoSize() const { return m_photoSize; }
    double otherSize() const { return m_otherSize; }
    double booksSize() const { return m_booksSize; }

    // The bar is meant to be as large as its pictures.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void loadImages();

    QImage m_freeImage;
    QImage m_videoImage;
    QImage m_audioImage;
    QImage m_photoImage;
    QImage m_otherImage;
    QImage m_booksImage;
    double m_ipodSize = 0.0;
    double m_freeSize = 0.0;
    double m_videoSize = 0.0;
    double m_audioSize = 0.0;
    double m_photoSize = 0.0;
    double m_otherSize = 0.0;
    double m_booksSize = 0.0;
};
