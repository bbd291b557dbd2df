// Times the window (Form1), shown on the offscreen platform, on a playlist of 100,000 entries whose
// files exist. Each figure is printed beside its target and beside a floor measured in the same
// run: the same work done by the library in this process, with no window and no view.
//
// The sample (PlaylistSample::withFiles) is made once per process in a temporary folder and removed
// at exit: an M3U file of 100,000 entries and, for them, 98,000 files in 10,000 folders (every
// fiftieth entry lists the file before it again): 300 bytes of audio each, 90 % of them ending with
// an ID3v1 tag holding the entry's title and artist, 20 % starting with a 1 KiB ID3v2 tag of seven
// fields, which background reading reads too; and 22 % of the titles repeat an earlier one,
// ignoring case. The files have just been written, so they are read from the page cache: the
// figures are those of a warm cache, not of a disk. A quiet Messages object counts messages; every
// listed file exists, so any message fails the benchmark.
//
// The application times, in its notify(), the handling of every event the event loop hands out: a
// tick of the reading timer "Timer1" (its timer event: one tick of reading, with the view's
// reaction to the rows read and the status line), and a repaint of the window (its UpdateRequest,
// in which every widget that needs it paints).
//
// BM_OpenAndReadTags: after New Playlist, Form1::openPlaylist(m3u), then the event loop runs until
// the reading timer stops with every tag read.
//   - Total: from the call to openPlaylist() until the reading timer has stopped; target 3 s or
//     less. Also the rows read a second, and the open command alone, during which the window does
//     not answer.
//   - The longest freeze while reading: the longest gap between two firings of a 0 ms probe timer,
//     from openPlaylist()'s return until the reading timer stops; target 20 ms or less in every
//     round (the median and the worst round are printed). For the median round, what that gap
//     held: ticks, repaints, anything else. Also the number of ticks, the longest and their sum,
//     and the same for the repaints.
//   - Floors: PlaylistFiles::loadPlaylist of the same M3U into a model without a view; and the
//     100,000 listed files read by MP3Tag::ReadTag(AllTags) in a plain loop (init, ReadTag,
//     nothing else).
//     Their sum is the floor of the total.
//   The warm-up round checks every row's QuickTag and "Has ID3v2?" texts against the files; later
//   rounds check the row count and that the last row was read.
//
// BM_KeepDuplicatesThenDelete: the window holds the 100,000 rows, every tag read, every row
// selected (Select All). Keep Duplicates Selected (by Title) and then Delete Selected, each
// triggered through its menu action. Each is timed from the trigger until the window has repainted
// and the event loop has then handled no event for 50 ms (the end is the end of the last event
// handled; the idle 50 ms are not counted), so the view's reaction is part of the cost; target
// under 1 s each. The time inside trigger() is printed too; the rest is what the event loop did
// after it (the view's layout and the repaint). Floors: RowCommands::keepDuplicatesSelected and
// RowCommands::deleteSelected on a PlaylistModel without a view holding the same rows, every tag
// read, every row selected, and the reader on the last entry, as the window's reader is once
// reading is done. Each round opens the playlist again and lets reading finish, untimed. Checks:
// the 22,000 repeats stay selected, as many rows are deleted, the reader is kept; the warm-up round
// also checks the titles of the rows left, in order.
//
// The window is made once and kept; so is one model for the floors, emptied before each round, so
// that both load into a heap that has held the rows before. Each benchmark runs one untimed warm-up
// round of the window and of the floors, then up to 5 rounds of both, alternating which goes first;
// once a benchmark has spent 40 s it starts no further round. The figures are the medians of the
// rounds; ratio = floor / window, so 1.0 means the window costs no more than the floor. The Google
// Benchmark table shows the main figures as counters; a summary with all of them follows it (on
// stderr when stdout carries JSON or CSV).

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QHash>
#include <QTimer>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "PlaylistSample.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"
#include "playlist/TagReading.h"
#include "tags/MP3Tag.h"
#include "ui/Form1.h"

namespace {

constexpr int kRows = 100000;
constexpr int kReadRounds = 5;
constexpr int kPruneRounds = 5;
// The wall time after which a benchmark starts no further round, so that a slow window still leaves
// the whole run at about two minutes.
constexpr double kBudgetMs = 40000;
constexpr double kFullTableTargetMs = 3000;
constexpr double kFreezeTargetMs = 20;
constexpr double kCommandTargetMs = 1000;
// The event loop counts as idle once it has handled no event for this long.
constexpr double kIdleMs = 50;
// A round that waits longer than this for the window fails.
constexpr double kGuardMs = 60000;

CountingMessages g_messages;

// How often something took how long.
struct Spans {
    int count = 0;
    double totalMs = 0;
    double longestMs = 0;

    void add(double ms)
    {
        ++count;
        totalMs += ms;
        longestMs = std::max(longestMs, ms);
    }
};

// The application, timing how each event the event loop hands out is handled: the reading timer's
// ticks, the window's repaints, and when the last event's handling ended.
class BenchApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth > 0)
            return QApplication::notify(receiver, event);
        ++m_depth;
        const Clock::time_point start = Clock::now();
        const bool result = QApplication::notify(receiver, event);
        const Clock::time_point end = Clock::now();
        --m_depth;
        m_lastHandled = end;
        if (receiver == m_readingTimer && event->type() == QEvent::Timer) {
            m_ticks.add(msBetween(start, end));
            m_recent.push_back({SpanKind::Tick, start, end});
        } else if (receiver == m_window && event->type() == QEvent::UpdateRequest) {
            m_repaints.add(msBetween(start, end));
            m_recent.push_back({SpanKind::Repaint, start, end});
        }
        return result;
    }

    enum class SpanKind { Tick, Repaint };
    struct Span {
        SpanKind kind;
        Clock::time_point start;
        Clock::time_point end;
    };

    void watch(QObject* window, QObject* readingTimer)
    {
        m_window = window;
        m_readingTimer = readingTimer;
    }
    void resetSpans()
    {
        m_ticks = {};
        m_repaints = {};
        m_recent.clear();
    }
    // The ticks and repaints since resetSpans(), in order.
    const std::vector<Span>& recent() const { return m_recent; }
    const Spans& ticks() const { return m_ticks; }
    const Spans& repaints() const { return m_repaints; }
    Clock::time_point lastHandled() const { return m_lastHandled; }

private:
    int m_depth = 0;
    Clock::time_point m_lastHandled = Clock::now();
    QObject* m_window = nullptr;
    QObject* m_readingTimer = nullptr;
    Spans m_ticks;
    Spans m_repaints;
    std::vector<Span> m_recent;
};

BenchApplication* g_app = nullptr;

// The window under test, shown, and the parts of it the benchmarks reach by name.
struct Window {
    Form1 form;
    QTreeView* list = form.findChild<QTreeView*>(QStringLiteral("Playlist"));
    QTimer* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));

    bool trigger(const char* name)
    {
        QAction* action = form.findChild<QAction*>(QString::fromLatin1(name));
        if (!action)
            return false;
        action->trigger();
        return true;
    }
};

Window* g_window = nullptr;

// Runs the event loop until the window has repainted since repaintsBefore and then kIdleMs have
// passed without an event. Returns when the last event's handling ended; nothing after kGuardMs.
std::optional<Clock::time_point> settle(int repaintsBefore)
{
    const Stopwatch guard;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (g_app->repaints().count > repaintsBefore && msBetween(g_app->lastHandled(), Clock::now()) >= kIdleMs)
            return g_app->lastHandled();
        if (guard.ms() > kGuardMs)
            return std::nullopt;
    }
}

// Runs the event loop until the reading timer stops; false when it still runs after kGuardMs.
bool readToTheEnd()
{
    const Stopwatch guard;
    while (g_window->timer->isActive() && guard.ms() < kGuardMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !g_window->timer->isActive();
}

// An empty window, painted and idle: as the program starts, or after New Playlist.
std::string emptyWindow()
{
    g_app->resetSpans();
    const int repaints = g_app->repaints().count;
    if (!g_window->trigger("mnuNewPlaylist"))
        return "the window has no mnuNewPlaylist action";
    if (!settle(repaints) || g_window->form.model().size() != 0)
        return "New Playlist left rows, or the window never settled";
    return {};
}

const PlaylistSample* sampleOrSkip(benchmark::State& state)
{
    const PlaylistSample& sample = PlaylistSample::withFiles(kRows);
    if (!sample.ok()) {
        state.SkipWithError(sample.error().toStdString().c_str());
        return nullptr;
    }
    return &sample;
}

qsizetype selectedCount(const PlaylistModel& model)
{
    const std::vector<bool> selected = RowCommands::selectedRows(model);
    return std::count(selected.begin(), selected.end(), true);
}

// What the tag columns of the row of each entry read once its file is read.
std::string checkTagColumns(const PlaylistModel& model, const PlaylistSample& sample)
{
    const QString none = QStringLiteral("(none)");
    const QString yes = QStringLiteral("Yes");
    const QString no = QStringLiteral("No");
    for (qsizetype i = 0; i < model.size(); ++i) {
        const std::size_t entry = std::size_t(i);
        const QString& quickTag = sample.id1Tagged()[entry] ? sample.quickTags()[entry] : none;
        if (model.text(i, QuickTagColumn) != quickTag
            || model.text(i, HasId2Column) != (sample.id2Tagged()[entry] ? yes : no))
            return "row " + std::to_string(i) + " reads \"" + model.text(i, QuickTagColumn).toStdString() + "\", \""
                + model.text(i, HasId2Column).toStdString() + "\"";
    }
    return {};
}

// ---- opening and reading ----

struct ReadRound {
    double totalMs = 0; // from the call to openPlaylist() until the reading timer has stopped
    double openMs = 0; // the openPlaylist() call
    double longestGapMs = 0; // the longest gap between two probe firings while reading
    int gapsOverTarget = 0;
    // The longest gap: how long after openPlaylist() returned it began, and its time in ticks and
    // in repaints.
    double longestGapAtMs = 0;
    double longestGapTickMs = 0;
    double longestGapRepaintMs = 0;
    double firstRepaintMs = 0; // the first repaint after openPlaylist()
    Spans ticks;
    Spans repaints;
    std::string error;
};

ReadRound openAndRead(const PlaylistSample& sample, bool check)
{
    ReadRound round;
    round.error = emptyWindow();
    if (!round.error.empty())
        return round;
    const int shownBefore = g_messages.shown();
    QEventLoop loop;
    QTimer probe;
    probe.setInterval(0);
    Clock::time_point lastProbe;
    Clock::time_point longestFrom;
    Clock::time_point end;
    QObject::connect(&probe, &QTimer::timeout, &loop, [&] {
        const Clock::time_point now = Clock::now();
        const double gap = msBetween(lastProbe, now);
        if (gap > round.longestGapMs) {
            round.longestGapMs = gap;
            longestFrom = lastProbe;
        }
        round.gapsOverTarget += gap > kFreezeTargetMs;
        lastProbe = now;
        if (!g_window->timer->isActive()) {
            end = now;
            loop.quit();
        }
    });
    bool hung = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
        hung = true;
        loop.quit();
    });
    g_app->resetSpans();

    const Clock::time_point start = Clock::now();
    g_window->form.openPlaylist(sample.playlistPath(PlaylistKind::M3U));
    lastProbe = Clock::now();
    round.openMs = msBetween(start, lastProbe);
    if (!g_window->timer->isActive()) {
        round.error = "the reading timer did not start after openPlaylist";
        return round;
    }
    probe.start();
    guard.start(int(kGuardMs));
    loop.exec();
    probe.stop();
    round.totalMs = msBetween(start, end);
    round.ticks = g_app->ticks();
    round.repaints = g_app->repaints();
    round.longestGapAtMs = msBetween(start, longestFrom) - round.openMs;
    const Clock::time_point longestTo = longestFrom
        + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(round.longestGapMs));
    for (const BenchApplication::Span& span : g_app->recent()) {
        if (span.kind == BenchApplication::SpanKind::Repaint && round.firstRepaintMs == 0)
            round.firstRepaintMs = msBetween(span.start, span.end);
        if (span.start >= longestFrom && span.end <= longestTo)
            (span.kind == BenchApplication::SpanKind::Tick ? round.longestGapTickMs : round.longestGapRepaintMs)
                += msBetween(span.start, span.end);
    }

    const PlaylistModel& model = g_window->form.model();
    if (hung)
        round.error = "the reading timer still ran after " + std::to_string(int(kGuardMs)) + " ms";
    else if (model.size() != sample.rows())
        round.error = "the window shows " + std::to_string(model.size()) + " rows";
    else if (check)
        round.error = checkTagColumns(model, sample);
    else if (model.text(model.size() - 1, QuickTagColumn) == unreadTagText())
        round.error = "the last row was not read";
    if (round.error.empty())
        round.error = g_messages.shownSince(shownBefore);
    return round;
}

struct ReadFloor {
    double loadMs = 0;
    double readMs = 0;
    std::string error;
};

// The floors' model: like the window's, one model emptied before each round, so that both load
// into a heap that has held the rows before.
PlaylistModel* g_floorModel = nullptr;

ReadFloor readFloor(const PlaylistSample& sample)
{
    ReadFloor floor;
    const int shownBefore = g_messages.shown();
    {
        PlaylistModel& model = *g_floorModel;
        model.clear();
        std::optional<Iterator> reader;
        const Stopwatch watch;
        const Result<void> result = PlaylistFiles::loadPlaylist(model, sample.playlistPath(PlaylistKind::M3U), reader);
        floor.loadMs = watch.ms();
        if (!result || model.size() != sample.rows())
            floor.error = "loadPlaylist read " + std::to_string(model.size()) + " rows";
    }
    int id1 = 0;
    int id2 = 0;
    int failed = 0;
    const Stopwatch watch;
    for (const PlaylistEntry& entry : sample.entries()) {
        MP3Tag tag;
        tag.init(entry.path);
        tag.ReadTag(MP3Tag::Reading::AllTags);
        id1 += tag.HasID1Tag();
        id2 += tag.HasID2Tag();
        failed += tag.FileError();
    }
    floor.readMs = watch.ms();
    const auto expected
        = [](const std::vector<bool>& flags) { return int(std::count(flags.begin(), flags.end(), true)); };
    if (floor.error.empty()
        && (failed != 0 || id1 != expected(sample.id1Tagged()) || id2 != expected(sample.id2Tagged())))
        floor.error = "the ReadTag loop found " + std::to_string(id1) + " ID3v1 tags, " + std::to_string(id2)
            + " ID3v2 tags and " + std::to_string(failed) + " failed files";
    if (floor.error.empty())
        floor.error = g_messages.shownSince(shownBefore);
    return floor;
}

struct ReadFigures {
    std::vector<ReadRound> window;
    std::vector<ReadFloor> floor;
};

std::optional<ReadFigures> g_readFigures;

template <class Round, class Field> double medianOf(const std::vector<Round>& rounds, Field field)
{
    std::vector<double> values;
    values.reserve(rounds.size());
    for (const Round& round : rounds)
        values.push_back(double(field(round)));
    return median(values);
}

void BM_OpenAndReadTags(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    const Stopwatch spent;
    ReadFigures figures;
    const ReadRound warmWindow = openAndRead(*sample, true);
    const ReadFloor warmFloor = readFloor(*sample);
    for (const std::string& error : {warmWindow.error, warmFloor.error}) {
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    for (auto _ : state) {
        for (int round = 0; round < kReadRounds && (round == 0 || spent.ms() < kBudgetMs); ++round) {
            std::optional<ReadFloor> floor;
            if (round % 2 == 1)
                floor = readFloor(*sample);
            ReadRound window = openAndRead(*sample, false);
            if (!floor)
                floor = readFloor(*sample);
            const std::string& error = !window.error.empty() ? window.error : floor->error;
            if (!error.empty()) {
                state.SkipWithError(error.c_str());
                return;
            }
            figures.window.push_back(std::move(window));
            figures.floor.push_back(*floor);
        }
        state.SetIterationTime(medianOf(figures.window, [](const ReadRound& r) { return r.totalMs; }) / 1000);
    }
    const double totalMs = medianOf(figures.window, [](const ReadRound& r) { return r.totalMs; });
    const double floorMs = medianOf(figures.floor, [](const ReadFloor& f) { return f.loadMs + f.readMs; });
    state.counters["window_ms"] = totalMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["ratio"] = floorMs / totalMs;
    state.counters["target_ms"] = kFullTableTargetMs;
    state.counters["freeze_ms"] = medianOf(figures.window, [](const ReadRound& r) { return r.longestGapMs; });
    state.counters["freeze_target_ms"] = kFreezeTargetMs;
    state.counters["rounds"] = double(figures.window.size());
    g_readFigures = std::move(figures);
}

// ---- Keep Duplicates Selected (by Title), then Delete Selected ----

// The rows that stay once the repeats of each title are deleted: the last of each title, ignoring
// case. Their titles in order.
std::vector<QString> titlesLeft(const PlaylistSample& sample)
{
    QHash<QString, std::size_t> lastOfTitle;
    const std::vector<PlaylistEntry>& entries = sample.entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        lastOfTitle[entries[i].title.toLower()] = i;
    std::vector<QString> titles;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (lastOfTitle.value(entries[i].title.toLower()) == i)
            titles.push_back(entries[i].title);
    }
    return titles;
}

struct PruneRound {
    double keepMs = 0; // from trigger() until the window is painted and idle
    double keepCallMs = 0; // inside trigger()
    double deleteMs = 0;
    double deleteCallMs = 0;
    std::string error;
};

// Triggers the action and waits for the window to settle: the times inside trigger() and until the
// last event after it was handled.
std::string timeCommand(const char* action, double& callMs, double& totalMs)
{
    const int repaints = g_app->repaints().count;
    const Clock::time_point start = Clock::now();
    if (!g_window->trigger(action))
        return std::string("the window has no ") + action + " action";
    callMs = msBetween(start, Clock::now());
    const std::optional<Clock::time_point> end = settle(repaints);
    if (!end)
        return std::string("the window never settled after ") + action;
    totalMs = msBetween(start, *end);
    return {};
}

PruneRound pruneInWindow(const PlaylistSample& sample, const std::vector<QString>& expectedTitles, bool check)
{
    PruneRound round;
    round.error = emptyWindow();
    if (!round.error.empty())
        return round;
    const int shownBefore = g_messages.shown();
    PlaylistModel& model = g_window->form.model();
    g_window->form.openPlaylist(sample.playlistPath(PlaylistKind::M3U));
    int repaints = g_app->repaints().count;
    if (!readToTheEnd() || !settle(repaints))
        return {.error = "reading the tags did not finish"};
    repaints = g_app->repaints().count;
    if (!g_window->trigger("mnuSelectAll") || !settle(repaints) || selectedCount(model) != sample.rows())
        return {.error = "Select All did not select every row"};

    const qsizetype repeats = sample.rows() - qsizetype(expectedTitles.size());
    round.error = timeCommand("mnuKeepDuplicatesSelectedByTitle", round.keepCallMs, round.keepMs);
    if (!round.error.empty())
        return round;
    if (const qsizetype kept = selectedCount(model); kept != repeats)
        return {.error = "Keep Duplicates Selected kept " + std::to_string(kept) + " rows selected, not "
                + std::to_string(repeats)};
    round.error = timeCommand("mnuDeleteSelected", round.deleteCallMs, round.deleteMs);
    if (!round.error.empty())
        return round;
    if (model.size() != qsizetype(expectedTitles.size()) || !g_window->form.readIterator()
        || g_window->timer->isActive())
        return {.error = "Delete Selected left " + std::to_string(model.size()) + " rows, or dropped the reader"};
    for (qsizetype i = 0; check && i < model.size(); ++i) {
        if (model.text(i, TitleColumn) != expectedTitles[std::size_t(i)])
            return {.error = "Delete Selected left another row at " + std::to_string(i)};
    }
    round.error = g_messages.shownSince(shownBefore);
    return round;
}

PruneRound pruneFloor(const PlaylistSample& sample, const std::vector<QString>& expectedTitles)
{
    PruneRound round;
    const int shownBefore = g_messages.shown();
    PlaylistModel& model = *g_floorModel;
    model.clear();
    model.appendEntries(sample.entries());
    // Every tag read, as in the window: the deleted entries hold their tags, and the reader stands
    // on the last entry.
    std::optional<Iterator> reader = model.nodeList().getIterator();
    if (readTagsTick(model, reader, std::chrono::hours(1)).keepGoing || g_messages.shown() != shownBefore)
        return {.error = "the floor's model could not read every tag"};
    RowCommands::selectAll(model);
    const qsizetype repeats = sample.rows() - qsizetype(expectedTitles.size());

    Stopwatch watch;
    RowCommands::keepDuplicatesSelected(model, TitleColumn);
    round.keepMs = watch.ms();
    if (selectedCount(model) != repeats)
        return {.error = "keepDuplicatesSelected kept another number of rows selected"};
    watch = Stopwatch();
    const RowCommands::AfterDelete after = RowCommands::deleteSelected(model, reader);
    round.deleteMs = watch.ms();
    if (after != RowCommands::AfterDelete::ReaderKept || model.size() != qsizetype(expectedTitles.size()))
        return {.error = "deleteSelected left " + std::to_string(model.size()) + " rows"};
    round.error = g_messages.shownSince(shownBefore);
    return round;
}

struct PruneFigures {
    std::vector<PruneRound> window;
    std::vector<PruneRound> floor;
    qsizetype repeats = 0;
};

std::optional<PruneFigures> g_pruneFigures;

void BM_KeepDuplicatesThenDelete(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    const Stopwatch spent;
    const std::vector<QString> expectedTitles = titlesLeft(*sample);
    PruneFigures figures;
    figures.repeats = sample->rows() - qsizetype(expectedTitles.size());
    for (const std::string& error :
        {pruneInWindow(*sample, expectedTitles, true).error, pruneFloor(*sample, expectedTitles).error}) {
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    for (auto _ : state) {
        for (int round = 0; round < kPruneRounds && (round == 0 || spent.ms() < kBudgetMs); ++round) {
            std::optional<PruneRound> floor;
            if (round % 2 == 1)
                floor = pruneFloor(*sample, expectedTitles);
            PruneRound window = pruneInWindow(*sample, expectedTitles, false);
            if (!floor)
                floor = pruneFloor(*sample, expectedTitles);
            const std::string& error = !window.error.empty() ? window.error : floor->error;
            if (!error.empty()) {
                state.SkipWithError(error.c_str());
                return;
            }
            figures.window.push_back(std::move(window));
            figures.floor.push_back(std::move(*floor));
        }
        state.SetIterationTime(
            medianOf(figures.window, [](const PruneRound& r) { return r.keepMs + r.deleteMs; }) / 1000);
    }
    state.counters["keep_ms"] = medianOf(figures.window, [](const PruneRound& r) { return r.keepMs; });
    state.counters["keep_floor_ms"] = medianOf(figures.floor, [](const PruneRound& r) { return r.keepMs; });
    state.counters["delete_ms"] = medianOf(figures.window, [](const PruneRound& r) { return r.deleteMs; });
    state.counters["delete_floor_ms"] = medianOf(figures.floor, [](const PruneRound& r) { return r.deleteMs; });
    state.counters["target_ms"] = kCommandTargetMs;
    state.counters["rounds"] = double(figures.window.size());
    g_pruneFigures = std::move(figures);
}

// ---- the summary ----

const char* metOrNot(bool met)
{
    return met ? "met" : "NOT MET";
}

double thousandsPerSecond(double rows, double ms)
{
    return rows / ms;
}

void printReadSummary(std::FILE* out, const ReadFigures& f)
{
    const auto window = [&](auto field) { return medianOf(f.window, field); };
    const double total = window([](const ReadRound& r) { return r.totalMs; });
    const double open = window([](const ReadRound& r) { return r.openMs; });
    const double reading = total - open;
    const double load = medianOf(f.floor, [](const ReadFloor& r) { return r.loadMs; });
    const double read = medianOf(f.floor, [](const ReadFloor& r) { return r.readMs; });
    const double freeze = window([](const ReadRound& r) { return r.longestGapMs; });
    std::fprintf(
        out, "open and read every tag, %s rows (medians of %zu rounds)\n", withCommas(kRows).c_str(), f.window.size());
    std::fprintf(out,
        "    window: %.1f ms from openPlaylist() until Timer1 stopped (%.1f k rows/s) (target <= %.0f ms) %s\n", total,
        thousandsPerSecond(kRows, total), kFullTableTargetMs, metOrNot(total <= kFullTableTargetMs));
    std::fprintf(out, "    floor: %.1f ms: loadPlaylist %.1f ms + MP3Tag::ReadTag loop %.1f ms; ratio %.2f\n",
        load + read, load, read, (load + read) / total);
    std::fprintf(out,
        "    the open command: %.1f ms, the window not answering; floor: loadPlaylist into a model without a view "
        "%.1f ms; ratio %.2f\n",
        open, load, load / open);
    std::fprintf(out,
        "    reading after it: %.1f ms (%.1f k rows/s); floor: the ReadTag loop %.1f ms (%.1f k rows/s); ratio %.2f\n",
        reading, thousandsPerSecond(kRows, reading), read, thousandsPerSecond(kRows, read), read / reading);
    std::string perRound;
    double worst = 0;
    for (const ReadRound& r : f.window) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%.1f", perRound.empty() ? "" : ", ", r.longestGapMs);
        perRound += text;
        worst = std::max(worst, r.longestGapMs);
    }
    std::fprintf(out,
        "    longest freeze while reading: median %.1f ms, worst round %.1f ms (target <= %.0f ms in every round) %s; "
        "per round %s ms; gaps over %.0f ms: %.0f\n",
        freeze, worst, kFreezeTargetMs, metOrNot(worst <= kFreezeTargetMs), perRound.c_str(), kFreezeTargetMs,
        window([](const ReadRound& r) { return r.gapsOverTarget; }));
    const ReadRound* typical = &f.window.front();
    for (const ReadRound& r : f.window) {
        if (std::abs(r.longestGapMs - freeze) < std::abs(typical->longestGapMs - freeze))
            typical = &r;
    }
    std::fprintf(out,
        "    in the median round the longest freeze began %.1f ms after openPlaylist() returned: %.1f ms of reading "
        "timer ticks, %.1f ms of repaints, %.1f ms else\n",
        typical->longestGapAtMs, typical->longestGapTickMs, typical->longestGapRepaintMs,
        typical->longestGapMs - typical->longestGapTickMs - typical->longestGapRepaintMs);
    const double ticks = window([](const ReadRound& r) { return r.ticks.count; });
    std::fprintf(out,
        "    reading timer ticks: %.0f (%.0f rows each), longest %.1f ms, %.1f ms in all (%.0f %% of the "
        "reading)\n",
        ticks, kRows / ticks, window([](const ReadRound& r) { return r.ticks.longestMs; }),
        window([](const ReadRound& r) { return r.ticks.totalMs; }),
        100 * window([](const ReadRound& r) { return r.ticks.totalMs; }) / reading);
    std::fprintf(out,
        "    window repaints: %.0f, the first %.1f ms, longest %.1f ms, %.1f ms in all (%.0f %% of the reading)\n",
        window([](const ReadRound& r) { return r.repaints.count; }),
        window([](const ReadRound& r) { return r.firstRepaintMs; }),
        window([](const ReadRound& r) { return r.repaints.longestMs; }),
        window([](const ReadRound& r) { return r.repaints.totalMs; }),
        100 * window([](const ReadRound& r) { return r.repaints.totalMs; }) / reading);
}

void printPruneSummary(std::FILE* out, const PruneFigures& f)
{
    struct Command {
        const char* title;
        double PruneRound::*ms;
        double PruneRound::*callMs;
        const char* floorNote;
    };
    const Command commands[] = {
        {"Keep Duplicates Selected (by Title), every row selected", &PruneRound::keepMs, &PruneRound::keepCallMs,
            "RowCommands::keepDuplicatesSelected on a model without a view, every tag read"},
        {"Delete Selected", &PruneRound::deleteMs, &PruneRound::deleteCallMs,
            "RowCommands::deleteSelected on a model without a view, every tag read"},
    };
    std::fprintf(out, "%s rows, %s of them repeating a title (medians of %zu rounds)\n", withCommas(kRows).c_str(),
        withCommas(double(f.repeats)).c_str(), f.window.size());
    for (const Command& c : commands) {
        const double ms = medianOf(f.window, [&](const PruneRound& r) { return r.*c.ms; });
        const double callMs = medianOf(f.window, [&](const PruneRound& r) { return r.*c.callMs; });
        const double floorMs = medianOf(f.floor, [&](const PruneRound& r) { return r.*c.ms; });
        std::fprintf(out, "%s\n", c.title);
        std::fprintf(out,
            "    window: %.1f ms until repainted and idle: %.1f ms inside trigger(), %.1f ms after it (target < "
            "%.0f ms) %s\n",
            ms, callMs, ms - callMs, kCommandTargetMs, metOrNot(ms < kCommandTargetMs));
        std::fprintf(out, "    floor: %.1f ms, %s; ratio %.2f\n", floorMs, c.floorNote, floorMs / ms);
    }
    std::fprintf(out,
        "    (after each command the window counts as idle once %.0f ms pass without an event; those "
        "are not in its time)\n",
        kIdleMs);
}

void printSummary(std::FILE* out)
{
    if (!g_readFigures && !g_pruneFigures)
        return;
    std::fprintf(out, "\nSummary (the window offscreen, shown; ratio = floor / window, higher is better):\n");
    if (g_readFigures)
        printReadSummary(out, *g_readFigures);
    if (g_pruneFigures)
        printPruneSummary(out, *g_pruneFigures);
}

// Registers a benchmark whose rounds are one iteration.
void registerOnce(const char* name, void (*function)(benchmark::State&))
{
    benchmark::RegisterBenchmark(name, function)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    BenchApplication application(argc, argv);
    g_app = &application;
    std::FILE* summary = summaryStream(argc, argv);
    registerOnce("BM_OpenAndReadTags", BM_OpenAndReadTags);
    registerOnce("BM_KeepDuplicatesThenDelete", BM_KeepDuplicatesThenDelete);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    MessagesScope scope(g_messages);
    {
        PlaylistModel floorModel;
        g_floorModel = &floorModel;
        Window window;
        g_window = &window;
        application.watch(&window.form, window.timer);
        window.form.show();
        if (!window.list || !window.timer || !settle(0)) {
            std::fprintf(stderr, "the window has no Playlist view or Timer1, or it never settled\n");
            return 1;
        }
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        g_window = nullptr;
        g_floorModel = nullptr;
    }
    printSummary(summary);
    std::fflush(summary);
    return 0;
}
