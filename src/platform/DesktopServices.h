#pragma once
// Everything the program asks of the desktop: message boxes, common dialogs
// and the shell. Widgets call services(); tests install a scripted fake.
#include "platform/DisplayServer.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace vorlix {

enum class MsgIcon { None, Information, Warning, Error, Question };

enum class MsgButtons { Ok, YesNo, YesNoCancel, OkCancel, SaveDiscardCancel };

enum class MsgAnswer { Ok, Yes, No, Cancel, Save, Discard };

struct FileDialogRequest
{
    QString title;
    QString directory;
    QString fileName;
    // Pairs of "description|pattern", separated by "|":
    // "Bitmaps (*.bmp)|*.bmp".
    QString filter;
    // Save dialogs: ask before a chosen existing file is replaced.
    bool confirmOverwrite = true;
    // Open dialogs: show a preview of the picture file under the cursor.
    bool picturePreview = false;
};

// The filter of a request in the form Qt's file dialogs take.
QString qtFileFilter(const QString &filter);

class DesktopServices
{
public:
    virtual ~DesktopServices() = default;

    virtual MsgAnswer messageBox(QWidget *parent, const QString &caption, const QString &text,
                                 MsgIcon icon, MsgButtons buttons) = 0;
    // Empty result: the user cancelled.
    virtual QString openFile(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual QString saveFile(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual QString chooseFolder(QWidget *parent, const QString &title, const QString &start) = 0;
    // A folder to save into: an existing one, or a new name typed in the
    // dialog (the caller creates it).
    virtual QString chooseSaveFolder(QWidget *parent, const QString &title, const QString &start)
    {
        return chooseFolder(parent, title, start);
    }
    // Invalid result: the user cancelled.
    virtual QColor chooseColor(QWidget *parent, const QColor &initial) = 0;
    virtual bool openUrl(const QString &url) = 0;
    // What the display is: decides how the main window is drawn and moved.
    virtual DisplayServer displayServer() { return probeDisplayServer(); }
    // Why no program may read the screen here (Wayland), as said to the
    // user; empty where capturing can work. Asked before anything is hidden.
    virtual QString screenReadRefusal();
    // Shows the whole screen (every monitor) as it is now and lets the user
    // drag a rectangle on it; returns that part of the screen, or a null
    // picture when the user cancelled (Esc) or dragged nothing. Throws
    // VorlixError with a message for the user where a program may not read
    // the screen (screenReadRefusal()). The caller hides its own windows
    // first.
    virtual QImage captureScreenRegion(QWidget *parent);
};

// The Qt implementation's parts, for a test that drives them with a screen
// picture of its own: the screen as one picture of the whole desktop (its
// top-left corner at `origin`, in the screens' coordinates), and the
// rectangle chooser over a given picture, run modally.
QImage grabAllScreens(QPoint *origin = nullptr);
QImage chooseScreenRegion(const QImage &screen, QPoint origin);

// The services in use; a Qt implementation unless a test installed another.
DesktopServices &services();
// Takes ownership; nullptr restores the Qt implementation.
void setServices(std::unique_ptr<DesktopServices> replacement);

// The framework's error box for an uncaught failure: caption "Vorlix",
// error icon, OK, text after errorBoxText().
void showErrorBox(const QString &message, QWidget *parent = nullptr);

// Runs fn; a failure escaping it is shown in the error box instead of ending
// the program. Returns false when fn failed.
template <typename Fn>
bool guarded(Fn &&fn);

} // namespace vorlix

#include "platform/Guarded.inl"
