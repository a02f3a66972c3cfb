#pragma once
// The text forms of an input's value that the editor's property list shows
// and reads back.

#include <string>

struct NodeParam;

// Stores text into the input's own value by its edit kind: colour and vector
// take up to three comma-separated numbers into components 0, 1, 2 (fewer
// pieces leave the remaining components alone), float takes one number into
// component 0, text and file name take the text itself; every other kind,
// and a linked connectable input, is left alone. Numbers are read as the C
// library's atof reads them in the C locale (0 when none). The value's type
// never changes.
void SetFromText(NodeParam& param, const std::string& text);

// The text shown for the input: "[ <source name> : <source output name> ]"
// for a linked connectable input; otherwise by edit kind the three
// components as "%.3f, %.3f, %.3f" (colour, vector), component 0 as "%.3f"
// (float), the text itself (text, file name), the chosen line of the option
// list (choice; "" when there is no such line), "[-- Edit Here --]"
// (custom), and "" for any other kind. Numbers use a decimal point whatever
// the process locale.
std::string ValueText(const NodeParam& param);
