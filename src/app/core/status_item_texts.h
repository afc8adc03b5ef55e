#pragma once

#include "app/core/interface_item.h"
#include "app/core/settings_data.h"

#include <optional>
#include <string>

namespace wirelark {

// The two lines of the rates image: upload above, download below, each an arrow and a rate, or
// an em dash while there is no data.
struct RateLines {
    std::string upper;
    std::string lower;

    bool operator==(const RateLines&) const = default;
};

RateLines rateLines(const std::optional<Rates>& rates, bool useBits);

// What assistive technology and tooltips say about the rates: "Download ↓ 1.5 KB/s, upload ...".
std::string ratesDescription(const RateLines& lines);

// The texts a tray that shows text beside the icon gets: the rates on one line in the modes that
// show rates (empty otherwise), a guide text as wide as the widest rates so the label keeps its
// width, and the tooltip.
struct StatusItemTexts {
    std::string label;
    std::string labelGuide;
    std::string toolTip;

    bool operator==(const StatusItemTexts&) const = default;
};

StatusItemTexts statusItemTexts(MenubarMode mode, const std::optional<Rates>& rates, bool useBits);

} // namespace wirelark
