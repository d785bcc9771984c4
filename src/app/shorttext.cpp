// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/shorttext.h"

#include <algorithm>

namespace {

// Whether `text` has more than `maxChars` characters; `*head` gets at most the first ones.
bool cut(const std::string &text, qsizetype maxChars, QString *head)
{
    // A character takes at most four bytes in UTF-8, so this many bytes hold more than
    // maxChars of them whenever the text goes on past them.
    const std::size_t bytes = std::min(text.size(), static_cast<std::size_t>(std::max<qsizetype>(maxChars, 0)) * 4 + 4);
    *head = QString::fromUtf8(text.data(), static_cast<qsizetype>(bytes));
    if (head->size() <= maxChars && bytes == text.size())
        return false;
    if (head->size() > maxChars) {
        qsizetype keep = std::max<qsizetype>(maxChars, 0);
        if (keep > 0 && head->at(keep - 1).isHighSurrogate())
            --keep;
        head->truncate(keep);
    }
    return true;
}

} // namespace

QString leadingText(const std::string &text, qsizetype maxChars)
{
    QString head;
    cut(text, maxChars, &head);
    return head;
}

QString shownText(const std::string &text, qsizetype maxChars)
{
    QString head;
    const bool wasCut = cut(text, maxChars, &head);
    for (QChar &c : head) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    if (wasCut)
        head += QChar(0x2026);
    return head;
}
