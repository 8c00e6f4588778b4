#pragma once
// The size-mismatch dialog: the opened picture as loaded beside the same
// picture resized to the size the selected element needs. "Resize" hands the
// resized picture to the import; any other way out cancels it.
#include <QDialog>
#include <QGroupBox>
#include <QPointer>

#include <optional>

class QButtonGroup;
class QLabel;
class QRadioButton;

namespace vorlix {

class TOImage;
class TSpeedButton;

// A captioned group of radio buttons, one chosen at a time.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT
public:
    // The font comes before the texts: a caption set in the parent's font
    // would have that font loaded just to measure it.
    TRadioGroup(const QString &caption, const QStringList &items, const QFont &font,
                QWidget *parent = nullptr);
    // The chosen item, -1 for none.
    int ItemIndex() const;
    // Chooses an item (-1: none) without firing OnClick.
    void setItemIndex(int index);
    QRadioButton *item(int index) const;
    int count() const;

signals:
    // The user chose another item.
    void OnClick();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QButtonGroup *m_group = nullptr;
    int m_lastIndex = -1;
};

class TImagesRes : public QDialog
{
    Q_OBJECT
public:
    explicit TImagesRes(QWidget *parent = nullptr);
    ~TImagesRes() override;

    QLabel *StaticText1 = nullptr;  // "Image Have"
    QLabel *StaticText2 = nullptr;  // "Image Must Have"
    QLabel *StaticText3 = nullptr;  // "Width :" / "Height :" captions
    QLabel *StaticText4 = nullptr;
    QLabel *StaticText5 = nullptr;
    QLabel *StaticText6 = nullptr;
    QLabel *StaticText7 = nullptr;  // width of the picture as loaded
    QLabel *StaticText8 = nullptr;  // its height
    QLabel *StaticText9 = nullptr;  // required width
    QLabel *StaticText10 = nullptr; // required height
    TRadioGroup *ResizeType = nullptr; // 0 sharp, 1 smooth
    QWidget *Shape1 = nullptr;         // grey frame behind the views
    // The picture as loaded and its resized copy. Released (deleted, and
    // null here) when the dialog closes; a dialog without them shows nothing.
    QPointer<TOImage> OImage1;
    QPointer<TOImage> OImage2;
    TSpeedButton *btResize = nullptr;

    // Handlers; failures are shown in the error box.
    void FormShow();        // loads ImportFileName and shows the sharp resize
    void ResizeTypeClick(); // redoes the resize from the picture as loaded
    void btResizeClick();   // ImportPicture := the resized picture, SizeMismatch := 0, close
    void FormClose();       // releases the views

    void done(int result) override;

    // The picture just read from ImportFileName, so that the next FormShow
    // need not read the file a second time on the window's thread (a large
    // one takes seconds and has no Cancel there). Used once.
    void setPictureAsRead(const QImage &picture) { m_pictureAsRead = picture; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildLayout();
    // Resize offered only while a picture of the required size is shown.
    void updateResizeEnabled();
    bool requiredSizeUsable() const;

    std::optional<QImage> m_pictureAsRead;
};

// The dialog to show for the next size mismatch: the one built at start-up,
// then each newly built one in turn.
extern TImagesRes *ImagesRes;

} // namespace vorlix
