#include "app/drawing/menubar_renderer.h"

#include "app/core/graph_bars.h"
#include "app/core/status_item_texts.h"
#include "app/drawing/bar_rect_qt.h"
#include "app/drawing/status_icon.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace wirelark {

namespace {

constexpr qreal kRatesHeight = 22;
constexpr int kIconSize = 16;
// The icon keeps 3 points to the image's bottom edge, and so to the top of a 22-point image.
constexpr qreal kIconInset = 3;
// Where the text starts after the icon.
constexpr qreal kTextAfterIcon = 19;
// The upper line's box rests this far above the image's bottom edge, the lower line's on it.
constexpr qreal kUpperLineBottom = 11;
constexpr int kStatusGraphSlots = 20;

// Built once for the life of the process. The font size is in pixels, which are the points of
// the images. Qt 6.4 cannot ask a font for tabular figures; the digits of the usual Linux
// desktop fonts (DejaVu Sans, Noto Sans, Cantarell) are tabular already, so the numbers do
// not jitter sideways as they change.
const QFont& rateFont() {
    static const QFont font = [] {
        QFont systemFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        systemFont.setPixelSize(9);
        systemFont.setWeight(QFont::Normal);
        return systemFont;
    }();
    return font;
}

// The icon as a silhouette in the ink, whatever colours the theme's icon has.
QImage silhouette(const QIcon& icon, qreal devicePixelRatio, const QColor& ink) {
    QImage image = icon.pixmap(QSize(kIconSize, kIconSize), devicePixelRatio)
                       .toImage()
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), image.deviceIndependentSize()), ink);
    return image;
}

} // namespace

MenubarRenderer::MenubarRenderer(qreal devicePixelRatio, QColor ink)
    : devicePixelRatio_(devicePixelRatio), ink_(ink),
      icon_(silhouette(statusIcon(), devicePixelRatio, ink)) {}

int MenubarRenderer::reservedTextWidth() {
    static const int width =
        qCeil(QFontMetricsF(rateFont()).horizontalAdvance(QStringLiteral("\u2193 888.8 MB/s")));
    return width;
}

QImage MenubarRenderer::canvas(qreal width, qreal height) const {
    QImage image(qCeil(width * devicePixelRatio_), qCeil(height * devicePixelRatio_),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio_);
    image.fill(Qt::transparent);
    return image;
}

void MenubarRenderer::drawIcon(QPainter& painter, QPointF topLeft) const {
    painter.drawImage(QRectF(topLeft, QSizeF(kIconSize, kIconSize)), icon_);
}

StatusImage MenubarRenderer::ratesImage(double download, double upload, bool noData, bool useBits,
                                        bool withIcon) const {
    const RateLines lines =
        rateLines(noData ? std::nullopt : std::optional(Rates{download, upload}), useBits);
    const qreal textLeft = withIcon ? kTextAfterIcon : 0;

    QImage image = canvas(textLeft + reservedTextWidth(), kRatesHeight);
    QPainter painter(&image);
    if (withIcon) {
        drawIcon(painter, {0, kRatesHeight - kIconInset - kIconSize});
    }
    painter.setFont(rateFont());
    painter.setPen(ink_);
    // A line's box ends at its descent below the baseline.
    const qreal descent = QFontMetricsF(rateFont()).descent();
    painter.drawText(QPointF(textLeft, kRatesHeight - kUpperLineBottom - descent),
                     QString::fromStdString(lines.upper));
    painter.drawText(QPointF(textLeft, kRatesHeight - descent),
                     QString::fromStdString(lines.lower));
    painter.end();
    return {image, QString::fromStdString(ratesDescription(lines))};
}

StatusImage MenubarRenderer::graphImage(const std::vector<RateSample>& samples,
                                        int slotCount) const {
    QImage image = canvas(statusGraphWidth(slotCount), kStatusGraphHeight);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const auto& bars : statusGraphBars(samples, slotCount)) {
        painter.fillRect(toQRectF(bars.download), ink_);
        painter.fillRect(toQRectF(bars.upload), ink_);
    }
    painter.end();
    return {image, QStringLiteral("Bandwidth graph")};
}

StatusImage MenubarRenderer::iconImage() const {
    QImage image = canvas(kRatesHeight, kRatesHeight);
    QPainter painter(&image);
    const qreal inset = (kRatesHeight - kIconSize) / 2;
    drawIcon(painter, {inset, inset});
    painter.end();
    return {image, QStringLiteral("Wirelark")};
}

StatusImage MenubarRenderer::statusImage(MenubarMode mode, const std::optional<Rates>& rates,
                                         const std::vector<RateSample>& samples,
                                         bool useBits) const {
    const Rates shown = rates.value_or(Rates{});
    switch (mode) {
    case MenubarMode::icon:
        return iconImage();
    case MenubarMode::rates:
        return ratesImage(shown.rateIn, shown.rateOut, !rates, useBits, false);
    case MenubarMode::iconAndRates:
        return ratesImage(shown.rateIn, shown.rateOut, !rates, useBits, true);
    case MenubarMode::graph:
        return graphImage(samples, kStatusGraphSlots);
    }
    return iconImage();
}

} // namespace wirelark
