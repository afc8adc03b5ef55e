# The helper's two bus names for the configured team id, for the system files that name them.
# The library's AdminTeamNames is the rule; a test compares the files with it. A team id holds
# letters and digits only, so it is the one element of the names that may start with a digit,
# which D-Bus forbids and which then gets a "_" in front.
set(_wirelark_team "${WIRELARK_TEAM_ID}")
if(_wirelark_team STREQUAL "")
  set(_wirelark_team "TEAMID0000")
endif()
if(_wirelark_team MATCHES "^[0-9]")
  set(_wirelark_team "_${_wirelark_team}")
endif()
set(WIRELARK_ADMIN_BUS_NAME "${_wirelark_team}.com.quillfern.Wirelark.admin")
set(WIRELARK_ADMIN_CONTROL_BUS_NAME "${_wirelark_team}.com.quillfern.Wirelark.admin-control")
