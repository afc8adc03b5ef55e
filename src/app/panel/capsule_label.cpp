#include "app/panel/capsule_label.h"

#include <QPainter>

namespace wirelark {

CapsuleLabel::CapsuleLabel(QColor fill, double radius, QWidget* parent)
    : QLabel(parent), fill_(fill), radius_(radius) {}

void CapsuleLabel::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill_);
        painter.drawRoundedRect(QRectF(rect()), radius_, radius_);
    }
    QLabel::paintEvent(event);
}

} // namespace wirelark
