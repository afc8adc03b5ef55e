#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

namespace wirelark {

// The floating window a click on the tray opens: frameless, above other windows, 400 pixels
// wide with rounded corners, as high as its content asks within the screen. It is made once and
// only hidden when closed, so the content keeps its state between openings. While open it holds
// the pointer and the keyboard, so a click anywhere outside closes it, in this application or
// another; so does Escape.
class StatusPanel : public QWidget {
    Q_OBJECT

public:
    explicit StatusPanel(QWidget* parent = nullptr);

    // Takes ownership of the content, which fills the panel, and drops the one before.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }
    int wantedHeight() const { return wantedHeight_; }

    // Opens the panel by the anchor, or closes it when open.
    void toggle(const QRect& anchor);
    void open(const QRect& anchor);

public slots:
    // Recorded while closed, for the next opening; applied at once while open.
    void setWantedHeight(int height);

signals:
    // Every way of closing ends here.
    void closed();
    // Ctrl+Up (-1) and Ctrl+Down (+1): move the selected pinned interface.
    void moveSelectionRequested(int offset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Escape, Ctrl+Up and Ctrl+Down typed anywhere in the panel; other keys pass on.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QPointer<QWidget> content_;
    QRect anchor_;
    int wantedHeight_ = 300;
};

} // namespace wirelark
