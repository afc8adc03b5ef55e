#pragma once

#include <QAbstractNativeEventFilter>
#include <QColor>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <optional>

namespace wirelark {

// The status image docked into an X11 system tray through the XEmbed protocol. Unlike Qt's own
// tray icon it keeps the image's real width, so the rates and the graph are not squeezed into a
// square. It docks whenever a tray manager runs and waits for the next one when it goes away.
class XEmbedTrayIcon : public QWidget, private QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit XEmbedTrayIcon(QWidget* parent = nullptr);
    ~XEmbedTrayIcon() override;

    // Whether the application runs on X11 at all; elsewhere this object never docks.
    static bool isSupported();

    // Docks now when a tray manager runs, and again whenever one appears later.
    void start();
    bool isDocked() const { return docked_; }
    // Whether a tray manager runs, docked or not yet: it takes the item sooner or later.
    bool hasTray() const { return manager_ != 0; }
    // The colour the tray shows around the image while docked, when it could be told.
    std::optional<QColor> trayBackground() const { return background_; }
    // The tray's own top-level window holding the item while docked, on the screen; else the
    // item's rectangle.
    QRect trayGeometry() const;
    void setImage(const QImage& image);
    const QImage& image() const { return image_; }

signals:
    void activated(const QPoint& globalPosition);
    void secondaryActivated(const QPoint& globalPosition);
    void contextMenuRequested(const QPoint& globalPosition);
    void dockedChanged(bool docked);
    // What the tray shows behind the image changed once its layout settled.
    void trayBackgroundChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // A tray that lets go of the window asks it to close; it stays, to dock again.
    void closeEvent(QCloseEvent* event) override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void requestDock();
    void setDocked(bool docked);
    void applySize();
    QSize imageSize() const;
    // Docks again when the tray's window for the item does not fit the image.
    void checkEmbedding();
    void withdraw();
    std::optional<QColor> sampleBackground() const;

    QImage image_;
    bool started_ = false;
    bool docked_ = false;
    uint32_t manager_ = 0; // the tray manager's window while docked
    int sizeReminders_ = 0;
    int redocks_ = 0; // since the image last changed its size
    QTimer embeddingCheck_;
    QTimer redock_; // after a withdrawal, for the tray to let go
    uint32_t selectionAtom_ = 0;
    uint32_t managerAtom_ = 0;
    uint32_t xembedAtom_ = 0; // looked up once: the event filter sees every X event
    uint32_t root_ = 0;
    std::optional<QColor> background_;
};

} // namespace wirelark
