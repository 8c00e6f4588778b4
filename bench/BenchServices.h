#pragma once
// The desktop's dialogs for benchmarks that drive the main window: no
// window ever shows. A save dialog gives savePath, the question whether to
// replace a file is answered Yes (a save may go over the one before), and
// every other question No (so "apply the edit?" leaves it pending).
#include "platform/DesktopServices.h"

class BenchServices final : public vorlix::DesktopServices
{
public:
    QString savePath;

    vorlix::MsgAnswer messageBox(QWidget *, const QString &, const QString &text, vorlix::MsgIcon,
                                 vorlix::MsgButtons) override
    {
        return text.contains(QLatin1String("Do you want to replace it?")) ? vorlix::MsgAnswer::Yes
                                                                          : vorlix::MsgAnswer::No;
    }
    QString openFile(QWidget *, const vorlix::FileDialogRequest &) override { return {}; }
    QString saveFile(QWidget *, const vorlix::FileDialogRequest &) override { return savePath; }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return {}; }
    QColor chooseColor(QWidget *, const QColor &) override { return {}; }
    bool openUrl(const QString &) override { return false; }
};
