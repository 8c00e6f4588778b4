#include "skin/ElementTree.h"

#include <QPainter>

namespace vorlix {

const std::array<TreeNode, kTreeNodeCount> &elementTree()
{
    static const std::array<TreeNode, kTreeNodeCount> nodes{{
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
        // Parts of the nodes above, listed below them in the tree.
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
    }};
    return nodes;
}

const std::array<PreviewRow, kPreviewRows> &PreviewHitMap()
{
    static const std::array<PreviewRow, kPreviewRows> rows{{
        {0, 0, 0, 174, 73},     {1, 0, 0, 174, 73},     {2, 0, 0, 174, 7},
        {3, 6, 13, 12, 41},     {4, 6, 16, 12, 21},     {5, 6, 21, 12, 25},
        {6, 6, 25, 12, 30},     {7, 6, 30, 12, 35},     {8, 6, 35, 12, 40},
        {9, 0, 0, 174, 8},      {10, 1, 1, 10, 8},      {11, 153, 0, 161, 8},
        {12, 160, 0, 167, 8},   {13, 166, 0, 174, 8},   {14, 9, 54, 100, 67},
        {15, 9, 54, 23, 67},    {16, 23, 54, 38, 67},   {17, 38, 54, 52, 67},
        {18, 52, 54, 67, 67},   {19, 67, 54, 82, 67},   {20, 85, 54, 100, 67},
        {21, 104, 55, 151, 66}, {22, 104, 55, 133, 66}, {23, 133, 55, 151, 66},
        {24, 139, 36, 168, 44}, {25, 139, 36, 153, 44}, {26, 153, 36, 168, 44},
        {27, 67, 36, 110, 44},  {28, 67, 38, 110, 42},  {29, 100, 36, 108, 44},
        {30, 113, 36, 137, 44}, {31, 113, 38, 137, 42}, {32, 120, 36, 128, 44},
        {33, 9, 44, 168, 52},   {34, 9, 45, 168, 51},   {35, 54, 44, 73, 52},
        {36, 136, 26, 169, 33}, {37, 136, 26, 152, 33}, {38, 152, 26, 169, 33},
        {39, 13, 15, 23, 25},   {40, 17, 15, 23, 25},   {41, 17, 15, 23, 25},
        {42, 17, 15, 23, 25},   {43, 13, 15, 18, 21},   {44, 13, 20, 18, 25},
    }};
    return rows;
}

int previewHitTest(int x, int y)
{
    int candidate = 0;
    for (const PreviewRow &r : PreviewHitMap())
        if (r.Left <= x && x < r.Right && r.Top <= y && y < r.Bottom)
            candidate = r.Index;
    return candidate;
}

void drawPreviewOutline(QImage &picture, int index, QRgb colour)
{
    if (index < 0 || index >= kPreviewRows || picture.isNull())
        return;
    const PreviewRow &r = PreviewHitMap()[static_cast<size_t>(index)];
    QPainter p(&picture);
    p.setPen(QPen(QColor::fromRgb(colour), 0)); // cosmetic, one pixel, no blending
    p.setRenderHint(QPainter::Antialiasing, false);
    p.drawLine(r.Left, r.Top, r.Right, r.Top);
    p.drawLine(r.Right, r.Top, r.Right, r.Bottom);
    p.drawLine(r.Right, r.Bottom, r.Left, r.Bottom);
    p.drawLine(r.Left, r.Bottom, r.Left, r.Top);
}

} // namespace vorlix
