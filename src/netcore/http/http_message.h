#pragma once

#include "netcore/http/http_error.h"
#include "netcore/http/url.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace wirelark {

using Bytes = std::vector<uint8_t>;

// The one request this client sends: a GET that asks the server to close when it is done.
std::string httpRequestText(const Url& url);

// Checks the status of a whole response (everything up to the server's close) and returns its
// body, decoded when the server sent it in chunks.
HttpResult<Bytes> parseHttpResponse(std::span<const uint8_t> response);

// The chunks of a chunked body joined; trailers are ignored.
HttpResult<Bytes> decodeChunkedBody(std::span<const uint8_t> body);

} // namespace wirelark
