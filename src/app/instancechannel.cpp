// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/instancechannel.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace {

constexpr quint32 kMagic = 0x424b4631; // "BKF1": a start of this program, this message layout
constexpr qint64 kMaxRequest = 4 * 1024 * 1024;
constexpr int kRequestTime = 5000; // ms a connection may take to send its request
enum Reply : quint8
{
    Taken = 1,
    NotMyDevice = 2
};

int remaining(const QDeadlineTimer &deadline)
{
    return static_cast<int>(std::max<qint64>(1, deadline.remainingTime()));
}

} // namespace

InstanceChannel::InstanceChannel(QString name, QObject *parent) : QObject(parent), m_name(std::move(name)) {}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::defaultName()
{
    const QString fileName = QStringLiteral("bookferry-%1.socket").arg(::getuid());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    // A full path is used as it is; a bare name goes into the temporary folder.
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).absoluteFilePath(fileName);
    return fileName;
}

InstanceChannel::HandOver InstanceChannel::handOver(const Request &request,
                                                    std::chrono::milliseconds limit) const
{
    const QDeadlineTimer deadline(limit);
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(remaining(deadline))) {
        const auto error = socket.error();
        if (error == QLocalSocket::ServerNotFoundError || error == QLocalSocket::ConnectionRefusedError)
            return HandOver::NoneRunning;
        return HandOver::NoAnswer;
    }
    QByteArray message;
    {
        QDataStream out(&message, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << kMagic << request.device << request.files;
    }
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(remaining(deadline)))
            return HandOver::NoAnswer;
    }
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(remaining(deadline)))
            return HandOver::NoAnswer;
    }
    char reply = 0;
    socket.getChar(&reply);
    socket.disconnectFromServer();
    if (reply == Taken)
        return HandOver::Delivered;
    if (reply == NotMyDevice)
        return HandOver::OtherDevice;
    return HandOver::NoAnswer;
}

bool InstanceChannel::listen(const QString &device)
{
    m_device = device;
    auto server = std::make_unique<QLocalServer>(this);
    // Bound in place, so that a name in use is refused rather than replaced (Qt's access
    // options bind elsewhere and rename over it), and made for this user only from the start.
    auto take = [&] {
        const mode_t previous = ::umask(077);
        const bool listening = server->listen(m_name);
        ::umask(previous);
        return listening;
    };
    if (!take()) {
        if (server->serverError() != QAbstractSocket::AddressInUseError)
            return false;
        // Someone answering holds the name: that window is the one. Otherwise the socket was
        // left by a start that ended without removing it, and goes.
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(1000))
            return false;
        QLocalServer::removeServer(m_name);
        if (!take())
            return false;
    }
    m_server = server.release();
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
            // A connection that never completes its request does not stay.
            QTimer::singleShot(kRequestTime, socket, [socket] { socket->abort(); });
            if (socket->bytesAvailable() > 0)
                readRequest(socket);
        }
    });
    return true;
}

bool InstanceChannel::isListening() const
{
    return m_server && m_server->isListening();
}

void InstanceChannel::readRequest(QLocalSocket *socket)
{
    if (socket->bytesAvailable() > kMaxRequest) {
        socket->abort();
        return;
    }
    QDataStream in(socket);
    in.setVersion(QDataStream::Qt_6_0);
    in.startTransaction();
    quint32 magic = 0;
    QString device;
    QStringList files;
    in >> magic;
    if (in.status() == QDataStream::Ok && magic != kMagic) {
        socket->abort();
        return;
    }
    in >> device >> files;
    if (!in.commitTransaction()) {
        if (in.status() != QDataStream::ReadPastEnd)
            socket->abort();
        return; // the rest is still on its way
    }
    if (!device.isEmpty() && device != m_device) {
        socket->putChar(NotMyDevice);
        socket->flush();
        return;
    }
    // Only absolute paths are taken: relative ones would be read against this window's folder.
    QStringList paths;
    for (const QString &file : files) {
        if (QDir::isAbsolutePath(file))
            paths << QDir::cleanPath(file);
    }
    socket->putChar(Taken);
    socket->flush();
    // The files are asked about after this connection is answered, so the start that sent
    // them ends at once rather than waiting on the question.
    QMetaObject::invokeMethod(
        this, [this, paths] { Q_EMIT filesReceived(paths); }, Qt::QueuedConnection);
}
