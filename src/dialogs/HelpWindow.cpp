#include "dialogs/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vorlix {

THelpWindow::THelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Vorlix Help"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpText"));
    // Web addresses go to the browser; the manual's own anchors stay here.
    m_browser->setOpenExternalLinks(true);
    m_browser->setHtml(manualHtml());
    layout->addWidget(m_browser);
    resize(640, 560);
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

QString THelpWindow::manualHtml()
{
    QFile file(QStringLiteral(":/help/manual.html"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<p>The manual is missing from this build.</p>");
    return QString::fromUtf8(file.readAll());
}

QString THelpWindow::installedManual()
{
    // Relative to the program, so a package, a DESTDIR install and a moved
    // prefix all find their own copy.
    const QString path = QDir(QCoreApplication::applicationDirPath())
                             .absoluteFilePath(QStringLiteral(VORLIX_MANUAL_FROM_BIN));
    return QFileInfo(path).isFile() ? QDir::cleanPath(path) : QString();
}

} // namespace vorlix
