#pragma once

#include <QLabel>
#include <QWidget>

namespace wirelark {

// A label in a narrow secondary column, then its value, in a small monospaced font.
class DetailLine : public QWidget {
    Q_OBJECT

public:
    explicit DetailLine(QWidget* parent = nullptr);

    void setTexts(const QString& label, const QString& value);
    QString label() const { return label_.text(); }
    QString value() const { return value_.text(); }

private:
    QLabel label_;
    QLabel value_;
};

} // namespace wirelark
