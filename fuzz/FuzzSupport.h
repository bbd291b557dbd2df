#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <QByteArrayView>
#include <QString>

#include "base/Messages.h"

// What every fuzz target shares: a Messages object that shows nothing, the check that stops the
// run when a property breaks, and the ways raw input becomes text.

// Stops the run with the broken property named, so that libFuzzer keeps the input as a finding.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "Property broken at %s:%d: %s\n", __FILE__, __LINE__, #condition);                    \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

namespace Fuzz {

// Shows nothing, counts what it was asked to show and answers every question with one fixed
// button, so that no message reaches stderr and no question waits for an answer.
class SilentMessages : public Messages {
public:
    Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    void beep() override { }

    int shown() const { return m_shown; }
    void reset() { m_shown = 0; }

private:
    int m_shown = 0;
};

// Installs the silent messages for the whole run (once; later calls only return them).
SilentMessages& messages();

inline QByteArrayView bytesOf(const std::uint8_t* data, std::size_t size)
{
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The bytes as UTF-16 code units in host order, a last odd byte dropped: any QString at all,
// lone surrogates included.
QString rawUtf16(QByteArrayView bytes);

// The bytes as UTF-8 when rawUtf16 is false (the usual text of a file name or a format), else as
// rawUtf16.
QString textOf(QByteArrayView bytes, bool rawUtf16);

} // namespace Fuzz
