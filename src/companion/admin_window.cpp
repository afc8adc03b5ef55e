#include "companion/admin_window.h"

#include "companion/helper_texts.h"
#include "companion/pairing_list_diff.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPointer>
#include <QVBoxLayout>

#include <map>

namespace wirelark {

namespace {

constexpr int kIDRole = Qt::UserRole;

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

AdminWindow::AdminWindow(AdminControlClient& client, UserNameLookup userNames, QWidget* parent)
    : QWidget(parent), client_(client), userNames_(std::move(userNames)),
      status_(QStringLiteral("Asking the admin helper…")),
      emptyNote_(QStringLiteral("No pairing requests are waiting.")),
      approve_(QStringLiteral("Approve…")), deny_(QStringLiteral("Deny")),
      unpairAll_(QStringLiteral("Unpair All…")) {
    setWindowTitle(QStringLiteral("Wirelark Admin"));
    setObjectName(QStringLiteral("adminWindow"));
    status_.setObjectName(QStringLiteral("helperStatus"));
    status_.setWordWrap(true);
    requests_.setObjectName(QStringLiteral("pairingRequests"));
    requests_.setHeaderLabels({QStringLiteral("User"), QStringLiteral("Requested")});
    requests_.setRootIsDecorated(false);
    requests_.setSelectionMode(QAbstractItemView::SingleSelection);
    requests_.header()->setSectionResizeMode(static_cast<int>(Column::user), QHeaderView::Stretch);
    emptyNote_.setObjectName(QStringLiteral("noRequests"));
    approve_.setObjectName(QStringLiteral("approve"));
    deny_.setObjectName(QStringLiteral("deny"));
    unpairAll_.setObjectName(QStringLiteral("unpairAll"));
    message_.setObjectName(QStringLiteral("message"));
    message_.setWordWrap(true);

    auto* heading = new QLabel(QStringLiteral("Pairing requests"));
    auto* note = new QLabel(QStringLiteral(
        "An app asks here before it may switch network connections. Approving asks for an "
        "administrator password."));
    note->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(&approve_);
    buttons->addWidget(&deny_);
    buttons->addStretch();
    buttons->addWidget(&unpairAll_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(&status_);
    layout->addWidget(heading);
    layout->addWidget(note);
    layout->addWidget(&requests_);
    layout->addWidget(&emptyNote_);
    layout->addLayout(buttons);
    layout->addWidget(&message_);
    resize(480, 360);

    connect(&approve_, &QPushButton::clicked, this, &AdminWindow::approveSelected);
    connect(&deny_, &QPushButton::clicked, this, &AdminWindow::denySelected);
    connect(&unpairAll_, &QPushButton::clicked, this, &AdminWindow::confirmUnpairAll);
    connect(&requests_, &QTreeWidget::itemSelectionChanged, this, &AdminWindow::updateButtons);
    refreshTimer_.setInterval(refreshInterval);
    connect(&refreshTimer_, &QTimer::timeout, this, &AdminWindow::refresh);
    message_.hide();
    updateButtons();
}

void AdminWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    refreshTimer_.start();
}

void AdminWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    refreshTimer_.stop();
}

void AdminWindow::refresh() {
    // A helper slower than the timer gets no second pair of questions on top.
    if (queriesOpen_ > 0) {
        return;
    }
    queriesOpen_ = 2;
    // The client may outlive the window; answers after the window closed go nowhere.
    client_.status([self = QPointer(this)](Expected<AdminStatus, BusError> status) {
        if (self) {
            --self->queriesOpen_;
            self->showStatus(status);
        }
    });
    client_.pendingPairings(
        [self = QPointer(this)](Expected<std::vector<PendingPairing>, BusError> pairings) {
            if (self) {
                --self->queriesOpen_;
                self->showPairings(pairings);
            }
        });
}

void AdminWindow::showStatus(const Expected<AdminStatus, BusError>& status) {
    helperAnswers_ = status.has_value();
    status_.setText(qText(status ? helperStatusText(*status) : callErrorText(status.error())));
    updateButtons();
}

void AdminWindow::showPairings(const Expected<std::vector<PendingPairing>, BusError>& pairings) {
    // A helper that cannot list its requests has none to decide here.
    const std::vector<PendingPairing> latest = pairings.value_or(std::vector<PendingPairing>{});
    std::vector<std::string> shown;
    for (int row = 0; row < requests_.topLevelItemCount(); ++row) {
        shown.push_back(requests_.topLevelItem(row)->data(0, kIDRole).toString().toStdString());
    }
    const PairingListDiff diff = diffPairings(shown, latest);
    for (const std::string& id : diff.removed) {
        for (int row = 0; row < requests_.topLevelItemCount(); ++row) {
            if (requests_.topLevelItem(row)->data(0, kIDRole).toString().toStdString() == id) {
                delete requests_.takeTopLevelItem(row);
                break;
            }
        }
    }
    for (const PendingPairing& pairing : diff.added) {
        auto* item = new QTreeWidgetItem(&requests_);
        item->setData(0, kIDRole, qText(pairing.id));
    }
    // Every row's texts are redone: the ages move on.
    std::map<std::string, const PendingPairing*> byID;
    for (const PendingPairing& pairing : latest) {
        byID.emplace(pairing.id, &pairing);
    }
    const auto now =
        std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::system_clock::now());
    for (int row = 0; row < requests_.topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = requests_.topLevelItem(row);
        const PendingPairing& pairing = *byID.at(item->data(0, kIDRole).toString().toStdString());
        item->setText(static_cast<int>(Column::user),
                      qText(requestingUserText(pairing.uid, userNames_)));
        item->setText(static_cast<int>(Column::requested),
                      qText(requestedText(pairing.created, now)));
    }
    if (requests_.selectedItems().isEmpty() && requests_.topLevelItemCount() > 0) {
        requests_.topLevelItem(0)->setSelected(true);
    }
    emptyNote_.setVisible(requests_.topLevelItemCount() == 0);
    if (!pairings && helperAnswers_) {
        showMessage(qText(callErrorText(pairings.error())), true);
    }
    updateButtons();
}

void AdminWindow::approveSelected() {
    const std::string id = selectedID();
    runAction(QStringLiteral("Waiting for an administrator to authorize the pairing…"),
              QStringLiteral("The app is paired and may now switch network connections."),
              [this, id](AdminControlClient::ActionDone done) {
                  client_.approvePairing(id, std::move(done));
              });
}

void AdminWindow::denySelected() {
    const std::string id = selectedID();
    runAction(QStringLiteral("Denying the request…"), QStringLiteral("The request was denied."),
              [this, id](AdminControlClient::ActionDone done) {
                  client_.denyPairing(id, std::move(done));
              });
}

void AdminWindow::confirmUnpairAll() {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Unpair All"),
                                QStringLiteral("Unpair every app from the admin helper?"),
                                QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("confirmUnpairAll"));
    box->setInformativeText(QStringLiteral("Each app has to be paired again, with an "
                                           "administrator's approval, before it can switch "
                                           "network connections."));
    QPushButton* confirm =
        box->addButton(QStringLiteral("Unpair All"), QMessageBox::DestructiveRole);
    confirm->setObjectName(QStringLiteral("confirmUnpairAllButton"));
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::buttonClicked, this, [this, confirm](QAbstractButton* clicked) {
        if (clicked != confirm) {
            return;
        }
        runAction(
            QStringLiteral("Waiting for an administrator to authorize unpairing…"),
            QStringLiteral("Every app was unpaired."),
            [this](AdminControlClient::ActionDone done) { client_.unpairAll(std::move(done)); });
    });
    // Not exec(): the window keeps refreshing while the question is open.
    box->open();
}

void AdminWindow::runAction(const QString& waiting, const QString& done,
                            const std::function<void(AdminControlClient::ActionDone)>& start) {
    actionRunning_ = true;
    updateButtons();
    showMessage(waiting, false);
    start([self = QPointer(this), done](Expected<void, BusError> result) {
        if (!self) {
            return;
        }
        self->actionRunning_ = false;
        self->showMessage(result ? done : qText(callErrorText(result.error())), !result);
        self->updateButtons();
        self->refresh();
    });
}

void AdminWindow::showMessage(const QString& text, bool isError) {
    message_.setText(text);
    message_.setProperty("error", isError);
    message_.setStyleSheet(isError ? QStringLiteral("color: #c01c28;") : QString());
    message_.show();
}

std::string AdminWindow::selectedID() const {
    const QList<QTreeWidgetItem*> selected = requests_.selectedItems();
    return selected.isEmpty() ? std::string()
                              : selected.front()->data(0, kIDRole).toString().toStdString();
}

void AdminWindow::updateButtons() {
    const bool canDecide = helperAnswers_ && !actionRunning_;
    approve_.setEnabled(canDecide && !requests_.selectedItems().isEmpty());
    deny_.setEnabled(canDecide && !requests_.selectedItems().isEmpty());
    unpairAll_.setEnabled(canDecide);
}

} // namespace wirelark
