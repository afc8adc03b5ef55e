#include "netcore/http/http_message.h"
#include "netcore/publicip/public_ip_address.h"
#include "netcore/publicip/public_ip_service.h"

#include "loopback_server.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

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

void BM_LoopbackLookupBothFamilies(benchmark::State& state) {
    if (!testing::LoopbackServer::available(IPVersion::v6)) {
        state.SkipWithError("::1 can't be used here");
        return;
    }
    const auto answer = [](testing::ServerConnection& c) { c.send(kTypical); };
    testing::LoopbackServer v4(IPVersion::v4, answer);
    testing::LoopbackServer v6(IPVersion::v6, answer);
    auto resolver = std::make_shared<testing::FixedResolver>();
    resolver->add("lookup.test", IPVersion::v4, v4.address());
    resolver->add("lookup.test", IPVersion::v6, v6.address());
    const HttpClient client({.resolver = resolver});
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
