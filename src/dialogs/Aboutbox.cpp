#include "dialogs/Aboutbox.h"

#include <QKeyEvent>

#include "controls/Controls.h"
#include "platform/Errors.h"
#include "platform/Fonts.h"
#include "skin/GlobalVar.h"

#include <QGuiApplication>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace vorlix {

TAboutbox *Aboutbox = nullptr;

namespace {

QImage picture(const char *name)
{
    // A missing picture leaves its place blank; the box still opens.
    try {
        return loadDefaultImage(QString::fromLatin1(name));
    } catch (const VorlixError &) {
        return {};
    }
}

TImage *makeImage(QWidget *parent, const char *name, int x, int y, int w, int h, const char *pictureName)
{
    auto *image = new TImage(parent);
    image->setObjectName(QLatin1String(name));
    image->setPicture(picture(pictureName));
    image->setGeometry(x, y, w, h);
    return image;
}

QLabel *makeLabel(QWidget *parent, const char *name, int x, int y, int w, int h, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(x, y, w, h);
    label->setContentsMargins(0, 0, 0, 0);
    label->setMargin(0);
    label->setIndent(0);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(true);
    // A click on a label is not a click on the box.
    label->setAttribute(Qt::WA_NoMousePropagation);
    return label;
}

} // namespace

TAboutbox::TAboutbox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    Aboutbox = this;
    setObjectName(QStringLiteral("Aboutbox"));
    setWindowTitle(QStringLiteral("About Vorlix"));
    setFixedSize(406, 228);
    setFont(defaultFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    Image1 = makeImage(this, "Image1", 103, 29, 200, 100, "ABOUTLOGO");
    Image2 = makeImage(this, "Image2", 103, 130, 200, 50, "ABOUTBANNER");
    Image2->resize(Image2->picture().isNull() ? QSize(200, 50) : Image2->picture().size());
    Label1 = makeLabel(this, "Label1", 3, 208, 192, 13,
                       QStringLiteral("WinAmp") + QChar(0x2122) + QStringLiteral(" is a trademark of Nullsoft, Inc."));
    Image3 = makeImage(this, "Image3", 215, 206, 38, 19, "STATUSLOGO");
    Label2 = makeLabel(this, "Label2", 254, 208, 149, 13, QStringLiteral("skin editor. Free to share."));

    connect(Image1, &TImage::clicked, this, [this] { Image1Click(); });
    connect(Image2, &TImage::clicked, this, [this] { Image2Click(); });
}

void TAboutbox::FormClick() { reject(); }
void TAboutbox::Image1Click() { reject(); }
void TAboutbox::Image2Click() { reject(); }

void TAboutbox::paintEvent(QPaintEvent *)
{
    // An inverting frame, two pixels wide; its top edge climbs one pixel from
    // left to right.
    QPainter p(this);
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    QPen pen(Qt::black, 2);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const int w = width(), h = height();
    const QPoint corners[] = {{1, 1}, {w - 1, 0}, {w - 1, h - 1}, {1, h - 1}};
    p.drawPolygon(corners, 4);
}

void TAboutbox::showEvent(QShowEvent *e)
{
    // Each showing starts centred on the screen of the window in front.
    QScreen *screen = QApplication::activeWindow() ? QApplication::activeWindow()->screen()
                                                   : QGuiApplication::primaryScreen();
    if (screen && !e->spontaneous()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    QDialog::showEvent(e);
}

void TAboutbox::mousePressEvent(QMouseEvent *e)
{
    m_pressed = e->button() == Qt::LeftButton;
}

void TAboutbox::mouseReleaseEvent(QMouseEvent *e)
{
    const bool click = m_pressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    m_pressed = false;
    if (click)
        FormClick();
}

void TAboutbox::keyPressEvent(QKeyEvent *e)
{
    // Enter and Space close it as a click does, as on any box with one button.
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        e->accept();
        FormClick();
        return;
    default:
        QDialog::keyPressEvent(e);
    }
}

} // namespace vorlix
