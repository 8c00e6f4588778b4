#pragma once
// The element tree's fixed content and the miniature preview's hit map.
#include "skin/ElementTable.h"

#include <QImage>
#include <QString>
#include <array>

namespace vorlix {

struct TreeNode
{
    const char *caption;
    int parent; // absolute index of the parent, -1 for a top-level node
};

constexpr int kTreeNodeCount = 96;
// Nodes 0..61 in pre-order, then the parts that later nodes add below them.
// A node's position here is its index: the element it stands for.
const std::array<TreeNode, kTreeNodeCount> &elementTree();

// Nodes 0..44 (the main window's branch) have a rectangle on the miniature.
constexpr int kPreviewRows = 45;
struct PreviewRow
{
    std::int32_t Index, Left, Top, Right, Bottom;
};
const std::array<PreviewRow, kPreviewRows> &PreviewHitMap();

// The node under a point of the miniature: the last row containing it wins;
// 0 when none does.
int previewHitTest(int x, int y);

// Draws the green outline of row `index` into the picture: all four sides,
// right and bottom on Right and Bottom. Nothing for an index without a row.
void drawPreviewOutline(QImage &picture, int index, QRgb colour = qRgb(0, 255, 0));

} // namespace vorlix
