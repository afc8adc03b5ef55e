#include "app/tray/xembed_tray_icon.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

namespace wirelark {

namespace {

constexpr uint32_t kSystemTrayRequestDock = 0;
constexpr uint32_t kXEmbedEmbeddedNotify = 0;
constexpr uint32_t kXEmbedMapped = 1;
constexpr int kSizeReminders = 3;
constexpr int kRedocks = 3;
// How long a tray may take to lay out a new item before its size counts.
constexpr std::chrono::milliseconds kLayoutTime{500};
// How long a tray may take to let go of a withdrawn item when it does not say so.
constexpr std::chrono::milliseconds kReleaseTime{1000};

xcb_connection_t* connection() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> own(Reply* reply) {
    return ReplyPtr<Reply>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t* c, const std::string& name) {
    const auto reply = own(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Adds structure events to what the window already reports, without taking away the events
// Qt selected on it.
void selectStructureEvents(xcb_connection_t* c, xcb_window_t window) {
    const auto attributes =
        own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    const uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
}

// The tray's and the compositor's selections are per screen: a prefix and the number of the
// window's screen.
std::string screenSelectionName(xcb_connection_t* c, xcb_window_t root, const std::string& prefix) {
    int number = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem != 0;
         xcb_screen_next(&it), ++number) {
        if (it.data->root == root) {
            break;
        }
    }
    return prefix + std::to_string(number);
}

void sendClientMessage(xcb_connection_t* c, xcb_window_t to, xcb_atom_t type,
                       std::array<uint32_t, 5> data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = to;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(c, 0, to, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
}

std::optional<QColor> pixelOf(xcb_connection_t* c, xcb_window_t window, int16_t x, int16_t y) {
    const auto image = own(xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, 1, 1, ~0u), nullptr));
    if (!image || (image->depth != 24 && image->depth != 32) ||
        xcb_get_image_data_length(image.get()) < 4) {
        return std::nullopt;
    }
    const uint8_t* bgr = xcb_get_image_data(image.get());
    return QColor(bgr[2], bgr[1], bgr[0]);
}

} // namespace

XEmbedTrayIcon::XEmbedTrayIcon(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint) {
    setWindowTitle(QStringLiteral("Wirelark"));
    setAttribute(Qt::WA_TranslucentBackground);
    embeddingCheck_.setSingleShot(true);
    embeddingCheck_.setInterval(kLayoutTime);
    connect(&embeddingCheck_, &QTimer::timeout, this, &XEmbedTrayIcon::checkEmbedding);
    redock_.setSingleShot(true);
    redock_.setInterval(kReleaseTime);
    connect(&redock_, &QTimer::timeout, this, &XEmbedTrayIcon::requestDock);
}

XEmbedTrayIcon::~XEmbedTrayIcon() {
    if (started_ && qApp) {
        qApp->removeNativeEventFilter(this);
    }
}

bool XEmbedTrayIcon::isSupported() {
    return connection() != nullptr;
}

void XEmbedTrayIcon::start() {
    xcb_connection_t* c = connection();
    if (c == nullptr || started_) {
        return;
    }
    started_ = true;
    const auto geometry = own(xcb_get_geometry_reply(
        c, xcb_get_geometry(c, static_cast<xcb_window_t>(winId())), nullptr));
    if (!geometry) {
        return;
    }
    root_ = geometry->root;
    selectionAtom_ = atom(c, screenSelectionName(c, root_, "_NET_SYSTEM_TRAY_S"));
    managerAtom_ = atom(c, "MANAGER");
    xembedAtom_ = atom(c, "_XEMBED");
    // A tray that starts later announces itself with a MANAGER message to the root window.
    selectStructureEvents(c, root_);
    qApp->installNativeEventFilter(this);
    requestDock();
}

void XEmbedTrayIcon::requestDock() {
    xcb_connection_t* c = connection();
    const auto owner =
        own(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selectionAtom_), nullptr));
    if (!owner || owner->owner == XCB_WINDOW_NONE) {
        return;
    }
    manager_ = owner->owner;
    sizeReminders_ = 0;
    selectStructureEvents(c, manager_);
    const auto window = static_cast<xcb_window_t>(winId());
    const uint32_t info[] = {0, kXEmbedMapped}; // protocol version, flags
    const xcb_atom_t xembedInfo = atom(c, "_XEMBED_INFO");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, xembedInfo, xembedInfo, 32, 2, info);
    applySize();
    // The window stays unmapped until the tray has it: a GTK tray that takes a mapped window
    // sees it unmapped by the move and gives it no room, 1 pixel wide. The tray maps it, as
    // its embedding information asks.
    sendClientMessage(c, manager_, atom(c, "_NET_SYSTEM_TRAY_OPCODE"),
                      {XCB_CURRENT_TIME, kSystemTrayRequestDock, window, 0, 0});
    xcb_flush(c);
}

bool XEmbedTrayIcon::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->window == root_ && client->type == managerAtom_ &&
            client->data.data32[1] == selectionAtom_) {
            requestDock();
        } else if (client->window == static_cast<xcb_window_t>(winId()) &&
                   client->type == xembedAtom_ && client->data.data32[1] == kXEmbedEmbeddedNotify) {
            // Shown only now, inside the tray; showing writes Qt's own size hints.
            show();
            applySize();
            setDocked(true);
            embeddingCheck_.start();
        }
        break;
    }
    case XCB_CONFIGURE_NOTIFY: {
        // A tray that sized the window before it read the size hints (a busy GTK tray may take
        // 1 × 1) reads them again when they are set again; a few reminders, as a tray that
        // insists on its own size must keep it.
        const auto* configured = static_cast<const xcb_configure_notify_event_t*>(message);
        const int wanted = (imageSize() * devicePixelRatio()).width();
        if (manager_ != 0 && configured->window == static_cast<xcb_window_t>(winId()) &&
            configured->width != wanted && sizeReminders_ < kSizeReminders) {
            ++sizeReminders_;
            QMetaObject::invokeMethod(this, &XEmbedTrayIcon::applySize, Qt::QueuedConnection);
        }
        if (docked_ && configured->window == static_cast<xcb_window_t>(winId())) {
            embeddingCheck_.start(); // once the tray's layout has settled
        }
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        const auto* reparented = static_cast<const xcb_reparent_notify_event_t*>(message);
        if (docked_ && reparented->window == static_cast<xcb_window_t>(winId()) &&
            reparented->parent == root_) {
            embeddingCheck_.start();
        }
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (manager_ != 0 && destroyed->window == manager_) {
            // The tray is gone and gives the window back to the root: keep it off the screen
            // until the next tray takes it.
            manager_ = 0;
            hide();
            setDocked(false);
        }
        break;
    }
    default:
        break;
    }
    return false;
}

void XEmbedTrayIcon::setDocked(bool docked) {
    if (docked_ != docked) {
        docked_ = docked;
        background_ = docked ? sampleBackground() : std::nullopt;
        emit dockedChanged(docked);
    }
}

QSize XEmbedTrayIcon::imageSize() const {
    return image_.isNull() ? QSize(22, 22) : image_.deviceIndependentSize().toSize();
}

void XEmbedTrayIcon::setImage(const QImage& image) {
    const bool resized = image.deviceIndependentSize() != image_.deviceIndependentSize();
    image_ = image;
    if (resized) {
        redocks_ = 0;
    }
    if (resized && manager_ != 0) {
        applySize();
        if (docked_) {
            embeddingCheck_.start();
        }
    }
    update();
}

// Some trays size their window for the item once, when they take it, and keep that size even
// when the hints they read are set again, which may hide the item. Such a tray reads the hints
// afresh for a new dock, so the item withdraws and docks again,
// a few times at most, as a tray may insist on a size of its own. A tray that let go of the item
// on its own (it lost a race with its own clean-up) is a misfit too.
void XEmbedTrayIcon::checkEmbedding() {
    xcb_connection_t* c = connection();
    // Sampled at docking too, when the tray may not have painted the new place yet.
    if (auto background = docked_ ? sampleBackground() : std::nullopt; background != background_) {
        background_ = background;
        emit trayBackgroundChanged();
    }
    if (!docked_ || manager_ == 0 || redocks_ >= kRedocks) {
        return;
    }
    const auto window = static_cast<xcb_window_t>(winId());
    const auto tree = own(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree) {
        return;
    }
    if (tree->parent != root_) {
        const auto embedder =
            own(xcb_get_geometry_reply(c, xcb_get_geometry(c, tree->parent), nullptr));
        if (!embedder || embedder->width >= (imageSize() * devicePixelRatio()).width()) {
            return;
        }
    }
    ++redocks_;
    withdraw();
}

// What shows behind the image: without a compositor the tray cannot blend a window with an alpha
// channel and shows its clear pixels black; with one, the tray's own pixels just beside the
// window it holds the item in.
std::optional<QColor> XEmbedTrayIcon::sampleBackground() const {
    xcb_connection_t* c = connection();
    const auto window = static_cast<xcb_window_t>(winId());
    const auto itself = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    const auto compositor = own(xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, atom(c, screenSelectionName(c, root_, "_NET_WM_CM_S"))),
        nullptr));
    if (itself && itself->depth == 32 && (!compositor || compositor->owner == XCB_WINDOW_NONE)) {
        return QColor(Qt::black);
    }
    const auto item = own(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!item || item->parent == root_) {
        return std::nullopt;
    }
    const auto holder = own(xcb_query_tree_reply(c, xcb_query_tree(c, item->parent), nullptr));
    const auto place = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, item->parent), nullptr));
    const auto tray =
        holder ? own(xcb_get_geometry_reply(c, xcb_get_geometry(c, holder->parent), nullptr))
               : ReplyPtr<xcb_get_geometry_reply_t>(nullptr, &std::free);
    if (!place || !tray || holder->parent == root_) {
        return std::nullopt;
    }
    const int x = place->x;
    const int y = place->y;
    const int right = x + place->width;
    const int bottom = y + place->height;
    const int middleX = x + place->width / 2;
    const int middleY = y + place->height / 2;
    const struct {
        bool inside;
        int x;
        int y;
    } besides[] = {
        {x > 0, x - 1, middleY},
        {y > 0, middleX, y - 1},
        {right < tray->width, right, middleY},
        {bottom < tray->height, middleX, bottom},
    };
    for (const auto& beside : besides) {
        if (beside.inside) {
            return pixelOf(c, holder->parent, static_cast<int16_t>(beside.x),
                           static_cast<int16_t>(beside.y));
        }
    }
    return std::nullopt;
}

// Going back to the root ends the embedding. The tray then drops its window for the item, and
// one that does so through GDK asks the item to close once done: the item docks again then, or
// after a while.
void XEmbedTrayIcon::withdraw() {
    xcb_connection_t* c = connection();
    xcb_reparent_window(c, static_cast<xcb_window_t>(winId()), root_, 0, 0);
    xcb_flush(c);
    hide();
    setDocked(false);
    redock_.start();
}

// Trays size the window they take from its size hints (a GTK tray takes 1 × 1 without them) and
// read them when they take it, which may be before Qt has shown the window and set its own: the
// hints and the size go to the X window directly.
void XEmbedTrayIcon::applySize() {
    setFixedSize(imageSize());
    xcb_connection_t* c = connection();
    const auto window = static_cast<xcb_window_t>(winId());
    const QSize pixels = imageSize() * devicePixelRatio();
    const auto width = static_cast<uint32_t>(pixels.width());
    const auto height = static_cast<uint32_t>(pixels.height());
    constexpr uint32_t kMinSize = 16;
    constexpr uint32_t kMaxSize = 32;
    constexpr uint32_t kBaseSize = 256;
    // flags, 4 obsolete fields, minimum, maximum, increments, aspects, base size, gravity
    const uint32_t hints[18] = {kMinSize | kMaxSize | kBaseSize,
                                0,
                                0,
                                0,
                                0,
                                width,
                                height,
                                width,
                                height,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                width,
                                height,
                                0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    const uint32_t size[] = {width, height};
    xcb_configure_window(c, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    xcb_flush(c);
}

void XEmbedTrayIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    if (image_.isNull()) {
        return;
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QSizeF size = image_.deviceIndependentSize();
    painter.drawImage(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2),
                      image_);
}

void XEmbedTrayIcon::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (redock_.isActive()) {
        redock_.stop();
        requestDock();
    }
}

QRect XEmbedTrayIcon::trayGeometry() const {
    const QRect item(mapToGlobal(QPoint(0, 0)), size());
    xcb_connection_t* c = connection();
    if (c == nullptr || !docked_) {
        return item;
    }
    auto window = static_cast<xcb_window_t>(winId());
    for (;;) {
        const auto tree = own(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree || tree->parent == 0) {
            return item;
        }
        if (tree->parent == tree->root) {
            break;
        }
        window = tree->parent;
    }
    const auto geometry = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    const auto origin = own(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, root_, 0, 0), nullptr));
    if (!geometry || !origin) {
        return item;
    }
    return {origin->dst_x, origin->dst_y, geometry->width, geometry->height};
}

void XEmbedTrayIcon::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->globalPosition().toPoint();
    switch (event->button()) {
    case Qt::LeftButton:
        emit activated(at);
        break;
    case Qt::MiddleButton:
        emit secondaryActivated(at);
        break;
    case Qt::RightButton:
        emit contextMenuRequested(at);
        break;
    default:
        QWidget::mousePressEvent(event);
    }
}

} // namespace wirelark
