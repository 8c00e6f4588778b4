#pragma once
// Scripted desktop services for tests: records every question and returns
// queued answers (or a default) instead of opening a window.
#include "platform/BackgroundJob.h"
#include "platform/DesktopServices.h"
#include "platform/Errors.h"

#include <QImage>
#include <QList>
#include <QQueue>
#include <QWidget>

#include <functional>

struct RecordedMessage
{
    QString caption;
    QString text;
    vorlix::MsgIcon icon;
    vorlix::MsgButtons buttons;
};

class FakeServices : public vorlix::DesktopServices
{
public:
    QList<RecordedMessage> messages;
    QQueue<vorlix::MsgAnswer> answers;
    QQueue<QString> files;
    QQueue<QString> folders;
    QQueue<QColor> colors;
    QStringList openedUrls;
    QList<vorlix::FileDialogRequest> fileRequests;
    // What openUrl reports: false plays a desktop without a browser.
    bool openUrlResult = true;
    QStringList folderStarts; // the start folder of each folder browser

    vorlix::MsgAnswer messageBox(QWidget *, const QString &caption, const QString &text,
                                 vorlix::MsgIcon icon, vorlix::MsgButtons buttons) override
    {
        messages.append({caption, text, icon, buttons});
        if (!answers.isEmpty())
            return answers.dequeue();
        return buttons == vorlix::MsgButtons::Ok ? vorlix::MsgAnswer::Ok : vorlix::MsgAnswer::Cancel;
    }
    QString openFile(QWidget *, const vorlix::FileDialogRequest &request) override
    {
        fileRequests.append(request);
        return files.isEmpty() ? QString() : files.dequeue();
    }
    QString saveFile(QWidget *, const vorlix::FileDialogRequest &request) override
    {
        fileRequests.append(request);
        return files.isEmpty() ? QString() : files.dequeue();
    }
    QString chooseFolder(QWidget *, const QString &, const QString &start) override
    {
        folderStarts.append(start);
        return folders.isEmpty() ? QString() : folders.dequeue();
    }
    bool colorDialogFails = false; // chooseColor throws, as a dialog that can't be shown
    QColor chooseColor(QWidget *, const QColor &) override
    {
        if (colorDialogFails)
            throw vorlix::VorlixError(QStringLiteral("no colour dialog"));
        return colors.isEmpty() ? QColor() : colors.dequeue();
    }
    bool openUrl(const QString &url) override
    {
        openedUrls.append(url);
        return openUrlResult;
    }
    // The display the program believes it runs on: scripted, since the
    // tests run offscreen.
    vorlix::DisplayServer display;
    vorlix::DisplayServer displayServer() override { return display; }
    // Screen captures: each returns the next queued picture (none: the user
    // cancelled); a queued error message is thrown instead, as where the
    // screen can't be read. Records whether the asking window was visible.
    QQueue<QImage> captures;
    QString captureError;
    QList<bool> captureWindowVisible;
    std::function<void()> duringCapture; // runs while the screen is "read"
    QImage captureScreenRegion(QWidget *parent) override
    {
        captureWindowVisible.append(parent && parent->window()->isVisible());
        if (duringCapture)
            duringCapture();
        if (!captureError.isEmpty())
            throw vorlix::VorlixError(captureError);
        return captures.isEmpty() ? QImage() : captures.dequeue();
    }
};

// Runs each job at once on the calling thread, so widget tests stay
// deterministic; records the progress windows' texts and can press Cancel
// after the job has reported a given number of times.
class FakeBackgroundJobs : public vorlix::BackgroundJobs
{
public:
    QStringList texts;     // one per job started
    int cancelAfterReports = -1; // -1: never press Cancel
    int reports = 0;       // of the last job
    bool cancelled = false; // the last job was cancelled

    bool run(QWidget *, const QString &text, std::function<void(vorlix::JobProgress &)> work) override
    {
        texts.append(text);
        reports = 0;
        cancelled = false;
        vorlix::JobProgress progress;
        progress.onReport = [this](vorlix::JobProgress &p) {
            ++reports;
            if (cancelAfterReports >= 0 && reports >= cancelAfterReports)
                p.requestCancel();
        };
        if (cancelAfterReports == 0)
            progress.requestCancel();
        try {
            work(progress);
        } catch (const vorlix::JobCancelled &) {
        }
        cancelled = progress.cancelRequested();
        return !cancelled;
    }
};

// Installs a fresh fake for the lifetime of the object, and a runner of
// background jobs.
struct FakeServicesScope
{
    FakeServices *fake;
    FakeServicesScope()
    {
        auto owned = std::make_unique<FakeServices>();
        fake = owned.get();
        vorlix::setServices(std::move(owned));
        auto jobs = std::make_unique<FakeBackgroundJobs>();
        this->jobs = jobs.get();
        vorlix::setBackgroundJobs(std::move(jobs));
    }
    ~FakeServicesScope()
    {
        vorlix::setBackgroundJobs(nullptr);
        vorlix::setServices(nullptr);
    }
    FakeBackgroundJobs *jobs;
};
