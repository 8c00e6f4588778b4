// Opening and saving whole skins: folders and archives, with the skin's other
// files carried along; and the question before unsaved work would be lost.
#include <QCursor> // before WaitCursor.h, which needs it

#include "editor/SkinFiles.h"
#include "editor/SkinText.h"
#include "output/FastDIB.h"
#include "output/SkinExport.h"
#include "output/SkinWriter.h"
#include "platform/BackgroundJob.h"
#include "platform/DesktopServices.h"
#include "platform/Errors.h"
#include "platform/WaitCursor.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/SkinState.h"
#include "skin/GlobalVar.h"

#include <QDir>
#include <QFileInfo>

namespace vorlix {



namespace {

const QString kCaption = QStringLiteral("Vorlix");

// The set, once written into a folder: its files are that folder's now,
// nothing of the archive it may have come from is left.
void forgetArchive(SkinFileSet &set)
{
    set.archiveFolder.clear();
    set.archiveFolderAsWritten.clear();
    set.besideFolder.clear();
    set.archive.clear();
    set.archiveOnly.clear();
    for (SkinFile &f : set.files) {
        f.entry = -1;
        f.asRead = f.bytes;
        f.modified.reset(); // written just now
    }
}

} // namespace

TMainForm::SkinState &TMainForm::skin()
{
    if (!m_skin)
        m_skin = std::make_shared<SkinState>();
    return *m_skin;
}

QString TMainForm::skinPath() const
{
    return m_skin ? m_skin->path : QString();
}

QString TMainForm::skinFileName(SheetKind kind) const
{
    const int i = m_skin && kind >= 0 && kind < kSheetCount ? m_skin->files.sheetFile[size_t(kind)] : -1;
    return i >= 0 ? m_skin->files.files[i].path : sheetFileName(kind);
}

void TMainForm::showSaveNote(int files, const QString &where)
{
    QString place = QDir::toNativeSeparators(QFileInfo(where).absoluteFilePath());
    const QString home = QDir::toNativeSeparators(QDir::homePath());
    if (place.startsWith(home + QDir::separator()))
        place = QStringLiteral("~") + place.mid(home.size());
    const QString text = files == 1 ? QStringLiteral("Saved %1").arg(place)
                                    : QStringLiteral("Saved %1 files to %2").arg(files).arg(place);
    SaveNote->setText(SaveNote->fontMetrics().elidedText(text, Qt::ElideMiddle, SaveNote->width()));
    SaveNote->setToolTip(text);
    m_saveNoteTimer->start();
    updateStatusLine();
}

void TMainForm::updateWindowTitle()
{
    const SkinState &s = *m_skin;
    QString name = QStringLiteral("Untitled");
    if (!s.path.isEmpty()) {
        const QFileInfo info(s.path);
        name = s.origin == SkinState::Origin::Archive ? info.completeBaseName() : info.fileName();
    }
    setWindowTitle(name + QStringLiteral("[*] - Vorlix"));
    setWindowModified(skinHasUnsavedChanges());
}

void TMainForm::markSkinSaved()
{
    // A built-in sheet not yet decoded keeps none: the built-in picture is
    // then what it is measured from.
    for (SheetKind k = 0; k < kSheetCount; ++k)
        if (G().sheetWaiting(k))
            skin().saved[size_t(k)] = QImage();
        else if (const QImage *sheet = G().sheet(k))
            skin().saved[size_t(k)] = *sheet;
}

bool TMainForm::skinHasUnsavedChanges() const
{
    if (ApplyBtn->isEnabled())
        return true;
    if (m_skin->vis.bytes() != m_skin->savedVis || m_skin->pledit.bytes() != m_skin->savedPledit)
        return true;
    for (SheetKind k = 0; k < kSheetCount; ++k) {
        if (G().sheetWaiting(k))
            continue; // the built-in picture, untouched
        const QImage *sheet = G().sheet(k);
        if (!sheet)
            continue;
        const QImage *saved = m_skin ? &m_skin->saved[size_t(k)] : nullptr;
        if (saved && !saved->isNull()) {
            if (*sheet != *saved)
                return true;
            continue;
        }
        // Never opened or saved: the built-in skin is the reference.
        try {
            if (*sheet != builtInSheet(k))
                return true;
        } catch (const VorlixError &) {
            return true; // nothing to compare with: better ask once too often
        }
    }
    return false;
}

bool TMainForm::guardPendingEdits()
{
    return !ApplyBtn->isEnabled() || ApplyChanges();
}

bool TMainForm::canClose()
{
    return askToSaveChanges(QStringLiteral("The skin has unsaved changes. Save them before closing?"));
}

bool TMainForm::askToSaveChanges(const QString &question)
{
    if (!skinHasUnsavedChanges())
        return true;
    const MsgAnswer answer = services().messageBox(this, kCaption, question, MsgIcon::Question,
                                                   MsgButtons::SaveDiscardCancel);
    if (answer == MsgAnswer::Discard)
        return true;
    if (answer != MsgAnswer::Save)
        return false;
    // A failed save must keep the skin: the error is shown here, since a
    // failure escaping this function would let the close go ahead.
    try {
        switch (skin().origin) {
        case SkinState::Origin::Folder:
            return guardPendingEdits() && saveSkinToFolder(skin().path);
        case SkinState::Origin::Archive:
            return guardPendingEdits() && saveSkinToArchive(skin().path);
        case SkinState::Origin::BuiltIn:
            break;
        }
        return saveBmpToOutput();
    } catch (const VorlixError &e) {
        showErrorBox(e.message(), this);
        return false;
    } catch (const std::exception &e) {
        showErrorBox(QString::fromLocal8Bit(e.what()), this);
        return false;
    }
}

// Before another skin replaces the sheets: pending edits first, as on any
// change of element, then the unsaved sheets, so opening never drops work
// without a word either.
bool TMainForm::mayReplaceSkin()
{
    return guardPendingEdits()
        && askToSaveChanges(QStringLiteral("The skin has unsaved changes. Save them before opening another skin?"));
}

bool TMainForm::openSkin(const QString &path)
{
    if (!mayReplaceSkin())
        return false;
    return loadSkin(path);
}

bool TMainForm::loadSkin(const QString &path)
{
    // Read on a worker: a damaged or hostile skin may take a while, and the
    // window stays responsive with a Cancel that leaves everything as it was.
    std::optional<LoadedSkin> read = runInBackground<LoadedSkin>(
        this, QStringLiteral("Reading the skin %1...").arg(QFileInfo(path).fileName()),
        [path](JobProgress &progress) { return readSkin(path, &progress); });
    if (!read)
        return false;
    LoadedSkin loaded = std::move(*read);
    // The whole skin was read: only now do the sheets change.
    for (SheetKind k = 0; k < kSheetCount; ++k)
        setSheet(G(), k, loaded.sheets[size_t(k)], loaded.origins[size_t(k)]);
    SkinState &s = skin();
    s.origin = QFileInfo(path).isDir() ? SkinState::Origin::Folder : SkinState::Origin::Archive;
    s.path = QFileInfo(path).absoluteFilePath();
    s.files = std::move(loaded.set);
    // A skin without them shows the players' colours, and gets the files
    // only once the user changes a colour.
    const int vis = skinTextFile(s.files, kVisColorFile);
    const int pledit = skinTextFile(s.files, kPlEditFile);
    s.vis = VisColorText::parse(vis >= 0 ? s.files.files[vis].bytes : QByteArray());
    s.pledit = PlEditText::parse(pledit >= 0 ? s.files.files[pledit].bytes : QByteArray());
    s.savedVis = s.vis.bytes();
    s.savedPledit = s.pledit.bytes();
    ApplyBtn->setEnabled(false);
    markSkinSaved();

    m_restoringView = true; // nothing of the skin left behind is kept
    RefreshMiniature(); // the title too
    if (selectedIndex() >= 0)
        SelTreeChange(); // the view, and the undo snapshot, from the new sheets
    m_restoringView = false;
    startNewHistory();
    rememberRecentSkin(s.path);
    const QString report = loaded.report();
    if (!report.isEmpty())
        services().messageBox(this, kCaption, report, MsgIcon::Warning, MsgButtons::Ok);
    return true;
}

SkinFileSet TMainForm::skinFilesNow()
{
    SkinState &s = skin();
    // The built-in skin has no files yet: all of it is written.
    const bool builtIn = s.origin == SkinState::Origin::BuiltIn;
    SkinFileSet set = skinFilesToSave(s.files, G(), builtIn);
    // Against what was saved too: an undo may take a file back to bytes
    // that were read, not to what was saved last.
    if (builtIn || s.vis.changed() || s.vis.bytes() != s.savedVis)
        putSkinTextFile(set, kVisColorFile, s.vis.bytes());
    if (builtIn || s.pledit.changed() || s.pledit.bytes() != s.savedPledit)
        putSkinTextFile(set, kPlEditFile, s.pledit.bytes());
    return set;
}

void TMainForm::markSkinFilesWritten(const SkinFileSet &written)
{
    skin().files = written;
    markSheetsWritten(G(), written);
    markColourFilesSaved();
    markSkinSaved();
}

QByteArray TMainForm::visColorBytes() const
{
    return m_skin->vis.bytes();
}

QByteArray TMainForm::plEditBytes() const
{
    return m_skin->pledit.bytes();
}

void TMainForm::markColourFilesSaved()
{
    SkinState &s = skin();
    // What is on disk now is what an edit is measured from.
    s.vis = VisColorText::parse(s.vis.bytes());
    s.pledit = PlEditText::parse(s.pledit.bytes());
    s.savedVis = s.vis.bytes();
    s.savedPledit = s.pledit.bytes();
}

bool TMainForm::saveSkinToFolder(const QString &dir)
{
    // A new name typed in the folder dialog becomes the skin's folder.
    if (!QFileInfo(dir).isDir() && !QDir().mkpath(dir))
        throw VorlixError(QStringLiteral("Cannot create the folder %1.").arg(QDir::toNativeSeparators(dir)));
    const SkinFileSet toSave = skinFilesNow();
    // A sheet new to the skin, whose file is already there under another
    // case ("MAIN.BMP"), replaces that file, so no second copy appears
    // beside it for players to choose from.
    const QStringList present = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    QList<FileToWrite> files;
    for (qsizetype i = 0; i < toSave.files.size(); ++i) {
        const SkinFile &f = toSave.files[i];
        QString name = f.path;
        const bool newSheet = i >= skin().files.files.size();
        if (newSheet && !present.contains(name)) {
            for (const QString &p : present)
                if (p.compare(name, Qt::CaseInsensitive) == 0) {
                    name = p;
                    break;
                }
        }
        files.append({dir + QLatin1Char('/') + name, f.bytes, true, f.permissions});
    }
    {
        WaitCursor wait;
        writeFilesTwoPhase(files);
    }
    SkinState &s = skin();
    s.origin = SkinState::Origin::Folder;
    s.path = QFileInfo(dir).absoluteFilePath();
    markSkinFilesWritten(toSave);
    forgetArchive(s.files);
    updateWindowTitle();
    showSaveNote(int(files.size()), dir);
    rememberRecentSkin(s.path);
    return true;
}

bool TMainForm::saveSkinToArchive(const QString &path)
{
    SkinFileSet toSave = skinFilesNow();
    const QList<ArchiveEntry> entries = archiveEntriesFor(toSave);
    QList<qint64> at;
    QByteArray bytes;
    {
        WaitCursor wait;
        bytes = buildZipArchive(entries, toSave.archive, &at);
        // Built whole in memory and written like any file: to a hidden
        // temporary, then renamed over the old archive.
        writeFilesTwoPhase({FileToWrite{path, bytes, false, std::nullopt}});
    }
    // The next save starts from this archive: every entry as it now lies.
    toSave.archive = bytes;
    qsizetype n = 0;
    for (qint64 &i : toSave.archiveOnly)
        i = at[n++];
    for (SkinFile &f : toSave.besideFolder) {
        f.entry = at[n++];
        f.asRead = f.bytes;
    }
    for (SkinFile &f : toSave.files) {
        f.entry = at[n++];
        f.asRead = f.bytes;
    }
    SkinState &s = skin();
    s.origin = SkinState::Origin::Archive;
    s.path = QFileInfo(path).absoluteFilePath();
    markSkinFilesWritten(toSave);
    updateWindowTitle();
    showSaveNote(1, path);
    rememberRecentSkin(s.path);
    return true;
}

namespace {

QString startFolder(const QString &skinPath, const QString &outputDir)
{
    if (!skinPath.isEmpty())
        return QFileInfo(skinPath).absolutePath();
    return QFileInfo(outputDir).isDir() ? outputDir : QDir::homePath();
}

} // namespace

void TMainForm::OpenSkin1Click()
{
    if (!mayReplaceSkin())
        return;
    const QString dir = services().chooseFolder(this, QStringLiteral("Open Skin"),
                                                startFolder(skinPath(), OutputDir->text()));
    if (!dir.isEmpty())
        loadSkin(dir);
}

void TMainForm::OpenZIPSkin1Click()
{
    if (!mayReplaceSkin())
        return;
    FileDialogRequest request;
    request.title = QStringLiteral("Open ZIP Skin");
    request.filter = QStringLiteral("Skins (*.wsz *.zip)|*.wsz;*.zip|All files (*)|*");
    request.directory = startFolder(skinPath(), OutputDir->text());
    const QString path = services().openFile(this, request);
    if (!path.isEmpty())
        loadSkin(path);
}

void TMainForm::SaveSkin1Click()
{
    if (!guardPendingEdits())
        return;
    const QString start = m_skin && m_skin->origin == SkinState::Origin::Folder
        ? m_skin->path
        : startFolder(skinPath(), OutputDir->text());
    const QString dir = services().chooseSaveFolder(this, QStringLiteral("Save Skin"), start);
    if (!dir.isEmpty())
        saveSkinToFolder(dir);
}

void TMainForm::SaveZIPSkin1Click()
{
    if (!guardPendingEdits())
        return;
    FileDialogRequest request;
    request.title = QStringLiteral("Save ZIP Skin");
    request.filter = QStringLiteral("Skins (*.wsz)|*.wsz|Zip archives (*.zip)|*.zip");
    // We settle the final name ourselves, so the overwrite question is ours too.
    request.confirmOverwrite = false;
    request.directory = startFolder(skinPath(), OutputDir->text());
    if (m_skin && m_skin->origin == SkinState::Origin::Archive)
        request.fileName = QFileInfo(m_skin->path).fileName();
    QString path = services().saveFile(this, request);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1String(".wsz");
    if (QFileInfo::exists(path)) {
        const MsgAnswer answer = services().messageBox(
            this, kCaption,
            QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName()),
            MsgIcon::Warning, MsgButtons::YesNo);
        if (answer != MsgAnswer::Yes)
            return;
    }
    saveSkinToArchive(path);
}

} // namespace vorlix
