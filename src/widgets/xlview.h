// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <memory>

class QAbstractButton;
class QDataStream;

// A skinnable container. It paints its background from one skin image in one of three fill
// modes (0 tile, 1 stretch, 2 corners and edges; any other value paints no image), or in a
// plain colour, optionally inside a one-pixel border. Buttons placed in it show their titles
// cut off at the tail when they do not fit.
//
// The eight settings are Qt properties under their own names, so .ui files (the view is used
// as a promoted widget) store them by key; encodeWithCoder/initWithCoder give the stream form.
//
// An invalid colorBackground means "unset": the window's background is painted instead. Any
// valid colour, black included, is honoured.
class XLView final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int splitterHorizontal READ splitterHorizontal WRITE setSplitterHorizontal)
    Q_PROPERTY(int splitterVertical READ splitterVertical WRITE setSplitterVertical)
    Q_PROPERTY(QImage imageBackground READ imageBackground WRITE setImageBackgroundByImage)
    Q_PROPERTY(QColor colorBackground READ colorBackground WRITE setColorBackground)
    Q_PROPERTY(QColor colorBorder READ colorBorder WRITE setColorBorder)
    Q_PROPERTY(int fillMode READ fillMode WRITE setFillMode)
    Q_PROPERTY(bool useBackgroundColor READ useBackgroundColor WRITE setUseBackgroundColor)
    Q_PROPERTY(bool drawBorder READ drawBorder WRITE setDrawBorder)

public:
    Q_DISABLE_COPY_MOVE(XLView)
    explicit XLView(QWidget *parent = nullptr);

    int splitterHorizontal() const { return m_splitterHorizontal; }
    int splitterVertical() const { return m_splitterVertical; }
    QImage imageBackground() const { return m_imageBackground; }
    QColor colorBackground() const { return m_colorBackground; }
    QColor colorBorder() const { return m_colorBorder; }
    int fillMode() const { return m_fillMode; }
    bool useBackgroundColor() const { return m_useBackgroundColor; }
    bool drawBorder() const { return m_drawBorder; }

    // These three take effect at the next repaint.
    void setSplitterHorizontal(int value) { m_splitterHorizontal = value; }
    void setSplitterVertical(int value) { m_splitterVertical = value; }
    void setFillMode(int value) { m_fillMode = value; }
    void setColorBorder(const QColor &color) { m_colorBorder = color; }

    void setImageBackgroundByImage(const QImage &image);
    // Keeps the current skin when the file cannot be read; returns whether it was replaced.
    bool setImageBackgroundByPath(const QString &path);
    void setColorBackground(const QColor &color);
    void setDrawBorder(bool value);
    void setUseBackgroundColor(bool value);

    // The eight settings, in field order. initWithCoder applies nothing unless the whole
    // record reads cleanly.
    void encodeWithCoder(QDataStream &stream) const;
    bool initWithCoder(QDataStream &stream);

    // A new view with the same eight settings; its geometry and children are not copied.
    std::unique_ptr<XLView> copyWithZone(QWidget *parent = nullptr) const;

    // Adds a child and gives a button a tail-truncated title (once).
    void addSubview(QWidget *child);

    // The title a converted button shows at its current size; its plain title otherwise.
    static QString displayedTitle(const QAbstractButton *button);

public Q_SLOTS:
    // Asks each child that has a refreshLanguage() slot to refresh its texts.
    void refreshLanguage();
    // A hook for subclasses.
    virtual void loadSkin(QObject *skin);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    void drawBackground(QPainter &painter);
    // Subclasses paint over the background here.
    virtual void drawForeground(QPainter &painter);

private:
    void fillWithBackgroundColour(QPainter &painter, const QRect &area);
    void convertButtonTitle(QAbstractButton *button);

    int m_splitterHorizontal = 10;
    int m_splitterVertical = 10;
    QImage m_imageBackground;
    QColor m_colorBackground;
    QColor m_colorBorder = Qt::black;
    int m_fillMode = 2;
    bool m_useBackgroundColor = false;
    bool m_drawBorder = false;
};

QDataStream &operator<<(QDataStream &stream, const XLView &view);
QDataStream &operator>>(QDataStream &stream, XLView &view);
