// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/uitext.h"
#include "operations/devicelibrary.h"

#include "core/log.h"
#include "device/storage/loadiphone.h"

DeviceLibrary::DeviceLibrary(LoadWindow *loadwindow, SurveyScope scope)
{
    if (!Loadiphone) {
        Loadiphone = loadIPhone::initDevice(loadwindow, scope);
        m_ownsLink = Loadiphone != nullptr;
        if (!Loadiphone)
            logMessage("Cannot subscribe to device notifications");
    }
}

DeviceLibrary::~DeviceLibrary()
{
    if (m_ownsLink) {
        delete Loadiphone;
        Loadiphone = nullptr;
    }
}

bool DeviceLibrary::watching() const
{
    return Loadiphone != nullptr;
}

void DeviceLibrary::stopSurvey()
{
    if (Loadiphone)
        Loadiphone->stopSurvey();
}

std::shared_ptr<DeviceSession> DeviceLibrary::openSession() const
{
    return Loadiphone ? Loadiphone->openSession() : nullptr;
}

std::shared_ptr<ReadSession> DeviceLibrary::openReadSession() const
{
    return Loadiphone ? Loadiphone->openReadSession() : nullptr;
}

std::string DeviceLibrary::deviceIdentifier() const
{
    const std::shared_ptr<ReadSession> session = openReadSession();
    const ReadSession::Read read = session ? session->read() : ReadSession::Read();
    return read.dev() ? AMDeviceCopyDeviceIdentifier(read.dev()) : std::string();
}

BookContext DeviceLibrary::bookContext(std::shared_ptr<DeviceSession> session)
{
    BookContext context;
    context.session = session ? std::move(session) : openSession();
    context.folderNames = &m_folderNames;
    context.replaceQuestion = m_replaceQuestion;
    return context;
}

userDataIphone *BookContext::device(std::string *why) const
{
    userDataIphone *data = session ? session->data() : nullptr;
    if (session && session->gone()) {
        *why = uiText("Operations", kDeviceDisconnected);
        return nullptr;
    }
    if (!data || !data->conn) {
        *why = uiText("Operations", "no device is connected");
        return nullptr;
    }
    return data;
}
