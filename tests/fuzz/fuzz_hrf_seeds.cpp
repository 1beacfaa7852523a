// Writes a few valid HTML report format files as the seed corpus of fuzz_hrf.
#include <cstdio>

#include <QDir>
#include <QFile>

#include "htmlreport/hrffile.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_hrf_seeds CORPUS\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(dir.path());
    HtmlReportDesign plain;
    HtmlReportDesign full;
    full.items = { { QStringLiteral("Name"), 230 }, { QStringLiteral("Type"), 10 },
        { QStringLiteral("Status"), 210 }, { QStringLiteral("Record #"), 220 } };
    full.header = { QStringLiteral("<h1>My things</h1>"), QString(300, u'h') };
    full.footer = { QStringLiteral("<p>End</p>") };
    full.font.name = QStringLiteral("Arial");
    full.font.height = -16;
    full.font.colour = 0x123456;
    full.font.charset = 238;
    full.font.style = { true, true, true, true };
    full.colour = VclValues::clBlack;
    full.onlySearchList = true;
    int n = 0;
    for (const HtmlReportDesign *d : { &plain, &full }) {
        QFile f(dir.filePath(QStringLiteral("seed%1.hrf").arg(++n)));
        const QByteArray bytes = HrfFile::write(*d);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
    }
    return 0;
}
