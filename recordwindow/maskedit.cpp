// MaskEdit: translates the catalogue's edit masks to Qt input masks and back to stored texts.
#include "recordwindow/maskedit.h"

#include <algorithm>

#include <QFocusEvent>

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Characters with a meaning in a Qt input mask; as literals they need a backslash.
bool isQtMaskMeta(QChar c)
{
    return QStringView(u"AaNnXx90Dd#HhBb><!\\[]{}").contains(c);
}

} // namespace

MaskEdit::MaskEdit(const QString &mask, QWidget *parent)
    : QLineEdit(parent)
    , m_mask(mask)
{
    parseMask();
    if (hasMask()) {
        setInputMask(m_qtMask);
        m_shownDisplay = displayText();
    }
    connect(this, &QLineEdit::textEdited, this, [this] { userEdited(); });
}

void MaskEdit::parseMask()
{
    QString body = m_mask;
    const auto separatorAt = [&body](qsizetype pos) {
        return pos >= 0 && body[pos] == u';' && (pos == 0 || body[pos - 1] != u'\\');
    };
    const auto isSaveField = [](QChar c) { return c == u'0' || c == u'1'; };
    const qsizetype n = body.size();
    if (n >= 4 && separatorAt(n - 4) && isSaveField(body[n - 3]) && separatorAt(n - 2)) {
        m_saveLiterals = body[n - 3] == u'1';
        m_blank = body[n - 1];
        body.chop(4);
    } else if (n >= 2 && separatorAt(n - 2) && isSaveField(body[n - 1])) {
        m_saveLiterals = body[n - 1] == u'1';
        body.chop(2);
    }

    QString qt;
    const auto addLiteral = [&](QChar c) {
        m_positions.push_back({ Kind::Literal, c });
        if (isQtMaskMeta(c))
            qt.append(u'\\');
        qt.append(c);
    };
    const auto addInput = [&](Kind kind, QChar qtChar) {
        m_positions.push_back({ kind, QChar() });
        qt.append(qtChar);
    };
    // Every input position is optional in the Qt mask: a required one would make Qt drop the
    // blank from position-exact texts, and the box must take an unfilled position anyway.
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body[i];
        switch (c.unicode()) {
        case u'!':
            m_leadingBlanks = true;
            break;
        case u'<':
            if (i + 1 < body.size() && body[i + 1] == u'>') {
                qt.append(u'!');
                ++i;
            } else {
                qt.append(u'<');
            }
            break;
        case u'>':
            qt.append(u'>');
            break;
        case u'\\':
            if (i + 1 < body.size())
                addLiteral(body[++i]);
            break;
        case u'0':
        case u'9':
            addInput(Kind::Digit, u'0');
            break;
        case u'#':
            addInput(Kind::DigitOrSign, u'#');
            break;
        case u'L':
        case u'l':
            addInput(Kind::Letter, u'a');
            break;
        case u'A':
        case u'a':
            addInput(Kind::LetterOrDigit, u'n');
            break;
        case u'C':
        case u'c':
            addInput(Kind::Any, u'x');
            break;
        default:
            addLiteral(c);
        }
    }
    const bool anyInput = std::any_of(m_positions.begin(), m_positions.end(),
        [](const Position &p) { return p.kind != Kind::Literal; });
    if (!anyInput) {
        // Nothing to type into: treat it as free text.
        m_positions.clear();
        return;
    }
    m_qtMask = qt + u';' + m_blank;
}

bool MaskEdit::accepts(Kind kind, QChar c) const
{
    switch (kind) {
    case Kind::Literal:
        return false;
    case Kind::Digit:
        return isAsciiDigit(c);
    case Kind::DigitOrSign:
        return isAsciiDigit(c) || c == u'+' || c == u'-';
    case Kind::Letter:
        return c.isLetter();
    case Kind::LetterOrDigit:
        return c.isLetterOrNumber();
    case Kind::Any:
        return c.isPrint();
    }
    return false;
}

int MaskEdit::storedLength() const
{
    if (m_saveLiterals)
        return int(m_positions.size());
    return int(std::count_if(m_positions.begin(), m_positions.end(),
        [](const Position &p) { return p.kind != Kind::Literal; }));
}

bool MaskEdit::fitsMask(const QString &text) const
{
    if (!hasMask() || text.isEmpty())
        return true;
    if (text.size() != storedLength())
        return false;
    qsizetype t = 0;
    for (const Position &p : m_positions) {
        if (p.kind == Kind::Literal) {
            if (!m_saveLiterals)
                continue;
            if (text[t++] != p.literal)
                return false;
            continue;
        }
        const QChar c = text[t++];
        if (c != u' ' && (c == m_blank || !accepts(p.kind, c)))
            return false;
    }
    return true;
}

QString MaskEdit::displayFor(const QString &stored) const
{
    QString display;
    display.reserve(qsizetype(m_positions.size()));
    qsizetype t = 0;
    for (const Position &p : m_positions) {
        if (p.kind == Kind::Literal) {
            display.append(p.literal);
            if (m_saveLiterals)
                ++t;
            continue;
        }
        const QChar c = t < stored.size() ? stored[t] : QChar(u' ');
        ++t;
        display.append(c == u' ' ? m_blank : c);
    }
    return display;
}

QString MaskEdit::storedFromDisplay(const QString &display) const
{
    QString stored;
    stored.reserve(qsizetype(m_positions.size()));
    const size_t n = m_positions.size();
    size_t i = 0;
    while (i < n) {
        if (m_positions[i].kind == Kind::Literal) {
            if (m_saveLiterals)
                stored.append(m_positions[i].literal);
            ++i;
            continue;
        }
        // One run of input positions between literals.
        QString run;
        for (; i < n && m_positions[i].kind != Kind::Literal; ++i) {
            const QChar c = qsizetype(i) < display.size() ? display[qsizetype(i)] : m_blank;
            run.append(c == m_blank ? QChar(u' ') : c);
        }
        if (m_leadingBlanks) {
            QString filled = run;
            filled.remove(u' ');
            run = QString(run.size() - filled.size(), u' ') + filled;
        }
        stored.append(run);
    }
    return stored;
}

bool MaskEdit::keepingOriginal() const
{
    return m_keepOriginal && displayText() == m_shownDisplay;
}

QString MaskEdit::storedText() const
{
    if (!hasMask())
        return text();
    if (keepingOriginal())
        return m_original;
    if (m_raw)
        return text();
    return storedFromDisplay(displayText());
}

void MaskEdit::setStoredText(const QString &text)
{
    if (!hasMask()) {
        // Never cut a stored text short because of the box's default limit.
        if (text.size() > maxLength())
            setMaxLength(int(text.size()));
        setText(text);
        setCursorPosition(0);
        return;
    }
    m_original = text;
    m_keepOriginal = true;
    if (fitsMask(text))
        showMasked(displayFor(text));
    else if (hasFocus())
        showMasked(text); // Qt fits what it can into the positions
    else
        showRaw(text);
}

void MaskEdit::showMasked(const QString &text)
{
    if (m_raw) {
        m_raw = false;
        setInputMask(m_qtMask);
        setAcceptDrops(true);
    }
    setText(text);
    setCursorPosition(0);
    m_shownDisplay = displayText();
}

void MaskEdit::showRaw(const QString &text)
{
    if (!m_raw) {
        m_raw = true;
        setInputMask(QString());
        // Raw mode is only for looking: edits start in the masked form once the box has focus.
        setAcceptDrops(false);
    }
    setMaxLength(std::max(int(m_positions.size()), int(text.size())));
    setText(text);
    setCursorPosition(0);
    m_shownDisplay = displayText();
}

void MaskEdit::userEdited()
{
    m_keepOriginal = false;
}

void MaskEdit::focusInEvent(QFocusEvent *event)
{
    if (m_raw)
        showMasked(m_original);
    QLineEdit::focusInEvent(event);
}

void MaskEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // The box's own context menu takes the focus for a moment; leave the text alone then.
    if (!hasMask() || m_raw || event->reason() == Qt::PopupFocusReason)
        return;
    if (keepingOriginal()) {
        if (!fitsMask(m_original))
            showRaw(m_original);
        return;
    }
    // Show what will be stored: with "!" the typed characters move to the end of their runs.
    if (m_leadingBlanks) {
        const QString stored = storedFromDisplay(displayText());
        const QString display = displayFor(stored);
        if (display != displayText())
            showMasked(display);
    }
}

QString detailEditMask(int detail)
{
    switch (detail) {
    case 2:
        return QStringLiteral("!9090/90/00;1;_");
    case 3:
        return QStringLiteral("9090;1;_");
    case 4:
        return QStringLiteral("9999999;1;_");
    case 9:
        return QStringLiteral("99;1;_");
    default:
        return QString();
    }
}
