#pragma once
// Help -> Contents: the program's manual in a window of its own. The text is
// built into the program, the same page that is installed with its
// documentation.
#include <QString>
#include <QWidget>

class QTextBrowser;

namespace vorlix {

class THelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit THelpWindow(QWidget *parent = nullptr);
    QTextBrowser *browser() const { return m_browser; }

    // The manual's HTML as built into the program.
    static QString manualHtml();
    // Where an installed copy of the manual lies, next to the program's
    // documentation; empty when there is none.
    static QString installedManual();

private:
    QTextBrowser *m_browser = nullptr;
};

} // namespace vorlix
