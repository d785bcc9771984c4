// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>

// Posted on NotificationCenter::defaultCenter() with the button as object after a click or a
// hold; the observer asks needPopupMenu() which of the two it was.
extern const char *const XLButtonClickedNotification; // "XLButtonClicked"

// An image button that tells a click from a press held for half a second. From the keyboard
// (Space, Return) it is clicked; screen readers know it as a push button. It watches a press
// with a 10 ms timer: a release before 500 ms is reported as a click at the next tick, a press
// still down at 500 ms is reported as a hold there and then (the release adds nothing).
// It shows imageDisabled when disabled, imageSelected while pressed (state non-zero) and image
// otherwise, over white. Main thread only.
class XLPopupMenuButton : public QWidget
{
    Q_OBJECT
public:
    // Milliseconds from an arbitrary fixed start.
    using Clock = std::function<double()>;

    explicit XLPopupMenuButton(QWidget *parent = nullptr);

    // Tests drive the hold time through their own clock.
    void setClock(Clock clock);

    bool needPopupMenu() const { return m_needPopupMenu; }
    // Whether a press is being watched (the hold timer runs).
    bool isWatchingPress() const { return m_timerPopupMenu.isActive(); }

    int state() const { return m_state; }
    void setState(int state);
    QString title() const { return m_title; }
    void setTitle(const QString &title);

    QImage image() const { return m_image; }
    QImage imageSelected() const { return m_imageSelected; }
    QImage imageDisabled() const { return m_imageDisabled; }
    QImage imagePullDown() const { return m_imagePullDown; }
    // setImage also sets state 0 and setImageSelected state 1; none of these repaint.
    void setImage(const QImage &image);
    void setImageSelected(const QImage &image);
    void setImageDisabled(const QImage &image);
    void setImagePullDown(const QImage &image);

    // A click, as from the mouse or the keyboard; nothing while disabled.
    void click();

    // Restarts the hold timer.
    void startSnatchTimerWithWindowTitle();

    // Drawing steps: the state's image over white; the caption centred in the width left of
    // the pull-down arrow; the arrow, 13 x 13, 4 in from the right and bottom edges.
    void drawImage(QPainter &painter, const QRectF &rect);
    void drawTitle(QPainter &painter);
    void drawPullDownArrow(QPainter &painter);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private Q_SLOTS:
    void timerNeedPopupMenu();

private:
    void stopTimer();
    void report(bool hold);

    bool m_releaseMouseButton = true;
    bool m_needPopupMenu = false;
    QTimer m_timerPopupMenu;
    QString m_title;
    QImage m_imagePullDown;
    QImage m_image;
    QImage m_imageSelected;
    QImage m_imageDisabled;
    double m_startMilliSeconds = 0;
    int m_state = 0;
    Clock m_clock;
};
