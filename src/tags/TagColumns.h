#pragma once

#include <QString>

class MP3Tag;

// The texts a playlist row shows for a file's tags, after the tag object has read the file.
namespace TagColumns {

// "ID3v1 QuickTag": artist " - " title, "(none)" without an ID3v1 tag, "(error)" once the file failed.
QString quickTag(const MP3Tag& tag);
// "Has ID3v2?": "Yes", "No", or "(error)" once the file failed.
QString hasId2(const MP3Tag& tag);

} // namespace TagColumns
