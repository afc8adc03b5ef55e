#pragma once

#include "companion/admin_control_client.h"
#include "companion/pairing_texts.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>

#include <string>
#include <vector>

namespace wirelark {

// The one window of Wirelark Admin: whether the helper answers, the pairing requests waiting
// for a decision, and the buttons that decide them. Refreshes itself while shown; every call
// runs in the background so the window stays responsive while polkit asks for a password.
class AdminWindow : public QWidget {
    Q_OBJECT

public:
    AdminWindow(AdminControlClient& client, UserNameLookup userNames, QWidget* parent = nullptr);

    // Asks the helper for its status and the requests now.
    void refresh();

    static constexpr std::chrono::seconds refreshInterval{3};

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum class Column { user, requested };

    void showStatus(const Expected<AdminStatus, BusError>& status);
    void showPairings(const Expected<std::vector<PendingPairing>, BusError>& pairings);
    void approveSelected();
    void denySelected();
    void confirmUnpairAll();
    // Runs one deciding action: the buttons wait until it completes, then the list refreshes.
    void runAction(const QString& waiting, const QString& done,
                   const std::function<void(AdminControlClient::ActionDone)>& start);
    void showMessage(const QString& text, bool isError);
    std::string selectedID() const;
    void updateButtons();

    AdminControlClient& client_;
    UserNameLookup userNames_;
    QLabel status_;
    QTreeWidget requests_;
    QLabel emptyNote_;
    QPushButton approve_;
    QPushButton deny_;
    QPushButton unpairAll_;
    QLabel message_;
    QTimer refreshTimer_;
    bool helperAnswers_ = false;
    bool actionRunning_ = false;
    int queriesOpen_ = 0;
};

} // namespace wirelark
