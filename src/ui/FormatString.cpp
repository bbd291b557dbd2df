#include "ui/FormatString.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/Messages.h"
#include "format/Composition.h"
#include "format/FieldStore.h"
#include "format/Parsing.h"
#include "tags/GenreTable.h"
#include "ui/TypingLimit.h"

using namespace Qt::StringLiterals;

namespace {

const QString kShortFormat = u"<a> - <t>"_s;

QString characterOf(int code)
{
    return QString(QChar(char16_t(code)));
}

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    // Plain text: "<a>" and its kind would otherwise be read as markup and vanish.
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

FormatString::FormatString(bool fullPathDisabled, QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint),
      m_txtFormat(new QLineEdit(kShortFormat, this)),
      m_txtExample(new QLineEdit(this)),
      m_fullPath(new QCheckBox(u"Use Full Path && File Name"_s, this)),
      m_genre(new QComboBox(this)),
      m_preview(new QTreeWidget(this))
{
    setObjectName(u"FormatString"_s);
    setWindowTitle(u"Create a Format String"_s);
    m_txtFormat->setObjectName(u"txtFormat"_s);
    m_txtExample->setObjectName(u"txtExample"_s);
    m_fullPath->setObjectName(u"fullPath"_s);
    m_fullPath->setEnabled(!fullPathDisabled);
    m_genre->setObjectName(u"Genre"_s);

    auto* layout = new QVBoxLayout(this);
    const char16_t* notes[] = {
        u"Here is a list of special characters that a format string may contain, and their meanings:",
        u"<a> = Artist",
        u"<t> = Song Title",
        u"<u> = Album",
        u"<y> = Year",
        u"<c> = Comment",
        u"<k>= Track Number, <kk> = Track Number with at least two digits (03)",
        u"<g> = Genre",
        u"Note: These special characters are case sensitive (all lower case please)",
        (u"I appologize, but you cannot use the <, >, and | symbols in your tags.  Also note that they are not "
         u"legal in filenames, so there is little loss here."),
    };
    int number = 0;
    for (const char16_t* text : notes) {
        QLabel* label = plainLabel(QString::fromUtf16(text), this);
        label->setObjectName(u"Label"_s + QString::number(++number));
        label->setWordWrap(true);
        layout->addWidget(label);
    }

    // The format and its example side by side, the option under the format.
    auto* formats = new QGridLayout;
    QLabel* formatLabel = plainLabel(u"Format String:"_s, this);
    formatLabel->setObjectName(u"Label11"_s);
    QLabel* exampleLabel = plainLabel(u"Example Result:"_s, this);
    exampleLabel->setObjectName(u"Label12"_s);
    formats->addWidget(formatLabel, 0, 0);
    formats->addWidget(exampleLabel, 0, 1);
    formats->addWidget(m_txtFormat, 1, 0);
    formats->addWidget(m_txtExample, 1, 1);
    formats->addWidget(m_fullPath, 2, 0);
    formats->setColumnStretch(0, 1);
    formats->setColumnStretch(1, 1);
    layout->addLayout(formats);
    QLabel* separated = plainLabel(u"Example Result Seperated:"_s, this);
    separated->setObjectName(u"Label13"_s);
    layout->addWidget(separated, 0, Qt::AlignHCenter);

    // The example fields in two columns, each with its label on its left and its typing limit.
    auto* fields = new QGridLayout;
    const struct {
        Field& field;
        const char16_t* name;
        const char16_t* label;
        int limit;
        int row;
        int column;
    } boxes[] = {
        {m_songName, u"SongName", u"Song Name", 30, 0, 0},
        {m_artist, u"Artist", u"Artist", 30, 1, 0},
        {m_album, u"Album", u"Album", 30, 2, 0},
        {m_year, u"Year", u"Year", 4, 3, 0},
        {m_comment, u"Comment", u"Comment", 28, 0, 2},
        {m_track, u"Track", u"Track Number", 3, 1, 2},
    };
    for (const auto& [field, name, text, limit, row, column] : boxes) {
        field.edit = new QLineEdit(this);
        field.edit->setObjectName(QString::fromUtf16(name));
        field.limit = TypingLimit::install(field.edit, limit);
        QLabel* label = plainLabel(QString::fromUtf16(text), this);
        label->setBuddy(field.edit);
        fields->addWidget(label, row, column);
        fields->addWidget(field.edit, row, column + 1);
    }
    QLabel* genreLabel = plainLabel(u"Genre"_s, this);
    genreLabel->setBuddy(m_genre);
    fields->addWidget(genreLabel, 2, 2);
    fields->addWidget(m_genre, 2, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    // OK is the default button, and Enter anywhere presses it (see eventFilter).
    auto* ok = new QPushButton(u"OK"_s, this);
    ok->setObjectName(u"Command1"_s);
    ok->setDefault(true);
    auto* resetButton = new QPushButton(u"Reset"_s, this);
    resetButton->setObjectName(u"Command3"_s);
    resetButton->setAutoDefault(false);
    auto* cancel = new QPushButton(u"Cancel"_s, this);
    cancel->setObjectName(u"Command2"_s);
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(resetButton);
    buttons->addWidget(cancel);
    fields->addLayout(buttons, 3, 2, 1, 2);
    layout->addLayout(fields);

    m_preview->setObjectName(u"preview"_s);
    m_preview->setHeaderLabels({u"Selected Rows Now"_s, u"With This Format"_s});
    m_preview->setRootIsDecorated(false);
    m_preview->setUniformRowHeights(true);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    m_preview->setFocusPolicy(Qt::NoFocus);
    m_preview->setTextElideMode(Qt::ElideMiddle);
    m_preview->header()->setSectionResizeMode(QHeaderView::Stretch);
    m_preview->hide();
    layout->addWidget(m_preview);

    QWidget* const controls[] = {m_txtFormat, m_txtExample, ok, cancel, m_genre, m_track.edit, m_comment.edit,
        m_year.edit, m_album.edit, m_artist.edit, m_songName.edit, m_fullPath, resetButton};
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        controls[i]->installEventFilter(this);
        if (i > 0)
            setTabOrder(controls[i - 1], controls[i]);
    }

    // Item index = genre number.
    QStringList genres;
    FillGenreList(genres);
    m_genre->addItems(genres);
    m_exampleInfo = sampleRecord();

    connect(m_txtFormat, &QLineEdit::textChanged, this, &FormatString::formatChanged);
    connect(m_txtExample, &QLineEdit::textChanged, this, &FormatString::UpdateFields);
    for (const Field* field : {&m_songName, &m_artist, &m_album, &m_year, &m_comment, &m_track}) {
        QLineEdit* edit = field->edit;
        connect(edit, &QLineEdit::textChanged, this, [this, edit](const QString& text) {
            storeField(edit, text);
            UpdateExample();
        });
    }
    // activated comes from the user's choice only, never from UpdateFields' selection.
    connect(m_genre, &QComboBox::activated, this, &FormatString::genreChosen);
    connect(m_fullPath, &QCheckBox::clicked, this, &FormatString::fullPathClicked);
    connect(ok, &QPushButton::clicked, this, &FormatString::confirm);
    connect(resetButton, &QPushButton::clicked, this, &FormatString::reset);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    formatChanged();
}

bool FormatString::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: confirm(); return true;
    case Qt::Key_Escape: reject(); return true;
    default: break;
    }
    // Typed keys only: text pasted or placed by the program may hold these characters.
    const QString text = key->text();
    const bool angle = text.contains(u'<') || text.contains(u'>');
    if (text.contains(u'|') || (angle && watched != m_txtFormat)) {
        Messages::current().beep();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void FormatString::startWith(const QString& format, bool fullPath)
{
    m_fullPath->setChecked(fullPath && m_fullPath->isEnabled());
    m_txtFormat->setText(format);
    updatePreview();
}

void FormatString::showPreview(FormatPreview::Lines preview)
{
    m_previewLines = std::move(preview);
    updatePreview();
}

void FormatString::formatChanged()
{
    UpdateExample();
    UpdateFields();
    updatePreview();
}

void FormatString::updatePreview()
{
    const std::vector<FormatPreview::Line> lines = m_previewLines
        ? m_previewLines(m_txtFormat->text(), m_fullPath->isChecked())
        : std::vector<FormatPreview::Line>();
    m_preview->setVisible(!lines.empty());
    if (lines.empty())
        return;
    m_preview->clear();
    for (const auto& [before, after] : lines) {
        auto* item = new QTreeWidgetItem(m_preview, {before, after});
        item->setToolTip(0, before);
        item->setToolTip(1, after);
    }
    // Room for the rows shown, without a scroll bar.
    const int rows = int(lines.size());
    m_preview->setFixedHeight(m_preview->header()->sizeHint().height() + rows * m_preview->sizeHintForRow(0)
        + 2 * m_preview->frameWidth() + 2);
}

void FormatString::UpdateExample()
{
    if (m_updating)
        return;
    m_updating = true;
    m_txtExample->setText(ApplyFormat(m_txtFormat->text(), m_exampleInfo));
    m_updating = false;
}

void FormatString::UpdateFields()
{
    if (m_updating)
        return;
    m_updating = true;
    // Each parse reads the texts afresh; a parse that finds no room for its field shows its message.
    const struct {
        Field& field;
        QString (*parse)(const QString&, const QString&);
    } parses[] = {{m_songName, ParseTitle}, {m_artist, ParseArtist}, {m_album, ParseAlbum}, {m_year, ParseYear},
        {m_comment, ParseComment}, {m_track, ParseTrack}};
    for (const auto& [field, parse] : parses)
        field.limit->place(parse(m_txtExample->text(), m_txtFormat->text()));
    // A genre number past the list's end (a short genre list) leaves no selection.
    const int genre = GenreNumber(ParseGenre(m_txtExample->text(), m_txtFormat->text()));
    m_genre->setCurrentIndex(genre < m_genre->count() ? genre : -1);
    m_updating = false;
}

void FormatString::storeField(QLineEdit* edit, const QString& text)
{
    // An empty field stands for its sample value, so the record always holds a value for every
    // field and one the format lacks keeps its sample value.
    const MP3TagInfo sample = sampleRecord();
    if (edit == m_songName.edit) {
        m_exampleInfo.setSongName(text.isEmpty() ? sample.SongName() : text);
    } else if (edit == m_artist.edit) {
        m_exampleInfo.setArtist(text.isEmpty() ? sample.Artist() : text);
    } else if (edit == m_album.edit) {
        m_exampleInfo.setAlbum(text.isEmpty() ? sample.Album() : text);
    } else if (edit == m_year.edit) {
        m_exampleInfo.setYear(text.isEmpty() ? sample.Year() : text);
    } else if (edit == m_comment.edit) {
        m_exampleInfo.setComment(text.isEmpty() ? sample.Comment() : text);
    } else if (text.isEmpty()) { // Track from here on
        m_exampleInfo.setTrack(sample.Track());
    } else if (const std::optional<int> track = trackNumberOf(text)) {
        // The track is the character of its number; a number one byte cannot hold keeps the
        // record's previous track.
        m_exampleInfo.setTrack(characterOf(*track));
    }
}

void FormatString::genreChosen(int index)
{
    // A genre chosen by hand replaces the sample genre in the example.
    m_exampleInfo.setGenre(characterOf(index));
    UpdateExample();
}

void FormatString::fullPathClicked(bool ticked)
{
    // Only the two example formats turn into each other; any other format stays as typed.
    const QString format = m_txtFormat->text();
    if (ticked && format == kShortFormat)
        m_txtFormat->setText(fullPathExampleFormat());
    else if (!ticked && format == fullPathExampleFormat())
        m_txtFormat->setText(kShortFormat);
    updatePreview();
}

void FormatString::confirm()
{
    const QString format = m_txtFormat->text();
    const Messages::Answer answer
        = Messages::current().show(u"Are you sure you want to use the format string "_s + format + u'?',
            u"Confirm Format"_s, Messages::Icon::Question, Messages::Buttons::YesNo);
    if (answer != Messages::Answer::Yes)
        return;
    m_chosenFormat = format;
    m_useFullPath = m_fullPath->isChecked();
    accept();
}

void FormatString::reset()
{
    m_exampleInfo = sampleRecord();
    formatChanged();
}
