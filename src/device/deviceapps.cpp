// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "deviceapps.h"

int openShelf(am_device *device, const Shelf &shelf, afc_connection **connection, std::string *why)
{
    if (!connection)
        return MDERR_FAILED;
    *connection = nullptr;
    if (shelf.isApp())
        return openAppDocuments(device, shelf.appIdentifier, connection, why);
    service_conn_t service = 0;
    int rc = AMDeviceStartService(device, "com.apple.afc", &service, nullptr);
    if (rc == MDERR_OK)
        rc = AFCConnectionOpen(service, 0, connection);
    if (rc != MDERR_OK && why)
        *why = deviceErrorSentence(device);
    return rc;
}
