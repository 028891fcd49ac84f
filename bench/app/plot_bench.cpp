// The plot's frame: the whole of a recording painted into a 1200 x 600
// image, for a day at 10 samples a second (864,000 rows) and for ten minutes
// (6,000 rows), 12 channels each as the recorder samples them (six analog
// inputs in V and mA, four combined values, two counters); and the memory
// the day's history takes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "live/plot/plot_widget.h"

namespace {

std::unique_ptr<rq36::PlotWidget> Recording(int rows) {
    auto plot = std::make_unique<rq36::PlotWidget>();
    for (int i = 0; i < 4; ++i) plot->AddTrace(QStringLiteral("AIN%1").arg(i), QStringLiteral("V"));
    for (int i = 4; i < 6; ++i) plot->AddTrace(QStringLiteral("AIN%1").arg(i), QStringLiteral("mA"));
    for (int i = 0; i < 4; ++i) plot->AddTrace(QStringLiteral("K%1").arg(i), QStringLiteral("V"));
    for (int i = 0; i < 2; ++i)
        plot->AddTrace(QStringLiteral("CNT%1").arg(i), QStringLiteral("imp"), 0, rq36::TraceShape::kSteps);
    std::vector<float> row(12);
    for (int n = 0; n < rows; ++n) {
        const double t = n * 0.1;
        for (int i = 0; i < 10; ++i)
            row[static_cast<std::size_t>(i)] = static_cast<float>(
                (i < 4 || i >= 6 ? 5 : 12) + 3 * std::sin(t * (0.01 + 0.003 * i)) + 0.2 * std::sin(t * 7.0 + i));
        row[10] = static_cast<float>(n / 3);
        row[11] = static_cast<float>(n / 7);
        if (n % 5000 < 20) row[3] = std::nanf("");  // failed exchanges now and then
        plot->AppendSample(t, row);
    }
    plot->resize(1200, 600);
    plot->ShowAll();
    return plot;
}

void BM_Frame(benchmark::State& state) {
    const auto plot = Recording(static_cast<int>(state.range(0)));
    QImage image(1200, 600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        plot->Render(painter, image.rect());
    }
    state.counters["rows"] = static_cast<double>(plot->History().Rows());
    state.counters["history_MB"] = static_cast<double>(plot->History().MemoryBytes()) / 1e6;
}
BENCHMARK(BM_Frame)->Arg(864000)->Arg(6000)->Arg(0)->Unit(benchmark::kMillisecond);

// The frame's reading of the history alone: 800 pixel columns of each of
// the 12 traces over the whole recording.
void BM_ColumnSummaries(benchmark::State& state) {
    const auto plot = Recording(static_cast<int>(state.range(0)));
    const rq36::TraceHistory& history = plot->History();
    std::vector<std::size_t> edges;
    std::vector<rq36::ColumnSummary> out;
    for (auto _ : state) {
        history.ColumnEdges(history.FirstTime(), history.LastTime(), 800, edges);
        for (int trace = 0; trace < history.TraceCount(); ++trace) history.Summarize(trace, edges, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_ColumnSummaries)->Arg(864000)->Arg(6000)->Unit(benchmark::kMillisecond);

// The frame while following the end of the day: the newest minute, fewer
// samples than pixel columns, drawn as lines through the samples.
void BM_FrameFollowing(benchmark::State& state) {
    const auto plot = Recording(864000);
    plot->FollowEnd();
    plot->SetVisibleSpan(60);
    QImage image(1200, 600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        plot->Render(painter, image.rect());
    }
}
BENCHMARK(BM_FrameFollowing)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
