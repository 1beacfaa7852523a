// The "Related Records" page: field selector and the list of related records.
#include "recordwindow/relatedpage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>

#include "recordwindow/anchorlist.h"
#include "recordwindow/tview.h"
#include "recordwindow/weblinks.h"

RelatedPage::RelatedPage(AppContext &ctx, TView &view, QTabWidget *book)
    : QWidget(book)
    , m_ctx(ctx)
    , m_view(view)
    , m_book(book)
{
    setObjectName(QStringLiteral("RelatedPage"));
    auto *label5 = new QLabel(QStringLiteral("Display Records with the Same:"), this);
    label5->setObjectName(QStringLiteral("Label5"));
    selection = new QComboBox(this);
    selection->setObjectName(QStringLiteral("RelatedRecordSelection"));
    selection->setEditable(true);
    selection->setInsertPolicy(QComboBox::NoInsert);
    selection->setMaxVisibleItems(RelatedFieldCount);
    selection->setMinimumContentsLength(18);
    selection->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    selection->setEditText(QStringLiteral(" "));
    label5->setBuddy(selection);

    auto *label10 = new QLabel(QStringLiteral("Click on Record to View"), this);
    label10->setObjectName(QStringLiteral("Label10"));
    records = new AnchorList(this);
    records->setObjectName(QStringLiteral("RelatedRecordsView"));
    records->setAddressTips(false);
    label10->setBuddy(records);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    grid->addWidget(label5, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(selection, 0, 1, Qt::AlignLeft | Qt::AlignVCenter);
    grid->addWidget(label10, 1, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(records, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

    connect(selection, &QComboBox::currentTextChanged, this,
        [this] { RelatedRecordSelectionChange(); });
    connect(records, &AnchorList::anchorClicked, this,
        [this](int, const QString &href) { RelatedRecordsViewAnchorClick(href); });
    connect(m_book, &QTabWidget::currentChanged, this, [this] {
        if (m_book->currentWidget() == this)
            RecordBookChange();
    });
}

void RelatedPage::RecordBookChange()
{
    m_view.storeCurrent();
    {
        // The chosen field stays chosen under its new caption; the list is rebuilt once below.
        const QSignalBlocker blocker(selection);
        const QStringList entries = relatedFieldCaptions(m_ctx.store.captions);
        QStringList old;
        for (int i = 0; i < selection->count(); ++i)
            old << selection->itemText(i);
        const int chosen = relatedFieldFor(old, selection->currentText());
        const QString typed = selection->currentText();
        selection->clear();
        selection->addItems(entries);
        if (chosen >= 0) {
            selection->setCurrentIndex(chosen);
        } else {
            selection->setCurrentIndex(-1);
            selection->setEditText(typed);
        }
    }
    records->clear();
    const int current = m_ctx.store.currentIndex;
    if (current >= 0 && current < m_ctx.store.count())
        m_view.GetRecord(current);
}

void RelatedPage::RelatedRecordSelectionChange()
{
    records->clear();
    QStringList entries;
    for (int i = 0; i < selection->count(); ++i)
        entries << selection->itemText(i);
    const int field = relatedFieldFor(entries, selection->currentText());
    if (field < 0)
        return;
    const RecordStore &store = m_ctx.store;
    QStringList list;
    for (int i : relatedRecords(store, store.currentIndex, field))
        list << relatedRecordEntry(i, store.at(i).name());
    records->setEntries(list);
}

void RelatedPage::RelatedRecordsViewAnchorClick(const QString &href)
{
    m_view.storeCurrent();
    bool ok = false;
    const int index = href.toInt(&ok);
    // A link that cannot be followed is ignored without a message.
    if (!ok || index < 0 || index >= m_ctx.store.count())
        return;
    m_view.GetRecord(index);
    if (QWidget *description = m_book->findChild<QWidget *>(QStringLiteral("DescriptionPage")))
        m_book->setCurrentWidget(description);
}
