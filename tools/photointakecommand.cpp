// larkspur-tool photo-intake.
#include "tools/photointakecommand.h"

#include <QDate>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include "intake/photointake.h"
#include "store/datafile.h"
#include "store/recordstore.h"
#include "tools/databasechange.h"
#include "tools/readorreport.h"

using namespace Qt::StringLiterals;

int photoIntakeCommand(const QStringList &args)
{
    QStringList plain;
    int gap = PhotoIntake::DefaultGapSeconds;
    QString copyFolder;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--copy-unstorable"_L1) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                printToolLine(u"photo-intake: --copy-unstorable needs a folder"_s, true);
                return 2;
            }
            copyFolder = args[++i];
        } else if (args[i] == "--gap"_L1) {
            bool ok = false;
            gap = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
            if (!ok || gap < 0) {
                printToolLine(u"photo-intake: --gap needs a number of seconds, 0 or more"_s, true);
                return 2;
            }
            ++i;
        } else {
            plain.append(args[i]);
        }
    }
    if (plain.size() != 3) {
        printToolLine(u"usage: larkspur-tool photo-intake FOLDER IN.dat OUT.dat [--gap SECONDS] "
                      "[--copy-unstorable DIR]"_s,
            true);
        return 2;
    }
    const QString folder = plain[0];
    if (!QFileInfo(folder).isDir()) {
        printToolLine(u"Folder not found: %1"_s.arg(folder), true);
        return 1;
    }
    // Damaged photos are counted in the summary; the decoder's own complaints would bury it.
    QLoggingCategory::setFilterRules(u"qt.gui.imageio.jpeg.warning=false"_s);
    RecordStore store;
    DatabaseChange change;
    if (!change.begin(plain[1], plain[2], store))
        return 1;
    // Relative picture paths lead from the catalogue's own folder.
    store.fileName = QFileInfo(plain[1]).absoluteFilePath();
    const QSet<QString> used = PhotoIntake::usedPicturePaths(store);
    PhotoIntake::Scan scan = PhotoIntake::scanFolder(folder, used);
    QString copied;
    if (!copyFolder.isEmpty() && !scan.unstorable.empty()) {
        const PhotoIntake::CopyResult copy = PhotoIntake::copyUnstorable(scan, copyFolder, used);
        if (!copy.ok) {
            printToolLine(copy.message, true);
            return 1;
        }
        copied = u"%1 copied to %2 under names the catalogue can store"_s.arg(
            copy.copied + copy.reused == 1 ? u"1 photo"_s
                                           : u"%1 photos"_s.arg(copy.copied + copy.reused),
            copyFolder);
    }
    const std::vector<PhotoIntake::Proposal> proposals
        = PhotoIntake::groupPhotos(scan, folder, gap, store);
    const int before = store.count();
    PhotoIntake::addRecords(store, proposals, QDate::currentDate(),
        [](int bound) { return int(QRandomGenerator::global()->bounded(bound)); });
    if (!change.write(store))
        return 1;
    const int location = PhotoIntake::locationDescription(store);
    for (int i = before; i < store.count(); ++i) {
        const ItemRecord &r = store.at(i);
        int photos = 0;
        for (int k = 1; k <= ItemRecord::PictureCount; ++k)
            photos += r.pictureFile(k).isEmpty() ? 0 : 1;
        printToolLine(QString::number(i + 1) + u'\t' + r.name() + u'\t'
            + r.description(location) + u'\t' + r.detail(2) + u'\t'
            + QString::number(photos));
    }
    if (!copied.isEmpty())
        printToolLine(copied, true);
    if (const QString left = PhotoIntake::leftOutText(scan); !left.isEmpty())
        printToolLine(left, true);
    if (!scan.unstorable.empty())
        printToolLine(
            u"--copy-unstorable DIR adds copies of them under names the catalogue can store"_s,
            true);
    return 0;
}
