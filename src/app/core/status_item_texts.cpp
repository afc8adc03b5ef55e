#include "app/core/status_item_texts.h"

#include "netcore/history/rate_format.h"

namespace wirelark {

namespace {

constexpr const char* kUp = "\u2191 ";
constexpr const char* kDown = "\u2193 ";
constexpr const char* kNoData = "\u2014";

} // namespace

RateLines rateLines(const std::optional<Rates>& rates, bool useBits) {
    if (!rates) {
        return {std::string(kUp) + kNoData, std::string(kDown) + kNoData};
    }
    return {kUp + rateText(rates->rateOut, useBits), kDown + rateText(rates->rateIn, useBits)};
}

std::string ratesDescription(const RateLines& lines) {
    return "Download " + lines.lower + ", upload " + lines.upper;
}

StatusItemTexts statusItemTexts(MenubarMode mode, const std::optional<Rates>& rates, bool useBits) {
    const RateLines lines = rateLines(rates, useBits);
    StatusItemTexts texts;
    texts.toolTip = ratesDescription(lines);
    if (mode == MenubarMode::rates || mode == MenubarMode::iconAndRates) {
        texts.label = lines.lower + " " + lines.upper;
        const std::string widest = useBits ? "888.8 Mb/s" : "888.8 MB/s";
        texts.labelGuide = std::string(kDown) + widest + " " + kUp + widest;
    }
    return texts;
}

} // namespace wirelark
