#pragma once

#include "app/core/interface_item.h"
#include "app/core/settings_data.h"
#include "netcore/history/rate_sample.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QString>

#include <optional>
#include <vector>

namespace wirelark {

struct StatusImage {
    QImage image;
    QString description; // what screen readers announce for the image
};

// Draws the status item's images in one colour, the ink, chosen by the caller to suit the
// panel's theme. Every pixel of an image is the ink at some opacity.
class MenubarRenderer {
public:
    // Sizes are in points; `devicePixelRatio` maps them to device pixels (the image carries
    // it, so deviceIndependentSize() is the size in points).
    explicit MenubarRenderer(qreal devicePixelRatio = 1.0, QColor ink = Qt::black);

    // Two lines, upload above download, at a fixed width whatever the values; em dashes when
    // there is no data.
    StatusImage ratesImage(double download, double upload, bool noData, bool useBits,
                           bool withIcon) const;
    // The newest `slotCount` samples (oldest first) as bars, download above the middle line.
    StatusImage graphImage(const std::vector<RateSample>& samples, int slotCount) const;
    StatusImage iconImage() const;
    // The image for the mode from the menu-bar rates (none = no data) and samples.
    StatusImage statusImage(MenubarMode mode, const std::optional<Rates>& rates,
                            const std::vector<RateSample>& samples, bool useBits) const;

    // The width of the widest rate text, "↓ 888.8 MB/s", rounded up to a whole point.
    static int reservedTextWidth();

private:
    QImage canvas(qreal width, qreal height) const;
    void drawIcon(QPainter& painter, QPointF topLeft) const;

    qreal devicePixelRatio_;
    QColor ink_;
    QImage icon_; // the status icon's silhouette in the ink
};

} // namespace wirelark
