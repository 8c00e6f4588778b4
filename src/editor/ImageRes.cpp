#include "editor/ImageRes.h"

namespace vorlix {

TImagesRes *ImagesRes = nullptr;

TImagesRes::TImagesRes(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    ImagesRes = this;
    setObjectName(QStringLiteral("ImagesRes"));
    setWindowTitle(QStringLiteral("ImagesRes"));
    setFixedSize(536, 327);
    move(178, 134);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
}

} // namespace vorlix
