// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/usb/usbappservices.h"

#include "core/uitext.h"
#include "device/backend/plistscalar.h"
#include "device/usb/deviceerrors.h"

#include <libimobiledevice/afc.h>
#include <libimobiledevice/house_arrest.h>
#include <libimobiledevice/property_list_service.h>
#include <libimobiledevice/sbservices.h>

#include <memory>
#include <plist/plist.h>

namespace usbbackend {
namespace {
// How long one answer may take, and how many listing pages are read before the answer counts
// as broken (a device lists 20 to 100 apps a page).
constexpr unsigned int AppAnswerTimeoutMs = 30000;
constexpr int MaxBrowsePages = 10000;

struct PlistServiceFree
{
    void operator()(property_list_service_client_t p) const { property_list_service_client_free(p); }
};
struct SbservicesFree
{
    void operator()(sbservices_client_t p) const { sbservices_client_free(p); }
};
} // namespace

int browseSharingApps(idevice_t device, lockdownd_service_descriptor_t descriptor, std::vector<DeviceApp> &apps,
                      std::string *text)
{
    const auto fail = [text](int code, const std::string &sentence) {
        *text = sentence;
        return code;
    };
    property_list_service_client_t raw = nullptr;
    if (property_list_service_client_new(device, descriptor, &raw) != PROPERTY_LIST_SERVICE_E_SUCCESS)
        return fail(MDERR_FAILED, ideviceErrorText(IDEVICE_E_UNKNOWN_ERROR));
    std::unique_ptr<property_list_service_client_private, PlistServiceFree> service(raw);

    PlistPtr request(plist_new_dict());
    plist_t options = plist_new_dict();
    plist_dict_set_item(options, "ApplicationType", plist_new_string("User"));
    plist_t attributes = plist_new_array();
    for (const char *name : appAttributeNames())
        plist_array_append_item(attributes, plist_new_string(name));
    plist_dict_set_item(options, "ReturnAttributes", attributes);
    plist_dict_set_item(request.get(), "Command", plist_new_string("Browse"));
    plist_dict_set_item(request.get(), "ClientOptions", options);
    if (property_list_service_send_xml_plist(service.get(), request.get()) != PROPERTY_LIST_SERVICE_E_SUCCESS)
        return fail(MDERR_FAILED, ideviceErrorText(IDEVICE_E_UNKNOWN_ERROR));
    // The answer comes in pages until Status "Complete". Read here rather than through
    // instproxy_browse, which keeps waiting as long as a silent device stays connected.
    apps.clear();
    for (int page = 0;; ++page) {
        plist_t rawAnswer = nullptr;
        const property_list_service_error_t rc =
            property_list_service_receive_plist_with_timeout(service.get(), &rawAnswer, AppAnswerTimeoutMs);
        PlistPtr answer(rawAnswer);
        if (rc != PROPERTY_LIST_SERVICE_E_SUCCESS || !answer || plist_get_node_type(answer.get()) != PLIST_DICT
            || page > MaxBrowsePages)
            return fail(MDERR_FAILED,
                           rc == PROPERTY_LIST_SERVICE_E_RECEIVE_TIMEOUT ? ideviceErrorText(IDEVICE_E_TIMEOUT)
                                                                        : ideviceErrorText(IDEVICE_E_UNKNOWN_ERROR));
        if (auto error = plistScalarText(plist_dict_get_item(answer.get(), "Error")))
            return fail(MDERR_FAILED, appServiceRefusalText(*error));
        plist_t list = plist_dict_get_item(answer.get(), "CurrentList");
        if (list && plist_get_node_type(list) == PLIST_ARRAY) {
            for (uint32_t i = 0; i < plist_array_get_size(list); ++i) {
                DeviceApp app;
                if (appFromAttributes(plist_array_get_item(list, i), app) && app.fileSharing)
                    apps.push_back(std::move(app));
            }
        }
        if (plistScalarText(plist_dict_get_item(answer.get(), "Status")) == "Complete")
            return MDERR_OK;
    }
}

int readAppIcon(idevice_t device, lockdownd_service_descriptor_t descriptor, const std::string &identifier,
                std::string &png, std::string *text)
{
    const auto fail = [text](int code, const std::string &sentence) {
        *text = sentence;
        return code;
    };
    sbservices_client_t raw = nullptr;
    if (sbservices_client_new(device, descriptor, &raw) != SBSERVICES_E_SUCCESS)
        return fail(MDERR_FAILED, ideviceErrorText(IDEVICE_E_UNKNOWN_ERROR));
    std::unique_ptr<sbservices_client_private, SbservicesFree> client(raw);
    char *data = nullptr;
    uint64_t size = 0;
    const sbservices_error_t rc = sbservices_get_icon_pngdata(client.get(), identifier.c_str(), &data, &size);
    std::unique_ptr<char, MallocFree> owned(data);
    if (rc != SBSERVICES_E_SUCCESS)
        return fail(MDERR_FAILED, ideviceErrorText(IDEVICE_E_UNKNOWN_ERROR));
    png.assign(data ? data : "", data ? size_t(size) : 0);
    return MDERR_OK;
}

int vendDocuments(idevice_t device, lockdownd_service_descriptor_t descriptor, const std::string &identifier,
                  HouseArrestPtr &houseArrest, AfcPtr &afcClient, std::string *text)
{
    const auto fail = [text](int code, const std::string &sentence) {
        *text = sentence;
        return code;
    };
    house_arrest_client_t raw = nullptr;
    if (const house_arrest_error_t rc = house_arrest_client_new(device, descriptor, &raw);
        rc != HOUSE_ARREST_E_SUCCESS)
        return fail(MDERR_FAILED, houseArrestErrorText(rc));
    houseArrest.reset(raw);
    // One command per connection: VendDocuments, then the connection speaks AFC.
    if (const house_arrest_error_t rc =
            house_arrest_send_command(houseArrest.get(), "VendDocuments", identifier.c_str());
        rc != HOUSE_ARREST_E_SUCCESS)
        return fail(MDERR_FAILED, houseArrestErrorText(rc));
    plist_t rawResult = nullptr;
    const house_arrest_error_t rc = house_arrest_get_result(houseArrest.get(), &rawResult);
    PlistPtr result(rawResult);
    if (rc != HOUSE_ARREST_E_SUCCESS || !result || plist_get_node_type(result.get()) != PLIST_DICT)
        return fail(MDERR_FAILED, houseArrestErrorText(rc == HOUSE_ARREST_E_SUCCESS ? HOUSE_ARREST_E_PLIST_ERROR : rc));
    if (auto error = plistScalarText(plist_dict_get_item(result.get(), "Error"))) {
        const std::string refusal = appServiceRefusalText(*error);
        const int code = refusal == uiText("Device", appGoneText())        ? static_cast<int>(MDERR_APP_GONE)
                         : refusal == uiText("Device", deviceLockedText()) ? static_cast<int>(MDERR_DEVICE_LOCKED)
                                                         : static_cast<int>(MDERR_FAILED);
        return fail(code, refusal);
    }
    if (plistScalarText(plist_dict_get_item(result.get(), "Status")) != "Complete")
        return fail(MDERR_FAILED, houseArrestErrorText(HOUSE_ARREST_E_PLIST_ERROR));
    afc_client_t afc = nullptr;
    if (const afc_error_t afcResult = afc_client_new_from_house_arrest_client(houseArrest.get(), &afc);
        afcResult != AFC_E_SUCCESS)
        return fail(MDERR_FAILED, afcErrorText(afcResult));
    afcClient.reset(afc);
    return MDERR_OK;
}
} // namespace usbbackend
