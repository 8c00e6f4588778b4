// The view as a pixel artist works it: zoom by keys and the wheel around
// the pointer, the pixel grid, the pointer's pixel and colour on the status
// line, the state shown; recent skins and what is dropped on the window.
#include "mainwindow/MainForm.h"
#include "output/RegStore.h"
#include "platform/DesktopServices.h"
#include "platform/Fonts.h"
#include "skin/GlobalVar.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>

namespace vorlix {

namespace {

const QString kViewSection = QStringLiteral("Editor");
constexpr int kMaxRecent = 10;
const QString kVersionText = QStringLiteral("ver : 0.0.2 alpha");

// The names of an element's states where a player gives them one.
QString stateName(int element, int state)
{
    switch (element) {
    case 2:  // the main window's title bar
    case 47: // the equaliser's
        return state == 0 ? QStringLiteral("active") : QStringLiteral("inactive");
    case 10: case 11: case 12: case 13:                    // the title bar's buttons
    case 15: case 16: case 17: case 18: case 19: case 20:  // the control buttons
        return state == 0 ? QStringLiteral("normal") : QStringLiteral("pressed");
    default:
        return {};
    }
}

} // namespace

void TMainForm::setupView()
{
    ZoomLevel = new QLabel(this);
    ZoomLevel->setObjectName(QStringLiteral("ZoomLevel"));
    ZoomLevel->setFont(tahomaFont(11));
    ZoomLevel->setAlignment(Qt::AlignCenter);
    ZoomLevel->setGeometry(592, 200, 44, 14);
    ZoomLevel->setAttribute(Qt::WA_TranslucentBackground);
    PointerNote = new QLabel(this);
    PointerNote->setObjectName(QStringLiteral("PointerNote"));
    PointerNote->setFont(VerInfo->font());
    PointerNote->setTextFormat(Qt::PlainText);
    PointerNote->setGeometry(208, 440, 420, 14);
    PointerNote->hide();
    State1->setTextFormat(Qt::PlainText);
    State1->setFont(tahomaFont(11));
    State1->setGeometry(480, 301, 90, 14);
    State1->setText(QString());
    State1->show();
    connect(DesktopImg, &TOImage::OnZoomWheel, this,
            [this](int steps, QPoint at) { guarded([&] { DesktopImgZoomWheel(steps, at); }); });
    connect(DesktopImg, &TOImage::OnPointerMove, this,
            [this](QPoint at) { guarded([&] { DesktopImgPointerMove(at); }); });
    connect(DesktopImg, &TOImage::OnPointerLeave, this, [this] { guarded([&] { DesktopImgPointerLeave(); }); });
    connect(m_saveNoteTimer, &QTimer::timeout, this, [this] { updateStatusLine(); });
    setAcceptDrops(true);
    rebuildRecentMenu();
    updateZoomLevel();
    updateStateText();
}

// --- Zoom ------------------------------------------------------------------------

void TMainForm::updateZoomLevel()
{
    ZoomLevel->setText(QStringLiteral("%1 %").arg(qRound(DesktopImg->Zoom() * 100)));
}

void TMainForm::setZoomStep(int step)
{
    // Through the zoom bar, so that bar and keys never disagree.
    ScrollZoom->setValue(std::clamp(step, ScrollZoom->minimum(), ScrollZoom->maximum()));
    updateZoomLevel();
}

void TMainForm::ZoomIn1Click()
{
    setZoomStep(ScrollZoom->value() + 1);
}

void TMainForm::ZoomOut1Click()
{
    setZoomStep(ScrollZoom->value() - 1);
}

void TMainForm::ActualSize1Click()
{
    setZoomStep(1);
}

void TMainForm::DesktopImgZoomWheel(int steps, QPoint client)
{
    const int idx = selectedIndex();
    if (idx >= 0 && G().ElementTable[size_t(idx)].isGroup())
        return; // a group is always shown at zoom 1
    const int step = std::clamp(ScrollZoom->value() + steps, ScrollZoom->minimum(), ScrollZoom->maximum());
    {
        const QSignalBlocker quiet(ScrollZoom);
        ScrollZoom->setValue(step);
    }
    DesktopImg->zoomKeeping(step, client);
    updateZoomLevel();
    DesktopImgPointerMove(client);
}

void TMainForm::PixelGrid1Click()
{
    DesktopImg->setShowGrid(PixelGrid1->isChecked());
    writeViewSettings();
}

// --- The status line -------------------------------------------------------------

QString TMainForm::pointerReadout(QPoint client) const
{
    const QImage &picture = DesktopImg->Picture();
    const QPoint p = DesktopImg->clientToPicture(client - QPoint(DesktopImg->CenterShiftX(), DesktopImg->CenterShiftY()));
    if (picture.isNull() || !picture.rect().contains(p) || client.x() < 0 || client.y() < 0)
        return {};
    QStringList parts{QStringLiteral("x %1, y %2").arg(p.x()).arg(p.y())};
    const int idx = m_shownElement;
    if (idx >= 0) {
        const SkinElement &e = G().ElementTable[size_t(idx)];
        if (e.hasSheetPlace() && !e.isGroup() && e.Colours == kNoColours) {
            const Rect state = stateRect(e, G().CurrentState);
            parts << QStringLiteral("%1 %2, %3").arg(skinFileName(e.Sheet)).arg(state.Left + p.x()).arg(state.Top + p.y());
        }
    }
    const QColor c = picture.pixelColor(p);
    parts << QStringLiteral("#%1%2%3")
                 .arg(c.red(), 2, 16, QLatin1Char('0'))
                 .arg(c.green(), 2, 16, QLatin1Char('0'))
                 .arg(c.blue(), 2, 16, QLatin1Char('0'))
                 .toUpper();
    // A band being dragged, else the selection kept in Select Mode.
    QRect band = DesktopImg->draggedBand();
    if (band.isEmpty() && SelectBtn->isLatched()) {
        const Rect s = G().SelectionRect;
        band = QRect(QPoint(std::min(s.Left, s.Right), std::min(s.Top, s.Bottom)),
                     QPoint(std::max(s.Left, s.Right) - 1, std::max(s.Top, s.Bottom) - 1));
    }
    if (!band.isEmpty())
        parts << QStringLiteral("%1 \u00d7 %2").arg(band.width()).arg(band.height());
    return parts.join(QStringLiteral(" \u00b7 "));
}

void TMainForm::DesktopImgPointerMove(QPoint client)
{
    m_pointerOverView = true;
    PointerNote->setText(pointerReadout(client));
    updateStatusLine();
}

void TMainForm::DesktopImgPointerLeave()
{
    m_pointerOverView = false;
    PointerNote->clear();
    updateStatusLine();
}

void TMainForm::updateStatusLine()
{
    // A save's note first, then the pointer's readout, else the version.
    const bool note = m_saveNoteTimer->isActive();
    const bool readout = !note && m_pointerOverView && !PointerNote->text().isEmpty();
    SaveNote->setVisible(note);
    PointerNote->setVisible(readout);
    VerInfo->setVisible(!note && !readout);
}

void TMainForm::updateStateText()
{
    const int idx = selectedIndex();
    if (idx < 0) {
        State1->clear();
        return;
    }
    const SkinElement &e = G().ElementTable[size_t(idx)];
    const int state = G().CurrentState;
    QString text = QStringLiteral("State %1 of %2").arg(state + 1).arg(e.MaxState + 1);
    const QString name = stateName(idx, state);
    if (!name.isEmpty())
        text += QStringLiteral(" \u00b7 ") + name;
    State1->setText(text);
    State1->adjustSize();
}

// --- Settings of the view: the grid and the recent skins --------------------------

void TMainForm::readViewSettings()
{
    m_recentSkins.clear();
    try {
        const RegFile file = RegistryStore(settingsFilePath(), QStringLiteral("Software\\Tarnby\\Vorlix"))
                                 .openForRead();
        const RegKey *section = file.key(QStringLiteral("Software\\Tarnby\\Vorlix\\") + kViewSection);
        const auto text = [section](const QString &name) {
            const RegValue *v = section ? section->value(name) : nullptr;
            return v && v->type == RegValue::String ? v->data : QString();
        };
        PixelGrid1->setChecked(text(QStringLiteral("PixelGrid")) == QLatin1String("1"));
        for (int i = 1; i <= kMaxRecent; ++i) {
            const QString path = text(QStringLiteral("Recent%1").arg(i));
            if (!path.isEmpty() && !m_recentSkins.contains(path))
                m_recentSkins << path;
        }
    } catch (...) {
        // Nothing remembered: a grid off and no recent skins.
    }
    DesktopImg->setShowGrid(PixelGrid1->isChecked());
    rebuildRecentMenu();
}

void TMainForm::writeViewSettings()
{
    QList<QPair<QString, QString>> values{
        {QStringLiteral("PixelGrid"), PixelGrid1->isChecked() ? QStringLiteral("1") : QStringLiteral("0")}};
    for (int i = 0; i < kMaxRecent; ++i)
        values.append({QStringLiteral("Recent%1").arg(i + 1), i < m_recentSkins.size() ? m_recentSkins[i] : QString()});
    try {
        RegistryStore(settingsFilePath(), QStringLiteral("Software\\Tarnby\\Vorlix")).write(kViewSection, values);
    } catch (...) {
        // Not worth a message while working: the close tells of a settings
        // file that can't be written.
    }
}

void TMainForm::rememberRecentSkin(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recentSkins.removeAll(absolute);
    m_recentSkins.prepend(absolute);
    while (m_recentSkins.size() > kMaxRecent)
        m_recentSkins.removeLast();
    rebuildRecentMenu();
    writeViewSettings();
}

void TMainForm::rebuildRecentMenu()
{
    OpenRecent1->clear();
    for (const QString &path : std::as_const(m_recentSkins)) {
        QString shown = QDir::toNativeSeparators(path);
        const QString home = QDir::toNativeSeparators(QDir::homePath());
        if (shown.startsWith(home + QDir::separator()))
            shown = QStringLiteral("~") + shown.mid(home.size());
        QAction *a = OpenRecent1->addAction(shown);
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] {
            guarded([&] {
                if (!QFileInfo::exists(path)) {
                    m_recentSkins.removeAll(path);
                    rebuildRecentMenu();
                    writeViewSettings();
                    services().messageBox(this, QStringLiteral("Vorlix"),
                                          QStringLiteral("\"%1\" is no longer there; it was taken off the list.")
                                              .arg(QDir::toNativeSeparators(path)),
                                          MsgIcon::Warning, MsgButtons::Ok);
                    return;
                }
                openSkin(path);
            });
        });
    }
    OpenRecent1->setEnabled(!m_recentSkins.isEmpty());
    if (m_recentSkins.isEmpty())
        OpenRecent1->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

// --- Drag and drop ---------------------------------------------------------------

namespace {

enum class DropKind { None, Skin, Picture };

DropKind dropKind(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return DropKind::Skin;
    if (!info.isFile())
        return DropKind::None;
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("wsz") || suffix == QLatin1String("zip"))
        return DropKind::Skin;
    return DropKind::Picture;
}

QString droppedPath(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().first().isLocalFile())
        return {};
    return mime->urls().first().toLocalFile();
}

} // namespace

bool TMainForm::openDropped(const QString &path)
{
    switch (dropKind(path)) {
    case DropKind::Skin:
        return openSkin(path);
    case DropKind::Picture: {
        const int idx = selectedIndex();
        if (idx < 0 || !G().ElementTable[size_t(idx)].hasSheetPlace()) {
            services().messageBox(this, QStringLiteral("Vorlix"),
                                  QStringLiteral("Choose the element the picture goes into first, then drop it again."),
                                  MsgIcon::Information, MsgButtons::Ok);
            return false;
        }
        importPictureFile(path);
        return true;
    }
    case DropKind::None:
        break;
    }
    return false;
}

void TMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    const QString path = droppedPath(event->mimeData());
    if (!path.isEmpty() && dropKind(path) != DropKind::None)
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent *event)
{
    const QString path = droppedPath(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // After the drop's own event has ended: the guard's question and the
    // size dialog are modal, which the dragging program should not wait on.
    QMetaObject::invokeMethod(this, [this, path] { guarded([&] { openDropped(path); }); }, Qt::QueuedConnection);
}

} // namespace vorlix
