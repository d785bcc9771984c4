// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/bookcovers.h"
#include "app/commandline.h"
#include "app/instancechannel.h"
#include "app/maincontroler.h"
#include "app/screenshots.h"
#include "app/translations.h"
#include "core/appconfigure.h"
#include "core/scratch.h"
#include "device/deviceselection.h"
#include "device/backend/mobiledevice.h"

#include <QApplication>
#include <QLocale>
#include <QDialog>
#include <QDir>
#include <QMainWindow>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    // The command line is read before the application connects to a display, so --help,
    // --version and mistakes need none.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLineOptions options = parseCommandLine(arguments);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "bookferry: %s\n\n%s", qPrintable(options.error), qPrintable(commandLineHelp()));
        return 2;
    }
    if (options.help) {
        std::printf("%s", qPrintable(commandLineHelp()));
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", AppName, BOOKFERRY_VERSION);
        return 0;
    }
    // Screenshots are drawn off screen unless a platform was asked for.
    if (options.screenshots && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromUtf8(AppName));
    QApplication::setApplicationName(QString::fromUtf8(AppName));
    QApplication::setApplicationVersion(QStringLiteral(BOOKFERRY_VERSION));

    // One window per user session: a later start hands its files to the running window and
    // ends. A start asking explicitly for another device than that window serves gets its
    // own window, since its books are meant for that device. Screenshots are a run of their own.
    InstanceChannel channel;
    const QString selection = canonicalDeviceSelection(options.device);
    if (!options.screenshots) {
        const InstanceChannel::Request request{options.deviceGiven ? selection : QString(), options.files};
        InstanceChannel::HandOver handed = channel.handOver(request);
        if (handed == InstanceChannel::HandOver::NoneRunning && !channel.listen(selection))
            handed = channel.handOver(request); // another start took the name just now
        switch (handed) {
        case InstanceChannel::HandOver::Delivered:
            return 0;
        case InstanceChannel::HandOver::NoAnswer:
            std::fprintf(stderr,
                         "bookferry: a running Bookferry does not answer; close it and start again\n");
            return 1;
        case InstanceChannel::HandOver::OtherDevice:
        case InstanceChannel::HandOver::NoneRunning:
            break;
        }
    }
    // The window in the user's language; messages on stderr stay English.
    installTranslations(app, QLocale().uiLanguages());
    processScratchDir(); // this run's working folder; those of runs that were killed go

    std::string error;
    std::unique_ptr<DeviceBackend> backend = makeDeviceBackend(selection.toStdString(), &error);
    if (!backend) {
        std::fprintf(stderr, "bookferry: %s\n", error.c_str());
        return 1;
    }
    setDeviceBackend(std::move(backend));

    mainControler controller;
    controller.awakeFromNib();
    controller.mainWindow->show();
    QObject::connect(&channel, &InstanceChannel::filesReceived, &controller,
                     [&controller](const QStringList &files) { controller.addFilesFromDesktop(files); });
    // The attached device is still being read as the window opens: the books wait for it.
    if (!options.files.isEmpty()) {
        QTimer::singleShot(0, &controller, [&controller, files = options.files] {
            controller.addFilesFromDesktop(files, std::chrono::seconds(30));
        });
    }

    if (options.screenshots) {
        const QString dir = options.screenshotDir.isEmpty() ? QStringLiteral("build/screenshots") : options.screenshotDir;
        ScreenshotWindow parts;
        parts.window = controller.mainWindow;
        parts.devices = controller.treeListControler;
        parts.deviceList = controller.iPodTableView;
        parts.table = controller.mediaTableView;
        parts.deviceCard = controller.box;
        parts.loadWindow = controller.loadwindow;
        parts.covers = controller.findChild<BookCovers *>();
        parts.apps = controller.appShelf();
        parts.progressSheet = controller.progressWindow;
        parts.about = controller.aboultDlg;
        parts.failures = controller.failedWindow;
        parts.showProgress = [&] { controller.showProgressWindow(); };
        parts.progress = [&](int index, const std::string &title, int count) { controller.progressFun(index, title, count); };
        parts.endProgress = [&] { controller.endProgressWindow(); };
        parts.fillFailures = [&](const BookFailureList &failures) { controller.fillFailedWindow(failures); };
        return takeScreenshots(parts, QDir(dir).absolutePath());
    }
    const int code = QApplication::exec();
    // Closing the window stopped the work under way; a transfer normally ends within its
    // current piece of a file and cleans up after itself. One stuck in a device request
    // does not keep the program: a partial book folder it leaves is never reused.
    if (!controller.endWork(std::chrono::milliseconds(1500))) {
        std::fprintf(stderr, "bookferry: the transfer did not stop in time; ending without it\n");
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
