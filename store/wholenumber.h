// A record field read as a whole number, as every total reads the quantity (detail 9).
#pragma once

#include <optional>

#include <QString>

// Leading blanks, an optional sign, then digits and nothing after (no trailing blank, no tab);
// nullopt when the text is not such a number or does not fit an int.
std::optional<int> wholeNumber(const QString &text);
