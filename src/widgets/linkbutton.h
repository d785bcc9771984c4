// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QAbstractButton>
#include <QUrl>

// A button that looks like a hyperlink (its title in the link colour, underlined) and opens
// its address when a press on it ends, wherever the mouse is released. It hugs its text:
// resetCursorRects() narrows it to the title's width plus 10, with the pointing-hand cursor.
// With the keyboard focus, Space (on its release) and Return or Enter open the address too.
class LinkButton final : public QAbstractButton
{
    Q_OBJECT
public:
    Q_DISABLE_COPY_MOVE(LinkButton)
    explicit LinkButton(QWidget *parent = nullptr);

    // The title is the string; the address too, or the home page when the string is empty.
    void setLinkAttribute(const QString &link);
    QUrl linkURL() const { return m_linkURL; }

    void resetCursorRects();
    // The title's width in the link font.
    int titleWidth() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QFont linkFont() const;
    void openLink();

    QUrl m_linkURL;
    bool m_tracking = false;
    bool m_spacePressed = false;
};
