// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

class QCoreApplication;

// Installs the window's translation for the user's language (as the desktop sets it through
// LANGUAGE, LC_ALL, LC_MESSAGES and LANG, which Qt lists in the system locale's uiLanguages) from
// the resource folder, and Qt's own translation of its dialogs for the same language. English is
// the source language: a user who prefers it gets no translation even where a later language
// in the list has one. Returns the language whose translation was installed ("de_DE", "fr"...),
// empty when the window stays English. `languages` in the order the user prefers them
// (QLocale().uiLanguages() at start).
QString installTranslations(QCoreApplication &app, const QStringList &languages);

// The folder of the window's .qm files.
QString translationsDir();
