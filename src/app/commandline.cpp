// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/commandline.h"

#include <QDir>
#include <QUrl>

namespace {

bool validDevice(const QString &device)
{
    if (device == QLatin1String("usb") || device == QLatin1String("demo"))
        return true;
    if (device.startsWith(QLatin1String("usb:")))
        return device.size() > 4;
    if (device.startsWith(QLatin1String("folder:")))
        return device.size() > 7;
    return false;
}

} // namespace

CommandLineOptions parseCommandLine(const QStringList &arguments)
{
    CommandLineOptions options;
    bool optionsEnded = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        // Files: everything after "--", and whatever does not look like an option. A file
        // manager may pass addresses of local files as well as paths.
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            const QUrl url(argument);
            const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
            options.files << QDir::cleanPath(QDir::current().absoluteFilePath(path));
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        auto value = [&](const QString &name) -> QString {
            const QString prefix = name + QLatin1Char('=');
            if (argument.startsWith(prefix))
                return argument.mid(prefix.size());
            if (i + 1 < arguments.size())
                return arguments.at(++i);
            options.error = QStringLiteral("%1 needs a value").arg(name);
            return {};
        };
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            options.version = true;
        } else if (argument == QLatin1String("--device") || argument.startsWith(QLatin1String("--device="))) {
            options.device = value(QStringLiteral("--device"));
            options.deviceGiven = true;
            if (options.error.isEmpty() && !validDevice(options.device))
                options.error = QStringLiteral("unknown device \"%1\": use usb, usb:UDID, folder:DIR or demo").arg(options.device);
        } else if (argument == QLatin1String("--screenshots") || argument.startsWith(QLatin1String("--screenshots="))) {
            options.screenshots = true;
            // The folder is optional: a following option or nothing keeps the default.
            if (argument.startsWith(QLatin1String("--screenshots=")))
                options.screenshotDir = argument.mid(14);
            else if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1String("--")))
                options.screenshotDir = arguments.at(++i);
        } else {
            options.error = QStringLiteral("unknown argument \"%1\"").arg(argument);
        }
        if (!options.error.isEmpty())
            break;
    }
    if (options.error.isEmpty() && options.screenshots && !options.files.isEmpty())
        options.error = QStringLiteral("--screenshots takes no books to add");
    // The USB link also when nothing is attached yet: a device plugged in later is seen then.
    if (options.device.isEmpty())
        options.device = QStringLiteral("usb");
    return options;
}

QString commandLineHelp()
{
    return QStringLiteral(
        "Usage: bookferry [--device usb[:UDID] | folder:DIR | demo] [--screenshots [DIR]] [FILE...]\n"
        "\n"
        "Manages the ePub books on an iPhone, iPad or iPod touch connected by USB.\n"
        "\n"
        "  FILE...              ePub books to add to the device, after one question;\n"
        "                       a Bookferry already running receives them\n"
        "  --device usb         the device attached by USB (through usbmuxd), also\n"
        "                       when it is plugged in later (the default)\n"
        "  --device usb:UDID    the attached device with this identifier\n"
        "  --device folder:DIR  a simulated device kept in the folder DIR\n"
        "  --device demo        a simulated device with a few sample books\n"
        "  --screenshots [DIR]  write pictures of the windows into DIR (default\n"
        "                       build/screenshots) and exit\n"
        "  --version            print the version and exit\n"
        "  --help               print this help and exit\n");
}

QString canonicalDeviceSelection(const QString &device)
{
    if (!device.startsWith(QLatin1String("folder:")))
        return device;
    return QStringLiteral("folder:") + QDir::cleanPath(QDir::current().absoluteFilePath(device.mid(7)));
}
