#pragma once
#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QWidget>
#include <QFrame>

#include "controls/Controls.h"
#include "controls/DragOutline.h"
#include "controls/SelTree.h"
#include "editor/History.h"
#include "skin/WindowCompose.h"
#include "view/OImage.h"
#include "platform/DisplayServer.h"

#include <memory>

namespace vorlix {

class TImagesRes;
class TSkinPreview;
class THelpWindow;
struct SkinFileSet;

// The main window: a borderless 640 x 480 face with every control of the
// editor at a fixed place.
class TMainForm : public QWidget
{
    Q_OBJECT
public:
    // The skin's sheets and the element table (FormCreate) can wait until
    // the first frame is on the screen, which shows neither: the program
    // starts that way and calls finishCreate right after the frame, or
    // before it should the user act first.
    enum class Sheets { Now, AfterFirstFrame };
    explicit TMainForm(QWidget *parent = nullptr, Sheets sheets = Sheets::Now);
    ~TMainForm() override;
    // Runs FormCreate once; later calls do nothing.
    void finishCreate();
    // Begins decoding the window's built-in pictures on a worker thread;
    // for a start-up that has other work before it builds the window.
    static void prefetchPictures();

    // Fills the element table; the last step of FormCreate.
    void Start();

    // Element view: show the selected element, one state at a time.
    void SelTreeChange();
    void RefreshSelectImg();
    // Recomposes the miniature (and the group views) from the current sheets
    // after an import, an apply or opening a skin.
    void RefreshMiniature();
    void StateChangerChange();
    void ScrollZoomChange();
    void selectimgMouseMove(Qt::MouseButtons shift, int x, int y);
    // While edits wait to be applied, hovering only points: a click chooses.
    void selectimgClick();
    int m_hoverCandidate = -1;
    // Absolute index of the selected tree node, -1 when none.
    int selectedIndex() const;

    // Applying the view's edits to the skin, and writing the skin.
    void ApplyBtnClick();
    bool SelTreeChanging();
    void Button2Click();

    // ---- The view as a pixel artist works it (MainForm_View.cpp): zoom keys
    // and wheel, the pixel grid, the pointer's readout, the state shown.
    void ZoomIn1Click();
    void ZoomOut1Click();
    void ActualSize1Click();
    void PixelGrid1Click();
    void DesktopImgZoomWheel(int steps, QPoint client);
    void DesktopImgPointerMove(QPoint client);
    void DesktopImgPointerLeave();
    // What the status line shows for a pointer at this view point; empty
    // off the picture.
    QString pointerReadout(QPoint client) const;
    QLabel *ZoomLevel = nullptr;   // "800 %", beside the zoom bar
    QLabel *PointerNote = nullptr; // the readout, in the version line's place
    // Recent skins (Vorlix -> Open Recent), newest first, at most ten.
    QStringList recentSkins() const { return m_recentSkins; }
    void rememberRecentSkin(const QString &path);
    // Opens a skin or imports a picture dropped on the window.
    bool openDropped(const QString &path);
    void SaveImage1Click();
    void WriteBitmapFile(const QString &path, QImage &bitmap);

    // Importing a picture into the selected element (MainForm_Import.cpp).
    void OpenImage1Click();
    // The import after the file dialog: also what a picture dropped on the
    // window does.
    void importPictureFile(const QString &fileName);

    // ---- Editing in the view: modes, selection, clipboard, undo, colour
    // swatches (MainForm_Edit.cpp).
    // Edit -> Undo and Redo: one step of the skin's history back or forward.
    void Undo1Click();
    void Redo1Click();
    // The history of changes to the skin; a new skin starts a new one.
    const EditHistory &history() const { return m_history; }
    // The element view's picture only: what the history saves and restores.
    ViewShown viewShown() const;
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void Delete1Click();
    void SelectAll1Click();
    void Deselect1Click();
    void PanBtnClick();
    void SelectBtnClick();
    void DesktopImgMouseDown();
    void DesktopImgRubberband();
    void DesktopImgPaint();
    void pbForeDblClick();
    void pbBackDblClick();
    void exchClrClick();
    // The drawing tools: a click on a tool button or its key (P, L, R, F,
    // I) chooses the tool; on a group or an element without a picture the
    // button is released and nothing is drawn.
    void DrawToolClick(TSpeedButton *button);
    void DesktopImgStroke();
    void DesktopImgColorPicked(TOImage::TMouseButton button, const QColor &color);
    // fxLab -> Grayscale: the selection (with Select Mode on) or the whole
    // picture becomes grey, one undo step.
    void Grayscale1Click();
    // Image -> Capture Image...: the window steps aside, the user drags a
    // rectangle on the screen, and its picture is pasted into the view.
    void CaptureImage1Click();
    // Help -> Contents: the manual in a window of its own.
    void Contents1Click();
    // The tool buttons with the mouse mode each stands for.
    QList<QPair<TSpeedButton *, TOImage::TMouseMode>> drawTools() const;
    // The keys that choose the tools, one action each.
    QList<QAction *> ToolKeys;
    // Connects the tool buttons, the view and the swatches to the handlers
    // above, and gives the keyboard back to the window whenever a dialog or
    // message box closes; run once while the window is built.
    void setupEditing();
private:
    // The name of the skin's file a sheet comes from ("volume.png"), else
    // the sheet's usual file name.
    QString skinFileName(SheetKind kind) const;
    // Shows or hides SheetNote for the element in the view.
    void updateSheetNote();
    void setupView();
    void updateZoomLevel();
    void updateStateText();
    void updateStatusLine();
    void setZoomStep(int step);
    void rebuildRecentMenu();
    void readViewSettings();
    void writeViewSettings();
    QStringList m_recentSkins;
    bool m_pointerOverView = false;
    // True while no node is selected, or the selected node is a group or
    // has no place in a sheet: nothing there can be edited.
    bool noElementSelected() const;
    // Enables the Edit menu's commands where they can act.
    void updateEditCommands();
    // Puts SelectionRect in order and limits it to DesktopImg's picture; a
    // selection lying wholly right of or below the picture becomes empty.
    void limitSelectionToPicture();
    void DrawMarquee();
    void chooseSwatchColor(TPaintBox *box);
    // The colour dialog; an invalid colour when cancelled or when the dialog
    // failed (then a box has said so).
    QColor askColor(const QColor &initial);
    // The colours an element stands for (MainForm_Colours.cpp): which ones,
    // in the order the view shows them, their swatches and the note.
    QList<int> colourSlots(int colours) const;
    QRgb slotColour(int colours, int slot) const;
    QImage colourSwatches(int colours) const;
    QString colourNote(int colours) const;
    QString skinFont() const;
    // What a group's view shows: the outlined miniature for the main
    // window's groups, the composed window for the others'.
    QImage groupPicture(int index) const;
    PlaylistLook playlistLook() const;
    VisPalette visPalette() const;
    // Redraws the skin preview, when it is open, from the sheets and colours.
    void refreshSkinPreview();
    void showSelectionInPreview();
    TSkinPreview *m_preview = nullptr;
    THelpWindow *m_help = nullptr;
    // Puts a picture into the view from its top-left corner, as Paste does.
    void pasteIntoView(const QImage &pasted);
public:
    void DesktopImgDoubleClick(int x, int y);
    void PlaylistFontEdited();
    void SkinPreview1Click();
    // ---- end of editing

    // ---- Directories and persisted settings (MainForm_Settings.cpp).
    void SetTempDirectory1Click();
    void SetOutputDirectory1Click();
    // Persisted settings: read when the window is shown, written at the close
    // request and, if that did not complete, while the window is destroyed.
    void restoreSettings();
    void saveSettingsAtClose();
    void saveSettingsAtDestroy();

private:
    // Both Options commands: edits both directories in the dialog.
    void exchangeDirectories();
    // Writes the fourteen values; "Visible" tells the close request ("0")
    // from the destruction ("1").
    void saveSettings(bool visible);
    bool m_settingsRestored = false; // a save is allowed only after a restore
    bool m_created = false;          // FormCreate has run
    bool m_settingsSaved = false;    // since the last restore
    QString m_settingsFailure;       // told at close, so not told again
    // A colour as restored, so that a system colour number (which has no
    // RGB value of its own) is written back as it was read.
    struct RestoredColor
    {
        bool set = false;
        qint32 number = 0;
        QColor color;
    };
    RestoredColor m_restoredColors[3];

public:
    // ---- end of settings

    // ---- Whole skins: folders and archives (MainForm_Skin.cpp).
    void OpenSkin1Click();
    void SaveSkin1Click();
    void OpenZIPSkin1Click();
    void SaveZIPSkin1Click();
    // Asked before the window closes by any way; false keeps it open.
    bool canClose();
    // Opens a skin folder or archive (the menu items and the command line):
    // pending edits are asked about first; the sheets change only once the
    // whole skin is read. False when the user cancelled (the question or
    // the read).
    bool openSkin(const QString &path);
    // "Save BMP" into the output folder; false when cancelled.
    bool saveBmpToOutput();
    // The sheets as they are now count as saved: closing asks nothing.
    void markSkinSaved();
    // True when the sheets differ from the last open or save, or the view
    // holds edits not yet applied.
    bool skinHasUnsavedChanges() const;
    // Where the skin was opened from or last saved to as a whole; empty for
    // the built-in skin.
    QString skinPath() const;

private:
    struct SkinState;
    std::shared_ptr<SkinState> m_skin;
    SkinState &skin();
    // A note for a few seconds over the version line, e.g. "Saved 18 files
    // to ~/skins/Chrome"; no box to close, nothing of the layout moves.
    void showSaveNote(int files, const QString &where);
    // The window's title: the skin's name ("Untitled" for the built-in
    // one), marked while it has unsaved changes, then " - Vorlix".
    void updateWindowTitle();
    QTimer *m_saveNoteTimer = nullptr;
    // The files a save of the skin writes now, and what follows their writing.
    SkinFileSet skinFilesNow();
    void markSkinFilesWritten(const SkinFileSet &written);
    // The colour files' bytes as a save writes them; empty for a file the
    // skin lacks and the user left alone.
    QByteArray visColorBytes() const;
    QByteArray plEditBytes() const;
    void markColourFilesSaved();
    bool saveSkinToFolder(const QString &dir);
    bool saveSkinToArchive(const QString &path);
    bool guardPendingEdits();
    bool askToSaveChanges(const QString &question);
    bool mayReplaceSkin();
    bool loadSkin(const QString &path);

public:
    // ---- end of whole skins

    // ---- Window shape and moving the window by its body (MainForm_Shape.cpp).
    void setupShape();
    void removeShape();
    // Whether a left-button press at this client point may start a drag: the
    // topmost visible control there, disabled ones included, is the
    // background.
    bool pressStartsDrag(const QPoint &clientPos) const;
    // How a drag moves the window: with our own outline, or by the system's
    // own move where a program can't place its windows (Wayland), where the
    // outline can't be shown (Xwayland draws it as an opaque slab) and where
    // a compositing manager shows live moves.
    enum class DragPath { Outline, SystemMove };
    static DragPath dragPathFor(const DisplayServer &display);
    DragPath dragPath() const;
    void setDragPath(DragPath path);
    // True from a press that starts a drag until its release or cancel.
    bool isDraggingBody() const;
    // The outline window that follows the pointer during a drag.
    const TDragOutline *dragOutline() const;
private:
    class TBodyDrag *m_bodyDrag = nullptr; // a child: dies with the window
public:
    // ---- end of shape

    // ---- Menus, web links and the about box (MainForm_Menus.cpp).
    void btImageClick();
    void btEditClick();
    void btfxLabClick();
    void btvorlixClick();
    void btoptionsClick();
    void bthelpClick();
    void Exit1Click();
    void About1Click();
    void WinAmp1Click();
    void HomepageVorlix1Click();
    // ---- end of menus

    // Controls, named as on the window.
    TfcImageForm *fcImageForm1 = nullptr;
    TSpeedButton *closebut = nullptr;
    TSpeedButton *minimizebut = nullptr;
    TImage *statusimg = nullptr;
    QLabel *Label1 = nullptr;
    TSpeedButton *btImage = nullptr;
    TSpeedButton *btEdit = nullptr;
    TSpeedButton *btfxLab = nullptr;
    TSpeedButton *btvorlix = nullptr;
    TSpeedButton *bthelp = nullptr;
    TSpeedButton *btoptions = nullptr;
    QLabel *TempDir = nullptr;
    QLabel *OutputDir = nullptr;
    QLabel *VerInfo = nullptr;
    QLabel *S = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    TSpeedButton *PanBtn = nullptr;
    TSpeedButton *SelectBtn = nullptr;
    TSpeedButton *PencilBtn = nullptr;
    TSpeedButton *LineBtn = nullptr;
    TSpeedButton *RectBtn = nullptr;
    TSpeedButton *FillBtn = nullptr;
    TSpeedButton *PickerBtn = nullptr;
    TSpeedButton *ApplyBtn = nullptr;
    TPaintBox *pbFore = nullptr;
    TPaintBox *pbBack = nullptr;
    TSpeedButton *exchClr = nullptr;
    QLabel *State1 = nullptr;
    QLabel *State2 = nullptr;
    QLabel *State3 = nullptr;
    QLabel *Label4 = nullptr;
    // Says when the shown element's sheet is not the skin's own file as
    // players know it (another size, missing, drawn from another sheet).
    QLabel *SheetNote = nullptr;
    QLineEdit *PlaylistFont = nullptr;
    // Says for a few seconds what a save wrote and where.
    QLabel *SaveNote = nullptr;
    TRxSlider *StateChanger = nullptr;
    QFrame *Panel1 = nullptr;
    TImage *selectimg = nullptr;
    TSelTree *SelTree = nullptr;
    TOImage *DesktopImg = nullptr;
    QPushButton *Button2 = nullptr;
    QScrollBar *ScrollZoom = nullptr;

    QMenu *pmImage = nullptr;
    QAction *OpenImage1 = nullptr;
    QAction *ScanImage1 = nullptr;
    QAction *CaptureImage1 = nullptr;
    QAction *SaveImage1 = nullptr;
    QAction *ZoomIn1 = nullptr;
    QAction *ZoomOut1 = nullptr;
    QAction *ActualSize1 = nullptr;
    QAction *PixelGrid1 = nullptr;
    QAction *Exit1 = nullptr;

    QMenu *pmEdit = nullptr;
    QAction *Undo1 = nullptr;
    QAction *Redo1 = nullptr;
    QAction *Cut1 = nullptr;
    QAction *Copy1 = nullptr;
    QAction *Paste1 = nullptr;
    QAction *Delete1 = nullptr;
    QAction *SelectAll1 = nullptr;
    QAction *Deselect1 = nullptr;

    QMenu *pmfxLab = nullptr;
    QAction *Grayscale1 = nullptr;
    QAction *Fire1 = nullptr;
    QAction *tobeContinued1 = nullptr;

    QMenu *pmVorlix = nullptr;
    QAction *OpenSkin1 = nullptr;
    QMenu *OpenRecent1 = nullptr;
    QAction *SaveSkin1 = nullptr;
    QAction *OpenZIPSkin1 = nullptr;
    QAction *SaveZIPSkin1 = nullptr;
    QAction *SkinPreview1 = nullptr;
    QAction *Vorlix1 = nullptr;

    QMenu *pmOptions = nullptr;
    QAction *SetTempDirectory1 = nullptr;
    QAction *SetOutputDirectory1 = nullptr;

    QMenu *pmHelp = nullptr;
    QAction *Contents1 = nullptr;
    QMenu *Internetlinks1 = nullptr;
    QAction *HomepageVorlix1 = nullptr;
    QAction *WinAmp1 = nullptr;
    QAction *About1 = nullptr;

protected:
    void changeEvent(QEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Asks "Apply Changes ?"; false when the user cancels.
    bool ApplyChanges();
    void writeViewIntoSheet();
    void buildLayout();
    void buildMenus();
    QPoint menuPoint(const QWidget *button) const;
    void ShowElementState();
    void FormCreate();
    void FormDestroy();
    void closebutClick();
    void minimizebutClick();
    void statusimgClick();

    // ---- The history (MainForm_History.cpp). A change to the skin or the
    // view's picture is made between beginStep and endStep; nested pairs
    // make one step, named by the outermost ("Import", "Pencil").
    void beginStep(const QString &action, const QImage *viewBefore = nullptr);
    void endStep();
    struct StepScope
    {
        TMainForm *form;
        StepScope(TMainForm *f, const QString &action) : form(f) { form->beginStep(action); }
        ~StepScope()
        {
            try {
                form->endStep();
            } catch (...) {
                // A step that can't be recorded leaves the change made, as
                // before there was a history.
            }
        }
        StepScope(const StepScope &) = delete;
        StepScope &operator=(const StepScope &) = delete;
    };
    SkinColours skinColours();
    // The view is about to show something no step leads to.
    void viewLeaving();
    // Shows what undo or redo restored: the element, its state, the picture
    // and whether it holds edits, with the miniature and the preview.
    void showRestored(const ViewShown &view, bool reRead);
    void updateHistoryCommands();
    void startNewHistory();
    void settleTree();
    // One step of the history back (Undo) or forward (Redo).
    void stepHistory(bool forward);
    void DesktopImgStrokeEnd();
    EditHistory m_history;
    // The element and state whose picture the view holds; the tree may
    // already point elsewhere while its change settles.
    int m_shownElement = -1;
    int m_shownState = 0;
    bool m_restoringView = false;

    QImage m_miniature; // the preview composed from the current sheets, without outline
    // The size dialog built for the latest mismatch after the first.
    std::unique_ptr<TImagesRes> m_laterResizeDialog;
};

extern TMainForm *MainForm;

} // namespace vorlix
