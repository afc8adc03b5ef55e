#include "admin/admin_constants.h"

#include "admin/bus_name.h"

namespace wirelark {

namespace {

// Set by the build (CMake cache variable WIRELARK_TEAM_ID); empty when it names no team.
constexpr std::string_view kConfiguredTeamID = WIRELARK_TEAM_ID;

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

} // namespace

AdminTeamNames AdminTeamNames::forTeam(std::string_view teamID) {
    AdminTeamNames names;
    names.teamID = teamID.empty() ? AdminConstants::placeholderTeamID : teamID;
    names.servicePrefix = names.teamID + ".com.quillfern.Wirelark";
    names.machServiceName = names.servicePrefix + ".admin";
    names.controlMachServiceName = names.servicePrefix + ".admin-control";
    names.busName = busNameForService(names.machServiceName);
    names.controlBusName = busNameForService(names.controlMachServiceName);
    // Signed for the App Store, or with a Developer ID of the team; and carrying the app's id.
    names.appRequirement =
        "(anchor apple generic and certificate leaf[field.1.2.840.113635.100.6.1.9] or anchor "
        "apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] and certificate "
        "leaf[field.1.2.840.113635.100.6.1.13] and certificate leaf[subject.OU] = " +
        quoted(names.teamID) + ") and identifier " + quoted(AdminConstants::appBundleID);
    // Signed with a Developer ID of the team only.
    names.controlRequirement =
        "anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] and certificate "
        "leaf[field.1.2.840.113635.100.6.1.13] and certificate leaf[subject.OU] = " +
        quoted(names.teamID) + " and identifier " + quoted(AdminConstants::adminAppBundleID);
    return names;
}

const AdminTeamNames& AdminTeamNames::configured() {
    static const AdminTeamNames names = forTeam(kConfiguredTeamID);
    return names;
}

} // namespace wirelark
