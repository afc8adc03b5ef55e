#pragma once

#include "app/installer/package_signature.h"
#include "netcore/base/cancellation.h"
#include "netcore/http/http_client.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace wirelark {

// Where a newer helper package may come from, and what it must beat and pass.
struct HelperPackageSource {
    // The maker's site, "https://host": the feed at "/helper.json", packages under "/downloads/".
    std::string siteURL;
    // The built-in package's version; "0" without one.
    std::string builtInVersion;
    // Where downloaded packages and their signatures are kept.
    std::filesystem::path downloadFolder;
    PackageSigner signer;
};

// A verified helper package newer than the built-in one, fetched as the feed names it: the
// package and its detached signature (the package's URL + ".sig") are written beside each other
// in the download folder and the package is returned only when gpgv trusts it. `downloading`
// runs with the feed's version just before the download starts. Every failure means none; an
// unverified package is left where it was written and never returned. Blocks; for a thread of
// its own.
std::optional<std::filesystem::path>
newerHelperPackage(const HelperPackageSource& source, const HttpTransport& http,
                   const std::function<void(const std::string& version)>& downloading,
                   const Cancellation* cancellation = nullptr);

} // namespace wirelark
