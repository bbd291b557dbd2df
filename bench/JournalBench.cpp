// Times the undo journal beside the same work without it, measured in the same run:
//
// - ID3v1 writes: a new artist written into the tags of 10,000 small files through MP3Tag, as one
//   journaled batch told its files ahead (group commit), beside the same loop with journaling off.
//   Target: at most a quarter slower (ratio >= 0.8).
// - renames: 10,000 files renamed as one journaled batch, beside the same renames unjournaled.
//   Target: ratio >= 0.8.
// - undo: undoing the 10,000 renames (itself a journaled batch) beside renaming them back plainly;
//   target: under 2 s.
// - ID3v2 in place: a new title in the tag of a 10 MiB file whose tag has room for it, written in
//   place with the journal recording, beside the whole-file rewrite the program makes without it.
//   Shown for comparison: the program writes in place whenever the journal records and the tag fits.
//
// Every pass changes every file (the text written alternates), the journal lives in the sample's
// folder, and each round runs the subject and its floor in alternating order; figures are medians.

#include <cstdio>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "journal/Journal.h"
#include "journal/JournalHistory.h"
#include "tags/Id3v2.h"
#include "tags/Id3v2Edit.h"
#include "tags/MP3Tag.h"

namespace {

constexpr int kCount = 10000;
constexpr int kRounds = 11;
constexpr int kBigRounds = 15;
constexpr qint64 kBigSize = qint64(10) << 20;

CountingMessages g_messages;
std::vector<FileComparison> g_comparisons;
double g_undoMs = 0;

struct Pass {
    double ms = 0;
    std::string error;
};

class Sample {
public:
    static Sample& instance()
    {
        static Sample sample;
        return sample;
    }

    const std::string& error() const { return m_error; }
    const QStringList& songs() const { return m_songs; }
    // The renamed files under their first names, and under their second.
    const QStringList& firstNames() const { return m_firstNames; }
    const QStringList& secondNames() const { return m_secondNames; }
    QString big() const { return m_big; }
    QString journal() const { return QString::fromStdString(m_folder.path()) + QStringLiteral("/journal"); }

private:
    Sample()
    {
        QByteArray audio(2048, '\x55');
        audio[0] = char(255);
        const QByteArray tag = "TAG" + QByteArray(125, '\0');
        const QString folder = QString::fromStdString(m_folder.path());
        for (int i = 0; i < kCount; ++i) {
            m_songs.append(folder + QStringLiteral("/song%1.mp3").arg(i));
            m_firstNames.append(folder + QStringLiteral("/first%1.mp3").arg(i));
            m_secondNames.append(folder + QStringLiteral("/second%1.mp3").arg(i));
            if (!write(m_songs.last(), audio + tag) || !write(m_firstNames.last(), audio + tag))
                m_error = "cannot write the sample files under " + m_folder.path();
        }
        // A tag of about 1 KiB with 4 KiB of room, then 10 MiB of audio.
        Id3v2Fields fields;
        fields.title = QStringLiteral("Old Title");
        fields.comment = QString(900, u'c');
        const QByteArray rendered = Id3v2::edited({}, fields, 4, [](int) { return QString(); }).tag;
        QByteArray bigAudio(kBigSize, '\x55');
        bigAudio[0] = char(255);
        m_big = folder + QStringLiteral("/big.mp3");
        if (!write(m_big, *Id3v2::paddedTo(rendered, rendered.size() + 4096) + bigAudio))
            m_error = "cannot write the big file";
    }

    static bool write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }

    ScratchFolder m_folder{"/tmp/sondrel-journal-bench-XXXXXX"};
    std::string m_error;
    QStringList m_songs;
    QStringList m_firstNames;
    QStringList m_secondNames;
    QString m_big;
};

void useJournal(bool on)
{
    Journal::Settings settings;
    settings.enabled = on;
    settings.folder = Sample::instance().journal();
    Journal::configure(settings);
}

// ---- ID3v1 writes ----

int g_writes = 0;

Pass writeArtists(bool journaled)
{
    const Sample& sample = Sample::instance();
    const QString artist = QStringLiteral("Artist %1").arg(++g_writes);
    useJournal(journaled);
    const int shownBefore = g_messages.shown();
    const Clock::time_point start = Clock::now();
    {
        Journal::Batch batch(QStringLiteral("Bench, 10,000 files"));
        if (!batch.ready())
            return {0, "the journal cannot be written"};
        Journal::expectTailChanges(sample.songs());
        for (const QString& path : sample.songs()) {
            MP3Tag tag;
            tag.init(path);
            tag.changeTag(
                [&] {
                    tag.setArtist(artist);
                    tag.writeTag();
                },
                MP3Tag::Reading::Id3v1Only);
        }
    }
    Pass pass{millisecondsSince(start), g_messages.shownSince(shownBefore)};
    MP3Tag check;
    check.init(sample.songs().back());
    check.ReadTag();
    if (pass.error.empty() && check.Artist() != artist)
        pass.error = "the last file does not hold the new artist";
    return pass;
}

void BM_Id3v1Writes(benchmark::State& state)
{
    if (!Sample::instance().error().empty()) {
        state.SkipWithError(Sample::instance().error().c_str());
        return;
    }
    FileComparison comparison;
    comparison.title = "journaled ID3v1 writes (MP3Tag, one batch)";
    comparison.subjectName = "journaled";
    comparison.floorNote = "the same writes with journaling off";
    comparison.target = 0.8;
    comparison.files = kCount;
    if (measureEachIteration(
            state, comparison, [] { return writeArtists(true); }, [] { return writeArtists(false); }))
        g_comparisons.push_back(std::move(comparison));
}

// ---- renames ----

bool g_atFirstNames = true;

// Renames every file to its other name, journaled as one batch or not; the batch's id.
Pass renameAll(bool journaled, quint64* batchId = nullptr)
{
    const Sample& sample = Sample::instance();
    const QStringList& from = g_atFirstNames ? sample.firstNames() : sample.secondNames();
    const QStringList& to = g_atFirstNames ? sample.secondNames() : sample.firstNames();
    useJournal(journaled);
    const Clock::time_point start = Clock::now();
    int renamed = 0;
    {
        Journal::Batch batch(QStringLiteral("Bench renames, 10,000 files"));
        if (!batch.ready())
            return {0, "the journal cannot be written"};
        QList<std::pair<QString, QString>> renames;
        renames.reserve(kCount);
        for (int i = 0; i < kCount; ++i)
            renames.append({from[i], to[i]});
        Journal::expectRenames(renames);
        for (const auto& [source, target] : renames)
            renamed += bool(Journal::renameNoReplace(source, target));
        if (batchId)
            *batchId = batch.id();
    }
    Pass pass{millisecondsSince(start), {}};
    if (renamed != kCount)
        pass.error = "renamed " + std::to_string(renamed) + " files";
    g_atFirstNames = !g_atFirstNames;
    return pass;
}

void BM_Renames(benchmark::State& state)
{
    FileComparison comparison;
    comparison.title = "journaled renames (one batch)";
    comparison.subjectName = "journaled";
    comparison.floorNote = "the same renames with journaling off";
    comparison.target = 0.8;
    comparison.files = kCount;
    if (measureEachIteration(
            state, comparison, [] { return renameAll(true); }, [] { return renameAll(false); }))
        g_comparisons.push_back(std::move(comparison));
}

Pass undoRenames()
{
    quint64 id = 0;
    if (Pass renamed = renameAll(true, &id); !renamed.error.empty())
        return renamed;
    const Clock::time_point start = Clock::now();
    const Result<Journal::Outcome> undone = Journal::undo(id);
    Pass pass{millisecondsSince(start), {}};
    if (!undone || undone->restored != kCount || !undone->refused.isEmpty())
        pass.error = "the undo did not put every file back";
    g_atFirstNames = !g_atFirstNames;
    return pass;
}

// Renames every file away and times renaming it back, both with journaling off.
Pass renameBackPlainly()
{
    if (Pass renamed = renameAll(false); !renamed.error.empty())
        return renamed;
    return renameAll(false);
}

void BM_UndoRenames(benchmark::State& state)
{
    FileComparison comparison;
    comparison.title = "undo of 10,000 renames";
    comparison.subjectName = "undo";
    comparison.floorNote = "renaming them back with journaling off";
    comparison.files = kCount;
    if (measureEachIteration(state, comparison, undoRenames, renameBackPlainly)) {
        g_undoMs = median(comparison.subjectMs);
        g_comparisons.push_back(std::move(comparison));
    }
}

// ---- ID3v2 in place ----

int g_titles = 0;

Pass writeBigTitle(bool journaled)
{
    useJournal(journaled);
    const QString title = QStringLiteral("Title %1").arg(++g_titles);
    const int shownBefore = g_messages.shown();
    const Clock::time_point start = Clock::now();
    {
        Journal::Batch batch(QStringLiteral("Bench ID3v2, 1 file"));
        MP3Tag tag;
        tag.init(Sample::instance().big());
        tag.changeId3v2([&](Id3v2Fields& fields) { fields.title = title; }, 4);
    }
    return {millisecondsSince(start), g_messages.shownSince(shownBefore)};
}

void BM_Id3v2InPlace(benchmark::State& state)
{
    FileComparison comparison;
    comparison.title = "ID3v2 title on a 10 MiB file, in place with the journal";
    comparison.subjectName = "in_place";
    comparison.floorNote = "the whole-file rewrite made without the journal (temporary file, fsync, rename)";
    comparison.files = 1;
    comparison.bytes = kBigSize;
    if (measureEachIteration(
            state, comparison, [] { return writeBigTitle(true); }, [] { return writeBigTitle(false); }))
        g_comparisons.push_back(std::move(comparison));
}

void printSummary(std::FILE* out)
{
    if (g_comparisons.empty())
        return;
    std::fprintf(out, "\nSummary (medians; ratio = floor / subject, higher is better; from the page cache):\n");
    for (const FileComparison& c : g_comparisons)
        c.print(out);
    if (g_undoMs > 0)
        std::fprintf(out, "undo of 10,000 renames: %.0f ms (target < 2,000 ms) %s\n", g_undoMs,
            g_undoMs < 2000 ? "met" : "NOT MET");
}

} // namespace

BENCHMARK(BM_Id3v1Writes)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Renames)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRenames)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Id3v2InPlace)->Iterations(kBigRounds)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MessagesScope scope(g_messages);
    return runBenchmarks(argc, argv, printSummary);
}
