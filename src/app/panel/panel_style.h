#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

namespace wirelark {

// Colours come from the palette so light and dark themes both read well; the fixed hues are
// the ones whose meaning is their colour (download blue, upload orange, badges).
QColor accentColor(const QWidget& widget);
QColor secondaryColor(const QWidget& widget);
inline const QColor kDownloadColor{0, 122, 255};
inline const QColor kUploadColor{255, 149, 0};
inline const QColor kGreen{52, 199, 89};
inline const QColor kYellow{255, 204, 0};

// The system font in monospaced design at a point size, optionally bold or medium.
QFont monospacedFont(double pointSize, QFont::Weight weight = QFont::Normal);
// The system font at a point size.
QFont systemFont(double pointSize);
// Draws the widget's text in the secondary colour.
void makeSecondary(QWidget& widget);

} // namespace wirelark
