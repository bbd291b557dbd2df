#include "playlist/Importing.h"

#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"

qsizetype importFiles(PlaylistModel& model, const QStringList& paths, bool missingOnly, std::optional<Iterator>& reader)
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
    model.appendEntries(entries);
    if (!reader || reader->startsNowhere())
        reader = model.nodeList().getIterator();
    return qsizetype(entries.size());
}
