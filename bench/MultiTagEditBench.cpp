// Times editing the tags of many selected rows at once, beside a floor measured in the same run:
// the least plain POSIX work that leaves the same files, done in this process.
//
// - edit the album of 10,000 rows: MultiTagWriting::load (the texts the tags share) and
//   MultiTagWriting::write with one ID3v1 field changed, over playlist entries of small files
//   (2 KiB and a 128-byte tag, the artists all different), each entry read beforehand; the floor
//   opens each file read-write, fstats it, preads the 128 bytes at size - 128, checks "TAG",
//   pwrites the tag with the new album there and closes it. The pass reads each file again after
//   its write so that its row shows it; the floor does not.
//
// Each pass writes the other of two albums, so every pass changes every file. One untimed pass of
// each side warms the page cache and checks the answers. Each round runs the subject and its
// floor, alternating which goes first; the figures are medians of the rounds and the ratio is
// floor / subject, so 1.0 means the subject costs no more than the floor.

#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "format/MultiTagWriting.h"
#include "playlist/PlaylistModel.h"

namespace {

constexpr int kRounds = 7;
constexpr int kCount = 10000;
constexpr int kAudio = 2048;
constexpr int kTagSize = 128;
constexpr int kAlbumOffset = 3 + 30 + 30;
constexpr int kAlbumWidth = 30;

CountingMessages g_messages;

struct Pass {
    double ms = 0;
    std::string error;
};

using Comparison = FileComparison;
std::vector<Comparison> g_comparisons;

// The 128 bytes of file i's tag with the album given.
std::string tagOf(int i, const char* album)
{
    std::string tag(kTagSize, '\0');
    std::memcpy(tag.data(), "TAG", 3);
    std::memcpy(tag.data() + 3, "Bench Title", 11);
    const std::string artist = "Artist " + std::to_string(i);
    std::memcpy(tag.data() + 33, artist.data(), artist.size());
    std::memcpy(tag.data() + kAlbumOffset, album, std::strlen(album));
    return tag;
}

// The folder of the run and its files, removed when the program ends.
class Sample {
public:
    Sample()
    {
        if (m_folder.path().empty())
            return;
        for (int i = 0; i < kCount; ++i) {
            m_paths.push_back(m_folder.path() + "/track" + std::to_string(i) + ".mp3");
            const std::string bytes = std::string(kAudio, char(255)) + tagOf(i, "Disc");
            const int fd = ::open(m_paths.back().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            const bool written = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
            if (fd < 0 || ::close(fd) != 0 || !written) {
                m_paths.clear();
                return;
            }
        }
    }
    const std::vector<std::string>& paths() const { return m_paths; }

private:
    ScratchFolder m_folder{"/tmp/sondrel-multiedit-XXXXXX"};
    std::vector<std::string> m_paths;
};

// Empty when every file holds its tag with album; otherwise the first that does not.
std::string checkAlbums(const std::vector<std::string>& paths, const char* album, const char* who)
{
    for (std::size_t i = 0; i < paths.size(); ++i) {
        char tail[kTagSize];
        const int fd = ::open(paths[i].c_str(), O_RDONLY | O_CLOEXEC);
        const bool read = fd >= 0 && ::pread(fd, tail, sizeof tail, kAudio) == kTagSize;
        if (fd >= 0)
            ::close(fd);
        if (!read || std::string(tail, kTagSize) != tagOf(int(i), album))
            return std::string(who) + ": " + paths[i] + " does not hold the album " + album;
    }
    return {};
}

Pass editWithPlaylist(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries,
    const std::vector<std::string>& paths, const char* album)
{
    const int shownBefore = g_messages.shown();
    MultiTagEdit::Edits edits;
    edits[MultiTagEdit::Album] = QString::fromLatin1(album);
    const Clock::time_point start = Clock::now();
    const MultiTagWriting::Loaded loaded = MultiTagWriting::load(entries);
    const MultiTagWriting::Outcome outcome = MultiTagWriting::write(model, entries, edits, {}, 4);
    Pass pass;
    pass.ms = millisecondsSince(start);
    if (!loaded.id3v1[MultiTagEdit::Artist].differs || outcome.written != qsizetype(entries.size())
        || !outcome.problems.empty())
        pass.error = "MultiTagWriting: wrong outcome (" + std::to_string(outcome.written) + " written)";
    if (pass.error.empty())
        pass.error = checkAlbums(paths, album, "MultiTagWriting");
    if (pass.error.empty())
        pass.error = g_messages.shownSince(shownBefore);
    return pass;
}

Pass editFloor(const std::vector<std::string>& paths, const char* album)
{
    int written = 0;
    const Clock::time_point start = Clock::now();
    for (const std::string& path : paths) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        char tag[kTagSize];
        struct stat info { };
        if (::fstat(fd, &info) == 0 && info.st_size >= kTagSize
            && ::pread(fd, tag, sizeof tag, info.st_size - kTagSize) == kTagSize && std::memcmp(tag, "TAG", 3) == 0) {
            std::memset(tag + kAlbumOffset, 0, kAlbumWidth);
            std::memcpy(tag + kAlbumOffset, album, std::strlen(album));
            written += ::pwrite(fd, tag, sizeof tag, info.st_size - kTagSize) == kTagSize;
        }
        ::close(fd);
    }
    Pass pass;
    pass.ms = millisecondsSince(start);
    if (written != int(paths.size()))
        pass.error = "floor: wrote " + std::to_string(written) + " tags";
    else
        pass.error = checkAlbums(paths, album, "floor");
    return pass;
}

void BM_EditAlbumOfSelection(benchmark::State& state)
{
    static const Sample sample;
    const std::vector<std::string>& paths = sample.paths();
    if (paths.empty()) {
        state.SkipWithError("cannot write the sample files under /tmp");
        return;
    }
    PlaylistModel model;
    std::vector<PlaylistEntry> list;
    list.reserve(paths.size());
    for (const std::string& path : paths)
        list.push_back(PlaylistEntry{QFile::decodeName(path.c_str()), QStringLiteral("Title"), QStringLiteral("???")});
    model.appendEntries(list);
    std::vector<std::shared_ptr<MP3Node>> entries;
    for (qsizetype i = 0; i < model.size(); ++i)
        entries.push_back(model.findItem(i));
    if (MultiTagWriting::prepare(model, entries).entries.size() != entries.size()) {
        state.SkipWithError("the sample's tags cannot be read");
        return;
    }

    // Each pass writes the other album, so that every pass changes every file.
    int passes = 0;
    const auto nextAlbum = [&passes] { return ++passes % 2 == 0 ? "Album Even" : "Album Odd"; };
    Comparison comparison;
    comparison.target = 0.3;
    comparison.title = "edit the album of 10,000 selected rows (MultiTagWriting load and write)";
    comparison.subjectName = "MultiTagWriting";
    comparison.floorNote = "open read-write, fstat, pread the 128 bytes at size-128, pwrite them changed, close";
    comparison.files = kCount;
    if (measureEachIteration(
            state, comparison, [&] { return editWithPlaylist(model, entries, paths, nextAlbum()); },
            [&] { return editFloor(paths, nextAlbum()); }))
        g_comparisons.push_back(std::move(comparison));
}

void printSummary(std::FILE* out)
{
    if (g_comparisons.empty())
        return;
    std::fprintf(out, "\nSummary (medians; ratio = floor / subject, higher is better; from the page cache):\n");
    for (const Comparison& c : g_comparisons)
        c.print(out);
}

} // namespace

BENCHMARK(BM_EditAlbumOfSelection)->Iterations(kRounds)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MessagesScope scope(g_messages);
    return runBenchmarks(argc, argv, printSummary);
}
