#pragma once

#include <QLayout>
#include <QList>

namespace wirelark {

// Lays its items out left to right and wraps them onto further lines, `spacing` apart both
// ways, each item at its size hint.
class FlowLayout : public QLayout {
    Q_OBJECT

public:
    explicit FlowLayout(double spacing, QWidget* parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override;

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;

private:
    double spacing_;
    QList<QLayoutItem*> items_;
};

} // namespace wirelark
