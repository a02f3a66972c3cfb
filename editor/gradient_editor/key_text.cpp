#include "key_text.h"

#include <charconv>
#include <cmath>

#include <QByteArray>

QString FormatKeyNumber(double value)
{
    // The longest "%f" of a double is 309 digits, a sign, the point and six
    // decimals.
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    return QString::fromLatin1(text, static_cast<qsizetype>(result.ptr - text));
}

double ReadKeyNumber(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    const char* at = bytes.constData();
    const char* end = at + bytes.size();
    while (at != end && (*at == ' ' || (*at >= '\t' && *at <= '\r'))) {
        ++at;
    }
    if (at != end && *at == '+') {
        ++at;
        if (at != end && (*at == '+' || *at == '-')) {
            return 0.0;
        }
    }
    double value = 0.0;
    const auto result = std::from_chars(at, end, value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value)) {
        return 0.0;
    }
    return value;
}
