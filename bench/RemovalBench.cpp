// Times tag removal and file copying, each beside a floor measured in the same run: the least
// plain POSIX work that leaves the same files, done in this process.
//
// - remove ID3v1 tags: removeTags on 10,000 playlist entries of small files (2 KiB and a 128-byte
//   tag), each entry read beforehand; the floor opens each file read-write, fstats it, preads the
//   3 bytes at size - 128 and truncates the tag off.
// - sondrel-cli remove --id3v1 on the same 10,000 files as a whole process, beside the same floor.
// - remove ID3v2 tags: MP3Tag::setHasID2Tag(false) on big files (4 MiB, a tag of 1,010 bytes in
//   front), each tag read beforehand; the floor reads the bytes after the tag into a new file in the
//   same folder, fsyncs it and renames it over the original.
// - copy files: FileOps::copyFile on the same big files into another folder, beside one /bin/cp
//   process given all of them; both in MB/s.
//
// Files are made again (tags put back, copies removed, everything flushed) before each pass,
// outside the clocks. The page cache cannot be dropped without root, so one untimed pass of each
// side warms it and checks the answers: the figures are from the page cache. Each round runs the
// subject and its floor, alternating which goes first; the figures are medians of the rounds and
// the ratio is floor / subject, so 1.0 means the subject costs no more than the floor.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "base/FileOps.h"
#include "playlist/PlaylistModel.h"
#include "playlist/TagRemoval.h"
#include "tags/MP3Tag.h"

namespace {

constexpr int kSmallRounds = 7;
constexpr int kBigRounds = 3;
constexpr int kSmallCount = 10000;
constexpr int kSmallAudio = 2048;
constexpr int kTagSize = 128;
// Lowered from 1,000 when a whole run took too long; see the summary.
constexpr int kBigCount = 250;
constexpr qint64 kBigSize = 4 << 20;
constexpr int kId2Data = 1000;
constexpr int kId2Length = 10 + kId2Data;

CountingMessages g_messages;

struct Pass {
    double ms = 0;
    std::string error;
};

// ---- the files ----

bool writeWhole(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    return ::close(fd) == 0 && ok;
}

bool appendBytes(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    return ::close(fd) == 0 && ok;
}

qint64 sizeOf(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 ? qint64(info.st_size) : -1;
}

std::string id1Tag()
{
    std::string tag(kTagSize, '\0');
    std::memcpy(tag.data(), "TAG", 3);
    std::memcpy(tag.data() + 3, "Bench Title", 11);
    return tag;
}

// A big file: the ID3v2 header (version 3, no flags, syncsafe size of the data), the data, then
// audio bytes beginning with 255.
std::string bigContent()
{
    std::string bytes(std::size_t(kBigSize), '\x55');
    const char header[10] = {'I', 'D', '3', 3, 0, 0, 0, 0, char(kId2Data >> 7), char(kId2Data & 0x7f)};
    std::memcpy(bytes.data(), header, sizeof header);
    std::fill(bytes.begin() + 10, bytes.begin() + kId2Length, '\0');
    bytes[kId2Length] = char(255);
    return bytes;
}

// The folder of the run, its small and big files, removed when the program ends.
class Sample {
public:
    static Sample& instance()
    {
        static Sample sample;
        return sample;
    }

    const std::string& error() const { return m_error; }
    const std::string& copyFolder() const { return m_copyFolder; }
    const std::vector<std::string>& small() { return made(m_small, &Sample::makeSmall); }
    // A file listing the small files, one a line.
    const std::string& smallList()
    {
        small();
        return m_smallList;
    }
    const std::vector<std::string>& big() { return made(m_big, &Sample::makeBig); }

    // Puts the ID3v1 tag back on every small file that lacks it.
    bool retagSmall()
    {
        const std::string tag = id1Tag();
        for (const std::string& path : m_small)
            if (sizeOf(path) == kSmallAudio && !appendBytes(path, tag))
                return false;
        ::sync();
        return true;
    }
    // Writes every big file again whole, tag in front.
    bool rewriteBig()
    {
        for (const std::string& path : m_big)
            if (!writeWhole(path, m_bigContent))
                return false;
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
        for (const char* sub : {"/small", "/big", "/copies"})
            std::filesystem::create_directory(m_folder.path() + sub);
        m_copyFolder = m_folder.path() + "/copies";
    }

    const std::vector<std::string>& made(std::vector<std::string>& files, bool (Sample::*make)())
    {
        if (files.empty() && m_error.empty() && !(this->*make)())
            m_error = "cannot write the sample files under " + m_folder.path();
        return files;
    }
    bool makeSmall()
    {
        const std::string bytes = std::string(kSmallAudio, char(255)) + id1Tag();
        std::string list;
        for (int i = 0; i < kSmallCount; ++i) {
            m_small.push_back(m_folder.path() + "/small/track" + std::to_string(i) + ".mp3");
            if (!writeWhole(m_small.back(), bytes))
                return false;
            list += m_small.back() + '\n';
        }
        m_smallList = m_folder.path() + "/small.lst";
        return writeWhole(m_smallList, list);
    }
    bool makeBig()
    {
        m_bigContent = bigContent();
        for (int i = 0; i < kBigCount; ++i)
            m_big.push_back(m_folder.path() + "/big/song" + std::to_string(i) + ".mp3");
        return rewriteBig();
    }

    ScratchFolder m_folder{"/tmp/sondrel-removal-XXXXXX"};
    std::string m_copyFolder;
    std::string m_error;
    std::string m_bigContent;
    std::string m_smallList;
    std::vector<std::string> m_small;
    std::vector<std::string> m_big;
};

// ---- comparing ----

using Comparison = FileComparison;

std::vector<Comparison> g_comparisons;

// Warms up, then runs subject and floor once each iteration, in alternating order, with reset run
// before every pass outside the clocks. The benchmark's own time is the subject's.
template <class Reset, class Subject, class Floor>
void compare(benchmark::State& state, Comparison comparison, Reset reset, Subject subject, Floor floor)
{
    const auto run = [&](auto& side) {
        if (!reset())
            return Pass{0, "cannot make the files again"};
        return side();
    };
    if (measureEachIteration(
            state, comparison, [&] { return run(subject); }, [&] { return run(floor); }))
        g_comparisons.push_back(std::move(comparison));
}

// Empty when every file has the given size; otherwise the first that does not.
std::string checkSizes(const std::vector<std::string>& paths, qint64 size, const char* who)
{
    for (const std::string& path : paths)
        if (sizeOf(path) != size)
            return std::string(who) + ": " + path + " is not " + std::to_string(size) + " bytes long";
    return {};
}

// ---- ID3v1 through the playlist ----

Pass removeId1WithPlaylist(
    PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries, const std::vector<std::string>& paths)
{
    for (const std::shared_ptr<MP3Node>& entry : entries)
        entry->ReadTag();
    const int shownBefore = g_messages.shown();
    const Clock::time_point start = Clock::now();
    removeTags(model, entries, TagKind::Id3v1);
    Pass pass;
    pass.ms = millisecondsSince(start);
    for (const std::shared_ptr<MP3Node>& entry : entries)
        if (entry->mp3Tag().HasID1Tag() || entry->mp3Tag().FileError())
            pass.error = "removeTags: an entry still shows an ID3v1 tag";
    if (pass.error.empty())
        pass.error = checkSizes(paths, kSmallAudio, "removeTags");
    if (pass.error.empty())
        pass.error = g_messages.shownSince(shownBefore);
    return pass;
}

Pass removeId1Floor(const std::vector<std::string>& paths)
{
    int cut = 0;
    const Clock::time_point start = Clock::now();
    for (const std::string& path : paths) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        char marker[3];
        struct stat info { };
        if (::fstat(fd, &info) == 0 && info.st_size >= kTagSize
            && ::pread(fd, marker, sizeof marker, info.st_size - kTagSize) == sizeof marker
            && std::memcmp(marker, "TAG", 3) == 0 && ::ftruncate(fd, info.st_size - kTagSize) == 0)
            ++cut;
        ::close(fd);
    }
    Pass pass;
    pass.ms = millisecondsSince(start);
    if (cut != int(paths.size()))
        pass.error = "ID3v1 floor: cut " + std::to_string(cut) + " tags";
    else
        pass.error = checkSizes(paths, kSmallAudio, "ID3v1 floor");
    return pass;
}

void BM_RemoveId1(benchmark::State& state)
{
    Sample& sample = Sample::instance();
    const std::vector<std::string>& paths = sample.small();
    if (!sample.error().empty()) {
        state.SkipWithError(sample.error().c_str());
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

    Comparison comparison;
    comparison.target = 0.8;
    comparison.title = "remove ID3v1 tags (removeTags over the playlist)";
    comparison.subjectName = "removeTags";
    comparison.floorNote = "open read-write, fstat, pread 3 bytes at size-128, ftruncate to size-128, close";
    comparison.files = kSmallCount;
    compare(
        state, std::move(comparison), [&] { return sample.retagSmall(); },
        [&] { return removeId1WithPlaylist(model, entries, paths); }, [&] { return removeId1Floor(paths); });
}

Pass removeId1WithCli(const std::string& list, const std::vector<std::string>& paths)
{
    const ProcessRun run = runProcess(SONDREL_CLI_PATH, {SONDREL_CLI_PATH, "remove", "--id3v1", "--files-from", list},
        "sondrel-cli remove --id3v1", "/dev/null", list + ".stderr");
    Pass pass{run.ms, run.error};
    if (pass.error.empty())
        pass.error = checkSizes(paths, kSmallAudio, "sondrel-cli remove --id3v1");
    return pass;
}

void BM_CliRemoveId1(benchmark::State& state)
{
    Sample& sample = Sample::instance();
    const std::vector<std::string>& paths = sample.small();
    const std::string& list = sample.smallList();
    if (!sample.error().empty()) {
        state.SkipWithError(sample.error().c_str());
        return;
    }
    Comparison comparison;
    comparison.target = 0.7;
    comparison.title = "sondrel-cli remove --id3v1 --files-from LIST";
    comparison.subjectName = "process";
    comparison.floorNote = "the ID3v1 floor above, done in this process, and nothing else";
    comparison.files = kSmallCount;
    compare(
        state, std::move(comparison), [&] { return sample.retagSmall(); },
        [&] { return removeId1WithCli(list, paths); }, [&] { return removeId1Floor(paths); });
}

// ---- ID3v2 through the tag object ----

Pass removeId2WithTag(const std::vector<std::string>& paths)
{
    std::vector<MP3Tag> tags(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        tags[i].init(QFile::decodeName(paths[i].c_str()));
        tags[i].ReadTag();
    }
    const int shownBefore = g_messages.shown();
    const Clock::time_point start = Clock::now();
    for (MP3Tag& tag : tags)
        tag.setHasID2Tag(false);
    Pass pass;
    pass.ms = millisecondsSince(start);
    for (const MP3Tag& tag : tags)
        if (tag.HasID2Tag() || tag.FileError())
            pass.error = "setHasID2Tag(false): a tag still shows an ID3v2 tag";
    if (pass.error.empty())
        pass.error = checkSizes(paths, kBigSize - kId2Length, "setHasID2Tag(false)");
    if (pass.error.empty())
        pass.error = g_messages.shownSince(shownBefore);
    return pass;
}

Pass removeId2Floor(const std::vector<std::string>& paths)
{
    std::vector<char> buffer(1 << 20);
    int cut = 0;
    const Clock::time_point start = Clock::now();
    for (const std::string& path : paths)
        cut += replaceId3v2Tag(path, {}, false, buffer);
    Pass pass;
    pass.ms = millisecondsSince(start);
    if (cut != int(paths.size()))
        pass.error = "ID3v2 floor: cut " + std::to_string(cut) + " tags";
    else
        pass.error = checkSizes(paths, kBigSize - kId2Length, "ID3v2 floor");
    return pass;
}

void BM_RemoveId2(benchmark::State& state)
{
    Sample& sample = Sample::instance();
    const std::vector<std::string>& paths = sample.big();
    if (!sample.error().empty()) {
        state.SkipWithError(sample.error().c_str());
        return;
    }
    Comparison comparison;
    comparison.target = 0.8;
    comparison.title = "remove ID3v2 tags (MP3Tag::setHasID2Tag(false))";
    comparison.subjectName = "MP3Tag";
    comparison.floorNote = "read the rest after the tag, write it to a new file beside it, fsync, rename over";
    comparison.files = kBigCount;
    comparison.bytes = qint64(kBigCount) * (kBigSize - kId2Length);
    compare(
        state, std::move(comparison), [&] { return sample.rewriteBig(); }, [&] { return removeId2WithTag(paths); },
        [&] { return removeId2Floor(paths); });
}

// ---- copying ----

std::string copyTarget(const std::string& folder, const std::string& source)
{
    return folder + "/" + std::filesystem::path(source).filename().string();
}

bool removeCopies(const std::string& folder)
{
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error))
        std::filesystem::remove(item.path(), error);
    ::sync();
    return !error;
}

std::string checkCopies(const std::vector<std::string>& sources, const std::string& folder, const char* who)
{
    for (const std::string& source : sources)
        if (sizeOf(copyTarget(folder, source)) != sizeOf(source))
            return std::string(who) + ": the copy of " + source + " is missing or of another length";
    return {};
}

Pass copyWithFileOps(const std::vector<std::string>& sources, const std::string& folder)
{
    std::vector<QString> from;
    std::vector<QString> to;
    for (const std::string& source : sources) {
        from.push_back(QFile::decodeName(source.c_str()));
        to.push_back(QFile::decodeName(copyTarget(folder, source).c_str()));
    }
    int copied = 0;
    QString reason;
    const Clock::time_point start = Clock::now();
    for (std::size_t i = 0; i < from.size(); ++i) {
        const Result<void> copy = FileOps::copyFile(from[i], to[i]);
        copied += bool(copy);
        if (!copy)
            reason = copy.failure().reason;
    }
    Pass pass;
    pass.ms = millisecondsSince(start);
    if (copied != int(sources.size()))
        pass.error = "FileOps::copyFile: " + reason.toStdString();
    else
        pass.error = checkCopies(sources, folder, "FileOps::copyFile");
    return pass;
}

Pass copyWithCp(const std::vector<std::string>& sources, const std::string& folder)
{
    std::vector<std::string> words{"/bin/cp"};
    words.insert(words.end(), sources.begin(), sources.end());
    words.push_back(folder);
    const ProcessRun run = runProcess("/bin/cp", std::move(words), "/bin/cp");
    Pass pass{run.ms, run.error};
    if (pass.error.empty())
        pass.error = checkCopies(sources, folder, "/bin/cp");
    return pass;
}

void BM_CopyFiles(benchmark::State& state)
{
    Sample& sample = Sample::instance();
    const std::vector<std::string>& sources = sample.big();
    if (!sample.error().empty()) {
        state.SkipWithError(sample.error().c_str());
        return;
    }
    const std::string& folder = sample.copyFolder();
    qint64 bytes = 0;
    for (const std::string& source : sources)
        bytes += sizeOf(source);
    Comparison comparison;
    comparison.target = 0.8;
    comparison.title = "copy files (FileOps::copyFile)";
    comparison.subjectName = "copyFile";
    comparison.floorNote = "one /bin/cp process given every file and the folder (cp does not flush to disk)";
    comparison.files = int(sources.size());
    comparison.bytes = bytes;
    compare(
        state, std::move(comparison), [&] { return removeCopies(folder); },
        [&] { return copyWithFileOps(sources, folder); }, [&] { return copyWithCp(sources, folder); });
    removeCopies(folder);
}

// The summary goes to stdout beside the console table, or to stderr when stdout carries JSON or CSV.
void printSummary(std::FILE* out)
{
    if (g_comparisons.empty())
        return;
    std::fprintf(out, "\nSummary (medians; ratio = floor / subject, higher is better; from the page cache):\n");
    for (const Comparison& c : g_comparisons)
        c.print(out);
    std::fprintf(out, "Big files: %d of 4 MiB (fewer than 1,000, to keep a whole run near 2 minutes).\n", kBigCount);
}

} // namespace

BENCHMARK(BM_RemoveId1)->Iterations(kSmallRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliRemoveId1)->Iterations(kSmallRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveId2)->Iterations(kBigRounds)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFiles)->Iterations(kBigRounds)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MessagesScope scope(g_messages);
    return runBenchmarks(argc, argv, printSummary);
}
