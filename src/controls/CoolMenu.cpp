#include "controls/CoolMenu.h"

#include "platform/ColorNumber.h"
#include "platform/Fonts.h"

#include <QActionEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace vorlix {

namespace {

// Measures at 96 dpi, in pixels.
constexpr int kFrame = 2;          // grey edge and a black margin around the items
constexpr int kItemHeight = 19;
constexpr int kSeparatorHeight = 9;
constexpr int kTextLeft = 12;      // item edge to caption
constexpr int kTextRight = 18;     // shortcut (or arrow) to item edge
constexpr int kShortcutGap = 24;   // caption to shortcut column
constexpr int kBarWidth = 20;      // side bar gradient
constexpr int kBarLine = 2;        // engraved line right of the gradient
constexpr int kBarFootPad = 6;     // bar's lower end to the caption's start

const QColor kMenuText(255, 158, 62);
const QColor kDisabledText(0x70, 0x70, 0x70);
const QColor kHighlight(128, 128, 128);
const QColor kBarTop(0, 0, 0);
const QColor kBarBottom(0, 0, 255);

// System colours by their classic index, so a changed desktop palette
// carries through.
QColor sysColor(int index) { return colorFromNumber(systemColorNumber(index)); }
QColor highlightText() { return sysColor(14); }
QColor shadow3D() { return sysColor(16); }
QColor highlight3D() { return sysColor(20); }

void engravedHLine(QPainter &p, int x0, int x1, int y)
{
    p.setPen(shadow3D());
    p.drawLine(x0, y, x1, y);
    p.setPen(highlight3D());
    p.drawLine(x0, y + 1, x1, y + 1);
}

class CoolMenuStyle : public QProxyStyle
{
public:
    CoolMenuStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    int pixelMetric(PixelMetric metric, const QStyleOption *opt, const QWidget *w) const override
    {
        switch (metric) {
        case PM_MenuPanelWidth: return kFrame;
        case PM_MenuHMargin: return 0;
        case PM_MenuVMargin: return 1;
        case PM_MenuDesktopFrameWidth: return 0;
        case PM_SubMenuOverlap: return kFrame + 1;
        default: return QProxyStyle::pixelMetric(metric, opt, w);
        }
    }

    int styleHint(StyleHint hint, const QStyleOption *opt, const QWidget *w,
                  QStyleHintReturn *ret) const override
    {
        switch (hint) {
        case SH_Menu_FlashTriggeredItem:
        case SH_Menu_FadeOutOnHide:
        case SH_Menu_Scrollable:
            return 0;
        case SH_Menu_MouseTracking:
        case SH_Menu_AllowActiveAndDisabled:
            return 1;
        default: return QProxyStyle::styleHint(hint, opt, w, ret);
        }
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption *opt, const QSize &size,
                           const QWidget *w) const override
    {
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(opt);
        if (type != CT_MenuItem || !item)
            return QProxyStyle::sizeFromContents(type, opt, size, w);
        if (item->menuItemType == QStyleOptionMenuItem::Separator)
            return {kTextLeft + kTextRight, kSeparatorHeight};
        // The menu adds the widest shortcut to every item afterwards.
        int width = kTextLeft + size.width() + kTextRight;
        if (item->text.contains(QLatin1Char('\t')))
            width += kShortcutGap;
        return {width, kItemHeight};
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption *opt, QPainter *p,
                       const QWidget *w) const override
    {
        switch (element) {
        case PE_PanelMenu:
            p->fillRect(opt->rect, Qt::black);
            return;
        case PE_FrameMenu: {
            // A thin grey edge keeps the black menu apart from dark and
            // light backgrounds alike; inside it a black margin.
            const QRect r = opt->rect;
            p->fillRect(r, Qt::black);
            p->setPen(shadow3D());
            p->drawRect(r.adjusted(0, 0, -1, -1));
            return;
        }
        default:
            QProxyStyle::drawPrimitive(element, opt, p, w);
        }
    }

    void drawControl(ControlElement element, const QStyleOption *opt, QPainter *p,
                     const QWidget *w) const override
    {
        if (element == CE_MenuEmptyArea) {
            p->fillRect(opt->rect, Qt::black);
            return;
        }
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(opt);
        if (element != CE_MenuItem || !item) {
            QProxyStyle::drawControl(element, opt, p, w);
            return;
        }
        p->save();
        const QRect r = item->rect;
        if (item->menuItemType == QStyleOptionMenuItem::Separator) {
            p->fillRect(r, Qt::black);
            engravedHLine(*p, r.left(), r.right(), r.top() + r.height() / 2 - 1);
            p->restore();
            return;
        }
        // A disabled item is never highlighted and its text is a dim grey,
        // far from the orange of one that can be chosen.
        const bool enabled = item->state & State_Enabled;
        const bool selected = enabled && (item->state & State_Selected);
        p->fillRect(r, selected ? kHighlight : QColor(Qt::black));
        const QColor ink = selected ? highlightText() : enabled ? kMenuText : kDisabledText;
        p->setPen(ink);
        p->setFont(item->font);

        const qsizetype tab = item->text.indexOf(QLatin1Char('\t'));
        const QString caption = tab < 0 ? item->text : item->text.left(tab);
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextHideMnemonic;
        p->drawText(r.adjusted(kTextLeft, 0, -kTextRight, 0), flags, caption);
        if (tab >= 0) {
            // Shortcuts line up in a column of their own.
            const int width = item->reservedShortcutWidth;
            const QRect col(r.right() + 1 - kTextRight - width, r.top(), width, r.height());
            p->drawText(col, flags, item->text.mid(tab + 1));
        }
        if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
            const int x = r.right() - kTextRight + 6;
            const int cy = r.top() + r.height() / 2;
            for (int i = 0; i < 4; ++i)
                p->drawLine(x + i, cy - 3 + i, x + i, cy + 3 - i);
        }
        p->restore();
    }
};

} // namespace

TCoolMenu::TCoolMenu(QWidget *parent) : QMenu(parent)
{
    auto *look = new CoolMenuStyle;
    look->setParent(this);
    setStyle(look);
    // Stems snapped to whole pixels keep the small text sharp at 96 dpi.
    QFont font = tahomaFont(11);
    font.setHintingPreference(QFont::PreferFullHinting);
    setFont(font);
}

TCoolMenu *TCoolMenu::addCoolMenu(const QString &title)
{
    auto *sub = new TCoolMenu(this);
    sub->setTitle(title);
    addMenu(sub);
    return sub;
}

void TCoolMenu::setSideBar(const QString &caption)
{
    m_sideBarCaption = caption;
    setContentsMargins(caption.isEmpty() ? 0 : kBarWidth + kBarLine, 0, 0, 0);
    update();
}

QRect TCoolMenu::sideBarRect() const
{
    if (m_sideBarCaption.isEmpty())
        return {};
    return {kFrame, kFrame, kBarWidth, height() - 2 * kFrame};
}

QString TCoolMenu::itemText(QAction *item) const
{
    QStyleOptionMenuItem opt;
    initStyleOption(&opt, item);
    return opt.text;
}

void TCoolMenu::actionEvent(QActionEvent *e)
{
    // Every item shows its shortcut beside its caption, also on desktops that
    // hide them in popup menus.
    if (e->type() == QEvent::ActionAdded)
        e->action()->setShortcutVisibleInContextMenu(true);
    QMenu::actionEvent(e);
}

void TCoolMenu::paintEvent(QPaintEvent *e)
{
    QMenu::paintEvent(e);
    const QRect bar = sideBarRect();
    if (bar.isEmpty())
        return;
    QPainter p(this);
    // Row by row, so both ends are exactly the colours named.
    const int rows = bar.height();
    for (int i = 0; i < rows; ++i) {
        const auto mix = [&](int a, int b) { return a + ((b - a) * i + (rows - 1) / 2) / std::max(1, rows - 1); };
        p.setPen(QColor(mix(kBarTop.red(), kBarBottom.red()), mix(kBarTop.green(), kBarBottom.green()),
                        mix(kBarTop.blue(), kBarBottom.blue())));
        p.drawLine(bar.left(), bar.top() + i, bar.right(), bar.top() + i);
    }
    // The engraved line between the bar and the items.
    p.setPen(shadow3D());
    p.drawLine(bar.right() + 1, bar.top(), bar.right() + 1, bar.bottom());
    p.setPen(highlight3D());
    p.drawLine(bar.right() + 2, bar.top(), bar.right() + 2, bar.bottom());

    // The caption reads upwards from near the bar's foot.
    const QFont font = tahomaFont(15, true);
    p.setFont(font);
    p.setPen(Qt::white);
    const QRect ink = QFontMetrics(font).tightBoundingRect(m_sideBarCaption);
    const int baseline = bar.left() + bar.width() / 2 - (ink.top() + ink.bottom()) / 2;
    p.translate(baseline, bar.bottom() - kBarFootPad + ink.left());
    p.rotate(-90);
    p.drawText(0, 0, m_sideBarCaption);
}

} // namespace vorlix
