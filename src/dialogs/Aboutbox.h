#pragma once
#include <QDialog>

namespace vorlix {

// The about box: borderless, white, always on top.
class TAboutbox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutbox(QWidget *parent = nullptr);
};

extern TAboutbox *Aboutbox;

} // namespace vorlix
