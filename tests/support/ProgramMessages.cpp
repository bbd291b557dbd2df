#include "support/ProgramMessages.h"

using namespace Qt::StringLiterals;

namespace ProgramMessages {

QString notFound(const QString& path)
{
    return u"Error with "_s + path
        + u":  File not found.  This file will be skipped automatically until you close the program."_s;
}

QString readError(const QString& path)
{
    return u"Error with "_s + path
        + u":  Read error.  This file will be skipped automatically until you close the program.\r\n\r\n"
          u"Suggestions:\r\n1) Close any programs that may be accessing this file.\r\n"
          u"2) Remove any special characters from the filename."_s;
}

QString notRecognized(const QString& path)
{
    return u"ID3v2 Tag format not recognized for "_s + path + u", skipping to avoid damage."_s;
}

QString genreListFailure(const QString& folder)
{
    return u"Could not load genre list, find a copy of Genres.lst or create a blank file with that name and put it "
           u"in "_s
        + folder + u" to stop seeing this error message."_s;
}

QString busy(const QString& path)
{
    return path + u" is being changed by another Sondrel process"_s;
}

} // namespace ProgramMessages
