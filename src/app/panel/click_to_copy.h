#pragma once

#include <QAction>
#include <QObject>
#include <QString>
#include <QWidget>

namespace wirelark {

// Makes a widget copy a text to the clipboard: on a click, from its context menu
// ("Copy " + text) and through the accessible action "Copy".
class ClickToCopy : public QObject {
    Q_OBJECT

public:
    ClickToCopy(QWidget& widget, QString value);

    void setValue(QString value) { value_ = std::move(value); }
    const QString& value() const { return value_; }
    void copy() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& widget_;
    QString value_;
    QAction copyAction_;
};

} // namespace wirelark
