#pragma once
// Long reads (a skin, a picture for import) run off the window's thread. The
// reading code gets a JobProgress to report to and to look at for a Cancel;
// the window starts the job through backgroundJobs() and applies the result
// on its own thread. Tests install a scripted runner.
#include <QObject>
#include <QString>

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace vorlix {

// Thrown by reading code that saw the Cancel; the runner swallows it.
struct JobCancelled : std::exception
{
    const char *what() const noexcept override { return "cancelled"; }
};

// Shared between the worker and the window: the Cancel one way, how far the
// work has come the other.
class JobProgress
{
public:
    bool cancelRequested() const { return m_cancel.load(std::memory_order_relaxed); }
    void requestCancel() { m_cancel.store(true, std::memory_order_relaxed); }
    // Reading code calls this often (per row, per file): it throws
    // JobCancelled once the Cancel was pressed.
    void check() const
    {
        if (cancelRequested())
            throw JobCancelled();
    }
    // done of total units; -1 while nothing was reported.
    void report(qint64 done, qint64 total)
    {
        if (total > 0)
            m_permille.store(int(std::clamp<qint64>(done * 1000 / total, 0, 1000)), std::memory_order_relaxed);
        if (onReport)
            onReport(*this);
    }
    int permille() const { return m_permille.load(std::memory_order_relaxed); }

    // Called by report(), on the worker's thread: a scripted runner presses
    // Cancel from here.
    std::function<void(JobProgress &)> onReport;

private:
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_permille{-1};
};

// Reading code called without a job (tests, benchmarks, the fuzzer) gets a
// null pointer: nothing to report to, nothing to cancel.
inline void checkCancel(const JobProgress *progress)
{
    if (progress)
        progress->check();
}

class BackgroundJobs
{
public:
    virtual ~BackgroundJobs() = default;
    // Runs work off the window's thread and waits for it; after about half a
    // second a modal progress window with a Cancel button appears, labelled
    // with text. True when the work ran to its end (an exception it threw is
    // rethrown here); false when the user cancelled, or the program quit
    // first: the work is told to stop and whatever it still produces is
    // thrown away.
    virtual bool run(QWidget *parent, const QString &text, std::function<void(JobProgress &)> work) = 0;
};

// The runner in use; a Qt implementation unless a test installed another.
BackgroundJobs &backgroundJobs();
// Takes ownership; nullptr restores the Qt implementation.
void setBackgroundJobs(std::unique_ptr<BackgroundJobs> replacement);

// The Qt runner tells of each job's end once, on the window's thread:
// ended(true) as the worker's end reaches the window (whether the work
// succeeded or failed), ended(false) when the user cancelled or the program
// quit first; whatever the work does after a Cancel is never heard of.
class JobNotices : public QObject
{
    Q_OBJECT
signals:
    void ended(bool ranToItsEnd);
};
JobNotices &jobNotices();

// Runs fn through backgroundJobs(); its result, or nothing when cancelled.
template <typename T>
std::optional<T> runInBackground(QWidget *parent, const QString &text, std::function<T(JobProgress &)> fn)
{
    // Shared with the work, which may outlive this call after a Cancel.
    auto result = std::make_shared<std::optional<T>>();
    const bool finished = backgroundJobs().run(parent, text, [result, fn = std::move(fn)](JobProgress &p) {
        *result = fn(p);
    });
    if (!finished)
        return std::nullopt;
    return std::move(*result);
}

} // namespace vorlix
