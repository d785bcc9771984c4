// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QString>
#include <QStringList>

// What the command line of `bookferry` asks for.
struct CommandLineOptions
{
    QString device;          // "usb", "usb:UDID", "folder:DIR", "demo"; "usb" when not given
    QString screenshotDir;   // set with --screenshots: write the pictures there and exit
    bool screenshots = false;
    bool help = false;
    bool version = false;
    bool deviceGiven = false; // --device was on the command line
    QStringList files;        // ePub books to add, absolute (resolved against the working folder)
    QString error;           // not empty when the command line cannot be used
};

// Parses the arguments (the program name first).
CommandLineOptions parseCommandLine(const QStringList &arguments);
QString commandLineHelp();
// The selection with a folder device's folder made absolute and clean, so that two starts
// from different working folders compare equal when they mean the same device.
QString canonicalDeviceSelection(const QString &device);
