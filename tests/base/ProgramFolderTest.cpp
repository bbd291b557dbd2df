#include "base/ProgramFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

// An installed tree: the program in prefix/bin, its data in the folder the build names for it
// (prefix/share/sondrel under the usual layout).
TEST(ProgramFolder, FindsADataFileBesideTheProgramFirstThenInTheInstalledDataFolder)
{
    enum class Entry { None, File, Folder, BrokenLink };
    enum class Found { Beside, Installed };
    struct Case {
        const char* what;
        Entry beside;
        Entry installed;
        Found found;
    } const cases[] = {
        {"build folder: beside the program", Entry::File, Entry::None, Found::Beside},
        {"installed: in the data folder", Entry::None, Entry::File, Found::Installed},
        {"both: the program's own copy wins", Entry::File, Entry::File, Found::Beside},
        {"neither: the place tried first", Entry::None, Entry::None, Found::Beside},
        {"a folder of that name beside is no file", Entry::Folder, Entry::File, Found::Installed},
        {"a broken link beside is no file", Entry::BrokenLink, Entry::File, Found::Installed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestFiles files;
        const QString bin = files.path(u"bin"_s);
        const QString data = QDir::cleanPath(bin + u"/"_s + QStringLiteral(SONDREL_DATA_FROM_BIN));
        ASSERT_TRUE(QDir().mkpath(bin));
        ASSERT_TRUE(QDir().mkpath(data));
        for (const auto& [folder, entry] : {std::pair(bin, c.beside), std::pair(data, c.installed)}) {
            const QString path = folder + u"/Genres.lst"_s;
            switch (entry) {
            case Entry::None: break;
            case Entry::File: files.write(QDir(files.folder()).relativeFilePath(path), "Blues\r\n"); break;
            case Entry::Folder: ASSERT_TRUE(QDir().mkdir(path)); break;
            case Entry::BrokenLink: ASSERT_TRUE(QFile::link(folder + u"/nowhere"_s, path)); break;
            }
        }
        EXPECT_EQ(dataFolderOf(u"Genres.lst"_s, bin), c.found == Found::Beside ? bin : data);
    }
}
