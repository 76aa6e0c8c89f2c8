// The program's own icon artwork, drawn with Cairo at build time.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

// A look for the whole icon set: the same drawings in different hands.
struct IconStyle {
  std::string key;          // theme key ("builtin", "handdrawn", "mono")
  std::string displayName;  // shown in the preferences
  double ink[3];            // outlines
  double primary[3];        // main fills (pages, folders)
  double accent[3];         // arrows, plus signs, highlights
  double warn[3];           // delete, error
  double info[3];           // help, about, web
  double lineWidth;         // in units of a 64-unit square
  double wobble;            // 0 = ruler-straight lines; > 0 hand-drawn jitter
  bool monochrome;          // outlines only, fills in paper white
};

const IconStyle& BuiltinStyle();
const std::vector<IconStyle>& ThemeStyles();

// Draws icon name into the square 0..size of cr; false for an unknown name.
// Buttons (large) leave room around the drawing for the button's frame.
bool DrawIcon(cairo_t* cr, const std::string& name, double size, const IconStyle& style);
