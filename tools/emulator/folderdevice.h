// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// One emulated device read from a folder device (DEVICE_DIR/device.plist and root/).
// The pairing material is generated on first use and kept in
// DEVICE_DIR/emulator-pairing.plist so that every run serves the same pair record.
// Thread-safe: the connection threads share it.

#include "afcfolder.h"
#include "pairingmaterial.h"
#include "wire.h"

#include <mutex>
#include <optional>
#include <set>

typedef struct ssl_ctx_st SSL_CTX;

class FolderDevice
{
public:
    // nullptr with *error when device.plist is missing, unreadable or has no UniqueDeviceID.
    static std::unique_ptr<FolderDevice> load(const std::string &dir, std::string *error);
    ~FolderDevice();
    FolderDevice(const FolderDevice &) = delete;
    FolderDevice &operator=(const FolderDevice &) = delete;

    const std::string &dir() const { return m_dir; }
    const std::string &udid() const { return m_udid; }
    bool paired() const { return m_paired; }
    AfcFolder &folder() { return m_folder; }
    const PairingMaterial &pairing() const { return m_pairing; }
    SSL_CTX *tlsContext() const { return m_tls; }

    // GetValue: the whole domain when key is empty; nullptr when absent.
    PlistPtr value(const std::string &domain, const std::string &key) const;
    // Major version of ProductVersion (0 when absent or unparsable).
    int majorVersion() const;
    // AFC device info pairs (Model, FSTotalBytes, FSFreeBytes, FSBlockSize).
    std::vector<std::string> deviceInfo() const;

    // The pair record ReadPairRecord serves: the one the client saved, or the generated one.
    Bytes pairRecord() const;
    void savePairRecord(const Bytes &record);
    bool trustsHost(const std::string &hostId) const;
    void trustHost(const std::string &hostId);

    // Appends one line to DEVICE_DIR/notifications.log.
    bool recordNotification(const std::string &name);

    // Apps, read afresh on every question so that a test may add or remove one while the
    // device is attached: DEVICE_DIR/apps/IDENTIFIER/Info.plist (its attributes),
    // icon.png and container/. device.plist's "Locked" (true) is read afresh too.
    bool locked() const;
    // Every app's Info.plist dict, in identifier order; a folder whose Info.plist is
    // unreadable or names another identifier is no app.
    std::vector<PlistPtr> apps() const;
    // nullptr when there is no such app (or the identifier cannot name a folder).
    PlistPtr app(const std::string &identifier) const;
    Bytes appIcon(const std::string &identifier) const;
    // The real path of the app's container, nullopt when it is missing or lies outside
    // the device's folder.
    std::optional<std::string> appContainer(const std::string &identifier) const;
    // The escrow bag of the pair record served, empty when it has none.
    Bytes escrowBag() const;

private:
    FolderDevice(std::string dir, std::string udid);
    bool loadOrCreatePairing(std::string *error);
    bool makeTlsContext(std::string *error);
    uint64_t totalBytes() const;

    std::string m_dir;
    std::string m_udid;
    bool m_paired = true;
    PlistPtr m_values;
    PlistPtr m_deviceInfo;
    AfcFolder m_folder;
    PairingMaterial m_pairing;
    SSL_CTX *m_tls = nullptr;

    mutable std::mutex m_mutex; // guards the members below
    Bytes m_savedRecord;
    std::set<std::string> m_trustedHosts;
    std::mutex m_logMutex;
};
