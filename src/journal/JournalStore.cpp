#include "journal/JournalStore.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include "base/NativePath.h"
#include "base/SystemCalls.h"
#include "journal/Journal.h"

namespace Journal {

namespace {

const QString kSuffix = QStringLiteral(".batch");
constexpr int kIdDigits = 16;

QString systemWords(int error)
{
    return qt_error_string(error);
}

qint64 modifiedNs(const struct stat& info)
{
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// Holds the folder's lock file locked: ids are handed out and old batches dropped under it.
class FolderLock {
public:
    explicit FolderLock(const QString& folder)
    {
        m_fd = ::open(NativePath::encode(folder + QStringLiteral("/lock")).constData(),
            O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) { }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool locked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

void syncFolder(const QString& folder)
{
    const int fd = ::open(NativePath::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        SystemCalls::fsync(fd);
        ::close(fd);
    }
}

// Drops the oldest batches, whole, while more than the settings allow are kept. A batch another
// process is still writing is kept.
void dropOldest(const QString& folder, const Settings& limits, quint64 keep)
{
    QList<Store::BatchFile> batches = Store::list(folder);
    qint64 total = 0;
    for (const Store::BatchFile& batch : batches)
        total += batch.size;
    qsizetype count = batches.size();
    for (const Store::BatchFile& batch : batches) {
        if (count <= qsizetype(std::max(limits.maxBatches, 1)) && total <= limits.maxBytes)
            break;
        if (batch.id == keep || Store::isLive(batch.path))
            continue;
        if (::unlink(NativePath::encode(batch.path).constData()) == 0) {
            --count;
            total -= batch.size;
        }
    }
}

} // namespace

namespace Store {

Result<void> ensureFolder(const QString& folder)
{
    Failure why;
    why.action = Failure::Action::CreateFolder;
    why.path = folder;
    const QByteArray native = NativePath::encode(folder);
    // Each missing folder on the way is made private: the journal holds copies of the user's tags
    // and playlists.
    for (qsizetype at = 1; at <= native.size(); ++at) {
        if (at < native.size() && native[at] != '/')
            continue;
        const QByteArray part = native.first(at);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST) {
            why.reason = systemWords(errno);
            return why;
        }
    }
    struct stat info { };
    if (::stat(native.constData(), &info) != 0) {
        why.reason = systemWords(errno);
        return why;
    }
    if (!S_ISDIR(info.st_mode)) {
        why.reason = QStringLiteral("Not a folder");
        return why;
    }
    if (info.st_uid != ::geteuid()) {
        why.reason = QStringLiteral("The folder belongs to another user");
        return why;
    }
    if (::access(native.constData(), W_OK | X_OK) != 0) {
        why.reason = systemWords(errno);
        return why;
    }
    return {};
}

QString batchPath(const QString& folder, quint64 id)
{
    return folder + u'/' + QStringLiteral("%1").arg(id, kIdDigits, 10, QChar(u'0')) + kSuffix;
}

QList<BatchFile> list(const QString& folder)
{
    QList<BatchFile> batches;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*") + kSuffix}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        bool ok = false;
        const quint64 id = QStringView(name).chopped(kSuffix.size()).toULongLong(&ok);
        if (!ok || id == 0)
            continue;
        BatchFile batch;
        batch.id = id;
        batch.path = folder + u'/' + name;
        struct stat info { };
        if (::lstat(NativePath::encode(batch.path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        batch.size = info.st_size;
        batch.modifiedNs = modifiedNs(info);
        batch.inode = info.st_ino;
        batches.append(batch);
    }
    std::sort(batches.begin(), batches.end(), [](const BatchFile& a, const BatchFile& b) { return a.id < b.id; });
    return batches;
}

std::optional<QByteArray> readAll(const QString& path)
{
    const Result<FileOps::Handle> file = FileOps::openExisting(path, FileOps::Access::Read);
    if (!file)
        return std::nullopt;
    return file->readAt(0, file->size());
}

bool hasEnded(const QString& path)
{
    const Result<FileOps::Handle> file = FileOps::openExisting(path, FileOps::Access::Read);
    if (!file)
        return false;
    const QByteArray ended = encode(EndRecord{false});
    const std::optional<QByteArray> last = file->readAt(file->size() - ended.size(), ended.size());
    return last && (*last == ended || *last == encode(EndRecord{true}));
}

bool isLive(const QString& path)
{
    const int fd = ::open(NativePath::encode(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool live = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return live;
}

qint64 tailLength(qint64 size)
{
    return std::min<qint64>(size, 128);
}

namespace {

Fingerprint described(const struct stat& info)
{
    Fingerprint print;
    print.device = info.st_dev;
    print.inode = info.st_ino;
    print.size = info.st_size;
    print.modifiedNs = modifiedNs(info);
    return print;
}

// Adds the checksum of the region a step of kind wrote; a region that cannot be read leaves the
// fingerprint unchecked, its identity, size and time still telling whether the file changed.
void addChecksum(Fingerprint& print, const FileOps::Handle& file, StepKind kind, qint64 aux)
{
    std::optional<QByteArray> region;
    switch (kind) {
    case StepKind::Tail: region = file.readAt(print.size - tailLength(print.size), tailLength(print.size)); break;
    case StepKind::Front: region = file.readAt(0, std::min(aux, print.size)); break;
    case StepKind::Whole: region = file.readAt(0, print.size); break;
    default: region = QByteArray(); break;
    }
    print.checked = region.has_value();
    print.checksum = region ? checksum(*region) : 0;
}

} // namespace

std::optional<Fingerprint> fingerprintOf(const FileOps::Handle& file, StepKind kind, qint64 aux)
{
    struct stat info { };
    if (::fstat(file.fd(), &info) != 0)
        return std::nullopt;
    Fingerprint print = described(info);
    addChecksum(print, file, kind, aux);
    return print;
}

std::optional<Fingerprint> fingerprintWith(const FileOps::Handle& file, QByteArrayView region)
{
    struct stat info { };
    if (::fstat(file.fd(), &info) != 0)
        return std::nullopt;
    Fingerprint print = described(info);
    print.checksum = checksum(region);
    return print;
}

std::optional<Fingerprint> fingerprintAt(const QString& path, StepKind kind, qint64 aux)
{
    struct stat info { };
    if (::stat(NativePath::encode(path).constData(), &info) != 0)
        return errno == ENOENT ? std::optional(Fingerprint()) : std::nullopt;
    Fingerprint print = described(info);
    if (kind != StepKind::Tail && kind != StepKind::Front && kind != StepKind::Whole)
        return print; // no bytes to check: a name changed
    const Result<FileOps::Handle> file = FileOps::openExisting(path, FileOps::Access::Read);
    struct stat opened { };
    if (file && ::fstat(file->fd(), &opened) == 0 && opened.st_ino == info.st_ino && opened.st_dev == info.st_dev)
        addChecksum(print, *file, kind, aux);
    else
        print.checked = false;
    return print;
}

} // namespace Store

Failure BatchWriter::failure(const QString& reason) const
{
    Failure why;
    why.action = Failure::Action::Write;
    why.path = m_path;
    why.reason = reason;
    return why;
}

Result<std::unique_ptr<BatchWriter>> BatchWriter::open(BeginRecord begin)
{
    const Settings current = settings();
    const QString where = folder();
    Failure why;
    why.action = Failure::Action::Write;
    why.path = where;
    if (const Result<void> made = Store::ensureFolder(where); !made)
        return made.failure();
    FolderLock lock(where);
    if (!lock.locked()) {
        why.reason = systemWords(errno);
        return why;
    }
    const QList<Store::BatchFile> batches = Store::list(where);
    begin.id = batches.isEmpty() ? 1 : batches.last().id + 1;
    std::unique_ptr<BatchWriter> writer(new BatchWriter);
    writer->m_id = begin.id;
    writer->m_path = Store::batchPath(where, begin.id);
    why.path = writer->m_path;
    writer->m_fd = SystemCalls::open(
        NativePath::encode(writer->m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (writer->m_fd < 0) {
        why.reason = systemWords(errno);
        return why;
    }
    // Held while the batch is open: a batch whose lock nobody holds and that has no end was cut short.
    if (SystemCalls::flock(writer->m_fd, LOCK_EX | LOCK_NB) != 0) {
        why.reason = systemWords(errno);
        ::unlink(NativePath::encode(writer->m_path).constData());
        return why;
    }
    writer->m_pending = fileHeader() + encode(begin);
    if (const Result<void> flushed = writer->flush(); !flushed) {
        ::unlink(NativePath::encode(writer->m_path).constData());
        return flushed.failure();
    }
    syncFolder(where);
    dropOldest(where, current, begin.id);
    return writer;
}

BatchWriter::~BatchWriter()
{
    preparedTails.clear();
    stopFlusher();
    if (m_fd < 0)
        return;
    if (m_doneCount == 0) {
        // Nothing was changed: no batch to show or undo.
        ::unlink(NativePath::encode(m_path).constData());
    } else {
        encode(EndRecord{}, m_pending);
        flush();
    }
    ::close(m_fd);
}

quint32 BatchWriter::add(StepRecord step)
{
    step.index = quint32(m_steps.size());
    encode(step, m_pending);
    step.before.clear();
    m_steps.append(std::move(step));
    return m_steps.last().index;
}

Result<quint32> BatchWriter::addDurably(StepRecord step)
{
    if (m_failed)
        return *m_failed;
    const quint32 index = add(std::move(step));
    if (const Result<void> flushed = flush(); !flushed)
        return flushed.failure();
    return index;
}

void BatchWriter::done(quint32 index, const Fingerprint& after)
{
    encode(DoneRecord{index, after}, m_pending);
    ++m_doneCount;
}

void BatchWriter::add(const RefusedRecord& refused)
{
    encode(refused, m_pending);
}

Result<void> BatchWriter::writePending()
{
    if (m_failed)
        return *m_failed;
    qint64 at = 0;
    while (at < m_pending.size()) {
        const ssize_t wrote = SystemCalls::pwrite(
            m_fd, m_pending.constData() + at, size_t(m_pending.size() - at), off_t(m_written + at));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            m_failed = failure(systemWords(wrote < 0 ? errno : ENOSPC));
            // What reached the file may end in a torn record: the reader stops before it.
            return *m_failed;
        }
        at += wrote;
    }
    m_written += at;
    m_pending.clear();
    return {};
}

Result<void> BatchWriter::flush()
{
    if (m_failed)
        return *m_failed;
    if (std::lock_guard lock(m_mutex); m_pending.isEmpty() && m_flushed == m_written)
        return {};
    if (Result<void> written = writePending(); !written)
        return written;
    if (SystemCalls::fsync(m_fd) != 0) {
        m_failed = failure(systemWords(errno));
        return *m_failed;
    }
    std::lock_guard lock(m_mutex);
    m_flushed = std::max(m_flushed, m_written);
    return {};
}

Result<qint64> BatchWriter::flushInBackground()
{
    if (const Result<void> written = writePending(); !written)
        return written.failure();
    std::lock_guard lock(m_mutex);
    m_flushWanted = m_written;
    if (!m_flusher.joinable()) {
        m_flusher = std::thread([this] {
            std::unique_lock held(m_mutex);
            for (;;) {
                m_wake.wait(held, [this] { return m_stopping || m_flushWanted > m_flushed; });
                if (m_flushWanted <= m_flushed)
                    return;
                const qint64 target = m_flushWanted;
                held.unlock();
                const int error = SystemCalls::fsync(m_fd) == 0 ? 0 : errno;
                held.lock();
                if (error != 0)
                    m_flushError = error;
                else
                    m_flushed = std::max(m_flushed, target);
                m_wake.notify_all();
                if (error != 0)
                    return;
            }
        });
    }
    m_wake.notify_all();
    return m_written;
}

Result<void> BatchWriter::waitUntilDurable(qint64 ticket)
{
    if (m_failed)
        return *m_failed;
    std::unique_lock held(m_mutex);
    m_wake.wait(held, [&] { return m_flushed >= ticket || m_flushError != 0 || !m_flusher.joinable(); });
    if (m_flushed >= ticket)
        return {};
    const int error = m_flushError != 0 ? m_flushError : EIO;
    held.unlock();
    m_failed = failure(systemWords(error));
    return *m_failed;
}

void BatchWriter::stopFlusher()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_flusher.joinable())
        m_flusher.join();
}

} // namespace Journal
