#include "ui/TagEditor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/Messages.h"
#include "base/PathTools.h"
#include "format/FieldStore.h"
#include "playlist/EntryList.h"
#include "playlist/PlaylistModel.h"
#include "tags/GenreTable.h"
#include "tags/TagCopy.h"
#include "ui/TypingLimit.h"

using namespace Qt::StringLiterals;

namespace {

QString characterOf(int code)
{
    return QString(QChar(char16_t(code)));
}

// The number an ID3v1 Track or Genre field holds: the code of its one character.
int codeOf(const QString& field)
{
    return field.isEmpty() ? 0 : field.at(0).unicode();
}

} // namespace

TagEditor::TagEditor(std::shared_ptr<MP3Node> entry, PlaylistModel& model, QWidget* parent, int newTagVersion)
    : QDialog(parent),
      m_currentNode(std::move(entry)),
      m_model(model),
      m_newTagVersion(newTagVersion),
      m_id3v2Problem(new QLabel(this)),
      m_id3v1Note(new QLabel(u"Characters ID3v1 cannot hold are stored as \"?\"."_s, this)),
      m_copyToId3v2(new QPushButton(u"Copy to ID3v2"_s, this)),
      m_copyToId3v1(new QPushButton(u"Copy to ID3v1"_s, this))
{
    setObjectName(u"TagEditor"_s);
    auto* ok = new QPushButton(u"OK"_s, this);
    ok->setObjectName(u"Command1"_s);
    ok->setDefault(true);
    auto* cancel = new QPushButton(u"Cancel"_s, this);
    cancel->setObjectName(u"Command2"_s);
    for (Side* side : {&m_v1, &m_v2})
        *side = {new QLineEdit(this), new QLineEdit(this), new QLineEdit(this), new QLineEdit(this),
            new QLineEdit(this), new QLineEdit(this), new QComboBox(this)};
    m_v2.genre->setEditable(true); // an ID3v2 genre is any text

    // The labelled ID3v1 fields, the ID3v2 fields beside them, each side's copy button below it;
    // OK and Cancel on the right, level with the first two rows.
    auto* layout = new QGridLayout(this);
    const auto heading = [this](const QString& text) {
        auto* label = new QLabel(u"<b>"_s + text + u"</b>"_s, this);
        return label;
    };
    layout->addWidget(heading(u"ID3v1 Tag"_s), 0, 1);
    layout->addWidget(heading(u"ID3v2 Tag"_s), 0, 2);
    const struct {
        QWidget* v1;
        QWidget* v2;
        const char16_t* name;
        const char16_t* label;
    } rows[] = {
        {m_v1.songName, m_v2.songName, u"SongName", u"Song Name"},
        {m_v1.artist, m_v2.artist, u"Artist", u"Artist"},
        {m_v1.album, m_v2.album, u"Album", u"Album"},
        {m_v1.year, m_v2.year, u"Year", u"Year"},
        {m_v1.comment, m_v2.comment, u"Comment", u"Comment"},
        {m_v1.track, m_v2.track, u"Track", u"Track Number"},
        {m_v1.genre, m_v2.genre, u"Genre", u"Genre"},
    };
    int row = 1;
    for (const auto& [v1, v2, name, text] : rows) {
        auto* label = new QLabel(QString::fromUtf16(text), this);
        label->setBuddy(v1);
        v1->setObjectName(QString::fromUtf16(name));
        v2->setObjectName(QString::fromUtf16(name) + u'2');
        v2->setAccessibleName(u"ID3v2 "_s + QString::fromUtf16(text).remove(u'&'));
        layout->addWidget(label, row, 0);
        layout->addWidget(v1, row, 1);
        layout->addWidget(v2, row++, 2);
    }
    m_copyToId3v2->setObjectName(u"CopyToId3v2"_s);
    m_copyToId3v1->setObjectName(u"CopyToId3v1"_s);
    layout->addWidget(m_copyToId3v2, row, 1);
    layout->addWidget(m_copyToId3v1, row++, 2);
    m_id3v1Note->setObjectName(u"Id3v1Note"_s);
    m_id3v1Note->setWordWrap(true);
    m_id3v1Note->hide();
    layout->addWidget(m_id3v1Note, row++, 1);
    m_id3v2Problem->setObjectName(u"Id3v2Problem"_s);
    m_id3v2Problem->setWordWrap(true);
    layout->addWidget(m_id3v2Problem, row, 1, 1, 2);
    // Tab goes down the ID3v1 side, then down the ID3v2 side, then to the buttons.
    QWidget* previous = nullptr;
    for (QWidget* next : std::initializer_list<QWidget*>{m_v1.songName, m_v1.artist, m_v1.album, m_v1.year,
             m_v1.comment, m_v1.track, m_v1.genre, m_copyToId3v2, m_v2.songName, m_v2.artist, m_v2.album, m_v2.year,
             m_v2.comment, m_v2.track, m_v2.genre, m_copyToId3v1, ok, cancel}) {
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }
    layout->addWidget(ok, 1, 3);
    layout->addWidget(cancel, 2, 3);
    layout->setColumnMinimumWidth(1, 240);
    layout->setColumnMinimumWidth(2, 240);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &TagEditor::storeAndWrite);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_copyToId3v2, &QPushButton::clicked, this, &TagEditor::copyToId3v2);
    connect(m_copyToId3v1, &QPushButton::clicked, this, &TagEditor::copyToId3v1);

    load();
    loadId3v2();
}

void TagEditor::load()
{
    MP3Tag& tag = m_currentNode->mp3Tag();
    setWindowTitle(m_currentNode->file());
    m_v1.songName->setText(tag.SongName());
    m_v1.artist->setText(tag.Artist());
    m_v1.album->setText(tag.Album());
    m_v1.year->setText(tag.Year());
    m_v1.comment->setText(tag.Comment());
    // Track and Genre are one character whose code is the number (NUL while never read).
    m_v1.track->setText(QString::number(codeOf(tag.Track())));
    const std::pair<QLineEdit*, int> limits[] = {
        {m_v1.songName, 30}, {m_v1.artist, 30}, {m_v1.album, 30}, {m_v1.year, 4}, {m_v1.comment, 28}, {m_v1.track, 3}};
    for (const auto& [field, limit] : limits)
        m_limits.emplace_back(field, TypingLimit::installForCodePage(field, limit, [this] { m_id3v1Note->show(); }));

    // Item index = genre number. A number past the list's end leaves no selection and becomes the
    // unknown genre in memory only; the file is not written.
    QStringList genres;
    FillGenreList(genres);
    m_v1.genre->addItems(genres);
    m_v2.genre->addItems(genres);
    const int genre = codeOf(tag.Genre());
    if (genre < m_v1.genre->count()) {
        m_v1.genre->setCurrentIndex(genre);
    } else {
        m_v1.genre->setCurrentIndex(-1);
        tag.setGenre(characterOf(GenreTable::UnknownGenre));
    }
    m_loadedId3v1 = id3v1Texts();
}

void TagEditor::loadId3v2()
{
    const MP3Tag& tag = m_currentNode->mp3Tag();
    const Id3v2Reading& reading = tag.Id3v2Tag();
    // A tag known to be there whose fields are not in hand is not edited: its fields would be
    // written over as empty.
    const bool unknown = reading.state == Id3v2Reading::State::None && tag.HasID2Tag();
    m_id3v2Editable = !tag.FileError() && reading.state != Id3v2Reading::State::Unreadable && !unknown;
    if (reading.state == Id3v2Reading::State::Unreadable)
        m_id3v2Problem->setText(u"The ID3v2 tag cannot be read ("_s + reading.problem + u"); it is left as it is."_s);
    else if (!m_id3v2Editable)
        m_id3v2Problem->setText(u"The ID3v2 tag has not been read; read the file's tags first."_s);
    m_id3v2Problem->setVisible(!m_id3v2Editable);
    m_loadedId3v2 = reading.state == Id3v2Reading::State::Read ? reading.fields : Id3v2Fields();
    const Id3v2Fields& fields = m_loadedId3v2;
    m_v2.songName->setText(fields.title);
    m_v2.artist->setText(fields.artist);
    m_v2.album->setText(fields.album);
    m_v2.year->setText(fields.year);
    m_v2.comment->setText(fields.comment);
    m_v2.track->setText(fields.track);
    m_v2.genre->setCurrentText(fields.genre);
    for (QWidget* field : std::initializer_list<QWidget*>{m_v2.songName, m_v2.artist, m_v2.album, m_v2.year,
             m_v2.comment, m_v2.track, m_v2.genre, m_copyToId3v2, m_copyToId3v1})
        field->setEnabled(m_id3v2Editable);
}

QStringList TagEditor::id3v1Texts() const
{
    return {m_v1.songName->text(), m_v1.artist->text(), m_v1.album->text(), m_v1.year->text(), m_v1.comment->text(),
        m_v1.track->text(), QString::number(m_v1.genre->currentIndex())};
}

Id3v2Fields TagEditor::id3v2Fields() const
{
    Id3v2Fields fields = m_loadedId3v2;
    fields.title = m_v2.songName->text();
    fields.artist = m_v2.artist->text();
    fields.album = m_v2.album->text();
    fields.year = m_v2.year->text();
    fields.comment = m_v2.comment->text();
    fields.track = m_v2.track->text();
    fields.genre = m_v2.genre->currentText();
    return fields;
}

void TagEditor::copyToId3v2()
{
    m_v2.songName->setText(m_v1.songName->text());
    m_v2.artist->setText(m_v1.artist->text());
    m_v2.album->setText(m_v1.album->text());
    m_v2.year->setText(m_v1.year->text());
    m_v2.comment->setText(m_v1.comment->text());
    // Track 0 is no track.
    const std::optional<int> track = trackNumberOf(m_v1.track->text());
    m_v2.track->setText(track && *track > 0 ? QString::number(*track) : QString());
    m_v2.genre->setCurrentText(m_v1.genre->currentText());
}

void TagEditor::copyToId3v1()
{
    // The genre list is loaded (it fills the genre boxes); a list that is not gives no copy.
    const std::optional<TagCopy::Id3v1Copy> copy = TagCopy::toId3v1(
        id3v2Fields(), [](const QString& name) { return std::optional<int>(GenreNumber(name)); },
        Id3v2::programGenreName);
    if (!copy) {
        Messages::current().beep();
        return;
    }
    const MP3TagInfo& record = copy->record;
    const std::pair<QLineEdit*, QString> texts[] = {{m_v1.songName, record.SongName()}, {m_v1.artist, record.Artist()},
        {m_v1.album, record.Album()}, {m_v1.year, record.Year()}, {m_v1.comment, record.Comment().left(28)},
        {m_v1.track, QString::number(codeOf(record.Track()))}};
    for (const auto& [field, text] : texts) {
        for (const auto& [edit, limit] : m_limits) {
            if (edit == field)
                limit->place(PathTools::trimBlanks(text));
        }
    }
    if (!m_v2.genre->currentText().isEmpty())
        m_v1.genre->setCurrentIndex(codeOf(record.Genre()));
}

void TagEditor::storeAndWrite()
{
    // A file that failed is never touched again while the program runs: the user learns why.
    if (const MP3Tag& failed = m_currentNode->mp3Tag(); failed.FileError()) {
        Messages::error(u"The tags of "_s + failed.path() + u" were not written: the file "_s
            + (failed.failure() == Failure::Kind::Missing ? u"was not found"_s : u"could not be read"_s)
            + u" when its tags were read."_s);
        reject();
        return;
    }
    // One byte holds the track: a number outside 0 to 255 is refused and the dialog stays open.
    const std::optional<int> track = trackNumberOf(m_v1.track->text());
    if (!track) {
        Messages::current().beep();
        Messages::error(u"Track Number must be between 0 and 255."_s);
        return;
    }
    MP3Tag& tag = m_currentNode->mp3Tag();
    if (id3v1Texts() != m_loadedId3v1) {
        tag.setSongName(m_v1.songName->text());
        tag.setArtist(m_v1.artist->text());
        tag.setAlbum(m_v1.album->text());
        tag.setYear(m_v1.year->text());
        tag.setComment(m_v1.comment->text());
        tag.setTrack(characterOf(*track));
        // Without a selection the genre in memory stays (the unknown genre set while loading).
        if (m_v1.genre->currentIndex() >= 0)
            tag.setGenre(characterOf(m_v1.genre->currentIndex()));
        tag.writeTag();
    }
    const Id3v2Fields wanted = id3v2Fields();
    const Id3v2Fields& loaded = m_loadedId3v2;
    const bool id3v2Changed = wanted.title != loaded.title || wanted.artist != loaded.artist
        || wanted.album != loaded.album || wanted.year != loaded.year || wanted.comment != loaded.comment
        || wanted.track != loaded.track || wanted.genre != loaded.genre;
    if (m_id3v2Editable && id3v2Changed)
        tag.writeId3v2(wanted, m_newTagVersion);
    m_currentNode->ReadTag();
    if (const qsizetype position = m_model.positionOf(m_currentNode->item()); position >= 0)
        m_model.tagColumnsChanged(position, position);
    accept();
}
