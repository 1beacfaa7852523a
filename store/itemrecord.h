// One catalogued possession and its picture slots.
#pragma once

#include <array>
#include <cstdint>

#include <QByteArray>
#include <QByteArrayView>
#include <QSharedDataPointer>
#include <QString>
#include <QStringList>

struct ImageRecord
{
    QString FileName; // full path of the picture; empty means no picture
    QString Title;
    bool AutoSize = false; // carried through files, never used

    bool operator==(const ImageRecord &) const = default;
};

// A record read from a file keeps its values as the bytes they were stored as, one block per
// record, and decodes a text only when it is asked for: a catalogue is mostly read, and most of
// its texts are never shown in a session. Setting a text keeps the new text beside the block, so
// an edit replaces only what it changes; a record made in memory holds only texts that were set.
// Copies share the block and the set texts until one of them is changed.
//
// Descriptions and pictures are numbered from 1 as the user sees them, details from 0.
class ItemRecord
{
public:
    static constexpr int DetailCount = 10; // details 0..9
    static constexpr int DescriptionCount = 10; // descriptions 1..10
    static constexpr int PictureCount = 6; // pictures 1..6
    static constexpr int RecordCodeLength = 8;

    // The values in the order the file stores them (the picture flags and the three status flags
    // are kept as members).
    enum Value : int {
        NameValue = 0,
        CodeValue = 1,
        FirstDetail = 2, // .. 11
        FirstDescription = 12, // description k at 11 + k
        KeywordLines = 22,
        HistoryLines = 23,
        NoteLines = 24,
        LinkLines = 25,
        FirstPicture = 26, // picture k: its file at 24 + 2k, its title at 25 + 2k
        SpareValue = 38,
        ValueCount = 39,
    };
    static constexpr bool isLines(int v) { return v >= KeywordLines && v <= LinkLines; }
    static constexpr int detailValue(int i) { return FirstDetail + i; }
    static constexpr int descriptionValue(int k) { return FirstDescription - 1 + k; }
    static constexpr int pictureFileValue(int k) { return FirstPicture + 2 * (k - 1); }
    static constexpr int pictureTitleValue(int k) { return FirstPicture + 2 * (k - 1) + 1; }

    ItemRecord() { touch(); }

    const QString name() const { return text(NameValue); }
    void setName(const QString &t) { setText(NameValue, t); }
    const QString recordCode() const { return text(CodeValue); }
    void setRecordCode(const QString &t) { setText(CodeValue, t); }
    const QString detail(int i) const { return text(detailValue(i)); }
    void setDetail(int i, const QString &t) { setText(detailValue(i), t); }
    const QString description(int k) const { return text(descriptionValue(k)); }
    void setDescription(int k, const QString &t) { setText(descriptionValue(k), t); }
    // All ten details (0..9) or descriptions (1..10, at 0..9 of the list); setting takes as many
    // as the list holds.
    const QStringList details() const;
    void setDetails(const QStringList &l);
    const QStringList descriptions() const;
    void setDescriptions(const QStringList &l);
    const QString spareText() const { return text(SpareValue); }
    void setSpareText(const QString &t) { setText(SpareValue, t); }

    const QStringList keywords() const { return lines(KeywordLines); }
    void setKeywords(const QStringList &l) { setLines(KeywordLines, l); }
    const QStringList history() const { return lines(HistoryLines); }
    void setHistory(const QStringList &l) { setLines(HistoryLines, l); }
    const QStringList notes() const { return lines(NoteLines); }
    void setNotes(const QStringList &l) { setLines(NoteLines, l); }
    const QStringList links() const { return lines(LinkLines); }
    void setLinks(const QStringList &l) { setLines(LinkLines, l); }

    const QString pictureFile(int k) const { return text(pictureFileValue(k)); }
    void setPictureFile(int k, const QString &t) { setText(pictureFileValue(k), t); }
    const QString pictureTitle(int k) const { return text(pictureTitleValue(k)); }
    void setPictureTitle(int k, const QString &t) { setText(pictureTitleValue(k), t); }
    bool pictureAutoSize(int k) const { return m_autoSize[size_t(k)]; }
    void setPictureAutoSize(int k, bool on) { m_autoSize[size_t(k)] = on; }
    const ImageRecord picture(int k) const;
    void setPicture(int k, const ImageRecord &p);

    // Texts come back const, so that changing a returned copy in place (which would change
    // nothing) does not compile: a change goes through a setter.
    // Any text value by its number (not the line lists).
    const QString text(int value) const;
    void setText(int value, const QString &t);
    // A line list (KeywordLines .. LinkLines).
    const QStringList lines(int value) const;
    void setLines(int value, const QStringList &l);
    // Whether a text or line list is empty, without decoding it.
    bool isEmpty(int value) const;

    // The stored bytes of a value (its tag, length and characters, as in the file) when it has
    // not been set since it was read; empty otherwise. For the writer and for whole-record scans
    // that need no decoded text.
    QByteArrayView storedValue(int value) const;
    // Calls f(QByteArrayView characters) with the stored characters (Windows-1252) of a text, or
    // of each line of a line list; false, without calls, when the value is not stored (set since
    // it was read, or made in memory).
    template<typename F> bool forEachStoredText(int value, F f) const
    {
        const QByteArrayView stored = storedValue(value);
        if (stored.isEmpty())
            return false;
        const char *p = stored.data(), *end = p + stored.size();
        if (isLines(value)) {
            ++p, --end; // the list's start and end
            for (QByteArrayView t; p < end && (p = nextStoredText(p, end, t));)
                f(t);
        } else {
            QByteArrayView t;
            if (nextStoredText(p, end, t))
                f(t);
        }
        return true;
    }
    // The characters of the tagged text at p into t; the byte after it, or null when the bytes
    // up to end hold no whole text.
    static const char *nextStoredText(const char *p, const char *end, QByteArrayView &t);

    // For the file reader: the record's block and where each value starts in it.
    void setStored(QByteArray block, const std::array<quint32, ValueCount> &at);

    // Asks the processor for the start of the record's block, ahead of a scan.
    void prefetchBlock() const { __builtin_prefetch(m_block.constData()); }

    // Changes with every change of a text; equal records made apart may differ.
    quint64 revision() const { return m_revision; }

    bool Wanted = false;
    bool ForTrade = false;
    bool ForSale = false;
    // Not stored in files.
    bool OnSearchList = false;
    bool WasOnSearchList = false;

    bool operator==(const ItemRecord &other) const;

private:
    struct SetTexts : QSharedData
    {
        std::array<QString, ValueCount> texts; // line lists are not kept here
        std::array<QStringList, 4> lines;
    };
    bool isSet(int value) const { return m_set & (quint64(1) << value); }
    void touch();
    SetTexts &setTexts();

    QByteArray m_block; // the values as stored, each starting at m_at
    std::array<quint32, ValueCount> m_at {};
    quint64 m_set = 0; // values set since the record was read or made, held in m_texts
    QSharedDataPointer<SetTexts> m_texts;
    quint64 m_revision = 0;
    std::array<bool, PictureCount + 1> m_autoSize {}; // [0] unused
};
