// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "testhome.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

// Device callbacks and survey hand-offs go through the main thread's event loop.
int main(int argc, char **argv)
{
    TestHome home;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
