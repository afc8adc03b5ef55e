#include "app/panel/flow_layout.h"

#include "app/panel/flow_geometry.h"

#include <cmath>
#include <limits>

namespace wirelark {
namespace {

std::vector<FlowSize> idealSizes(const QList<QLayoutItem*>& items) {
    std::vector<FlowSize> sizes;
    for (const QLayoutItem* item : items) {
        const QSize hint = item->sizeHint();
        sizes.push_back({static_cast<double>(hint.width()), static_cast<double>(hint.height())});
    }
    return sizes;
}

int ceiled(double value) {
    return static_cast<int>(std::ceil(value));
}

} // namespace

FlowLayout::FlowLayout(double spacing, QWidget* parent) : QLayout(parent), spacing_(spacing) {
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
    qDeleteAll(items_);
}

void FlowLayout::addItem(QLayoutItem* item) {
    items_.append(item);
}

QLayoutItem* FlowLayout::takeAt(int index) {
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

QSize FlowLayout::sizeHint() const {
    const FlowSize size =
        flowPlacement(idealSizes(items_), spacing_, std::numeric_limits<double>::infinity()).size;
    return {ceiled(size.width), ceiled(size.height)};
}

QSize FlowLayout::minimumSize() const {
    // Only the largest item: the height at a given width comes from heightForWidth. The height
    // at the narrowest width, every item on a line of its own, would leave a scroll area that
    // holds the flow that much blank space below it.
    QSize size;
    for (const QLayoutItem* item : items_) {
        size = size.expandedTo(item->sizeHint());
    }
    return size;
}

int FlowLayout::heightForWidth(int width) const {
    return ceiled(flowPlacement(idealSizes(items_), spacing_, width).size.height);
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const FlowPlacement placement = flowPlacement(idealSizes(items_), spacing_, rect.width());
    for (qsizetype i = 0; i < items_.size(); ++i) {
        const FlowFrame& frame = placement.frames[static_cast<size_t>(i)];
        items_[i]->setGeometry(QRect(rect.x() + static_cast<int>(frame.x),
                                     rect.y() + static_cast<int>(frame.y), ceiled(frame.width),
                                     ceiled(frame.height)));
    }
}

} // namespace wirelark
