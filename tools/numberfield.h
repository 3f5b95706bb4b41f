#pragma once

#include <QString>

class QLineEdit;

// Fields that take a number. Any text may be typed: nothing is dropped behind the user's back
// (a validator that swallows the "e" of "1e9" leaves "19" to be stored). A value counts only
// when the whole text is a number in its domain; otherwise the field shows a red frame and a
// tooltip saying what it takes, and the caller stores nothing.
namespace numberfield {

struct Domain
{
    double low, high;
    bool whole = false; // whole numbers only
};

// The whole text as a number of the domain: a decimal point or comma, no group separators; a
// comma that may as well separate thousands ("1,000") is refused, not guessed.
bool read(const QString& text, const Domain& domain, double& value);
// Marks the field as its text stands: red when it holds no number of the domain, plain
// otherwise; the hint, saying what it takes, is its tooltip. Returns whether it holds one.
bool mark(QLineEdit* field, const Domain& domain, const QString& hint);

} // namespace numberfield
