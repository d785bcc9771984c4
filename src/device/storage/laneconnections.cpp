// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/laneconnections.h"

#include <algorithm>

std::vector<afc_connection *> LaneConnections::forDevice(userDataIphone *data, size_t count)
{
    // Only a real link has round trips to overlap; a folder device answers at once.
    DeviceBackend *backend = deviceBackend();
    if (!data || !data->conn || !data->dev || !backend || backend->name() != "imobiledevice")
        return {};
    std::lock_guard lock(m_mutex);
    if (m_of != data->conn || m_backend != backend) {
        closeAll(); // those of a device that has gone
        m_of = data->conn;
        m_backend = backend;
    }
    while (m_connections.size() < count) {
        service_conn_t service = 0;
        afc_connection *conn = nullptr;
        if (AMDeviceStartService(data->dev, kAfcServiceName, &service, nullptr) != 0 ||
            AFCConnectionOpen(service, 0, &conn) != 0 || !conn)
            break;
        m_connections.push_back(conn);
    }
    return {m_connections.begin(),
            m_connections.begin() + static_cast<std::ptrdiff_t>(std::min(count, m_connections.size()))};
}

LaneConnections::~LaneConnections()
{
    std::lock_guard lock(m_mutex);
    closeAll();
}

void LaneConnections::closeAll()
{
    // A gone device's handles stay valid until closed: closing them only gives them back.
    // Those of a backend that was replaced went with it.
    if (m_backend && m_backend == deviceBackend()) {
        for (afc_connection *conn : m_connections)
            AFCConnectionClose(conn);
    }
    m_connections.clear();
}
