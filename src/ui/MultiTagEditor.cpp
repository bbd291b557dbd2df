#include "ui/MultiTagEditor.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>

#include "base/Messages.h"
#include "playlist/PlaylistModel.h"
#include "tags/GenreTable.h"
#include "ui/TypingLimit.h"

using namespace Qt::StringLiterals;

namespace {

const QString kDifferent = u"<different>"_s;

} // namespace

MultiTagEditor::MultiTagEditor(
    const MultiTagWriting::Loaded& loaded, qsizetype files, qsizetype leftOut, QWidget* parent)
    : QDialog(parent), m_id3v1Note(new QLabel(u"Characters ID3v1 cannot hold are stored as \"?\"."_s, this))
{
    setObjectName(u"MultiTagEditor"_s);
    setWindowTitle(u"Edit Tags of %L1 Files"_s.arg(files));
    auto* ok = new QPushButton(u"OK"_s, this);
    ok->setObjectName(u"Command1"_s);
    ok->setDefault(true);
    auto* cancel = new QPushButton(u"Cancel"_s, this);
    cancel->setObjectName(u"Command2"_s);
    for (Side* side : {&m_v1, &m_v2}) {
        for (QLineEdit*& edit : side->texts)
            edit = new QLineEdit(this);
        side->genre = new QComboBox(this);
    }
    m_v2.genre->setEditable(true); // an ID3v2 genre is any text

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(u"<b>ID3v1 Tag</b>"_s, this), 0, 1);
    layout->addWidget(new QLabel(u"<b>ID3v2 Tag</b>"_s, this), 0, 2);
    const std::pair<const char16_t*, const char16_t*> names[]
        = {{u"SongName", u"Song Name"}, {u"Artist", u"Artist"}, {u"Album", u"Album"}, {u"Year", u"Year"},
            {u"Comment", u"Comment"}, {u"Track", u"Track Number"}, {u"Genre", u"Genre"}};
    int row = 1;
    for (std::size_t field = 0; field < MultiTagEdit::FieldCount; ++field) {
        const auto [name, text] = names[field];
        QWidget* v1 = field < 6 ? static_cast<QWidget*>(m_v1.texts[field]) : m_v1.genre;
        QWidget* v2 = field < 6 ? static_cast<QWidget*>(m_v2.texts[field]) : m_v2.genre;
        auto* label = new QLabel(QString::fromUtf16(text), this);
        label->setBuddy(v1);
        v1->setObjectName(QString::fromUtf16(name));
        v2->setObjectName(QString::fromUtf16(name) + u'2');
        v2->setAccessibleName(u"ID3v2 "_s + QString::fromUtf16(text));
        layout->addWidget(label, row, 0);
        layout->addWidget(v1, row, 1);
        layout->addWidget(v2, row++, 2);
    }
    m_id3v1Note->setObjectName(u"Id3v1Note"_s);
    m_id3v1Note->setWordWrap(true);
    m_id3v1Note->hide();
    layout->addWidget(m_id3v1Note, row++, 1);
    auto* problems = new QLabel(this);
    problems->setObjectName(u"Id3v2Problem"_s);
    problems->setWordWrap(true);
    const qsizetype unreadable = files - loaded.id3v2Readable;
    if (unreadable == files)
        problems->setText(u"No selected file's ID3v2 tag can be read; they are left as they are."_s);
    else if (unreadable > 0)
        problems->setText(
            u"The ID3v2 tags of %L1 selected files cannot be read; they are left as they are."_s.arg(unreadable));
    if (leftOut > 0)
        problems->setText(problems->text() + (problems->text().isEmpty() ? u""_s : u"  "_s)
            + u"%L1 selected files cannot be read and are left out."_s.arg(leftOut));
    problems->setVisible(!problems->text().isEmpty());
    layout->addWidget(problems, row, 1, 1, 2);
    layout->addWidget(ok, 1, 3);
    layout->addWidget(cancel, 2, 3);
    layout->setColumnMinimumWidth(1, 240);
    layout->setColumnMinimumWidth(2, 240);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QStringList genres;
    FillGenreList(genres);
    m_v1.genre->addItems(genres);
    m_v2.genre->addItems(genres);
    load(m_v1, loaded.id3v1);
    load(m_v2, loaded.id3v2);
    const int limits[] = {30, 30, 30, 4, 28, 3};
    for (std::size_t field = 0; field < m_v1.texts.size(); ++field)
        TypingLimit::installForCodePage(m_v1.texts[field], limits[field], [this] { m_id3v1Note->show(); });
    for (QWidget* field : std::initializer_list<QWidget*>{
             m_v2.texts[0], m_v2.texts[1], m_v2.texts[2], m_v2.texts[3], m_v2.texts[4], m_v2.texts[5], m_v2.genre})
        field->setEnabled(loaded.id3v2Readable > 0);

    connect(ok, &QPushButton::clicked, this, &MultiTagEditor::takeEdits);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void MultiTagEditor::load(Side& side, const MultiTagEdit::CommonTexts& common)
{
    side.loaded = common;
    // A "<different>" field is written once it holds a text or the user typed into it or picked
    // from it: emptying it empties it in every file. Its placeholder then goes.
    for (std::size_t field = 0; field < side.texts.size(); ++field) {
        QLineEdit* edit = side.texts[field];
        edit->setText(common[field].text);
        if (common[field].differs)
            edit->setPlaceholderText(kDifferent);
        connect(edit, &QLineEdit::textEdited, this, [&side, edit, field] {
            side.touched[field] = true;
            edit->setPlaceholderText({});
        });
    }
    const MultiTagEdit::Common& genre = common[MultiTagEdit::Genre];
    connect(side.genre, &QComboBox::activated, this, [&side] { side.touched[MultiTagEdit::Genre] = true; });
    if (side.genre->isEditable()) {
        side.genre->setCurrentText(genre.text);
        if (genre.differs)
            side.genre->lineEdit()->setPlaceholderText(kDifferent);
        connect(side.genre->lineEdit(), &QLineEdit::textEdited, this, [&side] {
            side.touched[MultiTagEdit::Genre] = true;
            side.genre->lineEdit()->setPlaceholderText({});
        });
        return;
    }
    // Item index = genre number; a number past the list's end, or genres that differ, select none.
    const int number = genre.differs ? -1 : genre.text.toInt();
    side.genre->setCurrentIndex(number < side.genre->count() ? number : -1);
    if (genre.differs)
        side.genre->setPlaceholderText(kDifferent);
}

MultiTagEdit::Edits MultiTagEditor::editsOf(const Side& side, bool v1) const
{
    MultiTagEdit::Edits edits;
    const auto take = [&](std::size_t field, const QString& text) {
        const MultiTagEdit::Common& loaded = side.loaded[field];
        if (loaded.differs ? side.touched[field] || !text.isEmpty() : text != loaded.text)
            edits[field] = text;
    };
    for (std::size_t field = 0; field < side.texts.size(); ++field)
        take(field, side.texts[field]->text());
    if (!v1)
        take(MultiTagEdit::Genre, side.genre->currentText());
    else if (side.genre->currentIndex() >= 0)
        take(MultiTagEdit::Genre, QString::number(side.genre->currentIndex()));
    return edits;
}

void MultiTagEditor::takeEdits()
{
    m_id3v1Edits = editsOf(m_v1, true);
    if (const std::optional<QString> problem = MultiTagEdit::id3v1Problem(m_id3v1Edits)) {
        Messages::current().beep();
        Messages::error(*problem);
        return;
    }
    m_id3v2Edits = m_v2.genre->isEnabled() ? editsOf(m_v2, false) : MultiTagEdit::Edits();
    accept();
}

void MultiTagEditor::editSelection(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries,
    QWidget* window, int newTagVersion, const std::function<bool(QDialog&)>& wait)
{
    const qsizetype selected = qsizetype(entries.size());
    const MultiTagWriting::Selection selection = MultiTagWriting::prepare(model, entries);
    std::vector<MultiTagWriting::Problem> problems = selection.leftOut;
    if (selection.entries.empty()) {
        Messages::error(MultiTagWriting::report(problems, selected));
        return;
    }
    MultiTagEditor dialog(MultiTagWriting::load(selection.entries), qsizetype(selection.entries.size()),
        qsizetype(selection.leftOut.size()), window);
    if (!wait(dialog))
        return;
    if (!MultiTagEdit::hasEdits(dialog.id3v1Edits()) && !MultiTagEdit::hasEdits(dialog.id3v2Edits()))
        return;
    const int count = int(selection.entries.size());
    QProgressDialog progress(u"Writing tags..."_s, u"Cancel"_s, 0, count, window);
    progress.setObjectName(u"MultiTagProgress"_s);
    progress.setWindowTitle(u"Edit Tags"_s);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setValue(0);
    const MultiTagWriting::Outcome outcome = MultiTagWriting::write(model, selection.entries, dialog.id3v1Edits(),
        dialog.id3v2Edits(), newTagVersion, [&](qsizetype done, const MP3Node& entry) {
            progress.setLabelText(u"Writing the tags of %1 (%L2 of %L3)"_s.arg(entry.file()).arg(done + 1).arg(count));
            progress.setValue(int(done));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    progress.setValue(count);
    progress.close();
    problems.insert(problems.end(), outcome.problems.begin(), outcome.problems.end());
    if (!problems.empty())
        Messages::error(MultiTagWriting::report(problems, selected));
}
