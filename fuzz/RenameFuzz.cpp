// The names File Name = Title and File Name = Tag give, without the full-path choice. The input
// gives the file's name, the row's title, the separating format and the recombining format. The
// title is parsed with the separating format and composed with the recombining one (File Name =
// Title), and the same parse stored into the file's tag is composed with the recombining format
// (File Name = Tag).
//
// Property: every rename that is not refused stays in the file's folder and names a visible file
// there, both as text and as the bytes the system is given: the new name is not empty, ".", ".."
// or hidden (a leading "."), and holds no separator and no NUL (the system would end the name
// there and act on another file). Rows the plan leaves alone are not renamed and not checked.

#include <fuzzer/FuzzedDataProvider.h>

#include <QFile>
#include <QTemporaryDir>

#include "FuzzSupport.h"
#include "base/NativePath.h"
#include "base/PathTools.h"
#include "format/FieldStore.h"
#include "format/RetagCommands.h"
#include "playlist/EntryList.h"
#include "playlist/PlaylistModel.h"
#include "tags/GenreTable.h"

namespace {

using Problem = RetagCommands::PlannedRename::Problem;

// A folder that does not exist: planning looks for collisions on the disk and finds none.
const QString kFolder = QStringLiteral("/sondrel-fuzz-no-such-folder/");

// The row's entry is a real file with an ID3v1 tag, read once by the first plan: File Name = Tag
// composes only from a tag that is there, and then from the record the input stores in it.
QString taggedFile()
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("song.mp3"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray("\xff\xfb") + QByteArray(64, '\0') + "TAG" + QByteArray(125, '\0'));
    return path;
}

void checkStaysInFolder(const std::vector<RetagCommands::PlannedRename>& plans)
{
    for (const RetagCommands::PlannedRename& plan : plans) {
        if (plan.problem == Problem::RefusedName || RetagCommands::isSkipped(plan))
            continue;
        FUZZ_CHECK(PathTools::folderOf(plan.to) == kFolder);
        FUZZ_CHECK(PathTools::fileNameOf(plan.to) == plan.newShown);
        const QString& name = plan.newShown;
        FUZZ_CHECK(!name.isEmpty() && name != u"." && name != u".." && !name.startsWith(u'.'));
        FUZZ_CHECK(!name.contains(PathTools::separator()) && !name.contains(QChar(0)));
        // What the system is given: the folder's bytes, then one plain visible name.
        const QByteArray folderBytes = NativePath::encode(kFolder);
        const QByteArray bytes = NativePath::encode(plan.to);
        FUZZ_CHECK(bytes.startsWith(folderBytes));
        const QByteArray nameBytes = bytes.sliced(folderBytes.size());
        FUZZ_CHECK(!nameBytes.isEmpty() && !nameBytes.contains('/') && !nameBytes.contains('\0'));
        FUZZ_CHECK(!nameBytes.startsWith('.'));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::messages().reset();
    FuzzedDataProvider input(data, size);
    const auto next = [&input] { return QString::fromStdString(input.ConsumeRandomLengthString(128)); };
    const QString name = next().remove(PathTools::separator());
    const QString title = next();
    const QString separating = next();
    const QString recombining = next();

    static PlaylistModel model;
    if (model.size() == 0)
        model.appendEntries({{taggedFile(), QString(), QStringLiteral("???")}});
    model.setText(0, FileNameColumn, kFolder + name);
    model.setText(0, TitleColumn, title);

    checkStaysInFolder(RetagCommands::planFileNameFromTitle(model, {0}, separating, recombining, false));

    MP3TagInfo& record = model.findItem(0)->mp3Tag().RawInfo();
    record = MP3TagInfo();
    BatchGenres genres;
    if (storeFields(parseFields(title, separating), record, genres) == Stored::Yes)
        checkStaysInFolder(RetagCommands::planFileNameFromTag(model, {0}, recombining, false));
    return 0;
}
