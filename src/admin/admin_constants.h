#pragma once

#include <string>
#include <string_view>

namespace wirelark {

// The fixed identifiers by which the app, the admin helper and the companion app Wirelark Admin
// find each other.
struct AdminConstants {
    // The team id of a build configured without one.
    static constexpr std::string_view placeholderTeamID = "TEAMID0000";
    static constexpr std::string_view appBundleID = "com.quillfern.Wirelark";
    static constexpr std::string_view adminAppBundleID = "com.quillfern.Wirelark.Admin";
    static constexpr std::string_view helperLabel = "com.quillfern.Wirelark.admin";
    // Where the helper's launch-daemon description lives on macOS; kept so that both ports of
    // the contract name the same things.
    static constexpr std::string_view launchdPlistPath =
        "/Library/LaunchDaemons/com.quillfern.Wirelark.admin.plist";
    static constexpr std::string_view pairingName = "com.quillfern.Wirelark.admin.pair";
    // A helper that reports less than this is too old for the app.
    static constexpr int protocolVersion = 1;
};

// Every name derived from one signing team id.
struct AdminTeamNames {
    std::string teamID;
    std::string servicePrefix;
    // The service names of the app's interface and of the companion app's interface.
    std::string machServiceName;
    std::string controlMachServiceName;
    // The well-known names the helper owns on the system bus for those two services.
    std::string busName;
    std::string controlBusName;
    // The code-signing requirements (Apple's requirement language) a peer of each service must
    // meet. On Linux the helper checks a peer's bus credentials instead; the texts stay part of
    // the contract.
    std::string appRequirement;
    std::string controlRequirement;

    // The names for `teamID`; an empty one stands for the placeholder.
    static AdminTeamNames forTeam(std::string_view teamID);
    // The names for the team id this build was configured with, computed on first use.
    static const AdminTeamNames& configured();

    bool operator==(const AdminTeamNames&) const = default;
};

} // namespace wirelark
