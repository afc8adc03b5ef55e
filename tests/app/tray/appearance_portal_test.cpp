#include "app/tray/appearance_portal.h"

#include "fake_appearance_portal.h"
#include "private_bus_fixture.h"
#include "session_dispatcher.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace wirelark;
using wirelark::testing::FakeAppearancePortal;

namespace {

class AppearancePortalTest : public wirelark::testing::PrivateBusTest {
protected:
    void SetUpOnBus() override {
        dispatcher_ = wirelark::testing::sessionDispatcher(daemon());
        ASSERT_TRUE(dispatcher_);
    }
    void TearDownOnBus() override {
        portal_.reset();
        dispatcher_.reset();
    }

    std::unique_ptr<QtBusDispatcher> dispatcher_;
    std::unique_ptr<AppearancePortal> portal_;
};

struct ReadCase {
    std::string name;
    uint32_t stored;
    bool nested;
    ColorScheme scheme;
};

class AppearancePortalReadTest : public AppearancePortalTest,
                                 public ::testing::WithParamInterface<ReadCase> {};

} // namespace

TEST_P(AppearancePortalReadTest, ReadsTheSchemeTheDesktopStores) {
    const ReadCase& c = GetParam();
    FakeAppearancePortal desktop(address(), c.stored, c.nested);
    ASSERT_TRUE(desktop.ready());
    portal_ = std::make_unique<AppearancePortal>(*dispatcher_);
    EXPECT_TRUE(QTest::qWaitFor([&] { return portal_->colorScheme() == c.scheme; }));
}

INSTANTIATE_TEST_SUITE_P(Cases, AppearancePortalReadTest,
                         ::testing::Values(ReadCase{"Dark", 1, false, ColorScheme::dark},
                                           ReadCase{"Light", 2, false, ColorScheme::light},
                                           ReadCase{"DarkNested", 1, true, ColorScheme::dark},
                                           ReadCase{"LightNested", 2, true, ColorScheme::light}),
                         [](const auto& info) { return info.param.name; });

TEST_F(AppearancePortalTest, FollowsTheDesktopsChanges) {
    FakeAppearancePortal desktop(address(), 1, false);
    ASSERT_TRUE(desktop.ready());
    portal_ = std::make_unique<AppearancePortal>(*dispatcher_);
    ASSERT_TRUE(QTest::qWaitFor([&] { return portal_->colorScheme() == ColorScheme::dark; }));
    QSignalSpy changed(portal_.get(), &AppearancePortal::colorSchemeChanged);
    const struct {
        uint32_t stored;
        ColorScheme scheme;
    } steps[] = {
        {2, ColorScheme::light},
        {0, ColorScheme::noPreference},
        {1, ColorScheme::dark},
        {9, ColorScheme::noPreference}, // a value this program does not know
    };
    for (const auto& step : steps) {
        desktop.setScheme(step.stored);
        EXPECT_TRUE(QTest::qWaitFor([&] { return portal_->colorScheme() == step.scheme; }))
            << step.stored;
    }
    EXPECT_EQ(changed.count(), 4);
}
