#pragma once

#include <vector>

#include <QDialog>

#include "playlist/Copying.h"

// The question Copy Files asks when target names are taken: the text the copy pass words and one
// button per answer it offers ("Replace All", "Skip All", "Keep Both All", "Decide One by One",
// "Cancel" for the whole batch; "Replace", "Skip", "Keep Both", "Cancel" for one file). Keep Both
// is the default button: it loses nothing. Escape and the close box answer Cancel.
class CollisionDialog : public QDialog {
    Q_OBJECT

public:
    CollisionDialog(
        const QString& text, const std::vector<CollisionAnswer>& answers, bool forAll, QWidget* parent = nullptr);

    CollisionAnswer answer() const { return m_answer; }

    // Shows the question modal over parent and returns the answer.
    static CollisionAnswer ask(
        QWidget* parent, const QString& text, const std::vector<CollisionAnswer>& answers, bool forAll);

private:
    CollisionAnswer m_answer = CollisionAnswer::Cancel;
};
