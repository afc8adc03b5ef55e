// Serves one fixed answer over http and over https on 127.0.0.1 for a test that must not have
// OpenSSL in its own process. Writes the authority that issued the https certificate to the PEM
// file named by its argument, prints "HTTP_PORT HTTPS_PORT" on a line, and serves until its
// standard input closes.

#include "loopback_server.h"
#include "test_pki.h"

#include <cstdio>
#include <iostream>

using namespace wirelark;
using namespace wirelark::testing;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " AUTHORITY_PEM_FILE\n";
        return 2;
    }
    if (!LoopbackServer::available(IPVersion::v4)) {
        std::cerr << "no IPv4 loopback here\n";
        return 1;
    }
    const TestAuthority authority("Wirelark test authority");
    authority.writePem(argv[1]);
    const TestCertificate certificate = authority.issue({.ipAddresses = {"127.0.0.1"}});
    const Responder answer = [](ServerConnection& c) {
        c.send(httpResponse("HTTP/1.1 200 OK", "served"));
    };
    const LoopbackServer http(IPVersion::v4, answer);
    const LoopbackServer https(IPVersion::v4, answer,
                               TlsIdentity{certificate.certificate.get(), certificate.key.get()});
    std::cout << http.port() << ' ' << https.port() << std::endl;
    while (std::getchar() != EOF) {
    }
    return 0;
}
