#pragma once
// File names and extensions are compared case-insensitively after the C
// locale's upper-case mapping, whatever locale the process has set.

#include <string_view>

inline unsigned char UpperC(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

inline bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperC(static_cast<unsigned char>(a[i])) != UpperC(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
