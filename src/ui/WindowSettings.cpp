#include "ui/WindowSettings.h"

#include <QSettings>

namespace {

QSettings settings()
{
    return QSettings(QStringLiteral("Sondrel"), QStringLiteral("Sondrel"));
}

const QString kColumns = QStringLiteral("window/playlistColumns");
const QString kNewTagVersion = QStringLiteral("options/id3v2VersionForNewTags");
const QString kFormatStringsUse = QStringLiteral("options/formatStringsUse");
const QString kKeepUndoHistory = QStringLiteral("options/keepUndoHistory");
const QString kUndoBatches = QStringLiteral("options/undoHistoryBatches");
const QString kUndoMiB = QStringLiteral("options/undoHistoryMiB");
const QString kCopyWritesPlaylist = QStringLiteral("copy/writePlaylist");
const QString kCopyPlaylistKind = QStringLiteral("copy/playlistFormat");
const QString kPlaylistPaths = QStringLiteral("playlist/paths");
const QString kGeometry = QStringLiteral("window/geometry");
const QString kRecent = QStringLiteral("window/recentPlaylists");
const QString kCollectReadErrors = QStringLiteral("options/collectReadErrors");

// A format question's key: its asker's letters and digits, so that no character of it means
// anything to the settings file.
QString formatKey(const QString& asker)
{
    QString key = QStringLiteral("formats/");
    for (const QChar c : asker) {
        if (c.isLetterOrNumber())
            key += c;
    }
    return key;
}

} // namespace

namespace WindowSettings {

QStringList recentPlaylists()
{
    return settings().value(kRecent).toStringList().mid(0, 10);
}

void setRecentPlaylists(const QStringList& paths)
{
    settings().setValue(kRecent, paths.mid(0, 10));
}

QByteArray windowGeometry()
{
    return settings().value(kGeometry).toByteArray();
}

void setWindowGeometry(const QByteArray& geometry)
{
    settings().setValue(kGeometry, geometry);
}

QByteArray playlistColumns()
{
    return settings().value(kColumns).toByteArray();
}

void setPlaylistColumns(const QByteArray& state)
{
    settings().setValue(kColumns, state);
}

int newTagVersion()
{
    return settings().value(kNewTagVersion).toInt() == 3 ? 3 : 4;
}

void setNewTagVersion(int version)
{
    settings().setValue(kNewTagVersion, version == 3 ? 3 : 4);
}

TagChoice formatStringsUse()
{
    return settings().value(kFormatStringsUse).toString() == u"ID3v2" ? TagChoice::Id3v2 : TagChoice::Id3v1;
}

void setFormatStringsUse(TagChoice tag)
{
    settings().setValue(kFormatStringsUse, tag == TagChoice::Id3v2 ? QStringLiteral("ID3v2") : QStringLiteral("ID3v1"));
}

Journal::Settings undoHistory()
{
    const QSettings stored = settings();
    Journal::Settings journal = Journal::settings();
    journal.enabled = stored.value(kKeepUndoHistory, true).toBool();
    const int batches = stored.value(kUndoBatches, journal.maxBatches).toInt();
    const qint64 mebibytes = stored.value(kUndoMiB, journal.maxBytes >> 20).toLongLong();
    if (batches > 0)
        journal.maxBatches = batches;
    if (mebibytes > 0 && mebibytes < (qint64(1) << 40))
        journal.maxBytes = mebibytes << 20;
    return journal;
}

void setUndoHistory(const Journal::Settings& journal)
{
    QSettings stored = settings();
    stored.setValue(kKeepUndoHistory, journal.enabled);
    stored.setValue(kUndoBatches, journal.maxBatches);
    stored.setValue(kUndoMiB, journal.maxBytes >> 20);
}

PathForm playlistPaths()
{
    const int form = settings().value(kPlaylistPaths, int(PathForm::AsTheyAre)).toInt();
    return form == int(PathForm::Relative) || form == int(PathForm::Absolute) ? PathForm(form) : PathForm::AsTheyAre;
}

void setPlaylistPaths(PathForm form)
{
    settings().setValue(kPlaylistPaths, int(form));
}

bool copyWritesPlaylist()
{
    return settings().value(kCopyWritesPlaylist, false).toBool();
}

void setCopyWritesPlaylist(bool write)
{
    settings().setValue(kCopyWritesPlaylist, write);
}

std::optional<PlaylistKind> copyPlaylistKind()
{
    const QString kind = settings().value(kCopyPlaylistKind).toString();
    if (kind == u"M3U")
        return PlaylistKind::M3U;
    if (kind == u"PLS")
        return PlaylistKind::PLS;
    return std::nullopt;
}

void setCopyPlaylistKind(PlaylistKind kind)
{
    settings().setValue(kCopyPlaylistKind, kind == PlaylistKind::PLS ? QStringLiteral("PLS") : QStringLiteral("M3U"));
}

std::optional<RetagQuestions::ChosenFormat> lastFormat(const QString& asker)
{
    const QStringList value = settings().value(formatKey(asker)).toStringList();
    if (value.size() != 2 || value[0].isEmpty())
        return std::nullopt;
    return RetagQuestions::ChosenFormat{value[0], value[1] == u"1"};
}

void setLastFormat(const QString& asker, const RetagQuestions::ChosenFormat& chosen)
{
    settings().setValue(
        formatKey(asker), QStringList({chosen.format, chosen.useFullPath ? QStringLiteral("1") : QStringLiteral("0")}));
}

bool collectReadErrors()
{
    return settings().value(kCollectReadErrors, false).toBool();
}

void setCollectReadErrors(bool collect)
{
    settings().setValue(kCollectReadErrors, collect);
}

} // namespace WindowSettings
