#include "ui/TypingLimit.h"

#include <algorithm>

#include <QLineEdit>

TypingLimit* TypingLimit::install(QLineEdit* edit, int limit)
{
    auto* typingLimit = new TypingLimit(edit, limit);
    edit->setValidator(typingLimit);
    return typingLimit;
}

TypingLimit::TypingLimit(QLineEdit* edit, int limit)
    : QValidator(edit), m_edit(edit), m_limit(limit), m_length(edit->text().size())
{
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_length = text.size(); });
}

void TypingLimit::place(const QString& text)
{
    // The line edit validates the new text before textChanged reports its length.
    m_length = text.size();
    m_edit->setText(text);
}

QValidator::State TypingLimit::validate(QString& input, int&) const
{
    return input.size() <= std::max(m_limit, m_length) ? Acceptable : Invalid;
}
