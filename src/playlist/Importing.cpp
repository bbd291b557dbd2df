#include "playlist/Importing.h"

#include <sys/stat.h>

#include "base/NativePath.h"
#include "playlist/FolderWalk.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"

qsizetype importFiles(PlaylistModel& model, const QStringList& paths, bool missingOnly, std::optional<Iterator>& reader,
    qsizetype position)
{
    std::vector<PlaylistEntry> entries;
    entries.reserve(std::size_t(paths.size()));
    std::optional<RowCommands::FileListing> listing;
    if (missingOnly)
        listing.emplace(model);
    for (const QString& path : paths) {
        if (listing) {
            if (listing->isFileListed(path))
                continue;
            listing->add(path);
        }
        entries.push_back({path, titleOfFile(path), unknownLength()});
    }
    model.insertEntries(position, entries);
    if (!reader || reader->startsNowhere())
        reader = model.nodeList().getIterator();
    return qsizetype(entries.size());
}

namespace {

bool endsWithName(QStringView path, QStringView extension)
{
    return path.endsWith(extension, Qt::CaseInsensitive);
}

bool endsWithMp3(const QByteArray& name)
{
    return name.size() >= 4 && name.right(4).toLower() == ".mp3";
}

} // namespace

bool isMp3Name(QStringView path)
{
    return endsWithName(path, u".mp3");
}

bool isPlaylistName(QStringView path)
{
    return endsWithName(path, u".m3u") || endsWithName(path, u".m3u8") || endsWithName(path, u".pls");
}

ImportParts collectImports(const QStringList& paths, const std::function<bool(qsizetype)>& keepGoing)
{
    ImportParts found;
    FolderWalk walk;
    qsizetype filesFound = 0;
    // The files of the last part, which the next files join.
    const auto files = [&]() -> QStringList& {
        if (found.parts.empty() || !found.parts.back().playlist.isEmpty())
            found.parts.emplace_back();
        return found.parts.back().files;
    };
    const auto filesFoundIn = [&](const QByteArray& folder, const std::vector<QByteArray>& names) {
        QStringList& into = files();
        for (const QByteArray& name : names) {
            if (endsWithMp3(name)) {
                into.append(NativePath::decode(folder + name));
                ++filesFound;
            }
        }
    };
    for (const QString& path : paths) {
        struct stat info { };
        const bool exists = ::stat(NativePath::encode(path).constData(), &info) == 0;
        // A path that is not there and names no file the import takes is a folder that went: the
        // walk lists it as one it could not read.
        if (exists ? S_ISDIR(info.st_mode) : !isPlaylistName(path) && !isMp3Name(path)) {
            if (!walk.walk(path, filesFoundIn, [&] { return !keepGoing || keepGoing(filesFound); })) {
                found.complete = false;
                break;
            }
        } else if (isPlaylistName(path)) {
            found.parts.push_back({{}, path});
        } else if (isMp3Name(path)) {
            files().append(path);
            ++filesFound;
        }
    }
    found.unreadableFolders = walk.unreadableFolders();
    // A folder without MP3 files leaves an empty part behind.
    std::erase_if(
        found.parts, [](const ImportParts::Part& part) { return part.files.isEmpty() && part.playlist.isEmpty(); });
    return found;
}
