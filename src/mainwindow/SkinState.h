#pragma once
// The skin as opened or saved: where it lives, its files, and its colour
// files. Shared by the main window's parts that open, save and edit it.
#include "editor/SkinFiles.h"
#include "editor/SkinText.h"
#include "mainwindow/MainForm.h"

#include <QImage>
#include <array>

namespace vorlix {

inline const QString kVisColorFile = QStringLiteral("viscolor.txt");
inline const QString kPlEditFile = QStringLiteral("pledit.txt");

struct TMainForm::SkinState
{
    enum class Origin { BuiltIn, Folder, Archive };
    Origin origin = Origin::BuiltIn;
    QString path; // the folder or archive, absolute
    SkinFileSet files; // every file of the skin, as last opened or saved
    // The sheets as last opened or saved (shared copies, so cheap); null
    // until then, meaning the built-in pictures.
    std::array<QImage, kSheetCount> saved;
    // The colour files as they are now, and their bytes as last opened or
    // saved.
    VisColorText vis = VisColorText::builtIn();
    PlEditText pledit = PlEditText::builtIn();
    QByteArray savedVis = vis.bytes();
    QByteArray savedPledit = pledit.bytes();
};

} // namespace vorlix
