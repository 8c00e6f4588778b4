#pragma once
#include <QApplication>
#include <memory>

namespace vorlix {

class TMainForm;
class TAboutbox;
class TImagesRes;
class TSelDirect;

// Shows a failure that escapes an event handler in the error box and goes
// on with the next event, instead of ending the program.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// The four windows of the program, created once at start-up.
struct AppWindows
{
    std::unique_ptr<TMainForm> mainForm;
    std::unique_ptr<TAboutbox> aboutbox;
    std::unique_ptr<TImagesRes> imagesRes;
    std::unique_ptr<TSelDirect> selDirect;

    AppWindows();
    AppWindows(AppWindows &&) noexcept;
    AppWindows &operator=(AppWindows &&other) noexcept;
    ~AppWindows(); // destroys the dialogs, then the main window

private:
    void destroy();
};

// Application-wide set-up that comes before any window: title, fonts, style,
// icon. Safe to call more than once.
void initApplication(QApplication &app);

// Creates the main window (hidden, with FormCreate run), then the about box,
// the size dialog and the directories dialog, hidden, and sets
// FirstResizeDialog.
AppWindows createWindows();

// The same in two steps, as the program starts: the main window without its
// sheets, and then, once its first frame is on the screen, the sheets
// (FormCreate) and the three dialogs, so that making them doesn't delay it.
// The sheets come sooner should the user act before that frame. Call
// createDialogsAfterFirstFrame (or finishCreate) after createMainWindow;
// `windows` must outlive the main window. Every use of a dialog copes with
// its not being there yet.
AppWindows createMainWindow();
void createDialogsAfterFirstFrame(AppWindows &windows);

// Shows the main window centred on its screen.
void showCentred(QWidget *window);

// The whole program: start-up, event loop, shut-down. Returns the exit code.
int runProgram(int argc, char **argv);

} // namespace vorlix
