// The popup menus behind the flat text buttons across the top of the window.
#include "platform/DesktopServices.h"
#include "mainwindow/MainForm.h"

#include <QMenu>

namespace vorlix {

namespace {

QAction *addItem(QMenu *menu, const char *name, const QString &caption,
                 const QKeySequence &shortcut = {})
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    a->setShortcut(shortcut);
    return a;
}

QAction *addSeparator(QMenu *menu, const char *name)
{
    QAction *a = menu->addSeparator();
    a->setObjectName(QLatin1String(name));
    return a;
}

} // namespace

void TMainForm::buildMenus()
{
    pmImage = new QMenu(this);
    pmImage->setObjectName(QStringLiteral("pmImage"));
    OpenImage1 = addItem(pmImage, "OpenImage1", QStringLiteral("Open Image..."),
                         QKeySequence(Qt::CTRL | Qt::Key_O));
    ScanImage1 = addItem(pmImage, "ScanImage1", QStringLiteral("Scan Image..."));
    CaptureImage1 = addItem(pmImage, "CaptureImage1", QStringLiteral("Capture Image..."));
    addSeparator(pmImage, "sep1");
    SaveImage1 = addItem(pmImage, "SaveImage1", QStringLiteral("Save Image..."),
                         QKeySequence(Qt::CTRL | Qt::Key_S));
    addSeparator(pmImage, "sep2");
    Exit1 = addItem(pmImage, "Exit1", QStringLiteral("Exit"));

    // Shortcuts work anywhere in the window, also while the tree or another
    // control has the keyboard focus.
    for (QAction *a : pmImage->actions())
        if (!a->shortcut().isEmpty()) {
            a->setShortcutContext(Qt::WindowShortcut);
            addAction(a);
        }

    connect(OpenImage1, &QAction::triggered, this, [this] { guarded([this] { OpenImage1Click(); }); });
    connect(SaveImage1, &QAction::triggered, this, [this] { guarded([this] { SaveImage1Click(); }); });
    connect(Exit1, &QAction::triggered, this, [this] { guarded([this] { Exit1Click(); }); });
    connect(btImage, &QAbstractButton::clicked, this, [this] { guarded([this] { btImageClick(); }); });
}

QPoint TMainForm::menuPoint(const QWidget *button) const
{
    // The menu's top overlaps the button's lowest two pixel rows; a button
    // pushed off the screen's left or top edge opens it at the mirrored place.
    const QPoint p = button->mapToGlobal(QPoint(0, button->height() - 2));
    return {std::abs(p.x()), std::abs(p.y())};
}

void TMainForm::btImageClick()
{
    pmImage->exec(menuPoint(btImage));
}

void TMainForm::Exit1Click()
{
    close();
}

} // namespace vorlix
