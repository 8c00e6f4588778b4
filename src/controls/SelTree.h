#pragma once
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>
#include <functional>

namespace vorlix {

// The element tree. Nodes carry their absolute (pre-order) index. A guard
// may refuse a change of the selected node before it happens; accepted
// changes are reported once the selection has rested for changeDelay() ms,
// so only the last of a quick series reaches the handler.
class TSelTree : public QTreeView
{
    Q_OBJECT
public:
    explicit TSelTree(QWidget *parent = nullptr);

    // Fills the tree with the fixed element nodes, all collapsed.
    void buildElementNodes();

    int absoluteIndex() const; // of the selected node; -1 when none
    QModelIndex nodeIndex(int absoluteIndex) const;
    int nodeCount() const { return int(m_items.size()); }
    QString caption(int absoluteIndex) const;
    int parentOf(int absoluteIndex) const; // -1 for a top-level node
    bool isNodeSelected(int absoluteIndex) const;
    bool isNodeExpanded(int absoluteIndex) const;
    // Selects the node (through the guard) and makes it visible.
    void selectAbsolute(int absoluteIndex);
    // Selects the node without asking the guard and without the settled
    // report: the caller shows it itself (undo and redo do).
    void selectAbsoluteNow(int absoluteIndex);
    // Takes back the report of a change still waiting to settle; true if
    // there was one (the caller then shows the node itself if need be).
    bool takePendingSettle();

    // Asked with the index of the node about to be selected; false keeps
    // the current node.
    std::function<bool(int)> changingGuard;
    int changeDelay() const { return m_changeTimer.interval(); }

signals:
    // The selection changed and then rested for changeDelay() ms.
    void selectionSettled();

protected:
    void focusInEvent(QFocusEvent *e) override;

private:
    void onCurrentChanged(const QModelIndex &current, const QModelIndex &previous);

    QStandardItemModel m_model;
    QList<QStandardItem *> m_items;
    QTimer m_changeTimer;
};

} // namespace vorlix
