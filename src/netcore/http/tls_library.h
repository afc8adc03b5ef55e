#pragma once

#include "netcore/base/expected.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <string>

namespace wirelark {

// The part of OpenSSL the HTTP client uses, loaded with the first https request: a process that
// only ever speaks http never maps libssl and libcrypto. Each pointer has the type of OpenSSL's
// own declaration, so a mismatch fails to compile; the headers give types and nothing else.
struct TlsLibrary {
    // libcrypto's, reached through libssl, which depends on it.
    decltype(&ERR_clear_error) clearError;
    decltype(&ERR_peek_last_error) peekLastError;
    decltype(&ERR_error_string_n) errorString;
    decltype(&X509_verify_cert_error_string) verifyErrorString;
    decltype(&X509_VERIFY_PARAM_set1_ip_asc) setExpectedAddress;

    decltype(&TLS_client_method) clientMethod;
    decltype(&SSL_CTX_new) contextNew;
    decltype(&SSL_CTX_free) contextFree;
    // SSL_CTX_set_min_proto_version is a macro over it.
    decltype(&SSL_CTX_ctrl) contextControl;
    decltype(&SSL_CTX_set_verify) contextSetVerify;
    decltype(&SSL_CTX_set_options) contextSetOptions;
    decltype(&SSL_CTX_load_verify_locations) contextLoadVerifyLocations;
    decltype(&SSL_CTX_set_default_verify_paths) contextSetDefaultVerifyPaths;

    decltype(&SSL_new) connectionNew;
    decltype(&SSL_free) connectionFree;
    decltype(&SSL_set_fd) setFd;
    // SSL_set_tlsext_host_name is a macro over it.
    decltype(&SSL_ctrl) control;
    decltype(&SSL_set1_host) setExpectedHost;
    decltype(&SSL_get0_param) verifyParameters;
    decltype(&SSL_connect) connect;
    decltype(&SSL_read) read;
    decltype(&SSL_write) write;
    decltype(&SSL_get_error) error;
    decltype(&SSL_get_verify_result) verifyResult;

    int setMinimumVersion(SSL_CTX* context, int version) const {
        return static_cast<int>(
            contextControl(context, SSL_CTRL_SET_MIN_PROTO_VERSION, version, nullptr));
    }
    int setServerName(SSL* connection, const char* name) const {
        return static_cast<int>(control(connection, SSL_CTRL_SET_TLSEXT_HOSTNAME,
                                        TLSEXT_NAMETYPE_host_name, const_cast<char*>(name)));
    }
};

// The library, loaded on the first call by whichever thread makes it; later calls get the same
// outcome. The error is "TLS isn't available: " and the loader's reason.
const Expected<const TlsLibrary*, std::string>& tlsLibrary();

} // namespace wirelark
