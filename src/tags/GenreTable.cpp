#include "tags/GenreTable.h"

#include <algorithm>

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/ProgramFolder.h"
#include "base/TextLines.h"

namespace {

const QString kEndMarker = QStringLiteral("\\endoflist\\");
constexpr qsizetype kNamesWithoutMarker = 255;

} // namespace

GenreTable::GenreTable(QString folder)
    : m_folder(std::move(folder)), m_listPath(m_folder + QStringLiteral("/Genres.lst"))
{ }

bool GenreTable::LoadGenres()
{
    const FileOps::Handle file = FileOps::openExisting(m_listPath, FileOps::Access::Read);
    const auto bytes = file.size() <= MaxFileSize ? file.readAt(0, file.size()) : std::nullopt;
    bool tooMany = false;
    const QStringList lines = bytes ? TextLines::split(TextLines::decode(*bytes), SlotCount, &tooMany) : QStringList();
    m_slots.fill(QString());
    std::copy(lines.begin(), lines.end(), m_slots.begin());
    if (!file.isOpen() || !bytes || tooMany) {
        Messages::error(QStringLiteral("Could not load genre list, find a copy of Genres.lst or create a blank file "
                                       "with that name and put it in ")
            + m_folder + QStringLiteral(" to stop seeing this error message."));
        return false;
    }
    if (lines.size() < kNamesWithoutMarker)
        m_slots[lines.size()] = kEndMarker;
    m_loaded = true;
    return true;
}

void GenreTable::loadIfNeeded()
{
    if (!m_loaded)
        LoadGenres();
}

int GenreTable::countedSlots() const
{
    return int(std::find(m_slots.begin(), m_slots.end(), kEndMarker) - m_slots.begin());
}

QString GenreTable::GenreName(int number)
{
    loadIfNeeded();
    return number >= 0 && number < countedSlots() ? m_slots[number] : QString();
}

int GenreTable::GenreNumber(const QString& name)
{
    loadIfNeeded();
    const int end = countedSlots();
    for (int i = 0; i < end; ++i) {
        if (m_slots[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return UnknownGenre;
}

void GenreTable::FillGenreList(QStringList& list)
{
    loadIfNeeded();
    const int end = countedSlots();
    for (int i = 0; i < end; ++i)
        list.append(m_slots[i]);
}

GenreTable& programGenres()
{
    static GenreTable table(programFolder());
    return table;
}

QString GenreName(int number)
{
    return programGenres().GenreName(number);
}

int GenreNumber(const QString& name)
{
    return programGenres().GenreNumber(name);
}

void FillGenreList(QStringList& list)
{
    programGenres().FillGenreList(list);
}
