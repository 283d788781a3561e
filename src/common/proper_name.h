#pragma once
// Title-casing of station and data type names.
#include <string>

namespace fw {

// Capitalises each blank-separated word whose third character is a lower-case letter, so short
// words and words in capitals keep their spelling: "boise river NEAR boise" becomes
// "Boise River NEAR Boise". Location words ("above", "blw", "near", ...) stay lower case; a word
// with a degree sign or "ytd" goes to capitals; a word starting "ph" becomes "pH". Runs of
// blanks survive unchanged.
std::string ProperName(const std::string& text);

}  // namespace fw
