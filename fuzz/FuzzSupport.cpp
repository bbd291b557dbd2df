#include "FuzzSupport.h"

#include <cstring>

namespace Fuzz {

Messages::Answer SilentMessages::show(const QString&, const QString&, Icon, Buttons buttons)
{
    ++m_shown;
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

SilentMessages& messages()
{
    static SilentMessages silent;
    static const MessagesScope scope(silent);
    return silent;
}

QString rawUtf16(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    if (!text.isEmpty())
        std::memcpy(text.data(), bytes.data(), std::size_t(text.size()) * 2);
    return text;
}

QString textOf(QByteArrayView bytes, bool raw)
{
    return raw ? rawUtf16(bytes) : QString::fromUtf8(bytes);
}

} // namespace Fuzz
