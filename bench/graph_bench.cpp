// One animation frame: the disc, the revealed dots and the spot.
#include <benchmark/benchmark.h>

#include "cdcheck/grading.h"
#include "cdcheck/result_graph.h"

namespace {

using namespace qdu;

CInspectionResult result_with(int points) {
    CInspectionResult r;
    r.reveal_distance = 140.0;
    for (int i = 0; i < points; ++i) {
        const double radius = 25.0 + 33.0 * i / std::max(points, 1);
        const double d = picture_distance(radius);
        const PicturePoint p = picture_point(d, 0.0);
        auto& list = i % 10 == 0 ? r.points_d : i % 3 == 0 ? r.points_c : r.points_b;
        list.push_back({p.x, p.y, 6, 6, d});
    }
    r.spot_x = 200;
    r.spot_y = 60;
    return r;
}

// As the animation draws a frame during a check: the dots kept as layers.
void BM_Frame(benchmark::State& state) {
    const CInspectionResult r = result_with(static_cast<int>(state.range(0)));
    QImage surface(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    DotLayers layers;
    for (auto _ : state) {
        render_picture(surface, r, true, &layers);
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(BM_Frame)->Arg(0)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Every dot drawn afresh, as the page paints once after a check.
void BM_FrameWithoutLayers(benchmark::State& state) {
    const CInspectionResult r = result_with(static_cast<int>(state.range(0)));
    QImage surface(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        render_picture(surface, r, true);
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(BM_FrameWithoutLayers)->Arg(0)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
