#include "dialogs/SelDir.h"

#include "platform/DesktopServices.h"
#include "platform/Fonts.h"

#include <QDir>
#include <QFileInfo>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>

namespace vorlix {

TSelDirect *SelDirect = nullptr;
QString OutputDirectory;
QString TempDirectory;

namespace {

constexpr int kButtonWidth = 19;
const QString kRoot = QStringLiteral("/");

// A small yellow folder for the browse button.
QIcon folderGlyph()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QColor outline(128, 96, 0);
    p.setPen(outline);
    p.setBrush(QColor(232, 184, 64));
    p.drawRect(1, 3, 5, 2);             // tab
    p.setBrush(QColor(255, 214, 96));
    p.drawRect(1, 5, 13, 8);            // body
    p.setPen(QColor(255, 240, 176));
    p.drawLine(2, 6, 13, 6);            // highlight along the top edge
    return QIcon(pm);
}

} // namespace

TDirectoryEdit::TDirectoryEdit(QWidget *parent) : QLineEdit(parent)
{
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("Button"));
    m_button->setIcon(folderGlyph());
    m_button->setIconSize(QSize(16, 16));
    m_button->setCursor(Qt::ArrowCursor);
    // Only the text box is a tab stop, as with any one-line box.
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setToolTip(QStringLiteral("Browse"));
    setTextMargins(0, 0, kButtonWidth, 0);
    connect(m_button, &QToolButton::clicked, this, [this] { guarded([this] { browse(); }); });
    // A long path shows its end, the folder that matters; the tooltip has
    // all of it.
    connect(this, &QLineEdit::textChanged, this, [this](const QString &t) {
        setToolTip(t);
        if (!hasFocus())
            setCursorPosition(int(t.size()));
    });
}

void TDirectoryEdit::resizeEvent(QResizeEvent *e)
{
    QLineEdit::resizeEvent(e);
    // Inside the box's 2-pixel frame, at its right end.
    m_button->setGeometry(width() - 2 - kButtonWidth, 2, kButtonWidth, height() - 4);
}

QString TDirectoryEdit::withoutTrailingSeparator(const QString &path)
{
    if (path != kRoot && path.endsWith(QLatin1Char('/')))
        return path.chopped(1);
    return path;
}

void TDirectoryEdit::browse()
{
    // Start from the box's text, else the folder last chosen here, else the
    // root; a start that is not an existing folder falls back to the root.
    QString start = text();
    if (start.isEmpty())
        start = m_lastChosen.isEmpty() ? kRoot : m_lastChosen;
    if (!QFileInfo(start).isDir())
        start = kRoot;
    const QString chosen =
        services().chooseFolder(window(), QStringLiteral("Browse for Folder"), start);
    if (chosen.isEmpty())
        return; // cancelled: the box and the memory stay as they were
    m_lastChosen = withoutTrailingSeparator(chosen);
    setText(m_lastChosen);
}

TSelDirect::TSelDirect(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    SelDirect = this;
    setObjectName(QStringLiteral("SelDirect"));
    setWindowTitle(QStringLiteral("Select Directory"));
    setFixedSize(450, 171);
    move(192, 103);
    setFont(defaultFont());

    const auto makeLabel = [this](const char *name, int x, int y, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    const auto makeBox = [this](const char *name, int x, int y) {
        auto *e = new TDirectoryEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setGeometry(x, y, 121, 21);
        return e;
    };
    Label1 = makeLabel("Label1", 72, 68, QStringLiteral("Output Directory :"));
    Label2 = makeLabel("Label2", 72, 100, QStringLiteral("Temp Directory :"));
    DirectoryEdit1 = makeBox("DirectoryEdit1", 208, 64);
    DirectoryEdit2 = makeBox("DirectoryEdit2", 208, 96);
    setTabOrder(DirectoryEdit1, DirectoryEdit2);

    FolderNote = new QLabel(this);
    FolderNote->setObjectName(QStringLiteral("FolderNote"));
    FolderNote->setTextFormat(Qt::PlainText);
    FolderNote->setWordWrap(true);
    FolderNote->setGeometry(72, 124, 280, 40);
    FolderNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    CreateFolder = new QPushButton(QStringLiteral("Create"), this);
    CreateFolder->setObjectName(QStringLiteral("CreateFolder"));
    CreateFolder->setGeometry(360, 124, 70, 23);
    CreateFolder->hide();
    for (TDirectoryEdit *e : {DirectoryEdit1, DirectoryEdit2})
        connect(e, &QLineEdit::textChanged, this, [this] { checkFolders(); });
    connect(CreateFolder, &QPushButton::clicked, this, [this] {
        const QString path = CreateFolder->property("path").toString();
        if (!QDir().mkpath(path)) {
            FolderNote->setText(QStringLiteral("Cannot create %1.").arg(QDir::toNativeSeparators(path)));
            CreateFolder->hide();
            return;
        }
        checkFolders();
    });
}

void TSelDirect::checkFolders()
{
    QStringList notes;
    QString missing;
    const struct { TDirectoryEdit *box; const char *what; } boxes[] = {
        {DirectoryEdit1, "The output folder"}, {DirectoryEdit2, "The temp folder"}};
    for (const auto &b : boxes) {
        const QString path = b.box->text().trimmed();
        if (path.isEmpty())
            continue;
        const QFileInfo info(path);
        const QString what = QString::fromLatin1(b.what);
        if (!info.exists()) {
            notes << QStringLiteral("%1 does not exist.").arg(what);
            if (missing.isEmpty())
                missing = path;
        } else if (!info.isDir()) {
            notes << QStringLiteral("%1 is a file, not a folder.").arg(what);
        } else if (!info.isWritable()) {
            notes << QStringLiteral("%1 cannot be written.").arg(what);
        }
    }
    FolderNote->setText(notes.join(QLatin1Char(' ')));
    CreateFolder->setProperty("path", missing);
    CreateFolder->setVisible(!missing.isEmpty());
}

TSelDirect::~TSelDirect()
{
    if (SelDirect == this)
        SelDirect = nullptr;
}

void TSelDirect::showEvent(QShowEvent *e)
{
    if (!e->spontaneous())
        FormShow();
    QDialog::showEvent(e);
}

void TSelDirect::hideEvent(QHideEvent *e)
{
    // Every way of closing (close box, Alt+F4, hide) ends here; a hide
    // because the desktop minimised the window is spontaneous.
    if (!e->spontaneous())
        FormClose();
    QDialog::hideEvent(e);
}

void TSelDirect::keyPressEvent(QKeyEvent *e)
{
    // With no Cancel button, Escape would look like a cancel while the
    // edits were kept all the same: it does nothing here.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept();
        return;
    }
    // Enter closes the dialog the way its close box does, keeping the boxes.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
        e->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TSelDirect::FormShow()
{
    DirectoryEdit1->setText(OutputDirectory);
    DirectoryEdit2->setText(TempDirectory);
    checkFolders();
}

void TSelDirect::FormClose()
{
    OutputDirectory = DirectoryEdit1->text();
    TempDirectory = DirectoryEdit2->text();
}

} // namespace vorlix
