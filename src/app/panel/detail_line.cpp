#include "app/panel/detail_line.h"

#include "app/panel/panel_style.h"

#include <QHBoxLayout>

namespace wirelark {

DetailLine::DetailLine(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    const QFont font = monospacedFont(10.5);
    label_.setFont(font);
    value_.setFont(font);
    label_.setFixedWidth(52);
    // A long value (an IPv6 address with its flags) wraps within the panel's width instead of
    // widening the row past it.
    value_.setWordWrap(true);
    QSizePolicy policy = value_.sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    value_.setSizePolicy(policy);
    makeSecondary(label_);
    layout->addWidget(&label_, 0, Qt::AlignBaseline);
    layout->addWidget(&value_, 1, Qt::AlignBaseline);
}

void DetailLine::setTexts(const QString& label, const QString& value) {
    label_.setText(label);
    value_.setText(value);
    // Read aloud as one element.
    setAccessibleName(label + " " + value);
}

} // namespace wirelark
