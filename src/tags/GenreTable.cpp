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
    Result<FileOps::Handle> opened = FileOps::openExisting(m_listPath, FileOps::Access::Read);
    const FileOps::Handle file = opened ? std::move(opened).value() : FileOps::Handle();
    const auto bytes = file.size() <= MaxFileSize ? file.readAt(0, file.size()) : std::nullopt;
    bool tooMany = false;
    const QStringList lines = bytes ? TextLines::split(TextLines::decode(*bytes), SlotCount, &tooMany) : QStringList();
    m_slots.fill(QString());
    std::copy(lines.begin(), lines.end(), m_slots.begin());
    const bool loaded = file.isOpen() && bytes && !tooMany;
    if (loaded && lines.size() < kNamesWithoutMarker)
        m_slots[lines.size()] = kEndMarker;
    index();
    if (!loaded) {
        Messages::error(QStringLiteral("Could not load genre list, find a copy of Genres.lst or create a blank file "
                                       "with that name and put it in ")
            + m_folder + QStringLiteral(" to stop seeing this error message."));
        return false;
    }
    m_loaded = true;
    return true;
}

void GenreTable::index()
{
    m_counted = int(std::find(m_slots.begin(), m_slots.end(), kEndMarker) - m_slots.begin());
    m_numbers.clear();
    // Names compared without regard to case are equal when their case-folded texts are; the first
    // slot of a name wins.
    for (int i = m_counted - 1; i >= 0; --i)
        m_numbers.insert(m_slots[std::size_t(i)].toCaseFolded(), i);
}

void GenreTable::loadIfNeeded()
{
    if (!m_loaded)
        LoadGenres();
}

QString GenreTable::GenreName(int number)
{
    loadIfNeeded();
    return number >= 0 && number < m_counted ? m_slots[std::size_t(number)] : QString();
}

int GenreTable::GenreNumber(const QString& name)
{
    loadIfNeeded();
    return m_numbers.value(name.toCaseFolded(), UnknownGenre);
}

void GenreTable::FillGenreList(QStringList& list)
{
    loadIfNeeded();
    for (int i = 0; i < m_counted; ++i)
        list.append(m_slots[std::size_t(i)]);
}

GenreTable& programGenres()
{
    // Beside the program (a build folder) or in the installed data folder; when neither holds the
    // list, the message names the program's own folder, the place tried first.
    static GenreTable table(dataFolderOf(QStringLiteral("Genres.lst")));
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

std::optional<int> BatchGenres::numberOf(const QString& name)
{
    if (!m_usable)
        m_usable = m_table.isLoaded() || m_table.LoadGenres();
    return *m_usable ? std::optional<int>(m_table.GenreNumber(name)) : std::nullopt;
}
