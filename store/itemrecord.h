// One catalogued possession and its picture slots.
#pragma once

#include <array>

#include <QString>
#include <QStringList>

struct ImageRecord
{
    QString FileName; // full path of the picture; empty means no picture
    QString Title;
    bool AutoSize = false; // carried through files, never used

    bool operator==(const ImageRecord &) const = default;
};

// Field names follow the catalogue's own vocabulary. Descriptions and Pictures are numbered from 1
// as the user sees them; their slot 0 is unused and stays empty.
struct ItemRecord
{
    static constexpr int DetailCount = 10; // Details[0..9]
    static constexpr int DescriptionCount = 10; // Descriptions[1..10]
    static constexpr int PictureCount = 6; // Pictures[1..6]
    static constexpr int RecordCodeLength = 8;

    QString RecordCode;
    QString Name;
    std::array<QString, DetailCount> Details;
    std::array<QString, DescriptionCount + 1> Descriptions;
    std::array<ImageRecord, PictureCount + 1> Pictures;
    QString SpareText;
    bool Wanted = false;
    bool ForTrade = false;
    bool ForSale = false;
    QStringList Keywords;
    QStringList History;
    QStringList Notes;
    QStringList Links;
    // Not stored in files.
    bool OnSearchList = false;
    bool WasOnSearchList = false;

    bool operator==(const ItemRecord &) const = default;
};
