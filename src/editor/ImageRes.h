#pragma once
#include <QDialog>

namespace vorlix {

// The size-mismatch dialog, shown when an opened picture has the wrong size.
class TImagesRes : public QDialog
{
    Q_OBJECT
public:
    explicit TImagesRes(QWidget *parent = nullptr);
};

extern TImagesRes *ImagesRes;

} // namespace vorlix
