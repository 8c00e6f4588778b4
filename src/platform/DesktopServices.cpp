#include "platform/DesktopServices.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>

namespace vorlix {

namespace {

// Qt's own file dialog with a picture preview beside the file list; the
// desktop's native dialog has no place for one.
QString openWithPreview(QWidget *parent, const QString &title, const QString &start,
                        const QString &filter)
{
    QFileDialog dialog(parent, title, start, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    auto *preview = new QLabel(&dialog);
    preview->setFixedSize(180, 180);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
        grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString &path) {
        QImage image;
        // Only regular files: opening a pipe would hang the dialog.
        const bool regular = QFileInfo(path).isFile();
        QImageReader reader(regular ? path : QString(), "bmp");
        reader.setAutoDetectImageFormat(false); // Qt's BMP reader, never a plug-in's
        const QSize size = regular ? reader.size() : QSize();
        // Qt decodes the whole picture before scaling it, on this thread: a
        // larger one would hold the dialog up for seconds (a few bytes of
        // run-length data may declare millions of pixels).
        if (size.isValid() && qint64(size.width()) * size.height() <= 4LL * 1024 * 1024) {
            reader.setScaledSize(size.scaled(preview->size() - QSize(4, 4), Qt::KeepAspectRatio)
                                     .boundedTo(size));
            image = reader.read();
        }
        if (image.isNull()) {
            preview->setPixmap({});
            preview->setText(QFileInfo(path).isFile() ? QStringLiteral("No preview") : QString());
        } else {
            preview->setPixmap(QPixmap::fromImage(image));
        }
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// A folder dialog that also takes the name of a folder yet to be made, in
// an existing folder; the plain one answers "Directory not found".
class SaveFolderDialog : public QFileDialog
{
public:
    SaveFolderDialog(QWidget *parent, const QString &title, const QString &start)
        : QFileDialog(parent, title, start)
    {
    }
    void accept() override
    {
        const QString typed = selectedFiles().value(0);
        const QFileInfo info(typed);
        if (!typed.isEmpty() && !info.exists() && QFileInfo(info.absolutePath()).isDir()) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }
};

class QtDesktopServices final : public DesktopServices
{
public:
    MsgAnswer messageBox(QWidget *parent, const QString &caption, const QString &text,
                         MsgIcon icon, MsgButtons buttons) override
    {
        QMessageBox box(parent);
        box.setWindowTitle(caption);
        box.setText(text);
        switch (icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        }
        switch (buttons) {
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MsgButtons::SaveDiscardCancel:
            box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Save);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Yes: return MsgAnswer::Yes;
        case QMessageBox::No: return MsgAnswer::No;
        case QMessageBox::Ok: return MsgAnswer::Ok;
        case QMessageBox::Save: return MsgAnswer::Save;
        case QMessageBox::Discard: return MsgAnswer::Discard;
        default: return MsgAnswer::Cancel;
        }
    }

    QString openFile(QWidget *parent, const FileDialogRequest &r) override
    {
        QString start = r.directory;
        if (!r.fileName.isEmpty())
            start = r.directory.isEmpty() ? r.fileName : r.directory + QLatin1Char('/') + r.fileName;
        if (!r.picturePreview)
            return QFileDialog::getOpenFileName(parent, r.title, start, qtFileFilter(r.filter));
        return openWithPreview(parent, r.title, start, qtFileFilter(r.filter));
    }

    QString saveFile(QWidget *parent, const FileDialogRequest &r) override
    {
        QString start = r.directory;
        if (!r.fileName.isEmpty())
            start = r.directory.isEmpty() ? r.fileName : r.directory + QLatin1Char('/') + r.fileName;
        QFileDialog::Options options;
        if (!r.confirmOverwrite)
            options |= QFileDialog::DontConfirmOverwrite;
        return QFileDialog::getSaveFileName(parent, r.title, start, qtFileFilter(r.filter), nullptr,
                                            options);
    }

    QString chooseFolder(QWidget *parent, const QString &title, const QString &start) override
    {
        return QFileDialog::getExistingDirectory(parent, title, start);
    }

    QString chooseSaveFolder(QWidget *parent, const QString &title, const QString &start) override
    {
        SaveFolderDialog dialog(parent, title, start);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        // Qt's own dialog everywhere: its accept() is what takes a new name,
        // and it has the button that makes a folder.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Save"));
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return dialog.selectedFiles().value(0);
    }

    QColor chooseColor(QWidget *parent, const QColor &initial) override
    {
        return QColorDialog::getColor(initial, parent);
    }

    bool openUrl(const QString &url) override
    {
        return QDesktopServices::openUrl(QUrl(url));
    }
};

std::unique_ptr<DesktopServices> &current()
{
    static std::unique_ptr<DesktopServices> instance;
    return instance;
}

} // namespace

QString qtFileFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the parentheses of the description.
        entries << (description.contains(QLatin1Char('('))
                        ? description
                        : QStringLiteral("%1 (%2)").arg(description, patterns));
    }
    if (parts.size() % 2 == 1 && !parts.last().isEmpty())
        entries << parts.last();
    return entries.join(QStringLiteral(";;"));
}

DesktopServices &services()
{
    auto &s = current();
    if (!s)
        s = std::make_unique<QtDesktopServices>();
    return *s;
}

void setServices(std::unique_ptr<DesktopServices> replacement)
{
    current() = std::move(replacement);
}

void showErrorBox(const QString &message, QWidget *parent)
{
    if (!parent)
        parent = QApplication::activeWindow();
    services().messageBox(parent, QStringLiteral("Vorlix"), errorBoxText(message),
                          MsgIcon::Error, MsgButtons::Ok);
}

void reportFailure(const std::exception &e)
{
    if (const auto *v = dynamic_cast<const VorlixError *>(&e))
        showErrorBox(v->message());
    else
        showErrorBox(QString::fromLocal8Bit(e.what()));
}

void reportUnknownFailure()
{
    showErrorBox(QStringLiteral("Unknown failure"));
}

} // namespace vorlix
