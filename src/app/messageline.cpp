// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/messageline.h"

#include "widgets/urlopener.h"

#include <QStringList>

MessageLine::MessageLine(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("messageLine"));
    setWordWrap(true);
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    // The link is ours to open, through the one opener the rest of the window uses.
    setOpenExternalLinks(false);
    connect(this, &QLabel::linkActivated, this, [this] {
        if (m_target.isValid())
            UrlOpener::open(m_target);
    });
    hide();
}

void MessageLine::showMessage(const QString &text, const QString &linkTitle, const QUrl &target)
{
    m_text = text;
    m_linkTitle = linkTitle;
    m_target = linkTitle.isEmpty() ? QUrl() : target;
    redraw();
}

void MessageLine::clearMessage()
{
    m_text.clear();
    m_linkTitle.clear();
    m_target.clear();
    redraw();
}

void MessageLine::showHint(const QString &text)
{
    m_hint = text;
    redraw();
}

void MessageLine::clearHint()
{
    m_hint.clear();
    redraw();
}

QString MessageLine::messageText() const
{
    QStringList lines;
    for (const QString &line : {m_text, m_hint}) {
        if (!line.isEmpty())
            lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

void MessageLine::redraw()
{
    QStringList html;
    if (!m_text.isEmpty()) {
        QString line = m_text.toHtmlEscaped();
        if (m_target.isValid())
            line += QStringLiteral("&nbsp;&nbsp;<a href=\"%1\">%2</a>")
                        .arg(m_target.toString(QUrl::FullyEncoded).toHtmlEscaped(), m_linkTitle.toHtmlEscaped());
        html << line;
    }
    if (!m_hint.isEmpty())
        html << m_hint.toHtmlEscaped();
    if (html.isEmpty()) {
        clear();
        setAccessibleName({});
        hide();
        return;
    }
    setText(html.join(QStringLiteral("<br>")));
    setAccessibleName(messageText());
    show();
}
