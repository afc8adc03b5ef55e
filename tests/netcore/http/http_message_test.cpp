#include "netcore/http/http_message.h"

#include <gtest/gtest.h>

#include <string>

using namespace wirelark;

namespace {

HttpResult<Bytes> parse(std::string_view response) {
    return parseHttpResponse(
        std::span(reinterpret_cast<const uint8_t*>(response.data()), response.size()));
}

std::string text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The body expected, or else the error.
struct Outcome {
    std::optional<std::string> body = std::nullopt;
    std::optional<HttpError> error = std::nullopt;
};

void expectParse(std::string_view response, const Outcome& expected) {
    SCOPED_TRACE(std::string(response.substr(0, 120)));
    const auto result = parse(response);
    if (expected.body) {
        ASSERT_TRUE(result.has_value()) << result.error().description();
        EXPECT_EQ(text(result.value()), *expected.body);
    } else {
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error(), *expected.error) << result.error().description();
    }
}

} // namespace

TEST(HttpResponse, StatusDecidesAndTheBodyFollowsTheBlankLine) {
    const std::pair<std::string_view, Outcome> cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n203.0.113.7\n", {"203.0.113.7\n"}},
        {"HTTP/1.1 200 OK\r\n\r\n", {""}},
        {"HTTP/1.1 204 No Content\r\nServer: x\r\n\r\n", {""}},
        {"HTTP/1.1 299 Odd\r\n\r\nbody", {"body"}},
        {"HTTP/1.0   200   OK\r\n\r\nspaces", {"spaces"}},
        {"HTTP/1.1 200 OK\r\n\r\n\r\n\r\nx", {"\r\n\r\nx"}},
        {"HTTP/1.1 301 Moved Permanently\r\nLocation: /\r\n\r\n", {{}, HttpError::httpStatus(301)}},
        {"HTTP/1.1 403 Forbidden\r\n\r\nno", {{}, HttpError::httpStatus(403)}},
        {"HTTP/1.1 199 Early\r\n\r\n", {{}, HttpError::httpStatus(199)}},
        {"HTTP/1.1 300 Choices\r\n\r\n", {{}, HttpError::httpStatus(300)}},
        {"HTTP/1.1\r\n\r\nbody", {{}, HttpError::httpStatus(0)}},
        {"HTTP/1.1 OK 200\r\n\r\n", {{}, HttpError::httpStatus(0)}},
        {"HTTP/1.1 +200 OK\r\n\r\n", {{}, HttpError::httpStatus(0)}},
        {"HTTP/1.1 99999999999999999999 OK\r\n\r\n", {{}, HttpError::httpStatus(0)}},
        {"\r\n\r\n", {{}, HttpError::httpStatus(0)}},
        {"", {{}, HttpError::malformed()}},
        {"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r", {{}, HttpError::malformed()}},
        {"HTTP/1.1 200 OK\n\nbare newlines", {{}, HttpError::malformed()}},
    };
    for (const auto& [response, expected] : cases) {
        expectParse(response, expected);
    }
}

TEST(HttpResponse, DecodesChunkedBodies) {
    const std::pair<std::string_view, Outcome> cases[] = {
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n1.2.\r\n0\r\n\r\n", {"1.2."}},
        {"HTTP/1.1 200 OK\r\ntRANSFER-eNCODING: gzip, ChUnKeD\r\n\r\n4\r\nabcd\r\n0\r\n\r\n",
         {"abcd"}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
         "4;name=value\r\nabcd\r\n2 ; x\r\nef\r\n0\r\nTrailer: yes\r\n\r\n",
         {"abcdef"}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nA\r\n0123456789\r\n0\r\n\r\n",
         {"0123456789"}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nabcd", {"abcd"}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nabcd\r\n", {"abcd"}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", {""}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: identity\r\n\r\n4\r\nabcd", {"4\r\nabcd"}},
        {"HTTP/1.1 200 OK\r\nX-Transfer-Encoding: chunked\r\n\r\n4\r\nabcd", {"4\r\nabcd"}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabcd\r\n0\r\n\r\n",
         {{}, HttpError::malformed()}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n\r\nabcd\r\n",
         {{}, HttpError::malformed()}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-4\r\nabcd\r\n0\r\n\r\n",
         {{}, HttpError::malformed()}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n+4\r\nabcd\r\n0\r\n\r\n",
         {{}, HttpError::malformed()}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
         "fffffffffffffffffffff\r\nabcd\r\n",
         {{}, HttpError::malformed()}},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nshort\r\n0\r\n\r\n",
         {{}, HttpError::malformed()}},
        {"HTTP/1.1 500 Oops\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
         {{}, HttpError::httpStatus(500)}},
    };
    for (const auto& [response, expected] : cases) {
        expectParse(response, expected);
    }
}
