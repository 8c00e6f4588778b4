#include "platform/WindowFocus.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace vorlix {

namespace {

class KeyboardReturn : public QObject
{
public:
    explicit KeyboardReturn(QWidget *mainWindow) : QObject(mainWindow), m_main(mainWindow)
    {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && watched->isWidgetType()) {
            auto *w = static_cast<QWidget *>(watched);
            const Qt::WindowType type = w->windowType();
            // Menus and tips never took the keyboard.
            if (w->isWindow() && w != m_main && type != Qt::Popup && type != Qt::ToolTip)
                QTimer::singleShot(0, this, [this] { giveBack(); }); // once the hide has settled
        }
        return false;
    }

private:
    void giveBack()
    {
        if (!m_main || !m_main->isVisible() || m_main->isMinimized())
            return;
        const QWidget *active = QApplication::activeWindow();
        if (active && active->isVisible())
            return; // someone has the keyboard
        QWidget *target = QApplication::activeModalWidget();
        if (!target || !target->isVisible())
            target = m_main;
        target->activateWindow();
    }

    QPointer<QWidget> m_main;
};

} // namespace

void returnKeyboardAfterDialogs(QWidget *mainWindow)
{
    new KeyboardReturn(mainWindow); // owned by the main window
}

} // namespace vorlix
