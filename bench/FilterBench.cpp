// Times the filter over the rows on a playlist of 100,000 rows (PlaylistSample::withRows: none of
// the listed files exists, so the tag columns stay unread), each figure beside a floor measured in
// the same run.
//
// BM_FilterKeystrokes: the window (Form1) shown offscreen, Auto-Read Tags off. Each round types
// "Artist 12 track 3" into the filter field a key at a time (each text set and filtered at once,
// without the typing pause), then empties it as Escape does. A key is timed from setting the text
// until the view has laid out the rows and the window has repainted. Figures: the keys (their
// median in the round, and the slowest, which is where most rows get hidden) and the emptying,
// where every row is shown again. Floor of a key: one pass over the rows reading the five texts
// from the model and testing each word with QString::contains without regard to case, counting the
// rows that hold every word; for the emptying, the floor of the last key.
// BM_RowFilterCore: the same keys through RowFilter::setText on a model without a view, beside the
// same floors, so that the view's share shows. The shown count after the last key must equal the
// floor's count, or the benchmark fails.
//
// Each benchmark runs one untimed warm-up round, then 7 rounds, alternating which of subject and
// floor goes first; the figures are the medians of the rounds. Target: every key under 100 ms.

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QLineEdit>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "PlaylistSample.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowFilter.h"
#include "ui/Form1.h"
#include "ui/RowFilterField.h"

namespace {

constexpr int kRows = 100000;
constexpr int kRounds = 7;
constexpr double kKeyTargetMs = 100;
const QString kTyped = QStringLiteral("Artist 12 track 3");

CountingMessages g_messages;

FileComparison comparison(const char* title, const char* floorNote)
{
    FileComparison made;
    made.title = title;
    made.subjectName = "filter";
    made.floorNote = floorNote;
    return made;
}

constexpr const char* kFloorNote = "one pass of contains, ignoring case, over the five texts";

struct Figures {
    FileComparison keys = comparison("a key (median)", kFloorNote);
    FileComparison slowestKey = comparison("the slowest key", kFloorNote);
    FileComparison escape = comparison("Escape (filter off)", kFloorNote);
};
std::optional<Figures> g_window;
std::optional<Figures> g_core;

struct Pass {
    double ms = 0;
    qsizetype shown = 0;
    std::string error;
};

// The floor of a key: the model's texts read and tested without regard to case.
Pass keyFloor(const PlaylistModel& model, const QStringList& words)
{
    const Stopwatch clock;
    Pass pass;
    for (qsizetype row = 0; row < model.size(); ++row) {
        bool all = true;
        for (const QString& word : words) {
            bool found = false;
            for (int column = 0; column <= LengthColumn && !found; ++column)
                found = model.text(row, column).contains(word, Qt::CaseInsensitive);
            all = all && found;
        }
        pass.shown += all;
    }
    pass.ms = clock.ms();
    return pass;
}

// One round of typing, then Escape: the time of each key, the last one Escape's.
template <class Type> std::vector<Pass> typeAll(const Type& type)
{
    std::vector<Pass> keys;
    for (qsizetype length = 1; length <= kTyped.size(); ++length)
        keys.push_back(type(kTyped.left(length)));
    keys.push_back(type(QString()));
    return keys;
}

void runRounds(benchmark::State& state, Figures& figures, const PlaylistModel& model,
    const std::function<Pass(const QString&)>& type)
{
    const auto floorRound = [&] {
        std::vector<Pass> keys;
        for (qsizetype length = 1; length <= kTyped.size(); ++length)
            keys.push_back(keyFloor(model, RowFilter::wordsOf(kTyped.left(length))));
        keys.push_back(keyFloor(model, RowFilter::wordsOf(kTyped)));
        return keys;
    };
    for (int round = -1; round < kRounds; ++round) {
        std::vector<Pass> subject;
        std::vector<Pass> floor;
        if (round % 2 == 0) {
            subject = typeAll(type);
            floor = floorRound();
        } else {
            floor = floorRound();
            subject = typeAll(type);
        }
        const std::size_t last = subject.size() - 2; // the last key before Escape
        if (subject[last].shown != floor[last].shown || subject.back().shown != model.size()) {
            state.SkipWithError("the filter shows other rows than the floor finds");
            return;
        }
        if (g_messages.shown() > 0) {
            state.SkipWithError(g_messages.shownSince(0).c_str());
            return;
        }
        if (round < 0)
            continue; // the warm-up
        std::vector<double> keys;
        std::vector<double> keysFloor;
        for (std::size_t key = 0; key <= last; ++key) {
            keys.push_back(subject[key].ms);
            keysFloor.push_back(floor[key].ms);
        }
        figures.keys.subjectMs.push_back(median(keys));
        figures.keys.floorMs.push_back(median(keysFloor));
        figures.slowestKey.subjectMs.push_back(*std::ranges::max_element(keys));
        figures.slowestKey.floorMs.push_back(*std::ranges::max_element(keysFloor));
        figures.escape.subjectMs.push_back(subject.back().ms);
        figures.escape.floorMs.push_back(floor.back().ms);
    }
    for (auto _ : state)
        state.SetIterationTime(median(figures.keys.subjectMs) / 1000);
    figures.keys.setCounters(state);
    state.counters["slowest_key_ms"] = median(figures.slowestKey.subjectMs);
    state.counters["escape_ms"] = median(figures.escape.subjectMs);
}

Form1* g_form = nullptr;

void BM_FilterKeystrokes(benchmark::State& state)
{
    auto* field = g_form->findChild<RowFilterField*>(QStringLiteral("txtFilter"));
    QTreeView* list = g_form->findChild<QTreeView*>(QStringLiteral("Playlist"));
    if (!field || !list) {
        state.SkipWithError("the window has no txtFilter field or Playlist view");
        return;
    }
    g_window.emplace();
    runRounds(state, *g_window, g_form->model(), [&](const QString& text) {
        const Stopwatch clock;
        field->setText(text);
        field->applyNow();
        QCoreApplication::sendPostedEvents(); // the view's delayed layout
        QCoreApplication::processEvents();
        g_form->repaint();
        return Pass{clock.ms(), field->filter().shownCount(), {}};
    });
}

void BM_RowFilterCore(benchmark::State& state)
{
    PlaylistModel model;
    model.appendEntries(PlaylistSample::withRows(kRows).entries());
    RowFilter filter(model);
    g_core.emplace();
    runRounds(state, *g_core, model, [&](const QString& text) {
        const Stopwatch clock;
        filter.setText(text);
        return Pass{clock.ms(), filter.shownCount(), {}};
    });
}

void printFigures(std::FILE* out, const char* title, Figures& figures)
{
    std::fprintf(out, "\n%s (100,000 rows; target: every key under %.0f ms):\n", title, kKeyTargetMs);
    for (FileComparison* comparison : {&figures.keys, &figures.slowestKey, &figures.escape}) {
        comparison->files = kRows;
        comparison->print(out);
    }
    const double worst = std::max(median(figures.slowestKey.subjectMs), median(figures.escape.subjectMs));
    std::fprintf(out, "    slowest key %.1f ms: %s\n", worst, worst < kKeyTargetMs ? "met" : "NOT MET");
}

void printSummary(std::FILE* out)
{
    if (g_window)
        printFigures(out, "The window's filter field, typing \"Artist 12 track 3\" then Escape", *g_window);
    if (g_core)
        printFigures(out, "RowFilter::setText without a view, the same keys", *g_core);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::FILE* summary = summaryStream(argc, argv);
    for (const auto& [name, function] :
        {std::pair{"BM_FilterKeystrokes", &BM_FilterKeystrokes}, std::pair{"BM_RowFilterCore", &BM_RowFilterCore}})
        benchmark::RegisterBenchmark(name, function)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    MessagesScope scope(g_messages);
    const PlaylistSample& sample = PlaylistSample::withRows(kRows);
    if (!sample.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(sample.error()));
        return 1;
    }
    {
        Form1 form;
        g_form = &form;
        form.findChild<QAction*>(QStringLiteral("mnuAutoReadTags"))->setChecked(false);
        form.show();
        form.openPlaylist(sample.playlistPath(PlaylistKind::M3U));
        QCoreApplication::processEvents();
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        g_form = nullptr;
    }
    printSummary(summary);
    std::fflush(summary);
    return 0;
}
