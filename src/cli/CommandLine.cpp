#include "cli/CommandLine.h"

#include <cstdio>

#include <QFile>

#include "base/Messages.h"
#include "base/NativePath.h"

CommandLine::CommandLine(QString synopsis, const QString& description) : m_synopsis(std::move(synopsis))
{
    m_parser.setApplicationDescription(description);
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Not addHelpOption(): its --help-all lists the toolkit's own options, which do not apply here.
    m_parser.addOption(
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")));
}

void CommandLine::addFlag(const QString& name, const QString& description)
{
    m_parser.addOption(QCommandLineOption(name, description));
}

void CommandLine::addValue(const QString& name, const QString& valueName, const QString& description)
{
    m_parser.addOption(QCommandLineOption(name, description, valueName));
    m_valueOptions.append(name);
}

void CommandLine::takesFiles()
{
    m_takesFiles = true;
    addValue(QStringLiteral("files-from"), QStringLiteral("LIST"),
        QStringLiteral("Also work on the files listed in LIST, one path a line (\"-\" reads stdin)."));
}

std::optional<int> CommandLine::parse(const QStringList& arguments)
{
    if (!m_parser.parse(arguments)) {
        return usageError(m_parser.errorText());
    }
    if (m_parser.isSet(QStringLiteral("help"))) {
        QString help = m_parser.helpText();
        // The parser names the program by its arguments' first word, the command; say it whole.
        const qsizetype end = help.indexOf(u'\n');
        help.replace(0, end, QStringLiteral("Usage: sondrel-cli ") + m_synopsis);
        writeOut(help.toUtf8());
        return ExitOk;
    }
    const QStringList positional = m_parser.positionalArguments();
    if (!m_takesFiles && positional.size() > m_argumentCount) {
        return usageError(QStringLiteral("unexpected argument: ") + positional.at(m_argumentCount));
    }
    if (!m_takesFiles && positional.size() < m_leastArguments) {
        return usageError(QStringLiteral("missing arguments"));
    }
    if (m_takesFiles && m_parser.positionalArguments().isEmpty() && !isSet(QStringLiteral("files-from"))) {
        return usageError(QStringLiteral("no files given"));
    }
    return std::nullopt;
}

Result<QStringList> CommandLine::files() const
{
    QStringList paths = m_parser.positionalArguments();
    if (!isSet(QStringLiteral("files-from")))
        return paths;
    const QString listName = value(QStringLiteral("files-from"));
    QFile list(listName);
    const bool opened = listName == u'-' ? list.open(stdin, QIODevice::ReadOnly) : list.open(QIODevice::ReadOnly);
    Failure failure;
    failure.action = Failure::Action::ReadFileList;
    failure.path = listName;
    if (!opened) {
        failure.reason = list.errorString();
        Messages::error(failure);
        return failure;
    }
    // Read in pieces up to a limit: a device such as /dev/zero, or a pipe that never closes, would
    // otherwise be read until memory runs out.
    QByteArray bytes;
    while (bytes.size() <= MaxFileListSize) {
        const QByteArray piece = list.read(1 << 20);
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    if (bytes.size() > MaxFileListSize) {
        failure.reason = QStringLiteral("it is longer than 256 MiB");
        Messages::error(failure);
        return failure;
    }
    paths += pathsOfList(bytes);
    return paths;
}

QString CommandLine::commandAsTyped(const QStringList& arguments, const QStringList& leftOut) const
{
    QStringList typed;
    if (!arguments.isEmpty())
        typed.append(arguments.first());
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& word = arguments.at(i);
        if (word == u"--")
            break; // only arguments follow
        if (!word.startsWith(u'-') || word == u"-")
            continue; // a file or another argument
        // "--name", "-name" or "--name=value"; a value option without "=" takes the next word.
        const QString option = word.mid(word.startsWith(u"--") ? 2 : 1);
        const qsizetype equals = option.indexOf(u'=');
        const QString name = equals < 0 ? option : option.left(equals);
        const bool takesNext = equals < 0 && m_valueOptions.contains(name) && i + 1 < arguments.size();
        if (!leftOut.contains(name)) {
            typed.append(word);
            if (takesNext)
                typed.append(arguments.at(i + 1));
        }
        if (takesNext)
            ++i;
    }
    return typed.join(u' ');
}

int CommandLine::usageError(const QString& reason) const
{
    const QByteArray text = (QStringLiteral("usage: sondrel-cli ") + m_synopsis + u'\n'
        + QStringLiteral("sondrel-cli: ") + reason + u'\n')
                                .toUtf8();
    std::fflush(stdout);
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    return ExitUsage;
}

StderrMessages& commandMessages()
{
    static StderrMessages messages;
    return messages;
}

QString tabField(QString text)
{
    return text.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\t', QStringLiteral("\\t"))
        .replace(u'\r', QStringLiteral("\\r"))
        .replace(u'\n', QStringLiteral("\\n"));
}

QStringList pathsOfList(const QByteArray& bytes)
{
    QStringList paths;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArrayView line(bytes.constData() + start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            paths.append(NativePath::decode(line));
        start = end + 1;
    }
    return paths;
}

void writeOut(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}
