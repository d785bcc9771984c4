// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QLabel>
#include <QUrl>

// The main window's message line, under the book table, hidden while there is nothing to say.
// It holds two kinds of sentences apart: how a transfer ended, with a link that acts on it
// (e.g. "Open Folder"), which stays until the next transfer starts; and a hint about the
// selected node (a reader app's folder, why its listing failed), which goes when another node
// is selected. When both are there the transfer's comes first. It never blocks the window, so
// a command's ending needs no answer from the user.
//
// Threads: main thread only.
class MessageLine final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MessageLine)
public:
    explicit MessageLine(QWidget *parent = nullptr);

    // A transfer's ending: `text`, followed by a link titled `linkTitle` that opens `target`
    // (none when the title is empty).
    void showMessage(const QString &text, const QString &linkTitle = {}, const QUrl &target = {});
    void clearMessage();
    // A hint about the selected node.
    void showHint(const QString &text);
    void clearHint();
    // The sentences as shown, one a line (the link's title is not in the text), and the
    // link's address.
    QString messageText() const;
    QUrl linkTarget() const { return m_target; }

private:
    void redraw();

    QString m_text;
    QString m_linkTitle;
    QUrl m_target;
    QString m_hint;
};
