// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "clirun.h"

#include <gtest/gtest.h>

#include <csignal>

void Cli::start(const std::vector<std::string> &args, int waitSeconds)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BOOKFERRY_SCRATCH"), QString::fromStdString(m_scratch));
    env.insert(QStringLiteral("BOOKFERRY_CLI_WAIT_SECONDS"), QString::number(waitSeconds));
    if (!m_socket.empty())
        env.insert(QStringLiteral("USBMUXD_SOCKET_ADDRESS"), QString::fromStdString("UNIX:" + m_socket));
    m_process.setProcessEnvironment(env);
    QStringList list;
    if (!m_device.empty())
        list << QStringLiteral("--device") << QString::fromStdString(m_device);
    for (const auto &a : args)
        list << QString::fromStdString(a);
    m_process.start(QString::fromStdString(m_program), list);
}

bool Cli::running()
{
    return m_process.waitForStarted() && !m_process.waitForFinished(0);
}

void Cli::signal(int sig)
{
    ::kill(pid_t(m_process.processId()), sig);
}

CliRun Cli::finish(int boundSeconds)
{
    const bool ended = m_process.waitForFinished(boundSeconds * 1000);
    if (!ended)
        m_process.kill();
    m_process.waitForFinished();
    return {ended && m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1,
            m_process.readAllStandardOutput().toStdString(), m_process.readAllStandardError().toStdString()};
}

QJsonDocument cliJson(const CliRun &run)
{
    QJsonParseError e{};
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &e);
    EXPECT_EQ(e.error, QJsonParseError::NoError) << "standard output holds one JSON document:\n" << run.out << run.err;
    return doc;
}
