#include "dialogs/ImageRes.h"

#include "platform/DesktopServices.h"
#include "platform/Fonts.h"
#include "platform/WaitCursor.h"
#include "controls/Controls.h"
#include "skin/GlobalVar.h"
#include "view/OImage.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QShowEvent>

#include <algorithm>
#include <utility>

namespace vorlix {

TImagesRes *ImagesRes = nullptr;

namespace {

const QColor kOrange(255, 158, 62);

// A grey rectangle with a black one-pixel outline.
class TShape : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(Qt::black);
        p.setBrush(QColor(128, 128, 128));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

void setTextColor(QWidget *w, const QColor &c)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::ButtonText, c);
    w->setPalette(pal);
}

QLabel *makeText(QWidget *parent, const char *name, int x, int y, int w, int h, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setFont(tahomaFont(15, true));
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setContentsMargins(0, 0, 0, 0);
    setTextColor(l, kOrange);
    l->setGeometry(x, y, w, h);
    return l;
}

// Figures grow to fit: "550" is wider than the design's 24 pixels.
void setFigure(QLabel *label, int value)
{
    label->setText(QString::number(value));
    label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
}

TOImage *makeView(QWidget *parent, const char *name, int x)
{
    auto *v = new TOImage(parent);
    v->setObjectName(QLatin1String(name));
    v->setGeometry(x, 112, 249, 161);
    v->setColor(Qt::black);
    v->setMouseMode(TOImage::mmPan);
    v->setUndo(false);
    return v;
}

bool hasPicture(const TOImage *v)
{
    return v && !v->Picture().isNull() && v->Picture().width() > 0 && v->Picture().height() > 0;
}

} // namespace

// --- TRadioGroup -------------------------------------------------------------------

TRadioGroup::TRadioGroup(const QString &caption, const QStringList &items, const QFont &font,
                         QWidget *parent)
    : QGroupBox(parent), m_group(new QButtonGroup(this))
{
    setFont(font);
    setTitle(caption);
    m_group->setExclusive(true);
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items[i], this);
        m_group->addButton(b, i);
    }
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == m_lastIndex)
            return;
        m_lastIndex = id;
        emit OnClick();
    });
}

int TRadioGroup::ItemIndex() const
{
    return m_group->checkedId();
}

void TRadioGroup::setItemIndex(int index)
{
    if (index >= 0 && index < count()) {
        m_group->button(index)->setChecked(true);
        m_lastIndex = index;
        return;
    }
    // An exclusive group won't let its last checked button go.
    m_group->setExclusive(false);
    for (QAbstractButton *b : m_group->buttons())
        b->setChecked(false);
    m_group->setExclusive(true);
    m_lastIndex = -1;
}

QRadioButton *TRadioGroup::item(int index) const
{
    return qobject_cast<QRadioButton *>(m_group->button(index));
}

int TRadioGroup::count() const
{
    return int(m_group->buttons().size());
}

void TRadioGroup::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    // Items share the height below the caption evenly.
    const int n = count();
    if (n == 0)
        return;
    const int top = fontMetrics().height() + 2;
    const int step = std::max(1, (height() - top - 4) / n);
    for (int i = 0; i < n; ++i)
        item(i)->setGeometry(8, top + i * step, std::max(0, width() - 16), step);
}

// --- TImagesRes --------------------------------------------------------------------

TImagesRes::TImagesRes(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    ImagesRes = this; // each new instance serves the next mismatch
    setObjectName(QStringLiteral("ImagesRes"));
    setWindowTitle(QStringLiteral("ImagesRes"));
    setFixedSize(536, 327);
    move(178, 134);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    buildLayout();
}

TImagesRes::~TImagesRes()
{
    if (ImagesRes == this)
        ImagesRes = nullptr;
}

void TImagesRes::buildLayout()
{
    StaticText1 = makeText(this, "StaticText1", 16, 16, 93, 22, QStringLiteral("Image Have"));
    StaticText2 = makeText(this, "StaticText2", 344, 16, 133, 22, QStringLiteral("Image Must Have"));
    StaticText3 = makeText(this, "StaticText3", 16, 48, 57, 22, QStringLiteral("Width :"));
    StaticText4 = makeText(this, "StaticText4", 16, 72, 62, 22, QStringLiteral("Height :"));
    StaticText5 = makeText(this, "StaticText5", 344, 48, 57, 22, QStringLiteral("Width :"));
    StaticText6 = makeText(this, "StaticText6", 344, 72, 62, 22, QStringLiteral("Height :"));
    StaticText7 = makeText(this, "StaticText7", 80, 48, 24, 22, QString());
    StaticText8 = makeText(this, "StaticText8", 80, 72, 20, 22, QString());
    StaticText9 = makeText(this, "StaticText9", 408, 48, 24, 22, QString());
    StaticText10 = makeText(this, "StaticText10", 408, 72, 20, 22, QString());

    ResizeType = new TRadioGroup(QStringLiteral("ResizeType"),
                                 {QStringLiteral("Sharp resize"), QStringLiteral("Smooth resize")},
                                 tahomaFont(11, true), this);
    ResizeType->setObjectName(QStringLiteral("ResizeType"));
    setTextColor(ResizeType, kOrange);
    ResizeType->setGeometry(200, 8, 121, 65);
    ResizeType->setItemIndex(0);

    // Created before the views so that it lies behind them.
    Shape1 = new TShape(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(8, 104, 521, 177);

    OImage1 = makeView(this, "OImage1", 16);
    OImage2 = makeView(this, "OImage2", 272);

    btResize = new TSpeedButton(this);
    btResize->setObjectName(QStringLiteral("btResize"));
    btResize->setText(QStringLiteral("Resize"));
    btResize->setFont(tahomaFont(15, true));
    btResize->setTextColor(kOrange);
    btResize->setGeometry(199, 296, 137, 22);

    connect(ResizeType, &TRadioGroup::OnClick, this, [this] { guarded([this] { ResizeTypeClick(); }); });
    connect(btResize, &QAbstractButton::clicked, this, [this] { guarded([this] { btResizeClick(); }); });
}

bool TImagesRes::requiredSizeUsable() const
{
    return G().RequiredWidth >= 1 && G().RequiredHeight >= 1;
}

void TImagesRes::updateResizeEnabled()
{
    // Only a picture of exactly the required size may go to the import.
    const QSize required(G().RequiredWidth, G().RequiredHeight);
    btResize->setEnabled(requiredSizeUsable() && hasPicture(OImage2) && OImage2->Picture().size() == required);
}

void TImagesRes::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) // not when the window system merely re-shows it
        guarded([this] { FormShow(); });
}

void TImagesRes::FormShow()
{
    const GlobalVar &g = G();
    const std::optional<QImage> asRead = std::exchange(m_pictureAsRead, std::nullopt);
    if (g.ImportFileName.isEmpty() || !OImage1 || !OImage2) {
        updateResizeEnabled();
        return;
    }
    btResize->setEnabled(false); // until the resized picture is shown
    ResizeType->setEnabled(requiredSizeUsable());
    if (asRead)
        OImage1->setPicture(*asRead);
    else
        OImage1->setFileName(g.ImportFileName);
    setFigure(StaticText7, OImage1->Picture().width());
    setFigure(StaticText8, OImage1->Picture().height());
    setFigure(StaticText9, g.RequiredWidth);
    setFigure(StaticText10, g.RequiredHeight);
    ResizeType->setItemIndex(0);
    // Without a usable size there is nothing to offer: the second view stays
    // empty and Resize stays off, so only closing remains.
    if (requiredSizeUsable() && hasPicture(OImage1)) {
        OImage2->setPicture(OImage1->Picture());
        OImage2->ResizePicture(g.RequiredWidth, g.RequiredHeight, 0);
    } else {
        OImage2->setPicture(QImage());
    }
    updateResizeEnabled();
}

void TImagesRes::ResizeTypeClick()
{
    if (!OImage1 || !OImage2 || !requiredSizeUsable() || !hasPicture(OImage1))
        return;
    btResize->setEnabled(false); // a failed resize must not be importable
    // Always from the picture as loaded, never from the last result.
    OImage2->setPicture(OImage1->Picture());
    {
        WaitCursor wait;
        OImage2->ResizePicture(G().RequiredWidth, G().RequiredHeight, ResizeType->ItemIndex() == 1 ? 1 : 0);
    }
    updateResizeEnabled();
}

void TImagesRes::btResizeClick()
{
    if (!btResize->isEnabled() || !OImage2)
        return;
    GlobalVar &g = G();
    const QImage resized = OImage2->Picture().convertToFormat(QImage::Format_BGR888).copy();
    if (!g.ImportPicture)
        g.ImportPicture = std::make_unique<QImage>();
    *g.ImportPicture = resized;
    FormClose();
    g.SizeMismatch = false;
    accept();
}

void TImagesRes::FormClose()
{
    delete OImage1.data(); // QPointer: null afterwards
    delete OImage2.data();
    updateResizeEnabled();
}

void TImagesRes::done(int result)
{
    guarded([this] { FormClose(); });
    QDialog::done(result);
}

} // namespace vorlix
