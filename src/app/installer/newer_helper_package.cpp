#include "app/installer/newer_helper_package.h"

#include "admin/helper_feed.h"
#include "admin/helper_version.h"
#include "app/admin/admin_web_site.h"
#include "app/installer/helper_download_url.h"
#include "netcore/base/atomic_file.h"

namespace wirelark {

std::optional<std::filesystem::path>
newerHelperPackage(const HelperPackageSource& source, const HttpTransport& http,
                   const std::function<void(const std::string& version)>& downloading,
                   const Cancellation* cancellation) {
    const auto feedBody = fetchOverEitherFamily(http, helperFeedURL(source.siteURL), cancellation);
    if (!feedBody) {
        return std::nullopt;
    }
    const auto release = helperFeedRelease(
        std::string_view(reinterpret_cast<const char*>(feedBody->data()), feedBody->size()));
    if (!release || !isNewerVersion(release->version, source.builtInVersion) ||
        !isMakerDownloadURL(source.siteURL, release->download)) {
        return std::nullopt;
    }
    const auto fileName = helperPackageFileName(release->version);
    if (!fileName) {
        return std::nullopt;
    }
    if (downloading) {
        downloading(release->version);
    }
    const auto package = fetchOverEitherFamily(http, release->download, cancellation);
    if (!package) {
        return std::nullopt;
    }
    const auto signature = fetchOverEitherFamily(http, release->download + ".sig", cancellation);
    if (!signature) {
        return std::nullopt;
    }
    const std::filesystem::path packagePath = source.downloadFolder / *fileName;
    std::filesystem::path signaturePath = packagePath;
    signaturePath += ".sig";
    if (writeFileAtomically(packagePath, *package) ||
        writeFileAtomically(signaturePath, *signature)) {
        return std::nullopt;
    }
    if (!packageSignatureTrusted(packagePath, signaturePath, source.signer)) {
        return std::nullopt;
    }
    return packagePath;
}

} // namespace wirelark
