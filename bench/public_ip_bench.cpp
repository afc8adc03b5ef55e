#include "netcore/http_message.h"
#include "netcore/public_ip_address.h"
#include "netcore/public_ip_service.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

using namespace wirelark;

namespace {

Bytes bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A typical answer of a plain-text service, about 200 bytes.
const std::string kTypical = "HTTP/1.1 200 OK\r\nDate: Wed, 09 Dec 2026 21:00:00 GMT\r\n"
                             "Content-Type: text/plain; charset=utf-8\r\nContent-Length: 12\r\n"
                             "Connection: close\r\nServer: lookup\r\nCache-Control: no-store\r\n"
                             "\r\n203.0.113.7\n";

// A chunked answer of about a million bytes: a JSON document in 4 KiB chunks.
std::string largeChunked() {
    std::string json = R"({"ip":"203.0.113.7","padding":")";
    json.append(1'000'000 - 64, 'x');
    json += "\"}";
    std::string response = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (std::size_t at = 0; at < json.size(); at += 4096) {
        const auto piece = json.substr(at, 4096);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        response += size + piece + "\r\n";
    }
    return response + "0\r\n\r\n";
}

void parseAndExtract(benchmark::State& state, const std::string& response) {
    const Bytes raw = bytes(response);
    for (auto _ : state) {
        const auto body = parseHttpResponse(raw);
        auto address = extractPublicIPAddress(body.value(), "");
        benchmark::DoNotOptimize(address);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * raw.size()));
}

void BM_ParseAndExtractTypical(benchmark::State& state) {
    parseAndExtract(state, kTypical);
}
BENCHMARK(BM_ParseAndExtractTypical);

void BM_ParseAndExtractChunkedMegabyte(benchmark::State& state) {
    parseAndExtract(state, largeChunked());
}
BENCHMARK(BM_ParseAndExtractChunkedMegabyte);

// The chunk decoding alone, without the JSON parse that finds the address.
void BM_ParseChunkedMegabyte(benchmark::State& state) {
    const Bytes raw = bytes(largeChunked());
    for (auto _ : state) {
        auto body = parseHttpResponse(raw);
        benchmark::DoNotOptimize(body);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * raw.size()));
}
BENCHMARK(BM_ParseChunkedMegabyte);

// Answers every connection on one loopback address with the typical answer.
class Responder {
public:
    explicit Responder(int family) {
        fd_ = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_storage address{};
        socklen_t length;
        if (family == AF_INET) {
            auto* in = reinterpret_cast<sockaddr_in*>(&address);
            in->sin_family = AF_INET;
            in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof(sockaddr_in);
        } else {
            auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
            in6->sin6_family = AF_INET6;
            in6->sin6_addr = in6addr_loopback;
            length = sizeof(sockaddr_in6);
        }
        ok_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 && listen(fd_, 64) == 0;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        address_.storage = address;
        address_.length = length;
        thread_ = std::jthread([this] { serve(); });
    }
    ~Responder() {
        const uint64_t one = 1;
        [[maybe_unused]] auto written = write(stop_, &one, sizeof one);
        thread_.join();
        close(fd_);
        close(stop_);
    }
    bool ok() const { return ok_; }
    SocketAddress address() const { return address_; }

private:
    void serve() {
        while (ok_) {
            pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_, POLLIN, 0}};
            poll(fds, 2, -1);
            if (fds[1].revents != 0) {
                return;
            }
            const int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                continue;
            }
            char request[1024];
            [[maybe_unused]] auto got = recv(client, request, sizeof request, 0);
            [[maybe_unused]] auto sent =
                send(client, kTypical.data(), kTypical.size(), MSG_NOSIGNAL);
            close(client);
        }
    }

    int fd_;
    int stop_ = eventfd(0, EFD_CLOEXEC);
    bool ok_ = false;
    SocketAddress address_;
    std::jthread thread_;
};

class BothLoopbacks : public AddressResolver {
public:
    BothLoopbacks(SocketAddress v4, SocketAddress v6) : v4_(v4), v6_(v6) {}
    LookupResult<std::vector<SocketAddress>> resolve(const std::string&, uint16_t,
                                                     IPVersion version) const override {
        return std::vector{version == IPVersion::v4 ? v4_ : v6_};
    }

private:
    SocketAddress v4_;
    SocketAddress v6_;
};

void BM_LoopbackLookupBothFamilies(benchmark::State& state) {
    Responder v4(AF_INET);
    Responder v6(AF_INET6);
    if (!v4.ok() || !v6.ok()) {
        state.SkipWithError("127.0.0.1 or ::1 can't be used here");
        return;
    }
    const HttpClient client(
        {.resolver = std::make_shared<BothLoopbacks>(v4.address(), v6.address())});
    const PublicIPService service(client);
    for (auto _ : state) {
        auto result = service.lookup("http://lookup.test/ip", "");
        if (!result.ipv4 || !result.ipv6) {
            state.SkipWithError("the lookup failed");
            return;
        }
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_LoopbackLookupBothFamilies)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
