#pragma once
// The editor's pictures, drawn by the program: the palette's node-type
// pictures, the tool bar's seven buttons and the glyph of the button that
// leaves a macro.

#include <QIcon>

// Palette pictures, 16 x 16: 0 a category, then by the registry's picture
// index: 2 root, 3 macro, 4 gradient, 5 slope, 6 image, 7 operator,
// 8 compose, 9 noise, 10 animation, 11 plug-in; 1 and any other index a
// plain node box.
QIcon PaletteIcon(int index);

// Tool bar pictures, 16 x 15: 0 new, 1 open, 2 save as, 3 cut, 4 copy,
// 5 paste, 6 render preview.
QIcon ToolIcon(int index);

// The glyph of the button that leaves an open macro, 16 x 16.
QIcon CloseMacroGlyph();
