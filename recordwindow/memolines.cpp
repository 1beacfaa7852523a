// Memo lines: reads the visual lines of a QPlainTextEdit from its block layouts.
#include "recordwindow/memolines.h"

#include <array>

#include <QFontMetricsF>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

void chopTrailingBlanks(QString &s)
{
    qsizetype n = s.size();
    while (n > 0 && (s[n - 1] == u' ' || s[n - 1] == u'\t'))
        --n;
    s.truncate(n);
}

// Whether a paragraph is certainly one line in a box of the given width: the sum of its
// characters' own advances, with room to spare, is below the width. Measuring this way costs a
// fraction of a real layout, which matters for long memos; anything close, or any character
// beyond Latin-1, tabs and hard breaks go through the real layout.
class ShortLineCheck
{
public:
    ShortLineCheck(const QFont &font, qreal width)
        : m_metrics(font)
        , m_width(width - 16) // margin for kerning and the cursor
    {
        m_advance.fill(-1);
    }
    bool fits(const QString &text)
    {
        if (m_width <= 0)
            return false;
        qreal total = 0;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u >= 256 || u == u'\t' || u < 0x20)
                return false;
            qreal &a = m_advance[u];
            if (a < 0)
                a = m_metrics.horizontalAdvance(c);
            total += a;
            if (total >= m_width)
                return false;
        }
        return true;
    }

private:
    QFontMetricsF m_metrics;
    qreal m_width;
    std::array<qreal, 256> m_advance;
};

} // namespace

QStringList displayedLines(const QPlainTextEdit *edit)
{
    QStringList lines;
    QTextDocument *doc = edit->document();
    auto *layout = qobject_cast<QPlainTextDocumentLayout *>(doc->documentLayout());
    const bool wrap = layout && edit->lineWrapMode() != QPlainTextEdit::NoWrap;
    // The box sets the layout's width from its viewport whenever it is resized; a box never shown
    // has width 0, which the layout takes as no wrapping at all.
    // The layout's width follows the viewport; a box never shown does not wrap at all, and then
    // every paragraph is one line anyway.
    ShortLineCheck shortLine(doc->defaultFont(),
        edit->viewport()->width() - 2 * doc->documentMargin());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (wrap && shortLine.fits(text)) {
            lines.append(text);
            continue;
        }
        if (wrap)
            layout->ensureBlockLayout(block);
        const QTextLayout *tl = block.layout();
        if (!wrap || !tl || tl->lineCount() == 0) {
            lines.append(text.split(QChar::LineSeparator));
            continue;
        }
        const int count = tl->lineCount();
        for (int i = 0; i < count; ++i) {
            const QTextLine line = tl->lineAt(i);
            QString s = text.mid(line.textStart(), line.textLength());
            if (s.endsWith(QChar::LineSeparator))
                s.chop(1); // a hard break inside the paragraph: the line is kept as typed
            else if (i + 1 < count)
                chopTrailingBlanks(s); // the blanks the wrap broke at
            lines.append(s);
        }
    }
    // "a\n" is the one line "a", and the empty box has no lines.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void setLines(QPlainTextEdit *edit, const QStringList &lines)
{
    QString text = lines.join(u'\n');
    // A trailing empty entry needs one more line end, or displayedLines() would drop it.
    if (!lines.isEmpty() && lines.last().isEmpty())
        text.append(u'\n');
    edit->setPlainText(text);
}
