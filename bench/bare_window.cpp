// The bare window of the start-up benchmark: a frameless 640 x 480 Qt window
// and nothing else, linked against Qt alone, as a user's other programs are.
// Prints "painted" once its first paint has been flushed.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class Window : public QWidget
{
public:
    Window() : QWidget(nullptr, Qt::FramelessWindowHint) { resize(640, 480); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (m_seen)
            return;
        m_seen = true;
        QTimer::singleShot(0, [] {
            std::printf("painted\n");
            std::fflush(stdout);
        });
    }

private:
    bool m_seen = false;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Window window;
    window.show();
    return app.exec();
}
