#include "app/tray/status_item_controller.h"

#include "app/core/change_log.h"
#include "app/core/status_item_texts.h"
#include "app/drawing/compact_rates_icon.h"
#include "app/panel/status_panel.h"
#include "app/tray/appearance_portal.h"
#include "app/tray/dbus_menu_exporter.h"
#include "app/tray/status_notifier_item.h"
#include "app/tray/tray_host.h"
#include "app/tray/tray_ink.h"
#include "app/tray/xembed_tray_icon.h"
#include "netcore/history/rate_format.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QScreen>

namespace wirelark {

namespace {

// Hosts scale the icon into panels of 22 to 32 pixels; drawn for the larger, the text stays
// sharp enough for the smaller.
constexpr int kCompactIconSide = 32;

qreal screenRatio() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}

// The icon the tray scales into its square: the image itself when square, else centred on a
// transparent square as wide as the image.
QImage squared(QImage image) {
    image.setDevicePixelRatio(1); // the host gets device pixels
    if (image.width() == image.height()) {
        return image;
    }
    const int side = std::max(image.width(), image.height());
    QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((side - image.width()) / 2, (side - image.height()) / 2, image);
    return square;
}

} // namespace

StatusItemController::StatusItemController(NetworkModel& model, AppSettings& settings,
                                           QtBusDispatcher* sessionBus, QObject* parent)
    : QObject(parent), model_(model), settings_(settings), panel_(std::make_unique<StatusPanel>()) {
    connect(panel_.get(), &StatusPanel::closed, this,
            [this] { model_.setSelectedKey(std::nullopt); });
    connect(panel_.get(), &StatusPanel::moveSelectionRequested, this, [this](int offset) {
        if (const auto& key = model_.selectedKey()) {
            settings_.movePin(*key, offset);
        }
    });
    buildMenu();
    if (sessionBus != nullptr) {
        appearance_ = std::make_unique<AppearancePortal>(*sessionBus);
        connect(appearance_.get(), &AppearancePortal::colorSchemeChanged, this,
                &StatusItemController::updateImage, Qt::QueuedConnection);
        menuExporter_ = std::make_unique<DbusMenuExporter>(*sessionBus, menu_);
        item_ = std::make_unique<StatusNotifierItem>(*sessionBus, QStringLiteral("wirelark"),
                                                     menuExporter_->menuPath());
        connect(item_.get(), &StatusNotifierItem::activated, this,
                [this](int x, int y) { togglePanel(QPoint(x, y)); });
        connect(item_.get(), &StatusNotifierItem::contextMenuRequested, this,
                [this](int x, int y) { showMenu(QPoint(x, y)); });
        connect(item_.get(), &StatusNotifierItem::registeredChanged, this, [this] {
            itemAnswered_ = true;
            chooseTray();
        });
    }
    connect(&model_, &NetworkModel::itemsChanged, this, &StatusItemController::updateImage);
    connect(&settings_, &AppSettings::changed, this, &StatusItemController::updateImage);
    chooseTray();
}

StatusItemController::~StatusItemController() = default;

bool StatusItemController::isShown() const {
    return (item_ && item_->isRegistered()) || (trayIcon_ && trayIcon_->isDocked());
}

// The X11 tray stands in only once the watcher, if any, has turned the item down, so that a
// desktop with both never shows it twice.
void StatusItemController::chooseTray() {
    const bool itemShown = item_ && (!itemAnswered_ || item_->isRegistered());
    const bool wanted = !itemShown && XEmbedTrayIcon::isSupported();
    if (wanted && !trayIcon_) {
        trayIcon_ = std::make_unique<XEmbedTrayIcon>();
        connect(trayIcon_.get(), &XEmbedTrayIcon::activated, this,
                &StatusItemController::togglePanel);
        connect(trayIcon_.get(), &XEmbedTrayIcon::contextMenuRequested, this,
                &StatusItemController::showMenu);
        connect(trayIcon_.get(), &XEmbedTrayIcon::dockedChanged, this, [this] {
            updateImage(); // for the background the tray shows
            emit shownChanged(isShown());
            reportMissingHost();
        });
        connect(trayIcon_.get(), &XEmbedTrayIcon::trayBackgroundChanged, this,
                &StatusItemController::updateImage);
    } else if (!wanted && trayIcon_) {
        trayIcon_.reset();
    }
    drawn_.reset(); // the new place needs the image
    // The ink depends on where the image goes, and the tray docks the window at its width.
    updateImage();
    if (trayIcon_) {
        trayIcon_->start();
    }
    emit shownChanged(isShown());
    reportMissingHost();
}

// A tray that lets go of the item for a moment to take it again still runs; only the lack of
// any host is worth a line, as the application then runs unseen.
void StatusItemController::reportMissingHost() {
    const bool waiting = item_ && !itemAnswered_;
    const bool hosted = (item_ && item_->isRegistered()) || (trayIcon_ && trayIcon_->hasTray());
    if (waiting || hosted) {
        hostMissingReported_ = hostMissingReported_ && !hosted;
        return;
    }
    if (hostMissingReported_) {
        return;
    }
    hostMissingReported_ = true;
    logLine(LogPriority::Warning,
            "No system tray: the status item is not shown. On GNOME, install the AppIndicator "
            "extension; the item appears as soon as a tray starts");
    emit noTrayHost();
}

void StatusItemController::togglePanel(const QPoint& at) {
    logLine(LogPriority::Info,
            "Panel toggled at " + std::to_string(at.x()) + "," + std::to_string(at.y()));
    lastClick_ = at;
    panel_->toggle(anchorAt(at));
    emit panelToggled(at);
}

QRect StatusItemController::anchorAt(const QPoint& at) const {
    if (trayIcon_ && trayIcon_->isDocked()) {
        return trayIcon_->trayGeometry();
    }
    return {at, QSize(1, 1)};
}

void StatusItemController::requestSettings() {
    panel_->close();
    emit settingsRequested();
}

void StatusItemController::buildMenu() {
    connect(menu_.addAction(QStringLiteral("Open Wirelark")), &QAction::triggered, this,
            [this] { panel_->open(anchorAt(lastClick_.isNull() ? QCursor::pos() : lastClick_)); });
    connect(menu_.addAction(QStringLiteral("Settings…")), &QAction::triggered, this,
            &StatusItemController::requestSettings);
    connect(menu_.addAction(QStringLiteral("Quit Wirelark")), &QAction::triggered, this,
            &StatusItemController::quitRequested);
}

void StatusItemController::showMenu(const QPoint& at) {
    lastClick_ = at;
    menu_.popup(at);
}

const MenubarRenderer& StatusItemController::renderer() {
    // Without word from the tray or the desktop: an XEmbed window is drawn on the tray's own
    // background, dark on the usual panels; a StatusNotifierItem host draws the icon on the panel,
    // in the desktop's colours.
    const qreal ratio = trayIcon_ ? trayIcon_->devicePixelRatioF() : screenRatio();
    const QColor fallback =
        trayIcon_ ? QColor(Qt::white) : QGuiApplication::palette().color(QPalette::WindowText);
    const QColor ink = trayInk(appearance_ ? appearance_->colorScheme() : ColorScheme::noPreference,
                               trayIcon_ ? trayIcon_->trayBackground() : std::nullopt, fallback);
    if (!renderer_ || ratio != rendererRatio_ || ink != rendererInk_) {
        renderer_.emplace(ratio, ink);
        rendererRatio_ = ratio;
        rendererInk_ = ink;
    }
    return *renderer_;
}

void StatusItemController::updateImage() {
    const SettingsData& settings = settings_.data();
    const auto rates = model_.menubarRates();
    const MenubarRenderer& renderer = this->renderer();
    const bool showsGraph = settings.menubarMode == MenubarMode::graph;
    const bool showsRates = settings.menubarMode == MenubarMode::rates ||
                            settings.menubarMode == MenubarMode::iconAndRates;
    const bool ratesInIcon =
        showsRates && item_ && item_->isRegistered() &&
        !hostShowsLabel(item_->watcherProcess(),
                        qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString());
    Drawn drawn{settings.menubarMode,
                settings.useBits,
                rateLines(rates, settings.useBits),
                showsGraph ? model_.menubarSamples() : std::vector<RateSample>(),
                rendererRatio_,
                rendererInk_,
                ratesInIcon};
    if (drawn == drawn_) {
        emit imageUpdated();
        return;
    }
    image_ = renderer.statusImage(settings.menubarMode, rates, drawn.samples, settings.useBits);
    drawn_ = std::move(drawn);
    if (trayIcon_) {
        trayIcon_->setImage(image_.image);
    }
    if (item_) {
        const StatusItemTexts texts =
            statusItemTexts(settings.menubarMode, rates, settings.useBits);
        if (ratesInIcon) {
            item_->setIcon(compactRatesIcon(
                rates ? compactRateText(rates->rateIn, settings.useBits) : "\u2014",
                rates ? compactRateText(rates->rateOut, settings.useBits) : "\u2014",
                qRound(kCompactIconSide * rendererRatio_), rendererInk_));
            item_->setLabel({}, {});
        } else {
            item_->setIcon(squared(showsGraph ? image_.image : renderer.iconImage().image));
            item_->setLabel(QString::fromStdString(texts.label),
                            QString::fromStdString(texts.labelGuide));
        }
        item_->setToolTip(QStringLiteral("Wirelark"), QString::fromStdString(texts.toolTip));
    }
    emit imageUpdated();
}

} // namespace wirelark
