// Quick find: every word in any field and order, case and accents ignored, an edited record found
// by its new text only, and larkspur-tool find over the same rules.
#include <optional>
#include <tuple>

#include <QTemporaryDir>
#include <QTest>

#include "store/datafile.h"
#include "store/quickfind.h"
#include "store/recordstore.h"
#include "tests/support/toolrun.h"

using namespace Qt::StringLiterals;

namespace {

RecordStore household()
{
    RecordStore store;
    const auto add = [&store](const QString &name, auto fill) {
        ItemRecord r;
        r.setName(name);
        fill(r);
        store.append(std::move(r));
    };
    add(u"Café Table"_s, [](ItemRecord &r) { r.setDescription(8, u"Kitchen"_s); });
    add(u"Reading Lamp"_s, [](ItemRecord &r) {
        r.setDescription(3, u"Brightwell Lighting"_s);
        r.setDetail(5, u"BL-44120"_s);
    });
    add(u"Armchair"_s, [](ItemRecord &r) {
        r.setKeywords({ u"oak upholstered"_s });
        r.setNotes({ u"Green wool cover."_s });
    });
    add(u"Mantel Clock"_s, [](ItemRecord &r) {
        r.setRecordCode(u"HH000777"_s);
        r.setHistory({ u"Inherited from my grandmother."_s });
    });
    add(u"Garden Bench"_s, [](ItemRecord &r) {
        r.setPictureFile(1, u"/photos/lamp.jpg"_s);
        r.setDescription(10, u"Patio"_s);
    });
    return store;
}

QStringList names(const RecordStore &store, const std::vector<int> &positions)
{
    QStringList out;
    for (int p : positions)
        out << store.at(p).name();
    return out;
}

} // namespace

class TestQuickFind : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void words_data();
    void words();
    void editedRecordIsFoundByItsNewText();
    void narrowingKeepsRecordsEditedMeanwhile();
    void textWrittenWhereAnIndexedTextLivedIsSeen();
    void preparedIndexAnswersAsTyping();
    void foldsLettersOfEveryScript_data();
    void foldsLettersOfEveryScript();
    void fewerLettersWidenTheMatches();
    void wordsApplyAfreshToRecordsFoldedWhileIdle();
    void toolFind();
};

void TestQuickFind::words_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("blank: every record")
        << u"  "_s
        << QStringList { u"Café Table"_s, u"Reading Lamp"_s, u"Armchair"_s, u"Mantel Clock"_s,
               u"Garden Bench"_s };
    QTest::newRow("accents ignored") << u"cafe"_s << QStringList { u"Café Table"_s };
    QTest::newRow("accents typed") << u"CAFÉ"_s << QStringList { u"Café Table"_s };
    QTest::newRow("description") << u"kitchen"_s << QStringList { u"Café Table"_s };
    QTest::newRow("middle of a text") << u"ightwel"_s << QStringList { u"Reading Lamp"_s };
    QTest::newRow("detail") << u"bl-441"_s << QStringList { u"Reading Lamp"_s };
    QTest::newRow("keywords and notes, any order")
        << u"wool OAK"_s << QStringList { u"Armchair"_s };
    QTest::newRow("the tenth description") << u"patio"_s << QStringList { u"Garden Bench"_s };
    QTest::newRow("code and history")
        << u"grandmother hh000777"_s << QStringList { u"Mantel Clock"_s };
    QTest::newRow("every word must be there") << u"oak kitchen"_s << QStringList {};
    QTest::newRow("no match") << u"zebra"_s << QStringList {};
    QTest::newRow("picture paths are not searched") << u"lamp.jpg"_s << QStringList {};
    QTest::newRow("no word spans two fields") << u"tablekitchen"_s << QStringList {};
}

void TestQuickFind::words()
{
    QFETCH(QString, query);
    QFETCH(QStringList, found);
    RecordStore store = household();
    store.findText = query;
    QCOMPARE(names(store, store.findMatches()), found);
    QCOMPARE(store.findActive(), !query.trimmed().isEmpty());
}

void TestQuickFind::editedRecordIsFoundByItsNewText()
{
    RecordStore store = household();
    store.findText = u"lamp"_s;
    QCOMPARE(names(store, store.findMatches()), QStringList { u"Reading Lamp"_s });
    store.at(1).setName(u"Desk Light"_s); // as the record window stores an edit
    store.at(4).setNotes({ u"Bought with the lamp."_s });
    QCOMPARE(names(store, store.findMatches()), QStringList { u"Garden Bench"_s });
    store.findText = u"desk"_s;
    QCOMPARE(names(store, store.findMatches()), QStringList { u"Desk Light"_s });
    store.remove(1);
    QCOMPARE(names(store, store.findMatches()), QStringList {});
    QStringList notes = store.at(1).notes();
    notes[0] = u"Tartan wool cover."_s; // one line changed within its list
    store.at(1).setNotes(notes);
    store.findText = u"tartan"_s;
    QCOMPARE(names(store, store.findMatches()), QStringList { u"Armchair"_s });
}

void TestQuickFind::narrowingKeepsRecordsEditedMeanwhile()
{
    // Typing on ("ch" then "cha") narrows the last answer; a record edited between the two
    // keystrokes must still be found.
    RecordStore store = household();
    store.findText = u"ch"_s;
    QCOMPARE(names(store, store.findMatches()),
        (QStringList { u"Café Table"_s, u"Armchair"_s, u"Garden Bench"_s }));
    store.at(3).setKeywords({ u"chair-side clock"_s });
    store.findText = u"chai"_s;
    QCOMPARE(names(store, store.findMatches()), (QStringList { u"Armchair"_s, u"Mantel Clock"_s }));
    ItemRecord added;
    added.setName(u"Rocking Chair"_s);
    store.append(std::move(added));
    store.findText = u"chair"_s;
    QCOMPARE(names(store, store.findMatches()),
        (QStringList { u"Armchair"_s, u"Mantel Clock"_s, u"Rocking Chair"_s }));
}

void TestQuickFind::textWrittenWhereAnIndexedTextLivedIsSeen()
{
    // The allocator gives a freed string's memory to the next string of its size. Two edits of
    // the same length between keystrokes can put the new text where the indexed one lived; the
    // index must not take it for the old text. The block below plays the allocator's memory:
    // it is handed out again only when no string holds it any more.
    using Data = QTypedArrayData<char16_t>;
    struct Memory
    {
        Data *d = nullptr;
        char16_t *p = nullptr;
        Memory() { std::tie(d, p) = Data::allocate(16); }
        ~Memory()
        {
            if (!d->deref())
                Data::deallocate(d);
        }
        bool free() const { return !d->isShared(); }
        QString string(const QString &text) const
        {
            std::copy(text.utf16(), text.utf16() + text.size(), p);
            d->ref();
            return QString(QString::DataPointer(d, p, text.size()));
        }
    };
    RecordStore store = household();
    std::optional<Memory> first(std::in_place), second;
    store.at(1).setName(first->string(u"Reading Lamp"_s));
    store.findText = u"lamp"_s;
    QCOMPARE(names(store, store.findMatches()), QStringList { u"Reading Lamp"_s });

    store.at(1).setName(u"Desk Lights!"_s);
    const Memory &reused = first->free() ? *first : second.emplace();
    store.at(1).setName(reused.string(u"Oaken Stools"_s));
    store.findText = u"stools"_s;
    QCOMPARE(names(store, store.findMatches()), QStringList { u"Oaken Stools"_s });
    store.findText = u"lamp"_s;
    QCOMPARE(names(store, store.findMatches()), QStringList {});
    store.clear(); // the strings go before the memory they live in
    store.findText.clear();
    store.findMatches();
}

void TestQuickFind::preparedIndexAnswersAsTyping()
{
    // Folded ahead of the first keystroke, a slice at a time; what changes afterwards is still
    // seen.
    RecordStore store = household();
    for (int i = 0; i < 5000; ++i) {
        ItemRecord r;
        r.setName(u"Spare %1"_s.arg(i));
        store.append(std::move(r));
    }
    QuickFindIndex &index = store.findIndex();
    int slices = 1;
    while (!index.prepare(store, 0))
        ++slices;
    QVERIFY(slices > 1);
    QVERIFY(index.heldCharacters() > 5000 * 7);
    store.at(2).setNotes({ u"Lamp beside it."_s });
    store.findText = u"lamp"_s;
    QCOMPARE(names(store, store.findMatches()), (QStringList { u"Reading Lamp"_s, u"Armchair"_s }));
    store.findText = u"spare 4999"_s;
    QCOMPARE(names(store, store.findMatches()), QStringList { u"Spare 4999"_s });
}

void TestQuickFind::foldsLettersOfEveryScript_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::newRow("Latin") << u"Café CRÈME"_s << u"cafe creme"_s;
    // Beyond the table of the first code units; marks on marks come off down to the base letter.
    QTest::newRow("Vietnamese") << u"Bàn ghế gỗ, ạ Ở"_s << u"ban ghe go, a o"_s;
    QTest::newRow("full width") << u"ＯＡＫ ｔａｂｌｅ"_s << u"oak table"_s;
    QTest::newRow("Latin, marks on marks") << u"ǕǗ"_s << u"uu"_s;
    QTest::newRow("Greek") << u"ΆΈ"_s << u"αε"_s;
}

void TestQuickFind::foldsLettersOfEveryScript()
{
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(QuickFindIndex::fold(text), folded);
    // And so through the records: plain letters typed find them.
    RecordStore store;
    ItemRecord r;
    r.setName(text);
    store.append(std::move(r));
    store.findText = folded;
    QCOMPARE(store.findMatches(), std::vector<int> { 0 });
}

void TestQuickFind::fewerLettersWidenTheMatches()
{
    // "chair" narrowed the list; "chai" (a letter deleted) finds the longer word's matches and
    // the others again.
    RecordStore store;
    for (const char *n : { "Chair", "Chain", "Chalice", "Rocking chair" }) {
        ItemRecord r;
        r.setName(QString::fromLatin1(n));
        store.append(std::move(r));
    }
    const auto found = [&store](const QString &query) {
        store.findText = query;
        return names(store, store.findMatches());
    };
    QCOMPARE(found(u"chair"_s), (QStringList { u"Chair"_s, u"Rocking chair"_s }));
    QCOMPARE(found(u"chai"_s), (QStringList { u"Chair"_s, u"Chain"_s, u"Rocking chair"_s }));
    QCOMPARE(found(u"cha"_s),
        (QStringList { u"Chair"_s, u"Chain"_s, u"Chalice"_s, u"Rocking chair"_s }));
    QCOMPARE(found(u"chair rock"_s), QStringList { u"Rocking chair"_s });
    QCOMPARE(found(u"chair"_s), (QStringList { u"Chair"_s, u"Rocking chair"_s }));
}

void TestQuickFind::wordsApplyAfreshToRecordsFoldedWhileIdle()
{
    // The words stay while another file is read; its records are folded while idle before the
    // next query, which is the same words again and must not be taken for a narrowing.
    QTemporaryDir dir;
    const QString file = dir.filePath(u"other.dat"_s);
    {
        RecordStore other;
        for (const char *n : { "Oak desk", "Rug", "Oak bench" }) {
            ItemRecord r;
            r.setName(QString::fromLatin1(n));
            other.append(std::move(r));
        }
        QVERIFY(DataFile::writeDatabase(file, other).ok);
    }
    RecordStore store = household();
    store.findText = u"oak"_s;
    QCOMPARE(names(store, store.findMatches()), QStringList { u"Armchair"_s });
    QVERIFY(DataFile::readDatabase(file, store, false).ok());
    store.findIndex().restartPreparing();
    QVERIFY(store.findIndex().prepare(store, 60000));
    QCOMPARE(names(store, store.findMatches()), (QStringList { u"Oak desk"_s, u"Oak bench"_s }));
    store.findText = u"oak b"_s;
    QCOMPARE(names(store, store.findMatches()), QStringList { u"Oak bench"_s });
}

void TestQuickFind::toolFind()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"home.dat"_s);
    QVERIFY(DataFile::writeDatabase(file, household()).ok);
    ToolRun r
        = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), { u"find"_s, file, u"OAK"_s, u"wool"_s });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), u"3\tArmchair\n"_s);
    r = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), { u"find"_s, file, u"zebra"_s });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), { u"find"_s, file }).exitCode, 2);
    QCOMPARE(
        runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), { u"find"_s, file, u" "_s }).exitCode, 2);
    r = runProgram(
        QStringLiteral(LARKSPUR_TOOL_PATH), { u"find"_s, dir.filePath(u"absent.dat"_s), u"x"_s });
    QCOMPARE(r.exitCode, 1);
    QVERIFY(!r.err.isEmpty());
}

QTEST_GUILESS_MAIN(TestQuickFind)
#include "tst_quickfind.moc"
