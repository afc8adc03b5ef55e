#include "app/panel/status_panel.h"

#include "app/panel/panel_placement.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QVBoxLayout>

namespace wirelark {

namespace {

constexpr qreal kCornerRadius = 10;

std::vector<PanelScreen> screens() {
    std::vector<PanelScreen> result;
    for (const QScreen* screen : QGuiApplication::screens()) {
        result.push_back({screen->geometry(), screen->availableGeometry()});
    }
    return result;
}

QPainterPath roundedOutline(const QRect& rect) {
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), kCornerRadius, kCornerRadius);
    return path;
}

bool windowsPlaceThemselves() {
    return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

} // namespace

// A popup: the window system gives it the pointer and keyboard grab that turns a click anywhere
// else into a close, and draws no frame. The press that closes it is not replayed, so a click on
// the tray item closes the panel rather than opening it again.
StatusPanel::StatusPanel(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoMouseReplay);
    setWindowTitle(QStringLiteral("Wirelark"));
    setFixedWidth(kPanelWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // Seen before the focused control, which could take the arrows for itself.
    qApp->installEventFilter(this);
}

bool StatusPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return false; // keys of other windows pass on
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool control = key->modifiers() == Qt::ControlModifier;
    const bool escape = key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier;
    const int offset = !control                     ? 0
                       : key->key() == Qt::Key_Up   ? -1
                       : key->key() == Qt::Key_Down ? 1
                                                    : 0;
    if (!escape && offset == 0) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // the key comes to us as a key press, not a shortcut
        return true;
    }
    if (escape) {
        close();
    } else {
        emit moveSelectionRequested(offset);
    }
    return true;
}

void StatusPanel::setContent(QWidget* content) {
    delete content_;
    content_ = content;
    layout()->addWidget(content);
}

void StatusPanel::toggle(const QRect& anchor) {
    if (isVisible()) {
        close();
    } else {
        open(anchor);
    }
}

void StatusPanel::open(const QRect& anchor) {
    anchor_ = anchor;
    place();
    show();
    raise();
    activateWindow();
}

void StatusPanel::setWantedHeight(int height) {
    wantedHeight_ = height;
    if (isVisible()) {
        place();
    }
}

void StatusPanel::place() {
    const std::vector<PanelScreen> all = screens();
    QRect anchor = anchor_;
    if (!windowsPlaceThemselves()) {
        // The compositor decides; ask for the top centre of the screen in use.
        const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
        if (screen == nullptr) {
            screen = QGuiApplication::primaryScreen();
        }
        if (screen != nullptr) {
            anchor = screenTopAnchor({screen->geometry(), screen->availableGeometry()});
        }
    }
    const QRect frame = panelGeometry(anchor, all, wantedHeight_);
    setFixedHeight(frame.height());
    move(frame.topLeft());
}

void StatusPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedOutline(rect()), palette().window());
}

// Without a compositor the translucent corners would show black: the mask cuts them off.
void StatusPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setMask(QRegion(roundedOutline(rect()).toFillPolygon().toPolygon()));
}

void StatusPanel::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

} // namespace wirelark
