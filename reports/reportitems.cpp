// Captions and cell texts of the item codes.
#include "reports/reportitems.h"

#include "store/categorytree.h"

using namespace Qt::StringLiterals;

namespace ReportItems {

QString statusCaption()
{
    return u"Status"_s;
}

QString nameCaption()
{
    return u"Name"_s;
}

QString wantedCaption()
{
    return u"Wanted"_s;
}

QString forTradeCaption()
{
    return u"For Trade"_s;
}

QString forSaleCaption()
{
    return u"For Sale"_s;
}

QString caption(int code, const FieldCaptions &captions)
{
    if (code >= 0 && code < FirstDetail)
        return captions.description[size_t(code + 1)];
    if (code >= FirstDetail && code < Status)
        return captions.detail[size_t(code - FirstDetail)];
    switch (code) {
    case Status:
        return statusCaption();
    case RecordNumber:
        return u"Record #"_s;
    case Name:
        return nameCaption();
    default:
        return {};
    }
}

QString cellText(int code, const ItemRecord &record, int position, bool shortDescriptions)
{
    if (code >= 0 && code < FirstDetail) {
        const QString &value = record.description(code + 1);
        return shortDescriptions ? shortValue(value) : value;
    }
    if (code >= FirstDetail && code < Status)
        return record.detail(code - FirstDetail);
    switch (code) {
    case Status:
        if (record.Wanted)
            return wantedCaption();
        if (record.ForTrade)
            return forTradeCaption();
        if (record.ForSale)
            return forSaleCaption();
        return u"None"_s;
    case RecordNumber:
        return QString::number(position);
    case Name:
        return record.name();
    default:
        return {};
    }
}

} // namespace ReportItems
