#include "app/panel/panel_style.h"

#include <QFontDatabase>
#include <QPalette>

namespace wirelark {

QColor accentColor(const QWidget& widget) {
    return widget.palette().color(QPalette::Highlight);
}

QColor secondaryColor(const QWidget& widget) {
    return widget.palette().color(QPalette::PlaceholderText);
}

QFont monospacedFont(double pointSize, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    // Fixed-width text has no kerning or ligatures to apply, and scripts that need shaping still
    // get it; skipping it roughly halves the cost of sizing the panel's many small labels.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QFont systemFont(double pointSize) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointSize);
    return font;
}

void makeSecondary(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, secondaryColor(widget));
    widget.setPalette(palette);
}

} // namespace wirelark
