// Writing the skin: the nine sheets as BMP files, or the shown picture alone.
#include "output/SkinExport.h"

#include "output/FastDIB.h"
#include "output/SkinWriter.h"
#include "platform/DesktopServices.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/SkinState.h"
#include "skin/GlobalVar.h"

#include <QDir>
#include <QFileInfo>

#include <array>

namespace vorlix {

void TMainForm::WriteBitmapFile(const QString &path, QImage &bitmap)
{
    vorlix::WriteBitmapFile(path, bitmap);
}

void TMainForm::Button2Click()
{
    saveBmpToOutput();
}

namespace {

// The file's bytes of a sheet. Those last made for each kind of sheet are
// kept with the picture's cache key, which changes with every change of its
// pixels (and is never given to another picture), so saving again after
// editing one sheet makes only that one afresh.
QByteArray sheetFileBytes(SheetKind kind, QImage &sheet)
{
    struct Made
    {
        qint64 key = 0;
        QByteArray bytes;
    };
    static std::array<Made, kSheetCount> made;
    if (sheet.format() != QImage::Format_BGR888)
        sheet.convertTo(QImage::Format_BGR888); // as the writer does, before the key is read
    Made &m = made[size_t(kind)];
    if (m.key != sheet.cacheKey() || m.bytes.isEmpty())
        m = {sheet.cacheKey(), bitmapFileBytes(sheet)};
    return m.bytes;
}

} // namespace

bool TMainForm::saveBmpToOutput()
{
    // Asked only when an edit waits in the view: with nothing to apply the
    // question only stood in the way.
    if (!guardPendingEdits())
        return false;
    // All or nothing: every file is complete on disk before the first one
    // replaces an old file; a failure replaces none, and a kill is finished
    // or undone by the next start or save.
    QList<FileToWrite> files;
    QList<SheetKind> sheets; // each made into its file's bytes as it is written
    for (SheetKind kind : kSkinFileOrder) {
        QImage *sheet = G().sheet(kind);
        if (!sheet)
            continue;
        // The label is read for every file, as written, separator and all.
        FileToWrite f;
        f.path = OutputDir->text() + QLatin1Char('/') + sheetFileName(kind);
        files.append(f);
        sheets.append(kind);
    }
    // The colours go with the pictures, so the folder is a whole skin.
    const std::pair<QString, QByteArray> texts[] = {{kVisColorFile, visColorBytes()},
                                                    {kPlEditFile, plEditBytes()}};
    for (const auto &[name, bytes] : texts)
        if (!bytes.isEmpty()) {
            FileToWrite f;
            f.path = OutputDir->text() + QLatin1Char('/') + name;
            f.bytes = bytes;
            files.append(f);
        }
    // The sheets' bytes are made as they are written, while the disk writes
    // the one before; a sheet unchanged since its bytes were last made keeps
    // them.
    writeFilesTwoPhase(files, [&](qsizetype i) {
        return i < sheets.size() ? sheetFileBytes(sheets[i], *G().sheet(sheets[i])) : files[i].bytes;
    });
    ApplyBtn->setEnabled(false);
    markColourFilesSaved();
    markSkinSaved();
    updateWindowTitle();
    showSaveNote(int(files.size()), OutputDir->text());
    return true;
}

void TMainForm::SaveImage1Click()
{
    QImage &picture = DesktopImg->pictureBits();
    if (picture.isNull() || picture.width() < 1 || picture.height() < 1) {
        services().messageBox(this, QStringLiteral("Vorlix"),
                              QStringLiteral("There is no picture to save. Select an element first."),
                              MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    FileDialogRequest request;
    request.title = QStringLiteral("Save -");
    request.filter = QStringLiteral("Bitmaps (*.bmp)|*.bmp");
    // We settle the final name ourselves, so the overwrite question is ours too.
    request.confirmOverwrite = false;
    request.directory = QFileInfo(OutputDir->text()).isDir() ? OutputDir->text() : QDir::homePath();
    QString path = services().saveFile(this, request);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive))
        path += QLatin1String(".bmp");
    if (QFileInfo::exists(path)) {
        const MsgAnswer answer = services().messageBox(
            this, QStringLiteral("Save -"),
            QStringLiteral("%1 already exists.\nDo you want to replace it?")
                .arg(QFileInfo(path).fileName()),
            MsgIcon::Warning, MsgButtons::YesNo);
        if (answer != MsgAnswer::Yes)
            return;
    }
    WriteBitmapFile(path, picture);
}

} // namespace vorlix
