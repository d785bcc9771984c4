// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The main window tests run a real QApplication on the offscreen platform.
#include "testhome.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TestHome home;
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("BookferryTests"));
    QApplication::setApplicationName(QStringLiteral("app_tests"));
    return RUN_ALL_TESTS();
}
