// The category editor: a modal dialog editing category tree k and carrying new names into records.
#pragma once

#include <QDialog>
#include <QPointer>

#include "app/activation.h"
#include "app/appcontext.h"
#include "store/categorytree.h"
#include "store/editcommands.h"

class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidgetItem;
class DescriptionList;
class UndoActions;

class TAddDescription : public QDialog, public ActivationClient
{
    Q_OBJECT
public:
    // k is the description number 1..10.
    TAddDescription(AppContext &ctx, int k, QWidget *parent = nullptr);
    ~TAddDescription() override;

    int k() const { return m_k; }

    void FormActivate() override;
    void FormDeactivate() override;

    void InsertClick();
    void AddChildClick();
    void RemoveClick();
    void RenameClick();
    // Serves both sort buttons: SortAll passes sortAll to sort every level.
    void SortChildrenClick(bool sortAll = false);
    void MakeDefaultClick();
    void CloseFormClick();
    void HelpBtnClick();

    // The drag rule and the move itself, also used by the tree control's drag events.
    bool DescriptionListDragOver(QTreeWidgetItem *dragged, QTreeWidgetItem *target) const;
    bool DescriptionListDragDrop(QTreeWidgetItem *dragged, QTreeWidgetItem *target);
    bool moveNode(QTreeWidgetItem *dragged, QTreeWidgetItem *target);

    QString ReturnFullName(const QTreeWidgetItem *node) const;
    void UpdateRecord(const QTreeWidgetItem *node);

    // The working copy as it stands in the tree control.
    CategoryTree currentTree() const;

signals:
    // The description k of the current record now holds fullName.
    void recordValueChanged(int k, const QString &fullName);

public slots:
    void done(int result) override;

protected:
    // Showing the dialog makes it the active window through the coordinator, so it reads its
    // tree at once on every platform (offscreen ones never activate a dialog by themselves).
    void showEvent(QShowEvent *event) override;

private:
    QString title() const;
    QTreeWidgetItem *selectedNode() const;
    QString nameFromBox() const;
    void addNode(QTreeWidgetItem *parent);
    void showTree(const CategoryTree &tree);
    void writeBack();
    // Makes the tree as the control shows it, and the given record values, one step.
    void commitTree(const QString &label, std::vector<CategoryCommand::Value> values = {});
    // Records whose description k names the category fullName or one below it.
    bool isAffected(const QString &value, const QString &fullName) const;
    void buildControls();

    AppContext &m_ctx;
    const int m_k;
    bool m_active = false; // between FormActivate and FormDeactivate
    bool m_keepInvalidText = false; // the category text did not build on activation
    QPointer<QWidget> m_returnTo; // the window that was active when the dialog was made

    DescriptionList *m_list = nullptr;
    QLineEdit *m_addText = nullptr;
    QPushButton *m_insert = nullptr;
    QPushButton *m_addChild = nullptr;
    QPushButton *m_remove = nullptr;
    QPushButton *m_rename = nullptr;
    QPushButton *m_sortChildren = nullptr;
    QPushButton *m_sortAll = nullptr;
    QPushButton *m_makeDefault = nullptr;
    QPushButton *m_closeForm = nullptr;
    QToolButton *m_helpBtn = nullptr;
    UndoActions *m_undoActions = nullptr;
};
