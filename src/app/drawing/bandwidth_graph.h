#pragma once

#include "netcore/history/rate_sample.h"

#include <QString>
#include <QWidget>

#include <vector>

namespace wirelark {

// A small bar chart of recent rates, download above the middle line and upload below it,
// scaled to the largest rate in view. It takes the full width it is given and a fixed height.
class BandwidthGraph : public QWidget {
    Q_OBJECT

public:
    explicit BandwidthGraph(QWidget* parent = nullptr);

    // Samples oldest first, right-aligned in `slotCount` slots across the width.
    void setSamples(std::vector<RateSample> samples, int slotCount);

    // "No data", or the newest sample's rates in bytes: "Download 1.5 KB/s, upload 20 B/s".
    QString accessibilityValue() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<RateSample> samples_;
    int slotCount_ = 1;
};

} // namespace wirelark
