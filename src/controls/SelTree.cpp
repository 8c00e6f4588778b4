#include "controls/SelTree.h"

#include <utility>

#include "platform/DesktopServices.h"
#include "platform/Fonts.h"
#include "skin/ElementTree.h"

#include <QItemSelectionModel>

namespace vorlix {

namespace {

constexpr int kIndexRole = Qt::UserRole;

int indexOf(const QModelIndex &mi)
{
    return mi.isValid() ? mi.data(kIndexRole).toInt() : -1;
}

// Routes every change of the current node, by mouse, keyboard or program,
// through the tree's guard before it happens.
class GuardedSelectionModel : public QItemSelectionModel
{
public:
    GuardedSelectionModel(QAbstractItemModel *model, TSelTree *tree)
        : QItemSelectionModel(model, tree), m_tree(tree) {}

    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override
    {
        if (!allowed(index))
            return;
        m_approved = index;
        QItemSelectionModel::setCurrentIndex(index, command);
        m_approved = QPersistentModelIndex();
    }

    // The selection only ever follows the current node, so a refused change
    // cannot sneak in through a selection of its own.
    void select(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override
    {
        if (follows(index, command))
            QItemSelectionModel::select(index, command);
    }

    void select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command) override
    {
        const QModelIndex target = selection.isEmpty() ? QModelIndex() : selection.indexes().value(0);
        if (follows(target, command))
            QItemSelectionModel::select(selection, command);
    }

private:
    bool allowed(const QModelIndex &index)
    {
        if (!index.isValid() || index == currentIndex() || !m_tree->changingGuard)
            return true;
        if (m_asking) // a question is open: refuse nested changes
            return false;
        m_asking = true;
        bool ok = true;
        guarded([&] { ok = m_tree->changingGuard(indexOf(index)); });
        m_asking = false;
        return ok;
    }

    bool follows(const QModelIndex &target, QItemSelectionModel::SelectionFlags command) const
    {
        return !(command & QItemSelectionModel::Select) || !target.isValid()
               || target == currentIndex() || target == m_approved;
    }

    TSelTree *m_tree;
    QPersistentModelIndex m_approved;
    bool m_asking = false;
};

} // namespace

TSelTree::TSelTree(QWidget *parent) : QTreeView(parent)
{
    setModel(&m_model);
    setHeaderHidden(true);
    setIndentation(19);
    setUniformRowHeights(true); // one font, no icons: every row is as high as the first
    setFont(tahomaFont(11));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    QItemSelectionModel *old = selectionModel();
    setSelectionModel(new GuardedSelectionModel(&m_model, this));
    delete old;
    m_changeTimer.setSingleShot(true);
    m_changeTimer.setInterval(60);
    connect(&m_changeTimer, &QTimer::timeout, this, &TSelTree::selectionSettled);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &TSelTree::onCurrentChanged);
}

void TSelTree::buildElementNodes()
{
    m_model.clear();
    m_items.clear();
    for (const TreeNode &n : elementTree()) {
        auto *item = new QStandardItem(QString::fromLatin1(n.caption));
        item->setEditable(false);
        item->setData(int(m_items.size()), kIndexRole);
        if (n.parent < 0)
            m_model.appendRow(item);
        else
            m_items[n.parent]->appendRow(item);
        m_items.append(item);
    }
}

int TSelTree::absoluteIndex() const
{
    return indexOf(currentIndex());
}

QModelIndex TSelTree::nodeIndex(int absoluteIndex) const
{
    return absoluteIndex >= 0 && absoluteIndex < m_items.size() ? m_items[absoluteIndex]->index()
                                                                 : QModelIndex();
}

QString TSelTree::caption(int absoluteIndex) const
{
    return nodeIndex(absoluteIndex).data().toString();
}

int TSelTree::parentOf(int absoluteIndex) const
{
    return indexOf(nodeIndex(absoluteIndex).parent());
}

bool TSelTree::isNodeSelected(int absoluteIndex) const
{
    const QModelIndex mi = nodeIndex(absoluteIndex);
    return mi.isValid() && selectionModel()->isSelected(mi);
}

bool TSelTree::isNodeExpanded(int absoluteIndex) const
{
    const QModelIndex mi = nodeIndex(absoluteIndex);
    return mi.isValid() && isExpanded(mi);
}

void TSelTree::selectAbsolute(int index)
{
    const QModelIndex mi = nodeIndex(index);
    if (!mi.isValid())
        return;
    if (mi != currentIndex() || !selectionModel()->isSelected(mi))
        selectionModel()->setCurrentIndex(mi, QItemSelectionModel::ClearAndSelect);
    if (currentIndex() == mi)
        scrollTo(mi); // expands the branches that hold it
}

void TSelTree::selectAbsoluteNow(int index)
{
    const auto guard = std::exchange(changingGuard, nullptr);
    selectAbsolute(index);
    changingGuard = guard;
    m_changeTimer.stop();
}

bool TSelTree::takePendingSettle()
{
    if (!m_changeTimer.isActive())
        return false;
    m_changeTimer.stop();
    return true;
}

void TSelTree::onCurrentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // Single-expand: the new node opens, the one left behind closes unless
    // it holds the new one.
    if (previous.isValid()) {
        bool holdsCurrent = false;
        for (QModelIndex p = current; p.isValid(); p = p.parent())
            holdsCurrent = holdsCurrent || p == previous;
        if (!holdsCurrent)
            collapse(previous);
    }
    if (current.isValid()) {
        expand(current);
        for (QModelIndex p = current.parent(); p.isValid(); p = p.parent())
            expand(p);
    }
    m_changeTimer.start(); // restarts the wait on every change
}

void TSelTree::focusInEvent(QFocusEvent *e)
{
    QTreeView::focusInEvent(e);
    // Receiving the focus with nothing selected selects the first node.
    if (m_items.isEmpty())
        return;
    if (!currentIndex().isValid())
        selectAbsolute(0);
    else if (!selectionModel()->isSelected(currentIndex()))
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
}

} // namespace vorlix
