// Counting for the graph window and larkspur-tool totals.
#include "graph/graphcount.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include <QHash>
#include <QMultiHash>
#include <QStringView>

#include "graph/chart.h"
#include "store/recordstore.h"
#include "store/wholenumber.h"

namespace {

// Only A-Z fold, as the comparison has always done; other letters compare as they stand.
void appendFolded(QString &out, QStringView text)
{
    const qsizetype start = out.size();
    out.append(text);
    QChar *p = out.data() + start;
    QChar *const end = out.data() + out.size();
    for (; p != end; ++p) {
        const char16_t c = p->unicode();
        if (c >= u'A' && c <= u'Z')
            *p = QChar(char16_t(c + (u'a' - u'A')));
    }
}

QString folded(QStringView text)
{
    QString out;
    out.reserve(text.size());
    appendFolded(out, text);
    return out;
}

const QString &separator()
{
    static const QString s = QStringLiteral(" : ");
    return s;
}

} // namespace

double cleanedNumber(QStringView text)
{
    // The numeric cleanup read as a number, without building the cleaned text: every digit in
    // order, with the point where the right-most full stop stands. A bare point at either end
    // ("12." or ".") reads as if a zero stood beside it.
    const qsizetype stop = text.lastIndexOf(u'.');
    std::string digits;
    digits.reserve(size_t(text.size()) + 2);
    digits.push_back('0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9')
            digits.push_back(char(c));
        else if (i == stop)
            digits.push_back('.');
    }
    double number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || !std::isfinite(number))
        return 0;
    return number;
}

double graphAmount(const QString &amount, const QString &quantity)
{
    const double number = cleanedNumber(amount);
    if (const std::optional<int> q = wholeNumber(quantity))
        return number * *q;
    return number;
}

GraphTotals countGraph(
    const RecordStore &store, const GraphNode &node, const QString &recordCaption)
{
    GraphTotals totals;
    const qsizetype n = node.subNodes.size();
    totals.counts.assign(size_t(n), 0);
    if (n == 0)
        return totals;

    // Every B_i is ": " + sub-node text + P with the same P = " : " + path. So A ends with B_i
    // exactly when A ends with P and, what comes before P, ends with ": " + the sub-node's text:
    // one look-up per ": " in that rest instead of one comparison per sub-node.
    const QString tail = separator() + folded(node.path);
    std::vector<QString> subTexts;
    subTexts.reserve(size_t(n));
    QMultiHash<size_t, int> bySubText;
    for (qsizetype i = 0; i < n; ++i) {
        subTexts.push_back(folded(node.subNodes[i]));
        bySubText.insert(qHash(QStringView(subTexts.back())), int(i));
    }

    const size_t k = size_t(node.description);
    const QString captionPart = separator() + folded(recordCaption);
    // Long sums of cents stay exact to the cent in the wider type.
    long double paid = 0;
    long double value = 0;
    QString a;
    a.reserve(256);
    for (const RecordPtr &record : store.records()) {
        // An empty value lies in no branch, even beside a sub-category without a name.
        if (record->description(k).isEmpty())
            continue;
        // A, built once per record.
        a.truncate(0); // keeps the buffer, unlike clear()
        a.append(u": ");
        appendFolded(a, record->description(k));
        a.append(captionPart);
        if (!a.endsWith(tail))
            continue;
        const QStringView rest = QStringView(a).first(a.size() - tail.size());
        bool counted = false;
        for (qsizetype p = rest.indexOf(u": "); p >= 0; p = rest.indexOf(u": ", p + 1)) {
            const QStringView text = rest.sliced(p + 2);
            const size_t hash = qHash(text);
            for (auto it = bySubText.constFind(hash); it != bySubText.cend() && it.key() == hash;
                 ++it) {
                if (subTexts[size_t(it.value())] == text) {
                    ++totals.counts[size_t(it.value())];
                    counted = true;
                }
            }
        }
        // A record adds its amounts once, even where it counts under two sub-nodes (two
        // sub-categories of the same name): the totals are those of the counted records.
        if (counted) {
            const std::optional<int> quantity = wholeNumber(record->detail(9));
            const double times = quantity ? *quantity : 1;
            value += (long double)cleanedNumber(record->detail(1)) * times;
            paid += (long double)cleanedNumber(record->detail(8)) * times;
        }
    }
    totals.paid = double(paid);
    totals.value = double(value);
    return totals;
}

QString dollarText(double total)
{
    // A total that rounds to no cents is written without a minus sign.
    if (!std::isfinite(total) || std::abs(total) < 0.005)
        total = 0;
    return u'$' + QString::number(total, 'f', 2);
}

void fillChart(Chart &chart, const GraphNode &node, const GraphTotals &totals, int recordTotal)
{
    const int n = int(node.subNodes.size());
    chart.openData(1, n);
    chart.setRecordTotal(recordTotal);
    chart.setCurrentSeries(0);
    for (int i = 0; i < n; ++i) {
        chart.setValue(i, i < int(totals.counts.size()) ? totals.counts[size_t(i)] : 0);
        chart.setLabel(i, node.subNodes[i]);
    }
    chart.closeData();
}

namespace {

template<typename Matches>
const CategoryNode *findIn(const std::vector<CategoryNode> &nodes, QStringList &chain,
    const Matches &matches, QStringList *ancestors)
{
    for (const CategoryNode &node : nodes) {
        chain.prepend(node.text);
        const CategoryNode *found = nullptr;
        if (matches(categoryFullName(chain))) {
            found = &node;
            if (ancestors)
                *ancestors = chain.mid(1);
        } else {
            found = findIn(node.children, chain, matches, ancestors);
        }
        chain.removeFirst();
        if (found)
            return found;
    }
    return nullptr;
}

} // namespace

const CategoryNode *findCategoryNode(
    const CategoryTree &tree, const QString &fullName, QStringList *ancestors)
{
    QStringList chain;
    if (const CategoryNode *node = findIn(
            tree, chain, [&](const QString &name) { return name == fullName; }, ancestors))
        return node;
    // Same rule as the counting: only A-Z fold.
    const QString wanted = folded(fullName);
    return findIn(
        tree, chain, [&](const QString &name) { return folded(name) == wanted; }, ancestors);
}

GraphNode graphNodeFor(int description, const QString &caption, const CategoryTree &tree,
    const CategoryNode *node, const QStringList &ancestors)
{
    GraphNode g;
    g.description = description;
    const std::vector<CategoryNode> &children = node ? node->children : tree;
    for (const CategoryNode &child : children)
        g.subNodes.append(child.text);
    if (node) {
        QStringList chain = ancestors;
        chain.prepend(node->text);
        chain.append(caption);
        g.path = categoryFullName(chain);
    } else {
        g.path = caption;
    }
    return g;
}
