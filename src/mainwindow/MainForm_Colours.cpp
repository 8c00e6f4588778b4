// The colours a skin keeps in text files: the visualisation's in
// viscolor.txt, the playlist's in pledit.txt. Their elements show a strip of
// swatches; a double-click on one opens the colour dialog.
#include "editor/SkinText.h"
#include "mainwindow/MainForm.h"
#include "platform/Errors.h"
#include "mainwindow/SkinState.h"
#include "skin/GlobalVar.h"

#include <QLineEdit>
#include <QPainter>

namespace vorlix {

namespace {

constexpr int kSwatch = 24;
constexpr int kPitch = 28;
constexpr int kPerRow = 10;
constexpr int kMargin = 4;

const int kSpectrumSlots[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 23};
const int kScopeSlots[] = {0, 18, 19, 20, 21, 22};

QRect swatchRect(int i)
{
    return {kMargin + kPitch * (i % kPerRow), kMargin + kPitch * (i / kPerRow), kSwatch, kSwatch};
}

} // namespace

QList<int> TMainForm::colourSlots(int colours) const
{
    switch (colours) {
    case kSpectrumColours:
        return {std::begin(kSpectrumSlots), std::end(kSpectrumSlots)};
    case kScopeColours:
        return {std::begin(kScopeSlots), std::end(kScopeSlots)};
    case kPlaylistColours:
        return {0, 1, 2, 3, 4, 5};
    default:
        return {};
    }
}

QRgb TMainForm::slotColour(int colours, int slot) const
{
    const SkinState &s = *m_skin;
    if (colours == kPlaylistColours)
        return s.pledit.colour(PlaylistColour(slot));
    return s.vis.colour(slot);
}

QImage TMainForm::colourSwatches(int colours) const
{
    const QList<int> entries = colourSlots(colours);
    const int rows = (int(entries.size()) + kPerRow - 1) / kPerRow;
    QImage picture(kMargin + kPitch * std::min<int>(kPerRow, int(entries.size())),
                   kMargin + kPitch * rows, QImage::Format_BGR888);
    picture.fill(QColor(0xd4, 0xd0, 0xc8));
    QPainter p(&picture);
    for (int i = 0; i < entries.size(); ++i) {
        const QRect r = swatchRect(i);
        p.fillRect(r, QColor::fromRgb(slotColour(colours, entries[i])));
        p.setPen(QColor(0x40, 0x40, 0x40));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    return picture;
}

QString TMainForm::colourNote(int colours) const
{
    const SkinState &s = *m_skin;
    const QString file = colours == kPlaylistColours ? kPlEditFile : kVisColorFile;
    QString order;
    switch (colours) {
    case kSpectrumColours:
        order = QStringLiteral("background, dots, the 16 bars from the top, peaks");
        break;
    case kScopeColours:
        order = QStringLiteral("background, then the scope's five");
        break;
    default:
        order = QStringLiteral("text, current text, background, selected background, mini browser "
                               "text and background. Font:");
        break;
    }
    const bool inSkin = skinTextFile(s.files, file) >= 0 || s.origin == SkinState::Origin::BuiltIn;
    return QStringLiteral("%1%2: double-click a colour to change it. In order: %3")
        .arg(file, inSkin ? QString() : QStringLiteral(" (not in this skin; saved once changed)"), order);
}

QString TMainForm::skinFont() const
{
    return m_skin->pledit.font();
}

void TMainForm::DesktopImgDoubleClick(int x, int y)
{
    const int idx = selectedIndex();
    if (idx < 0)
        return;
    const int colours = G().ElementTable[size_t(idx)].Colours;
    const QList<int> entries = colourSlots(colours);
    const QPoint at = DesktopImg->clientToPicture({x, y});
    for (int i = 0; i < entries.size(); ++i) {
        if (!swatchRect(i).contains(at))
            continue;
        const QColor chosen = askColor(QColor::fromRgb(slotColour(colours, entries[i])));
        if (!chosen.isValid())
            return;
        const StepScope step(this, QStringLiteral("Colour Change"));
        SkinState &s = skin();
        if (colours == kPlaylistColours)
            s.pledit.setColour(PlaylistColour(entries[i]), chosen.rgb());
        else
            s.vis.setColour(entries[i], chosen.rgb());
        ShowElementState();
        RefreshMiniature();
        return;
    }
}

void TMainForm::PlaylistFontEdited()
{
    const QString name = PlaylistFont->text().trimmed();
    SkinState &s = skin();
    if (name.isEmpty() || name == s.pledit.font())
        return;
    const StepScope step(this, QStringLiteral("Font Change"));
    try {
        s.pledit.setFont(name);
    } catch (const VorlixError &) {
        // A name the file's encoding can't hold: the box shows the font the
        // skin keeps, and the message says why.
        PlaylistFont->setText(s.pledit.font());
        throw;
    }
    RefreshMiniature();
}

} // namespace vorlix
