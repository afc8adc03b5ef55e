#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>
#include <vector>

namespace wirelark::testing {

struct X509Free {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};

// A certificate and its private key, made in memory for one test.
struct TestCertificate {
    std::unique_ptr<X509, X509Free> certificate;
    std::unique_ptr<EVP_PKEY, KeyFree> key;
};

struct CertificateRequest {
    // Subject alternative names: DNS names and IP addresses.
    std::vector<std::string> dnsNames = {};
    std::vector<std::string> ipAddresses = {};
    // Validity relative to now, in seconds.
    long notBefore = -3600;
    long notAfter = 86400;
};

// A certificate authority made at test time.
class TestAuthority {
public:
    explicit TestAuthority(const std::string& name);

    TestCertificate issue(const CertificateRequest& request) const;
    // Writes the authority's certificate as PEM, for a client to trust.
    void writePem(const std::string& path) const;

private:
    TestCertificate self_;
};

// A certificate that signs itself and is no authority.
TestCertificate selfSignedCertificate(const CertificateRequest& request);

} // namespace wirelark::testing
