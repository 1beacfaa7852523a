// The list of earlier versions: date, size and record count, one opened by Open or a double-click.
#include "recordwindow/earlierversiondialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

EarlierVersionDialog::EarlierVersionDialog(
    const QString &databasePath, const QList<EarlierVersions::Version> &versions, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("EarlierVersionDialog"));
    setWindowTitle(QStringLiteral("Open Earlier Version"));
    auto *layout = new QVBoxLayout(this);
    auto *label
        = new QLabel(QStringLiteral("Versions of %1 kept by earlier saves. The one you open "
                                    "is an unsaved copy; the file itself is not changed.")
                         .arg(databasePath),
            this);
    label->setWordWrap(true);
    layout->addWidget(label);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("VersionList"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels(
        { QStringLiteral("Date"), QStringLiteral("Size"), QStringLiteral("Records") });
    const QLocale locale;
    for (const EarlierVersions::Version &v : versions) {
        auto *item = new QTreeWidgetItem(m_list,
            { locale.toString(v.when.toLocalTime(), QLocale::ShortFormat),
                locale.formattedDataSize(v.size), locale.toString(v.records) });
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, v.path);
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    layout->addWidget(m_list);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("VersionButtons"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemActivated, this, &QDialog::accept);
    resize(480, 320);
}

int EarlierVersionDialog::chosen() const
{
    QTreeWidgetItem *item = m_list->currentItem();
    return item ? m_list->indexOfTopLevelItem(item) : -1;
}
