// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/translations.h"

#include "core/resources.h"
#include "core/uitext.h"
#include "operations/epubarchive.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString translationsDir()
{
    return QString::fromStdString(resourcePath("translations"));
}

QString installTranslations(QCoreApplication &app, const QStringList &languages)
{
    // The ePub archive functions stand without Qt: their sentences come through the same lookup.
    setArchiveTextLookup([](const char *context, const char *source) { return uiText(context, source); });
    const QString ours = translationsDir();
    // The user's languages in order of preference ("de-AT", "de"); the first one we have a
    // translation for wins, a country's falling back to its language's ("de_AT" to "de").
    for (QString language : languages) {
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (language == QLatin1String("C") || language == QLatin1String("en") || language.startsWith(QLatin1String("en_")))
            return {};
        auto *window = new QTranslator(&app);
        if (!window->load(QStringLiteral("bookferry_") + language, ours)) {
            delete window;
            continue;
        }
        QCoreApplication::installTranslator(window);
        // Qt's dialogs and standard buttons; without Debian's translations they stay English.
        auto *qt = new QTranslator(&app);
        if (qt->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))
            || qt->load(QStringLiteral("qtbase_") + language.section(QLatin1Char('_'), 0, 0),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
        return language;
    }
    return {};
}
