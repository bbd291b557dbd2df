// Times writing ID3v2 title and artist texts on 1,000 files (128 KiB each, with a 2.4 tag of about
// 1 KiB in front) beside the floor of a safe rewrite, measured in the same run: open, read the
// 10-byte header and the tag, write the new tag and the audio after the old one into a new file
// beside it, fsync it, rename it over and fsync the folder. The new tag's bytes are given to the
// floor ready-made; the subject reads, parses, edits and renders each tag.
//
// For comparison only, two writers that change the file in place without fsync (so with neither
// the old-or-new guarantee nor the durability of the subject and the floor): the tag library's own
// file saving, and mutagen (python3-mutagen) as a whole process over all the files.
//
// Files are made again (and flushed) before each pass, outside the clocks; the figures are medians
// of the rounds, and the ratio is floor / subject.

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <unistd.h>
#include <vector>

#include <QFile>
#include <QString>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "tags/Id3v2Edit.h"
#include "tags/MP3Tag.h"

namespace {

constexpr int kRounds = 5;
constexpr int kCount = 1000;
constexpr qint64 kAudioSize = 128 << 10;
const QString kTitle = QStringLiteral("A New Title");
const QString kArtist = QStringLiteral("A New Artist");

CountingMessages g_messages;

struct Pass {
    double ms = 0;
    std::string error;
};

QString noGenre(int)
{
    return {};
}

// The sample's tag: 2.4, with an album, a year, a comment and a private frame of its own that the
// writes keep, about 1 KiB in all.
QByteArray sampleTag()
{
    Id3v2Fields fields;
    fields.title = QStringLiteral("Old Title");
    fields.artist = QStringLiteral("Old Artist");
    fields.album = QStringLiteral("Album");
    fields.year = QStringLiteral("2001");
    fields.comment = QString(700, u'c');
    return Id3v2::edited({}, fields, 4, noGenre).tag;
}

class Sample {
public:
    static Sample& instance()
    {
        static Sample sample;
        return sample;
    }

    const std::string& error() const { return m_error; }
    const std::vector<std::string>& paths() const { return m_paths; }
    const std::string& folder() const { return m_folder.path(); }
    const std::string& list() const { return m_list; }
    const QByteArray& content() const { return m_content; }

    // Every file written again whole, with the old tag, and flushed.
    bool rewrite()
    {
        for (const std::string& path : m_paths) {
            QFile file(QString::fromStdString(path));
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(m_content) != m_content.size())
                return false;
        }
        ::sync();
        return true;
    }

private:
    Sample()
    {
        if (m_folder.path().empty()) {
            m_error = "cannot make a folder in /tmp";
            return;
        }
        QByteArray audio(kAudioSize, '\x55');
        audio[0] = char(255);
        m_content = sampleTag() + audio;
        for (int i = 0; i < kCount; ++i) {
            m_paths.push_back(m_folder.path() + "/song" + std::to_string(i) + ".mp3");
            m_list += m_paths.back() + '\n';
        }
        QFile list(QString::fromStdString(m_folder.path() + "/files.lst"));
        if (!list.open(QIODevice::WriteOnly) || list.write(m_list.data(), qint64(m_list.size())) < 0 || !rewrite())
            m_error = "cannot write the sample files under " + m_folder.path();
        m_list = m_folder.path() + "/files.lst";
    }

    ScratchFolder m_folder{"/tmp/sondrel-id3v2-write-XXXXXX"};
    std::string m_error;
    std::string m_list;
    QByteArray m_content;
    std::vector<std::string> m_paths;
};

// Empty when every file holds exactly expected; otherwise the first that does not.
std::string checkFiles(const std::vector<std::string>& paths, const QByteArray& expected, const char* who)
{
    for (const std::string& path : paths) {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly) || file.readAll() != expected)
            return std::string(who) + ": " + path + " does not hold the expected bytes";
    }
    return {};
}

// The bytes every file holds after the subject's write, found by writing the first one.
QByteArray writtenContent(const Sample& sample)
{
    MP3Tag tag;
    tag.init(QString::fromStdString(sample.paths().front()));
    tag.changeId3v2(
        [](Id3v2Fields& fields) {
            fields.title = kTitle;
            fields.artist = kArtist;
        },
        4);
    QFile file(QString::fromStdString(sample.paths().front()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Pass writeWithTag(const Sample& sample, const QByteArray& expected)
{
    const int shownBefore = g_messages.shown();
    const Clock::time_point start = Clock::now();
    for (const std::string& path : sample.paths()) {
        MP3Tag tag;
        tag.init(QString::fromStdString(path));
        tag.changeId3v2(
            [](Id3v2Fields& fields) {
                fields.title = kTitle;
                fields.artist = kArtist;
            },
            4);
    }
    Pass pass;
    pass.ms = millisecondsSince(start);
    pass.error = g_messages.shownSince(shownBefore);
    if (pass.error.empty())
        pass.error = checkFiles(sample.paths(), expected, "MP3Tag::changeId3v2");
    return pass;
}

Pass writeFloor(const Sample& sample, const QByteArray& expected, const QByteArray& newTag)
{
    std::vector<char> buffer(1 << 20);
    int written = 0;
    const Clock::time_point start = Clock::now();
    const int folder = ::open(sample.folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const std::string& path : sample.paths())
        written += replaceId3v2Tag(path, newTag, true, buffer) && ::fsync(folder) == 0;
    ::close(folder);
    Pass pass;
    pass.ms = millisecondsSince(start);
    pass.error = written == kCount ? checkFiles(sample.paths(), expected, "floor")
                                   : "floor: wrote " + std::to_string(written) + " files";
    return pass;
}

// Empty when every file's ID3v2 title and artist are the new ones, as the program reads them.
std::string checkTexts(const Sample& sample, const char* who)
{
    for (const std::string& path : sample.paths()) {
        MP3Tag tag;
        tag.init(QString::fromStdString(path));
        tag.ReadTag(MP3Tag::Reading::AllTags);
        const Id3v2Fields& fields = tag.Id3v2Tag().fields;
        if (fields.title != kTitle || fields.artist != kArtist || fields.album != QStringLiteral("Album"))
            return std::string(who) + ": " + path + " does not read as written";
    }
    return {};
}

Pass writeWithTagLibSave(const Sample& sample)
{
    const Clock::time_point start = Clock::now();
    for (const std::string& path : sample.paths()) {
        TagLib::MPEG::File file(path.c_str(), false);
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        tag->setTitle(TagLib::String(kTitle.toStdString(), TagLib::String::UTF8));
        tag->setArtist(TagLib::String(kArtist.toStdString(), TagLib::String::UTF8));
        file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4, TagLib::File::DoNotDuplicate);
    }
    Pass pass;
    pass.ms = millisecondsSince(start);
    pass.error = checkTexts(sample, "the tag library's save");
    return pass;
}

const char* const kMutagenScript = R"(import sys
from mutagen.id3 import ID3, TIT2, TPE1
for path in open(sys.argv[1]).read().split("\n"):
    if path:
        tag = ID3(path)
        tag.add(TIT2(encoding=3, text=sys.argv[2]))
        tag.add(TPE1(encoding=3, text=sys.argv[3]))
        tag.save()
)";

Pass writeWithMutagen(const Sample& sample)
{
    const ProcessRun run = runProcess("/usr/bin/python3",
        {"python3", "-c", kMutagenScript, sample.list(), kTitle.toStdString(), kArtist.toStdString()}, "mutagen");
    Pass pass{run.ms, run.error};
    if (pass.error.empty())
        pass.error = checkTexts(sample, "mutagen");
    return pass;
}

std::vector<FileComparison> g_comparisons;

// One subject beside the floor, the files made again before every pass.
template <class Subject> void compareWithFloor(benchmark::State& state, FileComparison comparison, Subject subject)
{
    Sample& sample = Sample::instance();
    if (!sample.error().empty()) {
        state.SkipWithError(sample.error().c_str());
        return;
    }
    if (!sample.rewrite()) {
        state.SkipWithError("cannot make the files again");
        return;
    }
    const QByteArray expected = writtenContent(sample);
    const QByteArray newTag = expected.chopped(kAudioSize);
    const auto fresh = [&](auto side) {
        return [&sample, side] { return sample.rewrite() ? side() : Pass{0, "cannot make the files again"}; };
    };
    comparison.files = kCount;
    comparison.bytes = qint64(kCount) * expected.size();
    if (measureEachIteration(state, comparison, fresh([&] { return subject(sample, expected); }),
            fresh([&] { return writeFloor(sample, expected, newTag); })))
        g_comparisons.push_back(std::move(comparison));
}

const char* const kFloorNote
    = "open, read the header and the tag, new tag + the rest into a new file beside it, fsync, rename over, "
      "fsync the folder";

void BM_WriteId3v2(benchmark::State& state)
{
    FileComparison comparison;
    comparison.title = "write ID3v2 title and artist (MP3Tag::changeId3v2)";
    comparison.subjectName = "MP3Tag";
    comparison.floorNote = kFloorNote;
    comparison.target = 0.8;
    compareWithFloor(state, std::move(comparison), writeWithTag);
}

void BM_WriteId3v2WithTagLibSave(benchmark::State& state)
{
    FileComparison comparison;
    comparison.title = "for comparison: the tag library's MPEG::File::save, in place, without fsync";
    comparison.subjectName = "save";
    comparison.floorNote = kFloorNote;
    compareWithFloor(state, std::move(comparison),
        [](const Sample& sample, const QByteArray&) { return writeWithTagLibSave(sample); });
}

void BM_WriteId3v2WithMutagen(benchmark::State& state)
{
    if (!std::filesystem::exists("/usr/lib/python3/dist-packages/mutagen")) {
        state.SkipWithError("python3-mutagen is not installed");
        return;
    }
    FileComparison comparison;
    comparison.title = "for comparison: mutagen, one process, in place, without fsync";
    comparison.subjectName = "mutagen";
    comparison.floorNote = kFloorNote;
    compareWithFloor(
        state, std::move(comparison), [](const Sample& sample, const QByteArray&) { return writeWithMutagen(sample); });
}

void printSummary(std::FILE* out)
{
    std::fprintf(out, "\nSummary (medians; ratio = floor / subject, higher is better):\n");
    for (const FileComparison& comparison : g_comparisons)
        comparison.print(out);
}

} // namespace

BENCHMARK(BM_WriteId3v2)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteId3v2WithTagLibSave)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteId3v2WithMutagen)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    const MessagesScope quiet(g_messages);
    return runBenchmarks(argc, argv, printSummary);
}
