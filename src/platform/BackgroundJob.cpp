#include "platform/BackgroundJob.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QThreadPool>
#include <QTimer>

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
};

class QtBackgroundJobs : public BackgroundJobs
{
public:
    bool run(QWidget *parent, const QString &text, std::function<void(JobProgress &)> work) override
    {
        auto state = std::make_shared<JobState>();
        state->work = std::move(work);
        QThreadPool::globalInstance()->start([state] {
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
        });

        // A short read shows nothing at all. Until the progress window is
        // up, input waits in the queue (it reaches the window afterwards,
        // as after any short pause), so nothing else starts meanwhile.
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(15);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (state->finished.load(std::memory_order_acquire))
                loop.quit();
        });
        poll.start();
        QTimer::singleShot(kShowAfterMs, &loop, &QEventLoop::quit);
        if (!state->finished.load(std::memory_order_acquire)) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            QGuiApplication::restoreOverrideCursor();
        }

        if (!state->finished.load(std::memory_order_acquire)) {
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
            QObject::disconnect(&poll, nullptr, &loop, nullptr);
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (state->finished.load(std::memory_order_acquire)) {
                    loop.quit();
                    return;
                }
                const int permille = state->progress.permille();
                if (permille >= 0 && dialog.maximum() == 0)
                    dialog.setRange(0, 1000);
                if (permille >= 0)
                    dialog.setValue(permille);
            });
            dialog.show();
            if (!state->finished.load(std::memory_order_acquire))
                loop.exec();
            // Cancelled, or the loop ended as the program quits with the
            // work still going: told to stop, and its result never read.
            if (cancelled || !state->finished.load(std::memory_order_acquire)) {
                state->progress.requestCancel();
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

} // namespace vorlix
