#pragma once
#include <QDialog>

namespace vorlix {

// The directories dialog: output and temp directory.
class TSelDirect : public QDialog
{
    Q_OBJECT
public:
    explicit TSelDirect(QWidget *parent = nullptr);
};

extern TSelDirect *SelDirect;

} // namespace vorlix
