#pragma once

// The pictures of the property dialog, drawn here: the glyphs of its speed
// buttons and its icon, each in four states (normal, disabled, pressed,
// held down).

#include <QIcon>

enum class PropertyGlyph { Up, Down, OpenURL, Form };

QIcon MakePropertyGlyph(PropertyGlyph glyph);
