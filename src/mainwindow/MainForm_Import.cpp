// "Open Image...": a BMP file read into ImportPicture, brought to the
// element's size by the size dialog when needed, then stretched into every
// state of the selected element and of the elements below it.
#include "dialogs/ImageRes.h"
#include "editor/Propagate.h"
#include "platform/BackgroundJob.h"
#include "platform/BmpRead.h"
#include "platform/ColorNumber.h"
#include "platform/DesktopServices.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

#include <QDir>
#include <QFileInfo>

namespace vorlix {

void TMainForm::OpenImage1Click()
{
    GlobalVar &g = G();
    const int idx = selectedIndex();
    if (idx < 0)
        return; // nothing to import into
    const SkinElement &e = g.ElementTable[size_t(idx)];
    if (!e.hasSheetPlace()) {
        const QString why = e.Colours != kNoColours
            ? QStringLiteral("\"%1\" cannot take a picture: it holds colours. Double-click a colour in the "
                             "view to change it.")
            : QStringLiteral("\"%1\" cannot take a picture. Choose one of the parts below it.");
        services().messageBox(this, QStringLiteral("Vorlix"), why.arg(SelTree->caption(idx)),
                              MsgIcon::Information, MsgButtons::Ok);
        return;
    }

    FileDialogRequest request;
    request.title = QStringLiteral("Open Image...");
    request.filter = QStringLiteral("Pictures (*.bmp *.png *.gif *.jpg *.jpeg *.tif *.tiff *.webp)|"
                                    "*.bmp;*.png;*.gif;*.jpg;*.jpeg;*.tif;*.tiff;*.webp|All files (*)|*");
    request.picturePreview = true;
    // Start where the last picture came from: skin artwork tends to sit together.
    request.directory = g.ImportFileName.isEmpty() ? QDir::homePath()
                                                   : QFileInfo(g.ImportFileName).absolutePath();
    const QString fileName = services().openFile(this, request);
    if (fileName.isEmpty())
        return;
    importPictureFile(fileName);
}

void TMainForm::importPictureFile(const QString &fileName)
{
    GlobalVar &g = G();
    const int idx = selectedIndex();
    if (idx < 0)
        return;
    const SkinElement &e = g.ElementTable[size_t(idx)];
    if (!e.hasSheetPlace())
        return;
    const auto takeName = [&] {
        g.ImportFileName = fileName;
        g.RequiredWidth = e.SheetRect.width();
        g.RequiredHeight = e.SheetRect.height();
    };
    // Read on a worker: a large picture takes a while, and a Cancel leaves
    // everything as it was, the last picture's name included. A file that is
    // not a readable picture stops the import once the name and sizes are
    // taken. See-through parts take the background swatch's colour.
    const QRgb background = colorFromNumber(pbBack->Color()).rgb();
    std::optional<QImage> picture;
    try {
        picture = runInBackground<QImage>(
            this, QStringLiteral("Reading the picture %1...").arg(QFileInfo(fileName).fileName()),
            [fileName, background](JobProgress &progress) {
                return readImportPicture(fileName, background, &progress);
            });
    } catch (...) {
        takeName();
        throw;
    }
    if (!picture)
        return;
    takeName();
    g.ImportPicture = std::make_unique<QImage>(std::move(*picture));

    g.SizeMismatch = true;
    if (g.ImportPicture->width() == g.RequiredWidth && g.ImportPicture->height() == g.RequiredHeight) {
        g.SizeMismatch = false;
    } else {
        // The dialog built at start-up serves the first mismatch; it gives up
        // its views when it closes, so every later one gets a fresh dialog.
        TImagesRes *dialog = ImagesRes;
        if (g.FirstResizeDialog && dialog) {
            g.FirstResizeDialog = false;
        } else {
            m_laterResizeDialog = std::make_unique<TImagesRes>();
            dialog = m_laterResizeDialog.get();
        }
        dialog->setPictureAsRead(*g.ImportPicture);
        dialog->exec();
    }
    // The whole import, every sheet it touched and the view it re-reads, is
    // one step.
    const StepScope step(this, QStringLiteral("Import"));
    g.SourceAtWindowRect = importCutsWindow(e);
    g.StartAtCurrentState = true;
    if (!g.SizeMismatch)
        PropagateImport(g, idx);
    g.SourceAtWindowRect = true;
    RefreshMiniature();
    RefreshSelectImg();
}

} // namespace vorlix
