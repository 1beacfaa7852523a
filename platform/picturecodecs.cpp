// Finds and loads the picture module: beside the executable (a build, or a copy carried
// together), else in the install's library folder relative to it.
#include "platform/picturecodecs.h"

#include <cstdio>
#include <mutex>

#include <dlfcn.h>

#include <QDir>
#include <QFileInfo>

namespace {

struct Loaded
{
    const PictureCodecs::Table *table = nullptr;
    QString problem;
};

Loaded load()
{
    // The executable's own folder, read from the kernel so it also holds without a
    // QCoreApplication (fuzz targets) and when started through the dynamic loader.
    const QString exeDir
        = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    const QString name = QString::fromLatin1(PictureCodecs::ModuleFileName);
    const QStringList folders { exeDir,
        QDir::cleanPath(exeDir + u'/' + QStringLiteral(LARKSPUR_MODULE_DIR_FROM_BIN)) };
    QString reasons;
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (!QFileInfo::exists(path))
            continue;
        void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            reasons += (reasons.isEmpty() ? QString() : QStringLiteral("; "))
                + QString::fromLocal8Bit(dlerror());
            continue;
        }
        using Entry = const PictureCodecs::Table *(*)();
        const auto entry = reinterpret_cast<Entry>(dlsym(handle, PictureCodecs::EntryPoint));
        const PictureCodecs::Table *table = entry ? entry() : nullptr;
        if (table && table->version == PictureCodecs::InterfaceVersion)
            return { table, QString() }; // kept loaded for the rest of the process
        dlclose(handle);
        reasons += (reasons.isEmpty() ? QString() : QStringLiteral("; ")) + path
            + QStringLiteral(" belongs to another version of the program");
    }
    if (reasons.isEmpty())
        reasons = QStringLiteral("%1 is in neither %2 nor %3").arg(name, folders[0], folders[1]);
    return { nullptr,
        QStringLiteral("Pictures cannot be shown: the picture module could not be "
                       "loaded (%1). Reinstall Larkspur Cataloguer.")
            .arg(reasons) };
}

const Loaded &loaded()
{
    static const Loaded once = [] {
        Loaded l = load();
        if (!l.table)
            std::fprintf(stderr, "%s\n", l.problem.toLocal8Bit().constData());
        return l;
    }();
    return once;
}

} // namespace

const PictureCodecs::Table *PictureCodecs::table()
{
    return loaded().table;
}

QString PictureCodecs::problem()
{
    return loaded().problem;
}
