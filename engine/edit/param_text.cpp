// NodeParam::SetFromText and NodeParam::ValueText, the text forms of an
// input's value that the editor's property list shows and reads back.

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <locale.h>

#include "model/node.h"

namespace {

// atof as the C locale reads numbers, whatever locale the program runs in
// (a window toolkit usually switches to the user's).
double AtoF(const std::string& text)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (cLocale == locale_t{}) {
        return std::atof(text.c_str());
    }
    return strtod_l(text.c_str(), nullptr, cLocale);
}

// "%.3f" with a decimal point in every locale.
std::string Fixed3(double v)
{
    char buffer[512];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 3);
    return std::string(buffer, result.ptr);
}

// Line index of a "\n"-separated text; "" when there is no such line.
std::string Line(const std::string& text, double chosen)
{
    if (!(chosen > -1.0) || chosen >= 2147483648.0) {
        return "";  // negative, not a number, or past any list
    }
    int64_t index = static_cast<int64_t>(chosen);
    size_t begin = 0;
    while (index > 0) {
        const size_t lf = text.find('\n', begin);
        if (lf == std::string::npos) {
            return "";
        }
        begin = lf + 1;
        --index;
    }
    const size_t lf = text.find('\n', begin);
    return text.substr(begin, lf == std::string::npos ? std::string::npos : lf - begin);
}

bool Linked(const NodeParam& param)
{
    return param.connectable && param.source != nullptr;
}

}  // namespace

void NodeParam::SetFromText(const std::string& text)
{
    if (Linked(*this)) {
        return;
    }
    switch (editKind) {
    case EDIT_COLOR:
    case EDIT_VECTOR: {
        size_t begin = 0;
        for (int component = 0; component < 3; ++component) {
            const size_t comma = text.find(',', begin);
            value.components[component] = AtoF(text.substr(begin, comma - begin));
            if (comma == std::string::npos) {
                break;
            }
            begin = comma + 1;
        }
        break;
    }
    case EDIT_FLOAT:
        value.components[0] = AtoF(text);
        break;
    case EDIT_TEXT:
    case EDIT_FILE:
        value.text = text;
        break;
    default:
        break;
    }
}

std::string NodeParam::ValueText() const
{
    if (Linked(*this)) {
        const Node& from = *source;
        std::string output;
        if (sourceOutput >= 0 && sourceOutput < from.outputCount) {
            output = from.outputs[sourceOutput].name;
        }
        return "[ " + from.name + " : " + output + " ]";
    }
    const double* c = value.components;
    switch (editKind) {
    case EDIT_COLOR:
    case EDIT_VECTOR:
        return Fixed3(c[0]) + ", " + Fixed3(c[1]) + ", " + Fixed3(c[2]);
    case EDIT_FLOAT:
        return Fixed3(c[0]);
    case EDIT_TEXT:
    case EDIT_FILE:
        return value.text;
    case EDIT_CHOICE:
        return Line(value.text, c[0]);
    case EDIT_CUSTOM:
        return "[-- Edit Here --]";
    default:
        return "";
    }
}
