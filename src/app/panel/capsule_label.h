#pragma once

#include <QColor>
#include <QLabel>

namespace wirelark {

// A short text on a filled rounded rectangle: the flag capsules and the row's badges. Painted
// directly; a style sheet per label would cost more than the whole row.
class CapsuleLabel : public QLabel {
    Q_OBJECT

public:
    CapsuleLabel(QColor fill, double radius, QWidget* parent = nullptr);

    const QColor& fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    double radius_;
};

} // namespace wirelark
