#include "ui/ImportFiles.h"

#include <algorithm>

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeView>
#include <QVBoxLayout>

#include "base/NativePath.h"
#include "playlist/FolderWalk.h"
#include "ui/FolderPicker.h"

using namespace Qt::StringLiterals;

namespace {

// The name filters of a pattern: parts separated by ";" or spaces. "*.*" means every file, with a
// dot or without one; an empty pattern gives no filters (and lists nothing).
QStringList nameFiltersOf(const QString& pattern)
{
    static const QRegularExpression separators(u"[;\\s]+"_s);
    QStringList filters = pattern.split(separators, Qt::SkipEmptyParts);
    for (QString& filter : filters) {
        if (filter == u"*.*")
            filter = u"*"_s;
    }
    return filters;
}

// The name with each character that stands for a byte that was not UTF-8 (a lone low surrogate,
// NativePath) as U+FFFD: valid text, which a pattern matches, one character for one.
QString matchableName(const QString& name)
{
    if (!NativePath::holdsUndecodedBytes(name))
        return name;
    QString text = name;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isLowSurrogate() && (i == 0 || !text[i - 1].isHighSurrogate()))
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace

ImportFiles::ImportFiles(QWidget* parent)
    : QDialog(parent),
      m_picker(new FolderPicker(this)),
      m_pattern(new QLineEdit(u"*.mp3"_s, this)),
      m_files(new QListWidget(this))
{
    setWindowTitle(u"Import Files"_s);

    auto* patternLabel = new QLabel(u"Pattern:"_s, this);
    patternLabel->setObjectName(u"Label1"_s);
    patternLabel->setBuddy(m_pattern);
    m_pattern->setObjectName(u"Text1"_s);

    m_files->setObjectName(u"File1"_s);
    m_files->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* importButton = new QPushButton(u"Import"_s, this);
    importButton->setObjectName(u"Command1"_s);
    importButton->setDefault(true);
    auto* cancelButton = new QPushButton(u"Cancel"_s, this);
    cancelButton->setObjectName(u"Command2"_s);

    auto* patternRow = new QHBoxLayout;
    patternRow->addWidget(patternLabel);
    patternRow->addWidget(m_pattern);
    // Volumes and folders on the left, the pattern and the files on the right; Import below the
    // left column, Cancel below the right.
    auto* columns = new QGridLayout;
    columns->addWidget(m_picker->drives(), 0, 0);
    columns->addLayout(patternRow, 0, 1);
    columns->addWidget(m_picker->folders(), 1, 0);
    columns->addWidget(m_files, 1, 1);
    for (QWidget* list : {static_cast<QWidget*>(m_picker->folders()), static_cast<QWidget*>(m_files)})
        list->setMinimumSize(300, 320);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(importButton);
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_picker->folders()->installEventFilter(this);

    connect(m_picker, &FolderPicker::folderOpened, this, &ImportFiles::fillFileList);
    connect(m_pattern, &QLineEdit::textChanged, this, &ImportFiles::fillFileList);
    connect(importButton, &QPushButton::clicked, this, &ImportFiles::importChosen);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // Cancel, Escape and the close box all end in reject().
    connect(this, &QDialog::rejected, this, [this] { m_chosenFiles.clear(); });

    openFolder(QDir::currentPath());
}

QString ImportFiles::folder() const
{
    return m_picker->folder();
}

void ImportFiles::openFolder(const QString& folder)
{
    m_picker->openFolder(folder);
}

bool ImportFiles::eventFilter(QObject* watched, QEvent* event)
{
    // The folder list passes Enter on to the dialog, whose default button would import: Enter on a
    // highlighted folder opens that folder and goes no further.
    QTreeView* folders = m_picker->folders();
    if (watched == folders && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const auto* model = qobject_cast<const QFileSystemModel*>(folders->model());
        const QModelIndex highlighted = folders->currentIndex();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && model && highlighted.isValid()) {
            openFolder(model->filePath(highlighted));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ImportFiles::fillFileList()
{
    m_files->clear();
    const QStringList filters = nameFiltersOf(m_pattern->text());
    if (filters.isEmpty() || folder().isEmpty())
        return;
    // The folder is read by name bytes, so that a name that is not UTF-8 is listed too (the
    // system's listing through QDir leaves such names out). The patterns match either case:
    // "*.mp3" lists "B.MP3" too.
    std::vector<QRegularExpression> patterns;
    for (const QString& filter : filters)
        patterns.emplace_back(
            QRegularExpression::wildcardToRegularExpression(filter), QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (const QString& name : filesInFolder(folder())) {
        const QString matchable = matchableName(name);
        if (std::ranges::any_of(patterns, [&](const QRegularExpression& p) { return p.match(matchable).hasMatch(); }))
            names.append(name);
    }
    m_files->addItems(names);
}

void ImportFiles::importChosen()
{
    const QString open = folder();
    const QString prefix = open.endsWith(u'/') ? open : open + u'/';
    m_chosenFiles.clear();
    for (int row = 0; row < m_files->count(); ++row) {
        if (m_files->item(row)->isSelected())
            m_chosenFiles.append(prefix + m_files->item(row)->text());
    }
    accept();
}
