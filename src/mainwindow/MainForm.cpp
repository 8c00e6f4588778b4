#include "mainwindow/MainForm.h"
#include "mainwindow/SkinState.h"

#include <QCloseEvent>
#include <QShowEvent>

#include "dialogs/ImageRes.h"
#include "platform/DesktopServices.h"
#include "platform/Errors.h"
#include "platform/Fonts.h"
#include "skin/GlobalVar.h"

#include <QDir>
#include <QEvent>
#include <QHeaderView>

namespace vorlix {

namespace {

// Calls back whenever the watched widget is enabled or disabled.
class EnabledWatcher : public QObject
{
public:
    EnabledWatcher(QObject *parent, std::function<void()> changed) : QObject(parent), m_changed(std::move(changed)) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange)
            m_changed();
        return false;
    }

private:
    std::function<void()> m_changed;
};

} // namespace

TMainForm *MainForm = nullptr;

namespace {

const QColor kOrange(255, 158, 62);

QImage picture(const char *name, QImage::Format format = QImage::Format_BGR888)
{
    // A missing picture leaves its control blank rather than stopping start-up.
    try {
        return readBuiltInPicture(QString::fromLatin1(name), format);
    } catch (const VorlixError &) {
        return {};
    }
}

QLabel *makeLabel(QWidget *parent, const char *name, int x, int y, const QString &text,
                  const QFont &font, const QColor &color = QColor())
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setFont(font);
    l->setContentsMargins(0, 0, 0, 0);
    l->setAttribute(Qt::WA_TranslucentBackground);
    if (color.isValid()) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, color);
        l->setPalette(pal);
    }
    l->move(x, y);
    l->adjustSize();
    return l;
}

TSpeedButton *makeTextButton(QWidget *parent, const char *name, int x, int y, int w, int h,
                             const QString &caption, const QFont &font, const QColor &color)
{
    auto *b = new TSpeedButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setFont(font);
    b->setTextColor(color);
    b->setGeometry(x, y, w, h);
    return b;
}

TSpeedButton *makeGlyphButton(QWidget *parent, const char *name, int x, int y, int w, int h,
                              const char *glyph, int numGlyphs)
{
    auto *b = new TSpeedButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGlyph(picture(glyph), numGlyphs);
    b->setGeometry(x, y, w, h);
    return b;
}

} // namespace

void TMainForm::prefetchPictures()
{
    // The pictures of the first frame, as buildLayout asks for them.
    prefetchBuiltInPictures({{QStringLiteral("BACKGROUND"), QImage::Format_Indexed8},
                             {QStringLiteral("WINAMPMINI"), QImage::Format_BGR888},
                             {QStringLiteral("CLOSEBUT"), QImage::Format_BGR888},
                             {QStringLiteral("MINIMIZEBUT"), QImage::Format_BGR888},
                             {QStringLiteral("STATUSLOGO"), QImage::Format_BGR888},
                             {QStringLiteral("PANBTN"), QImage::Format_BGR888},
                             {QStringLiteral("SELECTBTN"), QImage::Format_BGR888},
                             {QStringLiteral("PENCILBTN"), QImage::Format_BGR888},
                             {QStringLiteral("LINEBTN"), QImage::Format_BGR888},
                             {QStringLiteral("RECTBTN"), QImage::Format_BGR888},
                             {QStringLiteral("FILLBTN"), QImage::Format_BGR888},
                             {QStringLiteral("PICKERBTN"), QImage::Format_BGR888},
                             {QStringLiteral("EXCHCLR"), QImage::Format_BGR888}});
}

TMainForm::TMainForm(QWidget *parent, Sheets sheets) : QWidget(parent)
{
    MainForm = this;
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Untitled[*] - Vorlix")); // the built-in skin until another opens
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(640, 480);
    setFont(defaultFont());
    m_skin = std::make_shared<SkinState>(); // the built-in skin until another opens
    buildLayout();
    buildMenus();
    setupEditing();
    setupView();
    guarded([this] { setupShape(); });
    if (sheets == Sheets::Now)
        finishCreate();
}

void TMainForm::finishCreate()
{
    if (m_created)
        return;
    m_created = true;
    guarded([this] { FormCreate(); });
}

TMainForm::~TMainForm()
{
    // The playlist font's box reports its edit when it loses the focus,
    // which it does while the window's children are destroyed, after the
    // skin state it writes into is gone.
    if (PlaylistFont)
        PlaylistFont->disconnect(this);
    guarded([this] { saveSettingsAtDestroy(); });
    guarded([this] { removeShape(); });
    FormDestroy();
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::buildLayout()
{
    const QFont menuFont = tahomaFont(11, true);
    const QColor windowText = palette().color(QPalette::WindowText);

    // Drawn controls, bottom to top.
    fcImageForm1 = new TfcImageForm(this);
    fcImageForm1->setObjectName(QStringLiteral("fcImageForm1"));
    fcImageForm1->setGeometry(0, 0, 640, 480);
    fcImageForm1->setPicture(picture("BACKGROUND", QImage::Format_Indexed8));

    closebut = makeGlyphButton(this, "closebut", 615, 8, 18, 18, "CLOSEBUT", 4);
    closebut->setToolTip(QStringLiteral("Close program"));
    minimizebut = makeGlyphButton(this, "minimizebut", 598, 8, 18, 18, "MINIMIZEBUT", 4);

    statusimg = new TImage(this);
    statusimg->setObjectName(QStringLiteral("statusimg"));
    statusimg->setGeometry(597, 27, 38, 19);
    statusimg->setPicture(picture("STATUSLOGO"));
    statusimg->setCursor(Qt::PointingHandCursor);

    Label1 = makeLabel(this, "Label1", 152, 243, QStringLiteral("Label1"), font());

    btImage = makeTextButton(this, "btImage", 4, 28, 57, 17, QStringLiteral("Image"), menuFont, kOrange);
    btEdit = makeTextButton(this, "btEdit", 60, 28, 57, 17, QStringLiteral("Edit"), menuFont, kOrange);
    btfxLab = makeTextButton(this, "btfxLab", 116, 28, 57, 17, QStringLiteral("fxLab"), menuFont, kOrange);
    btvorlix = makeTextButton(this, "btvorlix", 172, 28, 57, 17, QStringLiteral("Vorlix"), menuFont, kOrange);
    bthelp = makeTextButton(this, "bthelp", 284, 28, 57, 17, QStringLiteral("Help"), menuFont, kOrange);
    btoptions = makeTextButton(this, "btoptions", 228, 28, 57, 17, QStringLiteral("Options"), menuFont, kOrange);

    // Both directories start at the user's home: there is no drive "C:" here.
    // The folders keep their width up to the next icon and the window's edge.
    const auto makePath = [this](const char *name, int x, int width) {
        auto *l = new TPathLabel(QDir::homePath(), this);
        l->setObjectName(QLatin1String(name));
        l->setFont(font());
        l->setContentsMargins(0, 0, 0, 0);
        l->setAttribute(Qt::WA_TranslucentBackground);
        l->move(x, 456);
        l->adjustSize();
        l->setFixedWidth(width);
        return l;
    };
    TempDir = makePath("TempDir", 216, 240);
    OutputDir = makePath("OutputDir", 472, 158);
    VerInfo = makeLabel(this, "VerInfo", 208, 440, QStringLiteral("ver : 0.0.2 alpha"), font());
    // Takes the version line's place while it shows.
    SaveNote = makeLabel(this, "SaveNote", 208, 440, QString(), font());
    SaveNote->setGeometry(208, 440, 420, 14);
    SaveNote->hide();
    m_saveNoteTimer = new QTimer(this);
    m_saveNoteTimer->setSingleShot(true);
    m_saveNoteTimer->setInterval(4000);
    connect(m_saveNoteTimer, &QTimer::timeout, this, [this] {
        SaveNote->hide();
        VerInfo->show();
    });
    S = makeLabel(this, "S", 392, 301, QStringLiteral("State Changer"), tahomaFont(11, true), windowText);
    Label2 = makeLabel(this, "Label2", 560, 104, QStringLiteral("Zoom Out"), tahomaFont(11), windowText);
    Label3 = makeLabel(this, "Label3", 563, 298, QStringLiteral("Zoom In"), tahomaFont(11), windowText);

    PanBtn = makeGlyphButton(this, "PanBtn", 208, 120, 33, 33, "PANBTN", 4);
    PanBtn->setGroupIndex(1);
    PanBtn->setAllowAllUp(true);
    PanBtn->setToolTip(QStringLiteral("Pan Mode"));
    SelectBtn = makeGlyphButton(this, "SelectBtn", 240, 120, 33, 33, "SELECTBTN", 1);
    SelectBtn->setGroupIndex(1);
    SelectBtn->setAllowAllUp(true);
    SelectBtn->setToolTip(QStringLiteral("Select Mode"));
    // The drawing tools continue the two columns below Pan and Select, in
    // the same latching group. Their strips hold a normal and a greyed
    // image: they are disabled where nothing can be drawn.
    const auto makeTool = [this](const char *name, int x, int y, const char *glyph, const QString &hint) {
        TSpeedButton *b = makeGlyphButton(this, name, x, y, 33, 33, glyph, 2);
        b->setGroupIndex(1);
        b->setAllowAllUp(true);
        b->setToolTip(hint);
        b->setEnabled(false); // until an element with a picture is chosen
        return b;
    };
    PencilBtn = makeTool("PencilBtn", 208, 152, "PENCILBTN", QStringLiteral("Pencil (P)"));
    LineBtn = makeTool("LineBtn", 240, 152, "LINEBTN", QStringLiteral("Line (L)"));
    RectBtn = makeTool("RectBtn", 208, 184, "RECTBTN", QStringLiteral("Rectangle (R)"));
    FillBtn = makeTool("FillBtn", 240, 184, "FILLBTN", QStringLiteral("Fill (F)"));
    PickerBtn = makeTool("PickerBtn", 208, 216, "PICKERBTN", QStringLiteral("Colour Picker (I)"));

    ApplyBtn = makeTextButton(this, "ApplyBtn", 368, 376, 129, 33, QStringLiteral("Apply Changes"),
                              tahomaFont(13, true), windowText);
    ApplyBtn->setEnabled(false);
    // An edit waiting in the view counts as unsaved: the title says so.
    ApplyBtn->installEventFilter(new EnabledWatcher(ApplyBtn, [this] { updateWindowTitle(); }));

    pbFore = new TPaintBox(this);
    pbFore->setObjectName(QStringLiteral("pbFore"));
    pbFore->setGeometry(208, 298, 25, 25);
    pbFore->setColor(Qt::white);
    pbFore->setToolTip(QStringLiteral("Foreground Color"));
    pbBack = new TPaintBox(this);
    pbBack->setObjectName(QStringLiteral("pbBack"));
    pbBack->setGeometry(248, 298, 25, 25);
    pbBack->setColor(Qt::black);
    // Carries its hint text, but hints are switched off for it.
    pbBack->setProperty("hint", QStringLiteral("Background Color"));

    exchClr = makeGlyphButton(this, "exchClr", 233, 302, 15, 17, "EXCHCLR", 1);

    // Four spare captions that nothing shows.
    QLabel **spares[] = {&State1, &State2, &State3, &Label4};
    const char *spareNames[] = {"State1", "State2", "State3", "Label4"};
    for (int i = 0; i < 4; ++i) {
        *spares[i] = makeLabel(this, spareNames[i], 0, 0, QStringLiteral("State1"), font());
        (*spares[i])->hide();
    }

    SheetNote = makeLabel(this, "SheetNote", 208, 352, QString(), tahomaFont(11), windowText);
    SheetNote->setWordWrap(true);
    SheetNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SheetNote->setGeometry(208, 354, 154, 84);
    SheetNote->hide();
    // The playlist's font, under the note that names it.
    PlaylistFont = new QLineEdit(this);
    PlaylistFont->setObjectName(QStringLiteral("PlaylistFont"));
    PlaylistFont->setGeometry(208, 416, 154, 21);
    PlaylistFont->setFont(tahomaFont(11));
    PlaylistFont->hide();

    // Windowed controls lie above every drawn one.
    StateChanger = new TRxSlider(this);
    StateChanger->setObjectName(QStringLiteral("StateChanger"));
    StateChanger->setGeometry(280, 316, 289, 34);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(8, 256, 177, 76);
    selectimg = new TImage(Panel1);
    selectimg->setObjectName(QStringLiteral("selectimg"));
    selectimg->setGeometry(0, 1, 175, 74);
    m_miniature = picture("WINAMPMINI");
    selectimg->setPicture(m_miniature);
    selectimg->setMouseTracking(true);

    SelTree = new TSelTree(this);
    SelTree->setObjectName(QStringLiteral("SelTree"));
    SelTree->setGeometry(6, 72, 179, 171);
    SelTree->buildElementNodes();

    DesktopImg = new TOImage(this);
    DesktopImg->setObjectName(QStringLiteral("DesktopImg"));
    DesktopImg->setGeometry(279, 120, 290, 178);
    DesktopImg->setColor(QColor(128, 0, 0));
    DesktopImg->setUndo(true);
    DesktopImg->setMouseMode(TOImage::mmOther);

    Button2 = new QPushButton(QStringLiteral("Save BMP"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(392, 72, 65, 25);

    ScrollZoom = new QScrollBar(Qt::Vertical, this);
    ScrollZoom->setObjectName(QStringLiteral("ScrollZoom"));
    ScrollZoom->setGeometry(576, 120, 16, 177);
    ScrollZoom->setRange(1, 8);
    ScrollZoom->setSingleStep(1);
    ScrollZoom->setPageStep(1);
    ScrollZoom->setValue(1);

    // Only these four take the keyboard focus, in this order.
    for (QWidget *w : findChildren<QWidget *>())
        w->setFocusPolicy(Qt::NoFocus);
    for (QWidget *w : {static_cast<QWidget *>(SelTree), static_cast<QWidget *>(Button2),
                       static_cast<QWidget *>(StateChanger), static_cast<QWidget *>(ScrollZoom)})
        w->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(SelTree, Button2);
    setTabOrder(Button2, StateChanger);
    setTabOrder(StateChanger, ScrollZoom);

    connect(closebut, &QAbstractButton::clicked, this, [this] { guarded([this] { closebutClick(); }); });
    connect(minimizebut, &QAbstractButton::clicked, this, [this] { guarded([this] { minimizebutClick(); }); });
    connect(statusimg, &TImage::clicked, this, [this] { guarded([this] { statusimgClick(); }); });
    connect(ApplyBtn, &QAbstractButton::clicked, this, [this] { guarded([this] { ApplyBtnClick(); }); });
    connect(Button2, &QAbstractButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    SelTree->changingGuard = [this](int) { return SelTreeChanging(); };
    connect(SelTree, &TSelTree::selectionSettled, this, [this] { guarded([this] { SelTreeChange(); }); });
    connect(StateChanger, &QSlider::valueChanged, this,
            [this] { guarded([this] { StateChangerChange(); }); });
    connect(ScrollZoom, &QScrollBar::valueChanged, this,
            [this] { guarded([this] { ScrollZoomChange(); }); });
    connect(selectimg, &TImage::mouseMoved, this,
            [this](Qt::MouseButtons b, Qt::KeyboardModifiers, int x, int y) {
                guarded([&] { selectimgMouseMove(b, x, y); });
            });
    connect(selectimg, &TImage::clicked, this, [this] { guarded([&] { selectimgClick(); }); });
}

void TMainForm::FormCreate()
{
    createBitmaps(G());
    markSkinSaved(); // the built-in pictures are what an edit is measured from
    Start();
    updateHistoryCommands();
    updateWindowTitle();
}

void TMainForm::FormDestroy()
{
    freeBitmaps(G());
}

void TMainForm::Start()
{
    fillElementTable(G().ElementTable);
}

void TMainForm::closebutClick()
{
    close();
}

void TMainForm::minimizebutClick()
{
    showMinimized();
}

void TMainForm::statusimgClick()
{
    About1Click();
}

void TMainForm::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (!e->spontaneous())
        guarded([this] { restoreSettings(); });
}

void TMainForm::closeEvent(QCloseEvent *e)
{
    bool close = true;
    guarded([&] { close = canClose(); });
    if (!close) {
        e->ignore();
        return;
    }
    guarded([this] { saveSettingsAtClose(); });
    e->accept();
}

void TMainForm::changeEvent(QEvent *e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && !focusWidget())
        SelTree->setFocus(Qt::ActiveWindowFocusReason);
}

} // namespace vorlix
