// The directories dialog and the settings kept between runs.
#include "mainwindow/MainForm.h"

#include "dialogs/SelDir.h"
#include "output/RegStore.h"
#include "platform/ColorNumber.h"
#include "platform/Errors.h"

#include <QGuiApplication>
#include <QScreen>


namespace vorlix {

namespace {

const QString kKey = QStringLiteral("Software\\Tarnby\\Vorlix");
const QString kSection = QStringLiteral("TMainForm");

// Blanks and control characters around a stored text are dropped both ways.
QString trimmedText(const QString &text)
{
    const auto strip = [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && strip(text[begin]))
        ++begin;
    while (end > begin && strip(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// A colour number as text: signed 32-bit decimal; anything else is 0.
qint32 parseColorNumber(const QString &text)
{
    bool ok = false;
    const qint32 n = text.toInt(&ok, 10);
    return ok ? n : 0;
}

// The six stored properties, in the order they are written and read.
struct StoredProp
{
    const char *valueName;
    QLabel *TMainForm::*label;       // a caption, or
    TPaintBox *TMainForm::*swatch;   // a swatch colour, or
    int colorSlot;                   // (-1: none) the view's colour
};

const StoredProp kStoredProps[] = {
    {"TempDir_Caption", &TMainForm::TempDir, nullptr, -1},
    {"OutputDir_Caption", &TMainForm::OutputDir, nullptr, -1},
    {"VerInfo_Caption", &TMainForm::VerInfo, nullptr, -1},
    {"DesktopImg_Color", nullptr, nullptr, 0},
    {"pbBack_Color", nullptr, &TMainForm::pbBack, 1},
    {"pbFore_Color", nullptr, &TMainForm::pbFore, 2},
};

QColor propColor(TMainForm *f, const StoredProp &p)
{
    return p.swatch ? (f->*p.swatch)->color() : f->DesktopImg->Color();
}

void setPropColor(TMainForm *f, const StoredProp &p, const QColor &c)
{
    if (p.swatch)
        (f->*p.swatch)->setColor(c);
    else
        f->DesktopImg->setColor(c);
}

void setCaption(QLabel *label, const QString &text)
{
    // A folder or version text is shown as it is, never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->adjustSize(); // the labels are sized to their text
}

} // namespace

void TMainForm::SetTempDirectory1Click()
{
    exchangeDirectories();
}

void TMainForm::SetOutputDirectory1Click()
{
    exchangeDirectories();
}

void TMainForm::exchangeDirectories()
{
    OutputDirectory = OutputDir->text();
    TempDirectory = TempDir->text();
    if (!SelDirect)
        new TSelDirect(this); // registers itself; lives as long as this window
    SelDirect->exec();
    setCaption(TempDir, TempDirectory);
    setCaption(OutputDir, OutputDirectory);
}

void TMainForm::restoreSettings()
{
    // Only the first showing reads the file: showing the window again later
    // (after minimising, say) must not throw away what was changed since.
    if (m_settingsRestored)
        return;
    m_settingsSaved = false;
    try {
        const RegFile file = RegistryStore(settingsFilePath(), kKey).openForRead();
        const RegKey *section = file.key(kKey + QLatin1Char('\\') + kSection);
        for (const StoredProp &p : kStoredProps) {
            const RegValue *v = section ? section->value(QLatin1String(p.valueName)) : nullptr;
            // Missing, or of another type: that property stays as it is.
            if (!v || v->type != RegValue::String)
                continue;
            const QString text = trimmedText(v->data);
            if (p.label) {
                setCaption(this->*p.label, text);
            } else {
                const qint32 n = parseColorNumber(text);
                if (p.swatch) {
                    // The swatches keep colour numbers, system colours included.
                    (this->*p.swatch)->setColorNumber(n);
                    continue;
                }
                const QColor c = colorFromNumber(n);
                setPropColor(this, p, c);
                m_restoredColors[p.colorSlot] = {true, n, c};
            }
        }
    } catch (...) {
        // Restoring never reports a failure: what could not be read keeps
        // its start value.
    }
    readViewSettings();
    m_settingsRestored = true;
}

void TMainForm::saveSettings(bool visible)
{
    const QScreen *scr = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize screenSize = scr ? scr->geometry().size() : QSize();
    const QString sizeSuffix = QStringLiteral("(%1x%2)").arg(screenSize.width()).arg(screenSize.height());
    // Nothing here is ever minimised to or maximised at a set place.
    const QString minMax = QStringLiteral("-1,-1,-1,-1");
    const QRect r = frameGeometry();
    const QString norm = QStringLiteral("%1,%2,%3,%4")
                             .arg(r.left())
                             .arg(r.top())
                             .arg(r.left() + r.width())
                             .arg(r.top() + r.height());
    const int dpi = scr ? qRound(scr->logicalDotsPerInch()) : 96;

    QList<QPair<QString, QString>> values = {
        {QStringLiteral("Flags"), QStringLiteral("0")},
        {QStringLiteral("ShowCmd"), isMinimized() ? QStringLiteral("2") : QStringLiteral("1")},
        {QStringLiteral("PixelsPerInch"), QString::number(dpi)},
        {QStringLiteral("MinMaxPos") + sizeSuffix, minMax},
        {QStringLiteral("MinMaxPos"), minMax},
        {QStringLiteral("NormPos") + sizeSuffix, norm},
        {QStringLiteral("NormPos"), norm},
        {QStringLiteral("Visible"), visible ? QStringLiteral("1") : QStringLiteral("0")},
    };
    for (const StoredProp &p : kStoredProps) {
        QString text;
        if (p.label) {
            text = (this->*p.label)->text();
        } else if (p.swatch) {
            text = QString::number((this->*p.swatch)->Color());
        } else {
            const QColor c = propColor(this, p);
            const RestoredColor &restored = m_restoredColors[p.colorSlot];
            text = QString::number(restored.set && restored.color == c ? restored.number
                                                                       : numberFromColor(c));
        }
        values.append({QLatin1String(p.valueName), trimmedText(text)});
    }
    RegistryStore(settingsFilePath(), kKey).write(kSection, values);
    m_settingsSaved = true;
}

void TMainForm::saveSettingsAtClose()
{
    if (!m_settingsRestored)
        return;
    try {
        saveSettings(false);
    } catch (const VorlixError &e) {
        m_settingsFailure = e.message();
        throw;
    }
}

void TMainForm::saveSettingsAtDestroy()
{
    if (!m_settingsRestored || m_settingsSaved)
        return;
    try {
        saveSettings(true);
    } catch (const VorlixError &e) {
        // The user was told at close; the same failure again is no news.
        if (e.message() != m_settingsFailure)
            throw;
    }
}

} // namespace vorlix
