// The report format file (".rpt"): the report definition as one value stream with object
// streams of the designer's controls.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "reports/reportdefinition.h"

namespace ReportFormat {

QByteArray write(const ReportDefinition &definition);

// Reads into definition in file order; on a fault what was read before it stays and the result
// is false. Orientation flags that are false leave the definition's orientation as it was.
bool read(QByteArrayView bytes, ReportDefinition &definition);

enum class Outcome { Done, CannotOpen, NotReportFile, CannotCreate };
struct Result
{
    Outcome outcome = Outcome::Done;
    QString message; // the text to show when not done
    bool ok() const { return outcome == Outcome::Done; }
};

// "Sorry " + name + " is not a valid report file".
QString notValidMessage(const QString &fileName);
Result load(const QString &path, ReportDefinition &definition);
// Written atomically; a failure leaves any old file as it was.
Result save(const QString &path, const ReportDefinition &definition);

} // namespace ReportFormat
