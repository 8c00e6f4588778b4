#include "dialogs/Aboutbox.h"

#include "platform/Fonts.h"

namespace vorlix {

TAboutbox *Aboutbox = nullptr;

TAboutbox::TAboutbox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    Aboutbox = this;
    setObjectName(QStringLiteral("Aboutbox"));
    setFixedSize(406, 228);
    setFont(defaultFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
}

} // namespace vorlix
