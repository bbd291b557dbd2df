#pragma once

#include <QString>

class QDialog;
class QWidget;

// What the previews of a batch (renames, retags) share: a summary above the list of what would
// happen, and below them the button that carries it out (the default) and Cancel (Escape).
namespace PreviewLayout {

// "1 file to write", "2 files to write": the number and the word for it.
QString count(qsizetype n, const char* one, const char* many);

// Lays the dialog out and wires its buttons: the confirming button accepts, Cancel rejects.
void layOut(
    QDialog& dialog, QWidget* summary, QWidget* list, const QString& confirmCaption, const QString& confirmObjectName);

} // namespace PreviewLayout
