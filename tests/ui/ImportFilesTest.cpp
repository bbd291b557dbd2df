#include "ui/ImportFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStorageInfo>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include "base/NativePath.h"
#include "playlist/PlaylistModel.h"
#include "support/TestFiles.h"
#include "ui/RowIcons.h"

using namespace Qt::StringLiterals;

namespace {

// Puts the process's current folder back when the test ends.
class CurrentFolderScope {
public:
    ~CurrentFolderScope() { QDir::setCurrent(m_folder); }

private:
    QString m_folder = QDir::currentPath();
};

// A folder with files of several kinds, a hidden one and a subfolder whose name matches "*.mp3".
struct ImportFolder {
    ImportFolder()
    {
        for (const QString& name : {u"a.mp3"_s, u"b.MP3"_s, u"c.b.mp3"_s, u"d.txt"_s, u"noext"_s, u".hidden.mp3"_s})
            files.write(name, "x");
        EXPECT_TRUE(QDir(files.folder()).mkdir(u"sub.mp3"_s));
    }
    QString pathOf(const QString& name) const { return files.folder() + u'/' + name; }

    TestFiles files;
    CurrentFolderScope current;
};

template <class Widget> Widget* child(const QObject& dialog, const char16_t* name)
{
    auto* widget = dialog.findChild<Widget*>(QString::fromUtf16(name));
    EXPECT_TRUE(widget) << QString::fromUtf16(name).toStdString();
    return widget;
}

QStringList listed(const ImportFiles& dialog)
{
    QStringList names;
    const auto* list = child<QListWidget>(dialog, u"File1");
    for (int row = 0; row < list->count(); ++row)
        names.append(list->item(row)->text());
    return names;
}

class IconDelegate : public RowIconDelegate {
public:
    using RowIconDelegate::initStyleOption;
    using RowIconDelegate::RowIconDelegate;
};

} // namespace

TEST(ImportFiles, ImportHandsBackTheSelectedFilesInListOrderAndCancelNothing)
{
    const struct Case {
        const char* what;
        void (*close)(ImportFiles&);
        bool imported;
    } cases[] = {
        {"Import", [](ImportFiles& d) { QTest::mouseClick(child<QPushButton>(d, u"Command1"), Qt::LeftButton); }, true},
        {"Enter", [](ImportFiles& d) { QTest::keyClick(child<QListWidget>(d, u"File1"), Qt::Key_Return); }, true},
        {"Cancel", [](ImportFiles& d) { QTest::mouseClick(child<QPushButton>(d, u"Command2"), Qt::LeftButton); },
            false},
        {"Escape", [](ImportFiles& d) { QTest::keyClick(child<QListWidget>(d, u"File1"), Qt::Key_Escape); }, false},
        {"close box", [](ImportFiles& d) { d.close(); }, false},
    };
    const ImportFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImportFiles dialog;
        dialog.openFolder(folder.files.folder());
        dialog.show();
        auto* list = child<QListWidget>(dialog, u"File1");
        ASSERT_EQ(list->count(), 3);
        list->setFocus();
        // Picked last row first: the answer still follows the list.
        list->selectionModel()->select(list->model()->index(2, 0), QItemSelectionModel::Select);
        list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select);

        c.close(dialog);

        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), c.imported ? QDialog::Accepted : QDialog::Rejected);
        const QStringList expected
            = c.imported ? QStringList{folder.pathOf(u"a.mp3"_s), folder.pathOf(u"c.b.mp3"_s)} : QStringList{};
        EXPECT_EQ(dialog.ChosenFiles(), expected);
    }
}

TEST(ImportFiles, OpensOnTheCurrentFolderListsWhatMatchesThePatternAndLeavesTheOpenedOneCurrent)
{
    const ImportFolder folder;
    const QString canonical = QFileInfo(folder.files.folder()).canonicalFilePath();
    {
        ImportFiles dialog;
        auto* drives = child<QComboBox>(dialog, u"Drive1");
        ASSERT_GT(drives->count(), 0);
        EXPECT_EQ(drives->itemText(0), u"/"_s);
        EXPECT_EQ(dialog.folder(), QDir::currentPath());

        dialog.openFolder(folder.files.folder());
        EXPECT_EQ(QDir::currentPath(), canonical);
        EXPECT_EQ(drives->currentText(), QStorageInfo(canonical).rootPath());
        auto* folders = child<QTreeView>(dialog, u"Dir1");
        const auto* model = qobject_cast<const QFileSystemModel*>(folders->model());
        ASSERT_TRUE(model);
        EXPECT_EQ(QFileInfo(model->filePath(folders->currentIndex())).canonicalFilePath(), canonical);

        dialog.openFolder(folder.pathOf(u"missing"_s));
        EXPECT_EQ(dialog.folder(), folder.files.folder());
        Q_EMIT drives->activated(0); // a volume picked in the list opens at its root
        EXPECT_EQ(dialog.folder(), u"/"_s);
        dialog.openFolder(folder.files.folder());

        // The list holds the folder's files that match the pattern.
        auto* pattern = child<QLineEdit>(dialog, u"Text1");
        EXPECT_EQ(pattern->text(), u"*.mp3"_s);
        const struct Case {
            QString pattern;
            QStringList names;
        } cases[] = {
            {u"*.*"_s, {u"a.mp3"_s, u"b.MP3"_s, u"c.b.mp3"_s, u"d.txt"_s, u"noext"_s}},
            {u"*.txt;*.mp3"_s, {u"a.mp3"_s, u"b.MP3"_s, u"c.b.mp3"_s, u"d.txt"_s}},
            {u" noext  *.TXT; "_s, {u"d.txt"_s, u"noext"_s}},
            {u"?.mp3"_s, {u"a.mp3"_s, u"b.MP3"_s}},
            {u""_s, {}},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.pattern.toStdString());
            pattern->setText(c.pattern);
            EXPECT_EQ(listed(dialog), c.names);
        }

        // Enter on a highlighted folder opens it instead of importing.
        dialog.show();
        folders->setFocus();
        folders->setCurrentIndex(model->index(folder.pathOf(u"sub.mp3"_s)));
        QTest::keyClick(folders, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.folder(), folder.pathOf(u"sub.mp3"_s));
        EXPECT_EQ(dialog.result(), QDialog::Rejected); // nothing answered yet
        dialog.openFolder(folder.files.folder());
    }
    ImportFiles next;
    EXPECT_EQ(QFileInfo(next.folder()).canonicalFilePath(), canonical);
    EXPECT_EQ(listed(next), (QStringList{u"a.mp3"_s, u"b.MP3"_s, u"c.b.mp3"_s}));
}

TEST(ImportFiles, ListsAndHandsBackNamesThatAreNotUtf8)
{
    const ImportFolder folder;
    const QByteArray root = NativePath::encode(folder.files.folder());
    for (const char* name : {"/\xE9.mp3", "/f\xE9.txt"}) {
        const int fd = ::open((root + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    const QString undecodable = NativePath::decode("\xE9.mp3");
    ImportFiles dialog;
    dialog.openFolder(folder.files.folder());
    EXPECT_EQ(listed(dialog), (QStringList{u"a.mp3"_s, u"b.MP3"_s, u"c.b.mp3"_s, undecodable}));
    child<QLineEdit>(dialog, u"Text1")->setText(u"?.MP3 f?.txt"_s);
    EXPECT_EQ(listed(dialog), (QStringList{u"a.mp3"_s, u"b.MP3"_s, NativePath::decode("f\xE9.txt"), undecodable}));
    auto* list = child<QListWidget>(dialog, u"File1");
    list->selectionModel()->select(list->model()->index(3, 0), QItemSelectionModel::Select);
    dialog.show();
    QTest::mouseClick(child<QPushButton>(dialog, u"Command1"), Qt::LeftButton);
    ASSERT_EQ(dialog.ChosenFiles().size(), 1);
    EXPECT_EQ(NativePath::encode(dialog.ChosenFiles()[0]), root + "/\xE9.mp3");
    for (const char* name : {"/\xE9.mp3", "/f\xE9.txt"})
        ::unlink((root + name).constData()); // the temporary folder's removal would not see them
}

TEST(RowIcons, FetchesOneIconPerKeyForTheFileNameColumn)
{
    const TestFiles files;
    RowIcons icons;
    // Whether a missing file gets an icon depends on the desktop's icon theme; if it gets none, the
    // empty icon is not kept and the next file of the key tries again.
    const QIcon missing = icons.iconFor(u"MP3"_s, files.path(u"missing.mp3"_s));
    const QIcon mp3 = icons.iconFor(u"MP3"_s, files.write(u"a.mp3"_s, "x"));
    ASSERT_FALSE(mp3.isNull());
    if (!missing.isNull()) {
        EXPECT_EQ(mp3.cacheKey(), missing.cacheKey());
    }
    EXPECT_EQ(icons.iconFor(u"MP3"_s, files.write(u"b.mp3"_s, "x")).cacheKey(), mp3.cacheKey());
    EXPECT_NE(icons.iconFor(u"TXT"_s, files.write(u"c.txt"_s, "x")).cacheKey(), mp3.cacheKey());

    // The delegate decorates the file name column only.
    QStandardItemModel model(1, 2);
    model.setData(model.index(0, FileNameColumn), files.path(u"c.mp3"_s));
    for (int column : {int(FileNameColumn), int(TitleColumn)})
        model.setData(model.index(0, column), u"MP3"_s, PlaylistModel::IconKeyRole);
    const IconDelegate delegate(icons);
    QStyleOptionViewItem name, title;
    delegate.initStyleOption(&name, model.index(0, FileNameColumn));
    delegate.initStyleOption(&title, model.index(0, TitleColumn));
    EXPECT_TRUE(name.features.testFlag(QStyleOptionViewItem::HasDecoration));
    EXPECT_EQ(name.icon.cacheKey(), mp3.cacheKey());
    EXPECT_FALSE(title.features.testFlag(QStyleOptionViewItem::HasDecoration));
    EXPECT_TRUE(title.icon.isNull());
}
