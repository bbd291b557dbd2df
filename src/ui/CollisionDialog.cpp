#include "ui/CollisionDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

struct ButtonText {
    const char* objectName;
    QString forAll;
    QString forOne;
};

ButtonText buttonText(CollisionAnswer answer)
{
    switch (answer) {
    case CollisionAnswer::Replace: return {"cmdReplace", u"Replace All"_s, u"Replace"_s};
    case CollisionAnswer::Skip: return {"cmdSkip", u"Skip All"_s, u"Skip"_s};
    case CollisionAnswer::KeepBoth: return {"cmdKeepBoth", u"Keep Both All"_s, u"Keep Both"_s};
    case CollisionAnswer::OneByOne: return {"cmdOneByOne", u"Decide One by One"_s, u"Decide One by One"_s};
    case CollisionAnswer::Cancel: break;
    }
    return {"cmdCancel", u"Cancel"_s, u"Cancel"_s};
}

} // namespace

CollisionDialog::CollisionDialog(
    const QString& text, const std::vector<CollisionAnswer>& answers, bool forAll, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"CollisionDialog"_s);
    setWindowTitle(u"Names Already Taken"_s);
    auto* label = new QLabel(QString(text).replace(u"\r\n"_s, u"\n"_s), this);
    label->setObjectName(u"lblQuestion"_s);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(this);
    for (const CollisionAnswer answer : answers) {
        const ButtonText names = buttonText(answer);
        auto* button = new QPushButton(forAll ? names.forAll : names.forOne, this);
        button->setObjectName(QString::fromLatin1(names.objectName));
        button->setAutoDefault(false);
        button->setDefault(answer == CollisionAnswer::KeepBoth);
        buttons->addButton(button, QDialogButtonBox::ActionRole);
        connect(button, &QPushButton::clicked, this, [this, answer] {
            m_answer = answer;
            if (answer == CollisionAnswer::Cancel)
                reject();
            else
                accept();
        });
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Escape and the close box end in reject(): nothing is copied.
    connect(this, &QDialog::rejected, this, [this] { m_answer = CollisionAnswer::Cancel; });
}

CollisionAnswer CollisionDialog::ask(
    QWidget* parent, const QString& text, const std::vector<CollisionAnswer>& answers, bool forAll)
{
    CollisionDialog question(text, answers, forAll, parent);
    question.exec();
    return question.answer();
}
