#include "ui/TypingLimit.h"

#include <algorithm>

#include <QLineEdit>

#include "base/CodePage.h"

TypingLimit* TypingLimit::install(QLineEdit* edit, int limit)
{
    auto* typingLimit = new TypingLimit(edit, limit);
    edit->setValidator(typingLimit);
    return typingLimit;
}

TypingLimit* TypingLimit::installForCodePage(QLineEdit* edit, int limit, std::function<void()> replaced)
{
    TypingLimit* typingLimit = install(edit, limit);
    typingLimit->m_replaced = std::move(replaced);
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

QValidator::State TypingLimit::validate(QString& input, int& position) const
{
    if (m_replaced) {
        // The line edit takes the turned text in place of the one typed.
        const auto stored = [](QStringView text) { return CodePage::toUnicode(CodePage::fromUnicode(text)); };
        if (QString turned = stored(input); turned != input) {
            position = int(stored(QStringView(input).left(position)).size());
            input = std::move(turned);
            m_replaced();
        }
    }
    return input.size() <= std::max(m_limit, m_length) ? Acceptable : Invalid;
}
