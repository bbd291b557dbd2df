#include "ui/TagEditor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/Messages.h"
#include "format/FieldStore.h"
#include "playlist/EntryList.h"
#include "playlist/PlaylistModel.h"
#include "tags/GenreTable.h"
#include "ui/TypingLimit.h"

using namespace Qt::StringLiterals;

namespace {

QString characterOf(int code)
{
    return QString(QChar(char16_t(code)));
}

} // namespace

TagEditor::TagEditor(std::shared_ptr<MP3Node> entry, PlaylistModel& model, QWidget* parent)
    : QDialog(parent),
      m_currentNode(std::move(entry)),
      m_model(model),
      m_songName(new QLineEdit(this)),
      m_artist(new QLineEdit(this)),
      m_album(new QLineEdit(this)),
      m_year(new QLineEdit(this)),
      m_comment(new QLineEdit(this)),
      m_track(new QLineEdit(this)),
      m_genre(new QComboBox(this))
{
    setObjectName(u"TagEditor"_s);
    auto* ok = new QPushButton(u"OK"_s, this);
    ok->setObjectName(u"Command1"_s);
    ok->setDefault(true);
    auto* cancel = new QPushButton(u"Cancel"_s, this);
    cancel->setObjectName(u"Command2"_s);

    // One column of labelled fields; OK and Cancel on the right, level with the first two rows.
    auto* layout = new QGridLayout(this);
    const struct {
        QWidget* field;
        const char16_t* name;
        const char16_t* label;
    } rows[] = {
        {m_songName, u"SongName", u"Song Name"},
        {m_artist, u"Artist", u"Artist"},
        {m_album, u"Album", u"Album"},
        {m_year, u"Year", u"Year"},
        {m_comment, u"Comment", u"Comment"},
        {m_track, u"Track", u"Track Number"},
        {m_genre, u"Genre", u"Genre"},
    };
    int row = 0;
    QWidget* previous = nullptr;
    for (const auto& [field, name, text] : rows) {
        auto* label = new QLabel(QString::fromUtf16(text), this);
        label->setBuddy(field);
        field->setObjectName(QString::fromUtf16(name));
        layout->addWidget(label, row, 0);
        layout->addWidget(field, row++, 1);
        if (previous)
            setTabOrder(previous, field);
        previous = field;
    }
    setTabOrder(previous, ok);
    setTabOrder(ok, cancel);
    layout->addWidget(ok, 0, 2);
    layout->addWidget(cancel, 1, 2);
    layout->setColumnMinimumWidth(1, 240);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &TagEditor::storeAndWrite);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    load();
}

void TagEditor::load()
{
    MP3Tag& tag = m_currentNode->mp3Tag();
    setWindowTitle(m_currentNode->file());
    m_songName->setText(tag.SongName());
    m_artist->setText(tag.Artist());
    m_album->setText(tag.Album());
    m_year->setText(tag.Year());
    m_comment->setText(tag.Comment());
    // Track and Genre are one character whose code is the number (NUL while never read).
    m_track->setText(QString::number(tag.Track().at(0).unicode()));
    const struct {
        QLineEdit* field;
        int limit;
    } limits[] = {{m_songName, 30}, {m_artist, 30}, {m_album, 30}, {m_year, 4}, {m_comment, 28}, {m_track, 3}};
    for (const auto& [field, limit] : limits)
        TypingLimit::install(field, limit);

    // Item index = genre number. A number past the list's end leaves no selection and becomes the
    // unknown genre in memory only; the file is not written.
    QStringList genres;
    FillGenreList(genres);
    m_genre->addItems(genres);
    const int genre = tag.Genre().at(0).unicode();
    if (genre < m_genre->count()) {
        m_genre->setCurrentIndex(genre);
    } else {
        m_genre->setCurrentIndex(-1);
        tag.setGenre(characterOf(GenreTable::UnknownGenre));
    }
}

void TagEditor::storeAndWrite()
{
    // One byte holds the track: a number outside 0 to 255 is refused and the dialog stays open.
    const std::optional<int> track = trackNumberOf(m_track->text());
    if (!track) {
        Messages::current().beep();
        Messages::error(u"Track Number must be between 0 and 255."_s);
        return;
    }
    MP3Tag& tag = m_currentNode->mp3Tag();
    tag.setSongName(m_songName->text());
    tag.setArtist(m_artist->text());
    tag.setAlbum(m_album->text());
    tag.setYear(m_year->text());
    tag.setComment(m_comment->text());
    tag.setTrack(characterOf(*track));
    // Without a selection the genre in memory stays (the unknown genre set while loading).
    if (m_genre->currentIndex() >= 0)
        tag.setGenre(characterOf(m_genre->currentIndex()));
    tag.writeTag();
    m_currentNode->ReadTag();
    if (const qsizetype position = m_model.positionOf(m_currentNode->item()); position >= 0)
        m_model.tagColumnsChanged(position, position);
    accept();
}
