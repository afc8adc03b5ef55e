#pragma once

#include "app/model/network_model.h"
#include "app/panel/copyable_text.h"

#include <QLabel>
#include <QToolButton>
#include <QWidget>

namespace wirelark {

// "public", then the public addresses (each copyable), "looking up…" or the lookup's error,
// and a button that looks the address up again.
class PublicAddressLine : public QWidget {
    Q_OBJECT

public:
    explicit PublicAddressLine(NetworkModel& model, QWidget* parent = nullptr);

    // What the value column shows now, top to bottom.
    QStringList valueTexts() const;
    QToolButton& refreshButton() { return refresh_; }
    CopyableText& ipv4Text() { return ipv4_; }

private:
    void showResult();

    NetworkModel& model_;
    QLabel label_;
    QLabel status_;
    CopyableText ipv4_;
    CopyableText ipv6_;
    QToolButton refresh_;
};

} // namespace wirelark
