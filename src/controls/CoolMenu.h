#pragma once
// Popup menus in the program's own dark look.
#include <QMenu>

namespace vorlix {

// A popup menu drawn black with orange Tahoma captions, a grey highlight and
// engraved two-line separators; optionally with a side bar down its left
// edge: a black-to-blue gradient carrying a vertical caption near its foot.
// Submenus made with addCoolMenu() share the look.
class TCoolMenu : public QMenu
{
    Q_OBJECT
public:
    explicit TCoolMenu(QWidget *parent = nullptr);

    // Adds a submenu in the same look and returns it.
    TCoolMenu *addCoolMenu(const QString &title);

    // Gives the menu its side bar; an empty caption removes it.
    void setSideBar(const QString &caption);
    QString sideBarCaption() const { return m_sideBarCaption; }
    // The side bar's gradient, in menu coordinates; empty without a bar.
    QRect sideBarRect() const;

    // What an item shows: its caption and, after a tab, its shortcut.
    QString itemText(QAction *item) const;

protected:
    void paintEvent(QPaintEvent *e) override;
    void actionEvent(QActionEvent *e) override;

private:
    QString m_sideBarCaption;
};

} // namespace vorlix
