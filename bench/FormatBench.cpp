// Times sondrel-cli's two file commands driven by a format string, each as a whole process on
// 10,000 small generated files, beside a floor measured in the same run: the least system work
// that leaves the files exactly as the command leaves them, done in this process.
//
// BM_CliTagFromName: `sondrel-cli tag-from-name --format "<a> - <t>" --files-from LIST` on files
// named "Artist N - Title N.mp3". 9,000 of them end with an ID3v1 tag holding other values, whose
// title and artist the command overwrites in place, keeping the other fields; 1,000 have no tag,
// and the command appends one with the other text fields empty, track 0, genre 12. Every file then
// ends with the 128 bytes "TAG", title "Title N", artist "Artist N" and those other fields. Floor,
// for each file: open read-write, fstat, pread the 3 bytes at size - 128, pwrite the file's 128 tag
// bytes there when they read "TAG" or at the end when not, close. The floor's tag bytes are made
// before its clock starts.
//
// BM_CliNameFromTag: `sondrel-cli name-from-tag --format "<a> - <t>" --files-from LIST` on files
// named "track-NNNNN.mp3", each with an ID3v1 tag of artist "Artist N" and title "Title N", so
// every file gets its own new name "Artist N - Title N.mp3" in the same folder. Floor, for each
// file: open, read 3 bytes, fstat, pread the last 128, close (the least a reader of the tag does),
// the new name put together from the artist and title bytes read, and one rename to it that never
// replaces a file (renameat2 with RENAME_NOREPLACE, which costs what a plain rename() costs).
//
// BM_CliNameFromTagId3v2: the same with --tag id3v2 on files whose ID3v2.4 tag (in front of the
// audio) holds artist "Artist N" and title "Title N" as ISO-8859-1 text frames among an album
// frame, and whose ID3v1 tag holds other values that must not be used. Floor, for each file:
// open, pread the 10-byte header, pread the tag it announces, close; the artist and title found by
// walking the frames, and one renameat2(RENAME_NOREPLACE) to the name made from them.
//
// Both commands change the files, so before every run of a command or of its floor, and outside
// its clock, the files are put back as they were made: the old tags written back and appended tags
// cut off, or the renamed files renamed back. The first run of each is an untimed warm-up that
// checks the answer in full: exit status 0, nothing on stderr, every file's last 128 bytes and
// length (tag-from-name; it prints nothing), or every file under its new name and none under its
// old one, and "old<TAB>new" printed for each file in list order (name-from-tag). The floors'
// warm-ups must leave the files the same way. Later rounds check the exit status, stderr and the
// floors' counts; the command's stdout then goes to /dev/null.
//
// Each round runs the command and its floor once, alternating which goes first, up to 11 rounds
// or until a benchmark has spent 20 seconds. The figures are the medians of the rounds. The
// summary prints files a second for the command and for its floor, the ratio = floor / subject
// (1.0 means the command costs no more than its floor) and whether the command reaches 50,000
// files a second. Beside them it prints the CPU time the command spent in itself (user) and in the
// system (system), from wait4, and its start-up alone: the same command on an empty list, run once a
// round outside both clocks.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <random>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

namespace {

constexpr int kCount = 10000;
constexpr int kRounds = 11;
// The wall time after which a benchmark starts no further round, so that a slow command still
// leaves the whole run at about a minute.
constexpr double kBudgetMs = 20000;
constexpr double kTargetFilesPerSecond = 50000;
constexpr qint64 kTagSize = 128;
const QByteArray kFormat = "<a> - <t>";

// One timed run: its time, or why its answer was wrong. A run of the program also gives the CPU
// time the program spent in itself and in the system.
struct Pass {
    double ms = 0;
    double userMs = 0;
    double systemMs = 0;
    std::string error;
};

// ---- the sample ----

void appendField(QByteArray& bytes, const QByteArray& text, qsizetype width)
{
    QByteArray field = text.left(width);
    field.resize(width, '\0');
    bytes += field;
}

// A 128-byte ID3v1 tag with a 29-byte comment, the track in byte 126 and the genre in byte 127.
QByteArray id3v1(const QByteArray& title, const QByteArray& artist, const QByteArray& album, const QByteArray& year,
    const QByteArray& comment, int track, int genre)
{
    QByteArray bytes = "TAG";
    appendField(bytes, title, 30);
    appendField(bytes, artist, 30);
    appendField(bytes, album, 30);
    appendField(bytes, year, 4);
    appendField(bytes, comment, 29);
    bytes += char(track);
    bytes += char(genre);
    Q_ASSERT(bytes.size() == kTagSize);
    return bytes;
}

// 256 to 1024 audio-looking bytes: a frame header, then noise.
QByteArray audio(std::mt19937& random)
{
    QByteArray bytes(256 + qsizetype(random() % 769), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(random());
    bytes[0] = '\xFF';
    bytes[1] = '\xFB';
    return bytes;
}

// A file of tag-from-name as made, and the tag the command gives it.
struct NamedFile {
    QByteArray path;
    qint64 size = 0; // as made
    QByteArray oldTag; // its last 128 bytes as made; empty when it has no tag
    QByteArray newTag;
};

// A file of name-from-tag: its name as made and the one its tag gives.
struct TaggedFile {
    QByteArray oldPath;
    QByteArray newPath;
};

// The files of one name-from-tag benchmark, their folder (ending with "/") and their list.
struct TaggedSet {
    std::vector<TaggedFile> files;
    QByteArray folder;
    QByteArray list;
};

// A syncsafe ID3v2 size: seven bits a byte, most significant first.
QByteArray syncsafe(qint64 size)
{
    QByteArray bytes(4, '\0');
    for (int i = 3; i >= 0; --i, size >>= 7)
        bytes[i] = char(size & 0x7F);
    return bytes;
}

// An ID3v2.4 tag of ISO-8859-1 text frames, each given as its identifier and text, with 64 bytes
// of padding.
QByteArray id3v24(const std::vector<std::pair<QByteArray, QByteArray>>& frames)
{
    QByteArray body;
    for (const auto& [id, text] : frames)
        body += id + syncsafe(1 + text.size()) + QByteArray(2, '\0') + '\0' + text;
    body += QByteArray(64, '\0');
    return QByteArray("ID3\x04\x00\x00", 6) + syncsafe(body.size()) + body;
}

// The files of both commands, made once per process in a temporary folder removed at exit.
class FormatSample {
public:
    static const FormatSample& instance()
    {
        static const FormatSample sample;
        return sample;
    }

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }

    const std::vector<NamedFile>& named() const { return m_named; }
    int appendedCount() const { return m_appended; }
    // The files of name-from-tag with an ID3v1 tag, and with an ID3v2 tag.
    const TaggedSet& tagged() const { return m_tagged; }
    const TaggedSet& taggedV2() const { return m_taggedV2; }

    QByteArray namedList() const { return path("named.lst"); }
    QByteArray emptyList() const { return path("empty.lst"); }
    QByteArray path(const char* name) const { return QFile::encodeName(m_dir.filePath(QLatin1String(name))); }

private:
    FormatSample()
    {
        if (!m_dir.isValid()) {
            m_error = "cannot make a temporary folder: " + m_dir.errorString().toStdString();
            return;
        }
        const QDir root(m_dir.path());
        if (!root.mkdir(QStringLiteral("named")) || !root.mkdir(QStringLiteral("tagged"))
            || !root.mkdir(QStringLiteral("tagged-v2"))) {
            m_error = "cannot make the sample's folders";
            return;
        }
        const QByteArray namedFolder = path("named") + '/';
        m_tagged = {{}, path("tagged") + '/', path("tagged.lst")};
        m_taggedV2 = {{}, path("tagged-v2") + '/', path("tagged-v2.lst")};
        std::mt19937 random(20240612);
        QByteArray namedList;
        QByteArray taggedList;
        QByteArray taggedV2List;
        m_named.reserve(kCount);
        m_tagged.files.reserve(kCount);
        m_taggedV2.files.reserve(kCount);
        for (int i = 0; i < kCount; ++i) {
            const QByteArray number = QByteArray::number(i);
            const QByteArray artist = "Artist " + number;
            const QByteArray title = "Title " + number;

            // Exactly 90 % with a tag to overwrite, spread over the folder.
            NamedFile named;
            named.path = namedFolder + artist + " - " + title + ".mp3";
            QByteArray bytes = audio(random);
            if (i % 10 != 3) {
                named.oldTag = id3v1(
                    "Old title " + number, "Old artist", "Old album", "1999", "to be replaced", 1 + i % 20, i % 126);
                bytes += named.oldTag;
            } else {
                ++m_appended;
                if (bytes.at(bytes.size() - kTagSize) == 'T')
                    bytes[bytes.size() - kTagSize] = 'U'; // noise that happens to read "TAG" is not a tag
            }
            named.size = bytes.size();
            named.newTag = named.oldTag.isEmpty()
                ? id3v1(title, artist, {}, {}, {}, 0, 12)
                : id3v1(title, artist, "Old album", "1999", "to be replaced", 1 + i % 20, i % 126);

            const QByteArray track = "track-" + QByteArray::number(i).rightJustified(5, '0') + ".mp3";
            const QByteArray newName = artist + " - " + title + ".mp3";
            const QByteArray album = "Album " + QByteArray::number(i % 50);
            const TaggedFile tagged{m_tagged.folder + track, m_tagged.folder + newName};
            const QByteArray taggedBytes = audio(random)
                + id3v1(title, artist, album, QByteArray::number(1960 + i % 60), "made for the benchmark", 1 + i % 20,
                    i % 126);
            const TaggedFile taggedV2{m_taggedV2.folder + track, m_taggedV2.folder + newName};
            const QByteArray taggedV2Bytes = id3v24({{"TALB", album}, {"TPE1", artist}, {"TIT2", title}})
                + audio(random) + id3v1("Not this title", "Nor this artist", {}, {}, {}, 0, 0);

            if (!writeNewFile(named.path, bytes) || !writeNewFile(tagged.oldPath, taggedBytes)
                || !writeNewFile(taggedV2.oldPath, taggedV2Bytes)) {
                m_error = "cannot write the files of the sample in " + m_dir.path().toStdString();
                return;
            }
            namedList += named.path + '\n';
            taggedList += tagged.oldPath + '\n';
            taggedV2List += taggedV2.oldPath + '\n';
            m_named.push_back(std::move(named));
            m_tagged.files.push_back(tagged);
            m_taggedV2.files.push_back(taggedV2);
        }
        if (!writeNewFile(this->namedList(), namedList) || !writeNewFile(m_tagged.list, taggedList)
            || !writeNewFile(m_taggedV2.list, taggedV2List) || !writeNewFile(emptyList(), {}))
            m_error = "cannot write the file lists in " + m_dir.path().toStdString();
    }

    QTemporaryDir m_dir;
    std::string m_error;
    std::vector<NamedFile> m_named;
    int m_appended = 0;
    TaggedSet m_tagged;
    TaggedSet m_taggedV2;
};

QByteArray fileBytes(const QByteArray& path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// ---- putting the files back, outside the clocks ----

// Writes every old tag back and cuts every appended tag off.
std::string resetNamed(const FormatSample& sample)
{
    for (const NamedFile& file : sample.named()) {
        const int fd = ::open(file.path.constData(), O_RDWR | O_CLOEXEC);
        const bool ok = fd >= 0
            && (file.oldTag.isEmpty()
                    ? ::ftruncate(fd, file.size) == 0
                    : ::pwrite(fd, file.oldTag.constData(), kTagSize, file.size - kTagSize) == kTagSize);
        if (fd >= 0)
            ::close(fd);
        if (!ok)
            return "cannot put back " + file.path.toStdString();
    }
    return {};
}

// Renames every renamed file back; a file still under its old name is left alone.
std::string resetTagged(const TaggedSet& set)
{
    for (const TaggedFile& file : set.files) {
        if (::renameat2(AT_FDCWD, file.newPath.constData(), AT_FDCWD, file.oldPath.constData(), RENAME_NOREPLACE) != 0
            && (errno != ENOENT || ::access(file.oldPath.constData(), F_OK) != 0))
            return "cannot rename back " + file.newPath.toStdString();
    }
    return {};
}

// ---- the full checks of the warm-up ----

// Empty when every file has its new tag as its last 128 bytes, appended to the files without one.
std::string checkNamed(const FormatSample& sample, const char* who)
{
    for (const NamedFile& file : sample.named()) {
        const QByteArray bytes = fileBytes(file.path);
        if (bytes.size() != file.size + (file.oldTag.isEmpty() ? kTagSize : 0) || !bytes.endsWith(file.newTag))
            return std::string(who) + ": " + file.path.toStdString() + " does not end with its new tag";
    }
    return {};
}

// Empty when every file is under its new name and none under its old one.
std::string checkTagged(const TaggedSet& set, const char* who)
{
    for (const TaggedFile& file : set.files) {
        struct stat info { };
        if (::stat(file.newPath.constData(), &info) != 0 || !S_ISREG(info.st_mode)
            || ::access(file.oldPath.constData(), F_OK) == 0)
            return std::string(who) + ": " + file.oldPath.toStdString() + " was not renamed to "
                + file.newPath.toStdString();
    }
    return {};
}

// ---- the command-line program ----

// Runs sondrel-cli with the arguments, stdout to outPath and stderr to a scratch file; the time is
// from the spawn to the reaped exit. An exit status but 0 or anything on stderr is an error.
Pass runCli(const FormatSample& sample, std::vector<QByteArray> arguments, const QByteArray& outPath)
{
    std::vector<std::string> words{SONDREL_CLI_PATH};
    for (const QByteArray& argument : arguments)
        words.push_back(argument.toStdString());
    const QByteArray errPath = sample.path("cli-stderr.txt");
    const ProcessRun run = runProcess(SONDREL_CLI_PATH, std::move(words),
        "sondrel-cli " + arguments.front().toStdString(), outPath.toStdString(), errPath.toStdString());
    return {run.ms, run.userMs, run.systemMs, run.error};
}

std::vector<QByteArray> commandLine(const char* command, const QByteArray& list)
{
    return {command, "--format", kFormat, "--files-from", list};
}

// ---- the comparisons ----

// One command against its floor, for the summary printed after the benchmarks.
struct Comparison {
    std::string title;
    std::string subjectNote;
    std::string floorNote;
    std::string startupNote;
    int files = 0;
    std::vector<double> subjectMs;
    std::vector<double> floorMs;
    std::vector<double> startupMs;
    std::vector<double> userMs;
    std::vector<double> systemMs;
};

std::deque<Comparison> g_comparisons;

// Warms up with full checks, then runs rounds of the command and its floor once each, in
// alternating order, and the start-up after both. Subject and floor take a flag that asks for the
// full check. All rounds make one iteration, whose time is the command's median.
template <class Subject, class Floor, class StartUp>
void compare(benchmark::State& state, Comparison comparison, Subject subject, Floor floor, StartUp startUp)
{
    const Stopwatch spent;
    if (!warmUpOrSkip(state, {subject(true), floor(true), startUp()}))
        return;
    for (auto _ : state) {
        for (int round = 0; round < kRounds && (round == 0 || spent.ms() < kBudgetMs); ++round) {
            const auto passes = alternate(
                round, [&] { return subject(false); }, [&] { return floor(false); });
            const Pass alone = startUp();
            const std::string& error = !passes.error().empty() ? passes.error() : alone.error;
            if (!error.empty()) {
                state.SkipWithError(error.c_str());
                break;
            }
            comparison.subjectMs.push_back(passes.subject.ms);
            comparison.floorMs.push_back(passes.floor.ms);
            comparison.startupMs.push_back(alone.ms);
            comparison.userMs.push_back(passes.subject.userMs);
            comparison.systemMs.push_back(passes.subject.systemMs);
        }
        state.SetIterationTime(median(comparison.subjectMs) / 1000);
    }
    if (comparison.subjectMs.empty())
        return;
    const double subjectMs = median(comparison.subjectMs);
    const double floorMs = median(comparison.floorMs);
    state.counters["process_ms"] = subjectMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["ratio"] = floorMs / subjectMs;
    state.counters["files_per_s"] = comparison.files / subjectMs * 1000;
    state.counters["floor_files_per_s"] = comparison.files / floorMs * 1000;
    state.counters["target_files_per_s"] = kTargetFilesPerSecond;
    state.counters["startup_ms"] = median(comparison.startupMs);
    state.counters["user_ms"] = median(comparison.userMs);
    state.counters["system_ms"] = median(comparison.systemMs);
    state.counters["rounds"] = double(comparison.subjectMs.size());
    g_comparisons.push_back(std::move(comparison));
}

const FormatSample* sampleOrSkip(benchmark::State& state)
{
    const FormatSample& sample = FormatSample::instance();
    if (!sample.ok()) {
        state.SkipWithError(sample.error().c_str());
        return nullptr;
    }
    return &sample;
}

// ---- tag-from-name ----

Pass tagFromNameProcess(const FormatSample& sample, bool check)
{
    Pass pass;
    pass.error = resetNamed(sample);
    if (!pass.error.empty())
        return pass;
    const QByteArray printed = sample.path("tag-from-name-stdout.txt");
    pass = runCli(sample, commandLine("tag-from-name", sample.namedList()), check ? printed : "/dev/null");
    if (pass.error.empty() && check && !fileBytes(printed).isEmpty())
        pass.error = "sondrel-cli tag-from-name printed something";
    if (pass.error.empty() && check)
        pass.error = checkNamed(sample, "sondrel-cli tag-from-name");
    return pass;
}

Pass tagWriteFloor(const FormatSample& sample, bool check)
{
    Pass pass;
    pass.error = resetNamed(sample);
    if (!pass.error.empty())
        return pass;
    int overwritten = 0;
    int appended = 0;
    const Stopwatch watch;
    for (const NamedFile& file : sample.named()) {
        const int fd = ::open(file.path.constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        char marker[3];
        struct stat info { };
        if (::fstat(fd, &info) == 0 && info.st_size >= kTagSize
            && ::pread(fd, marker, sizeof marker, info.st_size - kTagSize) == sizeof marker) {
            const bool tagged = std::memcmp(marker, "TAG", 3) == 0;
            if (::pwrite(fd, file.newTag.constData(), kTagSize, tagged ? info.st_size - kTagSize : info.st_size)
                == kTagSize)
                ++(tagged ? overwritten : appended);
        }
        ::close(fd);
    }
    pass.ms = watch.ms();
    if (appended != sample.appendedCount() || overwritten + appended != kCount)
        pass.error = "tag-write floor: overwrote " + std::to_string(overwritten) + " and appended "
            + std::to_string(appended) + " tags";
    else if (check)
        pass.error = checkNamed(sample, "tag-write floor");
    return pass;
}

Pass startup(const FormatSample& sample, const char* command)
{
    return runCli(sample, commandLine(command, sample.emptyList()), "/dev/null");
}

void BM_CliTagFromName(benchmark::State& state)
{
    const FormatSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    Comparison comparison;
    comparison.title = "sondrel-cli tag-from-name --format \"<a> - <t>\" --files-from LIST";
    comparison.subjectNote = "the whole process, from spawn to exit: " + withCommas(kCount - sample->appendedCount())
        + " tags overwritten, " + withCommas(sample->appendedCount()) + " appended";
    comparison.floorNote
        = "in this process: open read-write, fstat, pread 3 bytes at size-128, pwrite 128 bytes there or at the end, "
          "close";
    comparison.startupNote = "tag-from-name on an empty list";
    comparison.files = kCount;
    compare(
        state, std::move(comparison), [&](bool check) { return tagFromNameProcess(*sample, check); },
        [&](bool check) { return tagWriteFloor(*sample, check); }, [&] { return startup(*sample, "tag-from-name"); });
}

// ---- name-from-tag ----

// name-from-tag on a set of files, with the given options before the list.
Pass nameFromTagProcess(
    const FormatSample& sample, const TaggedSet& set, const std::vector<QByteArray>& options, bool check)
{
    Pass pass;
    pass.error = resetTagged(set);
    if (!pass.error.empty())
        return pass;
    const QByteArray printed = sample.path("name-from-tag-stdout.txt");
    std::vector<QByteArray> arguments = commandLine("name-from-tag", set.list);
    arguments.insert(arguments.begin() + 1, options.begin(), options.end());
    pass = runCli(sample, arguments, check ? printed : "/dev/null");
    if (!pass.error.empty() || !check)
        return pass;
    QByteArray expected;
    for (const TaggedFile& file : set.files)
        expected += file.oldPath + '\t' + file.newPath + '\n';
    if (fileBytes(printed) != expected)
        pass.error = "sondrel-cli name-from-tag did not print \"old<TAB>new\" for every file in list order";
    else
        pass.error = checkTagged(set, "sondrel-cli name-from-tag");
    return pass;
}

// Appends a NUL-padded field of an ID3v1 tag, without its padding.
void appendFieldText(std::string& text, const char* field, std::size_t width)
{
    text.append(field, strnlen(field, width));
}

// A rename floor: for each file of the set, open it, let nameOf read it through the descriptor and
// put "artist - title" behind the folder in the name (false when the file does not read as
// expected), close it, and rename it to that name + ".mp3" without replacing a file.
template <class NameOf> Pass renameFloorOf(const TaggedSet& set, const std::string& who, bool check, NameOf nameOf)
{
    Pass pass;
    pass.error = resetTagged(set);
    if (!pass.error.empty())
        return pass;
    const std::string folder = set.folder.toStdString();
    std::string name;
    int renamed = 0;
    const Stopwatch watch;
    for (const TaggedFile& file : set.files) {
        const int fd = ::open(file.oldPath.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        name = folder;
        const bool read = nameOf(fd, name);
        ::close(fd);
        if (!read)
            continue;
        name += ".mp3";
        renamed += ::renameat2(AT_FDCWD, file.oldPath.constData(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0;
    }
    pass.ms = watch.ms();
    if (renamed != kCount)
        pass.error = who + ": renamed " + std::to_string(renamed) + " files";
    else if (check)
        pass.error = checkTagged(set, who.c_str());
    return pass;
}

Pass renameFloor(const FormatSample& sample, bool check)
{
    return renameFloorOf(sample.tagged(), "rename floor", check, [](int fd, std::string& name) {
        char front[3];
        char tail[kTagSize];
        struct stat info { };
        const bool read = ::read(fd, front, sizeof front) == sizeof front && ::fstat(fd, &info) == 0
            && info.st_size >= kTagSize && ::pread(fd, tail, sizeof tail, info.st_size - kTagSize) == kTagSize
            && std::memcmp(tail, "TAG", 3) == 0;
        if (read) {
            appendFieldText(name, tail + 33, 30);
            name += " - ";
            appendFieldText(name, tail + 3, 30);
        }
        return read;
    });
}

// A syncsafe size of four bytes, as an ID3v2.4 header and frame give it.
std::size_t syncsafeAt(const char* bytes)
{
    std::size_t size = 0;
    for (int i = 0; i < 4; ++i)
        size = size << 7 | (static_cast<unsigned char>(bytes[i]) & 0x7F);
    return size;
}

// The text of the first ISO-8859-1 text frame id in an ID3v2.4 tag's frames; empty when none.
std::string_view frameText(std::string_view frames, std::string_view id)
{
    std::size_t at = 0;
    while (at + 10 <= frames.size() && frames[at] != '\0') {
        const std::size_t size = syncsafeAt(frames.data() + at + 4);
        if (at + 10 + size > frames.size())
            break;
        if (frames.substr(at, 4) == id && size > 0 && frames[at + 10] == '\0')
            return frames.substr(at + 11, size - 1);
        at += 10 + size;
    }
    return {};
}

Pass renameFloorV2(const FormatSample& sample, bool check)
{
    std::string tag;
    return renameFloorOf(sample.taggedV2(), "ID3v2 rename floor", check, [&tag](int fd, std::string& name) {
        char header[10];
        if (::pread(fd, header, sizeof header, 0) != sizeof header || std::memcmp(header, "ID3", 3) != 0)
            return false;
        tag.resize(syncsafeAt(header + 6));
        if (::pread(fd, tag.data(), tag.size(), sizeof header) != ssize_t(tag.size()))
            return false;
        name += frameText(tag, "TPE1");
        name += " - ";
        name += frameText(tag, "TIT2");
        return true;
    });
}

// name-from-tag on a set of files, with the options given, against its floor.
template <class Floor>
void compareNameFromTag(benchmark::State& state, const TaggedSet& (FormatSample::*set)() const,
    const std::vector<QByteArray>& options, const std::string& floorNote, Floor floor)
{
    const FormatSample* sample = sampleOrSkip(state);
    if (!sample)
        return;
    Comparison comparison;
    std::string shown;
    for (const QByteArray& option : options)
        shown += option.toStdString() + ' ';
    comparison.title = "sondrel-cli name-from-tag " + shown + "--format \"<a> - <t>\" --files-from LIST";
    comparison.subjectNote = "the whole process, from spawn to exit, printing \"old<TAB>new\" to /dev/null";
    comparison.floorNote = floorNote;
    comparison.startupNote = "name-from-tag on an empty list";
    comparison.files = kCount;
    compare(
        state, std::move(comparison),
        [&](bool check) { return nameFromTagProcess(*sample, (sample->*set)(), options, check); },
        [&](bool check) { return floor(*sample, check); }, [&] { return startup(*sample, "name-from-tag"); });
    // Leaves the folder as it was made, for any later benchmark.
    if (const std::string error = resetTagged((sample->*set)()); !error.empty())
        state.SkipWithError(error.c_str());
}

void BM_CliNameFromTag(benchmark::State& state)
{
    compareNameFromTag(state, &FormatSample::tagged, {},
        "in this process: open, read 3 bytes, fstat, pread the last 128, close; one renameat2(RENAME_NOREPLACE) to "
        "the name made from the tag",
        renameFloor);
}

void BM_CliNameFromTagId3v2(benchmark::State& state)
{
    compareNameFromTag(state, &FormatSample::taggedV2, {"--tag", "id3v2"},
        "in this process: open, pread the 10-byte header, pread the tag, close; the artist and title frames found, "
        "one renameat2(RENAME_NOREPLACE) to the name made from them",
        renameFloorV2);
}

// ---- the summary ----

// The summary goes to stdout beside the console table, or to stderr when stdout carries JSON or CSV.
void printSummary(std::FILE* out)
{
    if (g_comparisons.empty())
        return;
    std::fprintf(out, "\nSummary (medians; ratio = floor / subject, higher is better):\n");
    for (const Comparison& c : g_comparisons) {
        const double subject = median(c.subjectMs);
        const double floor = median(c.floorMs);
        const double perSecond = c.files / subject * 1000;
        std::fprintf(out, "%s\n", c.title.c_str());
        std::fprintf(out,
            "    %s files: process %.1f ms (%s files/s), floor %.1f ms (%s files/s), ratio %.2f "
            "(target >= %s files/s) %s\n",
            withCommas(c.files).c_str(), subject, withCommas(perSecond).c_str(), floor,
            withCommas(c.files / floor * 1000).c_str(), floor / subject, withCommas(kTargetFilesPerSecond).c_str(),
            perSecond >= kTargetFilesPerSecond ? "met" : "NOT MET");
        std::fprintf(out, "    process CPU: user %.1f ms, system %.1f ms; start-up alone (%s): %.1f ms\n",
            median(c.userMs), median(c.systemMs), c.startupNote.c_str(), median(c.startupMs));
        std::fprintf(out, "    process: %s\n    floor: %s\n    rounds: %zu\n", c.subjectNote.c_str(),
            c.floorNote.c_str(), c.subjectMs.size());
    }
}

} // namespace

BENCHMARK(BM_CliTagFromName)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliNameFromTag)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliNameFromTagId3v2)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv, printSummary);
}
