#include "platform/BackgroundJob.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QThreadPool>
#include <QScopeGuard>
#include <QTimer>

#include <mutex>

namespace vorlix {

namespace {

// What the worker and the window share. The worker keeps it alive, so after
// a Cancel it can finish on its own and drop what it made.
struct JobState
{
    JobProgress progress;
    std::function<void(JobProgress &)> work;
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    // The window's side while it waits: the worker's end is posted to it,
    // and it goes (taking anything posted but not yet delivered with it)
    // before run() returns, so a late end reaches nothing.
    std::mutex mutex;
    QObject *waiter = nullptr;
};

class QtBackgroundJobs : public BackgroundJobs
{
public:
    bool run(QWidget *parent, const QString &text, std::function<void(JobProgress &)> work) override
    {
        auto state = std::make_shared<JobState>();
        state->work = std::move(work);

        QEventLoop loop;
        QObject waiter;
        bool ended = false; // the worker's end has arrived
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->waiter = &waiter;
        }
        // Whichever way run() is left, nothing more reaches the waiter.
        const auto forget = qScopeGuard([&] {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->waiter = nullptr;
        });

        QThreadPool::globalInstance()->start([state, &loop, &ended] {
            try {
                state->work(state->progress);
            } catch (const JobCancelled &) {
            } catch (...) {
                state->failure = std::current_exception();
            }
            // The work's captures (and the result it holds) go with the
            // worker, not with the window.
            state->work = nullptr;
            state->finished.store(true, std::memory_order_release);
            // The window hears of the end as soon as its thread is free,
            // rather than at the next tick of a timer. loop and ended are
            // the waiter's: the call runs only while the waiter is there.
            std::lock_guard<std::mutex> lock(state->mutex);
            if (state->waiter)
                QMetaObject::invokeMethod(
                    state->waiter,
                    [&loop, &ended] {
                        ended = true;
                        loop.quit();
                        emit jobNotices().ended(true);
                    },
                    Qt::QueuedConnection);
        });

        // A short read shows nothing at all. Until the progress window is
        // up, input waits in the queue (it reaches the window afterwards,
        // as after any short pause), so nothing else starts meanwhile.
        QTimer::singleShot(kShowAfterMs, &loop, &QEventLoop::quit);
        const bool quick = state->finished.load(std::memory_order_acquire);
        if (!quick)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!quick)
            QGuiApplication::restoreOverrideCursor();

        if (!ended) {
            QProgressDialog dialog(text, QStringLiteral("Cancel"), 0, 0, parent);
            dialog.setWindowTitle(QStringLiteral("Vorlix"));
            dialog.setWindowModality(Qt::ApplicationModal);
            dialog.setMinimumDuration(kShowAfterMs);
            dialog.setAutoReset(false);
            dialog.setAutoClose(false);
            bool cancelled = false;
            QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] {
                cancelled = true;
                loop.quit();
            });
            // The bar moves with the work's reports, a few times a second.
            QTimer progress;
            progress.setInterval(50);
            QObject::connect(&progress, &QTimer::timeout, &dialog, [&] {
                const int permille = state->progress.permille();
                if (permille >= 0 && dialog.maximum() == 0)
                    dialog.setRange(0, 1000);
                if (permille >= 0)
                    dialog.setValue(permille);
            });
            progress.start();
            dialog.show();
            if (!ended)
                loop.exec();
            // Cancelled, or the loop ended as the program quits with the
            // work still going: told to stop, and its result never read.
            if (cancelled || !ended) {
                state->progress.requestCancel();
                emit jobNotices().ended(false);
                return false;
            }
        }
        if (state->failure)
            std::rethrow_exception(state->failure);
        return true;
    }

private:
    static constexpr int kShowAfterMs = 500;
};

std::unique_ptr<BackgroundJobs> &installed()
{
    static std::unique_ptr<BackgroundJobs> jobs;
    return jobs;
}

} // namespace

BackgroundJobs &backgroundJobs()
{
    std::unique_ptr<BackgroundJobs> &jobs = installed();
    if (!jobs)
        jobs = std::make_unique<QtBackgroundJobs>();
    return *jobs;
}

void setBackgroundJobs(std::unique_ptr<BackgroundJobs> replacement)
{
    installed() = std::move(replacement);
}

JobNotices &jobNotices()
{
    static JobNotices notices;
    return notices;
}

} // namespace vorlix
