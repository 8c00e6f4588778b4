// The element tree and the miniature's hit map, row by row against tables
// written out by hand, and the hover test at the edges of every row.
#include <QtTest>

#include "controls/SelTree.h"
#include "skin/ElementTree.h"

using namespace vorlix;

namespace {

struct NodeRow
{
    const char *caption;
    int parent;
};

// Pre-order, so a row's number is the node's absolute index.
const NodeRow kTree[] = {
    {"Main Window", -1},
    {"Background Image", 0},
    {"Title bar", 0},
    {"Options Bar", 0},
    {"Options Indicator", 3},
    {"Always-On-Top Indic.", 3},
    {"File Info Indicator", 3},
    {"Doublesize Indicator", 3},
    {"Visualization Indic.", 3},
    {"States Buttons", 0},
    {"System Menu", 9},
    {"Minimize Button", 9},
    {"WindowShade Mode", 9},
    {"Close Button", 9},
    {"Control Buttons", 0},
    {"Previous Track", 14},
    {"Play", 14},
    {"Pause", 14},
    {"Stop", 14},
    {"Next Track", 14},
    {"Open file(s)", 14},
    {"Shuffle/Repeat Buttons", 0},
    {"Shuffle Button", 21},
    {"Repeat Button", 21},
    {"Eq/PL Buttons", 0},
    {"Equalizer Button", 24},
    {"Playlist Editor Button", 24},
    {"Volume", 0},
    {"Volume Bar", 27},
    {"Volume Slider", 27},
    {"Balance", 0},
    {"Balance Bar", 30},
    {"Balance Slider", 30},
    {"Position Bar", 0},
    {"Position Bar", 33},
    {"Position Slider", 33},
    {"Mono/Stereo Indicator", 0},
    {"Mono Indicator", 36},
    {"Stereo Indicator", 36},
    {"Play/Pause State", 0},
    {"Play State", 39},
    {"Pause State", 39},
    {"Stop State", 39},
    {"Playing Indic.", 39},
    {"Recording Indic.", 39},
    {"Graphic Equalizer", -1},
    {"Background Image", 45},
    {"Title Bar", 45},
    {"WindowShade Mode", -1},
    {"Main window", 48},
    {"Equalizer", 48},
    {"Playlist Editor", 48},
    {"Built-in Visualization", -1},
    {"Spectrum Analyzer", 52},
    {"Oscilloscope", 52},
    {"Playlist Editor", -1},
    {"Mini Browser", -1},
    {"Text/Number", -1},
    {"Text", 57},
    {"Text in Main Window", 58},
    {"Text in Playlist Editor", 58},
    {"Number", 57},
    // Parts that the tree lists below the nodes above, after their own
    // children.
    {"On Button", 45},
    {"Auto Button", 45},
    {"Presets Button", 45},
    {"Close Button", 45},
    {"Slider Bar", 45},
    {"Slider Knob", 45},
    {"Graph", 45},
    {"Graph Line Colours", 45},
    {"Preamp Line", 45},
    {"Shade Button", 50},
    {"Close Button", 50},
    {"Volume Knob", 50},
    {"Balance Knob", 50},
    {"Top Left Corner", 55},
    {"Title Bar", 55},
    {"Top Tile", 55},
    {"Top Right Corner", 55},
    {"Left Side", 55},
    {"Right Side", 55},
    {"Scroll Handle", 55},
    {"Bottom Left Corner", 55},
    {"Bottom Right Corner", 55},
    {"Bottom Tile", 55},
    {"Visualizer Background", 55},
    {"Close/Shade Pressed", 55},
    {"Add Menu", 55},
    {"Remove Menu", 55},
    {"Select Menu", 55},
    {"Misc Menu", 55},
    {"List Menu", 55},
    {"Left End", 51},
    {"Tile", 51},
    {"Right End", 51},
    {"Numbers (older players)", 61},
};

struct HitRow
{
    int left, top, right, bottom;
};

// Rectangles on the miniature, one row per node 0..44.
const HitRow kHit[] = {
    {0, 0, 174, 73},     {0, 0, 174, 73},     {0, 0, 174, 7},      {6, 13, 12, 41},
    {6, 16, 12, 21},     {6, 21, 12, 25},     {6, 25, 12, 30},     {6, 30, 12, 35},
    {6, 35, 12, 40},     {0, 0, 174, 8},      {1, 1, 10, 8},       {153, 0, 161, 8},
    {160, 0, 167, 8},    {166, 0, 174, 8},    {9, 54, 100, 67},    {9, 54, 23, 67},
    {23, 54, 38, 67},    {38, 54, 52, 67},    {52, 54, 67, 67},    {67, 54, 82, 67},
    {85, 54, 100, 67},   {104, 55, 151, 66},  {104, 55, 133, 66},  {133, 55, 151, 66},
    {139, 36, 168, 44},  {139, 36, 153, 44},  {153, 36, 168, 44},  {67, 36, 110, 44},
    {67, 38, 110, 42},   {100, 36, 108, 44},  {113, 36, 137, 44},  {113, 38, 137, 42},
    {120, 36, 128, 44},  {9, 44, 168, 52},    {9, 45, 168, 51},    {54, 44, 73, 52},
    {136, 26, 169, 33},  {136, 26, 152, 33},  {152, 26, 169, 33},  {13, 15, 23, 25},
    {17, 15, 23, 25},    {17, 15, 23, 25},    {17, 15, 23, 25},    {13, 15, 18, 21},
    {13, 20, 18, 25},
};

static_assert(std::size(kTree) == 96 && std::size(kHit) == 45);

int left(const HitRow &r) { return r.left; }
int top(const HitRow &r) { return r.top; }
int right(const HitRow &r) { return r.right; }
int bottom(const HitRow &r) { return r.bottom; }

// The model's nodes in pre-order: parent first, then each child's subtree.
void preOrder(const QAbstractItemModel *model, const QModelIndex &parent, QModelIndexList &out)
{
    for (int r = 0; r < model->rowCount(parent); ++r) {
        const QModelIndex child = model->index(r, 0, parent);
        out << child;
        preOrder(model, child, out);
    }
}

// The hover rule on the table above: the last row holding the point wins.
int expectedHit(int x, int y)
{
    int hit = 0;
    for (int i = 0; i < int(std::size(kHit)); ++i)
        if (left(kHit[i]) <= x && x < right(kHit[i]) && top(kHit[i]) <= y && y < bottom(kHit[i]))
            hit = i;
    return hit;
}

} // namespace

class TestTables : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { delete m_tree; }
    void treeNodes_data();
    void treeNodes();
    void previewRows_data();
    void previewRows();

private:
    TSelTree *m_tree = nullptr;
};

void TestTables::initTestCase()
{
    m_tree = new TSelTree;
    m_tree->buildElementNodes();
}

void TestTables::treeNodes_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(kTree)); ++i)
        QTest::addRow("%d %s", i, kTree[i].caption) << i;
}

// The tree as the user sees it: caption, parent, and place in pre-order,
// which the first 62 nodes keep among themselves; the parts added later come
// after their parent's own children.
void TestTables::treeNodes()
{
    QFETCH(int, index);
    const TSelTree *tree = m_tree;
    QCOMPARE(tree->nodeCount(), int(std::size(kTree)));
    QCOMPARE(tree->caption(index), QString::fromUtf8(kTree[index].caption));
    QCOMPARE(tree->parentOf(index), kTree[index].parent);
    const QModelIndex node = tree->nodeIndex(index);
    QVERIFY(node.isValid());
    const int parent = kTree[index].parent;
    QCOMPARE(node.parent(), parent < 0 ? QModelIndex() : tree->nodeIndex(parent));
    QModelIndexList order;
    preOrder(tree->model(), QModelIndex(), order);
    QCOMPARE(order.size(), int(std::size(kTree)));
    QModelIndexList first;
    for (const QModelIndex &mi : order)
        if (mi.data(Qt::UserRole).toInt() < 62)
            first << mi;
    if (index < 62) {
        QCOMPARE(first[index], node);
    } else {
        int ownChildren = 0;
        for (int i = 0; i < 62; ++i)
            ownChildren += kTree[i].parent == parent;
        int earlierParts = 0;
        for (int i = 62; i < index; ++i)
            earlierParts += kTree[i].parent == parent;
        QCOMPARE(node.row(), ownChildren + earlierParts);
    }
}

void TestTables::previewRows_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kHit)); ++i)
        QTest::addRow("%d %s", i, kTree[i].caption) << i;
}

// Each row as stored, and the hover test at its four corners and just past
// its right and bottom edges, which belong to whatever lies there instead.
void TestTables::previewRows()
{
    QFETCH(int, row);
    const HitRow &want = kHit[row];
    const PreviewRow &got = PreviewHitMap()[size_t(row)];
    QCOMPARE(got.Index, row);
    QCOMPARE((QList<int>{got.Left, got.Top, got.Right, got.Bottom}),
             (QList<int>{left(want), top(want), right(want), bottom(want)}));
    const QPoint probes[] = {
        {left(want), top(want)},          {right(want) - 1, top(want)},
        {left(want), bottom(want) - 1},   {right(want) - 1, bottom(want) - 1},
        {right(want), top(want)},         {left(want), bottom(want)},
        {left(want) - 1, top(want) - 1},
    };
    for (const QPoint &p : probes)
        QVERIFY2(previewHitTest(p.x(), p.y()) == expectedHit(p.x(), p.y()),
                 qPrintable(QStringLiteral("at %1,%2: %3, want %4").arg(p.x()).arg(p.y())
                                .arg(previewHitTest(p.x(), p.y())).arg(expectedHit(p.x(), p.y()))));
}

QTEST_MAIN(TestTables)
#include "tst_tables.moc"
