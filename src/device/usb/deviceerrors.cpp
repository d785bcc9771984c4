// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/usb/deviceerrors.h"

#include "core/log.h"
#include "core/uitext.h"
#include "device/backend/deviceapps.h"

// The switches below list every enumerator without a default, so the compiler names any
// code a newer library adds; values outside the enum fall through to the raw-number log.

namespace {

const char *const Reconnect = QT_TRANSLATE_NOOP("Device", "Unplug the device, plug it in again and try again.");

std::string unknown(const char *family, int code)
{
    logFormat("Unknown %s error %d", family, code);
    return uiArgs(uiText("Device", "The device reported an unexpected error (%1 %2). "), {family, std::to_string(code)})
        + uiText("Device", Reconnect);
}

} // namespace

std::string notTrustedText()
{
    return uiText("Device", "This computer is not trusted by the device. Unlock the device and tap Trust, then try again.");
}

bool isTrustError(lockdownd_error_t error)
{
    switch (error) {
    case LOCKDOWN_E_PASSWORD_PROTECTED:
    case LOCKDOWN_E_PAIRING_DIALOG_RESPONSE_PENDING:
    case LOCKDOWN_E_USER_DENIED_PAIRING:
    case LOCKDOWN_E_INVALID_HOST_ID:
    case LOCKDOWN_E_MISSING_HOST_ID:
    case LOCKDOWN_E_MISSING_PAIR_RECORD:
    case LOCKDOWN_E_INVALID_PAIR_RECORD:
    case LOCKDOWN_E_PAIRING_FAILED:
        return true;
    default:
        return false;
    }
}

std::string ideviceErrorText(idevice_error_t error)
{
    switch (error) {
    case IDEVICE_E_SUCCESS:
        return {};
    case IDEVICE_E_INVALID_ARG:
        return uiText("Device", "The device identifier is not valid. Check the identifier and try again.");
    case IDEVICE_E_NO_DEVICE:
        return uiText("Device", "The device is not connected, or the usbmuxd service is not running. Connect the device with a USB "
               "cable and make sure usbmuxd is running.");
    case IDEVICE_E_NOT_ENOUGH_DATA:
    case IDEVICE_E_UNKNOWN_ERROR:
        return uiText("Device", "The connection to the device was interrupted. ") + uiText("Device", Reconnect);
    case IDEVICE_E_SSL_ERROR:
        return uiText("Device", "The secure connection to the device failed. ") + uiText("Device", Reconnect);
    case IDEVICE_E_TIMEOUT:
        return uiText("Device", "The device stopped answering. ") + uiText("Device", Reconnect);
    }
    return unknown("idevice", int(error));
}

std::string lockdownErrorText(lockdownd_error_t error)
{
    switch (error) {
    case LOCKDOWN_E_SUCCESS:
        return {};
    case LOCKDOWN_E_PASSWORD_PROTECTED:
        return uiText("Device", "The device is locked. Unlock it, tap Trust if asked, and try again.");
    case LOCKDOWN_E_PAIRING_DIALOG_RESPONSE_PENDING:
        return uiText("Device", "The device is asking whether to trust this computer. Unlock the device and tap Trust, then try "
               "again.");
    case LOCKDOWN_E_USER_DENIED_PAIRING:
        return uiText("Device", "Trust was declined on the device. Unplug it, plug it in again, unlock it and tap Trust.");
    case LOCKDOWN_E_INVALID_HOST_ID:
    case LOCKDOWN_E_MISSING_HOST_ID:
    case LOCKDOWN_E_MISSING_PAIR_RECORD:
    case LOCKDOWN_E_INVALID_PAIR_RECORD:
    case LOCKDOWN_E_PAIRING_FAILED:
        return notTrustedText();
    case LOCKDOWN_E_SAVE_PAIR_RECORD_FAILED:
        return uiText("Device", "The trust record for the device could not be saved. Check that usbmuxd is running and its folder "
               "is writable, then try again.");
    case LOCKDOWN_E_INVALID_CONF:
        return uiText("Device", "The trust record for this device is damaged. Remove it (idevicepair unpair), then unlock the device "
               "and tap Trust.");
    case LOCKDOWN_E_SSL_ERROR:
        return uiText("Device", "The secure session with the device could not be set up. ") + uiText("Device", Reconnect)
            + uiText("Device", " If it keeps failing, remove this computer's trust record (idevicepair unpair) and tap Trust again.");
    case LOCKDOWN_E_MUX_ERROR:
        return uiText("Device", "Lost contact with the device. Check the cable, then unplug the device and plug it in again.");
    case LOCKDOWN_E_RECEIVE_TIMEOUT:
        return uiText("Device", "The device stopped answering. ") + uiText("Device", Reconnect);
    case LOCKDOWN_E_ESCROW_LOCKED:
        return uiText("Device", "The device has been restarted and is still locked. Unlock it once and try again.");
    case LOCKDOWN_E_FMIP_PROTECTED:
    case LOCKDOWN_E_MC_PROTECTED:
    case LOCKDOWN_E_MC_CHALLENGE_REQUIRED:
    case LOCKDOWN_E_PAIRING_PROHIBITED_OVER_THIS_CONNECTION:
        return uiText("Device", "The device's settings or its management profile do not allow this computer to connect. Check the "
               "device's restrictions.");
    case LOCKDOWN_E_SERVICE_PROHIBITED:
    case LOCKDOWN_E_SERVICE_LIMIT:
        return uiText("Device", "The device refused to open its file service. ") + uiText("Device", Reconnect);
    case LOCKDOWN_E_INVALID_SERVICE:
    case LOCKDOWN_E_MISSING_SERVICE:
        return uiText("Device", "The device does not offer a service this program needs. Update the device's software and try again.");
    case LOCKDOWN_E_INVALID_ACTIVATION_RECORD:
    case LOCKDOWN_E_MISSING_ACTIVATION_RECORD:
        return uiText("Device", "The device is not activated. Finish setting it up, then connect it again.");
    case LOCKDOWN_E_SESSION_ACTIVE:
    case LOCKDOWN_E_SESSION_INACTIVE:
    case LOCKDOWN_E_MISSING_SESSION_ID:
    case LOCKDOWN_E_INVALID_SESSION_ID:
    case LOCKDOWN_E_NO_RUNNING_SESSION:
        return uiText("Device", "The session with the device ended unexpectedly. ") + uiText("Device", Reconnect);
    case LOCKDOWN_E_GET_PROHIBITED:
    case LOCKDOWN_E_SET_PROHIBITED:
    case LOCKDOWN_E_REMOVE_PROHIBITED:
    case LOCKDOWN_E_IMMUTABLE_VALUE:
    case LOCKDOWN_E_MISSING_KEY:
    case LOCKDOWN_E_MISSING_VALUE:
        return uiText("Device", "The device did not give out the information asked for. Unlock the device and try again.");
    case LOCKDOWN_E_INVALID_ARG:
    case LOCKDOWN_E_PLIST_ERROR:
    case LOCKDOWN_E_DICT_ERROR:
    case LOCKDOWN_E_INVALID_RESPONSE:
    case LOCKDOWN_E_UNKNOWN_ERROR:
        return uiText("Device", "The device gave an answer this program does not understand. ") + uiText("Device", Reconnect);
    }
    return unknown("lockdown", int(error));
}

std::string afcErrorText(afc_error_t error)
{
    switch (error) {
    case AFC_E_SUCCESS:
        return {};
    case AFC_E_OBJECT_NOT_FOUND:
        return uiText("Device", "The file or folder does not exist on the device.");
    case AFC_E_OBJECT_IS_DIR:
        return uiText("Device", "A folder is in the way of a file on the device.");
    case AFC_E_OBJECT_EXISTS:
        return uiText("Device", "A file or folder of that name already exists on the device.");
    case AFC_E_DIR_NOT_EMPTY:
        return uiText("Device", "The folder on the device is not empty.");
    case AFC_E_PERM_DENIED:
        return uiText("Device", "The device does not allow access to this file or folder.");
    case AFC_E_NO_SPACE_LEFT:
        return uiText("Device", "The device is full. Free some space on it and try again.");
    case AFC_E_OBJECT_BUSY:
    case AFC_E_OP_WOULD_BLOCK:
    case AFC_E_OP_IN_PROGRESS:
        return uiText("Device", "Another program is syncing with the device. Wait until it has finished and try again.");
    case AFC_E_MUX_ERROR:
    case AFC_E_SERVICE_NOT_CONNECTED:
    case AFC_E_NOT_ENOUGH_DATA:
        return uiText("Device", "Lost contact with the device. Check the cable, then unplug the device and plug it in again.");
    case AFC_E_OP_TIMEOUT:
        return uiText("Device", "The device stopped answering. ") + uiText("Device", Reconnect);
    case AFC_E_NO_MEM:
    case AFC_E_NO_RESOURCES:
        return uiText("Device", "The device or this computer ran out of memory. Close other programs and try again.");
    case AFC_E_READ_ERROR:
    case AFC_E_WRITE_ERROR:
    case AFC_E_IO_ERROR:
        return uiText("Device", "Reading or writing on the device failed. ") + uiText("Device", Reconnect);
    case AFC_E_INVALID_ARG:
    case AFC_E_TOO_MUCH_DATA:
    case AFC_E_END_OF_DATA:
        return uiText("Device", "The device refused the request as invalid.");
    case AFC_E_OP_INTERRUPTED:
        return uiText("Device", "The operation on the device was interrupted. Try again.");
    case AFC_E_UNKNOWN_ERROR:
    case AFC_E_OP_HEADER_INVALID:
    case AFC_E_UNKNOWN_PACKET_TYPE:
    case AFC_E_OP_NOT_SUPPORTED:
    case AFC_E_INTERNAL_ERROR:
    case AFC_E_FORCE_SIGNED_TYPE:
        return uiText("Device", "The device's file service reported an error. ") + uiText("Device", Reconnect);
    }
    return unknown("AFC", int(error));
}

std::string notificationProxyErrorText(np_error_t error)
{
    switch (error) {
    case NP_E_SUCCESS:
        return {};
    case NP_E_INVALID_ARG:
        return uiText("Device", "The notification could not be sent to the device: it is not valid.");
    case NP_E_PLIST_ERROR:
    case NP_E_CONN_FAILED:
    case NP_E_UNKNOWN_ERROR:
        return uiText("Device", "Lost contact with the device while notifying it. Check the cable, then unplug the device and plug "
               "it in again.");
    }
    return unknown("notification proxy", int(error));
}

std::string houseArrestErrorText(house_arrest_error_t error)
{
    switch (error) {
    case HOUSE_ARREST_E_SUCCESS:
        return {};
    case HOUSE_ARREST_E_CONN_FAILED:
        return uiText("Device", "Lost contact with the device while opening the app's files. Check the cable, then unplug the "
               "device and plug it in again.");
    case HOUSE_ARREST_E_INVALID_ARG:
    case HOUSE_ARREST_E_PLIST_ERROR:
    case HOUSE_ARREST_E_INVALID_MODE:
    case HOUSE_ARREST_E_UNKNOWN_ERROR:
        return uiText("Device", "The device gave an answer this program does not understand. ") + uiText("Device", Reconnect);
    }
    return unknown("house_arrest", int(error));
}

std::string appServiceRefusalText(const std::string &error)
{
    if (error == "InstallationLookupFailed" || error == "ApplicationLookupFailed")
        return uiText("Device", appGoneText());
    if (error == "PasswordProtected" || error == "DeviceLocked")
        return uiText("Device", deviceLockedText());
    logFormat("The device refused an app request: %s", error.c_str());
    return uiArgs(uiText("Device", "The device refused to open the app's files (%1). "), {error}) + uiText("Device", Reconnect);
}
