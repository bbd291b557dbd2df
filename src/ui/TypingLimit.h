#pragma once

#include <functional>

#include <QValidator>

class QLineEdit;

// Limits typing to a number of characters without cutting what the program placed: a longer text
// (a 29-character comment from a tag in a box that takes 28) is shown whole, and while it is
// longer an edit may keep or shorten it but not lengthen it. QLineEdit::setMaxLength would cut
// the placed text.
//
// A text set with QLineEdit::setText after the limit is installed counts as an invalid input to
// the line edit, which then stops refusing typed edits; such text is set with place() instead.
class TypingLimit : public QValidator {
public:
    // Installs the limit as the edit's validator; the edit's present text is allowed whole.
    static TypingLimit* install(QLineEdit* edit, int limit);
    // The same for a field of the ID3v1 code page: the edit shows what the tag will store, each
    // character windows-1252 cannot hold as "?", and replaced runs whenever one is turned.
    static TypingLimit* installForCodePage(QLineEdit* edit, int limit, std::function<void()> replaced);

    // Sets the edit's text, however long, as the program's text.
    void place(const QString& text);

    State validate(QString& input, int& position) const override;

private:
    TypingLimit(QLineEdit* edit, int limit);

    QLineEdit* m_edit;
    qsizetype m_limit;
    qsizetype m_length; // the length of the edit's text before the edit being validated
    std::function<void()> m_replaced; // set for a field of the code page
};
