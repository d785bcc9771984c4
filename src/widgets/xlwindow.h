// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QImage>
#include <QMainWindow>

// A skinnable window. Its background is a picture of the window's size built from the skin
// image in the window's fill mode (0 tile, 1 stretch, 2 corners and edges), rebuilt whenever
// the window is resized or given a new skin. Without a skin it keeps the style's background.
class XLWindow final : public QMainWindow
{
    Q_OBJECT
public:
    Q_DISABLE_COPY_MOVE(XLWindow)
    explicit XLWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    QImage imageBackground() const { return m_imageBackground; }
    void setImageBackground(const QImage &image);
    // Keeps the current skin when the file cannot be read; returns whether it was replaced.
    bool setImageBackgroundByPath(const QString &path);

    // These take effect at the next rebuild (a resize or a new skin).
    int splitterHorizontal() const { return m_splitterHorizontal; }
    void setSplitterHorizontal(int value) { m_splitterHorizontal = value; }
    int splitterVertical() const { return m_splitterVertical; }
    void setSplitterVertical(int value) { m_splitterVertical = value; }
    int fillMode() const { return m_fillMode; }
    void setFillMode(int value) { m_fillMode = value; }

    // Kept for callers; the window does not draw it.
    QImage titleIcon() const { return m_titleIcon; }
    void setTitleIcon(const QImage &icon) { m_titleIcon = icon; }

public Q_SLOTS:
    void windowDidResize();
    // Refreshes the child widgets that have a refreshLanguage() slot, then the child windows
    // that have one.
    void refreshLanguage();
    virtual void loadSkin(QObject *skin);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void rebuildBackground();

    QImage m_imageBackground;
    int m_splitterHorizontal = 40;
    int m_splitterVertical = 15;
    int m_fillMode = 2;
    QImage m_titleIcon;
};
