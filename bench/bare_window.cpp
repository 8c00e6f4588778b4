// The bare window of the start-up benchmark: a frameless 640 x 480 Qt window
// and nothing else, linked against Qt alone, as a user's other programs are.
// Prints "painted" once its first paint has been flushed.
//
// Built a second time with BARE_WINDOW_TEXT, it also draws one line of text
// in the editor's font (the same file, registered the same way): what any
// Qt program pays for its first text, seen apart from the editor's own work.
#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QPainter>
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
#ifdef BARE_WINDOW_TEXT
        QPainter painter(this);
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(11);
        painter.setFont(font);
        painter.drawText(8, 20, QStringLiteral("One line of text in the editor's font"));
#endif
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
#ifdef BARE_WINDOW_TEXT
    const QString file = QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf");
    if (QFile::exists(file))
        QFontDatabase::addApplicationFont(file);
#endif
    Window window;
    window.show();
    return app.exec();
}
