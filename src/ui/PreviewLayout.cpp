#include "ui/PreviewLayout.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace PreviewLayout {

QString count(qsizetype n, const char* one, const char* many)
{
    return QString::number(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
}

void layOut(
    QDialog& dialog, QWidget* summary, QWidget* list, const QString& confirmCaption, const QString& confirmObjectName)
{
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* confirm = buttons->addButton(confirmCaption, QDialogButtonBox::AcceptRole);
    confirm->setObjectName(confirmObjectName);
    confirm->setDefault(true);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(summary);
    layout->addWidget(list);
    layout->addWidget(buttons);
    dialog.resize(900, 420);
}

} // namespace PreviewLayout
