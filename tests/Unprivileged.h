#pragma once
// Permission cases as an ordinary user meets them. The superuser passes every
// mode check, and CI runs the tests as root: there, a case gives its files to
// the unprivileged user "nobody" and acts as that user (the effective user
// and group, which the kernel checks file modes against) until the guard
// goes, so the same write or read meets the same refusal a user would.
// Setting a mode is then done as that user, the files' owner, as a user
// would make their own folder read-only.
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

class AsUnprivilegedUser
{
public:
    // Does nothing unless running as root.
    explicit AsUnprivilegedUser(const QStringList &paths)
    {
        if (::geteuid() != 0)
            return;
        const passwd *pw = ::getpwnam("nobody");
        if (!pw) {
            m_problem = QStringLiteral("there is no user \"nobody\" to run as");
            return;
        }
        for (const QString &p : paths)
            if (::chown(QFile::encodeName(p).constData(), pw->pw_uid, pw->pw_gid) != 0) {
                m_problem = QStringLiteral("cannot give %1 to \"nobody\": %2").arg(p, QString::fromLocal8Bit(std::strerror(errno)));
                return;
            }
        m_savedGid = ::getegid();
        if (::setegid(pw->pw_gid) != 0) {
            m_problem = QStringLiteral("cannot act as group of \"nobody\": %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        m_groupChanged = true;
        if (::seteuid(pw->pw_uid) != 0) {
            m_problem = QStringLiteral("cannot act as \"nobody\": %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        m_userChanged = true;
        // The folders above must let the user through, or the case would
        // fail for another reason than the one it is about.
        for (const QString &p : paths)
            if (!QFileInfo::exists(p))
                m_problem = QStringLiteral("\"nobody\" cannot reach %1 (set TMPDIR to a folder all may enter)").arg(p);
    }
    ~AsUnprivilegedUser()
    {
        // Every later test needs root back; going on without it would only
        // make them fail for no reason of theirs.
        if (m_userChanged && ::seteuid(0) != 0)
            qFatal("cannot become root again");
        if (m_groupChanged && ::setegid(m_savedGid) != 0)
            qFatal("cannot take back the group");
    }
    AsUnprivilegedUser(const AsUnprivilegedUser &) = delete;
    AsUnprivilegedUser &operator=(const AsUnprivilegedUser &) = delete;

    // Empty when the case runs as an ordinary user; else why it can't here.
    const QString &problem() const { return m_problem; }

private:
    QString m_problem;
    gid_t m_savedGid = 0;
    bool m_groupChanged = false;
    bool m_userChanged = false;
};
