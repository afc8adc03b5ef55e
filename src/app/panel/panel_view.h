#pragma once

#include "app/admin/admin_controls.h"
#include "app/model/network_model.h"
#include "app/panel/interface_row_view.h"
#include "app/panel/public_address_line.h"
#include "app/settings/app_settings.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>

#include <map>
#include <string>
#include <vector>

namespace wirelark {

// The status panel's content: the view controls, the public address and the admin helper's
// notice above a scrolling list of interface rows, pinned ones first. Built once and kept while
// the panel is hidden; while shown, rows follow the model's publications in place, by interface
// key, and a hidden view catches up when it is shown again.
class PanelView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 400;

    PanelView(NetworkModel& model, AppSettings& settings, AdminControls& admin,
              QWidget* parent = nullptr);

    // The height the panel wants: header, divider and the whole list.
    int preferredHeight() const { return preferredHeight_; }
    // Moves the selected pinned interface by -1 (up) or +1 (down); nothing without a selection.
    void moveSelectedPin(int offset);

    // The rows in display order, and what stands between and instead of them.
    std::vector<InterfaceRowView*> rows() const;
    InterfaceRowView* row(const std::string& key) const;
    bool showsListDivider() const { return !listDivider_.isHidden(); }
    bool showsNoInterfaces() const { return !noInterfaces_.isHidden(); }
    QToolButton& inactiveToggle() { return inactive_; }
    QToolButton& allDetailsToggle() { return allDetails_; }
    QToolButton& settingsButton() { return settingsButton_; }
    QToolButton& quitButton() { return quitButton_; }
    PublicAddressLine& publicAddressLine() { return publicLine_; }
    QPushButton& adminNotice() { return adminNotice_; }
    QScrollArea& scrollArea() { return scroll_; }

signals:
    void settingsRequested();
    void quitRequested();
    void preferredHeightChanged(int height);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControlBar(QWidget& header);
    void showHeader();
    void showRows();
    InterfaceRowView& rowFor(const std::string& key);
    void arrange(const std::vector<QWidget*>& order);
    void select(const std::string& key);
    void togglePin(const std::string& key);
    void reportHeight();

    NetworkModel& model_;
    AppSettings& settings_;
    AdminControls& admin_;
    QWidget header_;
    QToolButton inactive_;
    QToolButton allDetails_;
    QToolButton settingsButton_;
    QToolButton quitButton_;
    PublicAddressLine publicLine_;
    QPushButton adminNotice_;
    QFrame divider_;
    QScrollArea scroll_;
    QWidget* list_;
    QFrame listDivider_;
    QLabel noInterfaces_;
    std::map<std::string, InterfaceRowView*> rows_;
    std::vector<QWidget*> order_;
    int preferredHeight_ = 0;
    // Publications that came while hidden, shown at the next showing.
    bool rowsOutdated_ = false;
};

} // namespace wirelark
