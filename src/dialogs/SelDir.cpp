#include "dialogs/SelDir.h"

#include "platform/Fonts.h"

namespace vorlix {

TSelDirect *SelDirect = nullptr;

TSelDirect::TSelDirect(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    SelDirect = this;
    setObjectName(QStringLiteral("SelDirect"));
    setWindowTitle(QStringLiteral("Select Directory"));
    setFixedSize(450, 171);
    move(192, 103);
    setFont(defaultFont());
}

} // namespace vorlix
