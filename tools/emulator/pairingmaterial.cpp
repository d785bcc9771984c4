// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "pairingmaterial.h"

#include <openssl/bio.h>
#include <openssl/encoder.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace {

struct PkeyFree { void operator()(EVP_PKEY *p) const { EVP_PKEY_free(p); } };
struct X509Free { void operator()(X509 *p) const { X509_free(p); } };
struct BioFree { void operator()(BIO *p) const { BIO_free(p); } };
struct EncoderFree { void operator()(OSSL_ENCODER_CTX *p) const { OSSL_ENCODER_CTX_free(p); } };
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;
using X509Ptr = std::unique_ptr<X509, X509Free>;
using BioPtr = std::unique_ptr<BIO, BioFree>;

std::string opensslError(const char *what)
{
    char buf[256] = {};
    ERR_error_string_n(ERR_get_error(), buf, sizeof buf);
    return std::string(what) + ": " + buf;
}

std::string bioText(BIO *bio)
{
    char *data = nullptr;
    const long len = BIO_get_mem_data(bio, &data);
    return len > 0 ? std::string(data, size_t(len)) : std::string();
}

bool addExtension(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

// issuer == nullptr makes a self-signed CA certificate.
X509Ptr makeCertificate(EVP_PKEY *subjectKey, X509 *issuer, EVP_PKEY *issuerKey, bool ca)
{
    X509Ptr cert(X509_new());
    if (!cert)
        return nullptr;
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 0);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 60L * 60 * 24 * 365 * 10);
    X509_set_pubkey(cert.get(), subjectKey);
    X509 *signer = issuer ? issuer : cert.get();
    bool ok = true;
    if (ca) {
        ok = addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
    } else {
        ok = addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE")
            && addExtension(cert.get(), signer, NID_subject_key_identifier, "hash")
            && addExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    }
    if (!ok || X509_sign(cert.get(), issuerKey, EVP_sha256()) == 0)
        return nullptr;
    return cert;
}

std::string certificatePem(X509 *cert)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(bio.get(), cert);
    return bioText(bio.get());
}

std::string privateKeyPem(EVP_PKEY *key)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr);
    return bioText(bio.get());
}

// The client parses DevicePublicKey with PEM_read_bio_RSAPublicKey: PKCS#1, not SPKI.
std::string rsaPublicKeyPem(EVP_PKEY *key)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    std::unique_ptr<OSSL_ENCODER_CTX, EncoderFree> enc(
        OSSL_ENCODER_CTX_new_for_pkey(key, OSSL_KEYMGMT_SELECT_PUBLIC_KEY, "PEM", "type-specific", nullptr));
    if (!enc || OSSL_ENCODER_to_bio(enc.get(), bio.get()) != 1)
        return {};
    return bioText(bio.get());
}

} // namespace

std::string randomUuid()
{
    unsigned char b[16];
    RAND_bytes(b, sizeof b);
    b[6] = (b[6] & 0x0F) | 0x40;
    b[8] = (b[8] & 0x3F) | 0x80;
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        out.push_back(hex[b[i] >> 4]);
        out.push_back(hex[b[i] & 15]);
    }
    return out;
}

bool generatePairingMaterial(PairingMaterial &out, std::string *error)
{
    PkeyPtr rootKey(EVP_RSA_gen(2048));
    PkeyPtr hostKey(EVP_RSA_gen(2048));
    PkeyPtr deviceKey(EVP_RSA_gen(2048));
    if (!rootKey || !hostKey || !deviceKey) {
        if (error)
            *error = opensslError("RSA key generation failed");
        return false;
    }
    X509Ptr root = makeCertificate(rootKey.get(), nullptr, rootKey.get(), true);
    X509Ptr host = root ? makeCertificate(hostKey.get(), root.get(), rootKey.get(), false) : nullptr;
    X509Ptr device = root ? makeCertificate(deviceKey.get(), root.get(), rootKey.get(), false) : nullptr;
    if (!root || !host || !device) {
        if (error)
            *error = opensslError("certificate creation failed");
        return false;
    }
    out.hostId = randomUuid();
    out.systemBuid = randomUuid();
    out.rootCertificate = certificatePem(root.get());
    out.rootPrivateKey = privateKeyPem(rootKey.get());
    out.hostCertificate = certificatePem(host.get());
    out.hostPrivateKey = privateKeyPem(hostKey.get());
    out.deviceCertificate = certificatePem(device.get());
    out.devicePrivateKey = privateKeyPem(deviceKey.get());
    out.devicePublicKey = rsaPublicKeyPem(deviceKey.get());
    if (out.devicePublicKey.empty()) {
        if (error)
            *error = opensslError("public key encoding failed");
        return false;
    }
    return true;
}
