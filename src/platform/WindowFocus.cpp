#include "platform/WindowFocus.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

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

class TransientParent : public QObject
{
public:
    explicit TransientParent(QWidget *mainWindow) : QObject(mainWindow), m_main(mainWindow)
    {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The show event comes before the window reaches the screen: in
        // time for the compositor to learn its parent.
        if (event->type() != QEvent::Show || !watched->isWidgetType() || !m_main)
            return false;
        auto *w = static_cast<QWidget *>(watched);
        if (!w->isWindow() || w == m_main)
            return false;
        switch (w->windowType()) {
        case Qt::Dialog:
        case Qt::Sheet:
        case Qt::Tool:
            break;
        default:
            return false; // menus and tips pop out of their own parent; a plain window stands alone
        }
        QWindow *handle = w->windowHandle();
        QWindow *main = m_main->windowHandle();
        if (handle && main && handle != main && !handle->transientParent())
            handle->setTransientParent(main);
        return false;
    }

private:
    QPointer<QWidget> m_main;
};

} // namespace

void keepDialogsWith(QWidget *mainWindow)
{
    new TransientParent(mainWindow); // owned by the main window
}

void returnKeyboardAfterDialogs(QWidget *mainWindow)
{
    new KeyboardReturn(mainWindow); // owned by the main window
}

} // namespace vorlix
