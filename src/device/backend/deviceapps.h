// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// How a device describes the apps that share their documents (the attributes asked of it
// and how they are read), and the sentences of the two refusals: what both backends share
// to answer the layer's app calls (mobiledevice.h).

#include "device/backend/mobiledevice.h"
#include "device/backend/plistscalar.h"

#include <QtGlobal>
#include <plist/plist.h>

#include <cctype>
#include <string>
#include <vector>

// The attributes asked of the device, the ones appFromAttributes reads.
inline const std::vector<const char *> &appAttributeNames()
{
    static const std::vector<const char *> names = {"CFBundleIdentifier",
                                                    "CFBundleDisplayName",
                                                    "CFBundleName",
                                                    "CFBundleVersion",
                                                    "UIFileSharingEnabled",
                                                    "CFBundleDocumentTypes",
                                                    "UTImportedTypeDeclarations",
                                                    "UTExportedTypeDeclarations",
                                                    "LSApplicationCategoryType"};
    return names;
}

namespace deviceappsdetail {
inline std::string lower(std::string text)
{
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// True when any string of the array `list` (a lone string is read as one) is `wanted`,
// compared without case.
inline bool listHas(plist_t list, const std::string &wanted)
{
    if (!list)
        return false;
    if (plist_get_node_type(list) == PLIST_STRING)
        return lower(plistScalarText(list).value_or("")) == wanted;
    if (plist_get_node_type(list) != PLIST_ARRAY)
        return false;
    for (uint32_t i = 0; i < plist_array_get_size(list); ++i) {
        plist_t item = plist_array_get_item(list, i);
        if (plist_get_node_type(item) == PLIST_STRING && lower(plistScalarText(item).value_or("")) == wanted)
            return true;
    }
    return false;
}

inline constexpr const char *kEpubType = "org.idpf.epub-container";
inline constexpr const char *kPdfType = "com.adobe.pdf";

// A kind of document a reader takes: its content type, file extension and MIME type.
struct DocumentKind
{
    const char *contentType;
    const char *extension;
    const char *mimeType;
};
inline constexpr DocumentKind kEpubKind{kEpubType, "epub", "application/epub+zip"};
inline constexpr DocumentKind kPdfKind{kPdfType, "pdf", "application/pdf"};

// The lower-cased identifiers of the types an app declares itself (imported or exported)
// that stand for the kind: ones that name its extension or conform to its content type.
inline std::vector<std::string> declaredTypes(plist_t attributes, const DocumentKind &kind)
{
    std::vector<std::string> found;
    const std::string extension = kind.extension;
    for (const char *key : {"UTImportedTypeDeclarations", "UTExportedTypeDeclarations"}) {
        plist_t declarations = plist_dict_get_item(attributes, key);
        if (!declarations || plist_get_node_type(declarations) != PLIST_ARRAY)
            continue;
        for (uint32_t i = 0; i < plist_array_get_size(declarations); ++i) {
            plist_t declaration = plist_array_get_item(declarations, i);
            if (plist_get_node_type(declaration) != PLIST_DICT)
                continue;
            plist_t identifier = plist_dict_get_item(declaration, "UTTypeIdentifier");
            if (!identifier || plist_get_node_type(identifier) != PLIST_STRING)
                continue;
            const std::string name = lower(plistScalarText(identifier).value_or(""));
            if (name.empty())
                continue;
            plist_t tags = plist_dict_get_item(declaration, "UTTypeTagSpecification");
            plist_t extensions = tags && plist_get_node_type(tags) == PLIST_DICT
                                     ? plist_dict_get_item(tags, "public.filename-extension")
                                     : nullptr;
            if (listHas(extensions, extension) || listHas(extensions, "." + extension) ||
                listHas(plist_dict_get_item(declaration, "UTTypeConformsTo"), kind.contentType))
                found.push_back(name);
        }
    }
    return found;
}

// True when one of the app's document types takes the kind: its content type or one the
// app declares for it, the extension or the MIME type.
inline bool documentTypesTake(plist_t attributes, const DocumentKind &kind)
{
    plist_t types = plist_dict_get_item(attributes, "CFBundleDocumentTypes");
    if (!types || plist_get_node_type(types) != PLIST_ARRAY)
        return false;
    std::vector<std::string> contentTypes = declaredTypes(attributes, kind);
    contentTypes.push_back(kind.contentType);
    const std::string extension = kind.extension;
    for (uint32_t i = 0; i < plist_array_get_size(types); ++i) {
        plist_t type = plist_array_get_item(types, i);
        if (plist_get_node_type(type) != PLIST_DICT)
            continue;
        plist_t items = plist_dict_get_item(type, "LSItemContentTypes");
        for (const std::string &contentType : contentTypes)
            if (listHas(items, contentType))
                return true;
        if (listHas(plist_dict_get_item(type, "CFBundleTypeExtensions"), extension) ||
            listHas(plist_dict_get_item(type, "CFBundleTypeExtensions"), "." + extension) ||
            listHas(plist_dict_get_item(type, "CFBundleTypeMIMETypes"), kind.mimeType))
            return true;
    }
    return false;
}
} // namespace deviceappsdetail

// The record of one app's attributes as the device lists them (a dict with
// CFBundleIdentifier, ...); false when it is not a dict or has no identifier. Header-only
// so that the USB backend reads the device's answer without linking the layer.
inline bool appFromAttributes(plist_t attributes, DeviceApp &app)
{
    using namespace deviceappsdetail;
    if (!attributes || plist_get_node_type(attributes) != PLIST_DICT)
        return false;
    auto text = [&](const char *key) {
        plist_t node = plist_dict_get_item(attributes, key);
        return node && plist_get_node_type(node) == PLIST_STRING ? plistScalarText(node).value_or("") : std::string();
    };
    app = DeviceApp{};
    app.identifier = text("CFBundleIdentifier");
    if (app.identifier.empty())
        return false;
    app.name = text("CFBundleName");
    app.version = text("CFBundleVersion");
    app.displayName = text("CFBundleDisplayName");
    if (app.displayName.empty())
        app.displayName = app.name.empty() ? app.identifier : app.name;
    // Devices have sent the flag as a boolean and as the string "YES".
    const std::string sharing = lower(plistScalarText(plist_dict_get_item(attributes, "UIFileSharingEnabled")).value_or(""));
    app.fileSharing = sharing == "true" || sharing == "yes" || sharing == "1";
    // Entries of the wrong kind are passed over: they never hide the app.
    app.takesEpub = documentTypesTake(attributes, kEpubKind);
    app.takesPdf = documentTypesTake(attributes, kPdfKind);
    plist_t category = plist_dict_get_item(attributes, "LSApplicationCategoryType");
    app.booksCategory = category && plist_get_node_type(category) == PLIST_STRING &&
                        lower(plistScalarText(category).value_or("")) == "public.app-category.books";
    return true;
}

// The sentences of the two refusals, shared by the backends; in English, so that they can be
// told apart, and said in the user's language with uiText("Device", ...).
inline const char *deviceLockedText() { return QT_TRANSLATE_NOOP("Device", "Unlock the iPhone and try again."); }
inline const char *appGoneText()
{
    return QT_TRANSLATE_NOOP("Device", "The app is no longer on the device, or it no longer shares its documents. Reconnect the device to "
           "see its apps again.");
}
