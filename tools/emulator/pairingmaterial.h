// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The keys and certificates of one emulated device and the host it trusts, made the
// way the client library makes them (RSA-2048, X.509 v3, empty names) but signed with
// SHA-256, which OpenSSL 3 accepts at its default security level.

#include <string>

struct PairingMaterial
{
    std::string hostId;          // "8-4-4-4-12" upper-case UUID
    std::string systemBuid;
    std::string rootCertificate; // PEM
    std::string rootPrivateKey;  // PEM, PKCS#8
    std::string hostCertificate;
    std::string hostPrivateKey;
    std::string deviceCertificate;
    std::string devicePrivateKey;
    std::string devicePublicKey; // PEM, PKCS#1 ("RSA PUBLIC KEY"), as lockdownd hands it out
};

// Fresh material; returns false (with *error) when OpenSSL fails.
bool generatePairingMaterial(PairingMaterial &out, std::string *error);
std::string randomUuid();
