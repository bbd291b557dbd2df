// Times the tag library and sondrel-cli on 10,000 small files, each beside a floor measured in the
// same run: the least system work that gives the same answer, done in this process.
//
// Each benchmark runs its subject and its floor once a round, alternating which goes first, after
// one untimed round of each that warms the page cache and checks both give the expected answers.
// The figures are the medians of the rounds; the ratio is floor / subject, so 1.0 means the
// subject costs no more than the floor.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QFile>

#include <benchmark/benchmark.h>

#include "BenchFiles.h"
#include "BenchSupport.h"
#include "tags/MP3Tag.h"
#include "tags/TagColumns.h"

namespace {

constexpr int kRounds = 25;
constexpr int kCliRounds = 21;
constexpr int kTagSize = 128;

CountingMessages g_messages;

// One timed pass over the files: its time, or why its answer was wrong.
struct Pass {
    double ms = 0;
    std::string error;
};

// One subject against its floor, for the summary printed after the benchmarks.
using Comparison = FileComparison;

std::vector<Comparison> g_comparisons;

// Warms up, then runs subject and floor once each iteration, in alternating order, and stores the
// medians as counters. The benchmark's own time is the subject's.
template <class Subject, class Floor>
void compare(benchmark::State& state, Comparison comparison, Subject subject, Floor floor)
{
    if (measureEachIteration(state, comparison, subject, floor))
        g_comparisons.push_back(std::move(comparison));
}

const BenchFiles* sampleOrSkip(benchmark::State& state)
{
    const BenchFiles& files = BenchFiles::instance();
    if (!files.ok()) {
        state.SkipWithError(files.error().toStdString().c_str());
        return nullptr;
    }
    return &files;
}

// ---- reading ----

struct ReadTally {
    int id1 = 0;
    int id2 = 0;
    int failures = 0;
    qint64 touched = 0;
};

std::string checkRead(const BenchFiles& files, const ReadTally& tally, const char* who)
{
    if (tally.failures != 0 || tally.id1 != files.id1Count() || tally.id2 != files.id2Count())
        return std::string(who) + ": wrong tally (" + std::to_string(tally.id1) + " ID3v1, " + std::to_string(tally.id2)
            + " ID3v2, " + std::to_string(tally.failures) + " failures)";
    return {};
}

Pass readWithLibrary(const BenchFiles& files)
{
    const int shownBefore = g_messages.shown();
    ReadTally tally;
    const Clock::time_point start = Clock::now();
    for (const QString& path : files.paths()) {
        MP3Tag tag;
        tag.init(path);
        tag.ReadTag();
        const QString quick = TagColumns::quickTag(tag);
        const QString id2 = TagColumns::hasId2(tag);
        tally.touched += quick.size() + id2.size();
        tally.id1 += tag.HasID1Tag();
        tally.id2 += tag.HasID2Tag();
        tally.failures += tag.FileError();
    }
    Pass pass;
    pass.ms = millisecondsSince(start);
    benchmark::DoNotOptimize(tally.touched);
    pass.error = checkRead(files, tally, "library read");
    if (pass.error.empty())
        pass.error = g_messages.shownSince(shownBefore);
    return pass;
}

// What the ID3v2 side of the read floor reads: its marker, or the whole tag's area too.
enum class Id3v2Part { Marker, Area };

// The least a reader of these tags must do: open, the first 3 bytes (or the 10-byte ID3v2 header and
// the tag's area as the header gives it), the size, the last 128 bytes, close. The tags are only
// read, not parsed. The paths are already in the system's encoding.
Pass readFloor(const BenchFiles& files, Id3v2Part id3v2 = Id3v2Part::Marker)
{
    ReadTally tally;
    QByteArray area;
    const Clock::time_point start = Clock::now();
    for (const QByteArray& path : files.nativePaths()) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            ++tally.failures;
            continue;
        }
        unsigned char front[10];
        char tail[kTagSize];
        struct stat info { };
        const ssize_t frontSize = id3v2 == Id3v2Part::Area ? 10 : 3;
        bool read = ::read(fd, front, std::size_t(frontSize)) == frontSize;
        if (read && std::memcmp(front, "ID3", 3) == 0) {
            ++tally.id2;
            if (id3v2 == Id3v2Part::Area) {
                const qint64 size = qint64(front[6] & 0x7F) << 21 | (front[7] & 0x7F) << 14 | (front[8] & 0x7F) << 7
                    | (front[9] & 0x7F);
                area.resize(size);
                read = ::pread(fd, area.data(), std::size_t(size), frontSize) == size;
                tally.touched += area.isEmpty() ? 0 : area.at(0);
            }
        }
        if (read && ::fstat(fd, &info) == 0 && info.st_size >= kTagSize
            && ::pread(fd, tail, sizeof tail, info.st_size - kTagSize) == kTagSize) {
            if (std::memcmp(tail, "TAG", 3) == 0) {
                ++tally.id1;
                tally.touched += tail[3];
            }
        } else {
            ++tally.failures;
        }
        ::close(fd);
    }
    Pass pass;
    pass.ms = millisecondsSince(start);
    benchmark::DoNotOptimize(tally.touched);
    pass.error = checkRead(files, tally, "read floor");
    return pass;
}

void BM_ReadTags(benchmark::State& state)
{
    const BenchFiles* files = sampleOrSkip(state);
    if (!files)
        return;
    Comparison comparison;
    comparison.title = "read tags";
    comparison.subjectName = "library";
    comparison.floorNote = "open, read 3 bytes, fstat, pread the last 128, close";
    comparison.target = 0.8;
    comparison.files = int(files->paths().size());
    compare(
        state, std::move(comparison), [&] { return readWithLibrary(*files); }, [&] { return readFloor(*files); });
}

// ---- writing ----

// The fields every write pass gives, and the 128 bytes they make in the file.
struct WriteValues {
    QString title = QStringLiteral("Rewritten Title");
    QString artist = QStringLiteral("Bench Artist");
    QString album = QStringLiteral("Bench Album");
    QString year = QStringLiteral("2024");
    QString comment = QStringLiteral("written in place");
    QString track = QString(QChar(7));
    QString genre = QString(QChar(17));

    QByteArray tagBytes() const
    {
        QByteArray bytes = "TAG";
        const auto field = [&](const QString& text, qsizetype width) {
            QByteArray latin = text.toLatin1().left(width);
            latin.resize(width, '\0');
            bytes += latin;
        };
        field(title, 30);
        field(artist, 30);
        field(album, 30);
        field(year, 4);
        field(comment, 29);
        bytes += char(track.at(0).unicode());
        bytes += char(genre.at(0).unicode());
        return bytes;
    }
};

std::string checkWritten(const BenchFiles& files, int written, const char* who)
{
    if (written != files.id1Count())
        return std::string(who) + ": wrote " + std::to_string(written) + " of " + std::to_string(files.id1Count())
            + " tags";
    return {};
}

Pass writeWithLibrary(const BenchFiles& files, const WriteValues& values)
{
    const int shownBefore = g_messages.shown();
    int written = 0;
    const Clock::time_point start = Clock::now();
    for (const QString& path : files.taggedPaths()) {
        MP3Tag tag;
        tag.init(path);
        tag.setSongName(values.title);
        tag.setArtist(values.artist);
        tag.setAlbum(values.album);
        tag.setYear(values.year);
        tag.setComment(values.comment);
        tag.setTrack(values.track);
        tag.setGenre(values.genre);
        tag.writeTag();
        written += !tag.FileError();
    }
    Pass pass;
    pass.ms = millisecondsSince(start);
    pass.error = checkWritten(files, written, "library write");
    if (pass.error.empty())
        pass.error = g_messages.shownSince(shownBefore);
    return pass;
}

// The least a writer over an existing tag must do: open read-write, the size, check the 3 bytes
// at size - 128 are "TAG", write the 128 bytes there, close.
Pass writeFloor(const BenchFiles& files, const QByteArray& tag)
{
    int written = 0;
    const Clock::time_point start = Clock::now();
    for (const QByteArray& path : files.taggedNativePaths()) {
        const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        char marker[3];
        struct stat info { };
        if (::fstat(fd, &info) == 0 && info.st_size >= kTagSize
            && ::pread(fd, marker, sizeof marker, info.st_size - kTagSize) == sizeof marker
            && std::memcmp(marker, "TAG", 3) == 0
            && ::pwrite(fd, tag.constData(), kTagSize, info.st_size - kTagSize) == kTagSize)
            ++written;
        ::close(fd);
    }
    Pass pass;
    pass.ms = millisecondsSince(start);
    pass.error = checkWritten(files, written, "write floor");
    return pass;
}

// Empty when every tagged file ends with exactly these 128 bytes, so both writers leave the same
// files; otherwise the first file that does not.
std::string checkTails(const BenchFiles& files, const QByteArray& tag, const char* who)
{
    for (const QByteArray& path : files.taggedNativePaths()) {
        QFile file(QFile::decodeName(path));
        if (!file.open(QIODevice::ReadOnly) || !file.seek(file.size() - kTagSize) || file.read(kTagSize) != tag)
            return std::string(who) + ": " + path.toStdString() + " does not end with the expected tag";
    }
    return {};
}

void BM_WriteTags(benchmark::State& state)
{
    const BenchFiles* files = sampleOrSkip(state);
    if (!files)
        return;
    const WriteValues values;
    const QByteArray tag = values.tagBytes();
    // The files still hold their own tags: one library pass must leave every one ending with
    // exactly the bytes the floor writes, so both do the same work.
    const Pass first = writeWithLibrary(*files, values);
    const std::string error = first.error.empty() ? checkTails(*files, tag, "library write") : first.error;
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    Comparison comparison;
    comparison.title = "write tags";
    comparison.subjectName = "library";
    comparison.floorNote = "open read-write, fstat, pread 3 bytes at size-128, pwrite 128 bytes there, close";
    comparison.target = 0.8;
    comparison.files = files->id1Count();
    compare(
        state, std::move(comparison), [&] { return writeWithLibrary(*files, values); },
        [&] { return writeFloor(*files, tag); });
}

// ---- the command-line program ----

// What sondrel-cli info prints: its text lines, or JSON with the ID3v2 fields too.
enum class InfoOutput { Text, Json };

// Runs sondrel-cli info --files-from LIST with stdout to outPath and stderr to a scratch file;
// the time is from the spawn to the reaped exit.
Pass runCliInfo(const BenchFiles& files, const QByteArray& outPath, InfoOutput output = InfoOutput::Text)
{
    const std::string list = QFile::encodeName(files.listPath()).toStdString();
    const QByteArray errPath = QFile::encodeName(files.scratchPath(QStringLiteral("cli-stderr.txt")));
    std::vector<std::string> arguments = {SONDREL_CLI_PATH, "info", "--files-from", list};
    if (output == InfoOutput::Json)
        arguments.insert(arguments.begin() + 2, "--json");
    const ProcessRun run
        = runProcess(SONDREL_CLI_PATH, arguments, "sondrel-cli info", outPath.toStdString(), errPath.toStdString());
    return {run.ms, run.error};
}

// Runs the program once into a file and checks its lines: one a file; as text, "(none)" for each
// file without an ID3v1 tag and "Yes" for each with an ID3v2 tag; as JSON, the fields of every
// ID3v2 tag.
Pass checkedCliInfo(const BenchFiles& files, InfoOutput output = InfoOutput::Text)
{
    const QString outPath = files.scratchPath(QStringLiteral("cli-stdout.txt"));
    Pass pass = runCliInfo(files, QFile::encodeName(outPath), output);
    if (!pass.error.empty())
        return pass;
    QFile out(outPath);
    if (!out.open(QIODevice::ReadOnly)) {
        pass.error = "cannot read the output of sondrel-cli info";
        return pass;
    }
    const QByteArray text = out.readAll();
    const qsizetype lines = text.count('\n');
    if (output == InfoOutput::Json) {
        const qsizetype read = text.count("\"id3v2tag\":{\"version\":\"2.3\"");
        if (lines != BenchFiles::Count || read != files.id2Count() || !text.contains("\"title\":\"Song 1\""))
            pass.error = "sondrel-cli info --json printed " + std::to_string(lines) + " lines, " + std::to_string(read)
                + " ID3v2 tags read";
        return pass;
    }
    const qsizetype none = text.count("\t(none)\t");
    const qsizetype yes = text.count("\tYes\n");
    if (lines != BenchFiles::Count || none != BenchFiles::Count - files.id1Count() || yes != files.id2Count())
        pass.error = "sondrel-cli info printed " + std::to_string(lines) + " lines, " + std::to_string(none)
            + " without ID3v1, " + std::to_string(yes) + " with ID3v2";
    return pass;
}

// sondrel-cli info beside the read floor of what it reads: with --json, the ID3v2 tag's whole
// area too, whose fields it also parses.
void benchCliInfo(benchmark::State& state, InfoOutput output)
{
    const BenchFiles* files = sampleOrSkip(state);
    if (!files)
        return;
    const Pass checked = checkedCliInfo(*files, output);
    if (!checked.error.empty()) {
        state.SkipWithError(checked.error.c_str());
        return;
    }
    const bool json = output == InfoOutput::Json;
    Comparison comparison;
    comparison.title = json ? "sondrel-cli info --json --files-from LIST (20 % with an ID3v2 tag of about 1 KiB)"
                            : "sondrel-cli info --files-from LIST";
    comparison.subjectName = "process";
    comparison.floorNote = json
        ? "the read floor of both tags for the same files, done in this process, and nothing else"
        : "the read floor for the same files, done in this process, and nothing else";
    comparison.target = json ? 0.6 : 0.7;
    comparison.files = int(files->paths().size());
    compare(
        state, std::move(comparison), [&] { return runCliInfo(*files, "/dev/null", output); },
        [&] { return readFloor(*files, json ? Id3v2Part::Area : Id3v2Part::Marker); });
}

void BM_CliInfo(benchmark::State& state)
{
    benchCliInfo(state, InfoOutput::Text);
}

void BM_CliInfoJson(benchmark::State& state)
{
    benchCliInfo(state, InfoOutput::Json);
}

// Runs sondrel-cli write with every field given over the files that end with an ID3v1 tag: each
// file's tag is read, changed and written in place, as the write floor leaves it.
Pass runCliWrite(const BenchFiles& files, const WriteValues& values)
{
    const std::string list = QFile::encodeName(files.taggedListPath()).toStdString();
    const std::string errPath = QFile::encodeName(files.scratchPath(QStringLiteral("cli-stderr.txt"))).toStdString();
    const auto text = [](const QString& value) { return value.toStdString(); };
    const ProcessRun run = runProcess(SONDREL_CLI_PATH,
        {SONDREL_CLI_PATH, "write", "--title", text(values.title), "--artist", text(values.artist), "--album",
            text(values.album), "--year", text(values.year), "--comment", text(values.comment), "--track",
            std::to_string(values.track.at(0).unicode()), "--genre", std::to_string(values.genre.at(0).unicode()),
            "--files-from", list},
        "sondrel-cli write", "/dev/null", errPath);
    return {run.ms, run.error};
}

void BM_CliWrite(benchmark::State& state)
{
    const BenchFiles* files = sampleOrSkip(state);
    if (!files)
        return;
    const WriteValues values;
    const QByteArray tag = values.tagBytes();
    const Pass first = runCliWrite(*files, values);
    const std::string error = first.error.empty() ? checkTails(*files, tag, "sondrel-cli write") : first.error;
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    Comparison comparison;
    comparison.title = "sondrel-cli write --files-from LIST (every field)";
    comparison.subjectName = "process";
    comparison.floorNote = "the write floor for the same files, done in this process, and nothing else";
    comparison.target = 0.7;
    comparison.files = files->id1Count();
    compare(
        state, std::move(comparison), [&] { return runCliWrite(*files, values); },
        [&] { return writeFloor(*files, tag); });
}

// The summary goes to stdout beside the console table, or to stderr when stdout carries JSON or CSV.
void printSummary(std::FILE* out)
{
    if (g_comparisons.empty())
        return;
    std::fprintf(out, "\nSummary (medians; ratio = floor / subject, higher is better):\n");
    for (const Comparison& c : g_comparisons)
        c.print(out);
}

} // namespace

BENCHMARK(BM_ReadTags)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTags)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliInfo)->Iterations(kCliRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliInfoJson)->Iterations(kCliRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliWrite)->Iterations(kCliRounds)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    MessagesScope scope(g_messages);
    return runBenchmarks(argc, argv, printSummary);
}
