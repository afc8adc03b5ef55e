#include "app/tray/dbus_menu_exporter.h"

#include "fake_dbus_menu_host.h"
#include "private_bus_fixture.h"
#include "session_dispatcher.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

using namespace wirelark;
using wirelark::testing::FakeDbusMenuHost;
using Json = nlohmann::json;

namespace {

// A menu like the tray's, with the kinds of entries a host must tell apart, exported on a
// private session bus and read by a fake host.
class DbusMenuExporterTest : public wirelark::testing::PrivateBusTest {
protected:
    void SetUpOnBus() override {
        dispatcher_ = wirelark::testing::sessionDispatcher(daemon());
        ASSERT_TRUE(dispatcher_);
        open_ = menu_.addAction("Open Wirelark");
        menu_.addSeparator();
        settings_ = menu_.addAction("&Settings…");
        disabled_ = menu_.addAction("Save && go");
        disabled_->setEnabled(false);
        hidden_ = menu_.addAction("snake_case");
        hidden_->setVisible(false);
        exporter_ = std::make_unique<DbusMenuExporter>(*dispatcher_, menu_);
        const char* unique = nullptr;
        ASSERT_GE(sd_bus_get_unique_name(dispatcher_->bus().get(), &unique), 0);
        host_ = std::make_unique<FakeDbusMenuHost>(address(), unique, DbusMenuExporter::kPath);
        ASSERT_TRUE(host_->ready());
    }
    void TearDownOnBus() override {
        host_.reset();
        exporter_.reset();
        dispatcher_.reset();
    }

    // The whole layout with every property: [revision, [0, {root}, [children]]].
    FakeDbusMenuHost::Reply layout(int32_t parent = 0, int32_t depth = -1) {
        return host_->call("GetLayout", [parent, depth](sd_bus_message* m) {
            return sd_bus_message_append(m, "iias", parent, depth, 0);
        });
    }

    // The id the host sees for the entry with `label`, or -1.
    int32_t idOf(const std::string& label) {
        const auto reply = layout();
        for (const Json& child : reply.values.at(1).at(2)) {
            if (child.at(1).value("label", "") == label) {
                return child.at(0).get<int32_t>();
            }
        }
        return -1;
    }

    FakeDbusMenuHost::Reply sendEvent(int32_t id, const char* eventId) {
        return host_->call("Event", [id, eventId](sd_bus_message* m) {
            return sd_bus_message_append(m, "isvu", id, eventId, "i", 0, 0u);
        });
    }

    std::unique_ptr<QtBusDispatcher> dispatcher_;
    QMenu menu_;
    QAction* open_ = nullptr;
    QAction* settings_ = nullptr;
    QAction* disabled_ = nullptr;
    QAction* hidden_ = nullptr;
    std::unique_ptr<DbusMenuExporter> exporter_;
    std::unique_ptr<FakeDbusMenuHost> host_;
};

std::vector<std::string> labelsIn(const Json& layout) {
    std::vector<std::string> labels;
    for (const Json& child : layout.at(2)) {
        labels.push_back(child.at(1).value("label", child.at(1).value("type", "")));
    }
    return labels;
}

} // namespace

TEST_F(DbusMenuExporterTest, ServesTheMenuPropertiesAHostReads) {
    const struct {
        const char* name;
        Json value;
    } cases[] = {
        {"Version", 3},
        {"TextDirection", "ltr"},
        {"Status", "normal"},
        {"IconThemePath", Json::array()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reply = host_->property(c.name);
        EXPECT_EQ(reply.error, "");
        EXPECT_EQ(reply.values, Json::array({c.value}));
    }
}

TEST_F(DbusMenuExporterTest, GetLayoutGivesEveryEntryInOrderWithItsIdAndProperties) {
    const auto reply = layout();
    ASSERT_EQ(reply.error, "");
    ASSERT_EQ(reply.values.size(), 2u);
    EXPECT_EQ(reply.values[0], exporter_->revision());
    const Json& root = reply.values[1];
    EXPECT_EQ(root[0], 0);
    EXPECT_EQ(root[1], (Json{{"children-display", "submenu"}}));

    // Qt's mnemonic '&' becomes dbusmenu's '_', and a literal '_' is doubled.
    const Json expected[] = {
        {{"label", "Open Wirelark"}, {"enabled", true}, {"visible", true}},
        {{"type", "separator"}, {"visible", true}},
        {{"label", "_Settings…"}, {"enabled", true}, {"visible", true}},
        {{"label", "Save & go"}, {"enabled", false}, {"visible", true}},
        {{"label", "snake__case"}, {"enabled", false}, {"visible", false}}, // Qt's rule
    };
    ASSERT_EQ(root[2].size(), std::size(expected));
    std::set<int32_t> ids;
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const Json& child = root[2][i];
        EXPECT_EQ(child[1], expected[i]);
        EXPECT_EQ(child[2], Json::array()) << "entries have no children";
        ids.insert(child[0].get<int32_t>());
    }
    EXPECT_EQ(ids.size(), std::size(expected)) << "each entry has an id of its own";
    EXPECT_EQ(ids.count(0), 0u) << "0 is the root's";
}

TEST_F(DbusMenuExporterTest, GetLayoutFollowsTheParentDepthAndPropertyNamesAsked) {
    const int32_t settings = idOf("_Settings…");
    const struct {
        const char* what;
        int32_t parent;
        int32_t depth;
        std::vector<std::string> names;
        Json layout;
    } cases[] = {
        {"the root alone", 0, 0, {}, {0, {{"children-display", "submenu"}}, Json::array()}},
        {"one entry",
         settings,
         -1,
         {},
         {settings,
          {{"label", "_Settings…"}, {"enabled", true}, {"visible", true}},
          Json::array()}},
        {"only the labels",
         settings,
         1,
         {"label", "unheard-of"},
         {settings, {{"label", "_Settings…"}}, Json::array()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto reply = host_->call("GetLayout", [&c](sd_bus_message* m) {
            int r = sd_bus_message_append(m, "ii", c.parent, c.depth);
            r = r < 0 ? r : sd_bus_message_open_container(m, 'a', "s");
            for (const auto& name : c.names) {
                r = r < 0 ? r : sd_bus_message_append_basic(m, 's', name.c_str());
            }
            return r < 0 ? r : sd_bus_message_close_container(m);
        });
        ASSERT_EQ(reply.error, "");
        EXPECT_EQ(reply.values.at(1), c.layout);
    }
}

TEST_F(DbusMenuExporterTest, ClickedTriggersTheEntrysOwnActionAndNothingElse) {
    const struct {
        const char* label;
        QAction* action;
    } cases[] = {
        {"Open Wirelark", open_},
        {"_Settings…", settings_},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        QSignalSpy open(open_, &QAction::triggered);
        QSignalSpy settings(settings_, &QAction::triggered);
        QSignalSpy wanted(c.action, &QAction::triggered);
        const int32_t id = idOf(c.label);
        EXPECT_EQ(sendEvent(id, "hovered").error, "");
        EXPECT_EQ(sendEvent(id, "clicked").error, "");
        // Triggers run in the order they were asked for: a wrong one would have come first.
        ASSERT_TRUE(QTest::qWaitFor([&] { return wanted.count() == 1; }));
        EXPECT_EQ(open.count() + settings.count(), 1) << "one click, one action";
    }
    QSignalSpy disabled(disabled_, &QAction::triggered);
    QSignalSpy open(open_, &QAction::triggered);
    EXPECT_EQ(sendEvent(idOf("Save & go"), "clicked").error, "");
    EXPECT_EQ(sendEvent(idOf("Open Wirelark"), "clicked").error, "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return open.count() == 1; }));
    EXPECT_EQ(disabled.count(), 0) << "a disabled entry does nothing";
}

TEST_F(DbusMenuExporterTest, GroupCallsAnswerForTheKnownIdsAndListTheOthers) {
    const int32_t open = idOf("Open Wirelark");
    const int32_t settings = idOf("_Settings…");
    QSignalSpy triggered(open_, &QAction::triggered);
    const auto events = host_->call("EventGroup", [open](sd_bus_message* m) {
        return sd_bus_message_append(m, "a(isvu)", 2, open, "clicked", "i", 0, 0u, 99, "clicked",
                                     "i", 0, 0u);
    });
    EXPECT_EQ(events.error, "");
    EXPECT_EQ(events.values, Json::array({Json::array({99})}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return triggered.count() == 1; }));

    const auto shown = host_->call("AboutToShowGroup", [settings](sd_bus_message* m) {
        return sd_bus_message_append(m, "ai", 3, 0, settings, -4);
    });
    EXPECT_EQ(shown.error, "");
    EXPECT_EQ(shown.values, Json::array({Json::array(), Json::array({-4})}));

    const auto group = host_->call("GetGroupProperties", [open, settings](sd_bus_message* m) {
        return sd_bus_message_append(m, "aias", 3, settings, 1234, open, 1, "label");
    });
    EXPECT_EQ(group.error, "");
    EXPECT_EQ(group.values, Json::array({Json::array({
                                Json{settings, {{"label", "_Settings…"}}},
                                Json{open, {{"label", "Open Wirelark"}}},
                            })}))
        << "unknown ids are left out";

    const auto property = host_->call("GetProperty", [open](sd_bus_message* m) {
        return sd_bus_message_append(m, "is", open, "enabled");
    });
    EXPECT_EQ(property.values, Json::array({true}));
    const auto aboutToShow = host_->call(
        "AboutToShow", [open](sd_bus_message* m) { return sd_bus_message_append(m, "i", open); });
    EXPECT_EQ(aboutToShow.values, Json::array({false})) << "the layout is always current";
}

TEST_F(DbusMenuExporterTest, BadCallsAreAnsweredWithAnErrorAndChangeNothing) {
    const int32_t open = idOf("Open Wirelark");
    using Arguments = std::function<int(sd_bus_message*)>;
    const auto none = [](sd_bus_message*) { return 0; };
    const struct {
        const char* what;
        const char* member;
        Arguments arguments;
    } cases[] = {
        {"an unknown parent", "GetLayout",
         [](sd_bus_message* m) { return sd_bus_message_append(m, "iias", 77, -1, 0); }},
        {"a string for the ids", "GetLayout",
         [](sd_bus_message* m) { return sd_bus_message_append(m, "s", "0"); }},
        {"no arguments", "GetLayout", none},
        {"an unknown item's property", "GetProperty",
         [](sd_bus_message* m) { return sd_bus_message_append(m, "is", 77, "label"); }},
        {"a property no item has", "GetProperty",
         [open](sd_bus_message* m) { return sd_bus_message_append(m, "is", open, "icon-name"); }},
        {"a click on an unknown item", "Event",
         [](sd_bus_message* m) {
             return sd_bus_message_append(m, "isvu", -1, "clicked", "s", "", 0u);
         }},
        {"a click without data and time", "Event",
         [open](sd_bus_message* m) { return sd_bus_message_append(m, "is", open, "clicked"); }},
        {"only unknown items clicked", "EventGroup",
         [](sd_bus_message* m) {
             return sd_bus_message_append(m, "a(isvu)", 1, 77, "clicked", "i", 0, 0u);
         }},
        {"an unknown item to show", "AboutToShow",
         [](sd_bus_message* m) { return sd_bus_message_append(m, "i", 77); }},
        {"only unknown items to show", "AboutToShowGroup",
         [](sd_bus_message* m) { return sd_bus_message_append(m, "ai", 1, 77); }},
        {"strings for the ids", "AboutToShowGroup",
         [](sd_bus_message* m) { return sd_bus_message_append(m, "as", 1, "0"); }},
        {"an unknown method", "Unheard", none},
    };
    QSignalSpy triggered(open_, &QAction::triggered);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto reply = host_->call(c.member, c.arguments);
        EXPECT_EQ(reply.error, std::string(c.member) == "Unheard"
                                   ? "org.freedesktop.DBus.Error.UnknownMethod"
                                   : "org.freedesktop.DBus.Error.InvalidArgs");
    }
    EXPECT_EQ(sendEvent(open, "clicked").error, "") << "the menu still answers";
    ASSERT_TRUE(QTest::qWaitFor([&] { return triggered.count() > 0; }));
    EXPECT_EQ(triggered.count(), 1) << "only the good click triggered";
}

TEST_F(DbusMenuExporterTest, ChangesToTheMenuAreAnnouncedOnceWithANewRevision) {
    const auto before = layout();
    const uint32_t revision = before.values.at(0).get<uint32_t>();
    const int32_t open = idOf("Open Wirelark");

    settings_->setText("Preferences");
    disabled_->setEnabled(true);
    menu_.removeAction(hidden_);
    menu_.addAction("Quit Wirelark");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host_->layoutUpdates().empty(); }));
    const auto [announced, parent] = host_->layoutUpdates().front();
    EXPECT_GT(announced, revision);
    EXPECT_EQ(parent, 0);

    const auto after = layout();
    EXPECT_EQ(after.values.at(0), announced);
    EXPECT_EQ(labelsIn(after.values.at(1)),
              (std::vector<std::string>{"Open Wirelark", "separator", "Preferences", "Save & go",
                                        "Quit Wirelark"}));
    EXPECT_EQ(idOf("Open Wirelark"), open) << "ids stay with their entries";
    EXPECT_EQ(after.values.at(1).at(2).at(3).at(1).at("enabled"), true);
    // The host has seen every signal sent before the reply it had before its last call.
    EXPECT_EQ(host_->layoutUpdates().size(), 1u) << "one signal for changes made together";
}
