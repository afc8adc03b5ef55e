#include "app/panel/panel_view.h"

#include "app/panel/panel_style.h"
#include "app/panel/symbol_icons.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace wirelark {
namespace {

void makeDivider(QFrame& divider) {
    divider.setFrameShape(QFrame::HLine);
    divider.setFrameShadow(QFrame::Plain);
    divider.setFixedHeight(1);
    QPalette palette = divider.palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Mid));
    divider.setPalette(palette);
}

void makeToggle(QToolButton& toggle, const QString& title, const QString& help) {
    toggle.setText(title);
    toggle.setCheckable(true);
    toggle.setToolTip(help);
    toggle.setToolButtonStyle(Qt::ToolButtonTextOnly);
}

void makeIconButton(QToolButton& button, Symbol symbol, const QString& help,
                    const QString& accessibleName) {
    button.setIcon(symbolIcon(symbol));
    button.setAutoRaise(true);
    button.setToolTip(help);
    button.setAccessibleName(accessibleName);
}

int heightOf(const QWidget& widget, int width) {
    return widget.hasHeightForWidth() ? widget.heightForWidth(width) : widget.sizeHint().height();
}

} // namespace

PanelView::PanelView(NetworkModel& model, AppSettings& settings, AdminControls& admin,
                     QWidget* parent)
    : QWidget(parent), model_(model), settings_(settings), admin_(admin), publicLine_(model),
      list_(new QWidget), noInterfaces_("No active interfaces") {
    setFixedWidth(kWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* headerColumn = new QVBoxLayout(&header_);
    headerColumn->setContentsMargins(0, 0, 0, 0);
    headerColumn->setSpacing(0);
    buildControlBar(header_);
    headerColumn->addWidget(&publicLine_);
    adminNotice_.setFlat(true);
    adminNotice_.setFont(systemFont(QFont().pointSizeF() * 0.85));
    adminNotice_.setCursor(Qt::PointingHandCursor);
    QPalette link = adminNotice_.palette();
    link.setColor(QPalette::ButtonText, link.color(QPalette::Link));
    adminNotice_.setPalette(link);
    headerColumn->addWidget(&adminNotice_, 0, Qt::AlignHCenter);
    column->addWidget(&header_);

    makeDivider(divider_);
    column->addWidget(&divider_);

    auto* listColumn = new QVBoxLayout(list_);
    listColumn->setContentsMargins(0, 0, 0, 0);
    listColumn->setSpacing(0);
    listColumn->addStretch();
    makeDivider(listDivider_);
    listDivider_.setParent(list_);
    makeSecondary(noInterfaces_);
    noInterfaces_.setParent(list_);
    noInterfaces_.setAlignment(Qt::AlignCenter);
    noInterfaces_.setMargin(12);
    scroll_.setWidget(list_);
    scroll_.setWidgetResizable(true);
    scroll_.setFrameShape(QFrame::NoFrame);
    scroll_.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(&scroll_, 1);

    connect(&settingsButton_, &QToolButton::clicked, this, &PanelView::settingsRequested);
    connect(&quitButton_, &QToolButton::clicked, this, &PanelView::quitRequested);
    connect(&inactive_, &QToolButton::toggled, &model_, &NetworkModel::setShowInactive);
    connect(&allDetails_, &QToolButton::toggled, &model_, &NetworkModel::setShowAllDetails);
    connect(&adminNotice_, &QPushButton::clicked, &admin_, &AdminControls::openAdminApp);
    connect(&admin_, &AdminControls::changed, this, &PanelView::showHeader);
    connect(&settings_, &AppSettings::changed, this, [this] {
        showHeader();
        showRows();
    });
    for (auto signal : {&NetworkModel::itemsChanged, &NetworkModel::showInactiveChanged,
                        &NetworkModel::showAllDetailsChanged, &NetworkModel::selectedKeyChanged}) {
        connect(&model_, signal, this, &PanelView::showRows);
    }
    connect(&model_, &NetworkModel::showInactiveChanged, this, &PanelView::showHeader);
    connect(&model_, &NetworkModel::showAllDetailsChanged, this, &PanelView::showHeader);
    showHeader();
    showRows();
}

void PanelView::buildControlBar(QWidget& header) {
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(12, 8, 12, 8);
    bar->setSpacing(10);
    makeToggle(inactive_, "Inactive", "Show inactive interfaces");
    makeToggle(allDetails_, "All details", "Temporarily show every element for every interface");
    makeIconButton(settingsButton_, Symbol::gear, "Settings", "Settings");
    makeIconButton(quitButton_, Symbol::power, "Quit Wirelark", "Quit");
    bar->addWidget(&inactive_, 0, Qt::AlignVCenter);
    bar->addWidget(&allDetails_, 0, Qt::AlignVCenter);
    bar->addStretch();
    bar->addWidget(&settingsButton_, 0, Qt::AlignVCenter);
    bar->addWidget(&quitButton_, 0, Qt::AlignVCenter);
    static_cast<QVBoxLayout*>(header.layout())->addLayout(bar);
}

void PanelView::showHeader() {
    {
        const QSignalBlocker blockInactive(inactive_);
        const QSignalBlocker blockDetails(allDetails_);
        inactive_.setChecked(model_.showInactive());
        allDetails_.setChecked(model_.showAllDetails());
    }
    publicLine_.setVisible(settings_.data().publicIPEnabled);
    const bool needsUpdate = admin_.helperNeedsUpdate();
    const bool showsNotice = needsUpdate || admin_.availableUpdate().has_value();
    if (showsNotice && adminNotice_.styleSheet().isEmpty()) {
        // Styled when first shown: a style sheet loads Qt's style sheet machinery, which an idle
        // tray app whose notice stays hidden does without.
        adminNotice_.setStyleSheet("padding-bottom: 6px; border: none;");
    }
    adminNotice_.setVisible(showsNotice);
    adminNotice_.setText(needsUpdate ? "The admin helper needs an update"
                                     : "An admin helper update is available");
    reportHeight();
}

void PanelView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (rowsOutdated_) {
        showRows();
    }
}

void PanelView::showRows() {
    // The panel is hidden nearly all the time: an idle tray app must not refill its rows on
    // every tick. Shown again, it reports its new height before its window maps. The rows are
    // made once while hidden all the same, so that a click only brings them up to date.
    if (!isVisible() && !rows_.empty()) {
        rowsOutdated_ = true;
        return;
    }
    rowsOutdated_ = false;
    const std::vector<InterfaceItem> pinned = model_.pinnedItems();
    const std::vector<InterfaceItem> others = model_.visibleItems();
    const SettingsData& settings = settings_.data();
    const std::optional<std::string>& selected = model_.selectedKey();
    std::vector<QWidget*> order;
    std::set<std::string> shown;
    const auto place = [&](const InterfaceItem& item, bool isPinned) {
        InterfaceRowView& row = rowFor(item.key);
        row.setRow(item, model_.elements(item), settings, isPinned,
                   isPinned && selected == item.key);
        // A new row, filled while hidden, shows now with all its parts: left to the event loop,
        // it would count for nothing in the height reported below.
        row.show();
        order.push_back(&row);
        shown.insert(item.key);
    };
    for (const InterfaceItem& item : pinned) {
        place(item, true);
    }
    if (!pinned.empty() && !others.empty()) {
        order.push_back(&listDivider_);
    }
    for (const InterfaceItem& item : others) {
        place(item, false);
    }
    if (pinned.empty() && others.empty()) {
        order.push_back(&noInterfaces_);
    }
    for (auto it = rows_.begin(); it != rows_.end();) {
        if (shown.contains(it->first)) {
            ++it;
        } else {
            delete it->second;
            it = rows_.erase(it);
        }
    }
    arrange(order);
    reportHeight();
}

InterfaceRowView& PanelView::rowFor(const std::string& key) {
    InterfaceRowView*& row = rows_[key];
    if (row) {
        return *row;
    }
    row = new InterfaceRowView(admin_, model_.location(), list_);
    connect(row, &InterfaceRowView::selectRequested, this, [this, key] { select(key); });
    connect(row, &InterfaceRowView::togglePinRequested, this, [this, key] { togglePin(key); });
    connect(row, &InterfaceRowView::moveRequested, this,
            [this, key](int offset) { settings_.movePin(key, offset); });
    connect(row, &InterfaceRowView::pinDropped, this,
            [this, key](const QString& moved) { settings_.movePin(moved.toStdString(), key); });
    return *row;
}

// Lays the list out again only when its order changed, so a publication that changes only
// values moves nothing.
void PanelView::arrange(const std::vector<QWidget*>& order) {
    if (order == order_) {
        return;
    }
    auto* column = static_cast<QVBoxLayout*>(list_->layout());
    while (column->count() > 1) {
        delete column->takeAt(0);
    }
    int index = 0;
    for (QWidget* widget : order) {
        column->insertWidget(index++, widget);
    }
    listDivider_.setVisible(std::find(order.begin(), order.end(), &listDivider_) != order.end());
    noInterfaces_.setVisible(std::find(order.begin(), order.end(), &noInterfaces_) != order.end());
    order_ = order;
}

std::vector<InterfaceRowView*> PanelView::rows() const {
    std::vector<InterfaceRowView*> shown;
    for (QWidget* widget : order_) {
        if (auto* row = qobject_cast<InterfaceRowView*>(widget)) {
            shown.push_back(row);
        }
    }
    return shown;
}

InterfaceRowView* PanelView::row(const std::string& key) const {
    const auto found = rows_.find(key);
    return found == rows_.end() ? nullptr : found->second;
}

void PanelView::select(const std::string& key) {
    const InterfaceRowView* selected = row(key);
    model_.setSelectedKey(selected && selected->isPinned() ? std::optional(key) : std::nullopt);
}

void PanelView::togglePin(const std::string& key) {
    for (const auto& items : {model_.pinnedItems(), model_.visibleItems()}) {
        const auto found = std::find_if(items.begin(), items.end(),
                                        [&](const InterfaceItem& item) { return item.key == key; });
        if (found != items.end()) {
            settings_.togglePin(*found);
            return;
        }
    }
}

void PanelView::moveSelectedPin(int offset) {
    if (const auto& selected = model_.selectedKey()) {
        settings_.movePin(*selected, offset);
    }
}

void PanelView::reportHeight() {
    const int height = heightOf(header_, kWidth) + heightOf(*list_, kWidth) + 1;
    if (height != preferredHeight_) {
        preferredHeight_ = height;
        emit preferredHeightChanged(height);
    }
}

} // namespace wirelark
