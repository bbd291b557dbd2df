#include "playlist/Relinking.h"

#include <algorithm>
#include <cerrno>

#include <QDir>
#include <QHash>
#include <QSet>
#include <QStandardPaths>
#include <QStringView>

#include "base/FileOps.h"
#include "base/PathTools.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"
#include "tags/Id3v1.h"
#include "tags/MP3TagInfo.h"
#include "tags/TagColumns.h"

namespace Relinking {

namespace {

// The names of a path from its end: the file name first, then its folders outwards. Both "/" and
// "\" separate, and a drive ("C:") is no folder name.
std::vector<QStringView> namesFromEnd(QStringView path)
{
    std::vector<QStringView> names;
    qsizetype end = path.size();
    for (qsizetype i = path.size() - 1; i >= -1; --i) {
        if (i >= 0 && path[i] != u'/' && path[i] != u'\\')
            continue;
        const QStringView name = path.sliced(i + 1, end - i - 1);
        if (!name.isEmpty() && !(name.size() == 2 && name[1] == u':' && i < 0))
            names.push_back(name);
        end = i;
    }
    return names;
}

// A tag worth matching by: read, present, and saying something.
bool isKnownTag(const QString& quickTag)
{
    return !quickTag.isEmpty() && quickTag != unreadTagText() && quickTag != u"(none)" && quickTag != u"(error)"
        && quickTag != u" - ";
}

// The tags of files, each read once, on demand.
class TagCache {
public:
    explicit TagCache(const std::function<QString(const QString&)>& tagOf) : m_tagOf(tagOf) { }
    const QString& of(const QString& path)
    {
        auto found = m_tags.find(path);
        if (found == m_tags.end())
            found = m_tags.insert(path, m_tagOf(path));
        return *found;
    }

private:
    const std::function<QString(const QString&)>& m_tagOf;
    QHash<QString, QString> m_tags;
};

// The most candidates offered for one row: more are no choice a person can make.
constexpr std::size_t kMostOffered = 20;

// The candidates among the files of a row's name, best first. Files under the same nearest folder
// names as the old path come first: the most names shared wins when one file alone shares them.
// When the row's tag is known, a file with that tag wins among the rest.
std::vector<Candidate> rank(
    const MissingRow& row, const FileIndex& index, const std::vector<qint32>& named, Match byName, TagCache& tags)
{
    if (named.size() == 1)
        return {{index.path(named.front()), byName}};
    const std::vector<qint32>* files = &named;
    Match how = byName;
    if (byName == Match::Name) {
        // The old path's last names, joined by "/" whatever separated them, nearest last.
        const std::vector<QStringView> names = namesFromEnd(row.path);
        QString ending = names.front().toString();
        for (std::size_t count = 2; count <= std::min(names.size(), std::size_t(FileIndex::kEndingNames)); ++count) {
            ending.prepend(names[count - 1].toString() + u'/');
            const std::vector<qint32>& sharing = index.ending(ending);
            if (sharing.empty())
                break;
            files = &sharing;
            how = Match::NameAndFolders;
            if (files->size() == 1)
                return {{index.path(files->front()), how}};
        }
    }
    std::vector<Candidate> offered;
    if (isKnownTag(row.quickTag)) {
        for (const qint32 file : *files) {
            if (offered.size() < kMostOffered && tags.of(index.path(file)) == row.quickTag)
                offered.push_back({index.path(file), how});
        }
        if (!offered.empty())
            return offered;
    }
    for (std::size_t i = 0; i < std::min(files->size(), kMostOffered); ++i)
        offered.push_back({index.path((*files)[i]), how});
    return offered;
}

QString extensionOf(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.sliced(dot).toString().toCaseFolded();
}

} // namespace

QString describe(Match match)
{
    switch (match) {
    case Match::NameAndFolders: return QStringLiteral("same name and folders");
    case Match::Name: return QStringLiteral("same name");
    case Match::NameIgnoringCase: return QStringLiteral("same name but for case");
    case Match::Tag: return QStringLiteral("same tag");
    }
    return {};
}

QStringList defaultSearchFolders(const QString& playlistPath)
{
    QStringList folders;
    if (!playlistPath.isEmpty())
        folders.append(QDir::cleanPath(QDir::current().absoluteFilePath(PathTools::folderOf(playlistPath) + u'.')));
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && QDir(music).exists() && !folders.contains(music))
        folders.append(music);
    return folders;
}

std::vector<MissingRow> missingRows(const PlaylistModel& model)
{
    std::vector<MissingRow> rows;
    for (qsizetype position = 0; position < model.size(); ++position) {
        const QString& path = model.rowAt(position)->file();
        if (RowCommands::presenceOf(path) == ENOENT)
            rows.push_back({position, path, model.rowAt(position)->text(QuickTagColumn)});
    }
    return rows;
}

QString quickTagOfFile(const QString& path)
{
    const Result<FileOps::Handle> file = FileOps::openExisting(path, FileOps::Access::Read);
    if (!file || file->size() < Id3v1::Size)
        return {};
    const auto tail = file->readAt(file->size() - Id3v1::Size, Id3v1::Size);
    if (!tail || !Id3v1::isMarker(QByteArrayView(*tail).first(3)))
        return {};
    MP3TagInfo record;
    Id3v1::decode(*tail, record);
    const QString artist = record.Artist();
    const QString title = record.SongName();
    return PathTools::trimmedOfBlanks(artist).toString() + QStringLiteral(" - ")
        + PathTools::trimmedOfBlanks(title).toString();
}

std::vector<Finding> findFiles(
    const std::vector<MissingRow>& rows, const FileIndex& index, const std::function<QString(const QString&)>& tagOf)
{
    TagCache tags(tagOf);
    std::vector<Finding> findings;
    findings.reserve(rows.size());
    // The rows no name found whose tag is known, and their files' extensions.
    std::vector<std::size_t> byTagOnly;
    QSet<QString> extensions;
    for (const MissingRow& row : rows) {
        Finding finding{row, {}};
        const std::vector<QStringView> names = namesFromEnd(row.path);
        const QString name = names.empty() ? QString() : names.front().toString();
        const std::vector<qint32>& named = index.named(name);
        const std::vector<qint32>& folded = named.empty() ? index.namedIgnoringCase(name) : named;
        if (!name.isEmpty() && !named.empty()) {
            finding.candidates = rank(row, index, named, Match::Name, tags);
        } else if (!name.isEmpty() && !folded.empty()) {
            finding.candidates = rank(row, index, folded, Match::NameIgnoringCase, tags);
        } else if (isKnownTag(row.quickTag)) {
            byTagOnly.push_back(findings.size());
            extensions.insert(extensionOf(name));
        }
        findings.push_back(std::move(finding));
    }
    if (byTagOnly.empty())
        return findings;
    // Only now is the tag of every file of those types read, once.
    QHash<std::pair<QString, QString>, std::vector<QString>> byTag;
    for (const QString& path : index.paths()) {
        QString extension = extensionOf(path);
        if (extensions.contains(extension))
            byTag[{tags.of(path), std::move(extension)}].push_back(path);
    }
    for (const std::size_t at : byTagOnly) {
        Finding& finding = findings[at];
        const std::vector<QStringView> names = namesFromEnd(finding.row.path);
        const QString extension = extensionOf(names.empty() ? QStringView() : names.front());
        for (const QString& path : byTag.value({finding.row.quickTag, extension}))
            finding.candidates.push_back({path, Match::Tag});
    }
    return findings;
}

void relink(PlaylistModel& model, const std::vector<std::pair<qsizetype, QString>>& paths, bool readTags)
{
    qsizetype first = model.size();
    qsizetype last = -1;
    for (const auto& [position, path] : paths) {
        PlaylistRow* row = model.rowAt(position);
        // The row's file failed while it was missing: the new one starts afresh.
        row->bindNewFile(path);
        row->setText(QuickTagColumn, unreadTagText());
        row->setText(HasId2Column, unreadTagText());
        if (readTags)
            row->ReadTag();
        first = std::min(first, position);
        last = std::max(last, position);
    }
    model.rowsChanged(first, last);
}

} // namespace Relinking
