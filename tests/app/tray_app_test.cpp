// The tray application as a user runs it: a process of its own with its own home folder, ended
// by a signal; and, under a virtual X server with a real tray host, docked into the tray.
#include "app/core/settings_data.h"
#include "app/drawing/menubar_renderer.h"
#include "app/settings/settings_storage.h"
#include "netcore/history/history_store.h"
#include "netcore/history/recording_lock.h"

#include "accessible_tree.h"
#include "fake_accessibility_bus.h"
#include "netns_sandbox.h"
#include "private_bus.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <thread>

namespace wirelark {
namespace {

using namespace std::chrono_literals;

// Waits for `condition`, checking every 50 ms, for at most `limit`.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

class TrayAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        writeSettings(MenubarMode::rates);
        environment_.insert("HOME", home_.path());
        environment_.insert("XDG_CONFIG_HOME", configHome());
        environment_.insert("XDG_DATA_HOME", home_.path() + "/data");
        environment_.insert("XDG_CACHE_HOME", home_.path() + "/cache");
        // No session bus: a real desktop's watcher must not take the test's item.
        environment_.insert("XDG_RUNTIME_DIR", home_.path());
        environment_.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home_.path() + "/no-bus");
        environment_.insert("PATH", qEnvironmentVariable("PATH"));
    }

    void TearDown() override {
        for (auto& process : processes_) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    QString configHome() const { return home_.path() + "/config"; }
    // Stores the settings as another process would, for the app's start or while it runs.
    void writeSettings(MenubarMode mode) {
        SettingsData settings;
        settings.updateInterval = 1;
        settings.menubarMode = mode;
        settings.menubarSource = MenubarSource::allActive();
        IniSettingsStorage(configHome() + "/Wirelark/Wirelark.conf")
            .write(*encodeSettings(settings));
    }
    std::filesystem::path historyFile() const {
        return (home_.path() + "/data/Wirelark/history.plist").toStdString();
    }

    QProcess& start(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& environment) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, arguments);
        processes_.push_back(std::move(process));
        return *processes_.back();
    }

    QProcess& startApp(QProcessEnvironment environment) {
        return start(QStringLiteral(WIRELARK_APP_PATH), {}, environment);
    }

    QTemporaryDir home_;
    QProcessEnvironment environment_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

// Sends datagrams through the loopback interface, whose counters count them both ways.
void sendLoopbackTraffic(int datagrams) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9); // discard
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::vector<char> payload(1000, 'x');
    for (int i = 0; i < datagrams; ++i) {
        ::sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to);
    }
    ::close(fd);
}

// Ended by termination or by the hang-up of the terminal that started it.
class TrayAppEndedBySignalTest : public TrayAppTest, public ::testing::WithParamInterface<int> {};

// The history file keeps only histories with traffic: loopback datagrams between the ticks give
// the loopback interface some.
TEST_P(TrayAppEndedBySignalTest, SavesTheHistoriesAndASecondInstanceIsRefused) {
    QProcessEnvironment environment = environment_;
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess& app = startApp(environment);
    ASSERT_TRUE(app.waitForStarted(10000));
    // The first instance holds its lock from its first moments; after its first tick, which
    // only takes the counters' starting values, it sees the traffic in the next ones.
    std::this_thread::sleep_for(1500ms);
    sendLoopbackTraffic(50);
    std::this_thread::sleep_for(2000ms);

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(WIRELARK_APP_PATH), {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("another process is already recording"));
    EXPECT_EQ(app.state(), QProcess::Running);

    EXPECT_FALSE(std::filesystem::exists(historyFile())) << "saved before the ten minutes";
    ASSERT_EQ(::kill(static_cast<pid_t>(app.processId()), GetParam()), 0);
    ASSERT_TRUE(app.waitForFinished(20000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);

    ASSERT_TRUE(std::filesystem::exists(historyFile())) << "no history file after the signal";
    const HistoryMap histories = HistoryStore(historyFile()).load();
    const auto loopback = histories.find("name:lo");
    ASSERT_NE(loopback, histories.end()) << "no history of the loopback interface";
    EXPECT_TRUE(loopback->second.hasTraffic());
}

INSTANTIATE_TEST_SUITE_P(Signals, TrayAppEndedBySignalTest, ::testing::Values(SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

// A data folder the app cannot write: it runs without recording, unless another process
// really records there.
struct UnwritableDataFolder {
    const char* name;
    bool underAFile; // else a read-only mount
    bool heldElsewhere;
};

void PrintTo(const UnwritableDataFolder& c, std::ostream* out) {
    *out << c.name;
}

class TrayAppUnwritableDataTest : public TrayAppTest,
                                  public ::testing::WithParamInterface<UnwritableDataFolder> {};

TEST_P(TrayAppUnwritableDataTest, RunsWithoutRecordingUnlessAnotherProcessRecords) {
    const UnwritableDataFolder& c = GetParam();
    WIRELARK_ENTER_NETNS_OR_SKIP(); // for mounts of this test's own; root ignores permissions
    const std::filesystem::path data = (home_.path() + "/data").toStdString();
    std::optional<RecordingLock> other;
    if (c.underAFile) {
        std::ofstream(data) << "a file where the folder belongs";
    } else {
        std::filesystem::create_directories(data / "Wirelark");
        if (c.heldElsewhere) {
            auto lock = RecordingLock::acquire(historyFile());
            ASSERT_TRUE(lock) << lock.error().description();
            other.emplace(std::move(*lock));
        }
        ASSERT_EQ(::mount(data.c_str(), data.c_str(), nullptr, MS_BIND, nullptr), 0);
        ASSERT_EQ(
            ::mount(nullptr, data.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);
    }
    QProcessEnvironment environment = environment_;
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess& app = startApp(environment);
    ASSERT_TRUE(app.waitForStarted(10000));
    if (c.heldElsewhere) {
        ASSERT_TRUE(app.waitForFinished(20000));
        EXPECT_EQ(app.exitCode(), 1);
        return;
    }
    EXPECT_FALSE(app.waitForFinished(2000)) << "ended although only the history is lost";
    ASSERT_EQ(::kill(static_cast<pid_t>(app.processId()), SIGTERM), 0);
    ASSERT_TRUE(app.waitForFinished(20000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_FALSE(std::filesystem::exists(historyFile()));
}

INSTANTIATE_TEST_SUITE_P(Cases, TrayAppUnwritableDataTest,
                         ::testing::Values(UnwritableDataFolder{"UnderAFile", true, false},
                                           UnwritableDataFolder{"ReadOnly", false, false},
                                           UnwritableDataFolder{"ReadOnlyAndRecordedElsewhere",
                                                                false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The X server's windows as the test sees them.
class XDisplay {
public:
    explicit XDisplay(const std::string& name) : c_(xcb_connect(name.c_str(), nullptr)) {}
    ~XDisplay() { xcb_disconnect(c_); }
    bool ok() const { return xcb_connection_has_error(c_) == 0; }
    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root; }

    std::vector<xcb_window_t> children(xcb_window_t window) const {
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr), &std::free);
        if (!tree) {
            return {};
        }
        const auto* first = xcb_query_tree_children(tree.get());
        return {first, first + xcb_query_tree_children_length(tree.get())};
    }

    std::string name(xcb_window_t window) const {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 256),
                nullptr),
            &std::free);
        if (!reply) {
            return {};
        }
        const auto* text = static_cast<const char*>(xcb_get_property_value(reply.get()));
        return std::string(text, static_cast<size_t>(xcb_get_property_value_length(reply.get())));
    }

    // The first window under `window` (depth first) with this name, and its top-level ancestor.
    std::optional<std::pair<xcb_window_t, xcb_window_t>>
    find(const std::string& wanted, xcb_window_t window, xcb_window_t topLevel = 0) const {
        for (xcb_window_t child : children(window)) {
            const xcb_window_t top = topLevel != 0 ? topLevel : child;
            if (name(child) == wanted) {
                return std::pair{child, top};
            }
            if (auto found = find(wanted, child, top)) {
                return found;
            }
        }
        return std::nullopt;
    }

    bool isMapped(xcb_window_t window) const {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr),
            &std::free);
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // The mapped windows straight under the root.
    std::vector<xcb_window_t> mappedTopLevels() const {
        std::vector<xcb_window_t> mapped;
        for (xcb_window_t child : children(root())) {
            if (isMapped(child)) {
                mapped.push_back(child);
            }
        }
        return mapped;
    }

    xcb_window_t parent(xcb_window_t window) const {
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr), &std::free);
        return tree ? tree->parent : 0;
    }

    // The window's rectangle on the screen.
    QRect geometry(xcb_window_t window) const {
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
            xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr), &std::free);
        std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> origin(
            xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, window, root(), 0, 0),
                                            nullptr),
            &std::free);
        if (!geometry || !origin) {
            return {};
        }
        return {origin->dst_x, origin->dst_y, geometry->width, geometry->height};
    }

    QImage screenshot(const QRect& area) const {
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
            xcb_get_image_reply(
                c_,
                xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root(), static_cast<int16_t>(area.x()),
                              static_cast<int16_t>(area.y()), static_cast<uint16_t>(area.width()),
                              static_cast<uint16_t>(area.height()), ~0u),
                nullptr),
            &std::free);
        if (!reply) {
            return {};
        }
        // Xvfb at depth 24 keeps 32 bits per pixel, as QImage's RGB32.
        const QImage view(xcb_get_image_data(reply.get()), area.width(), area.height(),
                          QImage::Format_RGB32);
        return view.copy();
    }

    // The window's own pixels with their alpha, for a window of depth 32.
    QImage pixels(xcb_window_t window) const {
        const QRect area = geometry(window);
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
            xcb_get_image_reply(c_,
                                xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                              static_cast<uint16_t>(area.width()),
                                              static_cast<uint16_t>(area.height()), ~0u),
                                nullptr),
            &std::free);
        if (!reply || reply->depth != 32) {
            return {};
        }
        const QImage view(xcb_get_image_data(reply.get()), area.width(), area.height(),
                          QImage::Format_ARGB32_Premultiplied);
        return view.copy();
    }

    // Takes the selection a compositing manager holds, as though one ran.
    void claimCompositor() {
        const xcb_window_t owner = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, owner, root(), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const std::string name = "_NET_WM_CM_S0";
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
            xcb_intern_atom_reply(
                c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(name.size()), name.data()),
                nullptr),
            &std::free);
        ASSERT_TRUE(atom);
        xcb_set_selection_owner(c_, owner, atom->atom, XCB_CURRENT_TIME);
        xcb_flush(c_);
    }

private:
    xcb_connection_t* c_;
};

// Two threads spinning beside the test, as a build would: docking is a race with the tray.
class BusyLoops {
public:
    BusyLoops() {
        for (auto& thread : threads_) {
            thread = std::jthread([](std::stop_token stop) {
                volatile unsigned long spins = 0;
                while (!stop.stop_requested()) {
                    spins = spins + 1;
                }
            });
        }
    }

private:
    std::array<std::jthread, 2> threads_;
};

// The status item in an X11 tray (trayer under Xvfb) while two busy loops run.
class TrayDockingTest : public TrayAppTest {
protected:
    // Where the item is: its window, the tray's window holding it and the tray's top level.
    struct Docked {
        xcb_window_t item = 0;
        xcb_window_t holder = 0;
        xcb_window_t tray = 0;
    };

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TrayAppTest::SetUp());
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        const QString trayer = QStandardPaths::findExecutable("trayer");
        if (xvfb.isEmpty() || trayer.isEmpty()) {
            GTEST_SKIP() << "needs Xvfb and trayer (apt-get install xvfb trayer)";
        }
        // Xvfb picks a free display itself and writes its number to the given descriptor.
        QProcess& server =
            start(xvfb, {"-displayfd", "1", "-screen", "0", screenSize_, "-nolisten", "tcp"},
                  environment_);
        server_ = &server;
        ASSERT_TRUE(server.waitForStarted(10000));
        QByteArray number;
        ASSERT_TRUE(waitFor(
            [&] {
                server.waitForReadyRead(50);
                number += server.readAllStandardOutput();
                return number.contains('\n');
            },
            20s))
            << "Xvfb did not start";
        const std::string display = ":" + number.trimmed().toStdString();
        x_ = std::make_unique<XDisplay>(display);
        ASSERT_TRUE(x_->ok());
        environment_.insert("DISPLAY", QString::fromStdString(display));
        environment_.insert("QT_QPA_PLATFORM", "xcb");
        start(trayer,
              {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
               "--transparent", "false", "--SetDockType", "true"},
              environment_);
        ASSERT_TRUE(waitFor([&] { return x_->find("panel", x_->root()).has_value(); }, 20s))
            << "trayer did not start";
    }

    // The item's place once it is docked in a holder as wide as its image; the tray docks the
    // item again when it does not fit, so the place is looked up afresh on every look.
    std::optional<Docked> dockedAtFullWidth(MenubarMode mode) {
        const int width =
            MenubarRenderer(1.0, Qt::white).statusImage(mode, {}, {}, false).image.width();
        std::optional<Docked> docked;
        QRect item;
        QRect holder;
        const bool fits = waitFor(
            [&] {
                docked.reset();
                const auto found = x_->find("Wirelark", x_->root());
                if (!found || found->first == found->second) {
                    return false; // not inside the tray's window
                }
                docked = Docked{found->first, x_->parent(found->first), found->second};
                item = x_->geometry(docked->item);
                holder = x_->geometry(docked->holder);
                return item.width() == width && holder.width() >= width;
            },
            20s);
        EXPECT_TRUE(fits) << "the image is " << width << " wide, the item " << item.width()
                          << ", the tray's window for it " << holder.width();
        return fits ? docked : std::nullopt;
    }

    // Keeps a screenshot of the tray; with `inkAcross`, light pixels (the ink is white) on both
    // sides of the item must show the whole image drawn.
    void expectDrawn(const Docked& docked, const QString& name, bool inkAcross) {
        QRect tray;
        QRect inside;
        QImage shot;
        const auto lightPixelsIn = [&](int from, int to) {
            int count = 0;
            for (int px = inside.left() + from; px < inside.left() + to; ++px) {
                for (int py = inside.top(); py <= inside.bottom(); ++py) {
                    count += qGray(shot.pixel(px, py)) > 160 ? 1 : 0;
                }
            }
            return count;
        };
        // The tray moves the item as it grows: both places are taken again with every shot.
        const bool drawn = waitFor(
            [&] {
                tray = x_->geometry(docked.tray);
                inside = x_->geometry(docked.item).translated(-tray.topLeft());
                shot = x_->screenshot(tray);
                return !shot.isNull() &&
                       (!inkAcross || (lightPixelsIn(0, inside.width() / 3) > 10 &&
                                       lightPixelsIn(inside.width() / 3, inside.width()) > 10));
            },
            20s);
        const QString artefact = QStringLiteral(WIRELARK_ARTEFACT_DIR "/") + name + ".png";
        QDir().mkpath(QStringLiteral(WIRELARK_ARTEFACT_DIR));
        ASSERT_TRUE(shot.save(artefact)) << artefact.toStdString();
        std::printf("screenshot of the tray: %s\n", artefact.toLocal8Bit().constData());
        EXPECT_TRUE(drawn) << "nothing drawn across the whole item";
    }

    QString screenSize_ = QStringLiteral("640x120x24");
    BusyLoops busy_;
    QProcess* server_ = nullptr;
    std::unique_ptr<XDisplay> x_;
};

// An X session that ends takes the display away, and Qt then ends the app on the spot, without
// returning from its event loop: the histories are saved on that way out too.
TEST_F(TrayDockingTest, SavesTheHistoriesWhenTheDisplayGoesAway) {
    QProcess& app = startApp(environment_);
    ASSERT_TRUE(app.waitForStarted(10000));
    // Traffic over several ticks: the busy loops may hold back the app's first one.
    for (int second = 0; second < 4; ++second) {
        std::this_thread::sleep_for(1000ms);
        sendLoopbackTraffic(50);
    }
    std::this_thread::sleep_for(1500ms);
    ASSERT_EQ(app.state(), QProcess::Running);

    x_.reset();
    server_->kill();
    ASSERT_TRUE(app.waitForFinished(20000)) << "still running without its display";
    ASSERT_TRUE(std::filesystem::exists(historyFile())) << "no history file after the display went";
    const HistoryMap histories = HistoryStore(historyFile()).load();
    const auto loopback = histories.find("name:lo");
    ASSERT_NE(loopback, histories.end()) << "no history of the loopback interface";
    EXPECT_TRUE(loopback->second.hasTraffic());
}

class TrayDockingModeTest : public TrayDockingTest,
                            public ::testing::WithParamInterface<MenubarMode> {};

TEST_P(TrayDockingModeTest, DocksAtTheImagesFullWidth) {
    writeSettings(GetParam());
    ASSERT_TRUE(startApp(environment_).waitForStarted(10000));
    const auto docked = dockedAtFullWidth(GetParam());
    ASSERT_TRUE(docked);
    // The first update shows dashes, the next ones the rates.
    std::this_thread::sleep_for(2500ms);
    // The icon and an idle graph leave parts of the item empty; the rates span it.
    const bool text = GetParam() == MenubarMode::rates || GetParam() == MenubarMode::iconAndRates;
    expectDrawn(*docked, QStringLiteral("tray-xvfb-") + QString::fromUtf8(rawValue(GetParam())),
                text);
}

INSTANTIATE_TEST_SUITE_P(Modes, TrayDockingModeTest,
                         ::testing::Values(MenubarMode::icon, MenubarMode::rates,
                                           MenubarMode::iconAndRates, MenubarMode::graph),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

// Another process (wirelark-cli settings --import) switches the mode while the item is docked.
TEST_F(TrayDockingTest, DocksAgainAtTheNewWidthAfterAModeSwitch) {
    ASSERT_TRUE(startApp(environment_).waitForStarted(10000));
    ASSERT_TRUE(dockedAtFullWidth(MenubarMode::rates));
    writeSettings(MenubarMode::icon);
    ASSERT_TRUE(dockedAtFullWidth(MenubarMode::icon));
    writeSettings(MenubarMode::iconAndRates);
    const auto docked = dockedAtFullWidth(MenubarMode::iconAndRates);
    ASSERT_TRUE(docked);
    expectDrawn(*docked, QStringLiteral("tray-xvfb-switched"), true);
}

// The ink stands out from what the tray shows around the image: without a compositor the tray
// shows the clear pixels of the item's window black; with one, its own light panel.
struct InkCase {
    std::string name;
    bool compositor;
    QRgb ink;
};

class TrayDockedInkTest : public TrayDockingTest, public ::testing::WithParamInterface<InkCase> {};

TEST_P(TrayDockedInkTest, DrawsInTheInkForWhatTheTrayShows) {
    if (GetParam().compositor) {
        ASSERT_NO_FATAL_FAILURE(x_->claimCompositor());
    }
    writeSettings(MenubarMode::icon);
    ASSERT_TRUE(startApp(environment_).waitForStarted(10000));
    // The item's own pixels carry the ink whatever width the tray gives it.
    xcb_window_t item = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            const auto found = x_->find("Wirelark", x_->root());
            item = found && found->first != found->second ? found->first : 0;
            return item != 0;
        },
        20s))
        << "not docked";
    QImage drawn;
    int inked = 0;
    int otherInk = 0;
    const bool seen = waitFor(
        [&] {
            drawn = x_->pixels(item);
            inked = 0;
            otherInk = 0;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    const QRgb pixel = drawn.pixel(x, y);
                    if (qAlpha(pixel) == 255) {
                        ++(qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel)) == GetParam().ink
                               ? inked
                               : otherInk);
                    }
                }
            }
            return inked > 10 && otherInk == 0;
        },
        20s);
    EXPECT_TRUE(seen) << inked << " pixels in the ink, " << otherInk << " in another colour";
}

INSTANTIATE_TEST_SUITE_P(Trays, TrayDockedInkTest,
                         ::testing::Values(InkCase{"WithoutCompositor", false, qRgb(255, 255, 255)},
                                           InkCase{"WithCompositor", true, qRgb(0, 0, 0)}),
                         [](const auto& info) { return info.param.name; });

// The panel and the menu as a user meets them: clicks and keys from xdotool on the docked item.
class TrayPanelTest : public TrayDockingTest {
protected:
    TrayPanelTest() { screenSize_ = QStringLiteral("800x600x24"); }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TrayDockingTest::SetUp());
        if (QStandardPaths::findExecutable("xdotool").isEmpty()) {
            GTEST_SKIP() << "needs xdotool (apt-get install xdotool)";
        }
    }

    void xdotool(const QStringList& arguments) {
        QProcess& tool = start(QStringLiteral("xdotool"), arguments, environment_);
        ASSERT_TRUE(tool.waitForFinished(10000));
        ASSERT_EQ(tool.exitCode(), 0) << arguments.join(' ').toStdString();
    }
    void clickAt(const QPoint& at, int button) {
        xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                 QString::number(button)});
    }

    // A top-level window mapped now that was not among `before`.
    std::optional<xcb_window_t> newWindow(const std::vector<xcb_window_t>& before) {
        for (xcb_window_t window : x_->mappedTopLevels()) {
            if (std::find(before.begin(), before.end(), window) == before.end()) {
                return window;
            }
        }
        return std::nullopt;
    }
    std::optional<xcb_window_t> waitForNewWindow(const std::vector<xcb_window_t>& before) {
        std::optional<xcb_window_t> found;
        waitFor([&] { return (found = newWindow(before)).has_value(); }, 20s);
        return found;
    }
};

TEST_F(TrayPanelTest, OpensUnderTheTrayClosesOnEscapeAndOutsideClicksAndQuitsFromTheMenu) {
    QProcess& app = startApp(environment_);
    ASSERT_TRUE(app.waitForStarted(10000));
    const auto docked = dockedAtFullWidth(MenubarMode::rates);
    ASSERT_TRUE(docked);
    const QPoint item = x_->geometry(docked->item).center();
    const std::vector<xcb_window_t> before = x_->mappedTopLevels();

    clickAt(item, 1);
    const auto panel = waitForNewWindow(before);
    ASSERT_TRUE(panel) << "no panel after a click on the item";
    const QRect tray = x_->geometry(docked->tray);
    const QRect frame = x_->geometry(*panel);
    EXPECT_EQ(frame.width(), 400);
    EXPECT_EQ(frame.top(), tray.bottom() + 1 + 4) << "4 pixels under the tray at the top";
    const QImage shot = x_->screenshot(frame.united(tray));
    QDir().mkpath(QStringLiteral(WIRELARK_ARTEFACT_DIR));
    const QString artefact = QStringLiteral(WIRELARK_ARTEFACT_DIR "/panel-xvfb.png");
    ASSERT_TRUE(shot.save(artefact)) << artefact.toStdString();
    std::printf("screenshot of the open panel: %s\n", artefact.toLocal8Bit().constData());

    const auto closed = [&] { return waitFor([&] { return !newWindow(before); }, 20s); };
    xdotool({"key", "Escape"});
    EXPECT_TRUE(closed()) << "Escape left it open";

    clickAt(item, 1);
    ASSERT_TRUE(waitForNewWindow(before)) << "did not open again";
    clickAt(QPoint(20, 500), 1); // the root window, away from the panel
    EXPECT_TRUE(closed()) << "a click outside left it open";

    // Some traffic for the history the quit saves.
    sendLoopbackTraffic(50);
    std::this_thread::sleep_for(2000ms);
    clickAt(item, 3);
    const auto menu = waitForNewWindow(before);
    ASSERT_TRUE(menu) << "no menu after a right click";
    // Three entries of one height; the last is "Quit Wirelark".
    const QRect entries = x_->geometry(*menu);
    const QPoint quit(entries.center().x(), entries.top() + entries.height() * 5 / 6);
    xdotool({"mousemove", QString::number(quit.x()), QString::number(quit.y())});
    std::this_thread::sleep_for(500ms); // the menu highlights the entry under the pointer
    clickAt(quit, 1);
    ASSERT_TRUE(app.waitForFinished(20000)) << "still running after Quit Wirelark";
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_TRUE(std::filesystem::exists(historyFile())) << "quit without saving the history";
}

// Enters a network namespace of the test's own before the fixture starts its threads: a process
// with threads cannot take a mount namespace of its own.
struct InPrivateNetworkNamespace {
    std::optional<std::string> whyNot = testing::enterPrivateNetworkNamespace();
};

// The open panel as a screen reader reads it: on a private session bus that is also its
// accessibility bus, the app exports its widgets, and announces the ones it shows.
class TrayPanelRowsTest : private InPrivateNetworkNamespace, public TrayPanelTest {
protected:
    void SetUp() override {
        if (whyNot) {
            GTEST_SKIP() << *whyNot;
        }
        // Links without IPv6: their link-local addresses would come a moment later and lay the
        // rows out again under the pointer.
        std::ofstream("/proc/sys/net/ipv6/conf/default/disable_ipv6") << 1;
        ASSERT_EQ(testing::addTwoDefaultRoutes(), std::nullopt);
        std::string why;
        bus_ = testing::PrivateBus::start(why);
        if (!bus_) {
            GTEST_SKIP() << why;
        }
        accessibility_ = std::make_unique<testing::FakeAccessibilityBus>(bus_->address());
        ASSERT_TRUE(accessibility_->ready());
        tree_ = testing::AccessibleTree::open(bus_->address());
        ASSERT_TRUE(tree_);
        ASSERT_NO_FATAL_FAILURE(TrayPanelTest::SetUp());
        environment_.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromStdString(bus_->address()));
        environment_.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    }

    // Clicks the docked item and reads the window it shows, once that is mapped on the screen
    // and has a row for `name`.
    std::optional<testing::AccessibleNode> openPanelWithRow(const QPoint& item,
                                                            const std::string& name) {
        const std::vector<xcb_window_t> before = x_->mappedTopLevels();
        tree_->forgetShown();
        clickAt(item, 1);
        std::optional<testing::AccessibleNode> panel;
        waitFor(
            [&] {
                if (!newWindow(before)) {
                    return false;
                }
                for (const testing::AccessibleRef& window : tree_->shownWindows(1s)) {
                    panel = tree_->read(window);
                    if (panel && panel->find(row(name))) {
                        return true;
                    }
                }
                panel.reset();
                return false;
            },
            20s);
        return panel;
    }

    // Where the first object `wanted` finds is once two reads in a row agree: a click must land
    // on what the read shows, and the panel lays its rows out again as they change.
    std::optional<QRect>
    settledPlace(const testing::AccessibleRef& window,
                 const std::function<bool(const testing::AccessibleNode&)>& wanted) {
        std::optional<QRect> last;
        std::optional<QRect> place;
        waitFor(
            [&] {
                const auto read = tree_->read(window);
                const testing::AccessibleNode* found = read ? read->find(wanted) : nullptr;
                const std::optional<QRect> now =
                    found ? std::optional(extents(*found)) : std::nullopt;
                place = now && now == last ? now : std::nullopt;
                last = now;
                return place.has_value();
            },
            20s);
        return place;
    }

    // The window read again until `wanted` holds for it.
    std::optional<testing::AccessibleNode>
    readUntil(const testing::AccessibleRef& window,
              const std::function<bool(const testing::AccessibleNode&)>& wanted) {
        std::optional<testing::AccessibleNode> read;
        const bool seen = waitFor(
            [&] {
                read = tree_->read(window);
                return read && wanted(*read);
            },
            20s);
        return seen ? read : std::nullopt;
    }

    // The names of the pinned interfaces as stored, in their order.
    std::vector<std::string> storedPins() const {
        const auto stored = IniSettingsStorage(configHome() + "/Wirelark/Wirelark.conf").read();
        std::vector<std::string> names;
        for (const InterfaceFingerprint& pin : decodeSettings(stored.value_or("{}")).pinned) {
            names.push_back(pin.name);
        }
        return names;
    }
    // Waits for the stored pins to be these, in this order.
    bool pinsBecome(const std::vector<std::string>& names) const {
        return waitFor([&] { return storedPins() == names; }, 20s);
    }

    // A shown row of the panel, read aloud as the interface's name and what it is.
    static std::function<bool(const testing::AccessibleNode&)> row(const std::string& name) {
        return [prefix = name + ", "](const testing::AccessibleNode& node) {
            return node.showing && node.name.starts_with(prefix);
        };
    }

    // A shown object read aloud as exactly `name`, as a button is.
    static std::function<bool(const testing::AccessibleNode&)> named(const std::string& name) {
        return [name](const testing::AccessibleNode& node) {
            return node.showing && node.name == name;
        };
    }

    static QRect extents(const testing::AccessibleNode& node) {
        return {node.extents[0], node.extents[1], node.extents[2], node.extents[3]};
    }

    std::unique_ptr<testing::PrivateBus> bus_;
    std::unique_ptr<testing::FakeAccessibilityBus> accessibility_;
    std::optional<testing::AccessibleTree> tree_;
};

// Each interface's row and, in it, its address.
struct RowCase {
    std::string name;
    std::string address;
};

TEST_F(TrayPanelRowsTest, ShowsARowWithItsAddressForEachInterface) {
    ASSERT_TRUE(startApp(environment_).waitForStarted(10000));
    const auto docked = dockedAtFullWidth(MenubarMode::rates);
    ASSERT_TRUE(docked);
    const std::vector<xcb_window_t> before = x_->mappedTopLevels();
    const auto panel = openPanelWithRow(x_->geometry(docked->item).center(), "lo");
    ASSERT_TRUE(panel) << "no window with a row for lo after a click on the item";

    // The window read is the one mapped on the screen.
    const auto mapped = newWindow(before);
    ASSERT_TRUE(mapped);
    const QRect frame = x_->geometry(*mapped);
    EXPECT_EQ(extents(*panel), frame);

    for (const RowCase& c :
         {RowCase{"lo", "127.0.0.1"}, RowCase{"wd0", "10.1.0.1"}, RowCase{"wd1", "10.2.0.1"}}) {
        const testing::AccessibleNode* found = panel->find(row(c.name));
        ASSERT_TRUE(found) << "no row for " << c.name;
        EXPECT_TRUE(found->find([&](const testing::AccessibleNode& node) {
            return node.showing && node.name.find(c.address) != std::string::npos;
        })) << "no line with "
            << c.address << " in the row of " << c.name;
    }
}

// Pins two rows with their buttons, then drags the second onto the first with the mouse.
TEST_F(TrayPanelRowsTest, ReordersPinnedRowsDraggedOntoEachOther) {
    ASSERT_TRUE(startApp(environment_).waitForStarted(10000));
    const auto docked = dockedAtFullWidth(MenubarMode::rates);
    ASSERT_TRUE(docked);
    auto panel = openPanelWithRow(x_->geometry(docked->item).center(), "wd0");
    ASSERT_TRUE(panel) << "no window with a row for wd0 after a click on the item";
    const testing::AccessibleRef window = panel->ref;
    for (const std::string name : {"lo", "wd0"}) {
        const auto pin = settledPlace(window, named("Pin " + name));
        ASSERT_TRUE(pin) << "no pin button for " << name;
        clickAt(pin->center(), 1);
        EXPECT_TRUE(readUntil(window,
                              [&](const testing::AccessibleNode& read) {
                                  return read.find(named("Unpin " + name)) != nullptr;
                              }))
            << name << " not pinned by its button";
    }
    ASSERT_TRUE(pinsBecome({"lo", "wd0"}))
        << "stored pins: " << ::testing::PrintToString(storedPins());

    // Pressed on the rows' own margin, not on a label that takes clicks itself.
    const auto grip = [&](const std::string& name) {
        const auto area = settledPlace(window, row(name));
        return area ? std::optional(QPoint(area->left() + 5, area->center().y())) : std::nullopt;
    };
    const auto gripFrom = grip("wd0");
    const auto gripTo = grip("lo");
    ASSERT_TRUE(gripFrom && gripTo) << "the pinned rows did not settle";
    const QPoint from = *gripFrom;
    const QPoint to = *gripTo;
    xdotool({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1"});
    // Small steps, each a motion of its own: the drag starts after the first few, and the last
    // one hovers the target.
    constexpr int steps = 12;
    for (int step = 1; step <= steps; ++step) {
        const QPoint at = from + (to - from) * step / steps;
        xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
    }
    xdotool({"mouseup", "1"});

    EXPECT_TRUE(pinsBecome({"wd0", "lo"}))
        << "stored pins after the drop: " << ::testing::PrintToString(storedPins());
    EXPECT_TRUE(readUntil(window, [&](const testing::AccessibleNode& read) {
        const testing::AccessibleNode* first = read.find(row("wd0"));
        const testing::AccessibleNode* second = read.find(row("lo"));
        return first && second && first->extents[1] < second->extents[1];
    })) << "wd0's row not shown above lo's";
}

} // namespace
} // namespace wirelark
