// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Books the desktop hands the window: its own command line, and a later start of the program
// giving its files to the running window over the user's socket.
#include "appfixture.h"

#include "app/commandline.h"
#include "app/instancechannel.h"
#include "core/mainqueue.h"
#include "library/catalogue.h"
#include "tempdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using HandOver = InstanceChannel::HandOver;

namespace {

// The socket a start of the program uses with this runtime folder.
QString socketIn(const TempDir &runtime)
{
    return QDir(QString::fromStdString(runtime.path()))
        .filePath(QStringLiteral("bookferry-%1.socket").arg(::getuid()));
}

// Hands over from another thread while this one serves the listening side.
HandOver handOverWhileServing(const QString &name, const InstanceChannel::Request &request)
{
    auto result = std::async(std::launch::async,
                             [name, request] { return InstanceChannel(name).handOver(request, 10s); });
    EXPECT_TRUE(
        processMainEventsUntil([&] { return result.wait_for(0s) == std::future_status::ready; }, 15s));
    return result.get();
}

bool waitForSignals(QSignalSpy &spy, int count)
{
    return processMainEventsUntil([&] { return spy.count() >= count; });
}

class HandOverTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        m_device = QStringLiteral("folder:") + QString::fromStdString(m_deviceDir.path());
        m_channel = std::make_unique<InstanceChannel>(socketIn(m_runtime));
        ASSERT_TRUE(m_channel->listen(canonicalDeviceSelection(m_device)));
        QObject::connect(m_channel.get(), &InstanceChannel::filesReceived, m_window.get(),
                         [this](const QStringList &files) { m_window->addFilesFromDesktop(files); });
    }
    void TearDown() override
    {
        m_channel.reset();
        MainWindowTest::TearDown();
    }

    struct Run
    {
        int exitCode = -1;
        QString errors;
    };
    // Starts the program as the desktop would, in the folder of the test's files, and waits
    // for it to end while the window answers.
    Run start(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(m_runtime.path()));
        environment.insert(QStringLiteral("BOOKFERRY_SCRATCH"),
                           QString::fromStdString(m_childScratch.path()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QString::fromStdString(m_files.path()));
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bookferry"), arguments);
        if (!process.waitForStarted(10000)) {
            ADD_FAILURE() << "bookferry did not start: " << process.errorString().toStdString();
            return {};
        }
        if (!processMainEventsUntil([&] { return process.state() == QProcess::NotRunning; }, 30s)) {
            process.kill();
            process.waitForFinished(5000);
            ADD_FAILURE() << "the later start did not end";
            return {};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

    TempDir m_runtime;
    TempDir m_childScratch;
    QString m_device;
    std::unique_ptr<InstanceChannel> m_channel;
};

} // namespace

TEST_F(HandOverTest, ALaterStartHandsItsBooksToTheRunningWindow)
{
    attach();
    makeBook("a.epub", "Alpha", "Ann");
    makeBook("b.epub", "Beta", "Ben");
    std::ofstream(m_files.file("notes.txt")) << "no book";
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);

    // Paths relative to the later start's own folder.
    const Run run = start({QStringLiteral("a.epub"), QStringLiteral("notes.txt"), QStringLiteral("gone.epub"),
                           QStringLiteral("b.epub")});
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();

    // Asked once, naming where the books go and the device; then the ordinary import.
    ASSERT_TRUE(processMainEventsUntil([this] { return !m_interaction->questions.empty(); }));
    EXPECT_EQ(
        m_interaction->questions.front(),
        QStringLiteral("Add 2 books to Custom Books on Anna? 1 file was not found. 1 file that is no ePub "
                       "book is left out."));
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(catalogueNames(), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_FALSE(progressSeen().empty());
    EXPECT_EQ(m_interaction->questions.size(), 1u);
}

TEST_F(HandOverTest, WhichStartsHandOver)
{
    makeBook("a.epub", "Alpha", "Ann");
    const QString sameDevice =
        QStringLiteral("folder:") + QDir(QString::fromStdString(m_files.path()))
                                        .relativeFilePath(QString::fromStdString(m_deviceDir.path()));
    const QString otherDevice =
        QStringLiteral("folder:") + QString::fromStdString(m_files.file("no-such-device"));
    const QString book = QString::fromStdString(m_files.file("a.epub"));
    struct Row
    {
        QStringList arguments;
        bool handed;
        QStringList received;
    };
    const std::vector<Row> rows = {
        {{}, true, {}}, // no files: the running window comes forward
        {{QStringLiteral("--device"), sameDevice, QStringLiteral("a.epub")}, true, {book}},
        // Meant for another device: this start goes its own way (here: that device is missing).
        {{QStringLiteral("--device"), otherDevice, QStringLiteral("a.epub")}, false, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.arguments.join(QLatin1Char(' ')).toStdString());
        QSignalSpy received(m_channel.get(), &InstanceChannel::filesReceived);
        const Run run = start(row.arguments);
        if (row.handed) {
            EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
            ASSERT_TRUE(waitForSignals(received, 1));
            EXPECT_EQ(received.front().front().toStringList(), row.received);
        } else {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_TRUE(run.errors.contains(QStringLiteral("no-such-device"))) << run.errors.toStdString();
            QCoreApplication::processEvents();
            EXPECT_EQ(received.count(), 0);
        }
    }
}

TEST_F(HandOverTest, WithoutADeviceItSaysSoAndAddsNothing)
{
    const QString book = makeBook("a.epub", "Alpha", "Ann");
    EXPECT_EQ(handOverWhileServing(m_channel->name(), {{}, {book}}), HandOver::Delivered);
    ASSERT_TRUE(processMainEventsUntil([this] { return !m_interaction->questions.empty(); }));
    EXPECT_EQ(m_interaction->questions.front(), QStringLiteral("Connect a device to add books to it."));
    EXPECT_FALSE(m_window->isTransferRunning());
    EXPECT_FALSE(fs::exists(deviceFile("/Books/Books.plist")));

    // The window's own command line waits for the device being read as it opens.
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    m_window->addFilesFromDesktop({book}, 30s);
    EXPECT_EQ(m_interaction->questions.size(), 1u);
    attach();
    ASSERT_TRUE(processMainEventsUntil([this] { return m_interaction->questions.size() == 2; }));
    EXPECT_EQ(m_interaction->questions.back(), QStringLiteral("Add 1 book to Custom Books on Anna?"));
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(catalogueNames(), std::vector<std::string>{"Alpha"});
}

TEST(InstanceChannel, StaleBusyAndSilentSockets)
{
    TempDir runtime;
    const QString name = socketIn(runtime);

    // A socket left by a start that was killed: bound, never listened on, never removed.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(name);
    ASSERT_LT(static_cast<size_t>(path.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(name));

    EXPECT_EQ(InstanceChannel(name).handOver({{}, {}}, 2s), HandOver::NoneRunning);
    InstanceChannel first(name);
    ASSERT_TRUE(first.listen(QStringLiteral("usb")));
    // Only this user may hand files over, wherever the socket lives.
    EXPECT_EQ(QFileInfo(name).permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
              QFileDevice::Permissions());

    // A live window keeps its name.
    InstanceChannel second(name);
    EXPECT_FALSE(second.listen(QStringLiteral("usb")));
    QSignalSpy received(&first, &InstanceChannel::filesReceived);
    EXPECT_EQ(
        handOverWhileServing(name, {{}, {QStringLiteral("/books/a.epub"), QStringLiteral("relative.epub")}}),
        HandOver::Delivered);
    ASSERT_TRUE(waitForSignals(received, 1));
    // A path that is not absolute cannot be read against the right folder and is left out.
    EXPECT_EQ(received.front().front().toStringList(), QStringList{QStringLiteral("/books/a.epub")});
    EXPECT_EQ(handOverWhileServing(name, {QStringLiteral("demo"), {QStringLiteral("/books/b.epub")}}),
              HandOver::OtherDevice);
    EXPECT_EQ(handOverWhileServing(name, {QStringLiteral("usb"), {}}), HandOver::Delivered);
    ASSERT_TRUE(waitForSignals(received, 2));

    // Anything else on the socket is cut off unanswered.
    auto garbage = std::async(std::launch::async, [name] {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (!socket.waitForConnected(5000))
            return false;
        socket.write("GET / HTTP/1.0\r\n\r\n");
        socket.waitForBytesWritten(5000);
        socket.waitForDisconnected(5000);
        return socket.state() == QLocalSocket::UnconnectedState && socket.bytesAvailable() == 0;
    });
    ASSERT_TRUE(
        processMainEventsUntil([&] { return garbage.wait_for(0s) == std::future_status::ready; }, 15s));
    EXPECT_TRUE(garbage.get());
    QCoreApplication::processEvents();
    EXPECT_EQ(received.count(), 2);

    // A holder that never answers: the wait ends at its bound.
    QLocalServer silent;
    const QString silentName =
        QDir(QString::fromStdString(runtime.path())).filePath(QStringLiteral("silent"));
    ASSERT_TRUE(silent.listen(silentName));
    EXPECT_EQ(InstanceChannel(silentName).handOver({{}, {QStringLiteral("/books/a.epub")}}, 300ms),
              HandOver::NoAnswer);
}
