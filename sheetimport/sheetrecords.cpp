// Turning a mapped sheet into records.
#include "sheetimport/sheetrecords.h"

#include <algorithm>
#include <array>

#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include "sheetimport/valueconvert.h"
#include "store/recordstore.h"
#include "store/textcodec.h"

using namespace Qt::StringLiterals;

namespace SheetImport {

namespace {

// What the catalogue file will hold: characters Windows-1252 lacks become "?" on saving, so
// the preview and the record show them so now.
QString storable(const QString &text)
{
    const bool plain
        = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    return plain ? text : decodeText(encodeText(text));
}

QStringList lines(QStringView text)
{
    QStringList out;
    QString t = text.toString();
    t.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    for (const QString &line : t.split(u'\n')) {
        const QString l = storable(line.trimmed());
        if (!l.isEmpty())
            out.append(l);
    }
    return out;
}

QString plural(int n, const char *one, const char *many)
{
    return QLocale(QLocale::English).toString(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
}

// The record every row starts from: the fields a new record starts with.
ItemRecord startRecord(const QDate &today)
{
    ItemRecord r;
    const QString date = today.toString(u"yyyy/MM/dd"_s);
    r.setDetail(1, u"0"_s);
    r.setDetail(2, date);
    r.setDetail(3, date.left(4));
    r.setDetail(4, u"0000000"_s);
    r.setDetail(8, u"0"_s);
    r.setDetail(9, u"01"_s);
    for (int k = 1; k <= ItemRecord::PictureCount; ++k)
        r.setPictureTitle(k, u"Untitled "_s + QString::number(k));
    return r;
}

QString joined(const QString &field, const QString &value)
{
    return field.isEmpty() ? value : field + u' ' + value;
}

// Short texts of the records packed side by side into shared blocks, as the database reader
// packs the texts it reads: one allocation per block instead of one per value. Each text is a
// QString over its piece, ending in a zero; an edit detaches it as usual.
class TextBlocks
{
public:
    TextBlocks() = default;
    TextBlocks(const TextBlocks &) = delete;
    TextBlocks &operator=(const TextBlocks &) = delete;
    ~TextBlocks() { release(); }

    QString copy(QStringView text)
    {
        const qsizetype n = text.size();
        if (n == 0)
            return QString();
        if (n > MaxPiece || (m_left < n + 1 && !newBlock()))
            return text.toString();
        char16_t *piece = m_next;
        std::copy_n(text.utf16(), n, piece);
        piece[n] = 0;
        m_next += n + 1;
        m_left -= n + 1;
        m_block->ref();
        return QString(QString::DataPointer(m_block, piece, n));
    }

private:
    using Block = QTypedArrayData<char16_t>;
    static constexpr qsizetype BlockUnits = (64 << 10) / 2 - 32;
    static constexpr qsizetype MaxPiece = 512;

    bool newBlock()
    {
        release();
        auto [block, data] = Block::allocate(BlockUnits);
        if (!block)
            return false;
        m_block = block;
        m_next = data;
        m_left = BlockUnits;
        return true;
    }
    void release()
    {
        if (m_block && !m_block->deref())
            Block::deallocate(m_block);
        m_block = nullptr;
        m_left = 0;
    }

    Block *m_block = nullptr; // holds one reference of its own while texts are added
    char16_t *m_next = nullptr;
    qsizetype m_left = 0;
};

// One string for the equal values of a column: a sheet repeats its rooms, makers, dates and
// amounts, and a string of their own for each record would take more memory than the sheet.
class EqualTexts
{
public:
    QString share(const QString &text, TextBlocks &blocks)
    {
        if (m_off || text.isEmpty() || text.size() > 255)
            return blocks.copy(text);
        if (const auto found = m_texts.constFind(text); found != m_texts.cend()) {
            ++m_hits;
            return *found;
        }
        // A column whose values hardly repeat (names, serial numbers) is only packed.
        if (m_texts.size() >= 4096 && m_hits < m_texts.size()) {
            m_off = true;
            m_texts = {};
            return blocks.copy(text);
        }
        QString packed = blocks.copy(text);
        if (m_texts.size() < (1 << 16))
            m_texts.insert(packed);
        return packed;
    }

private:
    QSet<QString> m_texts;
    qint64 m_hits = 0;
    bool m_off = false;
};

} // namespace

QString notesLine(const SheetTable &table, const Mapping &mapping, int column, const QString &value)
{
    return columnHeading(table, mapping, column) + u": "_s + value.simplified();
}

QString refusedText(const SheetTable &table, const Mapping &mapping, const RefusedValue &r)
{
    const int row = r.record + (mapping.headings ? 1 : 0);
    return u"Row %1, %2: \"%3\" %4"_s.arg(table.rowNumber(row))
        .arg(columnHeading(table, mapping, r.column), r.value.simplified(), r.reason);
}

QString countsText(const Built &b)
{
    return plural(b.recordCount, "record", "records") + u", "_s
        + plural(b.converted, "value converted", "values converted") + u", "_s
        + plural(int(b.refused.size()), "value needs a choice", "values need a choice");
}

Built buildRecords(const SheetTable &table, const Mapping &mapping, const RecordStore &store,
    const BuildOptions &options)
{
    Built b;
    const int first = mapping.headings ? 1 : 0;
    const int rows = std::max(0, table.rowCount() - first);
    const int columns = table.columnCount();
    b.recordCount = rows;

    // Dates: a column whose values show one order is read in that order throughout.
    std::vector<DateOrder> order(size_t(columns), mapping.dates);
    for (int c = 0; c < columns; ++c) {
        const Target t = mapping.target(c);
        if (mapping.dates != DateOrder::Auto || t.kind != Target::Detail
            || (t.index != 2 && t.index != 3))
            continue;
        bool dayFirst = false;
        bool monthFirst = false;
        for (int r = first; r < table.rowCount(); ++r) {
            const DateOrder shown = dateOrderShown(table.cell(r, c));
            dayFirst = dayFirst || shown == DateOrder::DayMonthYear;
            monthFirst = monthFirst || shown == DateOrder::MonthDayYear;
        }
        if (dayFirst != monthFirst)
            order[size_t(c)] = dayFirst ? DateOrder::DayMonthYear : DateOrder::MonthDayYear;
    }
    std::array<std::optional<CategoryResolver>, 11> resolvers;
    for (int c = 0; c < columns; ++c) {
        const Target t = mapping.target(c);
        if (t.kind == Target::Description && !resolvers[size_t(t.index)])
            resolvers[size_t(t.index)].emplace(store.categoryTree(t.index),
                store.captions.description[size_t(t.index)], mapping.addCategories);
    }
    QSet<QString> untitled;
    for (const RecordPtr &p : store.records())
        if (p->name().startsWith(u"Untitled "_s))
            untitled.insert(p->name());
    int nextUntitled = 1;
    static const QString symbols = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678"_s;

    const ItemRecord start = startRecord(options.today);
    const size_t keep
        = options.keepRecords < 0 ? size_t(rows) : size_t(std::min(rows, options.keepRecords));
    b.records.reserve(keep);
    TextBlocks blocks;
    std::vector<EqualTexts> equal { size_t(columns) };
    for (int r = 0; r < rows; ++r) {
        if (options.progress && r % 1024 == 1023
            && !options.progress(int(qint64(r) * 1000 / rows))) {
            b.records.clear();
            b.cancelled = true;
            return b;
        }
        const int row = r + first;
        ItemRecord rec = start;
        QStringList refusedNotes;
        int pictures = 0;
        for (int c = 0; c < columns; ++c) {
            const Target t = mapping.target(c);
            if (t.kind == Target::LeaveOut)
                continue;
            const QString value = table.cell(row, c);
            if (value.trimmed().isEmpty())
                continue;
            Converted cv;
            bool conversion = true; // a field with a form of its own
            switch (t.kind) {
            case Target::Name:
                cv.text = storable(value.simplified());
                conversion = false;
                break;
            case Target::RecordCode:
                cv.text = storable(value.trimmed());
                if (cv.text.size() > ItemRecord::RecordCodeLength)
                    cv.reason = u"is longer than %1 characters"_s.arg(ItemRecord::RecordCodeLength);
                conversion = false;
                break;
            case Target::Description:
                cv = resolvers[size_t(t.index)]->resolve(value.simplified());
                cv.text = storable(cv.text);
                break;
            case Target::Detail:
                switch (t.index) {
                case 1:
                case 8:
                    cv = convertAmount(value);
                    break;
                case 2:
                    cv = convertDate(value, order[size_t(c)], options.today);
                    break;
                case 3:
                    cv = convertYear(value, order[size_t(c)], options.today);
                    break;
                case 9:
                    cv = convertQuantity(value);
                    break;
                default:
                    cv.text = storable(value.simplified());
                    conversion = false;
                }
                break;
            case Target::Keywords:
            case Target::History:
            case Target::Notes:
                conversion = false;
                break;
            case Target::Picture:
                cv = convertPicture(value, options.sheetFolder);
                if (cv.ok() && storable(cv.text) != cv.text)
                    cv.reason = u"names a file whose name the catalogue file cannot hold"_s;
                else if (cv.ok() && pictures == ItemRecord::PictureCount)
                    cv.reason = u"is a seventh picture: a record holds six"_s;
                break;
            case Target::Link:
                cv = convertLinks(value);
                break;
            case Target::Wanted:
            case Target::ForTrade:
            case Target::ForSale:
                cv = convertFlag(value, targetCaption(t, store.captions));
                break;
            case Target::LeaveOut:
                break;
            }
            if (!cv.ok()) {
                const auto chosen = options.choices.find({ r, c });
                const Refusal choice
                    = chosen != options.choices.end() ? chosen->second : mapping.refused;
                b.refused.push_back({ r, c, value, cv.reason, choice });
                if (choice == Refusal::IntoNotes)
                    refusedNotes.append(storable(notesLine(table, mapping, c, value)));
                if (choice == Refusal::Stop && !b.stopped) {
                    b.stopped = true;
                    b.stopMessage = refusedText(table, mapping, b.refused.back())
                        + u". Nothing was imported."_s;
                }
                continue;
            }
            if (conversion && cv.text != value)
                ++b.converted;
            switch (t.kind) {
            case Target::Name:
                rec.setName(joined(rec.name(), equal[size_t(c)].share(cv.text, blocks)));
                break;
            case Target::RecordCode:
                rec.setRecordCode(cv.text);
                break;
            case Target::Description:
                rec.setDescription(t.index, equal[size_t(c)].share(cv.text, blocks));
                break;
            case Target::Detail:
                rec.setDetail(t.index, equal[size_t(c)].share(cv.text, blocks));
                break;
            case Target::Keywords:
                rec.setKeywords(rec.keywords() + lines(value));
                break;
            case Target::History:
                rec.setHistory(rec.history() + lines(value));
                break;
            case Target::Notes:
                rec.setNotes(rec.notes() + lines(value));
                break;
            case Target::Picture: {
                ++pictures;
                rec.setPictureFile(pictures, cv.text);
                rec.setPictureTitle(pictures, storable(QFileInfo(cv.text).completeBaseName()));
                break;
            }
            case Target::Link:
                rec.setLinks(rec.links() + lines(cv.text));
                break;
            case Target::Wanted:
                rec.Wanted = rec.Wanted || cv.text == "1"_L1;
                break;
            case Target::ForTrade:
                rec.ForTrade = rec.ForTrade || cv.text == "1"_L1;
                break;
            case Target::ForSale:
                rec.ForSale = rec.ForSale || cv.text == "1"_L1;
                break;
            case Target::LeaveOut:
                break;
            }
        }
        if (!refusedNotes.isEmpty())
            rec.setNotes(rec.notes() + refusedNotes);
        if (size_t(r) >= keep)
            continue;
        if (rec.name().isEmpty()) {
            while (untitled.contains(u"Untitled "_s + QString::number(nextUntitled)))
                ++nextUntitled;
            rec.setName(u"Untitled "_s + QString::number(nextUntitled));
            untitled.insert(rec.name());
        }
        if (rec.recordCode().isEmpty() && options.random) {
            std::array<QChar, ItemRecord::RecordCodeLength> code;
            for (QChar &symbol : code)
                symbol = symbols.at(options.random(int(symbols.size())));
            rec.setRecordCode(blocks.copy(QStringView(code.data(), code.size())));
        }
        b.records.push_back(std::make_shared<ItemRecord>(std::move(rec)));
    }
    for (int k = 1; k <= 10; ++k) {
        if (!resolvers[size_t(k)] || !resolvers[size_t(k)]->treeChanged())
            continue;
        b.trees[size_t(k)] = resolvers[size_t(k)]->tree();
        for (const QString &name : resolvers[size_t(k)]->addedNames())
            b.addedCategories.append(store.captions.description[size_t(k)] + u": "_s + name);
    }
    return b;
}

int appendImportedRecords(RecordStore &store, Built &&built)
{
    for (int k = 1; k <= 10; ++k)
        if (built.trees[size_t(k)])
            store.setCategoryTree(k, std::move(*built.trees[size_t(k)]));
    for (RecordPtr &r : built.records)
        store.append(std::move(r));
    const int added = int(built.records.size());
    built.records.clear();
    return added;
}

} // namespace SheetImport
