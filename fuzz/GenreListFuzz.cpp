// The genre list: the input is the file Genres.lst, written into a temporary folder made once per
// run. The table then holds exactly the decoded lines up to the first end marker, at most 256:
// the loader adds the marker after fewer than 255 lines (after exactly 255 the last slot is an
// empty name), and a file of more than 256 lines fails to load with one message and keeps its
// first 256. A loaded table answers GenreName(n) with the
// n-th listed name (empty outside the list), and GenreNumber(name) with the first listed number
// whose name is equal without regard to case, 12 for a name not in the list.

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include "FuzzSupport.h"
#include "base/TextLines.h"
#include "tags/GenreTable.h"

namespace {

const QString kEndMarker = QStringLiteral("\\endoflist\\");
// Larger files are skipped: 256 lines of names fit easily, and a small input keeps each run quick.
constexpr qsizetype kMaxInput = 16 * 1024;

// The names the table should list, from the bytes alone.
QStringList expectedNames(QByteArrayView bytes, bool* loads)
{
    bool more = false;
    QStringList slots = TextLines::split(TextLines::decode(bytes), GenreTable::SlotCount, &more);
    *loads = !more;
    if (*loads && slots.size() < GenreTable::SlotCount - 1)
        slots.append(kEndMarker);
    // Slots no line filled hold empty names: after 255 lines the last slot is an empty name.
    while (slots.size() < GenreTable::SlotCount)
        slots.append(QString());
    const qsizetype end = slots.indexOf(kEndMarker);
    return end < 0 ? slots : slots.first(end);
}

void checkLookups(GenreTable& table, const QStringList& names)
{
    for (int n = -1; n <= GenreTable::SlotCount; ++n)
        FUZZ_CHECK(table.GenreName(n) == (n >= 0 && n < names.size() ? names[n] : QString()));
    // The first number of each name, without regard to case.
    QHash<QString, int> first;
    for (int i = int(names.size()) - 1; i >= 0; --i)
        first.insert(names[i].toCaseFolded(), i);
    for (const QString& name : names)
        FUZZ_CHECK(table.GenreNumber(name) == first.value(name.toCaseFolded()));
    const QString absent = QStringLiteral("\x01 no genre is called this \x02");
    if (!first.contains(absent.toCaseFolded()))
        FUZZ_CHECK(table.GenreNumber(absent) == GenreTable::UnknownGenre);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::messages().reset();
    const QByteArrayView input = Fuzz::bytesOf(data, size);
    if (input.size() > kMaxInput)
        return 0;
    static QTemporaryDir folder;
    FUZZ_CHECK(folder.isValid());
    QFile file(folder.filePath(QStringLiteral("Genres.lst")));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(input.data(), input.size()) == input.size());
    file.close();

    bool loads = false;
    const QStringList names = expectedNames(input, &loads);
    GenreTable table(folder.path());
    QStringList listed;
    table.FillGenreList(listed);
    FUZZ_CHECK(listed == names);
    FUZZ_CHECK(table.isLoaded() == loads);
    FUZZ_CHECK(Fuzz::messages().shown() == (loads ? 0 : 1));
    // A table that failed loads again on every lookup: its look-ups are checked only when loaded.
    if (loads) {
        checkLookups(table, names);
        FUZZ_CHECK(Fuzz::messages().shown() == 0);
    }
    return 0;
}
