#include "app/core/item_lists.h"

#include "app/core/pin_operations.h"

#include <algorithm>
#include <unordered_map>

namespace wirelark {

namespace {

// The first item of each key.
std::unordered_map<std::string, const InterfaceItem*>
byKey(const std::vector<InterfaceItem>& items) {
    std::unordered_map<std::string, const InterfaceItem*> index;
    for (const auto& item : items) {
        index.try_emplace(item.key, &item);
    }
    return index;
}

} // namespace

std::vector<InterfaceItem> pinnedItems(const std::vector<InterfaceItem>& items,
                                       const SettingsData& settings) {
    const auto index = byKey(items);
    std::vector<InterfaceItem> pinned;
    pinned.reserve(settings.pinned.size());
    for (const auto& pin : settings.pinned) {
        if (const auto found = index.find(pin.key); found != index.end()) {
            pinned.push_back(*found->second);
        } else {
            InterfaceItem& absent = pinned.emplace_back();
            absent.key = pin.key;
            absent.name = pin.name;
            absent.absentTitle = pin.title;
        }
    }
    return pinned;
}

std::vector<InterfaceItem> visibleItems(const std::vector<InterfaceItem>& items,
                                        const SettingsData& settings, bool showInactive) {
    std::vector<InterfaceItem> visible;
    for (const auto& item : items) {
        if (!isPinned(settings, item.key) && (showInactive || item.isActive())) {
            visible.push_back(item);
        }
    }
    return visible;
}

InterfaceElementSet elementsFor(const InterfaceItem& item, const SettingsData& settings,
                                bool showAllDetails) {
    if (showAllDetails) {
        return {kAllInterfaceElements.begin(), kAllInterfaceElements.end()};
    }
    return settings.elements(item.key);
}

std::vector<const InterfaceItem*> menubarItems(const std::vector<InterfaceItem>& items,
                                               const SettingsData& settings) {
    std::vector<const InterfaceItem*> chosen;
    const auto chooseWhere = [&](auto wanted) {
        for (const InterfaceItem& item : items) {
            if (wanted(item)) {
                chosen.push_back(&item);
            }
        }
    };
    const MenubarSource& source = settings.menubarSource;
    if (source.isPrimary()) {
        const auto primary = std::find_if(items.begin(), items.end(),
                                          [](const InterfaceItem& item) { return item.isPrimary; });
        if (primary != items.end()) {
            chosen.push_back(&*primary);
        }
    } else if (const std::string* key = source.interfaceKey()) {
        chooseWhere([&](const InterfaceItem& item) { return item.key == *key; });
    } else {
        chooseWhere([](const InterfaceItem& item) {
            return item.isActive() && !(item.snapshot->flags & 0x8);
        });
    }
    return chosen;
}

std::optional<Rates> menubarRates(const std::vector<const InterfaceItem*>& items) {
    std::optional<Rates> sum;
    for (const InterfaceItem* item : items) {
        if (auto rates = item->currentRates()) {
            if (!sum) {
                sum = Rates{};
            }
            sum->rateIn += rates->rateIn;
            sum->rateOut += rates->rateOut;
        }
    }
    return sum;
}

std::vector<RateSample> menubarSamples(const std::vector<const InterfaceItem*>& items) {
    size_t n = 0;
    for (const InterfaceItem* item : items) {
        n = std::max(n, item->recent.size());
    }
    std::vector<RateSample> combined;
    combined.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        std::optional<RateSample> sum;
        for (const InterfaceItem* item : items) {
            const size_t count = item->recent.size();
            if (count + i < n) {
                continue; // this series is shorter and has nothing at this position
            }
            const RateSample& sample = item->recent[count - n + i];
            if (!sum) {
                sum = RateSample{sample.end, sample.duration, 0, 0};
            }
            sum->bytesIn = saturatingAdd(sum->bytesIn, sample.bytesIn);
            sum->bytesOut = saturatingAdd(sum->bytesOut, sample.bytesOut);
        }
        if (sum) {
            combined.push_back(*sum);
        }
    }
    return combined;
}

std::vector<std::string> changeLogEntries(const std::vector<InterfaceItem>& before,
                                          const std::vector<InterfaceItem>& after,
                                          const std::optional<std::string>& primaryBefore,
                                          const std::optional<std::string>& primaryAfter) {
    const auto old = byKey(before);
    const auto now = byKey(after);
    std::vector<std::string> entries;
    for (const auto& item : after) {
        if (!old.contains(item.key) && now.at(item.key) == &item) {
            entries.push_back("+" + item.name + (item.isActive() ? " active" : ""));
        }
    }
    for (const auto& item : before) {
        if (!now.contains(item.key) && old.at(item.key) == &item) {
            entries.push_back("-" + item.name);
        }
    }
    for (const auto& item : after) {
        const auto previous = old.find(item.key);
        if (previous != old.end() && now.at(item.key) == &item &&
            previous->second->isActive() != item.isActive()) {
            entries.push_back(item.name + (item.isActive() ? " active" : " inactive"));
        }
    }
    if (primaryBefore != primaryAfter) {
        entries.push_back("primary " + primaryBefore.value_or("none") + " -> " +
                          primaryAfter.value_or("none"));
    }
    return entries;
}

} // namespace wirelark
