// The toolbar pictures, drawn so the program looks the same on every desktop.
#pragma once

#include <QIcon>

enum class ToolIcon { Search, Album, Graph, Spreadsheet, Record, Report, Save, Help, Close, Print,
    Previous, Next, NewRecord, CopyRecord, DeleteRecord, InsertRecord, Sort, PreviousSearch,
    NextSearch };

QIcon toolIcon(ToolIcon which);
