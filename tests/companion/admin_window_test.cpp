// Wirelark Admin's window against a fake control interface on a private bus.
#include "companion/admin_window.h"

#include "admin/admin_constants.h"

#include "fake_admin_control.h"
#include "private_bus_fixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace wirelark;
using namespace std::chrono_literals;

namespace {

const std::string& controlName() {
    return AdminTeamNames::configured().controlBusName;
}

std::chrono::sys_seconds minutesAgo(int count) {
    return std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::system_clock::now()) -
           std::chrono::minutes(count);
}

using wirelark::testing::FakeAdminControl;

class AdminWindowTest : public wirelark::testing::PrivateBusTest {
protected:
    void SetUpOnBus() override {
        clientBus_ = std::make_unique<QtBusDispatcher>(takeClient());
        client_ = std::make_unique<AdminControlClient>(clientBus_.get(), controlName());
    }
    void TearDownOnBus() override {
        window_.reset();
        client_.reset();
        clientBus_.reset();
        fake_.reset();
    }

    // The fake helper with two requests, one from a known user.
    FakeAdminControl& startHelper() {
        auto bus = DbusConnection::openAddress(address());
        EXPECT_TRUE(bus);
        fake_ = FakeAdminControl::serve(std::move(*bus), controlName());
        EXPECT_TRUE(fake_);
        fake_->pending = {
            {.id = "r-1", .created = minutesAgo(4), .uid = 1000},
            {.id = "r-2", .created = std::nullopt, .uid = std::nullopt},
        };
        return *fake_;
    }

    AdminWindow& openWindow() {
        window_ = std::make_unique<AdminWindow>(*client_, [](uint32_t uid) {
            return uid == 1000 ? std::optional<std::string>("alice") : std::nullopt;
        });
        window_->show();
        return *window_;
    }

public:
    // Also for the actions in case tables.
    template <typename T>
    T& child(const char* name) const {
        T* found = window_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }
    QString statusText() const { return child<QLabel>("helperStatus").text(); }
    QString messageText() const { return child<QLabel>("message").text(); }
    QTreeWidget& requests() const { return child<QTreeWidget>("pairingRequests"); }

    bool waitForRows(int count) const {
        return QTest::qWaitFor([&] { return requests().topLevelItemCount() == count; });
    }
    bool waitForMessage(const QString& text) const {
        return QTest::qWaitFor([&] { return messageText() == text; });
    }
    void selectRow(int row) const {
        requests().clearSelection();
        requests().topLevelItem(row)->setSelected(true);
    }

    // Clicks "Unpair All" in the confirmation that the window's button opens.
    void confirmUnpairAll(const char* answer) const {
        QTest::mouseClick(&child<QPushButton>("unpairAll"), Qt::LeftButton);
        QMessageBox* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            box = window_->findChild<QMessageBox*>(QStringLiteral("confirmUnpairAll"));
            return box != nullptr && box->isVisible();
        }));
        QAbstractButton* button = std::string(answer) == "cancel"
                                      ? box->button(QMessageBox::Cancel)
                                      : box->findChild<QPushButton*>("confirmUnpairAllButton");
        ASSERT_NE(button, nullptr);
        button->click();
    }

protected:
    std::unique_ptr<QtBusDispatcher> clientBus_;
    std::unique_ptr<AdminControlClient> client_;
    std::unique_ptr<FakeAdminControl> fake_;
    std::unique_ptr<AdminWindow> window_;
};

} // namespace

TEST_F(AdminWindowTest, AnAbsentHelperIsNamedAndNothingCanBeDecided) {
    openWindow();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return statusText() == "The admin helper isn't installed or isn't running."; }));
    EXPECT_EQ(window_->windowTitle(), "Wirelark Admin");
    EXPECT_EQ(requests().topLevelItemCount(), 0);
    EXPECT_TRUE(child<QLabel>("noRequests").isVisible());
    for (const char* button : {"approve", "deny", "unpairAll"}) {
        EXPECT_FALSE(child<QPushButton>(button).isEnabled()) << button;
    }
}

TEST_F(AdminWindowTest, TheRequestsAreListedWithTheirUserAndAge) {
    startHelper();
    openWindow();
    ASSERT_TRUE(waitForRows(2));
    EXPECT_EQ(statusText(), "Admin helper 1.2.0 is running.");
    EXPECT_EQ(requests().topLevelItem(0)->text(0), "alice (uid 1000)");
    EXPECT_EQ(requests().topLevelItem(0)->text(1), "4 minutes ago");
    EXPECT_EQ(requests().topLevelItem(1)->text(0), "Unknown user");
    EXPECT_EQ(requests().topLevelItem(1)->text(1), "Unknown");
    EXPECT_FALSE(child<QLabel>("noRequests").isVisible());
    // The first request is ready to decide.
    EXPECT_TRUE(requests().topLevelItem(0)->isSelected());
    EXPECT_TRUE(child<QPushButton>("approve").isEnabled());
}

TEST_F(AdminWindowTest, ARefreshKeepsTheSelectionAndDropsDecidedRequests) {
    FakeAdminControl& helper = startHelper();
    openWindow();
    ASSERT_TRUE(waitForRows(2));
    selectRow(1);
    helper.pending = {helper.pending[1], {.id = "r-3", .created = minutesAgo(0), .uid = 0}};
    window_->refresh();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return requests().topLevelItem(0)->text(0) != "alice (uid 1000)"; }));
    ASSERT_EQ(requests().topLevelItemCount(), 2);
    EXPECT_EQ(requests().topLevelItem(0)->text(0), "Unknown user");
    EXPECT_TRUE(requests().topLevelItem(0)->isSelected());
    EXPECT_EQ(requests().topLevelItem(1)->text(1), "Just now");
}

TEST_F(AdminWindowTest, EachDecisionSendsItsCallAndSaysItWasDone) {
    const struct {
        const char* what;
        std::function<void(AdminWindowTest&)> act;
        std::string call;
        QString done;
    } cases[] = {
        {"approve",
         [](AdminWindowTest& t) {
             t.selectRow(1);
             QTest::mouseClick(&t.child<QPushButton>("approve"), Qt::LeftButton);
         },
         "ApprovePairing r-2 0", "The app is paired and may now switch network connections."},
        {"deny",
         [](AdminWindowTest& t) {
             QTest::mouseClick(&t.child<QPushButton>("deny"), Qt::LeftButton);
         },
         "DenyPairing r-1", "The request was denied."},
        {"unpair all", [](AdminWindowTest& t) { t.confirmUnpairAll("unpair"); }, "UnpairAll 0",
         "Every app was unpaired."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeAdminControl& helper = startHelper();
        openWindow();
        ASSERT_TRUE(waitForRows(2));
        ASSERT_TRUE(QTest::qWaitFor([&] { return child<QPushButton>("unpairAll").isEnabled(); }));
        c.act(*this);
        ASSERT_TRUE(waitForMessage(c.done)) << messageText().toStdString();
        EXPECT_EQ(helper.decisions, std::vector<std::string>{c.call});
        EXPECT_FALSE(child<QLabel>("message").property("error").toBool());
        window_.reset();
        fake_.reset();
    }
}

TEST_F(AdminWindowTest, CancellingUnpairAllSendsNothing) {
    FakeAdminControl& helper = startHelper();
    openWindow();
    ASSERT_TRUE(waitForRows(2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return child<QPushButton>("unpairAll").isEnabled(); }));
    confirmUnpairAll("cancel");
    // Calls on one connection arrive in order: a deny answered means nothing went before it.
    QTest::mouseClick(&child<QPushButton>("deny"), Qt::LeftButton);
    ASSERT_TRUE(waitForMessage("The request was denied."));
    EXPECT_EQ(helper.decisions, std::vector<std::string>{"DenyPairing r-1"});
}

TEST_F(AdminWindowTest, TheHelpersRefusalIsShownAsAnError) {
    FakeAdminControl& helper = startHelper();
    helper.refusal = AdminError::authorizationFailed;
    openWindow();
    ASSERT_TRUE(waitForRows(2));
    QTest::mouseClick(&child<QPushButton>("approve"), Qt::LeftButton);
    ASSERT_TRUE(waitForMessage("Administrator authorization failed."));
    EXPECT_TRUE(child<QLabel>("message").property("error").toBool());
    EXPECT_TRUE(child<QPushButton>("approve").isEnabled());
}

TEST_F(AdminWindowTest, WhileTheAdministratorTypesThePasswordTheWindowKeepsRefreshing) {
    FakeAdminControl& helper = startHelper();
    helper.holdDecisions = true;
    openWindow();
    ASSERT_TRUE(waitForRows(2));
    QTest::mouseClick(&child<QPushButton>("approve"), Qt::LeftButton);
    ASSERT_TRUE(waitForMessage("Waiting for an administrator to authorize the pairing…"));
    EXPECT_FALSE(child<QPushButton>("approve").isEnabled());
    EXPECT_FALSE(child<QPushButton>("unpairAll").isEnabled());

    helper.pending.pop_back();
    window_->refresh();
    ASSERT_TRUE(waitForRows(1));
    EXPECT_EQ(helper.decisions, std::vector<std::string>{"ApprovePairing r-1 0"});

    helper.releaseHeld();
    ASSERT_TRUE(waitForMessage("The app is paired and may now switch network connections."));
    EXPECT_TRUE(child<QPushButton>("approve").isEnabled());
}

TEST_F(AdminWindowTest, AHelperThatGoesAwayIsNoticedOnTheNextRefresh) {
    startHelper();
    openWindow();
    ASSERT_TRUE(waitForRows(2));
    fake_.reset();
    window_->refresh();
    ASSERT_TRUE(waitForRows(0));
    EXPECT_EQ(statusText(), "The admin helper isn't installed or isn't running.");
    EXPECT_FALSE(child<QPushButton>("unpairAll").isEnabled());
}

TEST_F(AdminWindowTest, WithoutASystemBusTheWindowSaysSo) {
    AdminControlClient noBus(nullptr, controlName());
    window_ = std::make_unique<AdminWindow>(noBus, [](uint32_t) { return std::nullopt; });
    window_->show();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return statusText() == "Wirelark Admin can't reach the system bus."; }));
    window_.reset();
}
