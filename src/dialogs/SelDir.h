#pragma once
#include <QDialog>
#include <QLineEdit>
#include <QString>

class QLabel;
class QPushButton;
class QToolButton;

namespace vorlix {

// A one-line text box with a browse button at its right end. The text is
// free: nothing checks it. The button opens the folder browser.
class TDirectoryEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget *parent = nullptr);

    QToolButton *button() const { return m_button; }
    // Asks for a folder, starting from the box's text (see the .cpp); a
    // confirmed choice becomes the text and is remembered for this box.
    void browse();
    // Removes one trailing "/" from a chosen path, unless it is the root.
    static QString withoutTrailingSeparator(const QString &path);

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    QToolButton *m_button = nullptr;
    QString m_lastChosen; // during this run
};

// The directories dialog: output and temp directory, no OK or Cancel.
// Whatever the boxes hold when it closes is taken.
class TSelDirect : public QDialog
{
    Q_OBJECT
public:
    explicit TSelDirect(QWidget *parent = nullptr);
    ~TSelDirect() override;

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    TDirectoryEdit *DirectoryEdit1 = nullptr; // output directory
    TDirectoryEdit *DirectoryEdit2 = nullptr; // temp directory
    // Says at once when a box names a folder that is missing or can't be
    // written; Create makes a missing one.
    QLabel *FolderNote = nullptr;
    QPushButton *CreateFolder = nullptr;
    void checkFolders();

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void FormShow();
    void FormClose();
};

extern TSelDirect *SelDirect;

// Carry the two directories between the main window and the dialog while it
// is open; meaningless at any other time.
extern QString OutputDirectory;
extern QString TempDirectory;

} // namespace vorlix
