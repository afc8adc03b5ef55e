#include "netcore/http/tls_library.h"

#include <dlfcn.h>

#include <type_traits>

namespace wirelark {

namespace {

// The library the headers describe: another major version may differ in any signature.
static_assert(OPENSSL_VERSION_MAJOR == 3, "the types come from OpenSSL 3's headers");
constexpr const char* kLibraryName = "libssl.so.3";

std::string unavailable(const char* reason) {
    return std::string("TLS isn't available: ") + (reason != nullptr ? reason : "unknown reason");
}

// Resolves every pointer, or names the first symbol missing.
Expected<const TlsLibrary*, std::string> load() {
    // Never closed: contexts and connections may live until the process ends.
    void* const handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return Unexpected(unavailable(dlerror()));
    }
    std::string missing;
    const auto resolve = [&](auto& pointer, const char* name) {
        dlerror();
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(dlsym(handle, name));
        if (pointer == nullptr && missing.empty()) {
            missing = unavailable(dlerror());
        }
    };
    static TlsLibrary library;
    resolve(library.clearError, "ERR_clear_error");
    resolve(library.peekLastError, "ERR_peek_last_error");
    resolve(library.errorString, "ERR_error_string_n");
    resolve(library.verifyErrorString, "X509_verify_cert_error_string");
    resolve(library.setExpectedAddress, "X509_VERIFY_PARAM_set1_ip_asc");
    resolve(library.clientMethod, "TLS_client_method");
    resolve(library.contextNew, "SSL_CTX_new");
    resolve(library.contextFree, "SSL_CTX_free");
    resolve(library.contextControl, "SSL_CTX_ctrl");
    resolve(library.contextSetVerify, "SSL_CTX_set_verify");
    resolve(library.contextSetOptions, "SSL_CTX_set_options");
    resolve(library.contextLoadVerifyLocations, "SSL_CTX_load_verify_locations");
    resolve(library.contextSetDefaultVerifyPaths, "SSL_CTX_set_default_verify_paths");
    resolve(library.connectionNew, "SSL_new");
    resolve(library.connectionFree, "SSL_free");
    resolve(library.setFd, "SSL_set_fd");
    resolve(library.control, "SSL_ctrl");
    resolve(library.setExpectedHost, "SSL_set1_host");
    resolve(library.verifyParameters, "SSL_get0_param");
    resolve(library.connect, "SSL_connect");
    resolve(library.read, "SSL_read");
    resolve(library.write, "SSL_write");
    resolve(library.error, "SSL_get_error");
    resolve(library.verifyResult, "SSL_get_verify_result");
    if (!missing.empty()) {
        return Unexpected(std::move(missing));
    }
    return &library;
}

} // namespace

const Expected<const TlsLibrary*, std::string>& tlsLibrary() {
    // A function-local static: made once, by the first caller, while others wait.
    static const Expected<const TlsLibrary*, std::string> loaded = load();
    return loaded;
}

} // namespace wirelark
