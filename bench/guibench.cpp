// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-gui-bench: the main window's event loop while a device with a photo library is
// surveyed, and while a 50 MB book is imported and exported, all through the emulator's
// link model. A timer on the main thread asks to run every 5 ms; how late it runs is the
// latency a user feels. Prints one line per phase: "PHASE p99_ms max_ms samples".
//   bookferry-gui-bench WORK_DIR BOOK.epub TITLE
#include "benchutil.h"
#include "emulatorharness.h"

#include "aioutlineview.h"
#include "aitableview.h"
#include "devicelistmodel.h"
#include "deviceselection.h"
#include "ipodtreelistcontroler.h"
#include "log.h"
#include "maincontroler.h"
#include "mainqueue.h"
#include "mobiledevice.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFrame>
#include <QMainWindow>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
class Script : public UserInteraction
{
public:
    QStringList chooseImportPaths(QWidget *) override { return take(imports); }
    QString chooseExportFolder(QWidget *) override { return take(folders); }
    int ask(QWidget *, const QString &, const QString &, const QStringList &) override { return 1001; }
    std::deque<QStringList> imports;
    std::deque<QString> folders;

private:
    template <typename T> static T take(std::deque<T> &queue)
    {
        if (queue.empty())
            return {};
        T v = queue.front();
        queue.pop_front();
        return v;
    }
};

// Records how late a 5 ms timer fires on the main thread.
class Probe
{
public:
    Probe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kPeriodMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last >= 0)
                m_lateMs.push_back(std::max(0.0, static_cast<double>(now - m_last) / 1e6 - kPeriodMs));
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    void restart()
    {
        m_lateMs.clear();
        m_last = -1;
    }
    std::string summary() const
    {
        std::vector<double> v = m_lateMs;
        if (v.empty())
            return "0 0 0";
        std::sort(v.begin(), v.end());
        const double p99 = v[std::min(v.size() - 1, static_cast<size_t>(static_cast<double>(v.size()) * 0.99))];
        return fmt("%.1f %.1f %zu", p99, v.back(), v.size());
    }

private:
    static constexpr int kPeriodMs = 5;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    std::vector<double> m_lateMs;
};

void sparseFile(const std::string &path, off_t size)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd >= 0) {
        if (::ftruncate(fd, size) != 0)
            std::fprintf(stderr, "cannot size %s\n", path.c_str());
        ::close(fd);
    }
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bookferry-gui-bench WORK_DIR BOOK.epub TITLE\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    setLogSink([](const std::string &) {});
    const std::string work = argv[1], book = argv[2];

    // A device with 10,000 photos and 1,000 songs: a survey of a few seconds.
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000d4");
    for (int f = 0; f < 10; ++f) {
        const std::string dir = device + "/root/DCIM/" + std::to_string(100 + f) + "APPLE";
        fs::create_directories(dir);
        for (int i = 0; i < 1000; ++i)
            sparseFile(dir + "/IMG_" + std::to_string(i) + ".JPG", 2000000);
    }
    fs::create_directories(device + "/root/iTunes_Control/Music/F00");
    for (int i = 0; i < 1000; ++i)
        sparseFile(device + "/root/iTunes_Control/Music/F00/T" + std::to_string(i) + ".mp3", 4000000);

    EmulatorProcess emulator(work);
    if (!emulator.start({"--link", device}))
        return 1;
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
    std::string error;
    auto backend = makeDeviceBackend("usb", &error);
    if (!backend)
        return 1;

    auto script = std::make_unique<Script>();
    Script *answers = script.get();
    Probe probe;
    // As the application starts: the backend, then the window; the device arrives at once and
    // is surveyed behind the load window.
    setDeviceBackend(std::move(backend));
    auto window = std::make_unique<mainControler>(std::move(script));
    window->awakeFromNib();
    window->mainWindow->show();
    probe.restart();
    const bool up = processMainEventsUntil(
        [&] { return window->treeListControler->ipodCount() == 1 && !window->box->isHidden(); },
        std::chrono::minutes(3));
    std::printf("survey %s\n", up ? probe.summary().c_str() : "failed");

    // "Custom Books" of the device, then the import and the export.
    DeviceListModel *model = window->treeListControler->model();
    window->iPodTableView->setCurrentIndex(model->index(1, 0, model->index(0, 0)));
    processMainEventsUntil([&] { return !window->mediaTableView->isHidden(); });
    answers->imports.push_back({QString::fromStdString(book)});
    probe.restart();
    window->loadMediaPCToIpod();
    const bool imported = processMainEventsUntil(
        [&] { return !window->isTransferRunning() && !window->progressWindow->isVisible(); }, std::chrono::minutes(3));
    std::printf("import %s\n", imported ? probe.summary().c_str() : "failed");

    fs::create_directories(work + "/out");
    answers->folders.push_back(QString::fromStdString(work + "/out"));
    processMainEventsUntil([&] { return window->mediaTableView->model()->rowCount() > 0; });
    probe.restart();
    window->loadMediaIpodToPC();
    const bool exported = processMainEventsUntil(
        [&] { return !window->isTransferRunning() && !window->progressWindow->isVisible(); }, std::chrono::minutes(3));
    std::printf("export %s\n", exported ? probe.summary().c_str() : "failed");
    std::fflush(stdout);

    window->joinWorker();
    window.reset();
    setDeviceBackend(nullptr);
    return up && imported && exported ? 0 : 1;
}
