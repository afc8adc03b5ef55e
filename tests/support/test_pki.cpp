#include "test_pki.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <stdexcept>

namespace wirelark::testing {
namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("test certificate: ") + what);
    }
}

std::unique_ptr<EVP_PKEY, KeyFree> newKey() {
    std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_EC_gen("P-256"));
    check(key != nullptr, "key");
    return key;
}

void addExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    check(extension != nullptr, "extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

// Builds a certificate for key, named commonName, issued by issuer (itself when null).
TestCertificate makeCertificate(const std::string& commonName, const CertificateRequest& request,
                                bool authority, const TestCertificate* issuer) {
    static long serial = 1;
    TestCertificate made{std::unique_ptr<X509, X509Free>(X509_new()), newKey()};
    X509* certificate = made.certificate.get();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial++);
    X509_gmtime_adj(X509_getm_notBefore(certificate), request.notBefore);
    X509_gmtime_adj(X509_getm_notAfter(certificate), request.notAfter);
    X509_set_pubkey(certificate, made.key.get());
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    X509* signer = issuer ? issuer->certificate.get() : certificate;
    X509_set_issuer_name(certificate, X509_get_subject_name(signer));

    addExtension(certificate, signer, NID_basic_constraints,
                 authority ? "critical,CA:TRUE" : "critical,CA:FALSE");
    addExtension(certificate, signer, NID_key_usage,
                 authority ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
    addExtension(certificate, signer, NID_subject_key_identifier, "hash");
    if (issuer) {
        addExtension(certificate, signer, NID_authority_key_identifier, "keyid:always");
    }
    std::string names;
    for (const auto& dns : request.dnsNames) {
        names += (names.empty() ? "DNS:" : ",DNS:") + dns;
    }
    for (const auto& ip : request.ipAddresses) {
        names += (names.empty() ? "IP:" : ",IP:") + ip;
    }
    if (!names.empty()) {
        addExtension(certificate, signer, NID_subject_alt_name, names);
    }
    EVP_PKEY* signingKey = issuer ? issuer->key.get() : made.key.get();
    check(X509_sign(certificate, signingKey, EVP_sha256()) > 0, "signature");
    return made;
}

} // namespace

TestAuthority::TestAuthority(const std::string& name)
    : self_(makeCertificate(name, CertificateRequest{}, true, nullptr)) {}

TestCertificate TestAuthority::issue(const CertificateRequest& request) const {
    return makeCertificate("Wirelark test server", request, false, &self_);
}

void TestAuthority::writePem(const std::string& path) const {
    std::FILE* file = std::fopen(path.c_str(), "w");
    check(file != nullptr, "writing the authority");
    PEM_write_X509(file, self_.certificate.get());
    std::fclose(file);
}

TestCertificate selfSignedCertificate(const CertificateRequest& request) {
    return makeCertificate("Wirelark self-signed", request, false, nullptr);
}

} // namespace wirelark::testing
