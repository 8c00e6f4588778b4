#pragma once
// The two text files of a skin: viscolor.txt (the visualisation's colours)
// and pledit.txt (the playlist's colours and font). Both are read as
// leniently as players read them, and written back the way the rest of a
// skin is: byte for byte, except the values the user changed, which are
// replaced in place so that every other line, comment, spacing and line
// ending stays as the skin's author left it.
//
// Where the players read a file differently, the rule chosen is written at
// the place in SkinText.cpp that applies it.
#include <QByteArray>
#include <QRgb>
#include <QString>

#include <array>

namespace vorlix {

constexpr int kVisColourCount = 24;

// viscolor.txt: colour 0 background, 1 dots, 2..17 spectrum from top to
// bottom, 18..22 oscilloscope, 23 peak dots. One "r,g,b" a line.
class VisColorText
{
public:
    // Never fails: whatever the bytes hold, each colour is the file's or the
    // players' default.
    static VisColorText parse(const QByteArray &bytes);
    // A tidy file for the built-in skin, in the colours of its artwork.
    static VisColorText builtIn();

    // The file's value, else the players' default for i.
    QRgb colour(int i) const;
    // The file gives colour i: it did when read, or bytes() now writes it.
    bool given(int i) const;
    // Alpha is ignored: the file holds red, green and blue only.
    void setColour(int i, QRgb c);
    // Some colour differs from what the file gave; a colour set back to the
    // file's value is no change.
    bool changed() const;
    // Unchanged: the bytes parsed, exactly. Changed: those bytes with the
    // changed numbers replaced in place, and lines added after the file's
    // last colour for colours it lacked.
    QByteArray bytes() const;

private:
    struct Line
    {
        qsizetype start = 0;            // first byte after any byte order mark
        qsizetype num[3] = {0, 0, 0};   // where each number lies in the bytes
        qsizetype numLen[3] = {0, 0, 0};
        qsizetype end = 0;              // end of the line, before its line break
        qsizetype next = 0;             // start of the next line
    };

    QByteArray m_bytes;
    int m_count = 0;                    // colours 0..m_count-1 have lines
    std::array<Line, kVisColourCount> m_lines{};
    std::array<QRgb, kVisColourCount> m_read{};
    std::array<QRgb, kVisColourCount> m_now{};
    QByteArray m_eol;

    int lastAdded() const;
};

enum class PlaylistColour { Normal, Current, NormalBG, SelectedBG, MbFG, MbBG };
inline constexpr int kPlaylistColourCount = 6;

// pledit.txt: an INI file whose [Text] section holds the playlist's colours
// ("Normal=#00FF00") and font ("Font=Arial").
class PlEditText
{
public:
    static PlEditText parse(const QByteArray &bytes);
    static PlEditText builtIn();

    QRgb colour(PlaylistColour k) const;
    // The file gives the colour: it did when read, or bytes() now writes it.
    bool given(PlaylistColour k) const;
    void setColour(PlaylistColour k, QRgb c);
    // The file's font, else the players' default, Arial.
    QString font() const;
    // Throws VorlixError, and changes nothing, for a name that could not be
    // read back as given: one with a line break or another control
    // character, or, in a file in the Windows code page (see below), one
    // with a letter that code page lacks. A name the file already holds is
    // always taken.
    void setFont(const QString &name);

    bool changed() const;
    // Unchanged: the bytes parsed, exactly. Changed: a changed value is
    // replaced in place, keeping its key's case, the '#' and the letter case
    // the file writes colours with; a missing key is added at the end of the
    // [Text] section, a missing section at the end of the file.
    QByteArray bytes() const;

private:
    static constexpr int kFont = kPlaylistColourCount;
    static constexpr int kKeyCount = kPlaylistColourCount + 1;

    struct Entry
    {
        bool present = false;
        qsizetype valueAt = 0;          // the part of the line a new value replaces
        qsizetype valueLen = 0;
        bool addHash = false;           // the new value needs a '#' of its own
        int lower = -1;                 // letter case of its hex digits; -1 none seen
        bool quoted = false;            // the font's value stands inside quotes
    };

    QByteArray m_bytes;
    std::array<Entry, kKeyCount> m_entries{};
    std::array<QRgb, kPlaylistColourCount> m_read{};
    std::array<bool, kPlaylistColourCount> m_given{};
    std::array<QRgb, kPlaylistColourCount> m_now{};
    QString m_readFont;
    QString m_font;
    bool m_codePage = false;            // the file is not UTF-8: Windows-1252, byte for byte
    bool m_fileHash = true;             // how the file writes colours
    bool m_fileLower = false;
    QByteArray m_keySeparator = "=";    // "=", " = ", as the file's entries have it
    QByteArray m_eol;
    bool m_hasSection = false;
    qsizetype m_sectionEnd = 0;         // the last heading or key line of [Text]:
    qsizetype m_sectionNext = 0;        // its end and its line break's end

    bool colourChanged(int k) const;
    bool fontChanged() const;
    QByteArray colourText(QRgb c, bool lower) const;
    QByteArray fontText(const QString &name, bool quoted, bool utf8) const;
    QByteArray written(bool fontInUtf8) const;
};

} // namespace vorlix
