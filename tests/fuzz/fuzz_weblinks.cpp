// Feeds arbitrary text to the link-entry parser and the page builders: a parsed anchor never
// crashes, an entry made of clean parts parses back to them, and generated text stays escaped.
#include <cstdint>
#include <cstdlib>

#include "recordwindow/weblinks.h"
#include "store/textcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text
        = decodeText(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    (void)parseAnchor(text);
    (void)isOpenableAddress(text);

    // Split the input into an address and a title; without quotes, ampersands and a closing tag
    // they must come back exactly.
    const qsizetype cut = text.indexOf(QChar(u'|'));
    QString address = cut < 0 ? text : text.left(cut);
    QString title = cut < 0 ? QString() : text.mid(cut + 1);
    address.remove(u'"').remove(u'&');
    title.remove(u'&');
    if (!title.contains(QStringLiteral("</"), Qt::CaseInsensitive)) {
        const auto anchor = parseAnchor(linkEntry(address, title));
        if (!anchor || anchor->href != address || anchor->text != title)
            abort();
    }

    const QString encoded = EncodeSearchTerm(text);
    for (QChar c : encoded) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || c == u'"' || c == u'&' || c == u'#'
            || c == u'?' || c == u'=')
            abort();
    }
    const QString line = redirectPageLines(text).at(2);
    // "URL=" then the escaped address, and the attribute's own closing quote and bracket.
    if (line.indexOf(u'"') != line.size() - 2 || line.contains(u'<')
        || line.indexOf(u'>') != line.size() - 1)
        abort();
    const QString value = fillSearchForm({ SearchPlaceholder }, text).at(0);
    if (value.count(u'"') != 2 || value.contains(u'<') || value.contains(u'>'))
        abort();
    return 0;
}
