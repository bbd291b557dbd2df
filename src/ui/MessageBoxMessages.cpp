#include "ui/MessageBoxMessages.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(Messages::Icon icon)
{
    switch (icon) {
    case Messages::Icon::None: return QMessageBox::NoIcon;
    case Messages::Icon::Information: return QMessageBox::Information;
    case Messages::Icon::Exclamation: return QMessageBox::Warning;
    case Messages::Icon::Question: return QMessageBox::Question;
    case Messages::Icon::Critical: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Messages::Buttons buttons)
{
    switch (buttons) {
    case Messages::Buttons::Ok: return QMessageBox::Ok;
    case Messages::Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Messages::Buttons::SaveDiscardCancel: return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

} // namespace

Messages::Answer MessageBoxMessages::show(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(boxIcon(icon), title, shown, boxButtons(buttons), m_parent);
    box.setTextFormat(Qt::PlainText);
    if (buttons == Buttons::SaveDiscardCancel) {
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    const int chosen = box.exec();
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return chosen == QMessageBox::Yes ? Answer::Yes : Answer::No;
    case Buttons::SaveDiscardCancel:
        return chosen == QMessageBox::Save   ? Answer::Save
            : chosen == QMessageBox::Discard ? Answer::Discard
                                             : Answer::Cancel; // the close box counts as Cancel
    }
    return Answer::Ok;
}

void MessageBoxMessages::beep()
{
    QApplication::beep();
}
