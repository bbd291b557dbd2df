#pragma once

#include <QString>

struct Failure;

// Every message box, question and beep of the program goes through the one installed Messages
// object: the window shows message boxes, the command-line program writes to stderr and answers
// from its flags, tests record and script the answers. Texts are passed exactly as built; a text
// may hold CR LF line breaks.
class Messages {
public:
    enum class Icon { None, Information, Exclamation, Question, Critical };
    // SaveDiscardCancel asks whether to save unsaved changes before they would be lost.
    enum class Buttons { Ok, YesNo, SaveDiscardCancel };
    enum class Answer { Ok, Yes, No, Save, Discard, Cancel };

    virtual ~Messages() = default;

    virtual Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) = 0;
    virtual void beep() = 0;

    // The installed object; a StderrMessages answering No until something else is installed.
    static Messages& current();
    // Installs messages (not owned; nullptr restores the default) and returns the previous one.
    static Messages* install(Messages* messages);

    // The program's file errors all look alike: title "Error:", exclamation icon, OK button.
    static void error(const QString& text);
    // What the program tells before it does something the user may not expect: title
    // "Information", information icon, OK button.
    static void inform(const QString& text);

    // The words that tell the user of a failure, chosen by what was attempted and, for a tag file,
    // by what went wrong: the one place where they are built. A copy or a move ends in the
    // question whether to skip the file and go on.
    static QString textOf(const Failure& failure);
    // Shows textOf(failure) as error does.
    static void error(const Failure& failure);
};

// Installs a Messages object for the lifetime of the scope.
class MessagesScope {
public:
    explicit MessagesScope(Messages& messages) : m_previous(Messages::install(&messages)) { }
    ~MessagesScope() { Messages::install(m_previous); }
    MessagesScope(const MessagesScope&) = delete;
    MessagesScope& operator=(const MessagesScope&) = delete;

private:
    Messages* m_previous;
};

// Writes each message to stderr as one line "title<TAB>text" (CR LF inside the text becomes LF)
// and answers every Yes/No question with a fixed answer; a question about unsaved changes is
// answered Cancel, so nothing is saved or thrown away without a person. Counts the error messages it has shown, so a
// batch program can set its exit status from them.
class StderrMessages : public Messages {
public:
    explicit StderrMessages(Answer questionAnswer = Answer::No) : m_questionAnswer(questionAnswer) { }

    Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    void beep() override { }

    void setQuestionAnswer(Answer answer) { m_questionAnswer = answer; }
    int errorCount() const { return m_errorCount; }

private:
    Answer m_questionAnswer;
    int m_errorCount = 0;
};
