// Bitmap fonts (minimal start-up version; the font module replaces it).
#pragma once

#include <string>

namespace zorby {

double load_font(double slot, const std::string& file_name);
void font_glyph_size(double& w, double& h);
void print_text(double x, double y, const std::string& text);

}  // namespace zorby
