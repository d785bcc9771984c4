// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QLabel>
#include <QUrl>

// The main window's message line, under the book table: one sentence on what a command did,
// with a link that acts on it (e.g. "Open Folder"), hidden while there is nothing to say.
// It never blocks the window, so a command's ending needs no answer from the user.
//
// Threads: main thread only.
class MessageLine final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MessageLine)
public:
    explicit MessageLine(QWidget *parent = nullptr);

    // Shows `text`, followed by a link titled `linkTitle` that opens `target` (none when the
    // title is empty).
    void showMessage(const QString &text, const QString &linkTitle = {}, const QUrl &target = {});
    void clearMessage();
    // The sentence and the link's address as shown (the link's title is not in the text).
    QString messageText() const { return m_text; }
    QUrl linkTarget() const { return m_target; }

private:
    QString m_text;
    QUrl m_target;
};
