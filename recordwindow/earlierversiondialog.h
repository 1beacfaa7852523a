// File > Open Earlier Version...: the kept versions of the open database, newest first.
#pragma once

#include <QDialog>
#include <QList>

#include "recovery/earlierversions.h"

class QTreeWidget;

class EarlierVersionDialog : public QDialog
{
    Q_OBJECT
public:
    EarlierVersionDialog(const QString &databasePath,
        const QList<EarlierVersions::Version> &versions, QWidget *parent = nullptr);

    // The version chosen, or -1.
    int chosen() const;

private:
    QTreeWidget *m_list = nullptr; // VersionList
};
