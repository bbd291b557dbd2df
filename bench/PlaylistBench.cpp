// Times the playlist document on generated playlists of 10,000 and 100,000 rows: loading and
// saving M3U and PLS files, sorting, the selection filters, Select Mismatched Rows, Delete Selected,
// and sondrel-cli's
// convert and prune commands. Each subject runs beside a floor measured in the same run: the least
// work that gives the same answer, done in this process with no model.
//
// Each benchmark runs its subject and its floor once, untimed, checking both give the expected
// answers; then once each a round, alternating which goes first. The figures are the medians of the
// rounds; the ratio is floor / subject, so 1.0 means the subject costs no more than the floor. Both
// sizes are printed with the growth from one to the other, which is near 10 for linear work.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "PlaylistSample.h"
#include "base/NativePath.h"
#include "base/PathTools.h"
#include "playlist/FileIndex.h"
#include "playlist/Importing.h"
#include "playlist/Mismatch.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/Relinking.h"
#include "playlist/RowCommands.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kSmall = 10000;
constexpr int kLarge = 100000;
constexpr int kSmallRounds = 21;
constexpr int kLargeRounds = 11;
// The wall time after which a benchmark starts no further round, so that a slow subject still
// leaves the whole run at about two minutes.
constexpr double kBudgetMs = 2500;

CountingMessages g_messages;

// One timed run: its time, or why its answer was wrong.
struct Pass {
    double ms = 0;
    std::string error;
};

// What a subject should reach: a floor / subject ratio at every size, or a time at a number of rows
// (kLarge unless said).
struct Target {
    enum class Kind { None, Ratio, Milliseconds };
    Kind kind = Kind::None;
    double value = 0;
    int rows = kLarge;
};

Target ratioAtLeast(double ratio)
{
    return {Target::Kind::Ratio, ratio};
}

Target underMilliseconds(double ms, int rows = kLarge)
{
    return {Target::Kind::Milliseconds, ms, rows};
}

// One subject against its floor at one size, for the summary printed after the benchmarks.
struct Comparison {
    std::string title;
    std::string subjectName;
    std::string subjectNote;
    std::string floorNote;
    Target target;
    int rows = 0;
    std::vector<double> subjectMs;
    std::vector<double> floorMs;
    // A further measurement of the same rounds, printed below the figures when set.
    std::string asideNote;
    std::vector<double> asideMs;
};

std::deque<Comparison> g_comparisons;

// Warms up with checks, then runs rounds of the subject and the floor once each, in alternating
// order, and stores the medians as counters. Subject and floor take a flag that asks for the full
// check of their answer. All rounds make one benchmark iteration, whose time is the subject's median.
// A size gets up to its number of rounds, fewer when its wall time, set-up included, passes the
// budget; at least one.
template <class Subject, class Floor>
Comparison* compare(benchmark::State& state, Comparison comparison, Subject subject, Floor floor)
{
    const Stopwatch spent;
    if (!warmUpOrSkip(state, {subject(true), floor(true)}))
        return nullptr;
    const int rounds = state.range(0) == kLarge ? kLargeRounds : kSmallRounds;
    for (auto _ : state) {
        for (int round = 0; round < rounds && (round == 0 || spent.ms() < kBudgetMs); ++round) {
            const auto passes = alternate(
                round, [&] { return subject(false); }, [&] { return floor(false); });
            if (!passes.error().empty()) {
                state.SkipWithError(passes.error().c_str());
                break;
            }
            comparison.subjectMs.push_back(passes.subject.ms);
            comparison.floorMs.push_back(passes.floor.ms);
        }
        state.SetIterationTime(median(comparison.subjectMs) / 1000);
    }
    if (comparison.subjectMs.empty())
        return nullptr;
    const double subjectMs = median(comparison.subjectMs);
    const double floorMs = median(comparison.floorMs);
    state.counters[comparison.subjectName + "_ms"] = subjectMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["ratio"] = floorMs / subjectMs;
    state.counters["rounds"] = double(comparison.subjectMs.size());
    if (comparison.target.kind == Target::Kind::Ratio)
        state.counters["target"] = comparison.target.value;
    else if (comparison.target.kind == Target::Kind::Milliseconds)
        state.counters["target_ms"] = comparison.target.value;
    comparison.rows = int(state.range(0));
    g_comparisons.push_back(std::move(comparison));
    return &g_comparisons.back();
}

const PlaylistSample* sampleOrSkip(benchmark::State& state)
{
    const PlaylistSample& sample = PlaylistSample::withRows(int(state.range(0)));
    if (!sample.ok()) {
        state.SkipWithError(sample.error().toStdString().c_str());
        return nullptr;
    }
    return &sample;
}

const char* kindName(PlaylistKind kind)
{
    return kind == PlaylistKind::M3U ? "M3U" : "PLS";
}

QString scratchName(const char* stem, PlaylistKind kind)
{
    return QLatin1String(stem) + (kind == PlaylistKind::M3U ? QStringLiteral(".m3u") : QStringLiteral(".pls"));
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qsizetype selectedCount(const PlaylistModel& model)
{
    const std::vector<bool> selected = RowCommands::selectedRows(model);
    return std::count(selected.begin(), selected.end(), true);
}

// A model holding the sample's rows, as a load leaves it; with the QuickTag column as reading the
// tags would leave it when asked.
void fill(PlaylistModel& model, const PlaylistSample& sample, bool withQuickTags = false)
{
    model.appendEntries(sample.entries());
    if (withQuickTags) {
        for (qsizetype i = 0; i < model.size(); ++i)
            model.setText(i, QuickTagColumn, sample.quickTags()[std::size_t(i)]);
    }
}

// ---- the floors' file work ----

// The whole file: open, fstat, read until its size, close. Nothing when any step fails.
std::optional<QByteArray> readWhole(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info { };
    std::optional<QByteArray> bytes;
    if (::fstat(fd, &info) == 0) {
        bytes.emplace(qsizetype(info.st_size), Qt::Uninitialized);
        qsizetype done = 0;
        while (bytes && done < bytes->size()) {
            const ssize_t got = ::read(fd, bytes->data() + done, size_t(bytes->size() - done));
            if (got <= 0)
                bytes.reset();
            else
                done += got;
        }
    }
    ::close(fd);
    return bytes;
}

// Writes the bytes over the file with one write(): open with truncation, write, close.
bool writeWhole(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

// The least an atomic replacement needs: a new file beside the target, one write, fsync, rename
// over the target, fsync of the folder.
bool writeDurably(const QByteArray& path, const QByteArray& bytes)
{
    const QByteArray temporary = path + ".new";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), path.constData()) == 0;
    if (!ok) {
        ::unlink(temporary.constData());
        return false;
    }
    const int folder = ::open(path.left(path.lastIndexOf('/')).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ok = folder >= 0 && ::fsync(folder) == 0;
    if (folder >= 0)
        ::close(folder);
    return ok;
}

// Calls onLine for each line of the bytes, without its LF or CR LF ending.
template <class OnLine> void eachLine(QByteArrayView bytes, OnLine onLine)
{
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    while (at < end) {
        const char* newline = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
        const char* lineEnd = newline ? newline : end;
        onLine(QByteArrayView(at, lineEnd - (lineEnd > at && lineEnd[-1] == '\r' ? 1 : 0)));
        at = lineEnd + 1;
    }
}

QString utf8(QByteArrayView bytes)
{
    return QString::fromUtf8(bytes);
}

// The floor's reading of M3U: "#EXTINF:<length>,<title>" then the path; other "#" lines skipped.
std::vector<PlaylistEntry> splitM3u(QByteArrayView bytes)
{
    std::vector<PlaylistEntry> entries;
    QByteArrayView title;
    QByteArrayView length;
    eachLine(bytes, [&](QByteArrayView line) {
        if (line.startsWith("#EXTINF:")) {
            const QByteArrayView rest = line.sliced(8);
            const qsizetype comma = rest.indexOf(',');
            length = rest.first(std::max<qsizetype>(comma, 0));
            title = rest.sliced(comma + 1);
        } else if (!line.isEmpty() && line.front() != '#') {
            entries.push_back({utf8(line), utf8(title), utf8(length)});
        }
    });
    return entries;
}

// The floor's reading of PLS: the value after "=" of each File, Title and Length line.
std::vector<PlaylistEntry> splitPls(QByteArrayView bytes)
{
    std::vector<PlaylistEntry> entries;
    eachLine(bytes, [&](QByteArrayView line) {
        const QByteArrayView value = line.sliced(line.indexOf('=') + 1);
        if (line.startsWith("File"))
            entries.push_back({utf8(value), {}, {}});
        else if (line.startsWith("Title") && !entries.empty())
            entries.back().title = utf8(value);
        else if (line.startsWith("Length") && !entries.empty())
            entries.back().length = utf8(value);
    });
    return entries;
}

std::vector<PlaylistEntry> readAndSplit(const QByteArray& path, PlaylistKind kind)
{
    const std::optional<QByteArray> bytes = readWhole(path);
    if (!bytes)
        return {};
    return kind == PlaylistKind::M3U ? splitM3u(*bytes) : splitPls(*bytes);
}

// ---- loading ----

Pass loadWithLibrary(const PlaylistSample& sample, PlaylistKind kind, bool check)
{
    const int shownBefore = g_messages.shown();
    PlaylistModel model;
    std::optional<Iterator> reader;
    Pass pass;
    const Stopwatch watch;
    const Result<void> result = PlaylistFiles::loadPlaylist(model, sample.playlistPath(kind), reader);
    pass.ms = watch.ms();
    if (!result || model.size() != sample.rows() || !reader)
        pass.error = std::string("loadPlaylist read ") + std::to_string(model.size()) + " rows of " + kindName(kind);
    else if (check && model.entriesInRowOrder() != sample.entries())
        pass.error = std::string("loadPlaylist read other entries than the ") + kindName(kind) + " holds";
    else
        pass.error = g_messages.shownSince(shownBefore);
    return pass;
}

Pass parseFloor(const PlaylistSample& sample, PlaylistKind kind, bool check)
{
    const QByteArray path = QFile::encodeName(sample.playlistPath(kind));
    Pass pass;
    const Stopwatch watch;
    const std::vector<PlaylistEntry> entries = readAndSplit(path, kind);
    pass.ms = watch.ms();
    if (int(entries.size()) != sample.rows() || (check && entries != sample.entries()))
        pass.error = std::string("the parse floor read other entries than the ") + kindName(kind) + " holds";
    return pass;
}

void loadBenchmark(benchmark::State& state, PlaylistKind kind)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    Comparison comparison;
    comparison.title = std::string("load ") + kindName(kind);
    comparison.subjectName = "library";
    comparison.subjectNote = "PlaylistFiles::loadPlaylist into an empty model: read, decode, parse, append rows";
    comparison.floorNote = "read the file, split its lines into a vector of entries of three QStrings";
    comparison.target = ratioAtLeast(0.5);
    compare(
        state, std::move(comparison), [&](bool check) { return loadWithLibrary(*sample, kind, check); },
        [&](bool check) { return parseFloor(*sample, kind, check); });
}

void BM_LoadM3u(benchmark::State& state)
{
    loadBenchmark(state, PlaylistKind::M3U);
}

void BM_LoadPls(benchmark::State& state)
{
    loadBenchmark(state, PlaylistKind::PLS);
}

// ---- saving ----

Pass saveWithLibrary(const PlaylistModel& model, const PlaylistSample& sample, PlaylistKind kind, bool check)
{
    const int shownBefore = g_messages.shown();
    const QString path = sample.scratchPath(scratchName("saved", kind));
    Pass pass;
    const Stopwatch watch;
    const bool saved = bool(PlaylistFiles::savePlaylist(model, path));
    pass.ms = watch.ms();
    if (!saved)
        pass.error = std::string("savePlaylist failed for ") + kindName(kind);
    else if (check && fileBytes(path) != sample.playlistBytes(kind))
        pass.error = std::string("savePlaylist wrote other bytes than the sample's ") + kindName(kind);
    else
        pass.error = g_messages.shownSince(shownBefore);
    return pass;
}

// Renders the entries into one buffer and writes it, plainly or durably; checks the file's bytes.
Pass writeFloor(const std::vector<PlaylistEntry>& entries, PlaylistKind kind, const QString& path,
    const QByteArray& expected, bool durable, bool check)
{
    const QByteArray native = QFile::encodeName(path);
    Pass pass;
    const Stopwatch watch;
    const QByteArray bytes = playlistLines(kind, entries);
    const bool written = durable ? writeDurably(native, bytes) : writeWhole(native, bytes);
    pass.ms = watch.ms();
    if (!written)
        pass.error = "the write floor could not write " + native.toStdString();
    else if (check && fileBytes(path) != expected)
        pass.error = "the write floor wrote other bytes than expected to " + native.toStdString();
    return pass;
}

void saveBenchmark(benchmark::State& state, PlaylistKind kind, bool durable)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    PlaylistModel model;
    fill(model, *sample);
    Comparison comparison;
    comparison.title = std::string("save ") + kindName(kind) + (durable ? ", beside a durable write" : "");
    comparison.subjectName = "library";
    comparison.subjectNote = "PlaylistFiles::savePlaylist of the loaded rows, replacing the file it wrote before";
    comparison.floorNote = durable ? "render the lines into one buffer; write it to a new file, fsync, rename over "
                                     "the old one, fsync the folder"
                                   : "render the lines into one buffer and write it with one write()";
    const QString floorPath = sample->scratchPath(scratchName(durable ? "durable-floor" : "floor", kind));
    compare(
        state, std::move(comparison), [&](bool check) { return saveWithLibrary(model, *sample, kind, check); },
        [&](bool check) {
            return writeFloor(sample->entries(), kind, floorPath, sample->playlistBytes(kind), durable, check);
        });
}

void BM_SaveM3u(benchmark::State& state)
{
    saveBenchmark(state, PlaylistKind::M3U, false);
}

void BM_SavePls(benchmark::State& state)
{
    saveBenchmark(state, PlaylistKind::PLS, false);
}

void BM_SaveM3uDurable(benchmark::State& state)
{
    saveBenchmark(state, PlaylistKind::M3U, true);
}

// Saving with every path relative to the playlist's folder, which lies beside the music.
void BM_SaveM3uRelative(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    PlaylistModel model;
    fill(model, *sample);
    const QString path = sample->scratchPath(QStringLiteral("lists/relative.m3u"));
    QDir().mkpath(PathTools::folderOf(path));
    std::vector<PlaylistEntry> relative = sample->entries();
    for (PlaylistEntry& entry : relative)
        entry.path = PathTools::relativePath(PathTools::folderOf(path), entry.path);
    const QByteArray expected = NativePath::encode(renderPlaylist(PlaylistKind::M3U, relative));
    const auto subject = [&](bool check) {
        const int shownBefore = g_messages.shown();
        Pass pass;
        const Stopwatch watch;
        const bool saved = bool(PlaylistFiles::savePlaylist(model, path, PathForm::Relative));
        pass.ms = watch.ms();
        if (!saved || (check && fileBytes(path) != expected))
            pass.error = "savePlaylist wrote other bytes than the relative playlist";
        else
            pass.error = g_messages.shownSince(shownBefore);
        return pass;
    };
    Comparison comparison;
    comparison.title = "save M3U with paths relative to the playlist";
    comparison.subjectName = "library";
    comparison.subjectNote = "PlaylistFiles::savePlaylist(Relative): each path made relative, one volume look-up a "
                             "folder, into a playlist beside the music";
    comparison.floorNote = "the relative paths made beforehand; render the lines into one buffer and write it";
    const QString floorPath = sample->scratchPath(QStringLiteral("lists/floor.m3u"));
    compare(state, std::move(comparison), subject,
        [&](bool check) { return writeFloor(relative, PlaylistKind::M3U, floorPath, expected, false, check); });
}

// ---- Find Missing Files ----

// The number of ordinary files under a folder, walked with opendir and readdir: the floor of
// indexing a tree.
qsizetype walkPlainly(const QByteArray& folder)
{
    DIR* stream = ::opendir(folder.constData());
    if (!stream)
        return 0;
    qsizetype files = 0;
    while (const dirent* entry = ::readdir(stream)) {
        if (entry->d_name[0] == '.')
            continue;
        if (entry->d_type == DT_DIR)
            files += walkPlainly(folder + '/' + entry->d_name);
        else if (entry->d_type == DT_REG)
            ++files;
    }
    ::closedir(stream);
    return files;
}

// The floor of the folder benchmarks: walkPlainly of the folder, which must count files.
auto plainWalkOf(const QString& folder, qsizetype files)
{
    return [native = NativePath::encode(folder), files](bool check) {
        Pass pass;
        const Stopwatch watch;
        const qsizetype counted = walkPlainly(native);
        pass.ms = watch.ms();
        if (check && counted != files)
            pass.error = "the plain walk counted another number of files";
        return pass;
    };
}

// Every row's file moved from "old" to the music folder: the rows are found missing, the music
// folder is walked, and each row is found by its name and folders.
void BM_FindMissingFiles(benchmark::State& state)
{
    const PlaylistSample& sample = PlaylistSample::withFiles(int(state.range(0)));
    if (!sample.ok()) {
        state.SkipWithError(sample.error().toStdString().c_str());
        return;
    }
    std::vector<PlaylistEntry> moved = sample.entries();
    const QString music = sample.scratchPath(QStringLiteral("music"));
    for (PlaylistEntry& entry : moved)
        entry.path = sample.scratchPath(QStringLiteral("old")) + entry.path.mid(music.size());
    PlaylistModel model;
    model.appendEntries(moved);
    // Some rows list the file of the row before them again.
    const auto distinctFiles
        = qsizetype(QSet<QByteArray>(sample.nativePaths().begin(), sample.nativePaths().end()).size());
    const auto subject = [&](bool check) {
        const int shownBefore = g_messages.shown();
        Pass pass;
        const Stopwatch watch;
        const std::vector<Relinking::MissingRow> missing = Relinking::missingRows(model);
        FileIndex index;
        index.addTree(music);
        const std::vector<Relinking::Finding> findings = Relinking::findFiles(missing, index);
        pass.ms = watch.ms();
        qsizetype found = 0;
        for (std::size_t i = 0; check && i < findings.size(); ++i)
            found += findings[i].candidates.size() == 1
                && findings[i].candidates[0].path == sample.entries()[std::size_t(findings[i].row.position)].path;
        if (missing.size() != moved.size() || (check && found != sample.rows()))
            pass.error = "Find Missing Files did not find every moved file by itself";
        else
            pass.error = g_messages.shownSince(shownBefore);
        return pass;
    };
    const auto floor = plainWalkOf(music, distinctFiles);
    Comparison comparison;
    comparison.title = "find missing files";
    comparison.subjectName = "library";
    comparison.subjectNote = "Relinking::missingRows, FileIndex::addTree of the music and Relinking::findFiles: every "
                             "row missing, each found by name and folders";
    comparison.floorNote = "a plain opendir/readdir walk of the same tree, counting its files";
    comparison.target = underMilliseconds(5000);
    compare(state, std::move(comparison), subject, floor);
}

// Import Folder on the music folder of a sample whose files exist, into an empty playlist: the
// tree walked in name order, every MP3 file found, a row for each in one insert.
void BM_ImportFolder(benchmark::State& state)
{
    const PlaylistSample& sample = PlaylistSample::withFiles(int(state.range(0)));
    if (!sample.ok()) {
        state.SkipWithError(sample.error().toStdString().c_str());
        return;
    }
    const QString music = sample.scratchPath(QStringLiteral("music"));
    const auto distinctFiles
        = qsizetype(QSet<QByteArray>(sample.nativePaths().begin(), sample.nativePaths().end()).size());
    const auto subject = [&](bool check) {
        const int shownBefore = g_messages.shown();
        Pass pass;
        PlaylistModel model;
        std::optional<Iterator> reader;
        const Stopwatch watch;
        const ImportParts found = collectImports({music});
        for (const ImportParts::Part& part : found.parts)
            importFiles(model, part.files, false, reader);
        pass.ms = watch.ms();
        if (model.size() != distinctFiles || found.parts.size() != 1)
            pass.error = "Import Folder added another number of rows than there are files";
        if (check && pass.error.empty()) {
            QSet<QByteArray> listed;
            for (qsizetype i = 0; i < model.size(); ++i)
                listed.insert(NativePath::encode(model.text(i, FileNameColumn)));
            if (listed != QSet<QByteArray>(sample.nativePaths().begin(), sample.nativePaths().end()))
                pass.error = "Import Folder added other files than the tree holds";
        }
        if (pass.error.empty())
            pass.error = g_messages.shownSince(shownBefore);
        return pass;
    };
    const auto floor = plainWalkOf(music, distinctFiles);
    Comparison comparison;
    comparison.title = "import a folder";
    comparison.subjectName = "library";
    comparison.subjectNote = "collectImports of the music folder (FolderWalk: sorted, each folder once) and "
                             "importFiles into an empty playlist, the tree in the page cache";
    comparison.floorNote = "a plain opendir/readdir walk of the same tree, counting its files";
    comparison.target = underMilliseconds(1000, kSmall);
    compare(state, std::move(comparison), subject, floor);
}

// ---- sorting ----

bool lessIgnoringCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

// Sorts a fresh model by a column with every row selected; the selection must still hold every
// row after.
Pass sortWithLibrary(const PlaylistSample& sample, int column, const std::vector<QString>& expected, bool check)
{
    const int shownBefore = g_messages.shown();
    PlaylistModel model;
    fill(model, sample);
    RowCommands::selectAll(model);
    int sortState = 0;
    Pass pass;
    const Stopwatch watch;
    RowCommands::sortByColumn(model, sortState, column);
    pass.ms = watch.ms();
    if (sortState != column + 1 || selectedCount(model) != model.size())
        pass.error = "sortByColumn lost the selection or the sort state";
    for (qsizetype i = 0; check && pass.error.empty() && i < model.size(); ++i) {
        if (model.text(i, column) != expected[std::size_t(i)])
            pass.error = "sortByColumn gave another order at row " + std::to_string(i);
    }
    if (pass.error.empty())
        pass.error = g_messages.shownSince(shownBefore);
    return pass;
}

// The text floor: a stable sort of a vector of the texts, compared ignoring case.
Pass sortTextFloor(const std::vector<QString>& texts, const std::vector<QString>& expected, bool check)
{
    std::vector<QString> sorted = texts;
    Pass pass;
    const Stopwatch watch;
    std::stable_sort(sorted.begin(), sorted.end(), lessIgnoringCase);
    pass.ms = watch.ms();
    if (check && sorted != expected)
        pass.error = "the sort floor gave another order";
    return pass;
}

std::vector<QString> columnTexts(const PlaylistSample& sample, int column)
{
    std::vector<QString> texts;
    for (const PlaylistEntry& entry : sample.entries())
        texts.push_back(column == TitleColumn ? entry.title : entry.length);
    return texts;
}

void BM_SortByTitle(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    const std::vector<QString> titles = columnTexts(*sample, TitleColumn);
    std::vector<QString> expected = titles;
    std::stable_sort(expected.begin(), expected.end(), lessIgnoringCase);
    Comparison comparison;
    comparison.title = "sort by title";
    comparison.subjectName = "library";
    comparison.subjectNote = "RowCommands::sortByColumn(model, state, 1) with every row selected";
    comparison.floorNote = "std::stable_sort of a vector of the titles, compared ignoring case";
    comparison.target = underMilliseconds(100);
    compare(
        state, std::move(comparison),
        [&](bool check) { return sortWithLibrary(*sample, TitleColumn, expected, check); },
        [&](bool check) { return sortTextFloor(titles, expected, check); });
}

// The lengths sorted as numbers: each parsed once (the sample's lengths are whole seconds), then
// a stable sort of their positions by those numbers.
std::vector<QString> sortedAsNumbers(const std::vector<QString>& lengths)
{
    std::vector<int> seconds;
    seconds.reserve(lengths.size());
    for (const QString& length : lengths)
        seconds.push_back(QStringView(length).toInt());
    std::vector<std::size_t> order(lengths.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return seconds[a] < seconds[b]; });
    std::vector<QString> sorted;
    sorted.reserve(lengths.size());
    for (const std::size_t i : order)
        sorted.push_back(lengths[i]);
    return sorted;
}

Pass sortLengthFloor(const std::vector<QString>& lengths, const std::vector<QString>& expected, bool check)
{
    Pass pass;
    const Stopwatch watch;
    const std::vector<QString> sorted = sortedAsNumbers(lengths);
    pass.ms = watch.ms();
    if (check && sorted != expected)
        pass.error = "the sort floor gave another order";
    return pass;
}

void BM_SortByLength(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    const std::vector<QString> lengths = columnTexts(*sample, LengthColumn);
    const std::vector<QString> expected = sortedAsNumbers(lengths);
    Comparison comparison;
    comparison.title = "sort by length";
    comparison.subjectName = "library";
    comparison.subjectNote = "RowCommands::sortByColumn(model, state, 4) with every row selected";
    comparison.floorNote = "each length parsed to a number once, then std::stable_sort of the positions by them";
    comparison.target = underMilliseconds(100);
    compare(
        state, std::move(comparison),
        [&](bool check) { return sortWithLibrary(*sample, LengthColumn, expected, check); },
        [&](bool check) { return sortLengthFloor(lengths, expected, check); });
}

// ---- the selection filters ----

// How many rows share their lower-cased text with a later row: what stays selected.
qsizetype repeatsByHash(const std::vector<QString>& texts)
{
    QHash<QString, qsizetype> counts;
    counts.reserve(qsizetype(texts.size()));
    for (const QString& text : texts)
        ++counts[text.toLower()];
    return qsizetype(texts.size()) - counts.size();
}

void duplicatesBenchmark(benchmark::State& state, int column)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    PlaylistModel model;
    fill(model, *sample, true);
    std::vector<QString> texts;
    for (qsizetype i = 0; i < model.size(); ++i)
        texts.push_back(model.text(i, column));
    const qsizetype expected = repeatsByHash(texts);
    const char* const names[] = {"file name", "title", "QuickTag"};

    const auto subject = [&](bool) {
        const int shownBefore = g_messages.shown();
        // Select All straight over the scattered rows the last round left takes seconds at 100,000
        // rows (the selection model compares the old ranges with the new); from none it is instant.
        RowCommands::selectNone(model);
        RowCommands::selectAll(model);
        Pass pass;
        const Stopwatch watch;
        RowCommands::keepDuplicatesSelected(model, column);
        pass.ms = watch.ms();
        const qsizetype kept = selectedCount(model);
        pass.error = kept == expected
            ? g_messages.shownSince(shownBefore)
            : "keepDuplicatesSelected kept " + std::to_string(kept) + " rows selected, not " + std::to_string(expected);
        return pass;
    };
    const auto floor = [&](bool) {
        Pass pass;
        const Stopwatch watch;
        const qsizetype repeats = repeatsByHash(texts);
        pass.ms = watch.ms();
        if (repeats != expected)
            pass.error = "the duplicates floor counted another number of repeats";
        return pass;
    };
    Comparison comparison;
    comparison.title = std::string("keep duplicates selected by ") + names[column];
    comparison.subjectName = "library";
    comparison.subjectNote = "RowCommands::keepDuplicatesSelected(model, " + std::to_string(column)
        + ") with every row selected; the repeats stay selected";
    comparison.floorNote = "one pass building a QHash of the lower-cased texts";
    comparison.target = underMilliseconds(100);
    compare(state, std::move(comparison), subject, floor);
}

void BM_KeepDuplicatesByFile(benchmark::State& state)
{
    duplicatesBenchmark(state, FileNameColumn);
}

void BM_KeepDuplicatesByTitle(benchmark::State& state)
{
    duplicatesBenchmark(state, TitleColumn);
}

void BM_KeepDuplicatesByQuickTag(benchmark::State& state)
{
    duplicatesBenchmark(state, QuickTagColumn);
}

// The same answer as Select Mismatched Rows over unread tags, in plain Qt calls: each text
// case-folded, its separators replaced, simplified, then compared.
QString foldedPlainly(const QString& text)
{
    return text.toCaseFolded().replace(u'_', u' ').replace(u'-', u' ').simplified();
}

void BM_SelectMismatched(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    PlaylistModel model;
    fill(model, *sample);
    std::vector<std::pair<QString, QString>> texts;
    for (qsizetype i = 0; i < model.size(); ++i)
        texts.emplace_back(titleOfFile(model.text(i, FileNameColumn)), model.text(i, TitleColumn));
    const auto countPlainly = [&] {
        return std::count_if(texts.begin(), texts.end(),
            [](const auto& row) { return foldedPlainly(row.first) != foldedPlainly(row.second); });
    };
    const qsizetype expected = countPlainly();

    const auto subject = [&](bool) {
        const int shownBefore = g_messages.shown();
        Pass pass;
        const Stopwatch watch;
        const qsizetype found = qsizetype(Mismatch::mismatchedRows(model, Mismatch::UnreadTags::Leave).size());
        pass.ms = watch.ms();
        pass.error = found == expected
            ? g_messages.shownSince(shownBefore)
            : "mismatchedRows found " + std::to_string(found) + " rows, not " + std::to_string(expected);
        return pass;
    };
    const auto floor = [&](bool) {
        Pass pass;
        const Stopwatch watch;
        const qsizetype found = countPlainly();
        pass.ms = watch.ms();
        if (found != expected)
            pass.error = "the mismatch floor counted another number of rows";
        return pass;
    };
    Comparison comparison;
    comparison.title = "select mismatched rows";
    comparison.subjectName = "library";
    comparison.subjectNote = "Mismatch::mismatchedRows(model, Leave): file name against title, the tags unread";
    comparison.floorNote = "the file names and titles taken out beforehand, each folded with toCaseFolded, "
                           "replace and simplified, then compared";
    comparison.target = underMilliseconds(100);
    compare(state, std::move(comparison), subject, floor);
}

void BM_KeepMissingFiles(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    PlaylistModel model;
    fill(model, *sample);
    const auto subject = [&](bool) {
        const int shownBefore = g_messages.shown();
        RowCommands::selectAll(model);
        Pass pass;
        const Stopwatch watch;
        RowCommands::keepMissingFilesSelected(model);
        pass.ms = watch.ms();
        // None of the files exists, so every row stays selected.
        pass.error = selectedCount(model) == model.size() ? g_messages.shownSince(shownBefore)
                                                          : "keepMissingFilesSelected deselected a missing file";
        return pass;
    };
    const auto floor = [&](bool) {
        int missing = 0;
        Pass pass;
        const Stopwatch watch;
        for (const QByteArray& path : sample->nativePaths()) {
            struct stat info { };
            missing += ::stat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode);
        }
        pass.ms = watch.ms();
        if (missing != sample->rows())
            pass.error = "the stat floor found a file that should be missing";
        return pass;
    };
    Comparison comparison;
    comparison.title = "keep missing files selected";
    comparison.subjectName = "library";
    comparison.subjectNote = "RowCommands::keepMissingFilesSelected with every row selected; no file exists";
    comparison.floorNote = "one stat() a path, on paths already in the system's encoding";
    comparison.target = underMilliseconds(100);
    compare(state, std::move(comparison), subject, floor);
}

// ---- Delete Selected ----

void BM_DeleteEveryOther(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    const int rows = sample->rows();
    std::vector<bool> everyOther(static_cast<std::size_t>(rows), false);
    for (int i = 0; i < rows; i += 2)
        everyOther[std::size_t(i)] = true;
    const int remaining = rows / 2;
    std::vector<double> selectMs;

    const auto subject = [&](bool check) {
        const int shownBefore = g_messages.shown();
        PlaylistModel model;
        fill(model, *sample);
        std::optional<Iterator> reader = model.nodeList().getIterator();
        const Stopwatch selectWatch;
        RowCommands::setSelectedRows(model, everyOther);
        if (!check)
            selectMs.push_back(selectWatch.ms());
        Pass pass;
        const Stopwatch watch;
        const RowCommands::AfterDelete after = RowCommands::deleteSelected(model, reader);
        pass.ms = watch.ms();
        if (after != RowCommands::AfterDelete::ReaderKept || model.size() != remaining
            || model.nodeList().size() != remaining)
            pass.error = "deleteSelected left " + std::to_string(model.size()) + " rows";
        for (qsizetype i = 0; check && pass.error.empty() && i < model.size(); ++i) {
            if (model.text(i, FileNameColumn) != sample->entries()[std::size_t(2 * i + 1)].path)
                pass.error = "deleteSelected left another row at " + std::to_string(i);
        }
        if (pass.error.empty())
            pass.error = g_messages.shownSince(shownBefore);
        return pass;
    };
    const auto floor = [&](bool) {
        std::vector<std::unique_ptr<PlaylistRow>> rowsLeft;
        rowsLeft.reserve(std::size_t(rows));
        for (const PlaylistEntry& entry : sample->entries()) {
            auto row = std::make_unique<PlaylistRow>();
            row->setText(FileNameColumn, entry.path);
            row->setText(TitleColumn, entry.title);
            row->setText(LengthColumn, entry.length);
            row->position = qint32(rowsLeft.size());
            rowsLeft.push_back(std::move(row));
        }
        Pass pass;
        const Stopwatch watch;
        rowsLeft.erase(std::remove_if(rowsLeft.begin(), rowsLeft.end(),
                           [](const std::unique_ptr<PlaylistRow>& row) { return row->position % 2 == 0; }),
            rowsLeft.end());
        pass.ms = watch.ms();
        if (int(rowsLeft.size()) != remaining)
            pass.error = "the delete floor left " + std::to_string(rowsLeft.size()) + " rows";
        return pass;
    };
    Comparison comparison;
    comparison.title = "delete every other row";
    comparison.subjectName = "library";
    comparison.subjectNote = "RowCommands::deleteSelected after setSelectedRows of rows 0, 2, 4, ...";
    comparison.floorNote = "erase every other element of a vector of unique_ptr to rows with remove_if";
    comparison.target = underMilliseconds(100);
    Comparison* stored = compare(state, std::move(comparison), subject, floor);
    if (stored) {
        stored->asideNote = "setSelectedRows of those rows, before each delete and not in its time";
        stored->asideMs = selectMs;
    }
}

// ---- the command-line program ----

// Runs sondrel-cli with the arguments, stdout to outPath and stderr to a scratch file; the time is
// from the spawn to the reaped exit. An exit status but 0 or anything on stderr is an error.
Pass runCli(const PlaylistSample& sample, std::vector<QByteArray> arguments, const QByteArray& outPath)
{
    std::vector<std::string> words{SONDREL_CLI_PATH};
    for (const QByteArray& argument : arguments)
        words.push_back(argument.toStdString());
    const QByteArray errPath = QFile::encodeName(sample.scratchPath(QStringLiteral("cli-stderr.txt")));
    const ProcessRun run = runProcess(SONDREL_CLI_PATH, std::move(words),
        "sondrel-cli " + arguments.front().toStdString(), outPath.toStdString(), errPath.toStdString());
    return {run.ms, run.error};
}

// The floor of a command that reads the M3U and writes a playlist: the parse floor, then the
// write floor for the entries read, or for the entries the command keeps when kept is given.
Pass readWriteFloor(const PlaylistSample& sample, const std::vector<PlaylistEntry>* kept, PlaylistKind kind,
    const QString& path, const QByteArray& expected, bool check)
{
    const QByteArray input = QFile::encodeName(sample.playlistPath(PlaylistKind::M3U));
    const QByteArray native = QFile::encodeName(path);
    Pass pass;
    const Stopwatch watch;
    const std::vector<PlaylistEntry> entries = readAndSplit(input, PlaylistKind::M3U);
    const bool ok = writeWhole(native, playlistLines(kind, kept ? *kept : entries));
    pass.ms = watch.ms();
    if (!ok || int(entries.size()) != sample.rows() || (check && fileBytes(path) != expected))
        pass.error = "the read and write floor gave other bytes in " + native.toStdString();
    return pass;
}

void BM_CliConvert(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    const QString output = sample->scratchPath(QStringLiteral("converted.pls"));
    const QString floorOutput = sample->scratchPath(QStringLiteral("converted-floor.pls"));
    const QByteArray& expected = sample->playlistBytes(PlaylistKind::PLS);
    const auto subject = [&](bool check) {
        Pass pass = runCli(*sample,
            {"convert", QFile::encodeName(sample->playlistPath(PlaylistKind::M3U)), QFile::encodeName(output)},
            "/dev/null");
        if (pass.error.empty() && check && fileBytes(output) != expected)
            pass.error = "sondrel-cli convert wrote another PLS than the sample's";
        return pass;
    };
    Comparison comparison;
    comparison.title = "sondrel-cli convert in.m3u out.pls";
    comparison.subjectName = "process";
    comparison.subjectNote = "the whole process, from spawn to exit";
    comparison.floorNote = "in this process: the M3U parse floor, then the write floor for the PLS";
    comparison.target = underMilliseconds(1000);
    compare(state, std::move(comparison), subject,
        [&](bool check) { return readWriteFloor(*sample, nullptr, PlaylistKind::PLS, floorOutput, expected, check); });
}

void BM_CliPrune(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    // The rows prune keeps: the last of each group of rows whose titles match ignoring case.
    QHash<QString, std::size_t> lastOfTitle;
    for (std::size_t i = 0; i < sample->entries().size(); ++i)
        lastOfTitle[sample->entries()[i].title.toLower()] = i;
    std::vector<PlaylistEntry> kept;
    for (std::size_t i = 0; i < sample->entries().size(); ++i) {
        if (lastOfTitle.value(sample->entries()[i].title.toLower()) == i)
            kept.push_back(sample->entries()[i]);
    }
    const QByteArray expected = playlistLines(PlaylistKind::M3U, kept);
    const QByteArray report = "Removed " + QByteArray::number(sample->rows() - qsizetype(kept.size())) + " rows, "
        + QByteArray::number(qsizetype(kept.size())) + " remain.\n";
    const QString output = sample->scratchPath(QStringLiteral("pruned.m3u"));
    const QString printed = sample->scratchPath(QStringLiteral("prune-stdout.txt"));
    const QString floorOutput = sample->scratchPath(QStringLiteral("pruned-floor.m3u"));

    const auto subject = [&](bool check) {
        Pass pass = runCli(*sample,
            {"prune", "--duplicates", "title", "--output", QFile::encodeName(output),
                QFile::encodeName(sample->playlistPath(PlaylistKind::M3U))},
            check ? QFile::encodeName(printed) : QByteArray("/dev/null"));
        if (pass.error.empty() && check && (fileBytes(output) != expected || !fileBytes(printed).endsWith(report)))
            pass.error = "sondrel-cli prune kept other rows than the last of each title";
        return pass;
    };
    Comparison comparison;
    comparison.title = "sondrel-cli prune --duplicates title";
    comparison.subjectName = "process";
    comparison.subjectNote = "the whole process, from spawn to exit, printing the removed files to /dev/null";
    comparison.floorNote = "in this process: the M3U parse floor, then the write floor for the rows kept";
    compare(state, std::move(comparison), subject,
        [&](bool check) { return readWriteFloor(*sample, &kept, PlaylistKind::M3U, floorOutput, expected, check); });
}

void BM_CliPlaylistNoTags(benchmark::State& state)
{
    const PlaylistSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    const QString printed = sample->scratchPath(QStringLiteral("playlist-stdout.txt"));
    // The first and last rows as the command prints them: five columns, the tag columns unread.
    const auto rowLine = [](const PlaylistEntry& entry) {
        return (entry.path + u'\t' + entry.title + QStringLiteral("\t...\t...\t") + entry.length + u'\n').toUtf8();
    };
    const QByteArray first = rowLine(sample->entries().front());
    const QByteArray last = rowLine(sample->entries().back());
    const auto subject = [&](bool check) {
        Pass pass
            = runCli(*sample, {"playlist", "--no-tags", QFile::encodeName(sample->playlistPath(PlaylistKind::M3U))},
                check ? QFile::encodeName(printed) : QByteArray("/dev/null"));
        if (pass.error.empty() && check) {
            const QByteArray bytes = fileBytes(printed);
            if (bytes.count('\n') != sample->rows() || !bytes.startsWith(first) || !bytes.endsWith(last))
                pass.error = "sondrel-cli playlist --no-tags printed other rows than the sample's";
        }
        return pass;
    };
    Comparison comparison;
    comparison.title = "sondrel-cli playlist --no-tags in.m3u";
    comparison.subjectName = "process";
    comparison.subjectNote = "the whole process, from spawn to exit, printing every row's five columns to /dev/null";
    comparison.floorNote = "in this process: the M3U parse floor";
    comparison.target = ratioAtLeast(0.6);
    compare(state, std::move(comparison), subject,
        [&](bool check) { return parseFloor(*sample, PlaylistKind::M3U, check); });
}

// ---- the summary ----

std::string verdict(const Comparison& c, double subjectMs, double ratio)
{
    char text[96];
    switch (c.target.kind) {
    case Target::Kind::None: return {};
    case Target::Kind::Ratio:
        std::snprintf(
            text, sizeof text, " (target >= %.1f) %s", c.target.value, ratio >= c.target.value ? "met" : "NOT MET");
        return text;
    case Target::Kind::Milliseconds:
        if (c.rows != c.target.rows)
            std::snprintf(
                text, sizeof text, " (target < %.0f ms at %s rows)", c.target.value, withCommas(c.target.rows).c_str());
        else
            std::snprintf(text, sizeof text, " (target < %.0f ms) %s", c.target.value,
                subjectMs < c.target.value ? "met" : "NOT MET");
        return text;
    }
    return {};
}

// The summary goes to stdout beside the console table, or to stderr when stdout carries JSON or CSV.
// Each benchmark gets a block: its sizes, the growth from the smaller to the larger, what was done.
void printSummary(std::FILE* out)
{
    if (g_comparisons.empty())
        return;
    std::fprintf(out,
        "\nSummary (medians; ratio = floor / subject, higher is better; growth = time at %s rows / time at %s):\n",
        withCommas(kLarge).c_str(), withCommas(kSmall).c_str());
    std::vector<bool> printed(g_comparisons.size());
    for (std::size_t i = 0; i < g_comparisons.size(); ++i) {
        if (printed[i])
            continue;
        const Comparison& first = g_comparisons[i];
        std::fprintf(out, "%s\n", first.title.c_str());
        const Comparison* small = nullptr;
        const Comparison* large = nullptr;
        std::string rounds;
        for (std::size_t j = i; j < g_comparisons.size(); ++j) {
            const Comparison& c = g_comparisons[j];
            if (c.title != first.title)
                continue;
            printed[j] = true;
            const double subject = median(c.subjectMs);
            const double floor = median(c.floorMs);
            std::fprintf(out,
                "    %s rows: %s %.1f ms (%.2f M entries/s), floor %.1f ms (%.2f M entries/s), ratio %.2f%s\n",
                withCommas(c.rows).c_str(), c.subjectName.c_str(), subject, c.rows / subject / 1000, floor,
                c.rows / floor / 1000, floor / subject, verdict(c, subject, floor / subject).c_str());
            if (!c.asideMs.empty())
                std::fprintf(out, "        and %.1f ms for %s\n", median(c.asideMs), c.asideNote.c_str());
            rounds += (rounds.empty() ? "" : ", ") + std::to_string(c.subjectMs.size()) + " at " + withCommas(c.rows)
                + " rows";
            (c.rows == kSmall ? small : large) = &c;
        }
        if (small && large) {
            std::fprintf(out, "    growth per 10x: %s %.1f, floor %.1f\n", first.subjectName.c_str(),
                median(large->subjectMs) / median(small->subjectMs), median(large->floorMs) / median(small->floorMs));
        }
        std::fprintf(out, "    %s: %s\n    floor: %s\n    rounds: %s\n", first.subjectName.c_str(),
            first.subjectNote.c_str(), first.floorNote.c_str(), rounds.c_str());
    }
}

// Registers a benchmark at both sizes; its rounds are one iteration.
void registerAtBothSizes(const char* name, void (*function)(benchmark::State&))
{
    for (const int rows : {kSmall, kLarge})
        benchmark::RegisterBenchmark(name, function)
            ->Arg(rows)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv)
{
    registerAtBothSizes("BM_LoadM3u", BM_LoadM3u);
    registerAtBothSizes("BM_LoadPls", BM_LoadPls);
    registerAtBothSizes("BM_SaveM3u", BM_SaveM3u);
    registerAtBothSizes("BM_SavePls", BM_SavePls);
    registerAtBothSizes("BM_SaveM3uDurable", BM_SaveM3uDurable);
    registerAtBothSizes("BM_SaveM3uRelative", BM_SaveM3uRelative);
    registerAtBothSizes("BM_FindMissingFiles", BM_FindMissingFiles);
    registerAtBothSizes("BM_ImportFolder", BM_ImportFolder);
    registerAtBothSizes("BM_SortByTitle", BM_SortByTitle);
    registerAtBothSizes("BM_SortByLength", BM_SortByLength);
    registerAtBothSizes("BM_KeepDuplicatesByFile", BM_KeepDuplicatesByFile);
    registerAtBothSizes("BM_KeepDuplicatesByTitle", BM_KeepDuplicatesByTitle);
    registerAtBothSizes("BM_KeepDuplicatesByQuickTag", BM_KeepDuplicatesByQuickTag);
    registerAtBothSizes("BM_KeepMissingFiles", BM_KeepMissingFiles);
    registerAtBothSizes("BM_SelectMismatched", BM_SelectMismatched);
    registerAtBothSizes("BM_DeleteEveryOther", BM_DeleteEveryOther);
    registerAtBothSizes("BM_CliConvert", BM_CliConvert);
    registerAtBothSizes("BM_CliPrune", BM_CliPrune);
    registerAtBothSizes("BM_CliPlaylistNoTags", BM_CliPlaylistNoTags);
    MessagesScope scope(g_messages);
    return runBenchmarks(argc, argv, printSummary);
}
