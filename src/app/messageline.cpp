// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/messageline.h"

#include "widgets/urlopener.h"

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
    m_target = linkTitle.isEmpty() ? QUrl() : target;
    QString html = text.toHtmlEscaped();
    if (m_target.isValid())
        html += QStringLiteral("&nbsp;&nbsp;<a href=\"%1\">%2</a>")
                    .arg(m_target.toString(QUrl::FullyEncoded).toHtmlEscaped(), linkTitle.toHtmlEscaped());
    setText(html);
    setAccessibleName(text);
    show();
}

void MessageLine::clearMessage()
{
    m_text.clear();
    m_target.clear();
    clear();
    hide();
}
