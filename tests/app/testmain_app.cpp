// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The main window tests run a real QApplication on the offscreen platform.
#include "tempdir.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The preferences of the tests never reach the user's own.
    TempDir config;
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("BookferryTests"));
    QApplication::setApplicationName(QStringLiteral("app_tests"));
    return RUN_ALL_TESTS();
}
