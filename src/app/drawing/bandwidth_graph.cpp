#include "app/drawing/bandwidth_graph.h"

#include "app/core/graph_bars.h"
#include "app/drawing/bar_rect_qt.h"
#include "netcore/history/rate_format.h"

#include <QPainter>
#include <QPen>

namespace wirelark {

namespace {

constexpr int kHeight = 30;
constexpr qreal kCornerRadius = 3;
constexpr qreal kBackgroundOpacity = 0.3;
constexpr qreal kBarOpacity = 0.8;
constexpr qreal kMiddleLineOpacity = 0.3;
constexpr qreal kMiddleLineWidth = 0.5;
// The desktop's usual accent blue and warning orange read well on light and dark themes,
// unlike the palette's highlight, which is not blue everywhere.
const QColor kDownloadColor(0x0a, 0x84, 0xff);
const QColor kUploadColor(0xff, 0x9f, 0x0a);

} // namespace

BandwidthGraph::BandwidthGraph(QWidget* parent) : QWidget(parent) {
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Bandwidth graph"));
    setAccessibleDescription(accessibilityValue());
}

void BandwidthGraph::setSamples(std::vector<RateSample> samples, int slotCount) {
    samples_ = std::move(samples);
    slotCount_ = slotCount;
    setAccessibleDescription(accessibilityValue());
    update();
}

QString BandwidthGraph::accessibilityValue() const {
    if (samples_.empty()) {
        return QStringLiteral("No data");
    }
    const RateSample& newest = samples_.back();
    return QStringLiteral("Download ") + QString::fromStdString(rateText(newest.rateIn(), false)) +
           QStringLiteral(", upload ") + QString::fromStdString(rateText(newest.rateOut(), false));
}

void BandwidthGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF surface = rect();

    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Mid));
    painter.setOpacity(kBackgroundOpacity);
    painter.drawRoundedRect(surface, kCornerRadius, kCornerRadius);

    painter.setOpacity(kBarOpacity);
    for (const auto& bars :
         bandwidthGraphBars(samples_, slotCount_, surface.width(), surface.height())) {
        painter.fillRect(toQRectF(bars.download), kDownloadColor);
        painter.fillRect(toQRectF(bars.upload), kUploadColor);
    }

    const qreal middle = surface.height() * 0.5;
    painter.setOpacity(kMiddleLineOpacity);
    painter.setPen(QPen(palette().color(QPalette::PlaceholderText), kMiddleLineWidth));
    painter.drawLine(QPointF(0, middle), QPointF(surface.width(), middle));
}

} // namespace wirelark
