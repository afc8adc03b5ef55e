#pragma once

#include "app/core/graph_bars.h"

#include <QRectF>

namespace wirelark {

inline QRectF toQRectF(const BarRect& bar) {
    return {bar.x, bar.y, bar.width, bar.height};
}

} // namespace wirelark
