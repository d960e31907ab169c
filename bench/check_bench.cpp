// Host time of the audio CD check through the instant simulated drive.
#include <benchmark/benchmark.h>

#include <atomic>
#include <mutex>
#include <sstream>

#include "cdcheck/check_commands.h"
#include "cdcheck/check_worker.h"
#include "cdcheck/grading.h"
#include "drive/transport.h"
#include "simdrive/scenario.h"
#include "status/status_commands.h"

namespace {

using namespace qdu;

std::shared_ptr<SimulatedBus> install(const std::string& text) {
    reset_drive_access();
    std::istringstream in(text);
    auto bus = std::make_shared<SimulatedBus>(parse_scenario(in, "bench"));
    install_device_provider(bus);
    open_drive('D');
    send_command(CommandBlock{0x00}, DataDirection::NoData);
    return bus;
}

class NullSink final : public CheckEventSink {
public:
    void post(const CheckEvent&) override { ++posted; }
    std::atomic<long> posted{0};
};

// One sample as the worker handles it: read, radius, grade, record under the lock, progress.
void BM_GradedSample(benchmark::State& state) {
    auto bus = install(
        "drive D\ncode MXR 2750LC58\ndisc audio-cd\n"
        "defect 10:00:00 20:00:00 level-b\n");
    std::atomic<bool> cancel{false};
    check_disc_gate(cancel);
    set_check_mode(CheckModeCode::Measure);
    bus->drive('D')->set_clock([] { return 0.0; });
    std::mutex lock;
    NullSink sink;
    S_RAW_DATA sample{};
    std::uint32_t posted_percent = 0;
    const std::uint32_t base = 150;
    const std::uint32_t span = 333000;
    std::uint32_t start = base;
    control_measurement(MeasureAction::Start, drive_address(start));
    reset_result();
    for (auto _ : state) {
        if (!read_measurement(sample) || sample.position >= base + span - 100) {
            reset_result();
            control_measurement(MeasureAction::Start, drive_address(start));
            continue;
        }
        {
            std::lock_guard guard(lock);
            sample.radius = radius_of_address(sample.position);
            sample.read_ok = true;
            sample.track = 1;
            sample.check_level = grade_sample(sample);
            if (sample.check_level != LevelA) {
                add_point(sample);
            }
        }
        const std::uint32_t percent =
            static_cast<std::uint32_t>(std::uint64_t{sample.position - base} * 100 / span);
        if (percent != posted_percent) {
            posted_percent = percent;
            sink.post(CheckEvent{WM_CHECK_PROGRESS, percent, 0});
        }
    }
    state.SetItemsProcessed(state.iterations());
    reset_drive_access();
}
BENCHMARK(BM_GradedSample);

// A whole Full check of a 74-minute disc, 4440 samples; the settle and the waits for the disc
// cost nothing here because the drive's clock is instant.
void BM_FullCheck(benchmark::State& state) {
    auto bus = install(
        "drive D\ncode MXR 2750LC58\ndisc audio-cd\ninsert-after 0\n"
        "defect 30:00:00 30:10:00 level-c\n");
    double now = 0.0;
    bus->drive('D')->set_clock([&now] { return now; });
    set_sleeper([&now](std::chrono::milliseconds ms) { now += ms.count() / 1000.0; });
    for (auto _ : state) {
        reset_result();
        auto context = std::make_shared<CheckContext>();
        context->sink = std::make_shared<NullSink>();
        check_worker(context);
        state.PauseTiming();
        // The tray is open after a check; the user puts the disc back.
        now += 10.0;
        send_command(CommandBlock{0x00}, DataDirection::NoData);
        state.ResumeTiming();
    }
    set_sleeper(nullptr);
    reset_drive_access();
}
BENCHMARK(BM_FullCheck)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
