// The panel's main-thread work with 20 and 50 interfaces, offscreen: building the view with its
// rows, opening the panel from the click to its first paint, and one publication of fresh rates
// and statistics into an open view (the per-second cost while the panel is shown).
#include "app/panel/panel_view.h"
#include "app/panel/status_panel.h"

#include "fake_admin_controls.h"
#include "fake_clock.h"
#include "fake_monitor_service.h"
#include "item_fixtures.h"
#include "memory_settings_storage.h"

#include <QApplication>
#include <QEvent>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace wirelark;
using namespace wirelark::testing;

constexpr std::initializer_list<double> kPeriods = {60, 3600, 86400};

InterfaceItem busyItem(int index, int tick) {
    const std::string name = "veth" + std::to_string(index);
    InterfaceSnapshot snapshot = runningSnapshot(name, {"10.0." + std::to_string(index) + ".1"},
                                                 {"fe80::" + std::to_string(index + 1)});
    snapshot.linkAddress = LinkAddress{{2, 0, 0, 0, 0, static_cast<uint8_t>(index)}, 1};
    InterfaceItem item = presentItem("name:" + name, std::move(snapshot));
    item.service = NetworkService{"uuid-" + name, name, true, std::nullopt, false};
    for (int s = 0; s < 60; ++s) {
        item.recent.push_back(sample(tick + s, 1000u * static_cast<unsigned>(s + tick), 300));
    }
    for (double period : kPeriods) {
        item.stats[period] = {
            period * 0.95, static_cast<uint64_t>(tick) * 1000, 5000, 10, 9000, 5, 700};
    }
    return item;
}

std::vector<InterfaceItem> busyItems(int count, int tick) {
    std::vector<InterfaceItem> items;
    for (int i = 0; i < count; ++i) {
        items.push_back(busyItem(i, tick));
    }
    return items;
}

// A model publishing `count` interfaces on demand.
struct Panel {
    std::vector<InterfaceItem> items;
    NetworkMetadata metadata;
    FakeClock clock;
    AppSettings settings{std::make_unique<MemorySettingsStorage>()};
    FakeAdminControls admin;
    std::unique_ptr<NetworkModel> model;

    explicit Panel(int count) : items(busyItems(count, 0)) {
        SettingsData data = settings.data();
        data.periods = kPeriods;
        data.updateInterval = 1;
        settings.setData(data);
        model = std::make_unique<NetworkModel>(
            settings, std::make_unique<FakeMonitorService>(&items, &metadata), clock);
        publish();
    }
    void publish() {
        bool done = false;
        model->refresh(false, [&] { done = true; });
        while (!done) {
            QApplication::processEvents();
        }
    }
};

void BM_BuildPanelView(benchmark::State& state) {
    Panel panel(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        PanelView view(*panel.model, panel.settings, panel.admin);
        benchmark::DoNotOptimize(view.preferredHeight());
    }
}
BENCHMARK(BM_BuildPanelView)->Arg(20)->Arg(50)->Unit(benchmark::kMillisecond);

// Sees the first paint of the window it watches.
struct PaintWatch : QObject {
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

// As the app does it: the content and its rows are made at start and left alone while hidden;
// the click brings them up to date and opens the panel, measured up to the end of its first paint.
// Both halves are measured, so work moved from one to the other is still counted.
void BM_OpenPanel(benchmark::State& state) {
    const bool buildCounted = state.range(1) != 0;
    Panel panel(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<StatusPanel>();
        PaintWatch watch;
        window->installEventFilter(&watch);
        if (buildCounted) {
            state.ResumeTiming();
        }
        auto* view = new PanelView(*panel.model, panel.settings, panel.admin);
        window->setContent(view);
        window->setWantedHeight(view->preferredHeight());
        if (!buildCounted) {
            state.ResumeTiming();
        }
        window->open(QRect(390, 0, 22, 22));
        while (!watch.painted) {
            QApplication::processEvents();
        }
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenPanel)
    ->ArgsProduct({{20, 50}, {0, 1}})
    ->ArgNames({"interfaces", "built"})
    ->Unit(benchmark::kMillisecond);

void BM_PublicationIntoOpenPanel(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Panel panel(count);
    PanelView view(*panel.model, panel.settings, panel.admin);
    view.resize(PanelView::kWidth, 800);
    view.show();
    int tick = 0;
    for (auto _ : state) {
        state.PauseTiming();
        panel.items = busyItems(count, ++tick);
        state.ResumeTiming();
        panel.publish();
        QApplication::processEvents(); // layout and paint, as the open panel would
    }
}
BENCHMARK(BM_PublicationIntoOpenPanel)->Arg(20)->Arg(50)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
