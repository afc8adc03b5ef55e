#include "app/installer/helper_download_url.h"

#include "netcore/http/url.h"

#include <algorithm>
#include <cctype>

namespace wirelark {

namespace {

constexpr std::string_view kDownloads = "/downloads/";
constexpr size_t kLongestVersion = 64;

bool sameHost(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool climbsOut(std::string_view path) {
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("/../") != std::string::npos || lower.ends_with("/..") ||
           lower.find("%2e") != std::string::npos;
}

} // namespace

bool isMakerDownloadURL(std::string_view siteURL, std::string_view url) {
    const auto site = parseUrl(siteURL);
    const auto download = parseUrl(url);
    return site && download && site->scheme == download->scheme &&
           sameHost(site->host, download->host) &&
           site->effectivePort() == download->effectivePort() &&
           download->path.starts_with(kDownloads) && download->path.size() > kDownloads.size() &&
           !climbsOut(download->path);
}

std::optional<std::string> helperPackageFileName(std::string_view version) {
    const bool safe = !version.empty() && version.size() <= kLongestVersion &&
                      std::all_of(version.begin(), version.end(), [](char c) {
                          return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' ||
                                 c == '+' || c == '~' || c == '-';
                      });
    if (!safe) {
        return std::nullopt;
    }
    return "WirelarkAdmin-" + std::string(version) + ".deb";
}

} // namespace wirelark
