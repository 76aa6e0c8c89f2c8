#include "settings/Product.h"

const char* const ProductTitle = "Corvanta Nembrix";

std::string VersionText(int number) {
  std::string text = std::to_string(number);
  if (text.size() >= 2) text.insert(1, ".");
  if (text.size() >= 4) text.insert(3, ".");
  if (!text.empty() && text.back() == '0') text = text.substr(0, 3);
  return text;
}

std::string WindowTitle() { return std::string(ProductTitle) + " " + VersionText(ProgramVersion); }
