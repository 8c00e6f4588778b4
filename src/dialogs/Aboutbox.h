#pragma once
#include <QDialog>

class QLabel;

namespace vorlix {

class TImage;

// The about box: borderless, white, always on top, shown modally and
// centred on the screen. A click on its background or on either large
// picture closes it; it is hidden, not destroyed, and can be shown again.
class TAboutbox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutbox(QWidget *parent = nullptr);

    void FormClick();
    void Image1Click();
    void Image2Click();

    TImage *Image1 = nullptr; // the logo
    TImage *Image2 = nullptr; // the banner
    QLabel *Label1 = nullptr; // the player's trademark notice
    TImage *Image3 = nullptr; // the small logo of the main window
    QLabel *Label2 = nullptr; // our own notice, reading on from Image3

protected:
    void paintEvent(QPaintEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    bool m_pressed = false;
};

extern TAboutbox *Aboutbox;

} // namespace vorlix
