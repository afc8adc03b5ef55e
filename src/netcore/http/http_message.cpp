#include "netcore/http/http_message.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace wirelark {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kHeadEnd = "\r\n\r\n";

std::string_view asText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The second word of the status line as a decimal number; 0 when there is none.
int statusCode(std::string_view statusLine) {
    std::string_view pieces[2];
    std::size_t found = 0;
    while (found < 2) {
        const auto start = statusLine.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            return 0;
        }
        statusLine.remove_prefix(start);
        const auto end = std::min(statusLine.find(' '), statusLine.size());
        pieces[found++] = statusLine.substr(0, end);
        statusLine.remove_prefix(end);
    }
    const auto word = pieces[1];
    int status = 0;
    for (const char c : word) {
        if (c < '0' || c > '9' || status > 99'999'999) {
            return 0;
        }
        status = status * 10 + (c - '0');
    }
    return status;
}

bool isChunkedHeader(std::string_view line) {
    std::string lowered(line.size(), '\0');
    std::transform(line.begin(), line.end(), lowered.begin(), lower);
    return lowered.starts_with("transfer-encoding:") &&
           lowered.find("chunked") != std::string::npos;
}

bool headSaysChunked(std::string_view head) {
    while (true) {
        const auto end = head.find(kLineEnd);
        if (isChunkedHeader(head.substr(0, end))) {
            return true;
        }
        if (end == std::string_view::npos) {
            return false;
        }
        head.remove_prefix(end + kLineEnd.size());
    }
}

std::optional<std::size_t> parseChunkSize(std::string_view line) {
    line = line.substr(0, line.find(';'));
    // Servers may pad the size before an extension.
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
    std::size_t size = 0;
    for (const char c : line) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (lower(c) >= 'a' && lower(c) <= 'f') {
            digit = lower(c) - 'a' + 10;
        } else {
            return std::nullopt;
        }
        if (size > (SIZE_MAX >> 4)) {
            return std::nullopt;
        }
        size = (size << 4) | static_cast<std::size_t>(digit);
    }
    return size;
}

} // namespace

std::string httpRequestText(const Url& url) {
    return "GET " + url.requestTarget() + " HTTP/1.1\r\nHost: " + url.hostHeader() +
           "\r\nUser-Agent: Wirelark\r\nAccept: */*\r\nConnection: close\r\n\r\n";
}

HttpResult<Bytes> parseHttpResponse(std::span<const uint8_t> response) {
    const auto text = asText(response);
    const auto headEnd = text.find(kHeadEnd);
    if (headEnd == std::string_view::npos) {
        return Unexpected(HttpError::malformed());
    }
    const auto head = text.substr(0, headEnd);
    const auto body = response.subspan(headEnd + kHeadEnd.size());

    const int status = statusCode(head.substr(0, head.find(kLineEnd)));
    if (status < 200 || status > 299) {
        return Unexpected(HttpError::httpStatus(status));
    }
    if (headSaysChunked(head)) {
        return decodeChunkedBody(body);
    }
    return Bytes(body.begin(), body.end());
}

HttpResult<Bytes> decodeChunkedBody(std::span<const uint8_t> body) {
    Bytes decoded;
    std::size_t position = 0;
    const auto text = asText(body);
    while (true) {
        const auto lineEnd = text.find(kLineEnd, position);
        if (lineEnd == std::string_view::npos) {
            break;
        }
        const auto size = parseChunkSize(text.substr(position, lineEnd - position));
        if (!size) {
            return Unexpected(HttpError::malformed());
        }
        if (*size == 0) {
            break;
        }
        position = lineEnd + kLineEnd.size();
        if (body.size() - position < *size) {
            return Unexpected(HttpError::malformed());
        }
        decoded.insert(decoded.end(), body.begin() + static_cast<std::ptrdiff_t>(position),
                       body.begin() + static_cast<std::ptrdiff_t>(position + *size));
        position += *size;
        if (body.size() - position >= kLineEnd.size()) {
            position += kLineEnd.size();
        }
    }
    return decoded;
}

} // namespace wirelark
