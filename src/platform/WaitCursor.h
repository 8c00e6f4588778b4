#pragma once
// Shows the wait cursor for the lifetime of the object, also while a failure
// unwinds.
#include <QGuiApplication>

namespace vorlix {

class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace vorlix
