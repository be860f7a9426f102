#pragma once
// Toolbar and menu icons drawn from the program's own SVG files.
//
// The program's icons use a small part of SVG: an "svg" root with a viewBox, groups ("g"),
// and the shapes path (commands M, L, H, V, C, S, Q, T, Z in absolute and relative form),
// rect (with rx), circle, ellipse, line, polyline and polygon, each with fill, stroke,
// stroke-width, stroke-linecap, stroke-linejoin and opacity, inherited from groups.
// Colours are "#rgb", "#rrggbb", "none" or a name Qt knows. Anything else is ignored, so a
// richer file still draws what it can. Files are read from disk or Qt resources.

#include <QIcon>
#include <QImage>
#include <QString>

// The drawing of Svg (the file's text) on a transparent image of Size x Size pixels, the
// view box scaled to fit and centred. A text that is not SVG gives a transparent image.
QImage RenderSvgIcon(const QByteArray& Svg, int Size);
// An icon from the file FileName with pixmaps of 16, 24, 32 and 48 pixels; a null icon when
// the file cannot be read.
QIcon LoadSvgIcon(const QString& FileName);
