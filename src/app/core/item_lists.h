#pragma once

#include "app/core/interface_item.h"
#include "app/core/settings_data.h"

#include <optional>
#include <vector>

namespace wirelark {

// One item per pin, in pin order: the live item with the pin's key, or an absent item that
// remembers the pin's name and title.
std::vector<InterfaceItem> pinnedItems(const std::vector<InterfaceItem>& items,
                                       const SettingsData& settings);
// The unpinned items that are shown: every one while inactive ones are shown, else the active.
std::vector<InterfaceItem> visibleItems(const std::vector<InterfaceItem>& items,
                                        const SettingsData& settings, bool showInactive);
// Every element while all details are shown; else the item's override, else the defaults.
InterfaceElementSet elementsFor(const InterfaceItem& item, const SettingsData& settings,
                                bool showAllDetails);

// The items whose rates the status item shows, by the settings' source; they point into `items`,
// as the status item asks for them at every tick and needs no copies.
std::vector<const InterfaceItem*> menubarItems(const std::vector<InterfaceItem>& items,
                                               const SettingsData& settings);
// The summed rates of the newest sample of each item; none when no item has a sample.
std::optional<Rates> menubarRates(const std::vector<const InterfaceItem*>& items);
// The items' recent samples summed position by position, aligned at their newest end.
std::vector<RateSample> menubarSamples(const std::vector<const InterfaceItem*>& items);

// The change log entries between two publications: interfaces that came, went or changed
// activity, and a change of the primary IPv4 interface.
std::vector<std::string> changeLogEntries(const std::vector<InterfaceItem>& before,
                                          const std::vector<InterfaceItem>& after,
                                          const std::optional<std::string>& primaryBefore,
                                          const std::optional<std::string>& primaryAfter);

} // namespace wirelark
