#pragma once

#include "app/admin/admin_controls.h"
#include "app/core/interface_element.h"
#include "app/core/interface_item.h"
#include "app/core/settings_data.h"
#include "app/model/location_authorizer.h"
#include "app/panel/flag_capsules.h"
#include "app/panel/row_header.h"

#include <QAction>
#include <QPoint>
#include <QWidget>

#include <array>
#include <optional>

namespace wirelark {

// One interface in the panel's list: its header line and, while the interface is present, its
// flags and the details enabled for it. Updated in place on every publication, so hover, a
// pressed switch and focus survive. Pinned rows can be dragged onto each other to reorder.
class InterfaceRowView : public QWidget {
    Q_OBJECT

public:
    InterfaceRowView(AdminControls& admin, const LocationAuthorizer& location,
                     QWidget* parent = nullptr);

    void setRow(const InterfaceItem& item, const InterfaceElementSet& elements,
                const SettingsData& settings, bool isPinned, bool isSelected);

    const std::string& key() const { return key_; }
    bool isPinned() const { return isPinned_; }
    bool isSelected() const { return isSelected_; }
    RowHeader& header() { return header_; }
    FlagCapsules& flags() { return flags_; }
    // The detail shown for the element, or null when it has no line now.
    QWidget* detail(InterfaceElement element) const;
    // The details shown, in order.
    std::vector<InterfaceElement> shownDetails() const;
    // The row's opacity: 1 when active or selected, else 0.6.
    double opacity() const;

    // Takes a drop of a pinned key: moves that pin onto this row's. False for an empty drop.
    bool dropKey(const QString& movedKey);

signals:
    void selectRequested();
    void togglePinRequested();
    // Move this row's pin by -1 or +1.
    void moveRequested(int offset);
    // Move the pin whose key was dropped onto this row's pin.
    void pinDropped(const QString& movedKey);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget& detailWidget(InterfaceElement element);
    // Shows the element's detail for the item; only for elements whose detail is shown.
    void updateDetail(InterfaceElement element, const InterfaceItem& item,
                      const InterfaceElementSet& elements, const SettingsData& settings);
    void setPinned(bool isPinned);

    AdminControls& admin_;
    const LocationAuthorizer& location_;
    std::string key_;
    bool isPinned_ = false;
    bool isSelected_ = false;
    bool isActive_ = true;
    RowHeader header_;
    FlagCapsules flags_;
    QWidget details_;
    std::array<QWidget*, kAllInterfaceElements.size()> detailWidgets_{};
    QAction moveUp_;
    QAction moveDown_;
    std::optional<QPoint> pressedAt_;
};

} // namespace wirelark
