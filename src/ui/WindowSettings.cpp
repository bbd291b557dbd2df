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

} // namespace

namespace WindowSettings {

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

} // namespace WindowSettings
