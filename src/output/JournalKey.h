#pragma once
// The secret that marks save journals as this user's own. A journal names
// files to rename and remove; one found in a folder from elsewhere (a
// downloaded skin) must never be acted upon, and the format alone can't tell
// ours from a copy anyone can write. So every journal is signed with a key
// that only this user can read, kept with the settings, never in a skin.
#include <QByteArray>
#include <QString>

namespace vorlix {

// The key file: beside the settings file, mode 0600.
QString journalKeyPath();

// The key (32 bytes), read from its file or, at first use, made and stored
// there. Where it can't be stored (a read-only home), a key for this run
// only: journals then settle within the run but read as foreign after it.
QByteArray journalKey();

// HMAC-SHA-256 of bytes under the key, as 64 lower-case hex digits.
QByteArray journalSignature(const QByteArray &bytes);

// Compares two signatures in time that doesn't depend on where they differ.
bool sameSignature(const QByteArray &a, const QByteArray &b);

} // namespace vorlix
