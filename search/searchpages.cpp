// The criteria menus and the Description, Detail and Notes pages of the search window.
#include "search/searchpages.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "recordwindow/maskedit.h"
#include "search/searchmatch.h"
#include "store/captions.h"
#include "store/categorytree.h"

namespace {

// The value an item writes into its description box.
const char FullNameProperty[] = "larkspurFullName";

QString captionFor(const QString &text)
{
    QString caption = text;
    caption.replace(u'&', QStringLiteral("&&"));
    return caption;
}

QGridLayout *pageGrid(QWidget *page)
{
    auto *grid = new QGridLayout(page);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);
    return grid;
}

QLabel *rowLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

CriteriaMenu::CriteriaMenu(int k, QWidget *parent)
    : QMenu(parent)
    , m_k(k)
{ }

bool CriteriaMenu::CreateMenu(QStringView categoryText)
{
    const TreeBuildResult built = buildCategoryTree(categoryText);
    if (!built.ok()) {
        CreateMenu(CategoryTree());
        return false;
    }
    CreateMenu(built.tree);
    return true;
}

void CriteriaMenu::CreateMenu(const CategoryTree &tree)
{
    discardItems();

    QAction *any = addAction(SearchText::any());
    any->setData(m_k);
    any->setProperty(FullNameProperty, SearchText::any());
    connect(any, &QAction::triggered, this, [this] { Q_EMIT chosen(m_k, SearchText::any()); });

    const auto mark = [this](QAction *item, const QString &fullName) {
        item->setData(m_k);
        item->setProperty(FullNameProperty, fullName);
    };
    // Each item goes in front of the ones already at its level, so a level reads backwards;
    // appending the nodes last to first gives the same menu. The tree builder bounds the depth.
    const auto fill = [&](const auto &self, QMenu *menu, const CategoryTree &nodes,
                          const QStringList &ancestors) -> void {
        for (auto node = nodes.rbegin(); node != nodes.rend(); ++node) {
            QStringList names { node->text };
            names.append(ancestors);
            const QString fullName = categoryFullName(names);
            if (node->children.empty()) {
                QAction *item = menu->addAction(captionFor(node->text));
                mark(item, fullName);
                connect(item, &QAction::triggered, this,
                    [this, fullName] { Q_EMIT chosen(m_k, fullName); });
                continue;
            }
            auto *sub = new QMenu(captionFor(node->text), menu);
            mark(sub->menuAction(), fullName);
            menu->addMenu(sub);
            connect(
                sub, &QMenu::aboutToShow, this, [this, fullName] { Q_EMIT chosen(m_k, fullName); });
            self(self, sub, node->children, names);
        }
    };
    fill(fill, this, tree, QStringList());
}

QString CriteriaMenu::itemFullName(const QAction *item)
{
    return item ? item->property(FullNameProperty).toString() : QString();
}

void CriteriaMenu::discardItems()
{
    const QList<QAction *> items = actions();
    for (QAction *item : items) {
        removeAction(item);
        // Deferred: the item may be the one whose signal is being handled right now.
        if (item->parent() == this)
            item->deleteLater();
        else if (auto *sub = qobject_cast<QMenu *>(item->parent()); sub && sub->parent() == this)
            sub->deleteLater(); // takes its items and sub-menus with it
    }
}

DescriptionCriteriaPage::DescriptionCriteriaPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DescriptionPage"));
    static const char *const boxNames[]
        = { "", "SearchOne", "SearchTwo", "SearchThree", "SearchFour", "SearchFive", "SearchSix",
              "SearchSeven", "SearchEight", "SearchNine", "SearchTen" };
    static const int buttonNumbers[] = { 0, 1, 6, 11, 12, 13, 14, 15, 16, 17, 18 };
    const FieldCaptions captions = FieldCaptions::defaults();
    QGridLayout *grid = pageGrid(this);
    for (int k = 1; k <= 10; ++k) {
        const size_t i = size_t(k);
        labels[i] = rowLabel(QStringLiteral("Sf%1").arg(k), captions.description[i], this);
        boxes[i] = new QLineEdit(SearchText::any(), this);
        boxes[i]->setObjectName(QString::fromLatin1(boxNames[k]));
        labels[i]->setBuddy(boxes[i]);
        buttons[i] = new QToolButton(this);
        buttons[i]->setObjectName(QStringLiteral("BitBtn%1").arg(buttonNumbers[k]));
        buttons[i]->setArrowType(Qt::DownArrow);
        buttons[i]->setFocusPolicy(Qt::NoFocus);
        buttons[i]->setFixedSize(boxes[i]->sizeHint().height(), boxes[i]->sizeHint().height());
        connect(
            buttons[i], &QToolButton::clicked, this, [this, k] { Q_EMIT menuButtonClicked(k); });
        grid->addWidget(labels[i], k - 1, 0);
        grid->addWidget(boxes[i], k - 1, 1);
        grid->addWidget(buttons[i], k - 1, 2);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(10, 1);
}

DetailCriteriaPage::DetailCriteriaPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DetailPage"));
    const FieldCaptions captions = FieldCaptions::defaults();
    m_grid = pageGrid(this);
    auto *lowHeading = new QLabel(QStringLiteral("Low"), this);
    auto *highHeading = new QLabel(QStringLiteral("High"), this);
    m_grid->addWidget(lowHeading, 0, 1);
    m_grid->addWidget(highHeading, 0, 2);

    nameLabel = rowLabel(QStringLiteral("dnl"), QStringLiteral("Name"), this);
    nameLow = makeBox(QStringLiteral("dnlow"), QString(), QString());
    nameHigh = makeBox(QStringLiteral("dnhigh"), QString(), QString());
    nameLabel->setBuddy(nameLow);
    m_grid->addWidget(nameLabel, 1, 0);
    m_grid->addWidget(nameLow, 1, 1);
    m_grid->addWidget(nameHigh, 1, 2);
    for (int d = 0; d < 10; ++d) {
        const size_t i = size_t(d);
        const DetailRange initial = SearchCriteria::initialDetailRange(d);
        labels[i] = rowLabel(QStringLiteral("d%1l").arg(d), captions.detail[i], this);
        lows[i] = makeBox(QStringLiteral("d%1low").arg(d), detailEditMask(d), initial.low);
        highs[i] = makeBox(QStringLiteral("d%1high").arg(d), detailEditMask(d), initial.high);
        labels[i]->setBuddy(lows[i]);
        m_grid->addWidget(labels[i], d + 2, 0);
        m_grid->addWidget(lows[i], d + 2, 1);
        m_grid->addWidget(highs[i], d + 2, 2);
    }
    m_grid->setColumnStretch(1, 1);
    m_grid->setColumnStretch(2, 1);
    m_grid->setRowStretch(12, 1);
}

MaskEdit *DetailCriteriaPage::makeBox(const QString &name, const QString &mask, const QString &text)
{
    auto *box = new MaskEdit(mask, this);
    box->setObjectName(name);
    box->setStoredText(text);
    box->installEventFilter(this);
    return box;
}

void DetailCriteriaPage::applyMask(int detail, const QString &mask)
{
    for (std::array<MaskEdit *, 10> *column : { &lows, &highs }) {
        MaskEdit *&box = (*column)[size_t(detail)];
        if (box->editMask() == mask)
            continue;
        MaskEdit *replacement = makeBox(box->objectName(), mask, box->storedText());
        delete m_grid->replaceWidget(box, replacement);
        if (labels[size_t(detail)]->buddy() == box)
            labels[size_t(detail)]->setBuddy(replacement);
        // Deferred: activation may come while the old box is handling an event.
        box->hide();
        box->setObjectName(QString());
        box->deleteLater();
        box = replacement;
    }
    QWidget::setTabOrder(lows[size_t(detail)], highs[size_t(detail)]);
}

bool DetailCriteriaPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress)
        Q_EMIT keyPressed();
    return QWidget::eventFilter(watched, event);
}

NotesCriteriaPage::NotesCriteriaPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("NotesPage"));
    // Layout texts; every activation puts the record window's captions in their place.
    static const char *const labelNames[] = { "label2", "Label3", "Label5" };
    static const char *const labelTexts[] = { "Keywords", "Author", "Notes" };
    static const char *const boxNames[] = { "FNote0", "FNote1", "Fnote2" };
    QGridLayout *grid = pageGrid(this);
    for (int i = 0; i < 3; ++i) {
        const size_t n = size_t(i);
        labels[n] = rowLabel(
            QString::fromLatin1(labelNames[i]), QString::fromLatin1(labelTexts[i]), this);
        boxes[n] = new QLineEdit(this);
        boxes[n]->setObjectName(QString::fromLatin1(boxNames[i]));
        boxes[n]->installEventFilter(this);
        labels[n]->setBuddy(boxes[n]);
        grid->addWidget(labels[n], i, 0);
        grid->addWidget(boxes[n], i, 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
}

bool NotesCriteriaPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress)
        Q_EMIT keyPressed();
    return QWidget::eventFilter(watched, event);
}
