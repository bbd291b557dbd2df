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

} // namespace

Messages::Answer MessageBoxMessages::show(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QMessageBox::StandardButtons choices
        = buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(boxIcon(icon), title, shown, choices, m_parent);
    box.setTextFormat(Qt::PlainText);
    const int chosen = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return chosen == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void MessageBoxMessages::beep()
{
    QApplication::beep();
}
