#include "app/drawing/compact_rates_icon.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace wirelark {

namespace {

void drawLine(QPainter& painter, const QString& text, const QRectF& box) {
    const QFontMetricsF metrics(painter.font());
    const qreal width = metrics.horizontalAdvance(text);
    // Narrower beats smaller: a condensed line keeps the digits' height.
    const qreal squeeze = width > box.width() ? box.width() / width : 1.0;
    painter.save();
    painter.translate(box.center().x(), box.center().y());
    painter.scale(squeeze, 1.0);
    painter.drawText(QRectF(-width / 2, -box.height() / 2, width, box.height()), Qt::AlignCenter,
                     text);
    painter.restore();
}

} // namespace

QImage compactRatesIcon(const std::string& down, const std::string& up, int side,
                        const QColor& ink) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(std::max(6, side / 2));
    painter.setFont(font);
    painter.setPen(ink);
    const qreal half = side / 2.0;
    drawLine(painter, QString::fromUtf8("\u2193") + QString::fromStdString(down),
             QRectF(0, 0, side, half));
    drawLine(painter, QString::fromUtf8("\u2191") + QString::fromStdString(up),
             QRectF(0, half, side, half));
    return image;
}

} // namespace wirelark
