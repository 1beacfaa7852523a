// The lines of a memo box as the user sees them, and filling a memo box from a list of lines.
#pragma once

#include <QStringList>

class QPlainTextEdit;

// The lines as displayed: a paragraph the box wraps onto three lines gives three lines. A wrapped
// line loses the blanks the wrap broke at, so joining the lines again gives the same words; the
// last line of a paragraph keeps its characters exactly. As in a memo's line list, the empty box
// gives no lines and one trailing empty line is not a line ("a\n" gives "a" alone).
// A box that has never been laid out at a width (hidden, never shown) gives its paragraphs
// unwrapped; a box laid out before gives the lines at its last width.
QStringList displayedLines(const QPlainTextEdit *edit);

// Shows one entry per line; displayedLines() gives the same list back while no entry is wider
// than the box.
void setLines(QPlainTextEdit *edit, const QStringList &lines);
