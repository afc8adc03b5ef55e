#include "app/panel/detail_lines.h"

#include "app/panel/copyable_line.h"

#include <QVBoxLayout>

namespace wirelark {
namespace {

bool isCopyable(const DetailText& text) {
    return text.copyValue.has_value();
}

} // namespace

DetailLines::DetailLines(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
}

void DetailLines::setLines(const std::vector<DetailText>& lines) {
    if (lines == texts_) {
        return;
    }
    auto* column = static_cast<QVBoxLayout*>(layout());
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool reusable = i < texts_.size() && isCopyable(texts_[i]) == isCopyable(lines[i]);
        DetailLine* made = nullptr;
        if (!reusable) {
            if (i < texts_.size()) {
                delete column->takeAt(static_cast<int>(i))->widget();
            }
            made = isCopyable(lines[i]) ? new CopyableLine(this) : new DetailLine(this);
            column->insertWidget(static_cast<int>(i), made);
        }
        const DetailText& text = lines[i];
        auto* widget = static_cast<DetailLine*>(column->itemAt(static_cast<int>(i))->widget());
        if (auto* copyable = qobject_cast<CopyableLine*>(widget)) {
            copyable->setLine(QString::fromStdString(text.label),
                              QString::fromStdString(text.value),
                              QString::fromStdString(*text.copyValue));
        } else {
            widget->setTexts(QString::fromStdString(text.label),
                             QString::fromStdString(text.value));
        }
        if (made != nullptr) {
            // Shown now, not from the event loop, so that the row's height counts it at once;
            // and only with its texts, or it counts a pixel short.
            made->show();
        }
    }
    while (column->count() > static_cast<int>(lines.size())) {
        delete column->takeAt(column->count() - 1)->widget();
    }
    texts_ = lines;
}

std::vector<DetailLine*> DetailLines::lineWidgets() const {
    std::vector<DetailLine*> widgets;
    for (int i = 0; i < layout()->count(); ++i) {
        widgets.push_back(static_cast<DetailLine*>(layout()->itemAt(i)->widget()));
    }
    return widgets;
}

} // namespace wirelark
