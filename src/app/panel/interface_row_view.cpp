#include "app/panel/interface_row_view.h"

#include "app/drawing/bandwidth_graph.h"
#include "app/panel/accessible_actions.h"
#include "app/panel/detail_line.h"
#include "app/panel/detail_lines.h"
#include "app/panel/panel_style.h"
#include "app/panel/row_texts.h"
#include "app/panel/service_toggle.h"
#include "app/panel/transfer_rates.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGraphicsOpacityEffect>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace wirelark {
namespace {

constexpr int kGraphSlots = 60;

size_t indexOf(InterfaceElement element) {
    return static_cast<size_t>(element);
}

void setDetailLine(QWidget& widget, const char* label, const std::string& value) {
    static_cast<DetailLine&>(widget).setTexts(label, QString::fromStdString(value));
}

} // namespace

InterfaceRowView::InterfaceRowView(AdminControls& admin, const LocationAuthorizer& location,
                                   QWidget* parent)
    : QWidget(parent), admin_(admin), location_(location), moveUp_("Move up"),
      moveDown_("Move down") {
    offerAccessibleActions(*this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 7, 12, 7);
    column->setSpacing(4);
    column->addWidget(&header_);
    column->addWidget(&flags_);
    column->addWidget(&details_);
    auto* detailColumn = new QVBoxLayout(&details_);
    detailColumn->setContentsMargins(0, 0, 0, 0);
    detailColumn->setSpacing(4);
    setAttribute(Qt::WA_Hover);
    connect(&header_, &RowHeader::togglePinRequested, this, &InterfaceRowView::togglePinRequested);
    connect(&moveUp_, &QAction::triggered, this, [this] { emit moveRequested(-1); });
    connect(&moveDown_, &QAction::triggered, this, [this] { emit moveRequested(1); });
}

void InterfaceRowView::setRow(const InterfaceItem& item, const InterfaceElementSet& elements,
                              const SettingsData& settings, bool isPinned, bool isSelected) {
    key_ = item.key;
    setPinned(isPinned);
    header_.setItem(item, isPinned);
    flags_.setVisible(item.snapshot.has_value());
    details_.setVisible(item.snapshot.has_value());
    if (item.snapshot) {
        flags_.setFlags(item.snapshot->flags);
    }
    const std::vector<InterfaceElement> shown = wirelark::shownDetails(item, elements);
    for (InterfaceElement element : kAllInterfaceElements) {
        if (std::find(shown.begin(), shown.end(), element) != shown.end()) {
            updateDetail(element, item, elements, settings);
        } else if (QWidget* widget = detail(element)) {
            widget->hide();
        }
    }
    setAccessibleName(QString::fromStdString(rowAccessibleName(item)));

    const bool wasOpaque = opacity() == 1.0;
    isActive_ = item.isActive();
    const bool repaint = isSelected != isSelected_;
    isSelected_ = isSelected;
    if (wasOpaque != (opacity() == 1.0)) {
        if (opacity() == 1.0) {
            setGraphicsEffect(nullptr);
        } else {
            auto* effect = new QGraphicsOpacityEffect(this);
            effect->setOpacity(opacity());
            setGraphicsEffect(effect);
        }
    }
    if (repaint) {
        update();
    }
}

void InterfaceRowView::updateDetail(InterfaceElement element, const InterfaceItem& item,
                                    const InterfaceElementSet& elements,
                                    const SettingsData& settings) {
    QWidget& widget = detailWidget(element);
    const InterfaceSnapshot& snapshot = *item.snapshot;
    switch (element) {
    case InterfaceElement::enableToggle:
        static_cast<ServiceToggle&>(widget).setService(*item.service);
        break;
    case InterfaceElement::bandwidthGraph:
        static_cast<BandwidthGraph&>(widget).setSamples(item.recent, kGraphSlots);
        break;
    case InterfaceElement::transferRates:
        static_cast<TransferRates&>(widget).setItem(item, settings);
        break;
    case InterfaceElement::mtu:
        setDetailLine(widget, "mtu", std::to_string(snapshot.mtu));
        break;
    case InterfaceElement::options:
        setDetailLine(widget, "options", *optionsText(snapshot));
        break;
    case InterfaceElement::nd6Options:
        setDetailLine(widget, "nd6", *nd6Text(snapshot));
        break;
    case InterfaceElement::media:
        setDetailLine(widget, "media", *mediaText(snapshot));
        break;
    case InterfaceElement::addresses:
        static_cast<DetailLines&>(widget).setLines(addressLines(snapshot, elements));
        break;
    case InterfaceElement::wifiDetails:
        static_cast<DetailLines&>(widget).setLines(wifiLines(*item.wifi, location_.status()));
        break;
    case InterfaceElement::ipNetmask:
    case InterfaceElement::scopeID:
    case InterfaceElement::hardwareAddress:
        break;
    }
    widget.show();
}

QWidget& InterfaceRowView::detailWidget(InterfaceElement element) {
    QWidget*& widget = detailWidgets_[indexOf(element)];
    if (widget) {
        return *widget;
    }
    switch (element) {
    case InterfaceElement::enableToggle:
        widget = new ServiceToggle(admin_, &details_);
        break;
    case InterfaceElement::bandwidthGraph:
        widget = new BandwidthGraph(&details_);
        break;
    case InterfaceElement::transferRates:
        widget = new TransferRates(&details_);
        break;
    case InterfaceElement::addresses:
    case InterfaceElement::wifiDetails:
        widget = new DetailLines(&details_);
        break;
    default:
        widget = new DetailLine(&details_);
        break;
    }
    widget->setObjectName(QString::fromUtf8(rawValue(element).data()));
    // Created on first use, so its place is after the details made before it in display order.
    const auto before = std::count_if(detailWidgets_.begin(),
                                      detailWidgets_.begin() + static_cast<long>(indexOf(element)),
                                      [](QWidget* made) { return made != nullptr; });
    static_cast<QVBoxLayout*>(details_.layout())->insertWidget(static_cast<int>(before), widget);
    return *widget;
}

QWidget* InterfaceRowView::detail(InterfaceElement element) const {
    QWidget* widget = detailWidgets_[indexOf(element)];
    return widget && !widget->isHidden() ? widget : nullptr;
}

std::vector<InterfaceElement> InterfaceRowView::shownDetails() const {
    std::vector<InterfaceElement> shown;
    if (details_.isHidden()) {
        return shown;
    }
    for (InterfaceElement element : kAllInterfaceElements) {
        if (detail(element)) {
            shown.push_back(element);
        }
    }
    return shown;
}

double InterfaceRowView::opacity() const {
    return isActive_ || isSelected_ ? 1.0 : 0.6;
}

void InterfaceRowView::setPinned(bool isPinned) {
    if (isPinned == isPinned_ && !actions().isEmpty() == isPinned) {
        return;
    }
    isPinned_ = isPinned;
    setAcceptDrops(isPinned);
    if (isPinned) {
        addAccessibleAction(*this, moveUp_);
        addAccessibleAction(*this, moveDown_);
    } else {
        removeAction(&moveUp_);
        removeAction(&moveDown_);
    }
}

bool InterfaceRowView::dropKey(const QString& movedKey) {
    if (movedKey.isEmpty()) {
        return false;
    }
    emit pinDropped(movedKey);
    return true;
}

void InterfaceRowView::paintEvent(QPaintEvent*) {
    if (!isSelected_) {
        return;
    }
    QColor fill = accentColor(*this);
    fill.setAlphaF(0.15F);
    QPainter(this).fillRect(rect(), fill);
}

void InterfaceRowView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressedAt_ = event->position().toPoint();
    }
}

void InterfaceRowView::mouseMoveEvent(QMouseEvent* event) {
    if (!isPinned_ || !pressedAt_ ||
        (event->position().toPoint() - *pressedAt_).manhattanLength() <
            QApplication::startDragDistance()) {
        return;
    }
    pressedAt_.reset();
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(key_));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(grab());
    drag->exec(Qt::MoveAction);
}

void InterfaceRowView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressedAt_) {
        pressedAt_.reset();
        emit selectRequested();
    }
}

void InterfaceRowView::dragEnterEvent(QDragEnterEvent* event) {
    if (isPinned_ && event->mimeData()->hasText()) {
        event->acceptProposedAction();
    }
}

void InterfaceRowView::dropEvent(QDropEvent* event) {
    if (dropKey(event->mimeData()->text())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

} // namespace wirelark
