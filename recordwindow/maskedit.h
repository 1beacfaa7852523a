// MaskEdit: a line edit driven by an edit mask in the catalogue's notation ("!9090/90/00;1;_").
#pragma once

#include <vector>

#include <QLineEdit>

// Mask notation: "9" and "0" are digit positions ("0" means a digit is wanted, but the box never
// refuses to lose focus, so an unfilled one is stored as a blank like "9"), "#" a digit or sign,
// "L"/"l" a letter, "A"/"a" a letter or digit, "C"/"c" any character, "\" makes the next
// character literal, "<" / ">" / "<>" set lower case / upper case / no case conversion, every
// other character is a literal. "!" makes unfilled positions leading blanks: the characters
// typed into each run of positions between two literals are stored right-aligned in that run
// (a month typed as "1" followed by "/" is stored " 1"); without "!" every character is stored
// where it stands. ";1" (the default) stores the literals with the text, ";0" stores the filled
// positions only; the last field is the character drawn in an empty position.
//
// Typing fills the positions left to right, overwriting; the literals are skipped. An empty mask
// gives a plain text box whose stored text is its text.
//
// A stored text that does not fit the mask (wrong length, a letter in a digit position, a
// literal out of place) is shown as it is while the box does not have the focus, and is fitted
// into the mask as well as possible while the user edits. Until the user edits, storedText()
// returns the text given to setStoredText() unchanged, so showing and storing a record never
// alters its data.
class MaskEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit MaskEdit(const QString &mask = QString(), QWidget *parent = nullptr);

    QString editMask() const { return m_mask; }
    bool hasMask() const { return !m_positions.empty(); }

    // The text as the record stores it: with a mask, exactly one character per stored position,
    // unfilled positions as blanks; an empty date box gives "    /  /  ".
    QString storedText() const;
    // Shows a stored text; blanks are empty positions. The cursor goes to the start.
    void setStoredText(const QString &text);

    // Whether text can be shown position for position (the empty text counts as an empty box).
    bool fitsMask(const QString &text) const;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    enum class Kind { Literal, Digit, DigitOrSign, Letter, LetterOrDigit, Any };
    struct Position
    {
        Kind kind;
        QChar literal;
    };

    void parseMask();
    bool accepts(Kind kind, QChar c) const;
    int storedLength() const;
    // Display text (one character per position, blank character in empty ones) for a stored
    // text that fits.
    QString displayFor(const QString &stored) const;
    QString storedFromDisplay(const QString &display) const;
    void showMasked(const QString &text);
    void showRaw(const QString &text);
    bool keepingOriginal() const;
    void userEdited();

    QString m_mask;
    QString m_qtMask;
    std::vector<Position> m_positions;
    QChar m_blank = u'_';
    bool m_saveLiterals = true;
    bool m_leadingBlanks = false;

    QString m_original; // the text last given to setStoredText()
    bool m_keepOriginal = false; // no user edit since then
    QString m_shownDisplay; // displayText() as this class last set it
    bool m_raw = false; // showing an unfitting text without the mask
};

// The edit masks of the record window's detail boxes (the date, the year, the ID number and the
// quantity); every other detail takes free text and gets the empty mask.
QString detailEditMask(int detail);
