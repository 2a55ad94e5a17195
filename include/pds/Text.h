// Text routines every layer shares. Text is UTF-8; "without regard to case"
// folds ASCII letters only, so "é" and "É" differ, everywhere in the component.
#pragma once

#include <string>

namespace pds {

// Blanks-only trimming, as the language's Trim: tabs and other characters stay.
std::string Trim(const std::string& s);

// ASCII-only case folding; other letters are left as they are, so "é" and "É"
// differ. This is the meaning of "without regard to case" everywhere.
std::string UCase(const std::string& s);
std::string LCase(const std::string& s);
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace pds
