// Item codes 0..22: the record fields a report column or an import column stands for.
#pragma once

#include <QString>

#include "store/captions.h"
#include "store/itemrecord.h"
#include "store/recordstore.h"

namespace ReportItems {

inline constexpr int Count = ItemCode::Count;
inline constexpr int FirstDetail = ItemCode::FirstDetail;
inline constexpr int Status = ItemCode::Status;
inline constexpr int RecordNumber = ItemCode::RecordNumber;
inline constexpr int Name = ItemCode::Name;

// The record window's fixed labels that items and status texts are named after.
QString statusCaption();
QString nameCaption();
QString wantedCaption();
QString forTradeCaption();
QString forSaleCaption();

// The menu entry caption of a code, which is also its column header text.
QString caption(int code, const FieldCaptions &captions);
// The regular report's cell text of a record at 1-based position; descriptions in display form.
QString cellText(int code, const ItemRecord &record, int position, bool shortDescriptions);

} // namespace ReportItems
