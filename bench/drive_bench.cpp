// Host time of the status tick, the drive enumeration and the window's first paint, all on the
// instant simulated drives.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <sstream>

#include "drive/discovery.h"
#include "drive/transport.h"
#include "shell/main_window.h"
#include "simdrive/scenario.h"
#include "status/status_page_logic.h"

namespace {

using namespace qdu;

std::shared_ptr<SimulatedBus> install_default() {
    reset_drive_access();
    auto bus = std::make_shared<SimulatedBus>(load_scenario("default"));
    for (const char letter : bus->letters()) {
        bus->drive(letter)->set_clock([] { return 0.0; });
    }
    install_device_provider(bus);
    return bus;
}

void BM_StatusTick(benchmark::State& state) {
    install_default();
    DriveList list;
    enumerate_drives(list);  // D, with the audio CD
    StatusPageLogic page;
    page.on_initialise();
    for (auto _ : state) {
        page.tick();
    }
    reset_drive_access();
}
BENCHMARK(BM_StatusTick)->Unit(benchmark::kMicrosecond);

void BM_Enumeration(benchmark::State& state) {
    install_default();
    for (auto _ : state) {
        DriveList list;
        enumerate_drives(list);
        benchmark::DoNotOptimize(list.entries.size());
    }
    reset_drive_access();
}
BENCHMARK(BM_Enumeration)->Unit(benchmark::kMicrosecond);

// From constructing the window (which enumerates and reads every page) to its first painted
// picture.
void BM_WindowToFirstPaint(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "qdu_benchmarks";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    install_default();
    for (auto _ : state) {
        CQuorvelDriveUtilityDlg window;
        window.show();
        benchmark::DoNotOptimize(window.grab().toImage().constBits());
    }
    reset_drive_access();
}
BENCHMARK(BM_WindowToFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace
